// The backup puts "-BK" before each ".txt", the page has ".html" in its
// place, and the page's backup puts "-BK" before each ".html"; the case of
// the name is kept, so links.TXT gives links-BK.TXT and links.html. A name
// without ".txt" in any case would give the others the catalogue's own name:
// such a catalogue is neither saved nor built.
#include "app/catalogue_names.h"

#include "app/state.h"
#include "app/text_helpers.h"
#include "desktop/req.h"
#include "runtime/file.h"

namespace {

// name with every occurrence of pattern, in any case, replaced: by `instead`
// when given, else by `before` followed by the occurrence as it was written.
void DeriveName(TextVar* out, const WCHAR* name, const WCHAR* pattern, const WCHAR* before, const WCHAR* instead) {
  const int32_t saved = text_stack_top();
  const int64_t pattern_length = text_length(pattern);
  int64_t from = 1;
  for (int64_t at; (at = text_find(name, pattern, from, TEXT_IGNORE_CASE)) > 0; from = at + pattern_length) {
    text_stack_put(name + from - 1, at - from, text_stack_top());
    text_push(before);
    if (instead) text_push(instead);
    else text_stack_put(name + at - 1, pattern_length, text_stack_top());
  }
  text_push(name + from - 1);
  text_pop_into(out, saved);
}

}  // namespace

bool SameFileName(const WCHAR* a, const WCHAR* b) {
  const int64_t length = text_length(a);
  return length == text_length(b) && (length == 0 || text_find(a, b, 1, TEXT_IGNORE_CASE) == 1);
}

void DeriveNames() {
  const int32_t saved = text_stack_top();
  file_leaf_name(ReadFileName, saved);
  LocalText leaf;
  KeepText(&leaf.value, saved);
  DeriveCatalogueNames(leaf);
}

void DeriveCatalogueNames(const WCHAR* name) {
  text_assign(&TxtFileName, name);
  DeriveName(&TxtBackupName, TxtFileName, TEXT(".txt"), TEXT("-BK"), nullptr);
  DeriveName(&HtmlFileName, TxtFileName, TEXT(".txt"), nullptr, TEXT(".html"));
  DeriveName(&HtmlBackupName, HtmlFileName, TEXT(".html"), TEXT("-BK"), nullptr);
  text_assign(&LoadedFileName, TxtFileName);
}

bool SetPageName(const WCHAR* path) {
  text_assign(&HtmlFileName, path);
  DeriveName(&HtmlBackupName, HtmlFileName, TEXT(".html"), TEXT("-BK"), nullptr);
  return !SameFileName(HtmlBackupName, HtmlFileName);
}

// A backup or page name that is the catalogue's own name would make a save
// or a build replace the catalogue: such a name is refused with the reason.
bool CatalogueNamesUsable(const WCHAR* caption, const WCHAR* what) {
  if (text_length(TxtFileName) == 0) {
    // Links typed in before any catalogue was opened have no file to go to.
    Joined message(TEXT("There is no catalogue to "), what, TEXT(" : click on  [Open Webrolo Txt]  first."));
    req_message_ok(caption, message);
    return false;
  }
  const bool apart = !SameFileName(TxtBackupName, TxtFileName) && !SameFileName(HtmlFileName, TxtFileName) &&
                     !SameFileName(HtmlBackupName, TxtFileName);
  if (apart) return true;
  Joined message(TEXT("Can't "), what, TEXT(" \""), TxtFileName,
                 TEXT("\" : only a catalogue whose name holds .txt has names of its own for its backup and "
                      "its page. Open it under a name ending in .txt ."));
  req_message_ok(caption, message);
  return false;
}

void JournalNames(TextVar* journal, TextVar* backup) {
  if (text_find(TxtFileName, TEXT(".txt"), 1, TEXT_IGNORE_CASE) > 0) {
    DeriveName(journal, TxtFileName, TEXT(".txt"), TEXT("-unsaved"), nullptr);
  } else {
    Joined name(TxtFileName, TEXT("-unsaved.txt"));
    text_assign(journal, name);
  }
  DeriveName(backup, *journal, TEXT(".txt"), TEXT("-BK"), nullptr);
}
