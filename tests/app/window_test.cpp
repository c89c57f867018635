// The main window as the person sees it: a fixed-size window of the asked
// size, every gadget at its place with its text, tooltip, colour and font,
// the link list's style and sideways extent, and the hidden page buffer.
#include "app/displays.h"
#include "app_fixture.h"
#include "gui/font.h"

namespace {

struct Expected {
  const int64_t* gadget;
  const int64_t* parent;
  int x, y, width, height;
  const char* text;
  const char* tip;       // null: none
  int red, green, blue;  // -1: the platform's colour
  bool font0;
};

const Expected kLayout[] = {
    {&MainPanel, &MainWindow, 10, 10, 580, 710, "", nullptr, 59, 25, 34, false},
    {&ListViewLinks, &MainPanel, 0, 280, 576, 380, "",
     "URL Links-List ,  Left_Click = Select  /  Left_DoubleClick = GoTo-Website.", 236, 210, 194, true},
    {&FilesPanel, &MainPanel, 0, 2, 576, 36, "", nullptr, 90, 105, 125, false},
    {&InputFileLbl, &FilesPanel, 14, 4, 120, 24, "InputFile.txt -->", nullptr, 224, 172, 144, true},
    {&InputFileTxt, &FilesPanel, 130, 4, 150, 24, "Webrolo.txt", "Webrolo input txt filename", 252, 247, 243, true},
    {&OutputFileLbl, &FilesPanel, 298, 4, 120, 24, " OutputFile.html -->", nullptr, 224, 172, 144, true},
    {&OutputFileTxt, &FilesPanel, 418, 4, 150, 24, "Webrolo.html", "Webrolo output html filename", 252, 247, 243, true},
    {&ButtonsPanel, &MainPanel, 0, 45, 576, 82, "", nullptr, 90, 105, 125, false},
    {&OpenBtn, &ButtonsPanel, 14, 10, 125, 24, "Open Webrolo Txt", "Open  Webrolo input txt  File", -1, 0, 0, true},
    {&SaveFileBtn, &ButtonsPanel, 156, 10, 125, 24, "Save Webrolo Txt", "Save  Webrolo input txt  File.", -1, 0, 0,
     true},
    {&BuildBtn, &ButtonsPanel, 298, 10, 125, 24, "Build Html File", "Build  Webrolo output html  File.", -1, 0, 0,
     true},
    {&ViewBtn, &ButtonsPanel, 440, 10, 125, 24, "View Html File", "Show  Webrolo output html File  in Browser.", -1, 0,
     0, true},
    {&AddSaveBtn, &ButtonsPanel, 156, 46, 125, 24, "Add Link", "Add New-Link , NO Duplicates Allowed.", -1, 0, 0, true},
    {&ClearBtn, &ButtonsPanel, 14, 46, 125, 24, "Clear work-area", "Clear Text  work-area", -1, 0, 0, true},
    {&DeleteBtn, &ButtonsPanel, 298, 46, 125, 24, "Delete Link", "Delete Selected-Link  from  Links-List.", -1, 0, 0,
     true},
    {&HelpBtn, &ButtonsPanel, 440, 46, 60, 24, "Help", "Open  Webrolo_Help.html   'Help/About'   in Browser.", -1, 0, 0,
     true},
    {&ExitBtn, &ButtonsPanel, 505, 46, 60, 24, "Exit", "Exit Program.", -1, 0, 0, true},
    {&WorkPanel, &MainPanel, 0, 134, 576, 94, "", nullptr, 90, 105, 125, false},
    {&MenuNameLbl, &WorkPanel, 14, 5, 125, 24, "Menu Name", nullptr, 224, 172, 144, false},
    {&MenuNameTxt, &WorkPanel, 156, 5, 410, 24, "", "Menu-Name  work-area", 252, 247, 243, true},
    {&LinkTitleLbl, &WorkPanel, 14, 32, 125, 24, "Link Title", nullptr, 224, 172, 144, false},
    {&LinkTitleTxt, &WorkPanel, 156, 32, 410, 24, "", "Link-Title  work-area", 252, 247, 243, true},
    {&LinkAddressLbl, &WorkPanel, 14, 61, 125, 24, "Link Address", nullptr, 224, 172, 144, false},
    {&LinkAddressTxt, &WorkPanel, 156, 61, 410, 24, "", "Link-Address  work-area", 252, 247, 243, true},
    {&FindPanel, &MainPanel, 0, 235, 576, 38, "", nullptr, 90, 105, 125, false},
    {&FindLinkBtn, &FindPanel, 14, 5, 125, 24, "Find Link", "Click to begin Search.", -1, 0, 0, true},
    {&FindLinkTxt, &FindPanel, 156, 5, 268, 24, "", "Enter search Arg", 252, 247, 243, false},
    {&LinkCountLbl, &FindPanel, 440, 5, 85, 24, "Links Count = ", nullptr, 224, 172, 144, false},
    {&LinkCountTxt, &FindPanel, 524, 5, 40, 24, "0", nullptr, 224, 172, 144, false},
    {&StatusPanel, &MainPanel, 0, 672, 576, 38, "", nullptr, 90, 105, 125, false},
    {&StatusLbl, &StatusPanel, 14, 6, 75, 24, " Status --->", nullptr, 224, 172, 144, false},
    {&StatusTxt, &StatusPanel, 95, 6, 468, 24, "Welcome !", "Program Status , Message Area", 224, 172, 144, false},
};

HWND find_tooltip() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM param) -> BOOL {
        WCHAR cls[32] = {};
        GetClassNameW(window, cls, 32);
        if (u8(cls) != "tooltips_class32") return TRUE;
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string tip_of(HWND tooltip, HWND control) {
  WCHAR buffer[256] = {};
  TTTOOLINFOW tool = {};
  tool.cbSize = offsetof(TTTOOLINFOW, lpReserved);
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = buffer;
  SendMessageW(tooltip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  return u8(buffer);
}

using MainWindowLayout = AppTest;

#ifndef _WIN32
// The first and the last client column where the screen shows dark (text) pixels of a window.
std::pair<int, int> ink_of(HWND window) {
  RECT c{};
  GetClientRect(window, &c);
  std::pair<int, int> ink{-1, -1};
  for (int x = 0; x < c.right; ++x)
    for (int y = 0; y < c.bottom; ++y) {
      const COLORREF p = headless::pixel(window, x, y);
      if (GetRValue(p) + GetGValue(p) + GetBValue(p) >= 300) continue;
      if (ink.first < 0) ink.first = x;
      ink.second = x;
      break;
    }
  return ink;
}
#endif

TEST_F(MainWindowLayout, FixedSizeWindowWithEveryGadgetInPlace) {
  HWND window = win_handle(MainWindow);
  EXPECT_EQ(window_text(window), "Webrolo 1.0");
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "no sizing border, no maximize box";
  RECT client{}, outer{};
  GetClientRect(window, &client);
  GetWindowRect(window, &outer);
  EXPECT_EQ(client.right, 600);
  EXPECT_EQ(client.bottom, 735);
  EXPECT_EQ(outer.left, 10);
  EXPECT_EQ(outer.top, 10);

  HWND tooltip = find_tooltip();
  ASSERT_NE(tooltip, nullptr);
  for (const Expected& e : kLayout) {
    HWND control = gadget_handle(*e.gadget);
    ASSERT_NE(control, nullptr);
    HWND parent = *e.parent == MainWindow ? window : gadget_handle(*e.parent);
    EXPECT_EQ(GetParent(control), parent) << window_text(control);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, e.x) << e.text;
    EXPECT_EQ(r.top, e.y) << e.text;
    EXPECT_EQ(r.right - r.left, e.width) << e.text;
    EXPECT_EQ(r.bottom - r.top, e.height) << e.text;
    EXPECT_EQ(text(*e.gadget), e.text);
    EXPECT_EQ(tip_of(tooltip, control), e.tip ? e.tip : "") << e.text;
    const int32_t color = e.red < 0 ? -1 : win_make_color(e.red, e.green, e.blue);
    EXPECT_EQ(gadget_get_color(*e.gadget, GADGET_BACK_COLOR), color) << e.text;
    const bool has_font0 = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) == font_handle(0);
    EXPECT_EQ(has_font0, e.font0) << e.text;
  }
  for (int64_t label : {InputFileLbl, InputFileTxt, OutputFileTxt, MenuNameLbl, LinkCountTxt, StatusTxt}) {
    EXPECT_TRUE(GetWindowLongW(gadget_handle(label), GWL_STYLE) & ES_READONLY) << text(label);
  }
  for (int64_t field : {MenuNameTxt, LinkTitleTxt, LinkAddressTxt, FindLinkTxt}) {
    EXPECT_FALSE(GetWindowLongW(gadget_handle(field), GWL_STYLE) & ES_READONLY);
  }

  HWND list = gadget_handle(ListViewLinks);
  EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & LBS_SORT);
  EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 1000);
  EXPECT_FALSE(IsWindowVisible(gadget_handle(HtmlLinesList)));
  EXPECT_FALSE(GetWindowLongW(gadget_handle(HtmlLinesList), GWL_STYLE) & LBS_SORT);
  EXPECT_EQ(var(MenuOptionLine), "  <option selected=\"0\" value=\"\">xxx</option>");
  EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0) << "no icon file in the folder";
}

