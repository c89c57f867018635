#include "app/safe_file.h"

#include <cassert>

#include "app/text_helpers.h"
#include "desktop/req.h"
#include "gui/busy.h"
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

// Lines go to the file in blocks of about this many units, each line ended
// by CR LF: one conversion and a few large writes for thousands of lines.
constexpr int64_t kBlockUnits = 32 * 1024;

// Writes the lines to the temporary file; a failure is told under the target's name.
bool WriteLines(const WCHAR* name, const WCHAR* target, const LineSource& lines, int32_t format, bool mark,
                SafeWriteFailure* failure) {
  if (!file_create(kWriteFile, name)) return Fail(failure, target);
  if (mark) file_write_bom(kWriteFile, format);
  const int32_t block = text_stack_top();
  for (int64_t i = 0; i < lines.count; ++i) {
    win_busy_step();
    const int32_t at = text_stack_top();
    lines.line(i, at);
    // The line lies from its offset to the top, as every stack result does: no need to measure it.
    const int64_t length = (text_stack_top() - at) / 2;
    assert(length == text_length(text_stack_at(at)));
    text_stack_put(TEXT("\r\n"), 2, at + static_cast<int32_t>(length * 2));
    if (text_stack_top() - block >= kBlockUnits * 2 || i + 1 == lines.count) {
      file_write_text(kWriteFile, text_stack_at(block), format);
      text_stack_cut(block);
    }
  }
  const bool flushed = file_flush(kWriteFile) != 0;
  const bool closed = file_close(kWriteFile) != 0;
  if (flushed && closed) return true;
  Fail(failure, target);
  file_delete(name);
  return false;
}

// The old file, whole, becomes the backup; answers false only when there was
// an old file and its backup could not be made. The old file is already on
// the disk, so a second name for it is a backup at once, where copying it
// wrote it all out again. It is copied still where the file system has no
// second names, or where the old file cannot be replaced (read-only, or held
// open without leave to delete it): the save fails then, and a backup that is
// a second name would stay one name of the file that is left.
bool MakeBackup(const WCHAR* target, const WCHAR* backup, SafeWriteFailure* failure) {
  TemporaryName temporary(backup);
  file_delete(temporary);  // left by an earlier save that was cut short
  const bool linked = file_replaceable(target) && file_link(target, temporary);
  if (!linked && !file_copy(target, temporary)) {
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
