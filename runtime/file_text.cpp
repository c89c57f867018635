// Text on numbered files: byte-order marks, the end test, reading a line in
// one of the text formats and writing text in them.
#include <bit>
#include <cstring>

#include "runtime/file.h"
#include "runtime/mem.h"
#include "runtime/text.h"

static_assert(std::endian::native == std::endian::little, "UTF-16LE units are copied as they lie in memory");

namespace {

// Longest line collected at once: its text must fit the temporary stack (2 GB
// in all). A longer run is handed out in pieces, none of it lost.
constexpr size_t kMaxLineBytes = size_t{512} << 20;

constexpr uint8_t kCr = 13;
constexpr uint8_t kLf = 10;

bool is_utf16(int32_t format) { return (format & 31) == FILE_FORMAT_UTF16LE; }

// The bytes of a line, kept in a block of the general heap once the line does
// not lie in one piece in the file's buffer.
struct LineBytes {
  uint8_t* block = nullptr;
  size_t length = 0;
  size_t capacity = 0;
  bool failed = false;

  ~LineBytes() { mem_free(block); }

  void append(const uint8_t* bytes, size_t n) {
    if (n == 0 || failed) return;
    if (length + n > capacity) {
      // Doubling keeps very long lines linear; 4096 bytes is the first block.
      size_t wanted = capacity ? capacity : FILE_BUFFER_SIZE;
      while (wanted < length + n) wanted *= 2;
      uint8_t* grown = static_cast<uint8_t*>(mem_realloc(block, wanted));
      if (!grown) {
        failed = true;
        return;
      }
      block = grown;
      capacity = wanted;
    }
    memcpy(block + length, bytes, n);
    length += n;
  }
};

// Decodes the collected bytes by format onto the temporary stack at the
// offset. A byte never gives more than one UTF-16 unit (a four-byte UTF-8
// sequence gives two), so room for as many units as bytes is enough and the
// text is converted in one pass.
WCHAR* decode_onto_stack(const uint8_t* bytes, size_t length, int32_t format, int32_t offset) {
  const int room = static_cast<int>(is_utf16(format) ? length / 2 : length);
  if (room <= 0) {
    text_stack_cut(offset);
    return text_stack_at(offset);
  }
  WCHAR* out = text_stack_reserve(room, offset);
  int units = room;
  if (is_utf16(format)) {
    memcpy(out, bytes, static_cast<size_t>(units) * 2);
  } else {
    UINT code_page = (format & 31) == FILE_FORMAT_UTF8 ? CP_UTF8 : CP_ACP;
    const auto* chars = reinterpret_cast<const char*>(bytes);
    units = MultiByteToWideChar(code_page, 0, chars, static_cast<int>(length), out, room);
    if (units < 0) units = 0;
  }
  text_stack_cut(offset + 2 * units);  // the top behind the text, and its zero unit
  return text_stack_at(offset);
}

// Eight bytes at a time: does any of them equal CR, LF or (always) zero?
inline bool word_may_stop(uint64_t word, bool line_ends) {
  constexpr uint64_t ones = 0x0101010101010101ull;
  constexpr uint64_t highs = 0x8080808080808080ull;
  auto has_zero = [](uint64_t v) { return (v - ones) & ~v & highs; };
  uint64_t hit = has_zero(word);
  if (line_ends) hit |= has_zero(word ^ (ones * kCr)) | has_zero(word ^ (ones * kLf));
  return hit != 0;
}

// Index of the first unit in bytes[0, n) that ends a line (zero, and CR or LF
// unless they are ordinary), or n. Bytes are units, or pairs of them in UTF-16.
size_t find_stop(const uint8_t* bytes, size_t n, bool utf16, bool line_ends) {
  if (utf16) {
    size_t units = n / 2;
    for (size_t i = 0; i < units; ++i) {
      unsigned unit = bytes[2 * i] | (bytes[2 * i + 1] << 8);
      if (unit == 0 || (line_ends && (unit == kCr || unit == kLf))) return i * 2;
    }
    return units * 2;
  }
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    memcpy(&word, bytes + i, 8);
    if (word_may_stop(word, line_ends)) break;
  }
  for (; i < n; ++i) {
    uint8_t b = bytes[i];
    if (b == 0 || (line_ends && (b == kCr || b == kLf))) return i;
  }
  return n;
}

