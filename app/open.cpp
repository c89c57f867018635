// Opening a catalogue: the user picks the file, its lines fill the link list
// in file order, and the names of its backup, its page and the page's backup
// are derived from its name. A browser's bookmark file picked here is
// imported instead. LoadTextFile also reads the page's header file.
#include "app/bookmarks.h"
#include "app/catalogue_names.h"
#include "app/displays.h"
#include "app/journal.h"
#include "app/link_changes.h"
#include "app/state.h"
#include "desktop/req.h"
#include "gui/gadget.h"
#include "runtime/file.h"

namespace {

void AskForTheFile() {
  const int32_t saved = text_stack_top();
  file_current_dir(saved);
  text_pop_into(&CurrentDir, saved);
  text_assign(&FilePattern, TEXT("Webrolo Text File|*.txt|Browser Bookmarks|*.html;*.htm"));
  req_open_file(TEXT("Select Your Rolos Text File"), CurrentDir, FilePattern, 0, saved);
  text_pop_into(&ReadFileName, saved);
}

bool ReadTheChosenFile() {
  BusySpan busy;
  text_assign(&ReadPurpose, TEXT("OpenBtn_Clicked"));
  if (!LoadTextFile()) {
    // The names and their displays stay those of the catalogue that was open before.
    SetStatus(TEXT("Couldn't open the file  "), ReadFileName);
    return false;
  }
  DeriveNames();
  gadget_set_text(InputFileTxt, TxtFileName);
  gadget_set_text(OutputFileTxt, HtmlFileName);
  ShowLinkCount();
  SetStatus(TEXT("  "), TxtFileName, TEXT(" ... Open And Loaded"));
  JournalOfferRecovery();
  return true;
}

}  // namespace

void OpenBtn_Clicked() {
  if (!KeepUnsavedLinks(TEXT("opening another"))) return;
  LinkStartHistory();  // the list emptied, and nothing of it left to undo
  text_assign(&LinkCountText, TEXT("0"));
  ShowLinkCountText();
  AskForTheFile();
  OpenChosenFile();
}

bool OpenChosenFile() {
  bool opened = false;
  if (text_length(ReadFileName) == 0) {
    req_message_ok(TEXT("No File Loaded :"), TEXT("Try Again !"));
    SetStatus(TxtFileName, TEXT("No File Loaded :  Try Again !"));
  } else if (IsBookmarkFile(ReadFileName)) {
    // A browser's bookmark file, whichever filter showed it, is imported; it is never written.
    opened = ImportBookmarkFile(ReadFileName);
  } else {
    opened = ReadTheChosenFile();
  }
  text_assign(&LastAction, TEXT("OpenBtn"));
  return opened;
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
  // The header names the page by its file name, wherever a command writes it.
  LocalText page_name;
  if (header) {
    const int32_t saved = text_stack_top();
    file_leaf_name(HtmlFileName, saved);
    KeepText(&page_name.value, saved);
  }
  // A catalogue fills the link list in one run, which the list draws once, at its end.
  if (catalogue) gadget_set_redraw(ListViewLinks, false);
  while (!file_at_end(1)) {
    win_busy_step();
    const int32_t saved = text_stack_top();
    file_read_line(1, format, saved);
    text_pop_into(&FileLineIn, saved);
    if (catalogue) LinkAppendLoaded(FileLineIn);
    if (header) {
      text_replace(FileLineIn, TEXT("ttt"), page_name, saved);
      gadget_add_item(HtmlLinesList, -1, text_stack_at(saved));
      text_stack_cut(saved);
    }
  }
  if (catalogue) {
    gadget_set_redraw(ListViewLinks, true);
    // What the file was, for the journal and for the check before a save replaces it.
    FileStamp stamp{};
    file_stamp(1, &stamp);
    JournalCatalogueRead(stamp);
  }
  file_close(1);
  return true;
}
