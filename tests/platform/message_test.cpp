// The message queue: sending and posting, retrieval order and filters,
// WM_QUIT, WM_PAINT and WM_TIMER priorities, waiting, keys to characters and
// accelerators.
#include <gtest/gtest.h>

#include <thread>

#include "common/test_text.h"
#include "message_log.h"

namespace {

const WCHAR* kClass = TEXT("MessageTestClass");

HWND make_window(DWORD style = WS_OVERLAPPED, HWND parent = nullptr) {
  register_logging_class(kClass, CS_DBLCLKS);
  return CreateWindowExW(0, kClass, TEXT("m"), style, 0, 0, 120, 100, parent, nullptr, nullptr, nullptr);
}

LRESULT CALLBACK answering_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER) return static_cast<LRESULT>(wParam * 2 + lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The sequence check itself: a posted message reads as posted, a sent one as
// sent, an optional entry may be missing, and a mismatch names its place.
TEST(Messages, SequencesTellSentFromPosted) {
  HWND w = make_window();
  message_log().clear();
  PostMessageW(w, WM_USER + 1, 1, 2);
  SendMessageW(w, WM_USER + 2, 3, 4);
  drain_messages();
  std::vector<LoggedMessage> got = logged(w, {WM_USER + 1, WM_USER + 2});
  EXPECT_TRUE(same_sequence(got, {sent(WM_USER + 2, 3, 4), either(WM_USER + 3).maybe(), posted(WM_USER + 1, 1, 2)}));
  ::testing::AssertionResult wrong = same_sequence(got, {sent(WM_USER + 2, 3, 4), sent(WM_USER + 1, 1, 2)});
  EXPECT_FALSE(wrong);
  EXPECT_NE(
      std::string(wrong.message()).find("at entry 1: expected 0x0401 sent wParam 0x1 lParam 0x2, got 0x0401 posted"),
      std::string::npos)
      << wrong.message();
  EXPECT_FALSE(same_sequence(got, {sent(WM_USER + 2, 3, 5), posted(WM_USER + 1)})) << "an argument differs";
  EXPECT_FALSE(same_sequence(got, {sent(WM_USER + 2)})) << "an entry too many";
  DestroyWindow(w);
}

TEST(Messages, SendCallsThePostQueues) {
  HWND w = make_window();
  SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(answering_proc));
  EXPECT_EQ(SendMessageW(w, WM_USER, 20, 2), 42);
  SetLastError(0);
  EXPECT_EQ(SendMessageW(reinterpret_cast<HWND>(0x12345), WM_USER, 1, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x12345), WM_USER, 1, 1));

  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  EXPECT_TRUE(PostMessageW(w, WM_USER + 1, 1, 10));
  EXPECT_TRUE(PostMessageW(w, WM_USER + 2, 2, 20));
  EXPECT_TRUE(PostMessageW(nullptr, WM_USER + 3, 3, 30));  // a thread message
  // Looking does not take it.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_EQ(msg.wParam, 1u);
  EXPECT_EQ(msg.lParam, 10);
  // A range filter skips what is outside it, which stays queued.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.lParam, 30);
  // A window filter: only that window's messages.
  HWND other = make_window();
  PostMessageW(other, WM_USER + 4, 0, 0);
  ASSERT_TRUE(PeekMessageW(&msg, other, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 4));
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  EXPECT_EQ(DispatchMessageW(&msg), 0);
  EXPECT_EQ(GetMessageTime(), static_cast<LONG>(msg.time));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER + 100, PM_REMOVE));
  // Messages of a destroyed window are not delivered.
  PostMessageW(other, WM_USER + 5, 0, 0);
  DestroyWindow(other);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
  EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(0x12345), 0, 0), -1);
  DestroyWindow(w);
}

TEST(Messages, QuitComesAfterPostedMessages) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  PostQuitMessage(7);
  PostMessageW(nullptr, WM_USER + 9, 0, 0);
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 9));
  // WM_QUIT ends the loop with the code.
  EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(Messages, PaintAndTimerComeLast) {
  HWND w = make_window(WS_OVERLAPPED | WS_VISIBLE);
  MSG msg;
  drain_messages();
  InvalidateRect(w, nullptr, TRUE);
  PostMessageW(w, WM_USER + 1, 0, 0);
  SetTimer(w, 5, 10, nullptr);
  Sleep(30);
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_TIMER);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  // WM_PAINT stays until the window is painted.
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageW(&msg);  // the default procedure paints
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(msg.wParam, 5u);
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_TRUE(KillTimer(w, 5));
  EXPECT_FALSE(KillTimer(w, 5));
  Sleep(30);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
  DestroyWindow(w);
}

// A loop that polls and sleeps, as many programs do, still gets its timers.
TEST(Messages, PeekMessageDeliversDueTimers) {
  HWND w = make_window();
  drain_messages();
  ASSERT_NE(SetTimer(w, 7, 15, nullptr), 0u);
  int timers = 0;
  MSG msg;
  for (int i = 0; i < 100; ++i) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && msg.hwnd == w && msg.wParam == 7) ++timers;
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
  EXPECT_GE(timers, 5) << "half a second of a 15 ms timer";
  EXPECT_TRUE(KillTimer(w, 7));
  DestroyWindow(w);
}

