#include "app/safe_file.h"

#include "app/state.h"
#include "desktop/req.h"
#include "runtime/file.h"

namespace {

constexpr int64_t kWriteFile = 0;

bool Fail(SafeWriteFailure* failure, const WCHAR* file) {
  failure->error = file_last_error();
  text_assign(&failure->file, file);
  return false;
}

// The temporary name beside a file.
struct TemporaryName : Joined {
  explicit TemporaryName(const WCHAR* name) : Joined(name, TEXT(".tmp")) {}
};

// Writes the lines to the temporary file; a failure is told under the target's name.
bool WriteLines(const WCHAR* name, const WCHAR* target, const LineSource& lines, int32_t format, bool mark,
                SafeWriteFailure* failure) {
  if (!file_create(kWriteFile, name)) return Fail(failure, target);
  if (mark) file_write_bom(kWriteFile, format);
  for (int64_t i = 0; i < lines.count; ++i) {
    win_busy_step();
    const int32_t saved = text_stack_top();
    file_write_line(kWriteFile, lines.line(i, saved), format);
    text_stack_cut(saved);
  }
  const bool flushed = file_flush(kWriteFile) != 0;
  const bool closed = file_close(kWriteFile) != 0;
  if (flushed && closed) return true;
  Fail(failure, target);
  file_delete(name);
  return false;
}

// The old file, whole, becomes the backup; answers false only when there was
// an old file and its backup could not be made.
bool MakeBackup(const WCHAR* target, const WCHAR* backup, SafeWriteFailure* failure) {
  TemporaryName temporary(backup);
  if (!file_copy(target, temporary)) {
    if (file_last_error() == ERROR_FILE_NOT_FOUND) return true;  // nothing to keep yet
    Fail(failure, backup);
    file_delete(temporary);
    return false;
  }
  if (file_replace(temporary, backup)) return true;
  Fail(failure, backup);
  file_delete(temporary);
  return false;
}

}  // namespace

bool WriteWithBackup(const WCHAR* target, const WCHAR* backup, const LineSource& lines, int32_t format,
                     SafeWriteFailure* failure, bool mark) {
  TemporaryName temporary(target);
  if (!WriteLines(temporary, target, lines, format, mark, failure)) return false;
  if (!MakeBackup(target, backup, failure) || !file_replace(temporary, target)) {
    if (!failure->file) Fail(failure, target);
    file_delete(temporary);
    return false;
  }
  return true;
}

void ShowWriteFailure(const WCHAR* caption, const SafeWriteFailure& failure) {
  const int32_t saved = text_stack_top();
  file_error_text(failure.error, saved);
  LocalText reason;
  KeepText(&reason.value, saved);
  Joined message(TEXT("Couldn't write the file  "), failure.file, TEXT("\r\n"), reason);
  req_message_ok(caption, message);
}

bool SameFileName(const WCHAR* a, const WCHAR* b) {
  const int64_t length = text_length(a);
  return length == text_length(b) && (length == 0 || text_find(a, b, 1, TEXT_IGNORE_CASE) == 1);
}
