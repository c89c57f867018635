// Global memory blocks, the clipboard that trades in them, and the caret.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/test_text.h"

namespace {

using Wide = std::basic_string<WCHAR>;

HWND make_owner() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = TEXT("ClipboardTestOwner");
    RegisterClassW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, TEXT("ClipboardTestOwner"), TEXT("owner"), WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

HGLOBAL text_block(const WCHAR* text) {
  size_t n = 0;
  while (text[n]) ++n;
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (n + 1) * sizeof(WCHAR));
  if (auto* p = static_cast<WCHAR*>(GlobalLock(h))) {
    std::memcpy(p, text, (n + 1) * sizeof(WCHAR));
    GlobalUnlock(h);
  }
  return h;
}

TEST(GlobalMemory, MoveableAndFixedBlocks) {
  HGLOBAL h = GlobalAlloc(GHND, 100);
  ASSERT_TRUE(h);
  EXPECT_EQ(GlobalSize(h), 100u);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_TRUE(p);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(p[i], 0) << i;  // GMEM_ZEROINIT
  std::memcpy(p, "block", 6);
  // Locks count: the second lock gives the same address; the last unlock answers FALSE with no error.
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_TRUE(GlobalUnlock(h));
  SetLastError(12345);
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  SetLastError(0);
  EXPECT_FALSE(GlobalUnlock(h));  // not locked any more
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
  // Growing keeps the contents.
  HGLOBAL bigger = GlobalReAlloc(h, 5000, GMEM_MOVEABLE);
  ASSERT_TRUE(bigger);
  EXPECT_EQ(GlobalSize(bigger), 5000u);
  auto* q = static_cast<const char*>(GlobalLock(bigger));
  ASSERT_TRUE(q);
  EXPECT_STREQ(q, "block");
  EXPECT_EQ(GlobalHandle(q), bigger);
  GlobalUnlock(bigger);
  EXPECT_EQ(GlobalFree(bigger), nullptr);

  // A fixed block's handle is its address.
  HGLOBAL f = GlobalAlloc(GPTR, 16);
  ASSERT_TRUE(f);
  EXPECT_EQ(GlobalLock(f), f);
  EXPECT_EQ(GlobalSize(f), 16u);
  EXPECT_EQ(static_cast<unsigned char*>(f)[15], 0);
  EXPECT_EQ(GlobalFree(f), nullptr);

  // A moveable block of no size exists, but has no memory to lock.
  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_TRUE(empty);
  EXPECT_EQ(GlobalLock(empty), nullptr);
  EXPECT_EQ(GlobalFree(empty), nullptr);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(Clipboard, TextRoundTripAndConversion) {
  HWND owner = make_owner();
  ASSERT_TRUE(OpenClipboard(owner));
  ASSERT_TRUE(EmptyClipboard());
  EXPECT_EQ(GetClipboardOwner(), owner);
  EXPECT_EQ(GetOpenClipboardWindow(), owner);
  HGLOBAL h = text_block(TEXT("Clip me"));
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, h), h);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  // The other text format is there too, made from it.
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE got = GetClipboardData(CF_UNICODETEXT);
  ASSERT_TRUE(got);
  auto* p = static_cast<const WCHAR*>(GlobalLock(got));
  ASSERT_TRUE(p);
  EXPECT_EQ(u8(p), "Clip me");
  EXPECT_GE(GlobalSize(got), 8 * sizeof(WCHAR));
  GlobalUnlock(got);
  HANDLE narrow = GetClipboardData(CF_TEXT);
  ASSERT_TRUE(narrow);
  auto* n = static_cast<const char*>(GlobalLock(narrow));
  ASSERT_TRUE(n);
  EXPECT_STREQ(n, "Clip me");
  GlobalUnlock(narrow);
  EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr);
  CloseClipboard();

  // Emptying takes every format away.
  ASSERT_TRUE(OpenClipboard(owner));
  DWORD before = GetClipboardSequenceNumber();
  EmptyClipboard();
  EXPECT_NE(GetClipboardSequenceNumber(), before);
  CloseClipboard();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  DestroyWindow(owner);
}

TEST(Clipboard, OnlyTheOpenerMayUseIt) {
  HWND a = make_owner(), b = make_owner();
  // Closed: nothing may be taken, put or emptied.
  HGLOBAL h = text_block(TEXT("x"));
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, h), nullptr);
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
  EXPECT_FALSE(CloseClipboard());
  // Open for one window, it is not free for another; opening again for the same one is fine.
  ASSERT_TRUE(OpenClipboard(a));
  EXPECT_FALSE(OpenClipboard(b));
  EXPECT_TRUE(OpenClipboard(a));
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());
  // Refused data stays the caller's.
  EXPECT_EQ(GlobalFree(h), nullptr);
  DestroyWindow(a);
  DestroyWindow(b);
}

TEST(Caret, OwnerPositionAndHideCount) {
  HWND owner = make_owner(), other = make_owner();
  ASSERT_TRUE(CreateCaret(owner, nullptr, 2, 12));
  EXPECT_TRUE(SetCaretPos(5, 6));
  POINT p{};
  EXPECT_TRUE(GetCaretPos(&p));
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 6);
  EXPECT_TRUE(ShowCaret(owner));
  EXPECT_TRUE(HideCaret(owner));
  EXPECT_TRUE(HideCaret(nullptr));  // null means the thread's caret
  // Only the owner (or null) names the caret.
  EXPECT_FALSE(ShowCaret(other));
  EXPECT_FALSE(HideCaret(other));
  EXPECT_TRUE(ShowCaret(owner));
  EXPECT_TRUE(ShowCaret(owner));
  EXPECT_TRUE(DestroyCaret());
  EXPECT_FALSE(ShowCaret(owner));
  EXPECT_GT(GetCaretBlinkTime(), 0u);
  DestroyWindow(owner);
  DestroyWindow(other);
}

#ifndef _WIN32
// What the stand-in checks beyond what Win32 promises.
TEST(Clipboard, StandInOwnsAndFreesItsData) {
  HWND owner = make_owner();
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  HGLOBAL first = text_block(TEXT("one")), second = text_block(TEXT("two"));
  SetClipboardData(CF_UNICODETEXT, first);
  SetClipboardData(CF_UNICODETEXT, second);  // the first goes
  SetLastError(0);
  EXPECT_EQ(GlobalSize(first), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GlobalLock(first), nullptr);
  EXPECT_EQ(GlobalFree(first), first);                            // a stale handle is refused, not freed twice
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, nullptr), nullptr);  // delayed rendering is not offered
  EmptyClipboard();
  EXPECT_EQ(GlobalSize(second), 0u);
  CloseClipboard();
  // Made-up handles and sizes no memory holds are refused.
  EXPECT_EQ(GlobalLock(reinterpret_cast<HGLOBAL>(static_cast<uintptr_t>(0x1234))), nullptr);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, ~SIZE_T{0}), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  // Without a caret there is nothing to move (Wine answers TRUE here).
  DestroyCaret();
  EXPECT_FALSE(SetCaretPos(1, 1));
  // A window destroyed while it owns the caret takes the caret with it.
  ASSERT_TRUE(CreateCaret(owner, nullptr, 1, 10));
  DestroyWindow(owner);
  EXPECT_FALSE(SetCaretPos(1, 1));
  EXPECT_FALSE(CreateCaret(owner, nullptr, 1, 10));
}
#endif

}  // namespace
