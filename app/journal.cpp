// The edit journal beside the catalogue (links-unsaved.txt for links.txt).
// It is written through the link list's one watcher, so no step can reach
// the list without reaching the journal first, and each line is put on the
// system before the list changes and on the disk within a second: a kill
// loses nothing, a power cut at most the last second. The user's choice ends it: a save, or No to saving.
//
// Restoring first moves the journal to its backup name and replays the steps
// from there through the same watcher, so the new journal holds what was
// restored and the old one is kept, one generation, as the other backups.
//
// While this window writes its journal it holds the file's mark, which ends
// with the process however it ends: a second Webrolo on the same catalogue
// tells a journal in use from one left behind, offers nothing and writes
// none of its own. A journal is only ever made new, never over one there.
#include "app/journal.h"

#include "app/catalogue_names.h"
#include "app/displays.h"
#include "app/journal_line.h"
#include "app/link_changes.h"
#include "app/state.h"
#include "app/text_helpers.h"
#include "desktop/req.h"
#include "gui/gadget.h"
#include "gui/window.h"

namespace {

constexpr int64_t kJournalFile = 5;  // the journal being written
constexpr int64_t kReplayFile = 6;   // a journal being read back

FileStamp g_read{};        // the catalogue as it was read
bool g_offer = true;       // false: a command's session, which asks nothing and keeps the journal
bool g_read_here = false;  // the catalogue the save replaces is the file that was read
bool g_writing = false;    // the journal is open on kJournalFile
bool g_owned = false;      // this run wrote the journal: only then may the user's choice end it
bool g_write_failed = false;
bool g_missed = false;  // a step the journal does not hold: a later start would replay a wrong list

struct JournalFiles {
  LocalText journal;
  LocalText backup;
  JournalFiles() { JournalNames(&journal.value, &backup.value); }
};

// Why the journal is not written: a system error's code, or one of these.
constexpr uint32_t kInUse = 0xFFFFFFFF;    // another Webrolo writes it
constexpr uint32_t kNotOurs = 0xFFFFFFFE;  // it was there before this window's first change
uint32_t g_warning = 0;

void ShowWarning() {
  JournalFiles files;
  const WCHAR* reason = g_warning == kInUse     ? TEXT("\" is in use by another Webrolo")
                        : g_warning == kNotOurs ? TEXT("\" is there already, and not this window's")
                                                : nullptr;
  if (reason) {
    SetStatus(TEXT("Unsaved links journal NOT written : \""), files.journal, reason);
  } else {
    SetStatus(TEXT("Unsaved links journal NOT written : "), file_error_text(g_warning, text_stack_top()));
  }
}

// Told once per journal: the edits go on, but the user must know they are unprotected.
// The journal hears of a step before the list takes it: shown now, the warning would
// give way at once to the status of the step itself.
void WarnNotWritten(uint32_t why) {
  if (g_write_failed) return;
  g_write_failed = true;
  g_warning = why;
  if (!win_call_later(MainWindow, 0, ShowWarning)) ShowWarning();
}

void WarnNotWritten() { WarnNotWritten(file_last_error()); }

constexpr uint32_t kDiskWithinMs = 1000;  // a power cut loses at most this much

void PutOnDisk() {
  if (g_writing && !file_flush(kJournalFile)) WarnNotWritten();
}

// The line reaches the system before the caller goes on, so a kill loses
// nothing; the disk, which may take many milliseconds, within a second.
void WriteLine(const WCHAR* line) {
  file_write_line(kJournalFile, line, FILE_FORMAT_UTF8);
  if (!file_push(kJournalFile)) WarnNotWritten();
  if (!win_call_later(MainWindow, kDiskWithinMs, PutOnDisk)) PutOnDisk();
}

// A journal already there is never written over: another Webrolo's, at work on
// the same catalogue, or one kept for another file.
bool OpenJournal() {
  if (g_writing) return true;
  if (g_missed) return false;
  JournalFiles files;
  if (!file_create_new(kJournalFile, files.journal)) {
    WarnNotWritten(!file_exists(files.journal) ? file_last_error() : file_held(files.journal) ? kInUse : kNotOurs);
    return false;
  }
  if (!file_hold(kJournalFile)) {
    // Another Webrolo made it at the same moment: it is theirs, and left as it is.
    file_close(kJournalFile);
    WarnNotWritten(kInUse);
    return false;
  }
  g_writing = true;
  g_owned = true;
  g_write_failed = false;
  const int32_t saved = text_stack_top();
  WriteLine(JournalHeaderLine(JournalHeader{TxtFileName, LoadedFileName, g_read}, saved));
  text_stack_cut(saved);
  return true;
}

void CloseJournal() {
  if (g_writing) file_close(kJournalFile);
  g_writing = false;
}

void OnLinkStep(const LinkStep& step) {
  switch (step.kind) {
    case LinkStepKind::Insert:
    case LinkStepKind::Remove: {
      // The line may lie on the stack, even above its top: it is taken off it first.
      LocalText line;
      text_assign(&line.value, step.line);
      if (!OpenJournal()) {
        g_missed = true;
        return;
      }
      const int32_t saved = text_stack_top();
      const JournalKind kind = step.kind == LinkStepKind::Insert ? JournalKind::Add : JournalKind::Delete;
      WriteLine(JournalStepLine(JournalStep{kind, step.index, line}, saved));
      text_stack_cut(saved);
      break;
    }
    case LinkStepKind::NewList:
      // The next catalogue's journal, if one was left, is not this run's to remove.
      CloseJournal();
      g_owned = false;
      g_missed = false;
      g_write_failed = false;
      break;
    case LinkStepKind::Saved:
      JournalDiscard();
      g_missed = false;
      g_write_failed = false;
      // What the next save is checked against: the file as this one wrote it.
      g_read_here = file_hash_of(TxtFileName, &g_read) != 0;
      break;
  }
}

// What a journal holds, read through once before the question.
struct JournalSummary {
  bool header = false;     // its first line names a catalogue
  bool same_file = false;  // that catalogue, unchanged since
  LocalText other;         // the catalogue it names, when that is another file
  int64_t steps = 0;
  int64_t damaged = 0;
};

bool SameStamp(const FileStamp& a, const FileStamp& b) {
  return a.size == b.size && a.time == b.time && a.hashed == b.hashed && a.hash == b.hash;
}

// Reads the journal open on kReplayFile into the summary; `apply` gets each whole step.
template <typename Apply>
void ReadJournal(JournalSummary* summary_out, Apply apply) {
  JournalSummary& summary = *summary_out;
  bool first = true;
  while (!file_at_end(kReplayFile)) {
    const int32_t saved = text_stack_top();
    const JournalLine line = ParseJournalLine(file_read_line(kReplayFile, FILE_FORMAT_UTF8, saved));
    if (line.kind == JournalLineKind::Header && first) {
      summary.header = true;
      const bool named_here = text_compare(line.header.catalogue, TxtFileName, TEXT_IGNORE_CASE) == 0;
      summary.same_file = named_here && SameStamp(line.header.stamp, g_read);
      if (!named_here) text_assign(&summary.other.value, line.header.catalogue);
    } else if (line.kind == JournalLineKind::Step) {
      ++summary.steps;
      apply(line.step);
    } else if (line.kind != JournalLineKind::Empty) {
      ++summary.damaged;
    }
    first = false;
    text_stack_cut(saved);
  }
}

int64_t FindLine(const WCHAR* line) {
  const int64_t count = gadget_item_count(ListViewLinks);
  for (int64_t i = 0; i < count; ++i) {
    const int32_t saved = text_stack_top();
    const bool same = text_equal(gadget_item_text(ListViewLinks, i, saved), line) != 0;
    text_stack_cut(saved);
    if (same) return i;
  }
  return -1;
}

// One step on the list as it stands now; false when it no longer applies (its line is gone).
// In a catalogue changed since, the places written mean little: a line added goes where sorting puts it.
bool ReplayStep(const JournalStep& step, bool same_file) {
  LocalText line;  // off the stack, which the list's watcher uses
  text_assign(&line.value, step.line);
  const int64_t count = gadget_item_count(ListViewLinks);
  if (step.kind == JournalKind::Add) {
    LinkInsert(!same_file ? LinkSortedPlace(line) : step.index <= count ? step.index : count, line);
    return true;
  }
  int64_t at = -1;
  if (step.index < count) {
    const int32_t saved = text_stack_top();
    if (text_equal(gadget_item_text(ListViewLinks, step.index, saved), line)) at = step.index;
    text_stack_cut(saved);
  }
  if (at < 0) at = FindLine(line);
  if (at < 0) return false;
  LinkRemove(at);
  return true;
}

int64_t AskToRestore(const JournalSummary& summary, const WCHAR* journal) {
  FileStamp stamp{};
  LocalText when;
  if (file_stamp_of(journal, &stamp)) {
    const int32_t saved = text_stack_top();
    file_time_text(stamp.time, saved);
    KeepText(&when.value, saved);
  }
  LocalText notes;
  if (!summary.same_file) {
    text_assign(&notes.value, TEXT("The catalogue was changed since those changes were made: changes that no longer "
                                   "apply will be skipped.\n"));
  }
  if (summary.damaged) {
    Joined damaged(notes, TEXT("Damaged lines of the journal, which will be skipped: "), summary.damaged, TEXT("\n"));
    text_assign(&notes.value, damaged);
  }
  Joined text(TEXT("\""), TxtFileName, TEXT("\" has "), summary.steps, TEXT(" unsaved changes from "), when,
              TEXT(" kept in \""), journal, TEXT("\".\n"), notes, TEXT("Do you want them restored ?"));
  return req_message(TEXT(" WARNING - Unsaved Links Found"), text, MB_YESNO | MB_DEFBUTTON1);
}

// Another Webrolo at work on the catalogue keeps its journal open: it is not
// left behind, and this window works on its own copy without one.
bool TellIfInUse(const WCHAR* journal) {
  if (!file_held(journal)) return false;
  Joined text(TEXT("\""), TxtFileName, TEXT("\" is open in another Webrolo, which keeps its unsaved changes in \""),
              journal, TEXT("\".\nThis window works on its own copy, and its changes are kept only when saved."));
  req_message_ok(TEXT(" WARNING - Unsaved Links Found"), text);
  return true;
}

// A journal that names another catalogue (one whose journal has the same name) is
// not this one's to replay, nor to move: it is left for that file.
void TellItIsAnothers(const JournalSummary& summary, const WCHAR* journal) {
  Joined text(TEXT("\""), journal, TEXT("\" holds "), summary.steps, TEXT(" unsaved changes of \""), summary.other,
              TEXT("\", another file than \""), TxtFileName, TEXT("\".\nThey are left there, not restored."));
  req_message_ok(TEXT(" WARNING - Unsaved Links Found"), text);
}

void Restore(const JournalSummary& summary, const WCHAR* from) {
  if (!file_open_read(kReplayFile, from)) return;
  JournalSummary replayed;
  int64_t skipped = 0;
  ReadJournal(&replayed, [&skipped, &summary](const JournalStep& step) {
    if (!ReplayStep(step, summary.same_file)) ++skipped;
  });
  file_close(kReplayFile);
  ShowLinkCount();
  SetStatus(summary.steps - skipped, TEXT(" unsaved changes restored, "), skipped + summary.damaged,
            TEXT(" skipped :  "), TxtFileName, TEXT("  NOT SAVED !"));
}

}  // namespace

