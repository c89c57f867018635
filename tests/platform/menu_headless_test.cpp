// Popup menus on the headless display, driven by steps that timers run inside the menu's loop: keys and
// mouse, look, place near the screen's edges, the command without TPM_RETURNCMD; and the WM_CONTEXTMENU
// of the right button and the menu keys. Linux only.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>

#include "platform/win32/display/headless_driver.h"

namespace {

// Positions: Alpha 0, Beta 1 (greyed), a separator 2, Gamma 3, Delta 4.
enum : UINT { kAlpha = 1, kBeta, kGamma, kDelta };
constexpr UINT kBetaAt = 1, kGammaAt = 3, kDeltaAt = 4;

std::vector<MSG> g_seen;  // WM_CONTEXTMENU and WM_COMMAND as the windows got them

LRESULT CALLBACK owner_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CONTEXTMENU || message == WM_COMMAND) g_seen.push_back(MSG{window, message, wParam, lParam, 0, {}});
  return DefWindowProcW(window, message, wParam, lParam);
}

using Step = std::function<void()>;
std::vector<Step> g_steps;
HMENU g_menu = nullptr;
UINT_PTR g_timer = 0;

// Each step runs on a timer tick of its own, so the input of one is taken before the next.
void CALLBACK next_step(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (g_steps.empty()) return;
  Step step = g_steps.front();
  g_steps.erase(g_steps.begin());
  step();
  g_timer = SetTimer(nullptr, 0, 10, next_step);
}

RECT item_rect(UINT position) {
  RECT r{};
  EXPECT_TRUE(GetMenuItemRect(nullptr, g_menu, position, &r));
  return r;
}
Step keys(std::vector<UINT> list) {
  return [list] {
    for (UINT k : list) headless::key(k);
  };
}
// A click with the button (0: only a move) on the middle of the item at the position.
Step mouse(UINT position, int button) {
  return [position, button] {
    RECT r = item_rect(position);
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    button ? headless::click(x, y, button) : headless::mouse_move(x, y);
  };
}
HWND menu_window() { return FindWindowW(TEXT("#32768"), nullptr); }

struct MenuHeadless : ::testing::Test {
  HWND owner = nullptr, child = nullptr;

  void SetUp() override {
    const WNDCLASSW wc{0, owner_proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, TEXT("MenuTestOwner")};
    RegisterClassW(&wc);
    owner = CreateWindowExW(0, wc.lpszClassName, nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, nullptr,
                            nullptr, nullptr, nullptr);
    child = CreateWindowExW(0, wc.lpszClassName, nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 200, 100, owner, nullptr,
                            nullptr, nullptr);
    SetFocus(child);
    g_menu = CreatePopupMenu();
    AppendMenuW(g_menu, MF_STRING, kAlpha, TEXT("Alpha"));
    AppendMenuW(g_menu, MF_STRING | MF_GRAYED, kBeta, TEXT("Beta"));
    AppendMenuW(g_menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(g_menu, MF_STRING, kGamma, TEXT("Gamma"));
    AppendMenuW(g_menu, MF_STRING, kDelta, TEXT("Delta"));
    headless::set_stall_handler([](const char*) {});  // a menu the steps leave open answers 0 instead of aborting
    headless::pump();
    g_seen.clear();
  }
  void TearDown() override {
    headless::set_stall_handler(nullptr);
    DestroyMenu(g_menu);
    DestroyWindow(owner);
    headless::pump();
  }
  BOOL track(std::vector<Step> steps, UINT flags = TPM_RETURNCMD, POINT at = {300, 200}) {
    g_steps = std::move(steps);
    g_timer = SetTimer(nullptr, 0, 10, next_step);
    const BOOL chosen = TrackPopupMenuEx(g_menu, flags, at.x, at.y, owner, nullptr);
    KillTimer(nullptr, g_timer);  // no step of this menu may reach the next one
    return chosen;
  }
};

// The darkest green of an item's pixels: text in the menu colour, grey text, the highlight.
int darkest(UINT position) {
  HWND w = menu_window();
  RECT r = item_rect(position);
  MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
  int least = 255;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      least = std::min(least, static_cast<int>(GetGValue(headless::pixel(w, x, y))));
  return least;
}

}  // namespace

