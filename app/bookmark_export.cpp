#include "app/bookmark_export.h"

#include <cstring>

#include "gui/busy.h"
#include "runtime/mem.h"
#include "runtime/text.h"

enum class BookmarkEntry : int64_t {};

// Found once, when the file is planned, and used again when it is written.
struct PlannedLine {
  int32_t menu_end, title_end, address_end;
};

namespace {

// An entry: its kind in the high bits, a number below them.
enum EntryKind : int64_t { kFixedLine = 0, kMenuLine = 1, kLinkLine = 2 };
constexpr int kKindShift = 56;
constexpr int64_t kNumberMask = (int64_t{1} << kKindShift) - 1;

BookmarkEntry Entry(EntryKind kind, int64_t number) { return BookmarkEntry{(kind << kKindShift) | number}; }
EntryKind KindOf(BookmarkEntry entry) { return static_cast<EntryKind>(static_cast<int64_t>(entry) >> kKindShift); }
int64_t NumberOf(BookmarkEntry entry) { return static_cast<int64_t>(entry) & kNumberMask; }

// The lines that are the same in every file.
enum FixedLine { kDoctype, kCharset, kTitle, kHeading, kOpenAll, kOpenMenu, kCloseMenu, kCloseAll, kFixedLines };
const WCHAR* const kFixed[kFixedLines] = {
    TEXT("<!DOCTYPE NETSCAPE-Bookmark-file-1>"),
    TEXT("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">"),
    TEXT("<TITLE>Bookmarks</TITLE>"),
    TEXT("<H1>Bookmarks</H1>"),
    TEXT("<DL><p>"),
    TEXT("    <DL><p>"),
    TEXT("    </DL><p>"),
    TEXT("</DL><p>"),
};

const BookmarkPlan* g_plan = nullptr;

// The characters that would be markup, as character references: any text
// stays text, and an address stays inside its quotes.
const WCHAR* EscapeOf(WCHAR unit) {
  switch (unit) {
    case '&': return TEXT("&amp;");
    case '<': return TEXT("&lt;");
    case '>': return TEXT("&gt;");
    case '"': return TEXT("&quot;");
    default: return nullptr;
  }
}
constexpr int64_t kLongestEscape = 6;

// The units EscapeOf changes, as bits of a word: all of them lie below 64.
constexpr uint64_t kEscaped = uint64_t{1} << '&' | uint64_t{1} << '<' | uint64_t{1} << '>' | uint64_t{1} << '"';

// Writes the units escaped at `out`, which has room for kLongestEscape units
// each; answers the end of what it wrote.
WCHAR* PutEscaped(WCHAR* out, const WCHAR* units, int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    const WCHAR unit = units[i];
    const WCHAR* escape = unit < 64 && (kEscaped >> unit & 1) ? EscapeOf(unit) : nullptr;
    if (!escape) {
      *out++ = unit;
      continue;
    }
    while (*escape) *out++ = *escape++;
  }
  return out;
}

WCHAR* Put(WCHAR* out, const WCHAR* text) {
  while (*text) *out++ = *text++;
  return out;
}

const WCHAR kMenuStart[] = TEXT("    <DT><H3 ADD_DATE=\"");
const WCHAR kLinkStart[] = TEXT("        <DT><A HREF=\"");
const WCHAR kLinkDate[] = TEXT("\" ADD_DATE=\"");
constexpr int64_t kLineFrame = 64;  // the markup around the fields and the date, in units

WCHAR* MenuLine(const BookmarkPlan& plan, int64_t menu, int32_t offset) {
  const int64_t length = static_cast<int64_t>(TextTableLength(plan.menu_names, menu));
  WCHAR* const start = text_stack_reserve(static_cast<int32_t>(kLineFrame + length * kLongestEscape), offset);
  WCHAR* out = Put(Put(Put(start, kMenuStart), plan.date), TEXT("\">"));
  out = Put(PutEscaped(out, TextTableText(plan.menu_names, menu), length), TEXT("</H3>"));
  return text_stack_put(start, out - start, offset);
}

// The catalogue line is read onto the stack, the file's line built behind it and moved down over it.
WCHAR* LinkLine(const BookmarkPlan& plan, int64_t index, int32_t offset) {
  plan.catalogue.line(index, offset);
  const int32_t work = text_stack_top();  // behind the line
  const PlannedLine fields = plan.lines[index];
  const int64_t title_at = fields.menu_end + 2, title_length = fields.title_end - title_at;
  const int64_t address_at = fields.title_end + 2, address_length = fields.address_end - address_at;
  WCHAR* const start = text_stack_reserve(
      static_cast<int32_t>(kLineFrame + (title_length + address_length) * kLongestEscape), work);
  const WCHAR* line = text_stack_at(offset);  // where it is now that room is reserved
  WCHAR* out = Put(start, kLinkStart);
  out = Put(Put(Put(PutEscaped(out, line + address_at, address_length), kLinkDate), plan.date), TEXT("\">"));
  out = Put(PutEscaped(out, line + title_at, title_length), TEXT("</A>"));
  return text_stack_put(start, out - start, offset);
}

WCHAR* FileLine(int64_t index, int32_t offset) {
  const BookmarkEntry entry = g_plan->entries[index];
  switch (KindOf(entry)) {
    case kMenuLine: return MenuLine(*g_plan, NumberOf(entry), offset);
    case kLinkLine: return LinkLine(*g_plan, NumberOf(entry), offset);
    default: return text_stack_put(kFixed[NumberOf(entry)], text_length(kFixed[NumberOf(entry)]), offset);
  }
}

// The menu of every catalogue line (-1 for a line left out) and the lines each menu holds.
bool SortIntoMenus(const LineSource& catalogue, BookmarkPlan* plan, int32_t* menu_of_line) {
  for (int64_t i = 0; i < catalogue.count; ++i) {
    win_busy_step();
    const int32_t saved = text_stack_top();
    const WCHAR* line = catalogue.line(i, saved);
    LineFields fields{};
    bool added = false;
    const bool valid = SplitLinkLine(line, &fields);
    plan->lines[i] = PlannedLine{static_cast<int32_t>(fields.menu_end), static_cast<int32_t>(fields.title_end),
                                 static_cast<int32_t>(fields.address_end)};
    const int32_t previous = i > 0 ? menu_of_line[i - 1] : -1;
    const size_t menu_length = static_cast<size_t>(fields.menu_end);
    // A catalogue's lines come in runs of one menu: most lines have the menu of the line before.
    if (valid && previous >= 0 && TextTableLength(plan->menu_names, previous) == menu_length &&
        std::memcmp(TextTableText(plan->menu_names, previous), line, menu_length * sizeof(WCHAR)) == 0) {
      menu_of_line[i] = previous;
    } else {
      menu_of_line[i] = valid ? static_cast<int32_t>(TextTableAdd(&plan->menu_names, line, menu_length, &added)) : -1;
    }
    text_stack_cut(saved);
    if (!valid) ++plan->left_out;
    else if (menu_of_line[i] < 0) return false;
  }
  return true;
}

// The entries: the file's head, each menu's heading, list and links, the file's end.
bool PlanEntries(BookmarkPlan* plan, const int32_t* menu_of_line) {
  const int64_t menus = plan->menu_names.count, lines = plan->catalogue.count;
  plan->menus = menus;
  plan->links = lines - plan->left_out;
  auto* next = static_cast<int64_t*>(mem_alloc_zero(static_cast<size_t>(menus + 1) * sizeof(int64_t)));
  const int64_t room = kOpenAll + 1 + menus * 3 + plan->links + 1;
  plan->entries = static_cast<BookmarkEntry*>(mem_alloc(static_cast<size_t>(room) * sizeof(BookmarkEntry)));
  if (!next || !plan->entries) {
    mem_free(next);
    return false;
  }
  for (int64_t i = 0; i < lines; ++i) {
    if (menu_of_line[i] >= 0) ++next[menu_of_line[i]];
  }
  // Where each menu's heading goes: menus in the order of their numbers, which is the order they came in.
  int64_t at = kOpenAll + 1;
  for (int64_t menu = 0; menu < menus; ++menu) {
    const int64_t count = next[menu];
    plan->entries[at] = Entry(kMenuLine, menu);
    plan->entries[at + 1] = Entry(kFixedLine, kOpenMenu);
    plan->entries[at + 2 + count] = Entry(kFixedLine, kCloseMenu);
    next[menu] = at + 2;
    at += count + 3;
  }
  for (int k = 0; k <= kOpenAll; ++k) plan->entries[k] = Entry(kFixedLine, k);
  for (int64_t i = 0; i < lines; ++i) {
    if (menu_of_line[i] >= 0) plan->entries[next[menu_of_line[i]]++] = Entry(kLinkLine, i);
  }
  plan->entries[at] = Entry(kFixedLine, kCloseAll);
  plan->count = at + 1;
  mem_free(next);
  return true;
}

}  // namespace

