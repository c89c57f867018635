// The page builder: the header file's lines, then one drop-down menu for
// every run of lines with the same menu name, one option per link, and the
// closing line; assembled in the hidden list and written beside the catalogue.
#include "app/catalogue_names.h"
#include "app/displays.h"
#include "app/page_text.h"
#include "app/safe_file.h"
#include "app/state.h"
#include "desktop/req.h"
#include "gui/gadget.h"
#include "runtime/file.h"

namespace {

const WCHAR kBuildCaption[] = TEXT("Buil Html File:");

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

// The fields of the line being converted. The build loop keeps one set for
// all its lines, so their blocks are reused rather than made and freed per line.
struct LineFields {
  LocalText menu, title, address;
};

// ListViewLinksLineIn into the page's lines at the end of HtmlLinesList.
void ConvertLine(LineFields* fields) {
  text_assign(&InComingLine, ListViewLinksLineIn);
  TextVar* kept[3] = {&fields->menu.value, &fields->title.value, &fields->address.value};
  if (!KeepFields(InComingLine, Delimiter, kept)) {
    ReportBadLine();
    return;
  }
  text_assign(&MenuNameWork, fields->menu);
  const int32_t saved = text_stack_top();
  if (!Is(MenuNameWork, LastMenuName)) {
    MenuCount += 1;
    if (MenuCount > 1) Append(SelectEndLine);
    Append(SelectLine);
    FillTemplate(MenuOptionLine, TEXT("xxx"), fields->menu, nullptr, nullptr, saved);
    Append(text_stack_at(saved));
    text_stack_cut(saved);
    text_assign(&LastMenuName, MenuNameWork);
  }
  // Title and address go in together, so neither is searched for the other's marker.
  FillTemplate(LinkOptionLine, TEXT("zzz"), fields->title, TEXT("yyy"), fields->address, saved);
  Append(text_stack_at(saved));
  text_stack_cut(saved);
}

// Every line of the list, as it stands, into the page.
void BuildLoop() {
  LinkCount = gadget_item_count(ListViewLinks);
  LineFields fields;
  for (int64_t i = 0; i < LinkCount; ++i) {
    win_busy_step();
    const int32_t saved = text_stack_top();
    gadget_item_text(ListViewLinks, i, saved);
    KeepText(&ListViewLinksLineIn, saved);
    ConvertLine(&fields);
  }
}

}  // namespace

void BuildHtmlPage() {
  BusySpan busy;
  gadget_clear(HtmlLinesList);
  MenuCount = 0;
  text_assign(&LastMenuName, kLastMenuNameMarker);
  // An empty list is BuildHtmlHdr's to report; names that would overwrite the catalogue build nothing.
  const bool links = gadget_item_count(ListViewLinks) > 0;
  if ((!links || CatalogueNamesUsable(kBuildCaption, TEXT("build the page of"))) && BuildHtmlHdr()) {
    BuildLoop();
    if (WriteHtmlPage()) {
      SetStatus(TEXT("Builded  "), HtmlFileName, TEXT("  File is Ready.   Click on [View Html FIle] Button To View"));
    } else {
      SetStatus(TEXT("  "), HtmlFileName, TEXT("  NOT BUILT !"));
    }
  }
  text_assign(&LastAction, TEXT("BuildBtn"));
}

bool BuildHtmlHdr() {
  LinkCount = gadget_item_count(ListViewLinks);
  if (LinkCount < 1) {
    req_message_ok(kBuildCaption, TEXT("Links View is empty. Try Click on  [Open Webrolo Txt]"));
    text_assign(&LastAction, TEXT("Links View is empty"));
    return false;
  }
  text_assign(&ReadFileName, TEXT("Webrolo_HtmlHdr.txt"));
  text_assign(&ReadPurpose, TEXT("BuildHtmlHdr"));
  LoadTextFile();
  return true;
}

void ConvertLinkLine() {
  LineFields fields;
  ConvertLine(&fields);
}

bool WriteHtmlPage() {
  Append(PageEndLine);
  const LineSource lines{gadget_item_count(HtmlLinesList), PageLine};
  SafeWriteFailure failure;
  if (WriteWithBackup(HtmlFileName, HtmlBackupName, lines, FILE_FORMAT_ANSI, &failure)) return true;
  ShowWriteFailure(kBuildCaption, failure);
  return false;
}