unsigned unit_value(const uint8_t* unit, bool utf16) { return utf16 ? unit[0] | (unit[1] << 8) : unit[0]; }

}  // namespace

int32_t file_read_bom(int64_t number) {
  FileObject* file = file_object(number);
  if (!file) return FILE_FORMAT_ANSI;
  int64_t start = file_position(number);
  uint8_t b[4] = {0, 0, 0, 0};
  int32_t got = file_read_bytes(file, b, 4);
  int32_t format = FILE_FORMAT_ANSI;
  int32_t mark = 0;
  if (got >= 4 && b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0) {
    format = FILE_FORMAT_UTF32LE, mark = 4;
  } else if (got >= 4 && b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF) {
    format = FILE_FORMAT_UTF32BE, mark = 4;
  } else if (got >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    format = FILE_FORMAT_UTF16LE, mark = 2;
  } else if (got >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    format = FILE_FORMAT_UTF8, mark = 3;
  } else if (got >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    format = FILE_FORMAT_UTF16BE, mark = 2;
  }
  if (start >= 0) file_set_position(number, start + mark);
  return format;
}

int32_t file_at_end(int64_t number) {
  FileObject* file = file_object(number);
  if (!file) return 0;
  uint8_t byte;
  if (file->buffer) {
    if (file_read_bytes(file, &byte, 1) == 1) {
      file_unread_bytes(file, 1);
      return 0;
    }
    return 1;
  }
  if (file_read_bytes(file, &byte, 1) != 1) return -1;
  file_unread_bytes(file, 1);
  return 0;
}

// Equivalent to taking the file unit by unit, but scans and copies whole runs
// of the buffer, so a line costs one platform call per buffer refill only.
WCHAR* file_read_line(int64_t number, int32_t format, int32_t offset) {
  FileObject* file = file_object(number);
  if (!file) {
    text_stack_cut(offset);
    return text_stack_at(offset);
  }
  const bool utf16 = is_utf16(format);
  const bool line_ends = (format & FILE_READ_IGNORE_LINE_ENDS) == 0;
  const int32_t unit_size = utf16 ? 2 : 1;
  LineBytes line;
  for (;;) {
    if (line.length >= kMaxLineBytes) break;
    if (file->buffer && file->mode == 1 && file->count >= unit_size) {
      const uint8_t* run = file->buffer + (file->valid - file->count);
      size_t available = static_cast<size_t>(file->count);
      if (available > kMaxLineBytes - line.length) available = kMaxLineBytes - line.length;
      size_t stop = find_stop(run, available, utf16, line_ends);
      size_t whole = utf16 ? available & ~size_t{1} : available;
      if (stop == whole) {
        line.append(run, stop);
        file->count -= static_cast<int32_t>(stop);
        continue;
      }
      unsigned unit = unit_value(run + stop, utf16);
      file->count -= static_cast<int32_t>(stop) + unit_size;
      WCHAR* result;
      if (line.length == 0) {
        // The usual case: the whole line lies in the buffer; decode it from there.
        result = decode_onto_stack(run, stop, format, offset);
      } else {
        line.append(run, stop);
        result = decode_onto_stack(line.block, line.length, format, offset);
      }
      if (unit == kCr) {
        uint8_t next[2];
        if (file_read_bytes(file, next, unit_size) == unit_size && unit_value(next, utf16) != kLf) {
          file_unread_bytes(file, unit_size);
        }
      }
      return result;
    }
    // Refills, units split across a refill and unbuffered files: one unit at a time.
    uint8_t bytes[2];
    if (file_read_bytes(file, bytes, unit_size) < unit_size) break;
    unsigned unit = unit_value(bytes, utf16);
    if (unit == 0) break;
    if (line_ends && (unit == kCr || unit == kLf)) {
      if (unit == kCr) {
        uint8_t next[2];
        if (file_read_bytes(file, next, unit_size) == unit_size && unit_value(next, utf16) != kLf) {
          file_unread_bytes(file, unit_size);
        }
      }
      break;
    }
    line.append(bytes, static_cast<size_t>(unit_size));
  }
  return decode_onto_stack(line.block, line.length, format, offset);
}

