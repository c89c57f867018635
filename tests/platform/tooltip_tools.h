// The tooltip window and tool descriptions as a program makes them, for the
// tooltip tests: one "tooltips_class32" popup, tools of size 64 with
// TTF_IDISHWND | TTF_SUBCLASS owned by the control's parent, whose text is
// replaced by deleting the tool and adding it again.
#pragma once

#include "platform/win32.h"

inline HWND make_tooltip(DWORD styles = TTS_ALWAYSTIP | TTS_NOPREFIX) {
  return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | styles, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

inline TTTOOLINFOW tool_of(HWND control, const WCHAR* text) {
  TTTOOLINFOW ti{};
  ti.cbSize = 64;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = const_cast<LPWSTR>(text);
  return ti;
}

inline LRESULT set_tip(HWND tip, HWND control, const WCHAR* text) {
  TTTOOLINFOW ti = tool_of(control, text);
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  return SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}
