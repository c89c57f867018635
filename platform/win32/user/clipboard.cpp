// The clipboard of the process. One thread at a time has it open (for a
// window, or for no window); only that thread may empty it, put data on it
// or take data from it. Emptying makes the opening window the owner. Data
// put there is a global memory handle the clipboard then owns: it frees it
// when the format is replaced or the clipboard emptied. CF_TEXT and
// CF_UNICODETEXT stand in for each other: the missing one is made on demand
// from the other and kept with it.
//
// On a desktop the clipboard is shared with other programs (text only): a
// copy made here goes there when the clipboard is closed, and what another
// program copied replaces this one's data when the clipboard is next opened
// or asked about.
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/api.h"
#include "platform/win32/display/backend.h"
#include "platform/win32/kernel/paths.h"

namespace {

struct Entry {
  UINT format;
  HGLOBAL data;
  bool synthesized;  // made from the other text format
};

struct Clipboard {
  std::mutex lock;
  DWORD open_thread = 0;  // 0: closed
  HWND open_window = nullptr;
  HWND owner = nullptr;
  std::vector<Entry> entries;  // in the order set
  DWORD sequence = 1;
  DWORD sequence_at_open = 0;
  std::string shared;  // the shared clipboard's text as last exchanged with it
};

Clipboard& board() {
  static auto* c = new Clipboard;  // never destroyed: windows may use it while the process ends
  return *c;
}

bool open_here(const Clipboard& c) { return c.open_thread != 0 && c.open_thread == GetCurrentThreadId(); }

Entry* entry(Clipboard& c, UINT format) {
  for (Entry& e : c.entries)
    if (e.format == format) return &e;
  return nullptr;
}

bool is_text(UINT format) { return format == CF_TEXT || format == CF_UNICODETEXT; }

void free_all(Clipboard& c) {
  for (Entry& e : c.entries) GlobalFree(e.data);
  c.entries.clear();
}

// A global block holding count bytes copied from bytes.
HGLOBAL block_of(const void* bytes, size_t count) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, count);
  if (!h) return nullptr;
  if (void* p = GlobalLock(h)) {
    std::memcpy(p, bytes, count);
    GlobalUnlock(h);
  }
  return h;
}

// The text of one text format made from the other, as a new global block (null when it cannot).
HGLOBAL convert(HGLOBAL source, UINT to) {
  SIZE_T size = GlobalSize(source);
  const void* p = GlobalLock(source);
  if (!p) return nullptr;
  HGLOBAL out = nullptr;
  if (to == CF_TEXT) {
    // The source may lack its terminating zero: only what the block holds is read.
    const auto* wide = static_cast<const WCHAR*>(p);
    size_t n = 0, max = size / sizeof(WCHAR);
    while (n < max && wide[n]) ++n;
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes), '\0');
    if (bytes) WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(n), narrow.data(), bytes, nullptr, nullptr);
    out = block_of(narrow.c_str(), narrow.size() + 1);
  } else {
    const auto* narrow = static_cast<const char*>(p);
    size_t n = 0;
    while (n < size && narrow[n]) ++n;
    int units = MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(n), nullptr, 0);
    std::u16string wide(static_cast<size_t>(units), u'\0');
    if (units) MultiByteToWideChar(CP_ACP, 0, narrow, static_cast<int>(n), wide.data(), units);
    out = block_of(wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
  }
  GlobalUnlock(source);
  return out;
}

// The text on the clipboard now (CF_UNICODETEXT, else CF_TEXT), as UTF-8.
std::string text_of(Clipboard& c) {
  std::string out;
  if (Entry* e = entry(c, CF_UNICODETEXT)) {
    const auto* p = static_cast<const WCHAR*>(GlobalLock(e->data));
    if (!p) return out;
    size_t n = 0, max = GlobalSize(e->data) / sizeof(WCHAR);
    while (n < max && p[n]) ++n;
    std::u16string wide(p, n);
    GlobalUnlock(e->data);
    // A lone surrogate has no UTF-8 spelling: it goes as "?", pairs stay whole.
    for (size_t i = 0; i < wide.size(); ++i) {
      bool high = wide[i] >= 0xD800 && wide[i] <= 0xDBFF, low = wide[i] >= 0xDC00 && wide[i] <= 0xDFFF;
      if (high && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) ++i;
      else if (high || low) wide[i] = u'?';
    }
    utf16_to_utf8(wide.c_str(), wide.size(), &out);
  } else if (Entry* a = entry(c, CF_TEXT)) {
    HGLOBAL wide = convert(a->data, CF_UNICODETEXT);
    if (!wide) return out;
    const auto* p = static_cast<const WCHAR*>(GlobalLock(wide));
    if (p) utf16_to_utf8(p, std::char_traits<char16_t>::length(p), &out);
    GlobalUnlock(wide);
    GlobalFree(wide);
  }
  return out;
}

// Another program copied something: it replaces what is here. Answers the
// window that owned the old data (it is told), or null. The lock is held.
HWND import_shared(Clipboard& c) {
  std::string text;
  if (!display::current().shared_clipboard_text(&text) || text == c.shared) return nullptr;
  c.shared = text;
  free_all(c);
  HWND old_owner = c.owner;
  c.owner = nullptr;
  ++c.sequence;
  std::u16string wide;
  if (!text.empty() && utf8_to_utf16(text.data(), text.size(), &wide))
    if (HGLOBAL h = block_of(wide.c_str(), (wide.size() + 1) * sizeof(WCHAR)))
      c.entries.push_back(Entry{CF_UNICODETEXT, h, false});
  return old_owner;
}

