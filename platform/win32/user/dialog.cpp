// The stand-in's modal dialog machinery: the "#32770" box class, the dialog
// keys in place of IsDialogMessageW, and the modal loop.
#include "platform/win32/user/dialog.h"

#include <algorithm>

namespace dialog {

namespace {

constexpr DWORD kBoxStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kBoxExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;

Dialog* from(HWND box) { return reinterpret_cast<Dialog*>(GetWindowLongPtrW(box, 0)); }

bool ours(const Dialog* d, HWND window) { return window && (window == d->box || IsChild(d->box, window)); }

UINT dlg_code(HWND window) { return window ? static_cast<UINT>(SendMessageW(window, WM_GETDLGCODE, 0, 0)) : 0; }

bool is_push_button(HWND window) { return (dlg_code(window) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0; }

// The focused control shows as the default when it is a push button, else the dialog's default does.
void show_default(Dialog* d, HWND focus) {
  HWND chosen = is_push_button(focus) ? focus : GetDlgItem(d->box, d->default_id);
  for (HWND c : d->controls) {
    if (!is_push_button(c)) continue;
    UINT want = c == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    UINT now = static_cast<UINT>(GetWindowLongW(c, GWL_STYLE)) & BS_TYPEMASK;
    if (now != want) SendMessageW(c, BM_SETSTYLE, want, TRUE);
  }
}

void focus_control(Dialog* d, HWND control) {
  if (!control) return;
  SetFocus(control);
  d->last_focus = control;
  // As Win32 does, a field that takes the focus this way has its text selected.
  if (dlg_code(control) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
  show_default(d, control);
}

bool can_focus(HWND c) { return IsWindowVisible(c) && IsWindowEnabled(c); }

// The next (or previous) control of the tab order; with buttons_only, among the push buttons (the arrows).
void move_focus(Dialog* d, bool backwards, bool buttons_only) {
  auto& list = d->controls;
  if (list.empty()) return;
  HWND focus = GetFocus();
  auto it = std::find(list.begin(), list.end(), focus);
  size_t n = list.size(), at = it == list.end() ? (backwards ? 0 : n - 1) : static_cast<size_t>(it - list.begin());
  for (size_t step = 1; step <= n; ++step) {
    HWND c = list[(at + (backwards ? n - step : step)) % n];
    if (can_focus(c) && (!buttons_only || is_push_button(c))) {
      focus_control(d, c);
      return;
    }
  }
}

void press(Dialog* d, WORD id) {
  HWND button = GetDlgItem(d->box, id);
  if (button && !IsWindowEnabled(button)) return;
  SendMessageW(d->box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// The push button whose text marks the character with "&", case ignored.
HWND mnemonic(const Dialog* d, WCHAR ch) {
  WCHAR key[2] = {ch, 0};
  CharLowerW(key);
  for (HWND c : d->controls) {
    if (!is_push_button(c) || !can_focus(c)) continue;
    WCHAR text[64] = {};
    GetWindowTextW(c, text, 64);
    CharLowerW(text);
    for (int i = 0; text[i] && text[i + 1]; ++i)
      if (text[i] == u'&') {
        if (text[i + 1] == key[0]) return c;
        if (text[i + 1] != u'&') break;
        ++i;
      }
  }
  return nullptr;
}

bool click_mnemonic(Dialog* d, WCHAR ch) {
  HWND c = mnemonic(d, ch);
  if (!c) return false;
  focus_control(d, c);
  SendMessageW(c, BM_CLICK, 0, 0);
  return true;
}

// The dialog keys; true when the message was one and has been acted on.
bool dialog_key(Dialog* d, const MSG& msg) {
  if (!ours(d, msg.hwnd)) return false;
  HWND focus = GetFocus();
  UINT code = ours(d, focus) ? dlg_code(focus) : 0;
  if (code & DLGC_WANTMESSAGE) return false;
  if (msg.message == WM_KEYDOWN) {
    switch (msg.wParam) {
      case VK_TAB:
        if (code & DLGC_WANTTAB) return false;
        move_focus(d, GetKeyState(VK_SHIFT) < 0, false);
        return true;
      case VK_LEFT:
      case VK_UP:
      case VK_RIGHT:
      case VK_DOWN:
        if (code & DLGC_WANTARROWS) return false;
        move_focus(d, msg.wParam == VK_LEFT || msg.wParam == VK_UP, true);
        return true;
      case VK_RETURN:
        press(d, is_push_button(focus) && ours(d, focus) ? static_cast<WORD>(GetDlgCtrlID(focus)) : d->default_id);
        return true;
      case VK_ESCAPE: press(d, IDCANCEL); return true;
      default: return false;
    }
  }
  if (msg.message == WM_CHAR) {
    WCHAR ch = static_cast<WCHAR>(msg.wParam);
    if (ch == u'\t' || ch == u'\r' || ch == 27) return true;  // their keys have acted already
    if (code & DLGC_WANTCHARS) return false;
    return click_mnemonic(d, ch);
  }
  if (msg.message == WM_SYSCHAR) return click_mnemonic(d, static_cast<WCHAR>(msg.wParam));
  return false;
}

LRESULT CALLBACK box_procedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(box, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    return DefWindowProcW(box, message, wParam, lParam);
  }
  Dialog* d = from(box);
  if (!d) return DefWindowProcW(box, message, wParam, lParam);
  LRESULT result = 0;
  if (d->message(message, wParam, lParam, &result)) return result;
  switch (message) {
    case WM_COMMAND: d->command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_CLOSE: d->command(IDCANCEL, BN_CLICKED, nullptr); return 0;
    case WM_ACTIVATE:
      // The focus leaves with the box and comes back to where it was.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(box, focus)) d->last_focus = focus;
      } else if (d->last_focus && IsWindow(d->last_focus)) {
        SetFocus(d->last_focus);
      }
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(box, 0, 0);
      d->box = nullptr;
      d->controls.clear();
      return DefWindowProcW(box, message, wParam, lParam);
    default: return DefWindowProcW(box, message, wParam, lParam);
  }
}

const WCHAR* box_class() {
  static bool registered = false;
  static const WCHAR name[] = TEXT("#32770");  // the dialog class's name in Win32
  if (!registered) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = box_procedure;
    wc.cbWndExtra = sizeof(Dialog*);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
    wc.lpszClassName = name;
    registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  return name;
}

RECT placement(int width, int height, HWND owner) {
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, kBoxStyle, FALSE, kBoxExStyle);
  int w = r.right - r.left, h = r.bottom - r.top;
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  RECT area{0, 0, sw, sh};
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);
  int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
  x = std::max(0, std::min(x, sw - w));
  y = std::max(0, std::min(y, sh - h));
  return RECT{x, y, x + w, y + h};
}

BOOL CALLBACK disable_one(HWND window, LPARAM param) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(param);
  if (window != list->front() && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    list->push_back(window);
  }
  return TRUE;
}

}  // namespace

