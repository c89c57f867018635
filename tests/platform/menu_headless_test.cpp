// Popup menus on the headless display: the keys and the mouse in the menu's
// own loop (driven from timers that fire inside it), its look, its place near
// the screen's edges, the command it sends without TPM_RETURNCMD, and the
// WM_CONTEXTMENU that DefWindowProcW makes of the right button and the menu
// keys. Linux only.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/win32/display/headless_driver.h"

namespace {

// Positions: Alpha 0, Beta 1 (greyed), a separator 2, Gamma 3, Delta 4.
enum : UINT { kAlpha = 1, kBeta, kGamma, kDelta };
constexpr UINT kBetaAt = 1, kGammaAt = 3, kDeltaAt = 4;

std::vector<MSG> g_seen;  // WM_CONTEXTMENU and WM_COMMAND as the owner got them

LRESULT CALLBACK owner_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CONTEXTMENU || message == WM_COMMAND) g_seen.push_back(MSG{window, message, wParam, lParam, 0, {}});
  return DefWindowProcW(window, message, wParam, lParam);
}

using Step = std::function<void()>;
std::vector<Step> g_steps;
HMENU g_menu = nullptr;
UINT_PTR g_timer = 0;

// Each step runs on a timer tick of its own inside the menu's loop, so the input of one is taken before the next.
void CALLBACK next_step(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (g_steps.empty()) return;
  Step step = g_steps.front();
  g_steps.erase(g_steps.begin());
  step();
  g_timer = SetTimer(nullptr, 0, 10, next_step);
}

POINT middle(UINT position) {
  RECT r{};
  EXPECT_TRUE(GetMenuItemRect(nullptr, g_menu, position, &r));
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
Step keys(std::vector<UINT> list) {
  return [list] {
    for (UINT k : list) headless::key(k);
  };
}
// A click with the button (0: only a move) on the item at the position.
Step mouse(UINT position, int button) {
  return [position, button] {
    POINT p = middle(position);
    if (button) headless::click(p.x, p.y, button);
    else headless::mouse_move(p.x, p.y);
  };
}
HWND menu_window() { return FindWindowW(TEXT("#32768"), nullptr); }

struct MenuHeadless : ::testing::Test {
  HWND owner = nullptr, child = nullptr;
  HMENU menu = nullptr;

  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = owner_proc;
    wc.lpszClassName = TEXT("MenuTestOwner");
    RegisterClassW(&wc);
    owner = CreateWindowExW(0, TEXT("MenuTestOwner"), TEXT("Owner"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300,
                            nullptr, nullptr, nullptr, nullptr);
    child = CreateWindowExW(0, TEXT("MenuTestOwner"), nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 200, 100, owner, nullptr,
                            nullptr, nullptr);
    SetFocus(child);
    menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kAlpha, TEXT("Alpha"));
    AppendMenuW(menu, MF_STRING | MF_GRAYED, kBeta, TEXT("Beta"));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kGamma, TEXT("Gamma"));
    AppendMenuW(menu, MF_STRING, kDelta, TEXT("Delta"));
    headless::set_stall_handler([](const char*) {});  // a menu the steps leave open answers 0 instead of aborting
    headless::pump();
    g_seen.clear();
  }
  void TearDown() override {
    headless::set_stall_handler(nullptr);
    DestroyMenu(menu);
    DestroyWindow(owner);
    headless::pump();
  }
  BOOL track(std::vector<Step> steps, UINT flags = TPM_RETURNCMD, POINT at = {300, 200}) {
    g_steps = std::move(steps);
    g_menu = menu;
    g_timer = SetTimer(nullptr, 0, 10, next_step);
    const BOOL chosen = TrackPopupMenuEx(menu, flags, at.x, at.y, owner, nullptr);
    KillTimer(nullptr, g_timer);  // no step of this menu may reach the next one
    return chosen;
  }
};

}  // namespace

