// Numbered files: the file table, opening and closing, the read-ahead /
// write-behind buffer and the logical position.
#include "runtime/file.h"

#include <cstring>

#include "runtime/mem.h"
#include "runtime/obj.h"

namespace {

ObjectTable* file_table = nullptr;
uint32_t last_error = 0;

bool platform_seek(FileObject* file, int64_t distance, DWORD method, int64_t* result) {
  LARGE_INTEGER move;
  move.QuadPart = distance;
  LARGE_INTEGER now;
  now.QuadPart = 0;
  if (!SetFilePointerEx(file->handle, move, &now, method)) return false;
  file->platform_at = now.QuadPart;
  if (result) *result = now.QuadPart;
  return true;
}

// Every transfer with the platform goes through these two, which keep the
// platform position and hash the content read as it passes.
BOOL platform_read(FileObject* file, void* destination, DWORD bytes, DWORD* got) {
  *got = 0;
  const BOOL ok = ReadFile(file->handle, destination, bytes, got, nullptr);
  file_hash_bytes(file, file->platform_at, static_cast<const uint8_t*>(destination), static_cast<int32_t>(*got));
  file->platform_at += *got;
  return ok;
}

BOOL platform_write(FileObject* file, const void* source, DWORD bytes, DWORD* written) {
  *written = 0;
  const BOOL ok = WriteFile(file->handle, source, bytes, written, nullptr);
  // A stamp is taken of a file as it was read; hashing a page or a catalogue
  // as it is written would cost a pass over it that nobody uses.
  if (*written > 0) file->hashed_to = -1;
  file->platform_at += *written;
  return ok;
}

// What the program has read or written so far: the platform position corrected by the buffer.
bool logical_position(FileObject* file, int64_t* position) {
  int64_t platform = 0;
  if (!platform_seek(file, 0, FILE_CURRENT, &platform)) return false;
  if (!file->buffer) {
    *position = platform;
  } else if (file->mode == 1) {
    *position = platform - file->count;
  } else {
    *position = platform + (file->buffer_size - file->count);
  }
  return true;
}

// Writes the pending output of a buffered file in write mode; the buffer is
// empty afterwards. Answers whether all of it went out.
bool write_pending(FileObject* file) {
  int32_t pending = file->buffer_size - file->count;
  bool whole = true;
  if (pending > 0) {
    DWORD written = 0;
    BOOL ok = platform_write(file, file->buffer, static_cast<DWORD>(pending), &written);
    if (!ok || written != static_cast<DWORD>(pending)) {
      file->write_failed = 1;
      file_note_error();
      whole = false;
    }
  }
  file->count = file->buffer_size;
  return whole;
}

// Pending output goes out and read-ahead is dropped: the platform position is the logical one.
void settle(FileObject* file) {
  if (!file->buffer) return;
  if (file->mode == 0) write_pending(file);
  file->mode = 1;
  file->count = 0;
}

// Shared tail of both opens. The first attempt's arguments come from the caller;
// a second attempt (file_create only) runs when the first fails.
int64_t open_file(int64_t number, const WCHAR* name, DWORD access, DWORD disposition, DWORD attributes,
                  bool truncate_retry) {
  if (!file_table) return 0;
  // A number in use is closed here first by the registry, through file_close.
  FileObject* file = static_cast<FileObject*>(obj_new(file_table, number));
  if (!file) return 0;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (name) {
    handle = CreateFileW(name, access, FILE_SHARE_READ, nullptr, disposition, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE && truncate_retry) {
      // When the second attempt fails too, the first one's reason is the one to tell.
      const DWORD first_error = GetLastError();
      handle = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, 0, nullptr);
      if (handle == INVALID_HANDLE_VALUE) SetLastError(first_error);
    }
  }
  if (handle == INVALID_HANDLE_VALUE || !handle) {
    file_note_error();
    // A static record stays zero-filled (not live); a dynamic one is given back.
    if (number == -1) obj_release(file_table, reinterpret_cast<intptr_t>(file));
    return 0;
  }
  // Without a buffer the file still works, one platform call per transfer.
  file->buffer = static_cast<uint8_t*>(mem_alloc(FILE_BUFFER_SIZE));
  file->buffer_size = FILE_BUFFER_SIZE;
  file->count = 0;
  file->valid = 0;
  file->mode = 1;
  file->write_failed = 0;
  file->handle = handle;
  file->platform_at = 0;
  file->hashed_to = 0;
  file->hash = FileHash{};
  if (number == -1) return reinterpret_cast<intptr_t>(file);
  return reinterpret_cast<intptr_t>(handle);
}

