// The catalogue as a bookmark file that browsers import: the format's
// doctype, a UTF-8 <META>, <TITLE> and <H1> "Bookmarks", then one <H3> folder
// for each menu name, in the order the menus first appear, holding every line
// of that menu as <DT><A HREF="..." ADD_DATE="...">title</A>; names, titles
// and addresses escaped. Lines without exactly three "[]" are left out.
// Importing the file gives back the catalogue's lines in catalogue order.
#pragma once

#include <cstdint>

#include "app/safe_file.h"
#include "app/text_table.h"

enum class BookmarkEntry : int64_t;
struct PlannedLine;

struct BookmarkPlan {
  LineSource catalogue{0, nullptr};
  BookmarkEntry* entries = nullptr;  // what each line of the file is
  PlannedLine* lines = nullptr;      // where the fields of each catalogue line end
  int64_t count = 0;
  int64_t links = 0;  // catalogue lines written
  int64_t menus = 0;
  int64_t left_out = 0;  // catalogue lines without exactly three "[]"
  TextTable menu_names;
  WCHAR date[24] = {};  // ADD_DATE: seconds since 1970
};

// Plans the file for the catalogue's lines, dated `date` (seconds since
// 1970). False when memory is exhausted.
bool PlanBookmarkFile(const LineSource& catalogue, int64_t date, BookmarkPlan* plan);
// The lines of the planned file, for WriteWithBackup. One plan at a time is
// written: the source reads the plan given last.
LineSource BookmarkFileLines(const BookmarkPlan* plan);
void FreeBookmarkPlan(BookmarkPlan* plan);

// Where the three fields of a catalogue line end (each at its "[]"), and
// the line's length; false when the line does not hold exactly three "[]".
struct LineFields {
  int64_t menu_end, title_end, address_end, length;
};
bool SplitLinkLine(const WCHAR* line, LineFields* fields);
