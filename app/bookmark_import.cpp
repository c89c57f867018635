#include "app/bookmark_import.h"

#include <algorithm>
#include <cstring>

#include "app/bookmark_reader.h"
#include "gui/busy.h"
#include "runtime/mem.h"
#include "runtime/text.h"

namespace {

constexpr int64_t kNoMenu = -1;
constexpr int64_t kNoMemory = -2;  // a menu could not be made: memory is exhausted
constexpr int64_t kNever = INT64_MAX;
const WCHAR kDefaultMenu[] = TEXT("Bookmarks");
const WCHAR kJoin[] = TEXT(" / ");
const WCHAR kShortened[] = TEXT(" / \u2026 / ");

// One open list (<DL>, <UL>, <OL>); it is a folder when a named <H3> came before it.
struct Level {
  size_t name_at = 0;         // its folder's name in Mapper::names
  size_t name_length = 0;     // 0: no folder of its own, its links go to the enclosing folder's menu
  int64_t named_parent = -1;  // the nearest enclosing folder, -1 for none
  int64_t outermost = -1;     // the outermost folder of its path
  int64_t folder = -1;        // the folder whose menu its links go to (itself when it is one), -1 for none
  int64_t opened = 0;         // when it opened, in tokens
  int64_t menu = kNoMenu;     // its menu, once a link needed it
};

struct Mapper {
  FileEncoding encoding = FileEncoding::Utf8;
  Level* levels = nullptr;
  int64_t depth = 0, level_room = 0;
  UnitBuffer names;  // the folder names of the open levels, a stack like them
  UnitBuffer folder, heading, work;
  bool folder_waiting = false, heading_seen = false, folders_seen = false, tags_seen = false;
  int64_t* rank = nullptr;  // of each menu: when its first folder or link came
  int64_t rank_room = 0;
  BookmarkLink* links = nullptr;
  int64_t link_count = 0, link_room = 0;
  int64_t tokens = 0;
  BookmarkLines* result = nullptr;