// The registry closes a number in use before it is reused, and every file at the end.
void release_file(int64_t number) { file_close(number); }

}  // namespace

void file_note_error() {
  DWORD code = GetLastError();
  // A short write with no error code is still a failure the user must hear of.
  last_error = code ? code : ERROR_WRITE_FAULT;
}

uint32_t file_last_error() { return last_error; }

void file_library_init() { file_table = obj_table_new(sizeof(FileObject), 16, release_file); }

void file_close_all() {
  if (file_table) obj_release_all(file_table);
}

FileObject* file_object(int64_t number) {
  if (!file_table) return nullptr;
  return static_cast<FileObject*>(obj_get(file_table, number));
}

int64_t file_create(int64_t number, const WCHAR* name) {
  return open_file(number, name, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, true);
}

int64_t file_create_new(int64_t number, const WCHAR* name) {
  return open_file(number, name, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, false);
}

int64_t file_open_read(int64_t number, const WCHAR* name) {
  return open_file(number, name, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, false);
}

int32_t file_close(int64_t number) {
  if (number == -1) {
    file_close_all();
    return 1;
  }
  FileObject* file = file_object(number);
  if (!file) return 0;
  if (file->buffer) {
    if (file->mode == 0) write_pending(file);
    mem_free(file->buffer);
    file->buffer = nullptr;
  }
  bool whole = !file->write_failed;
  if (!CloseHandle(file->handle)) {
    file_note_error();
    whole = false;
  }
  obj_release(file_table, number);
  return whole ? 1 : 0;
}

int32_t file_flush(int64_t number) {
  FileObject* file = file_object(number);
  if (!file) return 0;
  if (file->buffer && file->mode == 0) write_pending(file);
  if (!FlushFileBuffers(file->handle)) {
    file_note_error();
    return 0;
  }
  return file->write_failed ? 0 : 1;
}

int32_t file_push(int64_t number) {
  FileObject* file = file_object(number);
  if (!file) return 0;
  if (file->buffer && file->mode == 0) write_pending(file);
  return file->write_failed ? 0 : 1;
}

int32_t file_read_bytes(FileObject* file, void* destination, int32_t bytes) {
  uint8_t* out = static_cast<uint8_t*>(destination);
  if (bytes <= 0) return 0;
  if (!file->buffer) {
    DWORD got = 0;
    platform_read(file, out, static_cast<DWORD>(bytes), &got);
    return static_cast<int32_t>(got);
  }
  if (file->mode == 0) {
    write_pending(file);
    file->mode = 1;
    file->count = 0;
  }
  if (file->count >= bytes) {
    memcpy(out, file->buffer + (file->valid - file->count), static_cast<size_t>(bytes));
    file->count -= bytes;
    return bytes;
  }
  int32_t have = file->count;
  if (have > 0) memcpy(out, file->buffer + (file->valid - have), static_cast<size_t>(have));
  file->count = 0;
  int32_t rest = bytes - have;
  DWORD got = 0;
  if (rest >= file->buffer_size) {
    platform_read(file, out + have, static_cast<DWORD>(rest), &got);
    return have + static_cast<int32_t>(got);
  }
  platform_read(file, file->buffer, static_cast<DWORD>(file->buffer_size), &got);
  file->valid = file->count = static_cast<int32_t>(got);
  int32_t part = rest < file->count ? rest : file->count;
  memcpy(out + have, file->buffer, static_cast<size_t>(part));
  file->count -= part;
  return have + part;
}

