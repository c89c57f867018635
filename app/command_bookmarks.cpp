// webrolo --import and --export: bookmark files in and out from a terminal,
// through the same handlers as the list's context menu and the Save button,
// so a catalogue written here is the one the window would save (its old
// content kept as the backup) and a bookmark file the one it would export.
#include "app/bookmarks.h"
#include "app/catalogue_names.h"
#include "app/command_parts.h"
#include "app/state.h"
#include "app/text_helpers.h"
#include "runtime/file.h"

namespace {

// The status line's text, as the window would show it.
void SayStatus() {
  LocalText status;
  ReadGadgetText(StatusTxt, &status.value);
  Say(CON_OUTPUT, static_cast<const WCHAR*>(status));
}

bool NotAFolder(const WCHAR* given, const WCHAR* path) {
  if (file_kind(path) != FILE_KIND_FOLDER) return true;
  Say(CON_ERROR, TEXT("webrolo: "), given, TEXT(": is a folder, not a file"));
  return false;
}

int ImportInSession(const CommandArgs& args) {
  LocalText bookmarks, catalogue;
  FullPath(args.operands[0], &bookmarks.value);
  if (!IsBookmarkFile(bookmarks)) {
    Say(CON_ERROR, TEXT("webrolo: "), args.operands[0], TEXT(": is not a browser bookmark file"));
    return kExitFailed;
  }
  // The catalogue goes where it is named, else beside the bookmark file, named as the window names it.
  const WCHAR* place = args.operands[args.count > 1 ? 1 : 0];
  if (!EnterFolderOf(place, &catalogue.value)) {
    Say(CON_ERROR, TEXT("webrolo: "), place, TEXT(": its folder cannot be entered"));
    return kExitFailed;
  }
  if (!ImportBookmarkFile(bookmarks)) return kExitFailed;
  LocalText imported;
  ReadGadgetText(StatusTxt, &imported.value);
  if (args.count > 1) {
    const int32_t saved = text_stack_top();
    file_leaf_name(catalogue, saved);
    LocalText leaf;
    KeepText(&leaf.value, saved);
    DeriveCatalogueNames(leaf);
  }
  if (!NotAFolder(place, TxtFileName)) return kExitFailed;
  SaveFileBtn_Clicked();
  if (CommandSession::messages() > 0 || FileSaved == 0) return kExitFailed;
  Say(CON_OUTPUT, static_cast<const WCHAR*>(imported), TEXT(" ; saved as "), TxtFileName);
  return kExitDone;
}

int ExportInSession(const CommandArgs& args) {
  LocalText target;
  if (args.count > 1) FullPath(args.operands[1], &target.value);
  if (!OpenForCommand(args.operands[0])) return kExitFailed;
  if (args.count == 1) DefaultExportName(&target.value);
  if (!NotAFolder(args.count > 1 ? args.operands[1] : static_cast<const WCHAR*>(target), target)) return kExitFailed;
  const int32_t saved = text_stack_top();
  file_current_dir(saved);
  KeepText(&CurrentDir, saved);
  if (!ExportBookmarksTo(target) || CommandSession::messages() > 0) return kExitFailed;
  SayStatus();
  return kExitDone;
}

}  // namespace

int RunImport(const CommandArgs& args) {
  if (!IsInputFile(args.operands[0])) return kExitFailed;
  CommandSession session;
  return ImportInSession(args);
}

int RunExport(const CommandArgs& args) {
  if (!IsInputFile(args.operands[0])) return kExitFailed;
  CommandSession session;
  return ExportInSession(args);
}
