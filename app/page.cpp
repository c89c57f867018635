// The page builder: the header file's lines, then one drop-down menu for
// every run of lines with the same menu name, one option per link, and the
// closing line; assembled in the hidden list and written beside the catalogue.
#include "app/catalogue_names.h"
#include "app/displays.h"
#include "app/page_text.h"
#include "app/safe_file.h"
#include "app/state.h"
#include "app/support_files.h"
#include "desktop/req.h"
#include "gui/gadget.h"
#include "runtime/file.h"

namespace {

const WCHAR kBuildCaption[] = TEXT("Buil Html File:");
constexpr int64_t kHeaderLinesGuess = 64;

void Append(const WCHAR* line) { gadget_add_item(HtmlLinesList, -1, line); }

WCHAR* PageLine(int64_t index, int32_t offset) {
  gadget_item_text(HtmlLinesList, index, offset);
  return PageTextForFile(offset);
}

void ReportBadLine() {
  Joined message(TEXT("Missing delimiters "), Delimiter, LinkCount, TEXT("   "), InComingLine, TEXT("\r\n"),
                 TEXT("ListViewLinksLineIn$ = "), ListViewLinksLineIn);
  req_message_ok(TEXT("URL Link ERROR:"), message);
}

// Every line of the list, as it stands, into the page.
void BuildLoop() {
  LinkCount = gadget_item_count(ListViewLinks);
  for (int64_t i = 0; i < LinkCount; ++i) {
    win_busy_step();
    const int32_t saved = text_stack_top();
    gadget_item_text(ListViewLinks, i, saved);
    KeepText(&ListViewLinksLineIn, saved);
    ConvertLinkLine();
  }
}

}  // namespace

void BuildHtmlPage() {
  BusySpan busy;
  gadget_clear(HtmlLinesList);
  // The page is assembled out of sight: the list draws nothing meanwhile, and
  // has room at once for a line for each link and a few for each menu.
  const int64_t links = gadget_item_count(ListViewLinks);
  gadget_set_redraw(HtmlLinesList, false);
  gadget_reserve_items(HtmlLinesList, links + links / 2 + kHeaderLinesGuess, 0);
  MenuCount = 0;
  text_assign(&LastMenuName, kLastMenuNameMarker);
  // An empty list is BuildHtmlHdr's to report; names that would overwrite the catalogue build nothing.
  if ((links == 0 || CatalogueNamesUsable(kBuildCaption, TEXT("build the page of"))) && BuildHtmlHdr()) {
    BuildLoop();
    if (WriteHtmlPage()) {
      SetStatus(TEXT("Builded  "), HtmlFileName, TEXT("  File is Ready.   Click on [View Html FIle] Button To View"));
    } else {
      SetStatus(TEXT("  "), HtmlFileName, TEXT("  NOT BUILT !"));
    }
  }
  gadget_set_redraw(HtmlLinesList, true);
  text_assign(&LastAction, TEXT("BuildBtn"));
}

bool BuildHtmlHdr() {
  LinkCount = gadget_item_count(ListViewLinks);
  if (LinkCount < 1) {
    req_message_ok(kBuildCaption, TEXT("Links View is empty. Try Click on  [Open Webrolo Txt]"));
    text_assign(&LastAction, TEXT("Links View is empty"));
    return false;
  }
  if (text_length(HtmlHeaderFile) > 0) {
    text_assign(&ReadFileName, HtmlHeaderFile);
  } else {
    const int32_t saved = text_stack_top();
    SupportFilePath(TEXT("Webrolo_HtmlHdr.txt"), saved);
    KeepText(&ReadFileName, saved);
  }
  text_assign(&ReadPurpose, TEXT("BuildHtmlHdr"));
  LoadTextFile();
  return true;
}

void ConvertLinkLine() {
  text_assign(&InComingLine, ListViewLinksLineIn);
  // The menu name, the title and the address, as pieces of InComingLine.
  TextPiece fields[3];
  if (!SplitLinkLine(InComingLine, Delimiter, fields)) {
    ReportBadLine();
    return;
  }
  const int32_t saved = text_stack_top();
  text_stack_put(fields[0].text, fields[0].length, saved);
  KeepText(&MenuNameWork, saved);
  if (!Is(MenuNameWork, LastMenuName)) {
    MenuCount += 1;
    if (MenuCount > 1) Append(SelectEndLine);
    Append(SelectLine);
    FillTemplate(MenuOptionLine, TEXT("xxx"), fields[0], nullptr, {}, saved);
    Append(text_stack_at(saved));
    text_stack_cut(saved);
    text_assign(&LastMenuName, MenuNameWork);
  }
  // Title and address go in together, so neither is searched for the other's marker.
  FillTemplate(LinkOptionLine, TEXT("zzz"), fields[1], TEXT("yyy"), fields[2], saved);
  Append(text_stack_at(saved));
  text_stack_cut(saved);
}

bool WriteHtmlPage() {
  Append(PageEndLine);
  const LineSource lines{gadget_item_count(HtmlLinesList), PageLine};
  SafeWriteFailure failure;
  if (WriteWithBackup(HtmlFileName, HtmlBackupName, lines, FILE_FORMAT_ANSI, &failure)) return true;
  ShowWriteFailure(kBuildCaption, failure);
  return false;
}
