// A bookmark file's links as catalogue lines, "menu[]title[]address[]":
// - menu: the folder (<H3>) that holds the link, nested folders joined
//   outermost first as "Outer / Inner"; outside every folder the file's <H1>
//   text, or "Bookmarks"; in a file without folders whose links carry TAGS
//   (the link services' exports), the link's first tag;
// - title: the link's text, references decoded, white space runs one blank,
//   trimmed; the address when that leaves nothing;
// - address: HREF, references decoded, trimmed.
// "[]" inside a field becomes "[ ]". Links to place:, javascript:, data:,
// about:, chrome: and edge: pages and links without an address are left out
// and counted; an exact duplicate line is kept once. Menus come in the order
// their folders first appear (the <H1> menu and tag menus: their first link),
// and all lines of one menu form one run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/bookmark_text.h"
#include "app/text_table.h"

// Why a link was left out.
enum class SkipReason { Place, Javascript, Data, About, BrowserPage, NoAddress, Count };
constexpr int kSkipReasons = static_cast<int>(SkipReason::Count);

// A link of the file: its menu, and its title and address in the fields.
struct BookmarkLink {
  int64_t menu;  // while reading: its folder's menu, -1 outside every folder; in the result: its menu
  int64_t tag;   // the menu of its first tag, or -1
  int64_t seen;  // when it came, in tokens
  size_t title_at, title_length, address_at, address_length;
};

struct BookmarkLines {
  TextTable menu_names;           // by menu number
  UnitBuffer fields;              // the links' titles and addresses
  BookmarkLink* lines = nullptr;  // the lines kept, each once, in catalogue order
  int64_t count = 0;
  int64_t menus = 0;  // menus that hold lines
  int64_t skipped[kSkipReasons] = {};
  int64_t duplicates = 0;
  bool cut_short = false;  // the file ended inside a tag
};

enum class ImportProblem {
  None,
  Memory,   // not enough memory for the lines
  Charset,  // a <META> names a character set the program does not read (in *charset)
};

// Reads the file's bytes into lines; on a problem the result holds nothing.
ImportProblem ReadBookmarkLines(const uint8_t* bytes, size_t size, BookmarkLines* result, ByteSpan* charset);
void FreeBookmarkLines(BookmarkLines* result);

// Line n in catalogue order, "menu[]title[]address[]", written on the
// temporary string stack at offset (the answer is base + offset).
WCHAR* BookmarkLineText(const BookmarkLines& result, int64_t n, int32_t offset);

// The longest menu name an import makes, cut where longer; a deep path keeps
// its outermost folder and as many of the innermost as fit ("Outer / … / Inner").
constexpr size_t kLongestMenuName = 240;
