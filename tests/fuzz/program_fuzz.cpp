// The program on any catalogue: the bytes are opened through the Open
// button, built into a page and saved, and the saved catalogue is opened
// again. The list must come back the same; every line with exactly three
// delimiters must give exactly one option, inside the menus the model
// expects; and no field may ever open an element or add an attribute: a
// small HTML tokenizer reads the page, and each option's value and text,
// once their character references are read, must be the line's fields with
// theirs read the same way.
//
// Input: the catalogue's bytes. Windows-1252 is the active code page.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/state.h"
#include "desktop/req.h"
#include "fuzz_input.h"
#include "platform/win32.h"
#include "platform/win32/kernel/codepage.h"

namespace {

std::string g_folder;
std::u16string g_catalogue;
int g_boxes = 0;

// The open dialog answers with the catalogue at once.
BOOL answer_dialog(OPENFILENAMEW* dialog, int) {
  if (g_catalogue.size() + 1 > dialog->nMaxFile) return FALSE;
  std::copy(g_catalogue.begin(), g_catalogue.end(), dialog->lpstrFile);
  dialog->lpstrFile[g_catalogue.size()] = 0;
  return TRUE;
}

// Every box the program shows is counted and closed.
void CALLBACK close_boxes(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = GetActiveWindow();
  WCHAR cls[16] = {};
  if (box) GetClassNameW(box, cls, 16);
  if (std::u16string(reinterpret_cast<const char16_t*>(cls)) != u"#32770") return;
  ++g_boxes;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

std::vector<std::u16string> list_lines() {
  std::vector<std::u16string> out;
  for (int64_t i = 0; i < gadget_item_count(ListViewLinks); ++i) {
    const int32_t saved = text_stack_top();
    out.emplace_back(reinterpret_cast<const char16_t*>(gadget_item_text(ListViewLinks, i, saved)));
    text_stack_cut(saved);
  }
  return out;
}

std::string read_file(const std::string& leaf) {
  std::ifstream in(g_folder + leaf, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the program keeps of an unpaired surrogate: U+FFFD, as UTF-8 writes it.
std::u16string kept(const std::u16string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += c;
      out += text[++i];
    } else {
      out += high || low ? u'\uFFFD' : c;
    }
  }
  return out;
}

// Character references read as a browser reads the few this program writes
// or keeps: &lt; &gt; &quot; &amp; and numeric ones; other names stay as they are.
std::u16string read_references(const std::u16string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t end = text[i] == u'&' ? text.find(u';', i) : std::u16string::npos;
    if (end == std::u16string::npos) {
      out += text[i];
      continue;
    }
    const std::u16string name = text.substr(i + 1, end - i - 1);
    uint32_t value = 0;
    bool known = true, numeric = name.size() > 1 && name[0] == u'#';
    if (name == u"lt") value = '<';
    else if (name == u"gt") value = '>';
    else if (name == u"quot") value = '"';
    else if (name == u"amp") value = '&';
    else if (numeric) {
      const bool hex = name[1] == u'x' || name[1] == u'X';
      const size_t first = hex ? 2 : 1;
      known = name.size() > first && name.size() - first < 8;
      for (size_t k = first; known && k < name.size(); ++k) {
        const char16_t d = name[k];
        int digit = d >= u'0' && d <= u'9'          ? d - u'0'
                    : hex && d >= u'a' && d <= u'f' ? d - u'a' + 10
                    : hex && d >= u'A' && d <= u'F' ? d - u'A' + 10
                                                    : -1;
        known = digit >= 0;
        value = value * (hex ? 16 : 10) + static_cast<uint32_t>(digit < 0 ? 0 : digit);
      }
      known = known && value > 0 && value <= 0x10FFFF;
    } else {
      known = false;
    }
    if (!known) {
      out += text[i];
      continue;
    }
    if (value >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(value);
    }
    i = end;
  }
  return out;
}

struct Tag {
  std::u16string name;
  bool end = false;
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  std::u16string text_after;  // the text up to the next tag
};

// The tags of a page, as an HTML tokenizer in its data state sees them.
std::vector<Tag> tokenize(const std::u16string& page) {
  std::vector<Tag> tags;
  size_t i = page.find(u'<');
  auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  auto space = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; };
  while (i != std::u16string::npos && i < page.size()) {
    Tag tag;
    size_t at = i + 1;
    if (at < page.size() && page[at] == u'/') tag.end = true, ++at;
    if (at >= page.size() || !letter(page[at])) {  // not a tag: text
      i = page.find(u'<', i + 1);
      continue;
    }
    while (at < page.size() && !space(page[at]) && page[at] != u'>' && page[at] != u'/') tag.name += page[at++];
    for (;;) {
      while (at < page.size() && (space(page[at]) || page[at] == u'/')) ++at;
      if (at >= page.size() || page[at] == u'>') break;
      std::u16string name, value;
      while (at < page.size() && !space(page[at]) && page[at] != u'=' && page[at] != u'>') name += page[at++];
      if (at < page.size() && page[at] == u'=') {
        ++at;
        const char16_t quote = at < page.size() && (page[at] == u'"' || page[at] == u'\'') ? page[at++] : 0;
        while (at < page.size() && (quote ? page[at] != quote : !space(page[at]) && page[at] != u'>'))
          value += page[at++];
        if (quote && at < page.size()) ++at;
      }
      tag.attributes.emplace_back(name, value);
    }
    const size_t next = page.find(u'<', at);
    if (at < page.size())
      tag.text_after = page.substr(at + 1, next == std::u16string::npos ? std::u16string::npos : next - at - 1);
    tags.push_back(tag);
    i = next;
  }
  return tags;
}