// The whole link count shows up to 9,999,999 links: the number fits the field's formatting
// rectangle in the field's font, and on the screen its ink lies inside that rectangle, none of it
// under the label beside it. WEBROLO_COUNT_SCREENSHOTS names a folder for pictures of the row.
TEST_F(MainWindowLayout, LinkCountShowsEveryDigit) {
  HWND count = gadget_handle(LinkCountTxt);
  for (const char* number : {"0", "9999", "10000", "123456", "1000000", "9999999"}) {
    const std::u16string digits = w16(number);
    text_assign(&LinkCountText, reinterpret_cast<const WCHAR*>(digits.c_str()));
    ShowLinkCountText();
    run();
    RECT format{};
    SendMessageW(count, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    HDC dc = GetDC(count);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(count, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const WCHAR*>(digits.c_str()), static_cast<int>(digits.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(count, dc);
    EXPECT_LE(size.cx, format.right - format.left) << number;
#ifndef _WIN32
    const auto [left, right] = ink_of(count);
    EXPECT_GE(right - left, size.cx - 3) << number << ": some of it is cut or covered";
    EXPECT_GE(left, format.left) << number;
    EXPECT_LT(right, format.right) << number;
    if (const char* folder = std::getenv("WEBROLO_COUNT_SCREENSHOTS"))
      headless::save_png(count, (std::string(folder) + "/count-" + number + ".png").c_str());
#endif
  }
}

#ifndef _WIN32
// The colours as they reach the screen: window, panel, rows, list, labels and entries.
TEST_F(MainWindowLayout, ColoursOnTheScreen) {
  HWND window = win_handle(MainWindow);
  EXPECT_EQ(headless::pixel(window, 4, 4), RGB(42, 18, 25));
  EXPECT_EQ(headless::pixel(window, 10 + 578, 10 + 300), RGB(59, 25, 34)) << "the main panel right of the rows";
  EXPECT_EQ(headless::pixel(gadget_handle(ButtonsPanel), 5, 40), RGB(90, 105, 125));
  EXPECT_EQ(headless::pixel(gadget_handle(ListViewLinks), 200, 200), RGB(236, 210, 194));
  EXPECT_EQ(headless::pixel(gadget_handle(StatusLbl), 70, 12), RGB(224, 172, 144));
  EXPECT_EQ(headless::pixel(gadget_handle(MenuNameTxt), 400, 12), RGB(252, 247, 243));
}

// The icon file beside the program becomes the caption icon.
TEST(MainWindowIcon, TakenFromTheCurrentFolder) {
  std::string dir = test_dir();
  std::filesystem::copy_file(WEBROLO_SOURCE_DIR "/app/res/webrolo.ico", dir + "Webrolo48x48.ico");
  auto saved = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  StartUp();
  EXPECT_NE(AppIcon, nullptr);
  EXPECT_EQ(SendMessageW(win_handle(MainWindow), WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(AppIcon));
  ShutDownLibraries();
  ShutDownRuntime();
  std::filesystem::current_path(saved);
}
#endif

}  // namespace
