// Window classes and the atom table behind class names and registered
// window messages. Both kinds of name share one table of string atoms,
// 0xC000 and up, compared without regard to case, as in Win32.
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

std::mutex atom_lock;
std::vector<std::u16string> atom_names;  // atom 0xC000 + i, as first registered
std::vector<std::u16string> atom_keys;   // folded
constexpr ATOM kFirstAtom = 0xC000;

std::vector<std::unique_ptr<WindowClass>>& classes() {
  static std::vector<std::unique_ptr<WindowClass>> list;
  return list;
}

// The standard controls (button, edit, list box, static, tooltips) register
// their classes through one function each, listed here.
using ClassRegistrar = void (*)();
const ClassRegistrar kStandardClasses[] = {register_listbox_class, register_edit_class,   register_button_class,
                                           register_tooltip_class, register_static_class, nullptr};
bool standard_registered = false;

void register_standard_classes() {
  if (standard_registered) return;
  standard_registered = true;
  for (ClassRegistrar r : kStandardClasses)
    if (r) r();
}

WindowClass* lookup(LPCWSTR name) {
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
    for (auto& c : classes())
      if (c->atom == atom) return c.get();
    return nullptr;
  }
  std::u16string key = fold(name);
  for (auto& c : classes())
    if (fold(c->name) == key) return c.get();
  return nullptr;
}

bool valid_name(LPCWSTR name) { return name && !IS_INTRESOURCE(name) && name[0]; }

ATOM add_class(const WNDCLASSEXW& wc, bool system) {
  if (!valid_name(wc.lpszClassName) || wc.cbClsExtra < 0 || wc.cbWndExtra < 0 || wc.cbClsExtra > 40000 ||
      wc.cbWndExtra > 40000) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!system) register_standard_classes();
  if (lookup(wc.lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_unique<WindowClass>();
  c->name = wc.lpszClassName;
  c->atom = atom_add(c->name);
  c->style = wc.style;
  c->proc = wc.lpfnWndProc;
  c->class_extra = wc.cbClsExtra;
  c->window_extra = wc.cbWndExtra;
  c->instance = wc.hInstance;
  c->icon = wc.hIcon;
  c->icon_small = wc.hIconSm;
  c->cursor = wc.hCursor;
  c->background = wc.hbrBackground;
  if (wc.lpszMenuName && !IS_INTRESOURCE(wc.lpszMenuName)) c->menu_name = wc.lpszMenuName;
  c->extra.assign(static_cast<size_t>(wc.cbClsExtra), 0);
  c->system = system;
  ATOM atom = c->atom;
  classes().push_back(std::move(c));
  return atom;
}

WindowClass* class_of(HWND window) {
  Window* w = find_or_fail(window);
  return w ? w->cls : nullptr;
}

}  // namespace

std::u16string fold(const std::u16string& s) {
  std::u16string r = s;
  if (!r.empty()) CharLowerW(r.data());
  return r;
}

ATOM atom_add(const std::u16string& name) {
  std::lock_guard<std::mutex> guard(atom_lock);
  std::u16string key = fold(name);
  for (size_t i = 0; i < atom_keys.size(); ++i)
    if (atom_keys[i] == key) return static_cast<ATOM>(kFirstAtom + i);
  if (atom_keys.size() >= 0x4000) return 0;
  atom_names.push_back(name);
  atom_keys.push_back(key);
  return static_cast<ATOM>(kFirstAtom + atom_keys.size() - 1);
}

ATOM atom_find(const std::u16string& name) {
  std::lock_guard<std::mutex> guard(atom_lock);
  std::u16string key = fold(name);
  for (size_t i = 0; i < atom_keys.size(); ++i)
    if (atom_keys[i] == key) return static_cast<ATOM>(kFirstAtom + i);
  return 0;
}

const std::u16string* atom_name(ATOM atom) {
  std::lock_guard<std::mutex> guard(atom_lock);
  if (atom < kFirstAtom || atom - kFirstAtom >= static_cast<int>(atom_names.size())) return nullptr;
  return &atom_names[atom - kFirstAtom];
}

WindowClass* find_class(LPCWSTR name) {
  register_standard_classes();
  return lookup(name);
}

ATOM register_system_class(const WNDCLASSEXW& wc) { return add_class(wc, true); }

}  // namespace user

