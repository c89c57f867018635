// The line reader: any bytes, written to a file, read back with
// file_read_bom and file_read_line until file_at_end, in a text format the
// input chooses, must give exactly the lines, positions and end answers of a
// plain line-splitting model: units of one or two bytes, CR LF, LF and CR as
// line ends (unless the format says to ignore them), a zero unit ending a
// line, a part unit at the end read and dropped, and each line decoded on its
// own (UTF-16 units as they are, UTF-8 and Windows-1252 by their tables).
//
// Input: a control byte (format choice, line ends ignored, unbuffered file),
// a format byte, a filler count, a stack offset, a filler line length, then
// the file's bytes. The filler (lines of 'a' after the mark) moves everything
// past the 4096-byte buffer's edges without the fuzzer having to grow the input.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/win32.h"
#include "platform/win32/kernel/codepage.h"
#include "runtime/file.h"
#include "runtime/mem.h"
#include "runtime/text.h"
#include "utf8_model.h"

namespace {

std::string g_path;
std::u16string g_wide_path;

struct Mark {
  int32_t format;
  size_t length;
};

Mark model_mark(const std::string& b) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(b[i]); };
  size_t n = b.size();
  if (n >= 4 && at(0) == 0xFF && at(1) == 0xFE && at(2) == 0 && at(3) == 0) return {FILE_FORMAT_UTF32LE, 4};
  if (n >= 4 && at(0) == 0 && at(1) == 0 && at(2) == 0xFE && at(3) == 0xFF) return {FILE_FORMAT_UTF32BE, 4};
  if (n >= 2 && at(0) == 0xFF && at(1) == 0xFE) return {FILE_FORMAT_UTF16LE, 2};
  if (n >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return {FILE_FORMAT_UTF8, 3};
  if (n >= 2 && at(0) == 0xFE && at(1) == 0xFF) return {FILE_FORMAT_UTF16BE, 2};
  return {FILE_FORMAT_ANSI, 0};
}

struct Line {
  std::u16string text;
  size_t end;  // the byte position after the line and its line end
};

std::u16string decode(const std::string& units, int32_t encoding) {
  std::u16string out;
  if (encoding == FILE_FORMAT_UTF16LE) {
    for (size_t i = 0; i + 1 < units.size(); i += 2)
      out += static_cast<char16_t>(static_cast<unsigned char>(units[i]) | static_cast<unsigned char>(units[i + 1])
                                                                              << 8);
  } else if (encoding == FILE_FORMAT_UTF8) {
    out = fuzz::utf8_model(units);
  } else {
    // The harness runs with Windows-1252 as the active code page; the table itself is tested elsewhere.
    for (char c : units) out += cp1252_to_unit(static_cast<unsigned char>(c));
  }
  return out;
}

// The lines from a position to the end, one unit at a time.
std::vector<Line> model_lines(const std::string& b, size_t pos, int32_t format) {
  const int32_t encoding = format & 31;
  const size_t unit = encoding == FILE_FORMAT_UTF16LE ? 2 : 1;
  const bool line_ends = (format & FILE_READ_IGNORE_LINE_ENDS) == 0;
  auto value = [&](size_t at) {
    unsigned v = static_cast<unsigned char>(b[at]);
    return unit == 2 ? v | static_cast<unsigned char>(b[at + 1]) << 8 : v;
  };
  std::vector<Line> lines;
  while (pos < b.size()) {
    std::string units;
    for (;;) {
      if (b.size() - pos < unit) {  // a part unit: read, and the line ends
        pos = b.size();
        break;
      }
      unsigned u = value(pos);
      pos += unit;
      if (u == 0) break;
      if (line_ends && (u == 10 || u == 13)) {
        if (u == 13) {
          if (b.size() - pos >= unit) {
            if (value(pos) == 10) pos += unit;
          } else {
            pos = b.size();  // a part unit after CR is read too, and not given back
          }
        }
        break;
      }
      units.append(b, pos - unit, unit);
    }
    lines.push_back(Line{decode(units, encoding), pos});
  }
  return lines;
}

std::u16string on_stack(const WCHAR* text) { return std::u16string(reinterpret_cast<const char16_t*>(text)); }