void tell_old_owner(HWND owner) {
  if (owner && IsWindow(owner)) SendMessageW(owner, WM_DESTROYCLIPBOARD, 0, 0);
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  if (owner && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Clipboard& c = board();
  std::unique_lock<std::mutex> guard(c.lock);
  // Open elsewhere, or here for another window: taken.
  if (c.open_thread && (c.open_thread != GetCurrentThreadId() || c.open_window != owner)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  c.open_thread = GetCurrentThreadId();
  c.open_window = owner;
  HWND old_owner = import_shared(c);
  c.sequence_at_open = c.sequence;
  guard.unlock();
  tell_old_owner(old_owner);
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& c = board();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!open_here(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  c.open_thread = 0;
  c.open_window = nullptr;
  if (c.sequence != c.sequence_at_open) {
    // Changed while open: other programs see the new text (or that there is none).
    c.shared = text_of(c);
    display::current().set_shared_clipboard_text(c.shared);
  }
  return TRUE;
}

BOOL EmptyClipboard() {
  Clipboard& c = board();
  HWND old_owner;
  {
    std::lock_guard<std::mutex> guard(c.lock);
    if (!open_here(c)) {
      SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
      return FALSE;
    }
    free_all(c);
    old_owner = c.owner;
    c.owner = c.open_window;
    ++c.sequence;
  }
  // The old owner learns that its data is gone (outside the lock: it may use the clipboard).
  if (old_owner && IsWindow(old_owner)) SendMessageW(old_owner, WM_DESTROYCLIPBOARD, 0, 0);
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE memory) {
  Clipboard& c = board();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!open_here(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (!format || !memory) {  // a null handle would ask for delayed rendering, which is not offered
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (Entry* e = entry(c, format)) {
    if (e->data != memory) GlobalFree(e->data);
    e->data = memory;
    e->synthesized = false;
  } else {
    c.entries.push_back(Entry{format, memory, false});
  }
  // A text set now makes the other text format stale.
  if (is_text(format)) {
    UINT other = format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT;
    for (size_t i = 0; i < c.entries.size(); ++i)
      if (c.entries[i].format == other && c.entries[i].synthesized) {
        GlobalFree(c.entries[i].data);
        c.entries.erase(c.entries.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
  }
  ++c.sequence;
  return memory;
}

HANDLE GetClipboardData(UINT format) {
  Clipboard& c = board();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!open_here(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (Entry* e = entry(c, format)) return e->data;
  if (is_text(format)) {
    Entry* other = entry(c, format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT);
    if (other) {
      HGLOBAL made = convert(other->data, format);
      if (made) {
        c.entries.push_back(Entry{format, made, true});
        return made;
      }
    }
  }
  SetLastError(ERROR_NOT_FOUND);
  return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  Clipboard& c = board();
  std::unique_lock<std::mutex> guard(c.lock);
  if (!c.open_thread) {
    HWND old_owner = import_shared(c);
    guard.unlock();
    tell_old_owner(old_owner);
    guard.lock();
  }
  if (entry(c, format)) return TRUE;
  if (is_text(format) && entry(c, format == CF_TEXT ? CF_UNICODETEXT : CF_TEXT)) return TRUE;
  return FALSE;
}

int CountClipboardFormats() {
  Clipboard& c = board();
  std::lock_guard<std::mutex> guard(c.lock);
  int n = static_cast<int>(c.entries.size());
  // The text format that would be made on demand counts too.
  if (entry(c, CF_TEXT) != nullptr) n += entry(c, CF_UNICODETEXT) ? 0 : 1;
  else if (entry(c, CF_UNICODETEXT) != nullptr) n += 1;
  return n;
}

UINT EnumClipboardFormats(UINT format) {
  Clipboard& c = board();
  std::lock_guard<std::mutex> guard(c.lock);
  if (!open_here(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return 0;
  }
  std::vector<UINT> list;
  for (const Entry& e : c.entries) list.push_back(e.format);
  bool has_text = entry(c, CF_TEXT) != nullptr, has_wide = entry(c, CF_UNICODETEXT) != nullptr;
  if (has_text != has_wide) list.push_back(has_text ? CF_UNICODETEXT : CF_TEXT);
  SetLastError(ERROR_SUCCESS);
  if (format == 0) return list.empty() ? 0 : list[0];
  for (size_t i = 0; i + 1 < list.size(); ++i)
    if (list[i] == format) return list[i + 1];
  return 0;
}

HWND GetClipboardOwner() {
  Clipboard& c = board();
  std::lock_guard<std::mutex> guard(c.lock);
  return c.owner && IsWindow(c.owner) ? c.owner : nullptr;
}

HWND GetOpenClipboardWindow() {
  Clipboard& c = board();
  std::lock_guard<std::mutex> guard(c.lock);
  return c.open_thread ? c.open_window : nullptr;
}

DWORD GetClipboardSequenceNumber() {
  Clipboard& c = board();
  std::lock_guard<std::mutex> guard(c.lock);
  return c.sequence;
}
