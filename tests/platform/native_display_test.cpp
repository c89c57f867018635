// What the window manager tells a native display and does with what the
// desktop tells it, played through the headless display (Linux only): the
// native kind and owner of windows, drawing at a double scale, the clipboard
// shared with other programs, the window manager's moves, states, activation
// and close button, text from an input method, and the cursor.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/test_text.h"
#include "message_log.h"
#include "platform/win32/display/headless_backend.h"
#include "platform/win32/display/headless_driver.h"

namespace {

using display::InputEvent;
using Kind = InputEvent::Kind;

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

display::Surface* surface_titled(const std::string& title) {
  for (display::Surface* s : display::headless::surfaces())
    if (u8(display::headless::info(s).title.c_str()) == title) return s;
  return nullptr;
}

HWND make(DWORD ex_style, DWORD style, const WCHAR* title, HWND owner = nullptr, int cx = 300, int cy = 200) {
  register_logging_class(TEXT("NativeDisplay"), CS_DBLCLKS, 0, GetSysColorBrush(COLOR_WINDOW));
  return CreateWindowExW(ex_style, TEXT("NativeDisplay"), title, style, 100, 100, cx, cy, owner, nullptr, nullptr,
                         nullptr);
}

void deliver(Kind kind, display::Surface* surface, int x = 0, int y = 0) {
  InputEvent e;
  e.kind = kind;
  e.surface = surface;
  e.x = x;
  e.y = y;
  display::headless::inject(e);
  headless::pump();
}

TEST(NativeDisplay, WindowsTellTheDisplayTheirKindAndOwner) {
  HWND main = make(0, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, TEXT("Native main"));
  HWND box = make(WS_EX_DLGMODALFRAME, WS_POPUP | WS_CAPTION | WS_SYSMENU, TEXT("Native box"), main);
  display::Surface* m = surface_titled("Native main");
  display::Surface* b = surface_titled("Native box");
  ASSERT_TRUE(m && b);
  display::SurfaceStyle ms = display::headless::info(m).style;
  EXPECT_EQ(ms.kind, display::SurfaceStyle::Kind::Normal);
  EXPECT_TRUE(ms.minimizable && !ms.resizable && !ms.maximizable);
  EXPECT_EQ(ms.owner, nullptr);
  EXPECT_EQ(display::headless::info(b).style.owner, m) << "an owned window stays above its owner";
  // Styles changed later reach the display: a window becomes sizable, then a tool tip.
  SetWindowLongW(main, GWL_STYLE, GetWindowLongW(main, GWL_STYLE) | WS_THICKFRAME);
  EXPECT_TRUE(display::headless::info(m).style.resizable);
  SetWindowLongPtrW(box, GWLP_HWNDPARENT, 0);
  EXPECT_EQ(display::headless::info(b).style.owner, nullptr);
  SetWindowLongW(box, GWL_STYLE, WS_POPUP);
  SetWindowLongW(box, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  EXPECT_EQ(display::headless::info(b).style.kind, display::SurfaceStyle::Kind::Tooltip);
  // The window's icon goes to the display: WM_SETICON, and clearing it.
  EXPECT_FALSE(display::headless::info(m).has_icon);
  HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  SendMessageW(main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  EXPECT_TRUE(display::headless::info(m).has_icon);
  SendMessageW(main, WM_SETICON, ICON_SMALL, 0);
  EXPECT_FALSE(display::headless::info(m).has_icon);
  DestroyWindow(box);
  DestroyWindow(main);
}

// A window drawn at a double scale: the program's pixels stay its own.
TEST(NativeDisplay, AtADoubleScaleWindowsAreDrawnWithFourPixelsForOne) {
  display::headless::set_scale(2);
  HWND w = make(0, WS_POPUP | WS_VISIBLE, TEXT("Native scaled"), nullptr, 100, 60);
  headless::pump();  // erased white
  HDC dc = GetDC(w);
  HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
  RECT block{10, 10, 20, 20}, line{30, 0, 31, 60};
  FillRect(dc, &block, red);
  FillRect(dc, &line, red);
  EXPECT_EQ(GetPixel(dc, 15, 15), RGB(200, 0, 0)) << "read back by the program's pixels";
  EXPECT_EQ(GetPixel(dc, 31, 5), kWhite);
  PatBlt(dc, 40, 40, 5, 5, DSTINVERT);
  HFONT font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TEXT("DejaVu Sans"));
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  TextOutW(dc, 50, 5, TEXT("Ab"), 2);
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  EXPECT_EQ(headless::pixel(w, 15, 15), RGB(200, 0, 0));
  display::Surface* s = surface_titled("Native scaled");
  ASSERT_TRUE(s);
  display::headless::SurfaceInfo info = display::headless::info(s);
  EXPECT_EQ(info.width, 200);
  EXPECT_EQ(info.height, 120);
  EXPECT_EQ(display::headless::color_at(s, 20, 20), RGB(200, 0, 0));
  EXPECT_EQ(display::headless::color_at(s, 39, 39), RGB(200, 0, 0));
  EXPECT_EQ(display::headless::color_at(s, 40, 40), kWhite);
  EXPECT_EQ(display::headless::color_at(s, 19, 19), kWhite);
  // A one-pixel line is two device pixels wide, exactly.
  EXPECT_EQ(display::headless::color_at(s, 59, 10), kWhite);
  EXPECT_EQ(display::headless::color_at(s, 60, 10), RGB(200, 0, 0));
  EXPECT_EQ(display::headless::color_at(s, 61, 10), RGB(200, 0, 0));
  EXPECT_EQ(display::headless::color_at(s, 62, 10), kWhite);
  EXPECT_EQ(display::headless::color_at(s, 80, 80), kBlack) << "inverted white";
  EXPECT_EQ(display::headless::color_at(s, 90, 90), kWhite);
  // Text drawn at the fine resolution: its edges fall inside the program's pixels.
  int split = 0;
  for (int y = 10; y < 60; y += 2)
    for (int x = 100; x < 150; x += 2) {
      COLORREF a = display::headless::color_at(s, x, y);
      if (a != display::headless::color_at(s, x + 1, y) || a != display::headless::color_at(s, x, y + 1)) ++split;
    }
  EXPECT_GT(split, 20);
  DeleteObject(font);
  DeleteObject(red);
  DestroyWindow(w);
  display::headless::set_scale(1);
}

TEST(NativeDisplay, TheClipboardIsSharedWithOtherPrograms) {
  display::headless::share_clipboard("from another program");
  HWND w = make(0, WS_OVERLAPPED, TEXT("Native clipboard"));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "what another program copied is there";
  ASSERT_TRUE(OpenClipboard(w));
  auto text_now = [] {
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    const auto* p = h ? static_cast<const WCHAR*>(GlobalLock(h)) : nullptr;
    std::string out = p ? u8(p) : "";
    if (p) GlobalUnlock(h);
    return out;
  };
  EXPECT_EQ(text_now(), "from another program");
  // This program copies: the others see it when the clipboard closes.
  EmptyClipboard();
  std::u16string mine = w16("h\xC3\xA9llo \xE2\x82\xAC \xF0\x9F\x98\x80");  // an accent, the euro, an emoji
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (mine.size() + 1) * sizeof(WCHAR));
  std::memcpy(GlobalLock(block), mine.c_str(), (mine.size() + 1) * sizeof(WCHAR));
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  EXPECT_EQ(display::headless::shared_clipboard(), "from another program") << "not before it closes";
  CloseClipboard();
  EXPECT_EQ(display::headless::shared_clipboard(), "h\xC3\xA9llo \xE2\x82\xAC \xF0\x9F\x98\x80");
  // Opening again changes nothing: the shared text is ours.
  ASSERT_TRUE(OpenClipboard(w));
  EXPECT_EQ(GetClipboardOwner(), w);
  CloseClipboard();
  // Another program copies: ours is gone, and the owner hears of it.
  message_log().clear();
  display::headless::share_clipboard("next");
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(text_now(), "next");
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  EXPECT_EQ(messages_of(w, {WM_DESTROYCLIPBOARD}).size(), 1u);
  // Emptied here: the others see no text.
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(display::headless::shared_clipboard(), "");
  display::headless::share_clipboard(nullptr);
  DestroyWindow(w);
}

TEST(NativeDisplay, TheWindowManagerMovesMinimisesActivatesAndAsksToClose) {
  HWND main = make(0, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, TEXT("Native managed"));
  display::Surface* s = surface_titled("Native managed");
  ASSERT_TRUE(s);
  headless::pump();
  // Moved by the user: the window follows.
  deliver(Kind::Moved, s, 250, 140);
  RECT r;
  GetWindowRect(main, &r);
  EXPECT_EQ(r.left, 250);
  EXPECT_EQ(r.top, 140);
  // Maximised by the desktop's frame, though it has no maximize box: it stays as it is.
  deliver(Kind::Maximized, s);
  EXPECT_FALSE(IsZoomed(main));
  EXPECT_EQ(display::headless::info(s).state, display::ShowState::Normal);
  // Minimised and restored by the desktop: the program hears it as Win32 says.
  message_log().clear();
  deliver(Kind::Minimized, s);
  EXPECT_TRUE(IsIconic(main));
  deliver(Kind::Restored, s);
  EXPECT_FALSE(IsIconic(main));
  EXPECT_EQ(messages_of(main, {WM_SYSCOMMAND}).size(), 2u);
  // Another program takes the keyboard, then the user comes back.
  message_log().clear();
  deliver(Kind::Deactivated, s);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  const LoggedMessage* app = nullptr;
  for (const LoggedMessage& m : message_log())
    if (m.hwnd == main && m.message == WM_ACTIVATEAPP) app = &m;
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->wParam, static_cast<WPARAM>(FALSE));
  deliver(Kind::Activated, s);
  EXPECT_EQ(GetActiveWindow(), main);

