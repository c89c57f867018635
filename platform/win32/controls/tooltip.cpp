// The "tooltips_class32" window class of the stand-in: a list of tools (a
// window, or a rectangle of one), each with its text, and one topmost popup
// that shows the text of the tool the pointer rests on. The tooltip learns of
// the pointer through TTM_RELAYEVENT; a tool added with TTF_SUBCLASS has its
// window subclassed so that its mouse messages are relayed without help.
// The tip appears when the pointer has rested on a tool for the initial
// delay (half a second), and goes when the pointer leaves the tool, a button
// is pressed on it, or the pop delay has passed.
//
// A subclassed window keeps the relay until it is destroyed, even when its
// tools are deleted: other procedures may have been put on top of the relay
// since, and taking it out would cut them off.
#include <string>
#include <vector>

#include "platform/win32/controls/control.h"

namespace tooltip {

namespace {

constexpr UINT_PTR kShowTimer = 1, kPopTimer = 2;
constexpr int kMarginX = 4, kMarginY = 2;
constexpr size_t kInfoV1 = offsetof(TTTOOLINFOW, lParam), kInfoV2 = offsetof(TTTOOLINFOW, lpReserved);

struct Tool {
  UINT flags;
  HWND hwnd;
  UINT_PTR id;
  RECT rect;
  HINSTANCE instance;
  std::u16string text;
  bool callback;  // LPSTR_TEXTCALLBACKW: the text is asked for with TTN_GETDISPINFOW
  LPARAM lparam;
};

// Live tooltips, which the relay of every subclassed window tells of its mouse messages.
std::vector<HWND>& tooltips() {
  static auto* list = new std::vector<HWND>;
  return *list;
}

struct Tooltip : control::State {
  std::vector<Tool> tools;
  bool active = true;
  int max_width = -1;
  UINT initial = 500, autopop = 5000, reshow = 100;
  int hover = -1;    // the tool the pointer is on, waiting for the initial delay
  int showing = -1;  // the tool whose text is up
  std::u16string shown_text;