using namespace user;

ATOM RegisterClassW(const WNDCLASSW* wc) {
  if (!wc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXW ex{sizeof(WNDCLASSEXW), wc->style,        wc->lpfnWndProc,   wc->cbClsExtra,
                 wc->cbWndExtra,      wc->hInstance,    wc->hIcon,         wc->hCursor,
                 wc->hbrBackground,   wc->lpszMenuName, wc->lpszClassName, nullptr};
  return add_class(ex, false);
}

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
  if (!wc || wc->cbSize != sizeof(WNDCLASSEXW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return add_class(*wc, false);
}

BOOL UnregisterClassW(LPCWSTR name, HINSTANCE) {
  WindowClass* c = find_class(name);
  if (!c || c->system) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (c->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  auto& list = classes();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == c) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR name, LPWNDCLASSEXW wc) {
  WindowClass* c = find_class(name);
  if (!c || !wc) {
    SetLastError(c ? ERROR_INVALID_PARAMETER : ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  wc->style = c->style;
  wc->lpfnWndProc = c->proc;
  wc->cbClsExtra = c->class_extra;
  wc->cbWndExtra = c->window_extra;
  wc->hInstance = c->instance;
  wc->hIcon = c->icon;
  wc->hCursor = c->cursor;
  wc->hbrBackground = c->background;
  wc->lpszMenuName = c->menu_name.empty() ? nullptr : c->menu_name.c_str();
  wc->lpszClassName = c->name.c_str();
  wc->hIconSm = c->icon_small;
  return c->atom;
}

int GetClassNameW(HWND window, LPWSTR name, int max_count) {
  WindowClass* c = class_of(window);
  if (!c) return 0;
  if (!name || max_count <= 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  int n = static_cast<int>(c->name.size());
  if (n > max_count - 1) n = max_count - 1;
  std::memcpy(name, c->name.data(), static_cast<size_t>(n) * sizeof(WCHAR));
  name[n] = 0;
  return n;
}

ULONG_PTR GetClassLongPtrW(HWND window, int index) {
  WindowClass* c = class_of(window);
  if (!c) return 0;
  if (index >= 0) {
    if (index + static_cast<int>(sizeof(ULONG_PTR)) > c->class_extra) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    ULONG_PTR v;
    std::memcpy(&v, c->extra.data() + index, sizeof v);
    return v;
  }
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c->background);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c->cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(c->icon);
    case GCLP_HICONSM: return reinterpret_cast<ULONG_PTR>(c->icon_small);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(c->instance);
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(c->proc);
    case GCLP_MENUNAME: return reinterpret_cast<ULONG_PTR>(c->menu_name.empty() ? nullptr : c->menu_name.c_str());
    case GCL_STYLE: return c->style;
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c->window_extra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(c->class_extra);
    case GCW_ATOM: return c->atom;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
}

DWORD GetClassLongW(HWND window, int index) {
  WindowClass* c = class_of(window);
  if (!c) return 0;
  if (index >= 0) {
    if (index + 4 > c->class_extra) {
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
    }
    DWORD v;
    std::memcpy(&v, c->extra.data() + index, sizeof v);
    return v;
  }
  return static_cast<DWORD>(GetClassLongPtrW(window, index));
}

ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value) {
  WindowClass* c = class_of(window);
  if (!c) return 0;
  ULONG_PTR old = GetClassLongPtrW(window, index);
  if (index >= 0) {
    if (index + static_cast<int>(sizeof(ULONG_PTR)) > c->class_extra) return 0;  // error already set
    std::memcpy(c->extra.data() + index, &value, sizeof value);
    return old;
  }
  switch (index) {
    case GCLP_HBRBACKGROUND: c->background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: c->cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: c->icon = reinterpret_cast<HICON>(value); break;
    case GCLP_HICONSM: c->icon_small = reinterpret_cast<HICON>(value); break;
    case GCLP_HMODULE: c->instance = reinterpret_cast<HINSTANCE>(value); break;
    case GCLP_WNDPROC: c->proc = reinterpret_cast<WNDPROC>(value); break;
    case GCL_STYLE: c->style = static_cast<UINT>(value); break;
    case GCL_CBWNDEXTRA: c->window_extra = static_cast<int>(value); break;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
  return old;
}

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (!name || !name[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return atom_add(name);
}
