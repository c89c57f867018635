// The program's global variables and the defaults start-up gives them.
#include "app/state.h"

int64_t MainWindow;
HICON AppIcon;
int64_t MainPanel, FilesPanel, ButtonsPanel, WorkPanel, FindPanel, StatusPanel;
int64_t ListViewLinks, HtmlLinesList;
int64_t InputFileLbl, InputFileTxt, OutputFileLbl, OutputFileTxt;
int64_t OpenBtn, SaveFileBtn, BuildBtn, ViewBtn, AddSaveBtn, ClearBtn, DeleteBtn, HelpBtn, ExitBtn;
int64_t MenuNameLbl, MenuNameTxt, LinkTitleLbl, LinkTitleTxt, LinkAddressLbl, LinkAddressTxt;
int64_t FindLinkBtn, FindLinkTxt, LinkCountLbl, LinkCountTxt, StatusLbl, StatusTxt;

TextVar WebroloHelpFile, WebSiteAddress, Delimiter, SelectedLine, FieldText;
TextVar LoadedFileName, SavedFileName, LastAction;
TextVar MenuOptionLine, LinkOptionLine, SelectLine, SelectEndLine, PageEndLine;
TextVar LastMenuName, MenuNameWork, InComingLine, ListViewLinksLineIn;
TextVar TxtFileName, TxtBackupName, HtmlFileName, HtmlBackupName;
TextVar ReadFileName, ReadPurpose, FileLineIn, FilePattern, CurrentDir, LinkCountText;
TextVar NewLinkLine, FindText;

int64_t FileSaved, DelimiterCount, SelectedIndex, ListEventType, Event;
int64_t LinkCount, FindStart, FindHits, MenuCount;
int64_t ExitRequested;

const WCHAR kLastMenuNameMarker[] = TEXT("LastMenuName$  1st Time I");

namespace {

// The selected attribute of every menu's caption option is joined from a
// number that nothing sets, so it always reads 0.
int64_t MenuOptionSelected;

TextVar* const kAllTexts[] = {
    &WebroloHelpFile, &WebSiteAddress,      &Delimiter,   &SelectedLine,   &FieldText,
    &LoadedFileName,  &SavedFileName,       &LastAction,  &MenuOptionLine, &LinkOptionLine,
    &SelectLine,      &SelectEndLine,       &PageEndLine, &LastMenuName,   &MenuNameWork,
    &InComingLine,    &ListViewLinksLineIn, &TxtFileName, &TxtBackupName,  &HtmlFileName,
    &HtmlBackupName,  &ReadFileName,        &ReadPurpose, &FileLineIn,     &FilePattern,
    &CurrentDir,      &LinkCountText,       &NewLinkLine, &FindText,
};

int64_t* const kAllNumbers[] = {
    &MainWindow,     &MainPanel,      &FilesPanel,     &ButtonsPanel,  &WorkPanel,
    &FindPanel,      &StatusPanel,    &ListViewLinks,  &HtmlLinesList, &InputFileLbl,
    &InputFileTxt,   &OutputFileLbl,  &OutputFileTxt,  &OpenBtn,       &SaveFileBtn,
    &BuildBtn,       &ViewBtn,        &AddSaveBtn,     &ClearBtn,      &DeleteBtn,
    &HelpBtn,        &ExitBtn,        &MenuNameLbl,    &MenuNameTxt,   &LinkTitleLbl,
    &LinkTitleTxt,   &LinkAddressLbl, &LinkAddressTxt, &FindLinkBtn,   &FindLinkTxt,
    &LinkCountLbl,   &LinkCountTxt,   &StatusLbl,      &StatusTxt,     &FileSaved,
    &DelimiterCount, &SelectedIndex,  &ListEventType,  &Event,         &LinkCount,
    &FindStart,      &FindHits,       &MenuCount,      &ExitRequested, &MenuOptionSelected,
};

}  // namespace

// Every number 0 and every text empty: the state before start-up, and after
// the string heap that held the texts is gone.
void ClearState() {
  for (TextVar* text : kAllTexts) *text = nullptr;
  for (int64_t* number : kAllNumbers) *number = 0;
  AppIcon = nullptr;
}

void SetStateDefaults() {
  text_assign(&WebroloHelpFile, TEXT("Webrolo_Help.html"));
  text_assign(&WebSiteAddress, TEXT("https://example.org/webrolo/"));
  FileSaved = 1;
  text_assign(&Delimiter, TEXT("[]"));
  text_assign(&SelectedLine, TEXT(" "));
  text_assign(&LinkOptionLine, TEXT("<option value=\"yyy\">zzz</option>"));
  text_assign(&SelectEndLine, TEXT("</select>"));
  text_assign(&PageEndLine, TEXT("</select></td></tr></table><br></body></html>"));
  text_assign(&LastMenuName, kLastMenuNameMarker);
  text_assign(&MenuNameWork, TEXT("MenuNameWork$  1st Time In"));
  text_assign(&InComingLine, TEXT("InComingLine$  1st Time In"));
  Joined option(TEXT("  <option selected=\""), MenuOptionSelected, TEXT("\" value=\"\">xxx</option>"));
  text_assign(&MenuOptionLine, option);
  text_assign(&SelectLine, TEXT("<select style=\"width:200px; font:14px Arial Black; color:rgb(0,0,0); "
                                "background-color:rgb(231,169,126);\" name=\"menu\" "
                                "onchange=\"window.open(this.value); window.location.reload();\">"));
}
