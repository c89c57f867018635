// MessageBoxW as a program meets it: the box is modal with its owner
// disabled meanwhile (and enabled after only if it was), the caption ("Error"
// for none), the buttons of each type with the answers as their identifiers,
// Enter on the default or focused button, Tab between buttons, Y and N, Esc
// where a box allows it. The box is driven from a thread timer that its own
// message loop runs, by posted keys and button clicks, so these hold on real
// Win32 too. msgbox_headless_test.cpp drives it by injected keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_text.h"
#include "control_parent.h"
#include "modal_script.h"

namespace {

using Step = ModalStep;

int run_box(HWND owner, const WCHAR* text, const WCHAR* caption, UINT type, std::vector<Step> steps) {
  ModalScript script{std::move(steps)};
  int answer = run_modal(script, [&] { return MessageBoxW(owner, text, caption, type); });
  EXPECT_EQ(script.popups, 0);
  return answer;
}

Step key(UINT vk) {
  return [vk](HWND) { PostMessageW(GetFocus(), WM_KEYDOWN, vk, 1); };
}
Step chr(WCHAR c) {
  return [c](HWND) { PostMessageW(GetFocus(), WM_CHAR, c, 1); };
}
Step click(int id) {
  return [id](HWND box) { PostMessageW(GetDlgItem(box, id), BM_CLICK, 0, 0); };
}
Step nothing() {
  return [](HWND) {};
}

std::string text_of(HWND window) {
  WCHAR buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return u8(buffer);
}

BOOL CALLBACK find_text(HWND child, LPARAM param) {
  auto* found = reinterpret_cast<std::pair<std::string, HWND>*>(param);
  WCHAR cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (u8(cls) == "Static" && text_of(child) == found->first) {
    found->second = child;
    return FALSE;
  }
  return TRUE;
}

// The static control of the box that shows text, or null.
HWND static_with(HWND box, const std::string& text) {
  std::pair<std::string, HWND> found{text, nullptr};
  EnumChildWindows(box, find_text, reinterpret_cast<LPARAM>(&found));
  return found.second;
}

HWND make_owner() { return make_control_parent(); }

}  // namespace