// The format the lines are read in: the mark's, a fixed one, or any value at all.
int32_t chosen_format(uint8_t control, uint8_t format_byte, const Mark& mark) {
  int32_t format;
  switch (control & 7) {
    case 0:
    case 1:
      format = mark.format == FILE_FORMAT_UTF16LE || mark.format == FILE_FORMAT_UTF8 ? mark.format : FILE_FORMAT_ANSI;
      break;
    case 2: format = FILE_FORMAT_ANSI; break;
    case 3: format = FILE_FORMAT_UTF8; break;
    case 4: format = FILE_FORMAT_UTF16LE; break;
    default: format = format_byte;  // any value: only its low five bits choose
  }
  if (control & 8) format |= FILE_READ_IGNORE_LINE_ENDS;
  return format;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Windows-1252 as the active code page, whatever the machine's locale.
  setenv("LC_ALL", "C", 1);
  if (GetACP() != 1252) std::abort();
  mem_heap_init();
  file_library_init();
  g_path = fuzz::scratch_path("lines.txt");
  g_wide_path.assign(g_path.begin(), g_path.end());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const uint8_t control = in.byte();
  const uint8_t format_byte = in.byte();
  int filler = in.u16() % 9000;
  const int below = in.byte() % 40;  // units of someone else's text below the line's offset
  const int fill_line = in.byte();   // units of a filler line; 0: one line without end
  std::string bytes = in.rest();

  const Mark mark = model_mark(bytes);
  const int32_t format = chosen_format(control, format_byte, mark);
  // An unbuffered file costs a system call per unit and has no buffer edges to move past.
  const bool unbuffered = control & 16;
  if (unbuffered) filler %= 64;
  // Lines of 'a' behind the mark, in units of the chosen format.
  std::string fill;
  const bool wide = (format & 31) == FILE_FORMAT_UTF16LE;
  for (int i = 0; i < filler; ++i) {
    char c = fill_line && i % (fill_line + 1) == fill_line ? '\n' : 'a';
    fill += c;
    if (wide) fill += '\0';
  }
  bytes.insert(mark.length, fill);

  FILE* f = std::fopen(g_path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) std::abort();

  // A fresh 16-byte stack for each input, so the lines make it grow.
  text_heap_init();
  FUZZ_CHECK(file_open_read(1, reinterpret_cast<const WCHAR*>(g_wide_path.c_str())) != 0, g_path);
  if (unbuffered) {
    // A file whose buffer could not be had reads straight from the platform.
    FileObject* file = file_object(1);
    mem_free(file->buffer);
    file->buffer = nullptr;
  }
  const int32_t found = file_read_bom(1);
  FUZZ_CHECK(found == mark.format, std::to_string(found));
  FUZZ_CHECK(file_position(1) == static_cast<int64_t>(mark.length), std::to_string(file_position(1)));

  const std::vector<Line> lines = model_lines(bytes, mark.length, format);
  for (int i = 0; i < below; ++i) text_push(TEXT("x"));
  const int32_t offset = text_stack_top();
  size_t read = 0;
  for (;;) {
    const int32_t end = file_at_end(1);
    const bool model_end = read == lines.size();
    FUZZ_CHECK(end == (model_end ? (unbuffered ? -1 : 1) : 0),
               "line " + std::to_string(read) + ": file_at_end " + std::to_string(end));
    if (end) break;
    const WCHAR* line = file_read_line(1, format, offset);
    const std::u16string got = on_stack(line);
    FUZZ_CHECK(line == text_stack_at(offset), "the line lies at its offset");
    FUZZ_CHECK(got == lines[read].text,
               "line " + std::to_string(read) + ": " + fuzz::show(got) + " wanted " + fuzz::show(lines[read].text));
    FUZZ_CHECK(text_stack_top() == offset + 2 * static_cast<int32_t>(got.size()), "the top sits behind the line");
    FUZZ_CHECK(file_position(1) == static_cast<int64_t>(lines[read].end),
               "line " + std::to_string(read) + ": position " + std::to_string(file_position(1)) + " wanted " +
                   std::to_string(lines[read].end));
    text_stack_cut(offset);
    ++read;
  }
  // Reading past the end gives the empty string and moves nothing.
  FUZZ_CHECK(on_stack(file_read_line(1, format, offset)).empty(), "a line past the end");
  FUZZ_CHECK(file_position(1) == static_cast<int64_t>(bytes.size()), "the position past the end");
  const WCHAR* base = text_stack_base();
  for (int i = 0; i < below; ++i) FUZZ_CHECK(base[i] == 'x', "the text below the offset is kept");
  file_close(1);
  text_heap_end();
  return 0;
}