int timer_calls = 0;
void CALLBACK count_timer(HWND, UINT message, UINT_PTR, DWORD) {
  if (message == WM_TIMER) ++timer_calls;
}

TEST(Messages, ThreadTimerCallsItsProcedure) {
  timer_calls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 10, count_timer);
  ASSERT_NE(id, 0u);
  MSG msg;
  for (int i = 0; i < 200 && timer_calls == 0; ++i) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  EXPECT_GE(timer_calls, 1);
  EXPECT_TRUE(KillTimer(nullptr, id));
  // A waiting thread with nothing to wait for times out.
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT), static_cast<DWORD>(WAIT_TIMEOUT));
  PostMessageW(nullptr, WM_USER, 0, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(GetQueueStatus(QS_POSTMESSAGE) & QS_POSTMESSAGE);
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

TEST(Messages, PostedFromAnotherThread) {
  HWND w = make_window();
  drain_messages();
  std::thread poster([w] { PostMessageW(w, WM_USER + 7, 70, 0); });
  MSG msg{};
  ASSERT_EQ(GetMessageW(&msg, nullptr, WM_USER + 7, WM_USER + 7), TRUE);
  EXPECT_EQ(msg.hwnd, w);
  EXPECT_EQ(msg.wParam, 70u);
  poster.join();
  DestroyWindow(w);
}

TEST(Keyboard, TranslateMessageMakesCharacters) {
  HWND w = make_window();
  drain_messages();
  MSG key{w, WM_KEYDOWN, 'A', 0x001E0001, 0, {0, 0}};
  EXPECT_TRUE(TranslateMessage(&key));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, w, WM_CHAR, WM_CHAR, PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>('a'));
  EXPECT_EQ(msg.lParam, 0x001E0001);
  MSG up{w, WM_KEYUP, 'A', static_cast<LPARAM>(0xC01E0001u), 0, {0, 0}};
  EXPECT_TRUE(TranslateMessage(&up));
  EXPECT_FALSE(PeekMessageW(&msg, w, WM_CHAR, WM_CHAR, PM_REMOVE));
  // Nothing to translate answers FALSE; Wine answers TRUE for every message in the key range.
  MSG other{w, WM_CHAR, 'a', 0, 0, {0, 0}};
  if (!running_under_wine()) {
    EXPECT_FALSE(TranslateMessage(&other));
  }
  MSG paint{w, WM_PAINT, 0, 0, 0, {0, 0}};
  EXPECT_FALSE(TranslateMessage(&paint));
#ifndef _WIN32
  EXPECT_FALSE(TranslateMessage(nullptr));
#endif
  // No key is down here.
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  DestroyWindow(w);
}

TEST(Keyboard, Accelerators) {
  HWND w = make_window();
  ACCEL entries[] = {{FVIRTKEY, VK_F5, 101}, {FVIRTKEY | FCONTROL, 'S', 102}, {0, 'q', 103}};
  HACCEL table = CreateAcceleratorTableW(entries, 3);
  ASSERT_TRUE(table);
  EXPECT_EQ(CopyAcceleratorTableW(table, nullptr, 0), 3);
  ACCEL copy[3];
  EXPECT_EQ(CopyAcceleratorTableW(table, copy, 3), 3);
  EXPECT_EQ(copy[1].cmd, 102);
  EXPECT_EQ(copy[1].fVirt, FVIRTKEY | FCONTROL);

  message_log().clear();
  MSG f5{w, WM_KEYDOWN, VK_F5, 0x003F0001, 0, {0, 0}};
  EXPECT_TRUE(TranslateAcceleratorW(w, table, &f5));
  const LoggedMessage* command = find_logged(w, WM_COMMAND);
  ASSERT_TRUE(command);
  EXPECT_EQ(LOWORD(command->wParam), 101);
  EXPECT_EQ(HIWORD(command->wParam), 1);  // from an accelerator
  EXPECT_EQ(command->lParam, 0);
  // Without Ctrl down, Ctrl+S does not match; a character entry matches WM_CHAR.
  message_log().clear();
  MSG s{w, WM_KEYDOWN, 'S', 0x001F0001, 0, {0, 0}};
  EXPECT_FALSE(TranslateAcceleratorW(w, table, &s));
  MSG q{w, WM_CHAR, 'q', 0x00100001, 0, {0, 0}};
  EXPECT_TRUE(TranslateAcceleratorW(w, table, &q));
  ASSERT_TRUE(find_logged(w, WM_COMMAND));
  EXPECT_EQ(LOWORD(find_logged(w, WM_COMMAND)->wParam), 103);
  // A disabled window gets no command (Wine sends it all the same).
  EnableWindow(w, FALSE);
  message_log().clear();
  TranslateAcceleratorW(w, table, &f5);
  if (!running_under_wine()) {
    EXPECT_FALSE(find_logged(w, WM_COMMAND));
  }
  EnableWindow(w, TRUE);

  EXPECT_TRUE(DestroyAcceleratorTable(table));
  EXPECT_FALSE(CreateAcceleratorTableW(entries, 0));
#ifndef _WIN32
  EXPECT_FALSE(CreateAcceleratorTableW(nullptr, 1));
  EXPECT_FALSE(DestroyAcceleratorTable(table));  // gone
#endif
  DestroyWindow(w);
}

}  // namespace
