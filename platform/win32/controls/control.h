// What a standard control of the stand-in shares with the others: a state
// record reached from the window's extra bytes, made at WM_NCCREATE and kept
// until the last call of the procedure returns after WM_NCDESTROY (so a
// parent that destroys the control from a notification leaves nothing
// dangling), a procedure that hands every other message to the control's own
// handler, the notification to the parent the control was made for, the
// colours it asks that parent for, and the registration of its class.
//
// A control is written as: struct X : control::State { ... }; a handler
// LRESULT handle(X*, UINT, WPARAM, LPARAM); and
// control::register_class(name, control::procedure<X, handle>, ...).
// Whatever sends a message or calls back may destroy the control: after it,
// look at `dead` (or the answer of notify) before touching anything else.
#pragma once

#include <new>

#include "platform/win32/user/trace.h"
#include "platform/win32/user/window_internal.h"

namespace control {

struct State {
  HWND self = nullptr;
  HWND parent = nullptr;  // notifications go to the parent the control was made for
  HFONT font = nullptr;   // WM_SETFONT's; null: the system font
  int busy = 0;           // procedure calls under way
  bool dead = false;      // WM_NCDESTROY came: the window is gone, the record goes with the last call
  // Hooks a control may hide with its own: at WM_NCCREATE, and at WM_NCDESTROY.
  void created(const CREATESTRUCTW*) {}
  void destroyed() {}
};

template <typename T>
T* state_of(HWND window) {
  return reinterpret_cast<T*>(GetWindowLongPtrW(window, 0));
}

// The window procedure of a control whose state record is T (derived from State).
template <typename T, LRESULT (*handle)(T*, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  T* s = state_of<T>(window);
  if (!s) {
    if (message != WM_NCCREATE) return DefWindowProcW(window, message, wParam, lParam);
    s = new (std::nothrow) T;
    if (!s) return FALSE;
    auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    s->self = window;
    s->parent = cs ? cs->hwndParent : nullptr;
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(s));
    s->created(cs);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  ++s->busy;
  LRESULT result;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, 0, 0);
    s->dead = true;
    s->destroyed();
    result = DefWindowProcW(window, message, wParam, lParam);
  } else if (message == WM_GETFONT) {
    result = reinterpret_cast<LRESULT>(s->font);
  } else if (message == WM_ERASEBKGND) {
    result = 1;  // every control's painting fills its whole client area itself
  } else {
    result = handle(s, message, wParam, lParam);
  }
  if (--s->busy == 0 && s->dead) delete s;
  return result;
}

// The control's style bits as they are now.
inline DWORD style_of(const State* s) { return static_cast<DWORD>(GetWindowLongW(s->self, GWL_STYLE)); }

// The font to draw the control's text with.
inline HGDIOBJ font_of(const State* s) { return s->font ? static_cast<HGDIOBJ>(s->font) : GetStockObject(SYSTEM_FONT); }

// Sends WM_COMMAND (the control's identifier, code) to the parent the control
// was made for. Answers whether the control is still there afterwards; when
// it is not, the caller returns at once without touching its state again.
inline bool notify(State* s, WORD code) {
  auto id = static_cast<WORD>(GetWindowLongPtrW(s->self, GWLP_ID));
  trace::message("notify", s->self, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(s->parent));
  if (s->parent) SendMessageW(s->parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(s->self));
  return !s->dead;
}

// The brush to paint the control with, as its parent chooses it: `message`
// (WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLOREDIT or WM_CTLCOLORLISTBOX)
// goes to the parent the control was made for with the control's device
// context, on which the parent may set the text and background colours. An
// answer that is not a brush (the parent left the message alone, or the
// control has no parent) gets what DefWindowProc does with the message: the
// system's colours for that kind of control, on the device context and as
// the brush. Null when the parent destroyed the control meanwhile; the
// caller looks at `dead` and stops.
inline HBRUSH color_brush(State* s, HDC dc, UINT message) {
  auto wp = reinterpret_cast<WPARAM>(dc);
  auto lp = reinterpret_cast<LPARAM>(s->self);
  auto answer = s->parent ? reinterpret_cast<HGDIOBJ>(SendMessageW(s->parent, message, wp, lp)) : nullptr;
  if (s->dead) return nullptr;
  if (answer && GetObjectType(answer) == OBJ_BRUSH) return static_cast<HBRUSH>(answer);
  return reinterpret_cast<HBRUSH>(DefWindowProcW(s->self, message, wp, lp));
}

// Registers a system class whose windows keep a state record pointer in their extra bytes.
inline void register_class(LPCWSTR name, WNDPROC procedure, UINT style, LPCWSTR cursor) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style | CS_GLOBALCLASS;
  wc.lpfnWndProc = procedure;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursorW(nullptr, cursor);
  wc.lpszClassName = name;
  user::register_system_class(wc);
}

}  // namespace control