  ~Mapper() {
    for (UnitBuffer* buffer : {&names, &folder, &heading, &work}) UnitBufferFree(buffer);
    mem_free(levels);
    mem_free(rank);
    mem_free(links);
  }
};

bool Decode(Mapper* m, ByteSpan bytes, FieldKind kind, UnitBuffer* out) {
  return DecodeField(bytes, kind, m->encoding, out);
}

// The length of a name cut to kLongestMenuName units, not inside a character, no blank at the end.
size_t ShortLength(const WCHAR* name, size_t length) {
  if (length <= kLongestMenuName) return length;
  length = kLongestMenuName;
  if (name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF) --length;
  while (length && name[length - 1] == ' ') --length;
  return length;
}

void Shorten(UnitBuffer* name) { name->used = ShortLength(name->units, name->used); }

// The menu of a name, its rank lowered to `when` if that is earlier; -1 when memory is exhausted.
int64_t MenuOf(Mapper* m, const WCHAR* name, size_t length, int64_t when) {
  bool added = false;
  const int64_t menu = TextTableAdd(&m->result->menu_names, name, ShortLength(name, length), &added);
  if (menu < 0 || !GrowArray(&m->rank, &m->rank_room, menu + 1)) return -1;
  if (added) m->rank[menu] = kNever;
  m->rank[menu] = std::min(m->rank[menu], when);
  return menu;
}

bool Append(UnitBuffer* out, const WCHAR* text) {
  return UnitBufferAppend(out, text, static_cast<size_t>(text_length(text)));
}

bool AppendName(Mapper* m, const Level& level) {
  return UnitBufferAppend(&m->work, m->names.units + level.name_at, level.name_length);
}

// The menu name of a folder: its path outermost first; a path too long for a
// menu keeps its outermost folder and as many of the innermost as fit.
bool FolderMenuName(Mapper* m, int64_t folder) {
  constexpr int kMostParts = kLongestMenuName / 4 + 2;
  int64_t parts[kMostParts];
  int count = 0;
  size_t total = 0;
  int64_t k = folder;
  for (; k >= 0 && count < kMostParts; k = m->levels[k].named_parent) {
    const size_t length = m->levels[k].name_length + (count ? 3 : 0);
    if (count && total + length > kLongestMenuName) break;
    parts[count++] = k;
    total += length;
  }
  m->work.used = 0;
  if (k >= 0) {
    // The outermost folder goes first: the parts next to it give it room.
    const int64_t outermost = m->levels[folder].outermost;
    const size_t before = m->levels[outermost].name_length + 7;
    while (count > 1 && total + before > kLongestMenuName) total -= m->levels[parts[--count]].name_length + 3;
    const bool next_to_it = m->levels[parts[count - 1]].named_parent == outermost;
    if (!AppendName(m, m->levels[outermost]) || !Append(&m->work, next_to_it ? kJoin : kShortened)) return false;
  }
  for (int i = count - 1; i >= 0; --i) {
    if (!AppendName(m, m->levels[parts[i]]) || (i && !Append(&m->work, kJoin))) return false;
  }
  return true;
}

int64_t LevelMenu(Mapper* m) {
  if (m->depth == 0 || m->levels[m->depth - 1].folder < 0) return kNoMenu;
  Level& level = m->levels[m->levels[m->depth - 1].folder];
  if (level.menu == kNoMenu) {
    if (!FolderMenuName(m, m->levels[m->depth - 1].folder)) return kNoMemory;
    level.menu = MenuOf(m, m->work.units, m->work.used, level.opened);
    if (level.menu < 0) return level.menu = kNoMenu, kNoMemory;
  }
  return level.menu;
}

bool OpenList(Mapper* m) {
  if (!GrowArray(&m->levels, &m->level_room, m->depth + 1)) return false;
  const Level* parent = m->depth ? &m->levels[m->depth - 1] : nullptr;
  Level level;
  level.opened = ++m->tokens;
  level.name_at = m->names.used;
  if (m->folder_waiting && m->folder.used) {
    if (!UnitBufferAppend(&m->names, m->folder.units, m->folder.used)) return false;
    level.name_length = m->folder.used;
  }
  m->folder_waiting = false;
  const int64_t parent_folder = parent ? parent->folder : -1;
  if (level.name_length) {
    level.named_parent = parent_folder;
    level.outermost = parent_folder >= 0 ? m->levels[parent_folder].outermost : m->depth;
    level.folder = m->depth;
  } else {
    level.folder = parent_folder;
  }
  m->levels[m->depth++] = level;
  return true;
}

void CloseList(Mapper* m) {
  m->folder_waiting = false;
  if (m->depth == 0) return;  // a </DL> too many
  m->names.used = m->levels[--m->depth].name_at;
}

// Why an address is left out, or SkipReason::Count when it is kept.
SkipReason SkipOf(const WCHAR* address, size_t length) {
  if (length == 0) return SkipReason::NoAddress;
  struct Scheme {
    const char* name;
    SkipReason reason;
  };
  static const Scheme kSchemes[] = {{"place:", SkipReason::Place},        {"javascript:", SkipReason::Javascript},
                                    {"data:", SkipReason::Data},          {"about:", SkipReason::About},
                                    {"chrome:", SkipReason::BrowserPage}, {"edge:", SkipReason::BrowserPage}};
  for (const Scheme& scheme : kSchemes) {
    size_t i = 0;
    for (; scheme.name[i] && i < length; ++i) {
      const WCHAR unit = address[i] >= 'A' && address[i] <= 'Z' ? address[i] | 0x20 : address[i];
      if (unit != static_cast<WCHAR>(scheme.name[i])) break;
    }
    if (!scheme.name[i]) return scheme.reason;
  }
  return SkipReason::Count;
}

// The first non-empty tag of a TAGS value ("news,daily"), or kNoMenu.
int64_t FirstTag(Mapper* m, ByteSpan tags, int64_t when) {
  m->work.used = 0;
  if (!Decode(m, tags, FieldKind::Value, &m->work)) return kNoMemory;
  size_t start = 0;
  for (size_t i = 0; i <= m->work.used; ++i) {
    if (i < m->work.used && m->work.units[i] != ',') continue;
    size_t from = start, to = i;
    while (from < to && m->work.units[from] == ' ') ++from;
    while (to > from && m->work.units[to - 1] == ' ') --to;
    if (to > from) {
      const int64_t menu = MenuOf(m, m->work.units + from, to - from, when);
      return menu < 0 ? kNoMemory : menu;
    }
    start = i + 1;
  }
  return kNoMenu;
}

bool AddLink(Mapper* m, const BookmarkToken& token) {
  BookmarkLink link{};
  link.seen = ++m->tokens;
  const size_t start = m->result->fields.used;
  if (token.has_href && !Decode(m, token.href, FieldKind::Address, &m->result->fields)) return false;
  link.address_at = start;
  link.address_length = m->result->fields.used - start;
  const SkipReason skip = SkipOf(m->result->fields.units + start, link.address_length);
  if (skip != SkipReason::Count) {
    ++m->result->skipped[static_cast<int>(skip)];
    m->result->fields.used = start;
    return true;
  }
  link.title_at = m->result->fields.used;
  if (!Decode(m, token.text, FieldKind::Text, &m->result->fields)) return false;
  link.title_length = m->result->fields.used - link.title_at;
  // No text: the address, read as a text is, so that it reads back the same from a title.
  if (link.title_length == 0) {
    // Room first: the address is read from the buffer the title goes into.
    if (!UnitBufferReserve(&m->result->fields, link.address_length * 3 / 2 + 1)) return false;
    TidyAsText(m->result->fields.units + start, link.address_length, &m->result->fields);
    // An address of blanks that are no white space to it (no-break spaces) is its own title.
    if (m->result->fields.used == link.title_at) link.title_at = link.address_at;
  }
  link.title_length = link.title_at == link.address_at ? link.address_length : m->result->fields.used - link.title_at;
  link.tag = token.tags.size ? FirstTag(m, token.tags, link.seen) : kNoMenu;
  link.menu = LevelMenu(m);
  if (link.tag == kNoMemory || link.menu == kNoMemory || !GrowArray(&m->links, &m->link_room, m->link_count + 1))
    return false;
  m->tags_seen = m->tags_seen || link.tag >= 0;
  m->links[m->link_count++] = link;
  return true;
}

// Hands one token to its step; false when memory is exhausted.
bool Take(Mapper* m, const BookmarkToken& token) {
  switch (token.kind) {
    case BookmarkTokenKind::Heading:
      if (m->heading_seen) return true;
      m->heading_seen = true;
      if (!Decode(m, token.text, FieldKind::Text, &m->heading)) return false;
      Shorten(&m->heading);
      return true;
    case BookmarkTokenKind::Folder:
      m->folders_seen = m->folder_waiting = true;
      m->folder.used = 0;
      if (!Decode(m, token.text, FieldKind::Text, &m->folder)) return false;
      Shorten(&m->folder);
      return true;
    case BookmarkTokenKind::ListOpen: return OpenList(m);
    case BookmarkTokenKind::ListClose: CloseList(m); return true;
    case BookmarkTokenKind::Link: return AddLink(m, token);
    default: return true;
  }
}

// The menu of the links outside every folder: the <H1> text, or "Bookmarks".
int64_t OutsideMenu(Mapper* m, int64_t when) {
  if (m->heading.used) return MenuOf(m, m->heading.units, m->heading.used, when);
  return MenuOf(m, kDefaultMenu, static_cast<size_t>(text_length(kDefaultMenu)), when);
}

// The menu of each link, once the whole file is known: with no folder in
// the file, a link's first tag; otherwise its folder's; else the <H1> menu.
bool ResolveMenus(Mapper* m) {
  const bool by_tag = !m->folders_seen && m->tags_seen;
  if (by_tag) std::fill(m->rank, m->rank + m->result->menu_names.count, kNever);
  for (int64_t i = 0; i < m->link_count; ++i) {
    BookmarkLink& link = m->links[i];
    if (by_tag && link.tag >= 0) link.menu = link.tag;
    if (link.menu == kNoMenu) link.menu = OutsideMenu(m, link.seen);
    if (link.menu < 0) return false;
    m->rank[link.menu] = std::min(m->rank[link.menu], link.seen);
  }
  return true;
}

uint32_t HashOf(const WCHAR* units, const BookmarkLink& link) {
  uint32_t hash = 2166136261u ^ static_cast<uint32_t>(link.menu);
  for (size_t i = 0; i < link.title_length; ++i) hash = (hash ^ units[link.title_at + i]) * 16777619u;
  for (size_t i = 0; i < link.address_length; ++i) hash = (hash ^ units[link.address_at + i]) * 16777619u;
  return hash;
}

bool SameLine(const WCHAR* units, const BookmarkLink& a, const BookmarkLink& b) {
  return a.menu == b.menu && a.title_length == b.title_length && a.address_length == b.address_length &&
         std::memcmp(units + a.title_at, units + b.title_at, a.title_length * sizeof(WCHAR)) == 0 &&
         std::memcmp(units + a.address_at, units + b.address_at, a.address_length * sizeof(WCHAR)) == 0;
}

// Drops each link whose line an earlier link has; the others move to the front, in file order.
bool DropDuplicates(Mapper* m) {
  size_t slots = 1024;
  while (slots < static_cast<size_t>(m->link_count) * 2) slots *= 2;
  auto* slot = static_cast<int64_t*>(mem_alloc_zero(slots * sizeof(int64_t)));  // kept link + 1, 0 for none
  if (!slot) return false;
  const WCHAR* units = m->result->fields.units;
  int64_t kept = 0;
  for (int64_t i = 0; i < m->link_count; ++i) {
    const BookmarkLink link = m->links[i];
    size_t at = HashOf(units, link) & (slots - 1);
    while (slot[at] && !SameLine(units, m->links[slot[at] - 1], link)) at = (at + 1) & (slots - 1);
    if (slot[at]) {
      ++m->result->duplicates;
      continue;
    }
    m->links[kept] = link;
    slot[at] = ++kept;
  }
  mem_free(slot);
  m->link_count = kept;
  return true;
}

// The lines in catalogue order: menus by rank, each menu's lines in one run in file order.
bool OrderLines(Mapper* m) {
  BookmarkLines* result = m->result;
  const int64_t menus = result->menu_names.count, lines = m->link_count;
  auto* run_start = static_cast<int64_t*>(mem_alloc_zero(static_cast<size_t>(menus + 1) * sizeof(int64_t)));
  auto* ranked = static_cast<int64_t*>(mem_alloc(static_cast<size_t>(menus + 1) * sizeof(int64_t)));
  result->lines = static_cast<BookmarkLink*>(mem_alloc(static_cast<size_t>(lines + 1) * sizeof(BookmarkLink)));
  const bool room = run_start && ranked && result->lines;
  if (room) {
    for (int64_t line = 0; line < lines; ++line) ++run_start[m->links[line].menu];
    for (int64_t menu = 0; menu < menus; ++menu) {
      if (run_start[menu]) ranked[result->menus++] = menu;
    }
    const int64_t* rank = m->rank;
    std::sort(ranked, ranked + result->menus,
              [rank](int64_t a, int64_t b) { return rank[a] < rank[b] || (rank[a] == rank[b] && a < b); });
    int64_t at = 0;
    for (int64_t i = 0; i < result->menus; ++i) {
      const int64_t count = run_start[ranked[i]];
      run_start[ranked[i]] = at;
      at += count;
    }
    for (int64_t line = 0; line < lines; ++line) result->lines[run_start[m->links[line].menu]++] = m->links[line];
    result->count = lines;
  }
  mem_free(run_start);
  mem_free(ranked);
  return room;
}

}  // namespace