// Writes a block of any size, in pieces the byte level takes; answers the bytes accepted.
static int64_t write_all(FileObject* file, const void* source, int64_t bytes) {
  constexpr int64_t piece = int64_t{1} << 30;
  const uint8_t* in = static_cast<const uint8_t*>(source);
  int64_t done = 0;
  while (done < bytes) {
    int32_t want = static_cast<int32_t>(bytes - done < piece ? bytes - done : piece);
    int32_t took = file_write_bytes(file, in + done, want);
    done += took;
    if (took < want) break;
  }
  return done;
}

int64_t file_write_text(int64_t number, const WCHAR* text, int32_t format) {
  FileObject* file = file_object(number);
  if (!file || !text || !text[0]) return 0;
  int64_t length = text_length(text);
  // Writing knows the three formats by their whole value; anything else is ANSI.
  if (format == FILE_FORMAT_UTF16LE) return write_all(file, text, length * 2);
  UINT code_page = format == FILE_FORMAT_UTF8 ? CP_UTF8 : CP_ACP;
  // Converted piece by piece into a local block, each piece taking what room
  // is left (three bytes at most a unit); a piece never ends between the
  // halves of a surrogate pair. The block goes to the platform when nearly
  // full: few, large writes.
  char local[32 * 1024];
  constexpr int kMostBytesAUnit = 3;
  constexpr int64_t kLeastPiece = 1024;  // units; less room than this sends the block first
  int used = 0;
  int64_t written = 0;
  const auto send_block = [&]() {
    const int64_t took = write_all(file, local, used);
    written += took;
    const bool whole = took == used;
    used = 0;
    return whole;
  };
  for (int64_t done = 0; done < length;) {
    int64_t room = (static_cast<int>(sizeof local) - used) / kMostBytesAUnit;
    if (room < kLeastPiece) {
      if (!send_block()) return written;
      continue;
    }
    int64_t units = length - done < room ? length - done : room;
    const WCHAR last = text[done + units - 1];
    if (done + units < length && last >= 0xD800 && last <= 0xDBFF) --units;  // a high surrogate
    const int bytes = WideCharToMultiByte(code_page, 0, text + done, static_cast<int>(units), local + used,
                                          static_cast<int>(sizeof local) - used, nullptr, nullptr);
    if (bytes <= 0) break;
    used += bytes;
    done += units;
  }
  if (used > 0) send_block();
  return written;
}

void file_write_line(int64_t number, const WCHAR* text, int32_t format) {
  FileObject* file = file_object(number);
  if (!file) return;
  file_write_text(number, text, format);
  static const uint8_t crlf16[4] = {kCr, 0, kLf, 0};
  static const uint8_t crlf8[2] = {kCr, kLf};
  if (format == FILE_FORMAT_UTF16LE) {
    file_write_bytes(file, crlf16, 4);
  } else {
    file_write_bytes(file, crlf8, 2);
  }
}

void file_write_bom(int64_t number, int32_t format) {
  FileObject* file = file_object(number);
  if (!file) return;
  static const uint8_t utf8_mark[3] = {0xEF, 0xBB, 0xBF};
  static const uint8_t utf16_mark[2] = {0xFF, 0xFE};
  if (format == FILE_FORMAT_UTF8) file_write_bytes(file, utf8_mark, 3);
  if (format == FILE_FORMAT_UTF16LE) file_write_bytes(file, utf16_mark, 2);
}

int file_ansi_is_utf8() { return GetACP() == CP_UTF8 ? 1 : 0; }

int file_fits_ansi(const WCHAR* text) {
  if (!text) return 1;
  int64_t length = 0;
  bool ascii = true;
  for (; text[length]; ++length) ascii = ascii && text[length] < 0x80;
  // Every ANSI code page keeps ASCII as it is: the usual line needs no conversion.
  if (ascii) return 1;
  const int units = static_cast<int>(length);
  if (file_ansi_is_utf8()) {
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, units, nullptr, 0, nullptr, nullptr) > 0 ? 1 : 0;
  }
  BOOL used_default = FALSE;
  int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, units, nullptr, 0, nullptr, &used_default);
  return bytes > 0 && !used_default ? 1 : 0;
}