std::u16string field(const std::u16string& line, int n) {
  size_t start = 0;
  for (int k = 1; k < n; ++k) start = line.find(u"[]", start) + 2;
  return line.substr(start, line.find(u"[]", start) - start);
}

size_t delimiters(const std::u16string& line) {
  size_t count = 0;
  for (size_t at = line.find(u"[]"); at != std::u16string::npos; at = line.find(u"[]", at + 2)) ++count;
  return count;
}

std::string show(const std::u16string& text) { return fuzz::show(text); }

void check_page(const std::vector<std::u16string>& lines) {
  std::u16string page;
  for (unsigned char c : read_file("links.html")) page += cp1252_to_unit(c);
  const std::vector<Tag> tags = tokenize(page);
  size_t t = 5;  // after the header's html, body, table, tr, td
  FUZZ_CHECK(tags.size() >= 5 + 7, "the page's frame");
  std::u16string last_menu;
  bool first = true;
  for (const std::u16string& line : lines) {
    if (delimiters(line) != 3) continue;
    const std::u16string menu = field(line, 1);
    if (first || menu != last_menu) {
      if (!first) {
        FUZZ_CHECK(tags[t].name == u"select" && tags[t].end, "a menu's end before " + show(line));
        ++t;
      }
      FUZZ_CHECK(t + 2 < tags.size() && tags[t].name == u"select" && !tags[t].end, "a new menu for " + show(line));
      FUZZ_CHECK(tags[t].attributes.size() == 3, "the menu's attributes for " + show(line));
      const Tag& caption = tags[t + 1];
      FUZZ_CHECK(caption.name == u"option" && caption.attributes.size() == 2, "the caption of " + show(line));
      FUZZ_CHECK(read_references(caption.text_after) == read_references(kept(menu)),
                 "the caption " + show(caption.text_after) + " of " + show(line));
      FUZZ_CHECK(tags[t + 2].name == u"option" && tags[t + 2].end, "the caption's end");
      t += 3;
      last_menu = menu;
      first = false;
    }
    FUZZ_CHECK(t + 1 < tags.size(), "an option for " + show(line));
    const Tag& option = tags[t];
    FUZZ_CHECK(option.name == u"option" && !option.end && option.attributes.size() == 1 &&
                   option.attributes[0].first == u"value",
               "the option of " + show(line));
    FUZZ_CHECK(read_references(option.attributes[0].second) == read_references(kept(field(line, 3))),
               "the address " + show(option.attributes[0].second) + " of " + show(line));
    FUZZ_CHECK(read_references(option.text_after) == read_references(kept(field(line, 2))),
               "the title " + show(option.text_after) + " of " + show(line));
    FUZZ_CHECK(tags[t + 1].name == u"option" && tags[t + 1].end, "the option's end");
    t += 2;
  }
  const std::u16string closing[] = {u"select", u"td", u"tr", u"table", u"br", u"body", u"html"};
  FUZZ_CHECK(tags.size() == t + 7, "nothing but the closing line after the options");
  for (const std::u16string& name : closing) FUZZ_CHECK(tags[t++].name == name, "the closing line");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Windows-1252 as the active code page: characters it lacks are the ones that must not get lost.
  setenv("LC_ALL", "C", 1);
  if (GetACP() != 1252) std::abort();
  g_folder = fuzz::scratch_path("program") + "/";
  std::filesystem::create_directories(g_folder);
  std::ofstream(g_folder + "Webrolo_HtmlHdr.txt", std::ios::binary) << "<html><body><table><tr><td>\r\n";
  g_catalogue.assign(g_folder.begin(), g_folder.end());
  g_catalogue += u"links.txt";
  StartUp();
  req_set_file_dialog_routine(answer_dialog);
  SetTimer(nullptr, 0, 10, close_boxes);
  return 0;
}

// The program writes in its current folder; libFuzzer writes its corpus by relative paths.
struct InScratchFolder {
  std::filesystem::path before = std::filesystem::current_path();
  InScratchFolder() { std::filesystem::current_path(g_folder); }
  ~InScratchFolder() { std::filesystem::current_path(before); }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InScratchFolder here;
  std::ofstream(g_folder + "links.txt", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  FileSaved = 1;
  g_boxes = 0;
  OpenBtn_Clicked();
  const std::vector<std::u16string> lines = list_lines();
  FUZZ_CHECK(g_boxes == 0, "opening a readable file asks nothing");
  FUZZ_CHECK(text_to_int(LinkCountText) == static_cast<int64_t>(lines.size()), "the count shown");

  BuildHtmlPage();
  size_t invalid = 0;
  for (const std::u16string& line : lines) invalid += delimiters(line) != 3 ? 1 : 0;
  if (lines.empty()) {
    FUZZ_CHECK(g_boxes == 1, "an empty list is refused with one box");
  } else {
    FUZZ_CHECK(g_boxes == static_cast<int>(invalid), "one box for each line without three delimiters");
    check_page(lines);
  }

  if (!lines.empty()) {
    SaveFileBtn_Clicked();
    FUZZ_CHECK(FileSaved == 1, "the save worked");
    OpenBtn_Clicked();
    const std::vector<std::u16string> again = list_lines();
    FUZZ_CHECK(again.size() == lines.size(), "the saved catalogue has as many lines");
    for (size_t i = 0; i < lines.size(); ++i) {
      FUZZ_CHECK(again[i] == kept(lines[i]),
                 "line " + std::to_string(i) + ": " + show(lines[i]) + " came back as " + show(again[i]));
    }
  }
  return 0;
}
