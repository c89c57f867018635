// Opening a catalogue: the user picks the file, its lines fill the link list
// in file order, and the names of its backup, its page and the page's backup
// are derived from its name. A browser's bookmark file picked here is
// imported instead. LoadTextFile also reads the page's header file.
#include "app/bookmarks.h"
#include "app/state.h"
#include "desktop/req.h"
#include "gui/gadget.h"
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

void DeriveNames() {
  LocalText name;
  const int32_t saved = text_stack_top();
  file_leaf_name(ReadFileName, saved);
  KeepText(&name.value, saved);
  DeriveCatalogueNames(name);
}

void AskForTheFile() {
  const int32_t saved = text_stack_top();
  file_current_dir(saved);
  text_pop_into(&CurrentDir, saved);
  text_assign(&FilePattern, TEXT("Webrolo Text File|*.txt|Browser Bookmarks|*.html;*.htm"));
  req_open_file(TEXT("Select Your Rolos Text File"), CurrentDir, FilePattern, 0, saved);
  text_pop_into(&ReadFileName, saved);
}

void ReadTheChosenFile() {
  BusySpan busy;
  text_assign(&ReadPurpose, TEXT("OpenBtn_Clicked"));
  if (!LoadTextFile()) {
    // The names and their displays stay those of the catalogue that was open before.
    SetStatus(TEXT("Couldn't open the file  "), ReadFileName);
    return;
  }
  DeriveNames();
  gadget_set_text(InputFileTxt, TxtFileName);
  gadget_set_text(OutputFileTxt, HtmlFileName);
  ShowLinkCount();
  SetStatus(TEXT("  "), TxtFileName, TEXT(" ... Open And Loaded"));
}

}  // namespace

// The backup puts "-BK" before each ".txt", the page has ".html" in its
// place, and the page's backup puts "-BK" before each ".html"; the case of
// the name is kept, so links.TXT gives links-BK.TXT and links.html.
void DeriveCatalogueNames(const WCHAR* name) {
  text_assign(&TxtFileName, name);
  DeriveName(&TxtBackupName, TxtFileName, TEXT(".txt"), TEXT("-BK"), nullptr);
  DeriveName(&HtmlFileName, TxtFileName, TEXT(".txt"), nullptr, TEXT(".html"));
  DeriveName(&HtmlBackupName, HtmlFileName, TEXT(".html"), TEXT("-BK"), nullptr);
  text_assign(&LoadedFileName, TxtFileName);
}

void ShowLinkCount() {
  LinkCount = gadget_item_count(ListViewLinks);
  const int32_t saved = text_stack_top();
  text_from_int(LinkCount, saved);
  KeepText(&LinkCountText, saved);
  gadget_set_text(LinkCountTxt, LinkCountText);
}

void OpenBtn_Clicked() {
  if (!KeepUnsavedLinks(TEXT("opening another"))) return;
  gadget_clear(ListViewLinks);
  text_assign(&LinkCountText, TEXT("0"));
  gadget_set_text(LinkCountTxt, LinkCountText);
  AskForTheFile();
  if (text_length(ReadFileName) == 0) {
    req_message_ok(TEXT("No File Loaded :"), TEXT("Try Again !"));
    SetStatus(TxtFileName, TEXT("No File Loaded :  Try Again !"));
  } else if (IsBookmarkFile(ReadFileName)) {
    // A browser's bookmark file, whichever filter showed it, is imported; it is never written.
    ImportBookmarkFile(ReadFileName);
  } else {
    ReadTheChosenFile();
  }
  text_assign(&LastAction, TEXT("OpenBtn"));
}

bool LoadTextFile() {
  if (!file_open_read(1, ReadFileName)) {
    Joined message(TEXT("Couldn't open the file  "), ReadFileName);
    req_message_ok(TEXT("Open File ERROR"), message);
    return false;
  }
  const int32_t format = file_read_bom(1);
  const bool catalogue = Is(ReadPurpose, TEXT("OpenBtn_Clicked"));
  const bool header = Is(ReadPurpose, TEXT("BuildHtmlHdr"));
  while (!file_at_end(1)) {
    win_busy_step();
    const int32_t saved = text_stack_top();
    file_read_line(1, format, saved);
    text_pop_into(&FileLineIn, saved);
    if (catalogue) gadget_add_item(ListViewLinks, -1, FileLineIn);
    if (header) {
      text_replace(FileLineIn, TEXT("ttt"), HtmlFileName, saved);
      gadget_add_item(HtmlLinesList, -1, text_stack_at(saved));
      text_stack_cut(saved);
    }
  }
  file_close(1);
  return true;
}
