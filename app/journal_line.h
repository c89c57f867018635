// The lines of the edit journal. The first line names the catalogue the
// changes belong to and what it was when they began; each further line is
// one change to the link list:
//
//   Webrolo unsaved links <TAB> 1 <TAB> name <TAB> path <TAB> size <TAB> time <TAB> hash <TAB> check
//   add <TAB> index <TAB> line <TAB> check       (the line went in at index)
//   delete <TAB> index <TAB> line <TAB> check    (the line at index was taken out)
//
// Texts are escaped (\\ \t \r \n) so that a line holds no tab or line end of
// its own; the check (8 hex digits) is a hash of everything before its tab,
// so a line cut short by a power cut, or garbage, is known and skipped.
#pragma once

#include <cstdint>

#include "runtime/file.h"
#include "runtime/text.h"

enum class JournalKind { Add, Delete };

struct JournalStep {
  JournalKind kind;
  int64_t index;
  const WCHAR* line;
};

struct JournalHeader {
  const WCHAR* catalogue;  // the catalogue's name, without folder
  const WCHAR* path;       // where it was read from
  FileStamp stamp;         // what it was when the changes began
};

// The lines, without their line end, on the stack at offset.
WCHAR* JournalHeaderLine(const JournalHeader& header, int32_t offset);
WCHAR* JournalStepLine(const JournalStep& step, int32_t offset);

enum class JournalLineKind { Empty, Damaged, Header, Step };

// What a line read back holds. The texts point into the line, which the
// parse rewrites in place (unescaped texts are never longer).
struct JournalLine {
  JournalLineKind kind = JournalLineKind::Empty;
  JournalHeader header{};
  JournalStep step{};
};

JournalLine ParseJournalLine(WCHAR* line);
