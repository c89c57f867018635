// webrolo --build: the page of a catalogue from a terminal, a script or a
// hook, made by the Build button's own handler in a hidden window. What the
// button would report in a box, or build with a line missing, the command
// refuses on standard error before anything is written.
#include "app/catalogue_names.h"
#include "app/command_parts.h"
#include "app/state.h"
#include "app/support_files.h"
#include "app/text_helpers.h"
#include "gui/gadget.h"
#include "runtime/file.h"

namespace {

const WCHAR kHeaderName[] = TEXT("Webrolo_HtmlHdr.txt");

// A line the page builder would leave out (it reports the line and builds the rest): its line number, or 0.
int64_t FirstRejectedLine(int64_t* rejected) {
  int64_t first = 0;
  *rejected = 0;
  TextPiece fields[3];
  for (int64_t i = 0, count = gadget_item_count(ListViewLinks); i < count; ++i) {
    const int32_t saved = text_stack_top();
    if (!SplitLinkLine(gadget_item_text(ListViewLinks, i, saved), Delimiter, fields)) {
      if (++*rejected == 1) first = i + 1;
    }
    text_stack_cut(saved);
  }
  return first;
}

bool LinesBuildable(const WCHAR* catalogue) {
  if (gadget_item_count(ListViewLinks) == 0) {
    Say(CON_ERROR, TEXT("webrolo: "), catalogue, TEXT(": holds no links; no page built"));
    return false;
  }
  int64_t rejected = 0;
  const int64_t first = FirstRejectedLine(&rejected);
  if (first == 0) return true;
  Joined line(TEXT(": line "), first, TEXT(" is not three fields each ended by "), Delimiter, TEXT(" ("), rejected,
              TEXT(" such lines, listed by --check); no page built"));
  Say(CON_ERROR, TEXT("webrolo: "), catalogue, static_cast<const WCHAR*>(line));
  return false;
}

// With no --header, the header is looked up as the button looks it up; a page without one is refused.
bool HeaderFound() {
  if (text_length(HtmlHeaderFile) > 0) return true;
  const int32_t saved = text_stack_top();
  const bool found = file_kind(SupportFilePath(kHeaderName, saved)) == FILE_KIND_FILE;
  text_stack_cut(saved);
  if (!found) {
    Say(CON_ERROR, TEXT("webrolo: no "), kHeaderName,
        TEXT(" beside the catalogue, in the Webrolo work folder or with the program; name one with --header"));
  }
  return found;
}

// --output: the page and its backup there, neither of them the catalogue. `page` is the name as given.
bool PageNameUsable(const WCHAR* page, const WCHAR* page_path, const WCHAR* catalogue_path) {
  const bool derived = SetPageName(page_path);
  const WCHAR* problem = nullptr;
  if (SameFileName(HtmlFileName, catalogue_path) || SameFileName(HtmlBackupName, catalogue_path)) {
    problem = TEXT(": the page would replace the catalogue");
  } else if (file_kind(HtmlFileName) == FILE_KIND_FOLDER) {
    problem = TEXT(": is a folder, not a file");
  } else if (!derived) {
    problem = TEXT(": a page name needs .html in it, to name its backup");
  }
  if (problem) Say(CON_ERROR, TEXT("webrolo: "), page, problem);
  return problem == nullptr;
}

// Names given relative to where the command started, as full paths, before the catalogue's folder is entered.
struct BuildPaths {
  LocalText catalogue, header, output;
  explicit BuildPaths(const CommandArgs& args) {
    FullPath(args.operands[0], &catalogue.value);
    if (args.header) FullPath(args.header, &header.value);
    if (args.output) FullPath(args.output, &output.value);
  }
};

int BuildInSession(const CommandArgs& args) {
  BuildPaths paths(args);
  text_assign(&HtmlHeaderFile, paths.header);
  const WCHAR* catalogue = args.operands[0];
  if (!OpenForCommand(catalogue) || !LinesBuildable(catalogue) || !HeaderFound()) return kExitFailed;
  if (args.output && !PageNameUsable(args.output, paths.output, paths.catalogue)) return kExitFailed;
  BuildHtmlPage();
  if (CommandSession::messages() > 0) return kExitFailed;
  // The page as the user would name it from where the command started.
  LocalText shown;
  const int32_t saved = text_stack_top();
  if (args.output) {
    text_push(args.output);
  } else {
    file_folder_of(catalogue, saved);
    text_push(HtmlFileName);
  }
  KeepText(&shown.value, saved);
  Joined counts(TEXT(": "), LinkCount, TEXT(" links in "), MenuCount, TEXT(" menus"));
  Say(CON_OUTPUT, TEXT("Built "), static_cast<const WCHAR*>(shown), static_cast<const WCHAR*>(counts));
  return kExitDone;
}

}  // namespace

int RunBuild(const CommandArgs& args) {
  if (!IsInputFile(args.operands[0]) || (args.header && !IsInputFile(args.header))) return kExitFailed;
  CommandSession session;
  return BuildInSession(args);
}