TEST_F(MenuHeadless, KeysAndMouseChooseOnlyWhatCanBeChosen) {
  const UINT kReturn = TPM_RETURNCMD, kRightButton = TPM_RETURNCMD | TPM_RIGHTBUTTON;
  struct Case {
    const char* what;
    std::vector<Step> steps;
    UINT flags;
    BOOL chosen;
  } cases[] = {
      {"Down, Enter: the first item", {keys({VK_DOWN, VK_RETURN})}, kReturn, kAlpha},
      {"the greyed item and the separator are passed over", {keys({VK_DOWN, VK_DOWN, VK_RETURN})}, kReturn, kGamma},
      {"Up from nothing: the last item", {keys({VK_UP, VK_RETURN})}, kReturn, kDelta},
      {"Down goes round the end", {keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})}, kReturn, kAlpha},
      {"End, then Up", {keys({VK_END, VK_UP, VK_RETURN})}, kReturn, kGamma},
      {"Esc dismisses", {keys({VK_DOWN, VK_ESCAPE})}, kReturn, 0},
      {"Enter with nothing highlighted", {keys({VK_RETURN})}, kReturn, 0},
      {"the pointer highlights, Enter chooses", {mouse(kDeltaAt, 0), keys({VK_RETURN})}, kReturn, kDelta},
      {"a click chooses", {mouse(kGammaAt, 1)}, kReturn, kGamma},
      {"a click on a greyed item chooses nothing", {mouse(kBetaAt, 1), keys({VK_ESCAPE})}, kReturn, 0},
      {"a press outside dismisses", {[] { headless::click(5, 5); }}, kReturn, 0},
      {"the right button chooses with TPM_RIGHTBUTTON", {mouse(kGammaAt, 2)}, kRightButton, kGamma},
      {"and not without it", {mouse(kGammaAt, 2), keys({VK_ESCAPE})}, kReturn, 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(track(c.steps, c.flags), c.chosen);
    EXPECT_EQ(menu_window(), nullptr) << "the menu window went";
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

TEST_F(MenuHeadless, TheHighlightFollowsThePointerAndItemsAreDrawnAsTheyAre) {
  auto look = [&] {
    EXPECT_TRUE(GetMenuState(menu, kDelta, MF_BYCOMMAND) & MF_HILITE);
    EXPECT_FALSE(GetMenuState(menu, kAlpha, MF_BYCOMMAND) & MF_HILITE);
    HWND w = menu_window();
    EXPECT_EQ(GetWindowLongW(w, GWL_EXSTYLE) & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST), WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    EXPECT_EQ(GetForegroundWindow(), owner) << "the menu takes no activation";
    // The darkest pixel of each item's row: menu text, grey text, the highlight's colours.
    auto darkest = [&](UINT position) {
      RECT r{};
      GetMenuItemRect(nullptr, menu, position, &r);
      int best = 255;
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
          POINT p{x, y};
          ScreenToClient(w, &p);
          best = std::min(best, static_cast<int>(GetGValue(headless::pixel(w, p.x, p.y))));
        }
      return best;
    };
    EXPECT_LT(darkest(0), 60) << "Alpha in menu text";
    EXPECT_GT(darkest(kBetaAt), 80) << "Beta greyed";
    EXPECT_EQ(darkest(kDeltaAt), GetGValue(GetSysColor(COLOR_HIGHLIGHT))) << "Delta highlighted";
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(headless::pixel(w, client.right - 6, 10), GetSysColor(COLOR_MENU)) << "after Alpha's text";
  };
  EXPECT_EQ(track({mouse(kDeltaAt, 0), look, keys({VK_ESCAPE})}), 0);
}

TEST_F(MenuHeadless, StaysOnTheScreenFlippingToTheOtherSideOfThePoint) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    POINT at;
    UINT flags;
    bool by_left;  // which edge is checked: the left (else the right) and the top (else the bottom)
    int x;
    bool by_top;
    int y;
  } cases[] = {
      {{100, 100}, 0, true, 100, true, 100},
      {{w - 5, h - 5}, 0, false, w - 5, false, h - 5},
      {{w - 5, 100}, 0, false, w - 5, true, 100},
      {{5, 100}, TPM_RIGHTALIGN, true, 5, true, 100},
      {{100, 500}, TPM_BOTTOMALIGN, true, 100, false, 500},
      {{100, 100}, TPM_BOTTOMALIGN, true, 100, true, 100},  // no room above the point: below it
      {{-40, h + 200}, 0, true, 0, false, h},
  };
  for (const auto& c : cases) {
    RECT seen{};
    track({[&] { GetWindowRect(menu_window(), &seen); }, keys({VK_ESCAPE})}, TPM_RETURNCMD | c.flags, c.at);
    SCOPED_TRACE(testing::Message() << "at " << c.at.x << "," << c.at.y);
    EXPECT_EQ(c.by_left ? seen.left : seen.right, c.x);
    EXPECT_EQ(c.by_top ? seen.top : seen.bottom, c.y);
  }
}

TEST_F(MenuHeadless, WithoutReturnCmdTheChoiceComesAsACommandAfterwardsAndStatesChange) {
  EXPECT_EQ(track({keys({VK_DOWN, VK_RETURN})}, 0), TRUE);
  EXPECT_TRUE(g_seen.empty()) << "posted, not sent";
  headless::pump();
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(g_seen[0].wParam, MAKEWPARAM(kAlpha, 0));
  EXPECT_EQ(EnableMenuItem(menu, kGamma, MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(track({keys({VK_DOWN, VK_DOWN, VK_RETURN})}, TPM_RETURNCMD), kDelta) << "greyed now, so passed over";
  EXPECT_FALSE(AppendMenuW(menu, MF_POPUP, 0, TEXT("Sub")));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_EQ(GetMenuItemCount(menu), 5);
}

TEST_F(MenuHeadless, TheRightButtonAndTheMenuKeysAskTheParentForAContextMenu) {
  POINT p = headless::on_screen(child, 30, 40);
  struct Case {
    const char* what;
    std::function<void()> act;
    bool asked;
    LPARAM at;
  } cases[] = {
      {"right click", [&] { headless::click(p.x, p.y, 2); }, true, MAKELPARAM(p.x, p.y)},
      {"Shift+F10",
       [] {
         headless::key_down(VK_SHIFT);
         headless::key(VK_F10);
         headless::key_up(VK_SHIFT);
       },
       true, -1},
      {"the Menu key", [] { headless::key(VK_APPS); }, true, -1},
      {"F10 alone", [] { headless::key(VK_F10); }, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    g_seen.clear();
    c.act();
    headless::pump();
    ASSERT_EQ(g_seen.size(), c.asked ? 2u : 0u) << "the child, then its parent through DefWindowProcW";
    if (!c.asked) continue;
    EXPECT_EQ(g_seen[0].hwnd, child);
    EXPECT_EQ(g_seen[1].hwnd, owner);
    for (const MSG& m : g_seen) {
      EXPECT_EQ(m.wParam, reinterpret_cast<WPARAM>(child));
      EXPECT_EQ(m.lParam, c.at);
    }
  }
}
#endif