  // While a box it owns is up, the owner is disabled: activating it brings the box, closing it does nothing.
  HWND box = make(0, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, TEXT("Native owned"), main);
  EnableWindow(main, FALSE);
  SetActiveWindow(nullptr);
  message_log().clear();
  deliver(Kind::Activated, s);
  EXPECT_EQ(GetActiveWindow(), box);
  deliver(Kind::Close, s);
  EXPECT_TRUE(messages_of(main, {WM_CLOSE}).empty());
  EnableWindow(main, TRUE);
  DestroyWindow(box);
  // The close button asks, through WM_SYSCOMMAND, and DefWindowProcW closes.
  message_log().clear();
  deliver(Kind::Close, s);
  EXPECT_EQ(messages_of(main, {WM_SYSCOMMAND, WM_CLOSE}), (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE}));
  EXPECT_FALSE(IsWindow(main));
}

TEST(NativeDisplay, PointersGoByTheNativeWindowAndTextByTheLayout) {
  HWND back = make(0, WS_POPUP | WS_VISIBLE, TEXT("Native back"));
  HWND front = make(0, WS_POPUP | WS_VISIBLE, TEXT("Native front"));
  headless::pump();
  // Both lie at the same place; the desktop says the pointer is in the back one (its stacking, not ours).
  message_log().clear();
  InputEvent click;
  click.kind = Kind::MouseDown;
  click.surface = surface_titled("Native back");
  click.x = 150;
  click.y = 150;
  click.button = 1;
  display::headless::inject(click);
  headless::pump();
  EXPECT_EQ(messages_of(back, {WM_LBUTTONDOWN}).size(), 1u);
  EXPECT_TRUE(messages_of(front, {WM_LBUTTONDOWN}).empty());
  click.kind = Kind::MouseUp;
  display::headless::inject(click);
  headless::pump();

  // Text from an input method goes to the focus as characters; a dead key types nothing by itself.
  SetFocus(front);
  message_log().clear();
  InputEvent dead;
  dead.kind = Kind::KeyDown;
  dead.key = VK_OEM_7;
  dead.text_final = true;
  display::headless::inject(dead);
  InputEvent text;
  text.kind = Kind::Text;
  std::u16string composed = w16("\xC3\xA9\xE6\x97\xA5");  // é and a character an input method made
  composed.copy(text.text, 7);
  display::headless::inject(text);
  headless::pump();
  std::u16string got;
  for (const LoggedMessage& m : message_log())
    if (m.hwnd == front && m.message == WM_CHAR) got += static_cast<char16_t>(m.wParam);
  EXPECT_EQ(u8(got.c_str()), "\xC3\xA9\xE6\x97\xA5");
  // Without the layout's word, a key types as a US keyboard would.
  message_log().clear();
  headless::key(VK_OEM_7);
  headless::pump();
  EXPECT_EQ(messages_of(front, {WM_CHAR}).size(), 1u);
  DestroyWindow(front);
  DestroyWindow(back);
}

TEST(NativeDisplay, TheCursorIsTheIBeamOverEditFieldsAndTheArrowElsewhere) {
  HWND top = make(0, WS_POPUP | WS_VISIBLE, TEXT("Native cursor"));
  HWND edit = CreateWindowExW(0, TEXT("EDIT"), TEXT(""), WS_CHILD | WS_VISIBLE, 10, 10, 100, 24, top, nullptr, nullptr,
                              nullptr);
  headless::pump();
  POINT over = headless::on_screen(edit, 20, 10);
  headless::mouse_move(over.x, over.y);
  headless::pump();
  EXPECT_EQ(display::headless::cursor(), display::CursorShape::IBeam);
  POINT off = headless::on_screen(top, 200, 150);
  headless::mouse_move(off.x, off.y);
  headless::pump();
  EXPECT_EQ(display::headless::cursor(), display::CursorShape::Arrow);
  DestroyWindow(top);
}

}  // namespace
#endif
