// What a window carries: window longs (styles, identifier, procedure, user
// data, extra bytes), its text, its properties and its thread.
#include <cstring>
#include <string>

#include "platform/win32/user/window_internal.h"

namespace user {
namespace {

std::u16string prop_key(LPCWSTR name) {
  if (IS_INTRESOURCE(name)) {
    unsigned n = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name));
    std::u16string key = u"#";
    std::u16string digits;
    do {
      digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
      n /= 10;
    } while (n);
    return key + digits;
  }
  return fold(name);
}

// A property name lowered as keys are, without making a string: names are
// short, so they are lowered into a small buffer of the caller's.
struct FoldedName {
  char16_t units[64];
  size_t length = 0;
  bool fits = false;  // false: a name too long for the buffer, or an atom, goes through prop_key
  explicit FoldedName(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return;
    for (; name[length]; ++length) {
      if (length == 64) return;
      WCHAR c = name[length];
      // Mostly ASCII, whose capitals lower by arithmetic; the rest as the system lowers them.
      WCHAR lower = c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 32) : c;
      if (c >= 0x80) lower = static_cast<WCHAR>(reinterpret_cast<uintptr_t>(CharLowerW(reinterpret_cast<LPWSTR>(c))));
      units[length] = lower;
    }
    fits = true;
  }
  bool is(const std::u16string& key) const {
    return key.size() == length && std::memcmp(key.data(), units, length * sizeof(char16_t)) == 0;
  }
};

// Whether the name is spelled exactly so, case included.
bool spelled_as(const std::u16string& spelling, LPCWSTR name) {
  if (spelling.empty()) return false;
  size_t i = 0;
  for (; i < spelling.size(); ++i)
    if (name[i] != spelling[i]) return false;
  return name[i] == 0;
}

bool extra_index(Window* w, int index, size_t size) {
  if (index < 0 || static_cast<size_t>(index) + size > w->extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return false;
  }
  return true;
}

LONG_PTR set_style(Window* w, int index, DWORD value) {
  DWORD old = index == GWL_STYLE ? w->style : w->ex_style;
  // Only SetWindowPos moves a window in and out of the topmost layer.
  if (index == GWL_EXSTYLE) value = (value & ~static_cast<DWORD>(WS_EX_TOPMOST)) | (old & WS_EX_TOPMOST);
  STYLESTRUCT ss{old, value};
  HWND handle = w->handle;
  send(w, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
  if (!(w = find(handle))) return 0;
  if (index == GWL_STYLE) w->style = ss.styleNew;
  else w->ex_style = ss.styleNew;
  w->frame_dirty = true;
  surface_style_changed(w);
  send(w, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
  return static_cast<LONG>(old);
}

}  // namespace
}  // namespace user

using namespace user;

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  Window* w = find_or_fail(window);
  if (!w) return 0;
  if (index >= 0) {
    if (!extra_index(w, index, sizeof(LONG_PTR))) return 0;
    LONG_PTR v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  switch (index) {
    case GWL_STYLE: return static_cast<LONG>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG>(w->ex_style);
    case GWLP_ID: return w->id;
    case GWLP_USERDATA: return w->user_data;
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent ? w->parent->handle : w->owner ? w->owner->handle : nullptr);
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  Window* w = find_or_fail(window);
  if (!w) return 0;
  if (index >= 0) {
    if (!extra_index(w, index, sizeof(LONG_PTR))) return 0;
    LONG_PTR old;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  LONG_PTR old = 0;
  switch (index) {
    case GWL_STYLE:
    case GWL_EXSTYLE: return set_style(w, index, static_cast<DWORD>(value));
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWLP_USERDATA:
      old = w->user_data;
      w->user_data = value;
      return old;
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT: {
      if (w->parent) return reinterpret_cast<LONG_PTR>(SetParent(window, reinterpret_cast<HWND>(value)));
      old = reinterpret_cast<LONG_PTR>(w->owner ? w->owner->handle : nullptr);
      Window* o = find(reinterpret_cast<HWND>(value));
      w->owner = o ? root(o) : nullptr;
      surface_style_changed(w);
      return old;
    }
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
}

LONG GetWindowLongW(HWND window, int index) {
  Window* w = find_or_fail(window);
  if (!w) return 0;
  if (index >= 0) {
    if (!extra_index(w, index, sizeof(LONG))) return 0;
    LONG v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
  }
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT || index == GWLP_USERDATA) {
    SetLastError(ERROR_INVALID_INDEX);  // pointer-sized: only through GetWindowLongPtrW
    return 0;
  }
  return static_cast<LONG>(GetWindowLongPtrW(window, index));
}

LONG SetWindowLongW(HWND window, int index, LONG value) {
  Window* w = find_or_fail(window);
  if (!w) return 0;
  if (index >= 0) {
    if (!extra_index(w, index, sizeof(LONG))) return 0;
    LONG old;
    std::memcpy(&old, w->extra.data() + index, sizeof old);
    std::memcpy(w->extra.data() + index, &value, sizeof value);
    return old;
  }
  if (index == GWLP_WNDPROC || index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT || index == GWLP_USERDATA) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return static_cast<LONG>(SetWindowLongPtrW(window, index, value));
}

int GetWindowTextW(HWND window, LPWSTR text, int max_count) {
  Window* w = find_or_fail(window);
  if (!w || !text || max_count <= 0) return 0;
  text[0] = 0;
  return static_cast<int>(send(w, WM_GETTEXT, static_cast<WPARAM>(max_count), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthW(HWND window) {
  Window* w = find_or_fail(window);
  return w ? static_cast<int>(send(w, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  Window* w = find_or_fail(window);
  return w ? static_cast<BOOL>(send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text))) : FALSE;
}

DWORD GetWindowThreadProcessId(HWND window, LPDWORD process) {
  Window* w = find_or_fail(window);
  if (!w) return 0;
  if (process) *process = GetCurrentProcessId();
  return w->thread;
}

BOOL SetPropW(HWND window, LPCWSTR name, HANDLE data) {
  Window* w = find_or_fail(window);
  if (!w) return FALSE;
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string key = prop_key(name);
  for (Prop& p : w->props)
    if (p.name == key) {
      p.data = data;
      return TRUE;
    }
  w->props.push_back(Prop{key, data, IS_INTRESOURCE(name) ? std::u16string() : std::u16string(name)});
  return TRUE;
}

HANDLE GetPropW(HWND window, LPCWSTR name) {
  Window* w = find(window);
  if (!w || !name) return nullptr;
  if (!IS_INTRESOURCE(name)) {
    for (Prop& p : w->props)
      if (spelled_as(p.spelled, name)) return p.data;
  }
  const FoldedName folded(name);
  if (!folded.fits) {
    std::u16string key = prop_key(name);
    for (Prop& p : w->props)
      if (p.name == key) return p.data;
    return nullptr;
  }
  for (Prop& p : w->props)
    if (folded.is(p.name)) return p.data;
  return nullptr;
}

HANDLE RemovePropW(HWND window, LPCWSTR name) {
  Window* w = find(window);
  if (!w || !name) return nullptr;
  std::u16string key = prop_key(name);
  for (size_t i = 0; i < w->props.size(); ++i)
    if (w->props[i].name == key) {
      HANDLE data = w->props[i].data;
      w->props.erase(w->props.begin() + static_cast<std::ptrdiff_t>(i));
      return data;
    }
  return nullptr;
}
