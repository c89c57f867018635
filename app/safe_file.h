// Writing a user's file without ever losing the old one: the new content
// goes to a temporary file beside it, every write and the close are checked,
// and only a complete file takes the old one's place, after the old one
// became the backup. A failure leaves the old file, and its backup, whole.
#pragma once

#include <cstdint>

#include "runtime/text.h"

struct SafeWriteFailure {
  TextVar file = nullptr;  // the file that could not be written or put in place
  uint32_t error = 0;      // the platform's reason
  ~SafeWriteFailure() { text_free(file); }
};

// The lines to write: line(index, offset) writes line `index` (0-based) on the
// stack at offset, up to the top, as stack results are left.
struct LineSource {
  int64_t count;
  WCHAR* (*line)(int64_t index, int32_t offset);
};

// Writes the lines to target in the format (its mark first, unless `mark`
// is false), each ended by CR LF. True when target holds them and backup
// holds what target held before (an old backup stays when there was no
// target yet); false with the failure told otherwise.
bool WriteWithBackup(const WCHAR* target, const WCHAR* backup, const LineSource& lines, int32_t format,
                     SafeWriteFailure* failure, bool mark = true);

// The message for a failed write: "Couldn't write the file  " + name + the reason.
void ShowWriteFailure(const WCHAR* caption, const SafeWriteFailure& failure);