HFONT font() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

SIZE measure(HWND window, const std::u16string& text, int width, UINT format) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font());
  RECT r{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

HWND make_box(Dialog* d, LPCWSTR title, int width, int height, HWND owner, bool topmost) {
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  RECT r = placement(width, height, top);
  d->box = CreateWindowExW(kBoxExStyle | (topmost ? WS_EX_TOPMOST : 0), box_class(), title, kBoxStyle, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, top, nullptr, nullptr, d);
  return d->box;
}

void resize_box(Dialog* d, int width, int height, HWND owner) {
  RECT r = placement(width, height, owner ? GetAncestor(owner, GA_ROOT) : nullptr);
  SetWindowPos(d->box, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND add_control(Dialog* d, LPCWSTR cls, LPCWSTR text, DWORD style, int x, int y, int width, int height, int id,
                 DWORD ex_style) {
  HWND c = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, d->box,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (!c) return nullptr;
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
  if (style & WS_TABSTOP) d->controls.push_back(c);
  return c;
}

int run(Dialog* d, HWND owner, HWND first, bool task_modal) {
  std::vector<HWND> disabled{d->box};  // the box first: never disabled by the walk below
  HWND top = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  if (top && IsWindowEnabled(top)) {
    EnableWindow(top, FALSE);
    disabled.push_back(top);
  }
  if (task_modal) EnumThreadWindows(GetCurrentThreadId(), disable_one, reinterpret_cast<LPARAM>(&disabled));
  ShowWindow(d->box, SW_SHOW);
  SetForegroundWindow(d->box);
  focus_control(d, first);
  MSG msg;
  while (!d->done && d->box) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the program's own loop must see it too
      break;
    }
    if (got < 0) break;
    if (dialog_key(d, msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // The owner comes back before the box goes, so that it is the one activated next.
  for (size_t i = 1; i < disabled.size(); ++i)
    if (IsWindow(disabled[i])) EnableWindow(disabled[i], TRUE);
  if (d->box) DestroyWindow(d->box);
  return d->result;
}

}  // namespace dialog