TEST(MsgBox, ModalOverItsDisabledOwnerWithItsTextAndCaption) {
  HWND owner = make_owner();
  bool owner_enabled = true, saw_text = false, ok_focused = false;
  HWND box_owner = nullptr, seen_box = nullptr;
  std::string caption, ok_text;
  int answer = run_box(owner, TEXT("Try Again !"), TEXT("No File Loaded :"), MB_OK,
                       {[&](HWND box) {
                          seen_box = box;
                          owner_enabled = IsWindowEnabled(owner) != FALSE;
                          box_owner = GetWindow(box, GW_OWNER);
                          caption = text_of(box);
                          saw_text = static_with(box, "Try Again !") != nullptr;
                          ok_text = text_of(GetDlgItem(box, IDOK));
                          ok_focused = GetFocus() == GetDlgItem(box, IDOK);
                        },
                        key(VK_RETURN)});
  EXPECT_EQ(answer, IDOK);
  EXPECT_FALSE(owner_enabled) << "the owner is disabled while the box is up";
  EXPECT_EQ(box_owner, owner);
  EXPECT_EQ(caption, "No File Loaded :");
  EXPECT_TRUE(saw_text);
  EXPECT_EQ(ok_text, "OK");
  EXPECT_TRUE(ok_focused);
  EXPECT_TRUE(IsWindowEnabled(owner)) << "and enabled again after";
  ASSERT_NE(seen_box, nullptr);
  EXPECT_FALSE(IsWindow(seen_box)) << "the box is gone";

  // An owner that was disabled stays so; a child as owner stands for its top-level window.
  EnableWindow(owner, FALSE);
  EXPECT_EQ(run_box(owner, TEXT("x"), TEXT("Disabled owner"), MB_OK, {key(VK_RETURN)}), IDOK);
  if (!running_under_wine()) {
    EXPECT_FALSE(IsWindowEnabled(owner));  // Wine enables it whatever it was
  }
  EnableWindow(owner, TRUE);
  HWND child = CreateWindowExW(0, TEXT("Static"), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, owner, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  owner_enabled = true;
  EXPECT_EQ(run_box(child, TEXT("x"), TEXT("Child owner"), MB_OK,
                    {[&](HWND box) {
                       owner_enabled = IsWindowEnabled(owner) != FALSE;
                       box_owner = GetWindow(box, GW_OWNER);
                     },
                     key(VK_RETURN)}),
            IDOK);
  EXPECT_FALSE(owner_enabled);
  EXPECT_EQ(box_owner, owner);
  EXPECT_TRUE(IsWindowEnabled(owner));

  // No caption: "Error". No owner: nothing is disabled.
  EXPECT_EQ(run_box(nullptr, TEXT("Without caption"), nullptr, MB_OK, {key(VK_RETURN)}), IDOK);
  owner_enabled = false;
  EXPECT_EQ(run_box(nullptr, nullptr, TEXT("Ownerless"), MB_OK,
                    {[&](HWND) { owner_enabled = IsWindowEnabled(owner) != FALSE; }, key(VK_RETURN)}),
            IDOK);
  EXPECT_TRUE(owner_enabled);
  DestroyWindow(owner);
}

TEST(MsgBox, KeysAnswerAsWin32Does) {
  HWND owner = make_owner();
  struct Case {
    const char* what;
    UINT type;
    std::vector<Step> steps;
    int answer;
    bool wine = true;  // Wine answers IDCANCEL to Esc in every box, against Win32's documented behaviour
  } cases[] = {
      {"Enter on OK", MB_OK, {key(VK_RETURN)}, IDOK},
      {"Esc closes an OK box", MB_OK, {key(VK_ESCAPE)}, IDOK, false},
      {"Esc is Cancel", MB_OKCANCEL, {key(VK_ESCAPE)}, IDCANCEL},
      {"Enter on the first button", MB_OKCANCEL, {key(VK_RETURN)}, IDOK},
      {"Y", MB_YESNO, {chr(u'y')}, IDYES},
      {"N", MB_YESNO | MB_ICONQUESTION, {chr(u'N')}, IDNO},
      {"Esc does nothing in a Yes/No box", MB_YESNO, {key(VK_ESCAPE), nothing(), chr(u'n')}, IDNO, false},
      {"the second button as default", MB_YESNO | MB_DEFBUTTON2, {key(VK_RETURN)}, IDNO},
      {"Tab to No", MB_YESNO, {key(VK_TAB), key(VK_RETURN)}, IDNO},
      {"Tab round to Yes", MB_YESNO, {key(VK_TAB), key(VK_TAB), key(VK_RETURN)}, IDYES},
      {"third default", MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONEXCLAMATION, {key(VK_RETURN)}, IDCANCEL},
      {"Cancel clicked", MB_YESNOCANCEL, {click(IDCANCEL)}, IDCANCEL},
      {"Retry clicked", MB_RETRYCANCEL | MB_ICONHAND, {click(IDRETRY)}, IDRETRY},
      {"Ignore", MB_ABORTRETRYIGNORE, {chr(u'i')}, IDIGNORE},
      {"topmost and foreground accepted", MB_OK | MB_TOPMOST | MB_SETFOREGROUND, {key(VK_RETURN)}, IDOK},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.wine && running_under_wine()) continue;
    EXPECT_EQ(run_box(owner, TEXT("Do you want to visit this Website ?"), TEXT("Question"), c.type, c.steps), c.answer);
    EXPECT_TRUE(IsWindowEnabled(owner));
  }
  DestroyWindow(owner);
}

TEST(MsgBox, BadArgumentsAnswerZero) {
  if (running_under_wine()) GTEST_SKIP() << "Wine answers -1 for an owner that is gone";
  SetLastError(0);
  HWND gone = make_owner();
  DestroyWindow(gone);
  EXPECT_EQ(MessageBoxW(gone, TEXT("x"), TEXT("x"), MB_OK), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}
