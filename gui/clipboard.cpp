// Text to the clipboard as CF_UNICODETEXT, in a moveable global block that
// the clipboard owns once it took it.
#include "gui/clipboard.h"

#include <cstring>

#include "gui/window.h"

namespace {

// Another program may hold the clipboard open for a moment.
constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryMs = 20;

HGLOBAL global_text(const WCHAR* text) {
  const size_t bytes = (static_cast<size_t>(lstrlenW(text)) + 1) * sizeof(WCHAR);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  void* room = block ? GlobalLock(block) : nullptr;
  if (!room) {
    if (block) GlobalFree(block);
    return nullptr;
  }
  std::memcpy(room, text, bytes);
  GlobalUnlock(block);
  return block;
}

bool open_clipboard(HWND owner) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (OpenClipboard(owner)) return true;
    Sleep(kOpenRetryMs);
  }
  return false;
}

}  // namespace

bool clipboard_set_text(int64_t window, const WCHAR* text) {
  HWND owner = win_handle(window);
  if (!owner) return false;
  HGLOBAL block = global_text(text ? text : TEXT(""));
  if (!block) return false;
  if (!open_clipboard(owner)) {
    GlobalFree(block);
    return false;
  }
  const bool stored = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, block) != nullptr;
  CloseClipboard();
  if (!stored) GlobalFree(block);
  return stored;
}
