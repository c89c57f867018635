// Bookmark files: any bytes read as a bookmark file must give catalogue
// lines of exactly three non-empty fields with no "[]" inside one and no line
// break, each line once, the lines of a menu in one run; and those lines,
// written as a bookmark file and read again, must come back the same, in the
// same order, with nothing left out.
//
// Input: the file's bytes.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/bookmark_export.h"
#include "app/bookmark_import.h"
#include "fuzz_input.h"
#include "runtime/mem.h"
#include "runtime/text.h"

namespace {

std::vector<std::u16string> g_lines;

WCHAR* catalogue_line(int64_t index, int32_t offset) {
  const std::u16string& line = g_lines[static_cast<size_t>(index)];
  return text_stack_put(reinterpret_cast<const WCHAR*>(line.data()), static_cast<int64_t>(line.size()), offset);
}

std::vector<std::u16string> import(const std::string& bytes, BookmarkLines* result) {
  ByteSpan charset;
  const ImportProblem problem = ReadBookmarkLines(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), result,
                                                  &charset);
  FUZZ_CHECK(problem != ImportProblem::Memory, "out of memory");
  std::vector<std::u16string> lines;
  for (int64_t n = 0; problem == ImportProblem::None && n < result->count; ++n) {
    const int32_t saved = text_stack_top();
    lines.emplace_back(reinterpret_cast<const char16_t*>(BookmarkLineText(*result, n, saved)));
    text_stack_cut(saved);
  }
  return lines;
}

void check_line(const std::u16string& line) {
  LineFields fields{};
  FUZZ_CHECK(SplitLinkLine(reinterpret_cast<const WCHAR*>(line.c_str()), &fields), fuzz::show(line));
  FUZZ_CHECK(fields.address_end + 2 == static_cast<int64_t>(line.size()),
             "text after the third []: " + fuzz::show(line));
  FUZZ_CHECK(fields.menu_end > 0 && fields.title_end > fields.menu_end + 2 && fields.address_end > fields.title_end + 2,
             "an empty field: " + fuzz::show(line));
  FUZZ_CHECK(line.find_first_of(u"\r\n") == std::u16string::npos, "a line break: " + fuzz::show(line));
  for (size_t i = 0; i < line.size(); ++i) {
    const bool high = line[i] >= 0xD800 && line[i] <= 0xDBFF, low = line[i] >= 0xDC00 && line[i] <= 0xDFFF;
    const bool paired = high && i + 1 < line.size() && line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF;
    FUZZ_CHECK(!low && (!high || paired), "a surrogate alone: " + fuzz::show(line));
    if (paired) ++i;
  }
}

// Every line valid, each once, each menu's lines in one run.
void check_lines(const std::vector<std::u16string>& lines) {
  std::vector<std::u16string> menus_done;
  std::u16string menu;
  for (size_t i = 0; i < lines.size(); ++i) {
    check_line(lines[i]);
    for (size_t j = 0; j < i; ++j) FUZZ_CHECK(lines[j] != lines[i], "twice: " + fuzz::show(lines[i]));
    const std::u16string this_menu = lines[i].substr(0, lines[i].find(u"[]"));
    if (i > 0 && this_menu == menu) continue;
    for (const std::u16string& done : menus_done)
      FUZZ_CHECK(done != this_menu, "a menu in two runs: " + fuzz::show(this_menu));
    if (i > 0) menus_done.push_back(menu);
    menu = this_menu;
  }
}

std::string utf8(const WCHAR* text) {
  std::string out;
  for (; *text; ++text) {
    uint32_t c = *text;
    if (c >= 0xD800 && c <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (*++text - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6), out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12), out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18), out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F)), out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The lines written as a bookmark file, UTF-8 with CR LF, as the program writes it.
std::string export_lines() {
  BookmarkPlan plan;
  FUZZ_CHECK(PlanBookmarkFile(LineSource{static_cast<int64_t>(g_lines.size()), catalogue_line}, 1700000000, &plan),
             "out of memory");
  FUZZ_CHECK(plan.left_out == 0, "a line left out of the export");
  const LineSource file = BookmarkFileLines(&plan);
  std::string bytes;
  for (int64_t i = 0; i < file.count; ++i) {
    const int32_t saved = text_stack_top();
    bytes += utf8(file.line(i, saved)) + "\r\n";
    text_stack_cut(saved);
  }
  FreeBookmarkPlan(&plan);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mem_heap_init();
  text_heap_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BookmarkLines first;
  g_lines = import(std::string(reinterpret_cast<const char*>(data), size), &first);
  FreeBookmarkLines(&first);
  check_lines(g_lines);
  const std::string written = export_lines();
  BookmarkLines again;
  const std::vector<std::u16string> back = import(written, &again);
  int64_t skipped = 0;
  for (int64_t count : again.skipped) skipped += count;
  FUZZ_CHECK(skipped == 0 && again.duplicates == 0, "the export's import left links out");
  FreeBookmarkLines(&again);
  FUZZ_CHECK(back.size() == g_lines.size(), "lines " + std::to_string(g_lines.size()) + " came back as " +
                                                std::to_string(back.size()) + "\n" + written.substr(0, 2000));
  for (size_t i = 0; i < back.size(); ++i) {
    FUZZ_CHECK(back[i] == g_lines[i],
               "line " + std::to_string(i) + " " + fuzz::show(g_lines[i]) + " came back as " + fuzz::show(back[i]));
  }
  return 0;
}
