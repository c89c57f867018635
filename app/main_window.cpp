// The program's only window: one panel holding five rows (file names,
// buttons, work areas, the find row, the status row), the link list and the
// hidden page buffer. Every gadget number is kept in its variable.
#include "app/state.h"
#include "app/support_files.h"
#include "app/text_helpers.h"
#include "gui/font.h"
#include "gui/gadget.h"
#include "gui/window.h"
#include "runtime/file.h"

namespace {

// Caption, system menu and minimize button: no maximize box and no sizing border.
constexpr uint32_t kMainWindowFlags = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static_assert(kMainWindowFlags == 0xCA0000);
// Sorted insertion for lines added one by one; the other two bits are in every list's base style.
constexpr int64_t kLinkListFlags = LBS_SORT | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
static_assert(kLinkListFlags == 322);
constexpr int64_t kReadOnly = ES_READONLY;
static_assert(kReadOnly == 2048);
constexpr int kListExtent = 1000;

enum class Kind { Panel, List, Field, Button };
enum class Color { None, Panel, Row, List, Label, Entry };

int32_t color_value(Color color) {
  switch (color) {
    case Color::Panel: return win_make_color(59, 25, 34);
    case Color::Row: return win_make_color(90, 105, 125);
    case Color::List: return win_make_color(236, 210, 194);
    case Color::Label: return win_make_color(224, 172, 144);
    case Color::Entry: return win_make_color(252, 247, 243);
    case Color::None: break;
  }
  return -1;
}

struct GadgetRow {
  int64_t* variable;
  Kind kind;
  int x, y, width, height;
  const WCHAR* text;
  int64_t flags;
  const WCHAR* tip;
  Color color;
  bool font0;
  int closes;  // panels closed after this gadget
};

const WCHAR kHelpTip[] = TEXT("");  // stands for the tooltip built from the help file's name

// In creation order; coordinates are relative to the parent panel.
const GadgetRow kGadgets[] = {
    {&MainPanel, Kind::Panel, 10, 10, 580, 710, nullptr, 0, nullptr, Color::Panel, false, 0},
    {&ListViewLinks, Kind::List, 0, 280, 576, 380, nullptr, kLinkListFlags,
     TEXT("URL Links-List ,  Left_Click = Select  /  Left_DoubleClick = GoTo-Website."), Color::List, true, 0},
    {&HtmlLinesList, Kind::List, 14, 236, 551, 385, nullptr, 0, nullptr, Color::None, false, 0},
    {&FilesPanel, Kind::Panel, 0, 2, 576, 36, nullptr, 0, nullptr, Color::Row, false, 0},
    {&InputFileLbl, Kind::Field, 14, 4, 120, 24, TEXT("InputFile.txt -->"), kReadOnly, nullptr, Color::Label, true, 0},
    {&InputFileTxt, Kind::Field, 130, 4, 150, 24, TEXT("Webrolo.txt"), kReadOnly, TEXT("Webrolo input txt filename"),
     Color::Entry, true, 0},
    // Takes font 0 like its twin on the left.
    {&OutputFileLbl, Kind::Field, 298, 4, 120, 24, TEXT(" OutputFile.html -->"), kReadOnly, nullptr, Color::Label, true,
     0},
    {&OutputFileTxt, Kind::Field, 418, 4, 150, 24, TEXT("Webrolo.html"), kReadOnly,
     TEXT("Webrolo output html filename"), Color::Entry, true, 1},
    {&ButtonsPanel, Kind::Panel, 0, 45, 576, 82, nullptr, 0, nullptr, Color::Row, false, 0},
    {&OpenBtn, Kind::Button, 14, 10, 125, 24, TEXT("Open Webrolo Txt"), 0, TEXT("Open  Webrolo input txt  File"),
     Color::None, true, 0},
    {&SaveFileBtn, Kind::Button, 156, 10, 125, 24, TEXT("Save Webrolo Txt"), 0, TEXT("Save  Webrolo input txt  File."),
     Color::None, true, 0},
    {&BuildBtn, Kind::Button, 298, 10, 125, 24, TEXT("Build Html File"), 0, TEXT("Build  Webrolo output html  File."),
     Color::None, true, 0},
    {&ViewBtn, Kind::Button, 440, 10, 125, 24, TEXT("View Html File"), 0,
     TEXT("Show  Webrolo output html File  in Browser."), Color::None, true, 0},
    {&AddSaveBtn, Kind::Button, 156, 46, 125, 24, TEXT("Add Link"), 0, TEXT("Add New-Link , NO Duplicates Allowed."),
     Color::None, true, 0},
    {&ClearBtn, Kind::Button, 14, 46, 125, 24, TEXT("Clear work-area"), 0, TEXT("Clear Text  work-area"), Color::None,
     true, 0},
    {&DeleteBtn, Kind::Button, 298, 46, 125, 24, TEXT("Delete Link"), 0,
     TEXT("Delete Selected-Link  from  Links-List."), Color::None, true, 0},
    {&HelpBtn, Kind::Button, 440, 46, 60, 24, TEXT("Help"), 0, kHelpTip, Color::None, true, 0},
    {&ExitBtn, Kind::Button, 505, 46, 60, 24, TEXT("Exit"), 0, TEXT("Exit Program."), Color::None, true, 1},
    {&WorkPanel, Kind::Panel, 0, 134, 576, 94, nullptr, 0, nullptr, Color::Row, false, 0},
    {&MenuNameLbl, Kind::Field, 14, 5, 125, 24, TEXT("Menu Name"), kReadOnly, nullptr, Color::Label, false, 0},
    {&MenuNameTxt, Kind::Field, 156, 5, 410, 24, TEXT(""), 0, TEXT("Menu-Name  work-area"), Color::Entry, true, 0},
    {&LinkTitleLbl, Kind::Field, 14, 32, 125, 24, TEXT("Link Title"), kReadOnly, nullptr, Color::Label, false, 0},
    {&LinkTitleTxt, Kind::Field, 156, 32, 410, 24, TEXT(""), 0, TEXT("Link-Title  work-area"), Color::Entry, true, 0},
    {&LinkAddressLbl, Kind::Field, 14, 61, 125, 24, TEXT("Link Address"), kReadOnly, nullptr, Color::Label, false, 0},
    {&LinkAddressTxt, Kind::Field, 156, 61, 410, 24, TEXT(""), 0, TEXT("Link-Address  work-area"), Color::Entry, true,
     1},
    {&FindPanel, Kind::Panel, 0, 235, 576, 38, nullptr, 0, nullptr, Color::Row, false, 0},
    {&FindLinkBtn, Kind::Button, 14, 5, 125, 24, TEXT("Find Link"), 0, TEXT("Click to begin Search."), Color::None,
     true, 0},
    {&FindLinkTxt, Kind::Field, 156, 5, 268, 24, TEXT(""), 0, TEXT("Enter search Arg"), Color::Entry, false, 0},
    {&LinkCountLbl, Kind::Field, 440, 5, 85, 24, TEXT("Links Count = "), kReadOnly, nullptr, Color::Label, false, 0},
    {&LinkCountTxt, Kind::Field, 524, 5, 40, 24, TEXT("0"), kReadOnly, nullptr, Color::Label, false, 1},
    {&StatusPanel, Kind::Panel, 0, 672, 576, 38, nullptr, 0, nullptr, Color::Row, false, 0},
    {&StatusLbl, Kind::Field, 14, 6, 75, 24, TEXT(" Status --->"), kReadOnly, nullptr, Color::Label, false, 0},
    // The status row and the main panel end here.
    {&StatusTxt, Kind::Field, 95, 6, 468, 24, TEXT("Welcome !"), kReadOnly, TEXT("Program Status , Message Area"),
     Color::Label, false, 2},
};

int64_t create(const GadgetRow& row) {
  switch (row.kind) {
    case Kind::Panel: return gadget_new_container(-1, row.x, row.y, row.width, row.height, row.flags);
    case Kind::List: return gadget_new_list(-1, row.x, row.y, row.width, row.height, row.flags);
    case Kind::Field: return gadget_new_field(-1, row.x, row.y, row.width, row.height, row.text, row.flags);
    case Kind::Button: return gadget_new_button(-1, row.x, row.y, row.width, row.height, row.text, row.flags);
  }
  return 0;
}

void create_gadgets() {
  Joined help_tip(TEXT("Open  "), WebroloHelpFile, TEXT("   'Help/About'   in Browser."));
  for (const GadgetRow& row : kGadgets) {
    const int64_t gadget = create(row);
    *row.variable = gadget;
    if (row.tip) gadget_set_tip(gadget, row.tip == kHelpTip ? static_cast<const WCHAR*>(help_tip) : row.tip);
    if (row.color != Color::None) gadget_set_color(gadget, GADGET_BACK_COLOR, color_value(row.color));
    if (row.font0) gadget_set_font(gadget, font_handle(0));
    for (int i = 0; i < row.closes; ++i) gadget_pop_list();
  }
  // Lines wider than the list scroll sideways.
  SendMessageW(gadget_handle(ListViewLinks), LB_SETHORIZONTALEXTENT, kListExtent, 0);
  gadget_set_hidden(HtmlLinesList, 1);
}

}  // namespace

void OpenMainWindow(int x, int y, int width, int height, uint32_t extra_flags) {
  const int32_t saved = text_stack_top();
  SupportFilePath(TEXT("Webrolo48x48.ico"), saved);
  AppIcon = static_cast<HICON>(LoadImageW(nullptr, text_stack_at(saved), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  text_stack_cut(saved);
  MainWindow = win_open(-1, x, y, width, height, TEXT("Webrolo 1.0"), kMainWindowFlags | extra_flags);
  if (AppIcon) SendMessageW(win_handle(MainWindow), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(AppIcon));
  font_load(0, TEXT("Candara"), 10);
  win_set_background(MainWindow, win_make_color(42, 18, 25));
  create_gadgets();
}
