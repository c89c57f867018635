// Keys to characters (TranslateMessage) and keyboard accelerators. A key
// event from the display carries the text it types; without one, the keys
// map as on a US keyboard, with Shift, Caps Lock and Ctrl.
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/win32/user/window_internal.h"

namespace user {
namespace {

bool held(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

// The character a key types with the current keyboard state, or 0.
WCHAR key_char(UINT vk) {
  bool shift = held(VK_SHIFT);
  bool ctrl = held(VK_CONTROL);
  bool alt = held(VK_MENU);
  bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  if (ctrl && alt) return 0;
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return static_cast<WCHAR>(vk - 'A' + 1);
    bool upper = shift != caps;
    return static_cast<WCHAR>(upper ? vk : vk - 'A' + 'a');
  }
  if (ctrl) {
    switch (vk) {
      case VK_RETURN: return u'\n';
      case VK_BACK: return 0x7F;
      case VK_ESCAPE: return 0x1B;
      case VK_OEM_4: return 0x1B;
      case VK_OEM_5: return 0x1C;
      case VK_OEM_6: return 0x1D;
      case VK_SPACE: return u' ';
      default: return 0;
    }
  }
  if (vk >= '0' && vk <= '9') return shift ? u")!@#$%^&*("[vk - '0'] : static_cast<WCHAR>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<WCHAR>(u'0' + (vk - VK_NUMPAD0));
  switch (vk) {
    case VK_SPACE: return u' ';
    case VK_RETURN: return u'\r';
    case VK_BACK: return 0x08;
    case VK_TAB: return u'\t';
    case VK_ESCAPE: return 0x1B;
    case VK_MULTIPLY: return u'*';
    case VK_ADD: return u'+';
    case VK_SUBTRACT: return u'-';
    case VK_DECIMAL: return u'.';
    case VK_DIVIDE: return u'/';
    case VK_OEM_1: return shift ? u':' : u';';
    case VK_OEM_PLUS: return shift ? u'+' : u'=';
    case VK_OEM_COMMA: return shift ? u'<' : u',';
    case VK_OEM_MINUS: return shift ? u'_' : u'-';
    case VK_OEM_PERIOD: return shift ? u'>' : u'.';
    case VK_OEM_2: return shift ? u'?' : u'/';
    case VK_OEM_3: return shift ? u'~' : u'`';
    case VK_OEM_4: return shift ? u'{' : u'[';
    case VK_OEM_5: return shift ? u'|' : u'\\';
    case VK_OEM_6: return shift ? u'}' : u']';
    case VK_OEM_7: return shift ? u'"' : u'\'';
    case VK_OEM_102: return shift ? u'|' : u'\\';
    default: return 0;
  }
}

struct AccelTable {
  uint32_t magic;
  std::vector<ACCEL> entries;
};
constexpr uint32_t kAccelMagic = 0x4143434Cu;
std::mutex accel_lock;
std::unordered_set<AccelTable*> accel_tables;

AccelTable* find_table(HACCEL handle) {
  auto* t = reinterpret_cast<AccelTable*>(handle);
  std::lock_guard<std::mutex> guard(accel_lock);
  return accel_tables.count(t) ? t : nullptr;
}

}  // namespace
}  // namespace user

using namespace user;

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  UINT m = msg->message;
  if (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP) return FALSE;
  if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
  Queue* q = current_queue();
  std::u16string text;
  bool known = false;
  for (auto it = q->key_texts.rbegin(); it != q->key_texts.rend(); ++it)
    if (it->message == m && it->key == msg->wParam && it->lparam == msg->lParam && it->time == msg->time) {
      known = it->known;
      text = it->text;
      break;
    }
  if (!known) {
    WCHAR c = key_char(static_cast<UINT>(msg->wParam));
    if (c) text.assign(1, c);
  }
  UINT char_message = m == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  for (char16_t c : text) PostMessageW(msg->hwnd, char_message, c, msg->lParam);
  return TRUE;
}

HACCEL CreateAcceleratorTableW(LPACCEL entries, int count) {
  if (!entries || count <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* t = new AccelTable{kAccelMagic, std::vector<ACCEL>(entries, entries + count)};
  std::lock_guard<std::mutex> guard(accel_lock);
  accel_tables.insert(t);
  return reinterpret_cast<HACCEL>(t);
}

BOOL DestroyAcceleratorTable(HACCEL handle) {
  AccelTable* t = find_table(handle);
  if (!t) {
    SetLastError(ERROR_INVALID_ACCEL_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> guard(accel_lock);
    accel_tables.erase(t);
  }
  delete t;
  return TRUE;
}

int CopyAcceleratorTableW(HACCEL handle, LPACCEL entries, int count) {
  AccelTable* t = find_table(handle);
  if (!t) {
    SetLastError(ERROR_INVALID_ACCEL_HANDLE);
    return 0;
  }
  int n = static_cast<int>(t->entries.size());
  if (!entries) return n;
  if (count < n) n = count;
  for (int i = 0; i < n; ++i) entries[i] = t->entries[static_cast<size_t>(i)];
  return n;
}

int TranslateAcceleratorW(HWND window, HACCEL handle, LPMSG msg) {
  if (!msg) return 0;
  AccelTable* t = find_table(handle);
  if (!t) {
    SetLastError(ERROR_INVALID_ACCEL_HANDLE);
    return 0;
  }
  Window* w = find_or_fail(window);
  if (!w) return 0;
  UINT m = msg->message;
  if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN && m != WM_CHAR && m != WM_SYSCHAR) return 0;
  BYTE mask = 0;
  if (held(VK_SHIFT)) mask |= FSHIFT;
  if (held(VK_CONTROL)) mask |= FCONTROL;
  if (held(VK_MENU)) mask |= FALT;
  const ACCEL* found = nullptr;
  for (const ACCEL& a : t->entries) {
    if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) {
      if ((a.fVirt & FVIRTKEY) && a.key == msg->wParam && (a.fVirt & (FSHIFT | FCONTROL | FALT)) == mask) found = &a;
    } else if (!(a.fVirt & FVIRTKEY) && a.key == (msg->wParam & 0xFFFF)) {
      bool alt_wanted = (a.fVirt & FALT) != 0;
      if (alt_wanted == (m == WM_SYSCHAR)) found = &a;
    }
    if (found) break;
  }
  if (!found) return 0;
  // A match is consumed; the command goes only to an enabled window while nothing holds the capture.
  if (!(w->style & WS_DISABLED) && !GetCapture()) send(w, WM_COMMAND, MAKEWPARAM(found->cmd, 1), 0);
  return 1;
}