ImportProblem ReadBookmarkLines(const uint8_t* bytes, size_t size, BookmarkLines* result, ByteSpan* charset) {
  *result = BookmarkLines{};
  Mapper m;
  m.result = result;
  // Titles and addresses take at most a unit for each byte of the file, and
  // seldom much less: room for them at once spares copying them as they grow.
  if (!UnitBufferReserve(&result->fields, size)) return ImportProblem::Memory;
  BookmarkReader reader;
  StartBookmarkReader(&reader, bytes, size);
  bool charset_seen = false, room = true;
  for (BookmarkToken token; room && NextBookmarkToken(&reader, &token);) {
    win_busy_step();
    if (token.kind != BookmarkTokenKind::Charset) {
      room = Take(&m, token);
    } else if (!charset_seen) {  // the first one counts, as in a browser
      charset_seen = true;
      if (!EncodingOfCharset(token.charset, &m.encoding)) {
        *charset = token.charset;
        FreeBookmarkLines(result);
        return ImportProblem::Charset;
      }
    }
  }
  result->cut_short = reader.cut_short;
  if (room && ResolveMenus(&m) && DropDuplicates(&m) && OrderLines(&m)) return ImportProblem::None;
  FreeBookmarkLines(result);
  return ImportProblem::Memory;
}

void FreeBookmarkLines(BookmarkLines* result) {
  TextTableFree(&result->menu_names);
  UnitBufferFree(&result->fields);
  mem_free(result->lines);
  *result = BookmarkLines{};
}

WCHAR* BookmarkLineText(const BookmarkLines& result, int64_t n, int32_t offset) {
  const BookmarkLink& line = result.lines[n];
  const size_t menu_length = TextTableLength(result.menu_names, line.menu);
  const size_t length = menu_length + line.title_length + line.address_length + 6;
  WCHAR* out = text_stack_reserve(static_cast<int32_t>(length), offset);
  const auto put = [&out](const WCHAR* units, size_t count) {
    if (count) std::memcpy(out, units, count * sizeof(WCHAR));
    out += count;
    *out++ = '[';
    *out++ = ']';
  };
  put(TextTableText(result.menu_names, line.menu), menu_length);
  put(result.fields.units + line.title_at, line.title_length);
  put(result.fields.units + line.address_at, line.address_length);
  *out = 0;
  return text_stack_at(offset);
}
