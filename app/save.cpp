// Saving the catalogue: the list goes back to the catalogue file in the
// current directory, and the file as it stood becomes the backup. Also the
// question about unsaved links that leaving and opening another ask.
#include "app/catalogue_names.h"
#include "app/displays.h"
#include "app/journal.h"
#include "app/link_changes.h"
#include "app/safe_file.h"
#include "app/state.h"
#include "desktop/req.h"
#include "gui/gadget.h"
#include "runtime/file.h"

namespace {

WCHAR* CatalogueLine(int64_t index, int32_t offset) { return gadget_item_text(ListViewLinks, index, offset); }

// ANSI, as the catalogue has always been written, unless a line holds a
// character the ANSI code page lacks: then all of it in UTF-8 with its mark,
// which opening reads back, so that no character is lost.
int32_t CatalogueFormat(int64_t lines) {
  for (int64_t i = 0; i < lines; ++i) {
    win_busy_step();
    const int32_t saved = text_stack_top();
    const bool fits = file_fits_ansi(CatalogueLine(i, saved)) != 0;
    text_stack_cut(saved);
    if (!fits) return FILE_FORMAT_UTF8;
  }
  return FILE_FORMAT_ANSI;
}

}  // namespace

void SaveFileBtn_Clicked() {
  const WCHAR* const caption = TEXT("SaveFileBtn_Clicked:");
  LocalText count;
  ReadGadgetText(LinkCountTxt, &count.value);
  if (Is(count, TEXT("0"))) {
    req_message_ok(caption, TEXT("ERROR, Nothing to Save ."));
  } else if (!CatalogueNamesUsable(caption, TEXT("save"))) {
    // Said why.
  } else if (!JournalMayReplaceCatalogue()) {
    SetStatus(TEXT("  "), TxtFileName, TEXT("  NOT SAVED !"));
  } else {
    BusySpan busy;
    const LineSource lines{gadget_item_count(ListViewLinks), CatalogueLine};
    SafeWriteFailure failure;
    if (WriteWithBackup(TxtFileName, TxtBackupName, lines, CatalogueFormat(lines.count), &failure)) {
      text_assign(&SavedFileName, TxtFileName);
      SetStatus(TEXT("  "), TxtFileName, TEXT("  and  "), TxtBackupName, TEXT("  SAVED !"));
      LinkMarkSaved();  // FileSaved = 1, until the list moves away from this state
    } else {
      ShowWriteFailure(caption, failure);
      SetStatus(TEXT("  "), TxtFileName, TEXT("  NOT SAVED !"));
    }
  }
  text_assign(&LastAction, TEXT("SaveFileBtn"));
}

bool KeepUnsavedLinks(const WCHAR* before_what) {
  if (FileSaved != 0) {
    JournalDiscard();  // steps undone back to the save leave nothing to restore
    return true;
  }
  Joined question(TEXT("Do you want \""), LoadedFileName, TEXT("\" to be saved before "), before_what, TEXT(" ?"));
  switch (req_message(TEXT(" WARNING - File Not Saved"), question, MB_YESNOCANCEL | MB_DEFBUTTON1)) {
    case IDYES: SaveFileBtn_Clicked(); return FileSaved != 0;
    case IDNO: JournalDiscard(); return true;  // the user chose to let them go
    default: return false;                     // Cancel, or the box closed: everything stays as it was
  }
}