  void created(const CREATESTRUCTW*) {
    // A tooltip is a popup of its own whatever its creator asked, as in Win32.
    DWORD style = static_cast<DWORD>(GetWindowLongW(self, GWL_STYLE));
    SetWindowLongW(self, GWL_STYLE, static_cast<LONG>((style & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP));
    SetWindowLongW(self, GWL_EXSTYLE, GetWindowLongW(self, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
    tooltips().push_back(self);
  }
  void destroyed() { std::erase(tooltips(), self); }
};

struct Subclass {
  HWND window;
  WNDPROC previous;
};
std::vector<Subclass>& subclasses() {
  static auto* list = new std::vector<Subclass>;
  return *list;
}

// The mouse messages a tool's window relays, and its end, which ends its tip too.
bool relayed(UINT m) {
  return m == WM_DESTROY || m == WM_MOUSEMOVE || m == WM_LBUTTONDOWN || m == WM_LBUTTONUP || m == WM_LBUTTONDBLCLK ||
         m == WM_RBUTTONDOWN || m == WM_RBUTTONUP || m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDOWN ||
         m == WM_MBUTTONUP || m == WM_MBUTTONDBLCLK || m == WM_MOUSELEAVE;
}

// The window whose messages came last, and its procedure: a list that is
// filled or read line by line sends its relay one message after another.
Subclass last_relayed{nullptr, nullptr};

LRESULT CALLBACK relay(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = window == last_relayed.window ? last_relayed.previous : nullptr;
  for (size_t i = 0; !previous && i < subclasses().size(); ++i) {
    if (subclasses()[i].window == window) {
      last_relayed = subclasses()[i];  // a window is subclassed once
      previous = last_relayed.previous;
    }
  }
  if (relayed(message)) {
    MSG msg{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    DWORD pos = GetMessagePos();
    msg.pt = POINT{static_cast<SHORT>(LOWORD(pos)), static_cast<SHORT>(HIWORD(pos))};
    std::vector<HWND> tips = tooltips();  // a tooltip may go away while being told
    for (HWND tip : tips)
      if (IsWindow(tip)) SendMessageW(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
  if (message == WM_NCDESTROY) {
    std::erase_if(subclasses(), [window](const Subclass& s) { return s.window == window; });
    if (last_relayed.window == window) last_relayed = Subclass{nullptr, nullptr};
  }
  return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                  : DefWindowProcW(window, message, wParam, lParam);
}

void subclass(HWND window) {
  if (!IsWindow(window)) return;
  for (const Subclass& s : subclasses())
    if (s.window == window) return;
  auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
  subclasses().push_back(Subclass{window, previous});
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(relay));
}

int find_tool(const Tooltip* t, HWND hwnd, UINT_PTR id) {
  for (size_t i = 0; i < t->tools.size(); ++i)
    if (t->tools[i].hwnd == hwnd && t->tools[i].id == id) return static_cast<int>(i);
  return -1;
}

const TTTOOLINFOW* info_of(LPARAM lParam) {
  auto* info = reinterpret_cast<const TTTOOLINFOW*>(lParam);
  return info && info->cbSize >= kInfoV1 ? info : nullptr;
}

int find_tool(const Tooltip* t, LPARAM lParam) {
  const TTTOOLINFOW* info = info_of(lParam);
  return info ? find_tool(t, info->hwnd, info->uId) : -1;
}

void set_text(Tool* tool, LPCWSTR text) {
  tool->callback = text == LPSTR_TEXTCALLBACKW;
  // A string-resource number names nothing here: the stand-in has no string resources.
  tool->text = !tool->callback && text && !IS_INTRESOURCE(text) ? text : u"";
}

// The window a tool covers, and whether a point of that window's client area is on the tool.
HWND tool_window(const Tool& tool) { return (tool.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(tool.id) : tool.hwnd; }

int tool_at(const Tooltip* t, HWND window, POINT client) {
  for (size_t i = 0; i < t->tools.size(); ++i) {
    const Tool& tool = t->tools[i];
    if (tool_window(tool) != window) continue;
    if ((tool.flags & TTF_IDISHWND) || PtInRect(&tool.rect, client)) return static_cast<int>(i);
  }
  return -1;
}

void hide(Tooltip* t) {
  KillTimer(t->self, kPopTimer);
  if (t->showing < 0) return;
  t->showing = -1;
  ShowWindow(t->self, SW_HIDE);
}

void cancel(Tooltip* t) {
  KillTimer(t->self, kShowTimer);
  t->hover = -1;
  hide(t);
}

// The tool's text, asking its window for a callback text; false when the tooltip went away meanwhile.
bool text_of(Tooltip* t, int index, std::u16string* out) {
  Tool tool = t->tools[static_cast<size_t>(index)];
  if (!tool.callback) {
    *out = tool.text;
    return true;
  }
  NMTTDISPINFOW info{};
  info.hdr = NMHDR{t->self, tool.id, TTN_GETDISPINFOW};
  info.lpszText = info.szText;
  info.hinst = tool.instance;
  info.uFlags = tool.flags;
  info.lParam = tool.lparam;
  SendMessageW(tool.hwnd, WM_NOTIFY, tool.id, reinterpret_cast<LPARAM>(&info));
  if (t->dead) return false;
  info.szText[79] = 0;
  const WCHAR* text = info.lpszText && !IS_INTRESOURCE(info.lpszText) ? info.lpszText : u"";
  *out = text;
  return true;
}

UINT text_format(const Tooltip* t) {
  DWORD style = static_cast<DWORD>(GetWindowLongW(t->self, GWL_STYLE));
  return DT_EXPANDTABS | (style & TTS_NOPREFIX ? DT_NOPREFIX : 0) | (t->max_width > 0 ? DT_WORDBREAK : DT_SINGLELINE);
}

// A tip without a font of its own shows in the GUI font, not the system font.
HGDIOBJ text_font(const Tooltip* t) {
  return t->font ? static_cast<HGDIOBJ>(t->font) : GetStockObject(DEFAULT_GUI_FONT);
}

// Shows the tool's text below the pointer, kept on the screen.
void show(Tooltip* t, int index) {
  std::u16string text;
  if (!text_of(t, index, &text)) return;
  if (text.empty()) return;  // Win32 shows no empty tip
  t->shown_text = text;
  HDC dc = GetDC(t->self);
  HGDIOBJ old = SelectObject(dc, text_font(t));
  RECT r{0, 0, t->max_width > 0 ? t->max_width : 10000, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, text_format(t) | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(t->self, dc);
  int width = r.right - r.left + 2 * kMarginX + 2, height = r.bottom - r.top + 2 * kMarginY + 2;
  POINT p;
  GetCursorPos(&p);
  int x = p.x, y = p.y + GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
  if (x + width > screen_w) x = screen_w - width;
  if (y + height > screen_h) y = p.y - height;  // above the pointer when there is no room below
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  t->showing = index;
  SetWindowPos(t->self, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (t->dead) return;
  InvalidateRect(t->self, nullptr, TRUE);
  SetTimer(t->self, kPopTimer, t->autopop, nullptr);
}

bool pointer_on(const Tool& tool) {
  POINT p;
  GetCursorPos(&p);
  HWND under = WindowFromPoint(p);
  HWND window = tool_window(tool);
  return under && (under == window || IsChild(window, under));
}

// A tip shows when its tool's top-level window is active, or always with TTS_ALWAYSTIP.
bool may_show(const Tooltip* t, const Tool& tool) {
  if (!t->active) return false;
  if (GetWindowLongW(t->self, GWL_STYLE) & TTS_ALWAYSTIP) return true;
  HWND active = GetActiveWindow();
  return active && GetAncestor(tool_window(tool), GA_ROOT) == active;
}

void on_timer(Tooltip* t, UINT_PTR id) {
  KillTimer(t->self, id);
  if (id == kPopTimer) {
    hide(t);
    t->hover = -1;  // the pointer must move again before the tip comes back
    return;
  }
  int index = t->hover;
  t->hover = -1;
  if (index < 0 || index >= static_cast<int>(t->tools.size())) return;
  const Tool& tool = t->tools[static_cast<size_t>(index)];
  if (pointer_on(tool) && may_show(t, tool)) show(t, index);
}

void on_relay(Tooltip* t, const MSG* msg) {
  if (!msg) return;
  if (msg->message != WM_MOUSEMOVE) {
    // A press, the pointer leaving or the window going away ends the tip of that window's tool.
    for (int index : {t->hover, t->showing})
      if (index >= 0 && tool_window(t->tools[static_cast<size_t>(index)]) == msg->hwnd) cancel(t);
    return;
  }
  POINT client{static_cast<SHORT>(LOWORD(msg->lParam)), static_cast<SHORT>(HIWORD(msg->lParam))};
  int index = tool_at(t, msg->hwnd, client);
  if (index < 0) {
    cancel(t);
    return;
  }
  if (index == t->showing) return;
  bool was_showing = t->showing >= 0;
  hide(t);
  // Resting is what counts: each move starts the delay again (shorter when a tip was just up).
  t->hover = index;
  SetTimer(t->self, kShowTimer, was_showing ? t->reshow : t->initial, nullptr);
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, msg->hwnd, 0};
  TrackMouseEvent(&track);
}

// A tool is removed; the indexes of those after it move down by one.
void forget(Tooltip* t, int index) {
  if (t->showing == index) hide(t);
  if (t->hover == index) cancel(t);
  t->tools.erase(t->tools.begin() + index);
  if (t->showing > index) --t->showing;
  if (t->hover > index) --t->hover;
}

LRESULT add_tool(Tooltip* t, LPARAM lParam) {
  const TTTOOLINFOW* info = info_of(lParam);
  if (!info) return FALSE;
  Tool tool{info->uFlags, info->hwnd, info->uId, info->rect, info->hinst, {}, false, 0};
  if (info->cbSize >= kInfoV2) tool.lparam = info->lParam;
  set_text(&tool, info->lpszText);
  t->tools.push_back(tool);
  if (tool.flags & TTF_SUBCLASS) subclass(tool_window(tool));
  return TRUE;
}

void copy_out(const std::u16string& text, WCHAR* buffer, size_t room) {
  if (!buffer || !room) return;
  size_t n = text.size() < room - 1 ? text.size() : room - 1;
  text.copy(buffer, n);
  buffer[n] = 0;
}

void paint(Tooltip* t) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(t->self, &ps);
  if (!dc) return;
  RECT r;
  GetClientRect(t->self, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
  FrameRect(dc, &r, GetSysColorBrush(COLOR_INFOTEXT));
  HGDIOBJ old = SelectObject(dc, text_font(t));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
  InflateRect(&r, -(kMarginX + 1), -(kMarginY + 1));
  DrawTextW(dc, t->shown_text.c_str(), static_cast<int>(t->shown_text.size()), &r, text_format(t));
  SelectObject(dc, old);
  EndPaint(t->self, &ps);
}

LRESULT delete_tool(Tooltip* t, LPARAM lParam) {
  int index = find_tool(t, lParam);
  if (index >= 0) forget(t, index);
  return 0;
}

LRESULT update_tip_text(Tooltip* t, LPARAM lParam) {
  int index = find_tool(t, lParam);
  if (index < 0) return 0;
  set_text(&t->tools[static_cast<size_t>(index)], info_of(lParam)->lpszText);
  if (index == t->showing) {
    hide(t);
    show(t, index);
  }
  return 0;
}

LRESULT new_tool_rect(Tooltip* t, LPARAM lParam) {
  int index = find_tool(t, lParam);
  if (index >= 0) t->tools[static_cast<size_t>(index)].rect = info_of(lParam)->rect;
  return 0;
}

// wParam is the buffer's size in characters; 0 means the classic 80.
LRESULT get_text(Tooltip* t, WPARAM wParam, LPARAM lParam) {
  int index = find_tool(t, lParam);
  auto* info = reinterpret_cast<TTTOOLINFOW*>(lParam);
  if (index < 0 || !info->lpszText) return 0;
  std::u16string text;
  if (!text_of(t, index, &text)) return 0;
  copy_out(text, info->lpszText, wParam ? wParam : 80);
  return 0;
}

LRESULT get_tool_info(const Tooltip* t, LPARAM lParam) {
  int index = find_tool(t, lParam);
  if (index < 0) return FALSE;
  auto* info = reinterpret_cast<TTTOOLINFOW*>(lParam);
  const Tool& tool = t->tools[static_cast<size_t>(index)];
  info->uFlags = tool.flags;
  info->rect = tool.rect;
  info->hinst = tool.instance;
  if (info->cbSize >= kInfoV2) info->lParam = tool.lparam;
  if (tool.callback) info->lpszText = LPSTR_TEXTCALLBACKW;
  else copy_out(tool.text, info->lpszText, 80);
  return TRUE;
}

LRESULT get_current_tool(const Tooltip* t, LPARAM lParam) {
  if (t->showing < 0) return FALSE;
  auto* info = reinterpret_cast<TTTOOLINFOW*>(lParam);
  if (info && info->cbSize >= kInfoV1) {
    const Tool& tool = t->tools[static_cast<size_t>(t->showing)];
    info->uFlags = tool.flags, info->hwnd = tool.hwnd, info->uId = tool.id, info->rect = tool.rect;
  }
  return TRUE;
}

LRESULT set_max_tip_width(Tooltip* t, LPARAM lParam) {
  int old = t->max_width;
  t->max_width = static_cast<int>(lParam);
  return old;
}

LRESULT set_delay_time(Tooltip* t, WPARAM wParam, LPARAM lParam) {
  int ms = static_cast<SHORT>(LOWORD(lParam));
  UINT initial = ms < 0 ? 500 : static_cast<UINT>(ms);
  if (wParam == TTDT_INITIAL) t->initial = initial;
  else if (wParam == TTDT_AUTOPOP) t->autopop = ms < 0 ? 5000 : initial;
  else if (wParam == TTDT_RESHOW) t->reshow = ms < 0 ? 100 : initial;
  else t->initial = initial, t->autopop = initial * 10, t->reshow = initial / 5;  // TTDT_AUTOMATIC
  return 0;
}

LRESULT handle(Tooltip* t, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TTM_ADDTOOLW: return add_tool(t, lParam);
    case TTM_DELTOOLW: return delete_tool(t, lParam);
    case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(t->tools.size());
    case TTM_UPDATETIPTEXTW: return update_tip_text(t, lParam);
    case TTM_NEWTOOLRECTW: return new_tool_rect(t, lParam);
    case TTM_GETTEXTW: return get_text(t, wParam, lParam);
    case TTM_GETTOOLINFOW: return get_tool_info(t, lParam);
    case TTM_GETCURRENTTOOLW: return get_current_tool(t, lParam);
    case TTM_RELAYEVENT: on_relay(t, reinterpret_cast<const MSG*>(lParam)); return 0;
    case TTM_ACTIVATE:
      t->active = wParam != 0;
      if (!t->active) cancel(t);
      return 0;
    case TTM_POP: cancel(t); return 0;
    case TTM_SETMAXTIPWIDTH: return set_max_tip_width(t, lParam);
    case TTM_GETMAXTIPWIDTH: return t->max_width;
    case TTM_SETDELAYTIME: return set_delay_time(t, wParam, lParam);
    case TTM_GETDELAYTIME: return wParam == TTDT_AUTOPOP ? t->autopop : wParam == TTDT_RESHOW ? t->reshow : t->initial;
    case WM_TIMER: on_timer(t, wParam); return 0;
    case WM_SETFONT: t->font = reinterpret_cast<HFONT>(wParam); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCHITTEST: return HTTRANSPARENT;  // the pointer goes through to the window beneath
    case WM_PAINT: paint(t); return 0;
    default: return DefWindowProcW(t->self, message, wParam, lParam);
  }
}

}  // namespace

}  // namespace tooltip

void user::register_tooltip_class() {
  control::register_class(TOOLTIPS_CLASSW, control::procedure<tooltip::Tooltip, tooltip::handle>,
                          CS_DBLCLKS | CS_SAVEBITS, IDC_ARROW);
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  return TRUE;
}

void InitCommonControls() {}
