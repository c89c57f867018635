// Tooltips: the program's one "tooltips_class32" window, made on first use,
// with a tool per gadget. Adding a tool deletes the gadget's old one first,
// so a second tip replaces the first.
#include "gui/gadget_internal.h"

namespace {

constexpr DWORD kTooltipStyle = WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX;
static_assert(kTooltipStyle == 0x80000003, "the tip window's style");
constexpr UINT kToolSize = 64;  // the tool description without its reserved tail
static_assert(offsetof(TTTOOLINFOW, lpReserved) == kToolSize);

// Painting raises the tip above whatever came to the top since it was shown.
LRESULT CALLBACK tooltip_procedure(HWND tooltip, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_PAINT) {
    SetWindowPos(tooltip, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  }
  WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(tooltip, GWLP_USERDATA));
  return previous ? CallWindowProcW(previous, tooltip, message, wp, lp) : DefWindowProcW(tooltip, message, wp, lp);
}

HWND tooltip_window(GadgetListState* state) {
  if (!state->tooltip) {
    HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, kTooltipStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, gadget_instance(), nullptr);
    if (!tooltip) {
      return nullptr;
    }
    SetWindowLongPtrW(tooltip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(gadget_subclass(tooltip, tooltip_procedure)));
    state->tooltip = tooltip;
  }
  return state->tooltip;
}

LRESULT set_tool(HWND tooltip, HWND control, const WCHAR* text) {
  TTTOOLINFOW tool = {};
  tool.cbSize = kToolSize;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<LPWSTR>(text ? text : TEXT(""));
  SendMessageW(tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  return SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

LRESULT gadget_set_tip(int64_t gadget, const WCHAR* text) {
  GadgetObject* object = gadget_object(gadget);
  GadgetListState* state = gadget_list_state();
  HWND tooltip = object ? tooltip_window(state) : nullptr;
  if (!tooltip) {
    return 0;
  }
  LRESULT result = set_tool(tooltip, object->handle, text);
  if (object->kind->kind == GADGET_KIND_INNER_CHILD) {
    HWND inner = GetWindow(object->handle, GW_CHILD);
    if (inner) {
      result = set_tool(tooltip, inner, text);
    }
  }
  return result;
}