void JournalStart() { SetLinkStepWatcher(OnLinkStep); }

void JournalCatalogueRead(const FileStamp& stamp) { g_read = stamp; }

void JournalLeaveForTheWindow() { g_offer = false; }

void JournalOfferRecovery() {
  FileStamp here{};
  g_read_here = file_stamp_of(TxtFileName, &here) && here.size == g_read.size && here.time == g_read.time;
  if (!g_offer) return;
  JournalFiles files;
  if (TellIfInUse(files.journal)) return;
  if (!file_open_read(kReplayFile, files.journal)) return;  // none left: the usual case
  JournalSummary summary;
  ReadJournal(&summary, [](const JournalStep&) {});
  file_close(kReplayFile);
  if (summary.steps == 0 && summary.damaged == 0) {
    file_delete(files.journal);  // nothing in it to lose
    return;
  }
  if (summary.other.value) {
    TellItIsAnothers(summary, files.journal);
    return;
  }
  const bool restore = AskToRestore(summary, files.journal) == IDYES;
  // Either way the journal becomes the backup: nothing is deleted unasked.
  if (!file_replace(files.journal, files.backup)) {
    Joined message(TEXT("Couldn't keep the journal  "), files.journal, TEXT("  as  "), files.backup);
    req_message_ok(TEXT(" WARNING - Unsaved Links Found"), message);
    return;
  }
  if (restore) Restore(summary, files.backup);
}

void JournalDiscard() {
  CloseJournal();
  if (!g_owned) return;
  g_owned = false;
  JournalFiles files;
  file_delete(files.journal);
}

void JournalSessionEnds() {
  PutOnDisk();
  ExitRequested = 1;
}

bool JournalMayReplaceCatalogue() {
  FileStamp now{};
  if (!g_read_here || !file_stamp_of(TxtFileName, &now)) return true;
  if (now.size == g_read.size && now.time == g_read.time) return true;
  // A new time alone (a touch, a copy back) is no change when the content is the same.
  if (now.size == g_read.size && g_read.hashed && file_hash_of(TxtFileName, &now) && now.hash == g_read.hash) {
    return true;
  }
  Joined question(TEXT("\""), TxtFileName,
                  TEXT("\" was changed by another program since it was opened. Do you want to replace it anyway ?"));
  return req_message(TEXT("Save Webrolo Txt"), question, MB_YESNO | MB_DEFBUTTON2) == IDYES;
}
