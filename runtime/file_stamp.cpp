// File stamps: what a file was at a moment (size, last write time and a hash
// of its content), so the program can tell later whether another program
// changed it. The hash is taken as the content passes the platform anyway,
// in words of 8 bytes: reading a catalogue costs no second pass over it.
#include <cstring>

#include "runtime/file.h"
#include "runtime/mem.h"
#include "runtime/text.h"

namespace {

constexpr uint64_t kWordMultiplier = 0x9E3779B97F4A7C15ull;
constexpr uint64_t kFinalMultiplier = 0xBF58476D1CE4E5B9ull;
constexpr int kWordBytes = 8;
// Large reads when a file is hashed by name: few platform calls.
constexpr int32_t kHashReadBytes = 64 * 1024;

uint64_t mix_word(uint64_t value, uint64_t word) {
  value = (value ^ word) * kWordMultiplier;
  return value ^ (value >> 29);
}

// Both builds run on little-endian machines: a word is its 8 bytes as memory holds them.
void hash_add(FileHash* hash, const uint8_t* bytes, size_t count) {
  while (count > 0 && hash->tail_bytes > 0 && hash->tail_bytes < kWordBytes) {
    hash->tail |= static_cast<uint64_t>(*bytes++) << (8 * hash->tail_bytes++);
    --count;
    if (hash->tail_bytes == kWordBytes) {
      hash->value = mix_word(hash->value, hash->tail);
      hash->tail = 0;
      hash->tail_bytes = 0;
    }
  }
  for (; count >= kWordBytes; bytes += kWordBytes, count -= kWordBytes) {
    uint64_t word;
    std::memcpy(&word, bytes, kWordBytes);
    hash->value = mix_word(hash->value, word);
  }
  for (; count > 0; --count) hash->tail |= static_cast<uint64_t>(*bytes++) << (8 * hash->tail_bytes++);
}

// The tail and the length go in last, so that contents that differ only in trailing zeros differ.
uint64_t hash_value(const FileHash& hash, int64_t length) {
  uint64_t value = mix_word(hash.value, hash.tail);
  value = (value ^ static_cast<uint64_t>(length)) * kFinalMultiplier;
  return value ^ (value >> 31);
}

int64_t time_value(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

}  // namespace

void file_hash_bytes(FileObject* file, int64_t at, const uint8_t* bytes, int32_t count) {
  if (count <= 0 || file->hashed_to < 0) return;
  if (at > file->hashed_to) {
    file->hashed_to = -1;  // a part was skipped: the hash can no longer stand for the content
    return;
  }
  const int64_t end = at + count;
  if (end <= file->hashed_to) return;  // read again after a step back
  hash_add(&file->hash, bytes + (file->hashed_to - at), static_cast<size_t>(end - file->hashed_to));
  file->hashed_to = end;
}

int file_stamp(int64_t number, FileStamp* stamp) {
  FileObject* file = file_object(number);
  if (!file || !stamp) return 0;
  LARGE_INTEGER size;
  FILETIME written;
  if (!GetFileSizeEx(file->handle, &size) || !GetFileTime(file->handle, nullptr, nullptr, &written)) {
    file_note_error();
    return 0;
  }
  // Pending output is not in the file yet, nor in its hash.
  const int64_t pending = file->buffer && file->mode == 0 ? file->buffer_size - file->count : 0;
  stamp->size = size.QuadPart;
  stamp->time = time_value(written);
  stamp->hashed = pending == 0 && file->hashed_to == size.QuadPart ? 1 : 0;
  stamp->hash = stamp->hashed ? hash_value(file->hash, size.QuadPart) : 0;
  return 1;
}

int file_stamp_of(const WCHAR* name, FileStamp* stamp) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!name || !stamp || !GetFileAttributesExW(name, GetFileExInfoStandard, &data)) {
    file_note_error();
    return 0;
  }
  stamp->size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  stamp->time = time_value(data.ftLastWriteTime);
  stamp->hash = 0;
  stamp->hashed = 0;
  return 1;
}

int file_hash_of(const WCHAR* name, FileStamp* stamp) {
  const int64_t number = file_open_read(-1, name);
  if (!number) return 0;
  FileObject* file = file_object(number);
  auto* block = static_cast<uint8_t*>(mem_alloc(kHashReadBytes));
  while (block && file_read_bytes(file, block, kHashReadBytes) == kHashReadBytes) {
  }
  const int ok = block && file_stamp(number, stamp);
  mem_free(block);
  file_close(number);
  return ok && stamp->hashed;
}

WCHAR* file_time_text(int64_t time, int32_t offset) {
  const FILETIME universal{static_cast<DWORD>(static_cast<uint64_t>(time) & 0xFFFFFFFFu),
                           static_cast<DWORD>(static_cast<uint64_t>(time) >> 32)};
  FILETIME local;
  SYSTEMTIME parts;
  WCHAR text[32] = {};
  if (FileTimeToLocalFileTime(&universal, &local) && FileTimeToSystemTime(&local, &parts)) {
    text_format(text, TEXT("%04u-%02u-%02u %02u:%02u"), parts.wYear, parts.wMonth, parts.wDay, parts.wHour,
                parts.wMinute);
  }
  text_stack_cut(offset);
  text_push(text);
  return text_stack_at(offset);
}
