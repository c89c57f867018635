// The tooltip control as a program drives it: one "tooltips_class32" popup,
// tools described by TOOLINFOW with TTF_IDISHWND | TTF_SUBCLASS, deleted
// and added again to change a text, callback texts, the width and activation
// messages, and the tool windows' own procedures still reached through the
// subclass. These hold on real Win32 too; tooltip_headless_test.cpp shows
// tips on the virtual clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_text.h"
#include "tooltip_tools.h"

namespace {

std::vector<UINT>& seen() {
  static std::vector<UINT> list;
  return list;
}

// Tool windows note the private messages they get; the parent answers callback texts.
LRESULT CALLBACK tool_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER && message < WM_USER + 100) seen().push_back(message);
  if (message == WM_NOTIFY) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
    if (info->hdr.code == TTN_GETDISPINFOW) {
      static const WCHAR text[] = TEXT("Called back");
      info->lpszText = const_cast<LPWSTR>(text);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

const WCHAR* tool_class() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = tool_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = TEXT("TooltipTestTool");
    RegisterClassW(&wc);
    registered = true;
  }
  return TEXT("TooltipTestTool");
}

std::string tip_text(HWND tip, HWND control) {
  WCHAR buffer[80] = {};
  TTTOOLINFOW ti = tool_of(control, buffer);
  SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
  return u8(buffer);
}

int tool_count(HWND tip) { return static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0)); }

struct TooltipTest : ::testing::Test {
  HWND parent = nullptr, first = nullptr, second = nullptr, tip = nullptr;
  void SetUp() override {
    INITCOMMONCONTROLSEX init{sizeof init, 0x0B48};
    EXPECT_TRUE(InitCommonControlsEx(&init));
    parent = CreateWindowExW(0, tool_class(), TEXT("tools"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 200,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    first = CreateWindowExW(0, tool_class(), nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 100, 30, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    second = CreateWindowExW(0, tool_class(), nullptr, WS_CHILD | WS_VISIBLE, 150, 10, 100, 30, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    tip = make_tooltip();
    seen().clear();
  }
  void TearDown() override {
    if (IsWindow(tip)) DestroyWindow(tip);
    DestroyWindow(parent);
  }
};

}  // namespace

TEST_F(TooltipTest, OnePopupWhoseToolsAreReplacedByDeleteThenAdd) {
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(GetWindowLongW(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongW(tip, GWL_STYLE) & WS_POPUP);
  EXPECT_FALSE(IsWindowVisible(tip)) << "nothing shows before a pointer rests on a tool";
  EXPECT_EQ(GetParent(tip), nullptr);
  EXPECT_EQ(tool_count(tip), 0);

  EXPECT_TRUE(set_tip(tip, first, TEXT("Open a catalogue")));
  EXPECT_TRUE(set_tip(tip, second, TEXT("Save it")));
  EXPECT_EQ(tool_count(tip), 2);
  EXPECT_EQ(tip_text(tip, first), "Open a catalogue");
  EXPECT_TRUE(set_tip(tip, first, TEXT("Open another")));
  EXPECT_EQ(tool_count(tip), 2) << "the second call replaced the first text";
  EXPECT_EQ(tip_text(tip, first), "Open another");
  EXPECT_EQ(tip_text(tip, second), "Save it");

  // A null text is an empty one; deleting a tool that is not there changes nothing.
  EXPECT_TRUE(set_tip(tip, second, nullptr));
  EXPECT_EQ(tip_text(tip, second), "");
  TTTOOLINFOW stranger = tool_of(parent, TEXT("x"));
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&stranger));
  EXPECT_EQ(tool_count(tip), 2);

  TTTOOLINFOW ti = tool_of(first, TEXT("Updated"));
  SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(tip_text(tip, first), "Updated");
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_EQ(tool_count(tip), 1);

  // The text of a callback tool comes from its owner when asked.
  EXPECT_TRUE(set_tip(tip, first, LPSTR_TEXTCALLBACKW));
  EXPECT_EQ(tip_text(tip, first), "Called back");
}

TEST_F(TooltipTest, WidthAndActivationMessages) {
  EXPECT_EQ(SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 300), -1) << "no limit at first";
  EXPECT_EQ(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 300);
  EXPECT_EQ(SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, -1), 300);
  SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
  SendMessageW(tip, TTM_ACTIVATE, TRUE, 0);
  EXPECT_TRUE(IsWindow(tip));
  EXPECT_FALSE(IsWindowVisible(tip));
}

TEST_F(TooltipTest, SubclassedToolsStillReachTheirOwnProcedure) {
  auto before = GetWindowLongPtrW(first, GWLP_WNDPROC);
  ASSERT_TRUE(set_tip(tip, first, TEXT("Tip")));
  EXPECT_NE(GetWindowLongPtrW(first, GWLP_WNDPROC), before) << "TTF_SUBCLASS watches the tool's messages";
  SendMessageW(first, WM_USER + 5, 0, 0);
  SendMessageW(first, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ASSERT_TRUE(set_tip(tip, first, TEXT("Again")));  // subclassing twice must not loop
  SendMessageW(first, WM_USER + 6, 0, 0);
  EXPECT_EQ(seen(), (std::vector<UINT>{WM_USER + 5, WM_USER + 6}));

  // The tooltip going first, then its tool: neither leaves anything dangling.
  DestroyWindow(tip);
  SendMessageW(first, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageW(first, WM_USER + 7, 0, 0);
  EXPECT_EQ(seen().back(), static_cast<UINT>(WM_USER + 7));
  EXPECT_TRUE(DestroyWindow(first));

  // And the other way round.
  tip = make_tooltip();
  ASSERT_TRUE(set_tip(tip, second, TEXT("Tip")));
  EXPECT_TRUE(DestroyWindow(second));
  EXPECT_EQ(tool_count(tip), 1) << "Win32 keeps a tool whose window went away";
  EXPECT_TRUE(DestroyWindow(tip));
}