bool SplitLinkLine(const WCHAR* line, LineFields* fields) {
  int64_t ends[3] = {};
  int found = 0;
  int64_t i = 0;
  for (; line[i]; ++i) {
    if (line[i] != '[' || line[i + 1] != ']') continue;
    if (found == 3) return false;
    ends[found++] = i++;
  }
  if (found != 3) return false;
  *fields = LineFields{ends[0], ends[1], ends[2], i};
  return true;
}

bool PlanBookmarkFile(const LineSource& catalogue, int64_t date, BookmarkPlan* plan) {
  *plan = BookmarkPlan{};
  plan->catalogue = catalogue;
  const int32_t saved = text_stack_top();
  text_from_int(date, saved);
  const int64_t digits = text_length(text_stack_at(saved));
  for (int64_t i = 0; i < digits && i < 23; ++i) plan->date[i] = text_stack_at(saved)[i];
  text_stack_cut(saved);
  // Menu numbers fit 32 bits: the table holds fewer than 2^31 texts.
  auto* menu_of_line = static_cast<int32_t*>(mem_alloc(static_cast<size_t>(catalogue.count + 1) * sizeof(int32_t)));
  plan->lines = static_cast<PlannedLine*>(mem_alloc(static_cast<size_t>(catalogue.count + 1) * sizeof(PlannedLine)));
  const bool planned = menu_of_line && plan->lines && SortIntoMenus(catalogue, plan, menu_of_line) &&
                       PlanEntries(plan, menu_of_line);
  mem_free(menu_of_line);
  if (!planned) FreeBookmarkPlan(plan);
  return planned;
}

LineSource BookmarkFileLines(const BookmarkPlan* plan) {
  g_plan = plan;
  return LineSource{plan->count, FileLine};
}

void FreeBookmarkPlan(BookmarkPlan* plan) {
  TextTableFree(&plan->menu_names);
  mem_free(plan->entries);
  mem_free(plan->lines);
  *plan = BookmarkPlan{};
}