void file_unread_bytes(FileObject* file, int32_t bytes) {
  if (bytes <= 0) return;
  if (file->buffer && file->mode == 1 && file->valid - file->count >= bytes) {
    file->count += bytes;
    return;
  }
  // The bytes are no longer all in the buffer (a unit that straddled a refill,
  // or an unbuffered file): step the platform position back instead.
  int64_t logical = 0;
  if (!logical_position(file, &logical)) return;
  settle(file);
  platform_seek(file, logical - bytes, FILE_BEGIN, nullptr);
}

int32_t file_write_bytes(FileObject* file, const void* source, int32_t bytes) {
  const uint8_t* in = static_cast<const uint8_t*>(source);
  if (bytes <= 0) return 0;
  DWORD written = 0;
  if (!file->buffer) {
    BOOL ok = platform_write(file, in, static_cast<DWORD>(bytes), &written);
    if (!ok || written != static_cast<DWORD>(bytes)) {
      file->write_failed = 1;
      file_note_error();
    }
    return static_cast<int32_t>(written);
  }
  if (file->mode == 1) {
    // Unconsumed read-ahead is not part of what was read: write where the program stands.
    if (file->count > 0) platform_seek(file, -static_cast<int64_t>(file->count), FILE_CURRENT, nullptr);
    file->mode = 0;
    file->count = file->buffer_size;
  }
  if (bytes < file->count) {
    memcpy(file->buffer + (file->buffer_size - file->count), in, static_cast<size_t>(bytes));
    file->count -= bytes;
    return bytes;
  }
  // The buffer is filled up and written whole, then whole buffers' worth go
  // straight out, and the rest waits in the buffer: the platform's writes stay
  // whole blocks of the file, which a file system takes without first zeroing
  // the part of a block a write leaves out (a third of the cost of a big file).
  int32_t done = file->count;
  memcpy(file->buffer + (file->buffer_size - file->count), in, static_cast<size_t>(done));
  file->count = 0;
  if (!write_pending(file)) return 0;  // the platform fell short: none of these bytes is known to be out
  const int32_t whole = (bytes - done) / file->buffer_size * file->buffer_size;
  if (whole > 0) {
    BOOL ok = platform_write(file, in + done, static_cast<DWORD>(whole), &written);
    if (!ok || written != static_cast<DWORD>(whole)) {
      file->write_failed = 1;
      file_note_error();
      return done + static_cast<int32_t>(written);
    }
    done += whole;
  }
  memcpy(file->buffer, in + done, static_cast<size_t>(bytes - done));
  file->count -= bytes - done;
  return bytes;
}

int32_t file_write_failed(int64_t number) {
  FileObject* file = file_object(number);
  if (!file) return 0;
  // Pending output counts too: it goes out now, so the answer covers everything written so far.
  if (file->buffer && file->mode == 0) write_pending(file);
  return file->write_failed ? 1 : 0;
}

int64_t file_position(int64_t number) {
  FileObject* file = file_object(number);
  int64_t position = -1;
  if (!file || !logical_position(file, &position)) return -1;
  return position;
}

int64_t file_size(int64_t number) {
  FileObject* file = file_object(number);
  LARGE_INTEGER size{};
  if (!file) return -1;
  if (!GetFileSizeEx(file->handle, &size)) {
    file_note_error();
    return -1;
  }
  return size.QuadPart;
}

void file_set_position(int64_t number, int64_t position) {
  FileObject* file = file_object(number);
  if (!file) return;
  settle(file);
  platform_seek(file, position, FILE_BEGIN, nullptr);
}