TEST_F(MenuHeadless, KeysAndMouseChooseOnlyWhatCanBeChosenAndTheHighlightFollowsThePointer) {
  const UINT kReturn = TPM_RETURNCMD, kRightButton = TPM_RETURNCMD | TPM_RIGHTBUTTON;
  Step look = [this] {
    EXPECT_TRUE(GetMenuState(g_menu, kDelta, MF_BYCOMMAND) & MF_HILITE);
    EXPECT_LT(darkest(0), 60) << "Alpha in menu text";
    EXPECT_GT(darkest(kBetaAt), 80) << "Beta greyed";
    EXPECT_EQ(darkest(kDeltaAt), GetGValue(GetSysColor(COLOR_HIGHLIGHT))) << "Delta highlighted";
    EXPECT_EQ(GetForegroundWindow(), owner) << "the menu takes no activation";
  };
  using Case = std::tuple<const char*, std::vector<Step>, UINT, BOOL>;  // what, steps, flags, the item chosen
  const Case cases[] = {
      {"Down, Enter: the first item", {keys({VK_DOWN, VK_RETURN})}, kReturn, kAlpha},
      {"the greyed item and the separator are passed over", {keys({VK_DOWN, VK_DOWN, VK_RETURN})}, kReturn, kGamma},
      {"Up from nothing: the last item", {keys({VK_UP, VK_RETURN})}, kReturn, kDelta},
      {"Down goes round the end", {keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})}, kReturn, kAlpha},
      {"End, then Up", {keys({VK_END, VK_UP, VK_RETURN})}, kReturn, kGamma},
      {"Esc dismisses", {keys({VK_DOWN, VK_ESCAPE})}, kReturn, 0},
      {"Enter with nothing highlighted", {keys({VK_RETURN})}, kReturn, 0},
      {"the pointer highlights, Enter chooses", {mouse(kDeltaAt, 0), look, keys({VK_RETURN})}, kReturn, kDelta},
      {"a click chooses", {mouse(kGammaAt, 1)}, kReturn, kGamma},
      {"a click on a greyed item chooses nothing", {mouse(kBetaAt, 1), keys({VK_ESCAPE})}, kReturn, 0},
      {"a press outside dismisses", {[] { headless::click(5, 5); }}, kReturn, 0},
      {"the right button chooses with TPM_RIGHTBUTTON", {mouse(kGammaAt, 2)}, kRightButton, kGamma},
      {"and not without it", {mouse(kGammaAt, 2), keys({VK_ESCAPE})}, kReturn, 0},
  };
  for (const auto& [what, steps, flags, chosen] : cases) {
    SCOPED_TRACE(what);
    EXPECT_EQ(track(steps, flags), chosen);
    EXPECT_EQ(menu_window(), nullptr) << "the menu window went";
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

TEST_F(MenuHeadless, StaysOnTheScreenFlippingToTheOtherSideOfThePoint) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  // The point and flags, then which edges are checked: the left (else the right) and the top (else the bottom).
  using Case = std::tuple<POINT, UINT, bool, int, bool, int>;
  const Case cases[] = {
      {{100, 100}, 0, true, 100, true, 100},
      {{w - 5, h - 5}, 0, false, w - 5, false, h - 5},
      {{5, 100}, TPM_RIGHTALIGN, true, 5, true, 100},
      {{100, 100}, TPM_BOTTOMALIGN, true, 100, true, 100},  // no room above the point: below it
      {{-40, h + 200}, 0, true, 0, false, h},
  };
  for (const auto& [at, flags, by_left, x, by_top, y] : cases) {
    RECT seen{};
    track({[&] { GetWindowRect(menu_window(), &seen); }, keys({VK_ESCAPE})}, TPM_RETURNCMD | flags, at);
    SCOPED_TRACE(testing::Message() << "at " << at.x << "," << at.y);
    EXPECT_EQ(by_left ? seen.left : seen.right, x);
    EXPECT_EQ(by_top ? seen.top : seen.bottom, y);
  }
}

TEST_F(MenuHeadless, WithoutReturnCmdTheChoiceComesAsACommandAfterwards) {
  EXPECT_EQ(track({keys({VK_DOWN, VK_RETURN})}, 0), TRUE);
  EXPECT_TRUE(g_seen.empty()) << "posted, not sent";
  headless::pump();
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].wParam, MAKEWPARAM(kAlpha, 0)) << "the command of the item chosen";
  EXPECT_EQ(EnableMenuItem(g_menu, kGamma, MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(track({keys({VK_DOWN, VK_DOWN, VK_RETURN})}), kDelta) << "Gamma greyed now, so passed over";
  EXPECT_EQ(CheckMenuItem(g_menu, kAlpha, MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(GetMenuState(g_menu, kAlpha, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED));
}

TEST_F(MenuHeadless, TheRightButtonAndTheMenuKeysAskTheParentForAContextMenu) {
  const POINT p = headless::on_screen(child, 30, 40);
  // What, the key held and the key pressed (none: a right click), and the request's point (0: no request).
  using Case = std::tuple<const char*, UINT, UINT, LPARAM>;
  const Case cases[] = {
      {"right click", 0, 0, MAKELPARAM(p.x, p.y)},
      {"Shift+F10", VK_SHIFT, VK_F10, -1},
      {"the Menu key", 0, VK_APPS, -1},
      {"F10 alone", 0, VK_F10, 0},
  };
  for (const auto& [what, modifier, key, at] : cases) {
    SCOPED_TRACE(what);
    g_seen.clear();
    if (modifier) headless::key_down(modifier);
    key ? headless::key(key) : headless::click(p.x, p.y, 2);
    if (modifier) headless::key_up(modifier);
    headless::pump();
    ASSERT_EQ(g_seen.size(), at ? 2u : 0u) << "the child, then its parent through DefWindowProcW";
    for (size_t i = 0; i < g_seen.size(); ++i)
      EXPECT_EQ(std::tuple(g_seen[i].hwnd, g_seen[i].wParam, g_seen[i].lParam),
                std::tuple(i ? owner : child, reinterpret_cast<WPARAM>(child), at));
  }
}
#endif
