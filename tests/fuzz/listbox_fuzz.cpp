// The "ListBox" control under the headless display: a script of the
// program's LB_ messages and of what a user does (presses, drags, releases and
// double clicks of the mouse, the wheel, navigation keys with Shift and Ctrl,
// typed characters, focus changes), each followed by a comparison of every
// answer, line, mark, caret, anchor, first line, capture, focus and
// notification with the model of listbox_model.h. The parent may destroy the
// list on a notification of the input's choice: the list must then stop at
// once, hold no capture and leave the parent's log as the model's up to that
// notification.
//
// Input: the list's style, size and font, the notification that destroys it,
// then one operation a byte with its arguments.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "listbox_model.h"
#include "platform/win32.h"
#include "platform/win32/display/headless_driver.h"

namespace {

using fuzz::ListModel;

constexpr int kId = 7;
HWND g_top = nullptr;
HWND g_list = nullptr;
std::vector<int> g_notes;  // what the parent heard from the list
int g_destroy_on = -1;

LRESULT CALLBACK parent_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && g_list && reinterpret_cast<HWND>(lParam) == g_list) {
    g_notes.push_back(HIWORD(wParam));
    if (HIWORD(wParam) == g_destroy_on) {
      g_destroy_on = -1;
      DestroyWindow(g_list);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::u16string line_text(fuzz::Input& in) {
  static const char16_t units[] = u"aAbB\u00e4\u00c4 1";
  std::u16string s;
  const uint8_t n = in.byte();
  if (n == 255) return std::u16string(16385 + in.byte() * 16, units[in.byte() % 8]);  // a text with a block of its own
  for (int k = n % 6; k > 0; --k) s += units[in.byte() % 8];
  return s;
}

LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(g_list, message, wParam, lParam);
}
LPARAM text_param(const std::u16string& s) { return reinterpret_cast<LPARAM>(s.c_str()); }

std::string where(const char* what, int op) { return std::string(what) + " after operation " + std::to_string(op); }

// Everything the program can ask the list, against the model.
void compare(const ListModel& m, int op, bool lines_changed) {
  const int n = m.count();
  FUZZ_CHECK(send(LB_GETCOUNT) == n, where("LB_GETCOUNT", op));
  for (int i = 0; i < n && lines_changed; ++i) {
    const ListModel::Line& line = m.lines[static_cast<size_t>(i)];
    FUZZ_CHECK(send(LB_GETTEXTLEN, static_cast<WPARAM>(i)) == static_cast<LRESULT>(line.text.size()),
               where("LB_GETTEXTLEN", op));
    std::u16string got(line.text.size() + 1, u'?');
    send(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(got.data()));
    got.resize(line.text.size());
    FUZZ_CHECK(got == line.text, where("LB_GETTEXT", op) + ": " + fuzz::show(got) + " wanted " + fuzz::show(line.text));
    FUZZ_CHECK(send(LB_GETITEMDATA, static_cast<WPARAM>(i)) == static_cast<LRESULT>(line.data),
               where("LB_GETITEMDATA", op));
  }
  int marks = 0;
  for (int i = 0; i < n; ++i) {
    FUZZ_CHECK(send(LB_GETSEL, static_cast<WPARAM>(i)) == (m.is_selected(i) ? 1 : 0),
               where("LB_GETSEL", op) + " " + std::to_string(i));
    marks += m.is_selected(i);
  }
  FUZZ_CHECK(send(LB_GETSELCOUNT) == (m.multi ? marks : LB_ERR), where("LB_GETSELCOUNT", op));
  if (m.multi) {
    std::vector<int> items(static_cast<size_t>(n) + 1, -5);
    const LRESULT got = send(LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(items.data()));
    FUZZ_CHECK(got == marks, where("LB_GETSELITEMS", op));
    for (int k = 0, i = 0; i < n; ++i)
      if (m.is_selected(i)) FUZZ_CHECK(items[static_cast<size_t>(k++)] == i, where("LB_GETSELITEMS", op));
    FUZZ_CHECK(items[static_cast<size_t>(marks)] == -5, where("LB_GETSELITEMS writes no more than it answers", op));
  }
  const LRESULT cur = n == 0 ? LB_ERR : m.multi ? m.caret : m.selected;
  FUZZ_CHECK(send(LB_GETCURSEL) == cur,
             where("LB_GETCURSEL", op) + ": " + std::to_string(send(LB_GETCURSEL)) + " wanted " + std::to_string(cur));
  FUZZ_CHECK(send(LB_GETCARETINDEX) == m.caret, where("LB_GETCARETINDEX", op));
  FUZZ_CHECK(send(LB_GETANCHORINDEX) == m.anchor, where("LB_GETANCHORINDEX", op));
  FUZZ_CHECK(send(LB_GETTOPINDEX) == m.top, where("LB_GETTOPINDEX", op) + ": " + std::to_string(send(LB_GETTOPINDEX)) +
                                                " wanted " + std::to_string(m.top));
  FUZZ_CHECK(send(LB_GETITEMHEIGHT) == m.item_height, where("LB_GETITEMHEIGHT", op));
  FUZZ_CHECK(send(LB_GETHORIZONTALEXTENT) == m.horz_extent, where("LB_GETHORIZONTALEXTENT", op));
  FUZZ_CHECK((GetCapture() == g_list) == m.tracking, where("the capture", op));
  FUZZ_CHECK((GetFocus() == g_list) == m.focused, where("the focus", op));
  // The invariants the model keeps too, stated on their own.
  FUZZ_CHECK(n == 0 ? m.caret == 0 : m.caret >= 0 && m.caret < n, where("the caret lies on a line", op));
  FUZZ_CHECK(m.anchor >= -1 && m.anchor < std::max(n, 1), where("the anchor lies on a line", op));
  FUZZ_CHECK(m.top >= 0 && m.top <= m.max_top(), where("the first line shown", op));
}

// The client size and the wheel setting are the environment's: read before each operation.
void read_geometry(ListModel& m) {
  RECT client;
  GetClientRect(g_list, &client);
  m.width = client.right;
  m.height = client.bottom;
}

POINT at(int x, int y) { return headless::on_screen(g_list, x, y); }

// Modifier keys held around an action; the action's own messages see them.
struct Held {
  bool control, shift;
  Held(bool c, bool s) : control(c), shift(s) {
    if (control) headless::key_down(VK_CONTROL);
    if (shift) headless::key_down(VK_SHIFT);
    headless::pump();
  }
  ~Held() {
    if (shift) headless::key_up(VK_SHIFT);
    if (control) headless::key_up(VK_CONTROL);
    headless::pump();
  }
};

// One of the program's messages, with what it is checked against; each
// part answers whether lines may have changed.
struct MessageOp {
  fuzz::Input& in;
  ListModel& m;
  int step;
  int n = m.count();

  int index() { return in.range(-2, n + 1); }
  void expect(LRESULT got, LRESULT wanted, const char* what) const {
    FUZZ_CHECK(got == wanted, where(what, step) + ": " + std::to_string(got) + " wanted " + std::to_string(wanted));
  }

  // Adding, inserting, deleting, emptying and finding lines.
  bool lines(uint8_t op) {
    switch (op) {
      case 0: {
        const auto t = line_text(in);
        expect(send(LB_ADDSTRING, 0, text_param(t)), m.add(t), "LB_ADDSTRING");
        return true;
      }
      case 1: {
        const int i = index();
        const auto t = line_text(in);
        expect(send(LB_INSERTSTRING, static_cast<WPARAM>(i), text_param(t)), m.insert(i, t), "LB_INSERTSTRING");
        return true;
      }
      case 2: {
        const int i = index();
        expect(send(LB_DELETESTRING, static_cast<WPARAM>(i)), m.remove(i), "LB_DELETESTRING");
        return true;
      }
      case 3:
        if (in.byte() < 32) {
          send(LB_RESETCONTENT);
          m.reset();
        }
        return true;
      case 4: {
        const int i = index();
        const bool exact = in.flag();
        const auto t = line_text(in);
        expect(send(exact ? LB_FINDSTRINGEXACT : LB_FINDSTRING, static_cast<WPARAM>(i), text_param(t)),
               m.find(i, t, exact), "LB_FINDSTRING");
        return false;
      }
    }
    return false;
  }

  // The selection and the marks.
  bool selection(uint8_t op) {
    switch (op) {
      case 5: {
        const int i = index();
        const auto t = line_text(in);
        expect(send(LB_SELECTSTRING, static_cast<WPARAM>(i), text_param(t)), m.select_string(i, t), "LB_SELECTSTRING");
        return false;
      }
      case 6: {
        const int i = index();
        expect(send(LB_SETCURSEL, static_cast<WPARAM>(i)), m.set_cur_sel(i), "LB_SETCURSEL");
        return false;
      }
      case 7: {
        const bool on = in.flag();
        const int i = index();
        expect(send(LB_SETSEL, on, i), m.set_sel(on, i), "LB_SETSEL");
        return false;
      }
      case 8: {
        const int a = index(), b = index();
        LRESULT want = LB_ERR;
        if (m.multi) want = LB_OKAY, b >= a ? m.select_range(a, b, true) : m.select_range(b, a, false);
        expect(send(LB_SELITEMRANGEEX, static_cast<WPARAM>(a), b), want, "LB_SELITEMRANGEEX");
        return false;
      }
      case 9: {
        const bool on = in.flag();
        const int a = in.range(0, n + 1), b = in.range(0, n + 1);
        LRESULT want = LB_ERR;
        if (m.multi) want = LB_OKAY, m.select_range(std::min(a, b), std::max(a, b), on);
        expect(send(LB_SELITEMRANGE, on, MAKELPARAM(a, b)), want, "LB_SELITEMRANGE");
        return false;
      }
    }
    return false;
  }

  // A line's data, the first line, the line height, the caret and the anchor.
  bool settings(uint8_t op) {
    switch (op) {
      case 10: {
        const int i = index();
        const ULONG_PTR data = in.u32();
        LRESULT want = LB_ERR;
        if (m.valid(i)) want = TRUE, m.lines[static_cast<size_t>(i)].data = data;
        expect(send(LB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(data)), want, "LB_SETITEMDATA");
        return true;
      }
      case 11: {
        const int i = index();
        m.set_top(i);
        expect(send(LB_SETTOPINDEX, static_cast<WPARAM>(i)), LB_OKAY, "LB_SETTOPINDEX");
        return false;
      }
      case 12: {
        const uint8_t b = in.byte();
        const int h = b == 255 ? -1 : b == 254 ? 0x8000 : b % 40;
        LRESULT want = LB_ERR;
        if (h >= 0 && h <= 0x7FFF) {
          want = LB_OKAY;
          m.item_height = std::max(h, 1);
          m.set_top(m.top);
        }
        expect(send(LB_SETITEMHEIGHT, 0, h), want, "LB_SETITEMHEIGHT");
        return false;
      }
      case 13: {
        const int i = index();
        const bool partly = in.flag();
        expect(send(LB_SETCARETINDEX, static_cast<WPARAM>(i), partly), m.set_caret_index(i, partly),
               "LB_SETCARETINDEX");
        return false;
      }
      case 14: {
        const int i = index();
        LRESULT want = LB_ERR;
        if (i >= -1 && i < n) want = LB_OKAY, m.anchor = i;
        expect(send(LB_SETANCHORINDEX, static_cast<WPARAM>(i)), want, "LB_SETANCHORINDEX");
        return false;
      }
    }
    return false;
  }

  // Scrolling, points and rectangles, the size, storage, redrawing and the font.
  bool view(uint8_t op) {
    switch (op) {
      case 15: {
        const int extent = in.range(-5, 600);
        m.horz_extent = std::max(extent, 0);
        send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent));
        send(WM_HSCROLL, MAKEWPARAM(in.byte() % 9, in.range(0, 700)));  // its position is not the program's to ask
        return false;
      }
      case 16: {
        const int request = in.byte() % 9, pos = in.range(0, n + 2);
        switch (request) {
          case SB_LINEUP: m.set_top(m.top - 1); break;
          case SB_LINEDOWN: m.set_top(m.top + 1); break;
          case SB_PAGEUP: m.set_top(m.top - m.page()); break;
          case SB_PAGEDOWN: m.set_top(m.top + m.page()); break;
          case SB_THUMBTRACK: return false;  // the thumb's own place, not the message's, counts: not sent
          case SB_THUMBPOSITION: m.set_top(pos); break;
          case SB_TOP: m.set_top(0); break;
          case SB_BOTTOM: m.set_top(n); break;
          default: break;
        }
        send(WM_VSCROLL, MAKEWPARAM(request, pos));
        return false;
      }
      case 17: {
        const int x = in.range(-20, m.width + 20), y = in.range(-20, m.height + 20);
        expect(send(LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y)), m.item_from_point(x, y), "LB_ITEMFROMPOINT");
        const int i = index();
        RECT r{1, 2, 3, 4};
        const LRESULT got = send(LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        if (i != 0 && !m.valid(i)) {
          expect(got, LB_ERR, "LB_GETITEMRECT");
        } else {
          expect(got, 1, "LB_GETITEMRECT");
          const long long y0 = std::clamp<long long>(static_cast<long long>(i - m.top) * m.item_height, -0x4000000,
                                                     0x4000000);
          FUZZ_CHECK(r.left == 0 && r.right == m.width && r.top == y0 && r.bottom == y0 + m.item_height,
                     where("LB_GETITEMRECT", step));
        }
        return false;
      }
      case 18: {  // the program resizes the list; the client area is the environment's answer
        const int w = in.range(0, 400), h = in.range(0, 400);
        SetWindowPos(g_list, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return false;
      }
      default: {
        const uint8_t which = in.byte() % 4;
        if (which == 0) {
          const int more = in.range(0, 20);
          const LRESULT got = send(LB_INITSTORAGE, static_cast<WPARAM>(more), more * 16);
          FUZZ_CHECK(got >= n + more, where("LB_INITSTORAGE", step));
        } else if (which == 1) {
          send(WM_SETREDRAW, in.flag());
        } else {
          static const int fonts[] = {DEFAULT_GUI_FONT, SYSTEM_FONT, ANSI_FIXED_FONT};
          const HGDIOBJ font = which == 2 ? nullptr : GetStockObject(fonts[in.byte() % 3]);
          send(WM_SETFONT, reinterpret_cast<WPARAM>(font), in.flag());
          // The font's height is the environment's; the list's line height follows it.
          m.item_height = static_cast<int>(send(LB_GETITEMHEIGHT));
          read_geometry(m);
          m.set_top(m.top);
        }
        return false;
      }
    }
  }
};

bool message_op(fuzz::Input& in, ListModel& m, uint8_t op, int step) {
  MessageOp o{in, m, step};
  if (op < 5) return o.lines(op);
  if (op < 10) return o.selection(op);
  if (op < 15) return o.settings(op);
  return o.view(op);
}

// A press of the left button with the modifiers held, perhaps released at once.
void press(fuzz::Input& in, ListModel& m, bool control, bool shift, bool release) {
  if (m.width <= 0 || m.height <= 0) return;
  const int x = in.range(0, m.width - 1), y = in.range(0, m.height - 1);
  if (m.tracking) {  // a button still down is let go first
    headless::mouse_up(at(x, y).x, at(x, y).y);
    headless::pump();
    m.end_press();
    if (m.destroyed) return;
  }
  {
    Held held(control, shift);
    headless::mouse_down(at(x, y).x, at(x, y).y);
    headless::pump();
  }
  m.press(y, control, shift, false);
  if (release && !m.destroyed) {
    headless::mouse_up(at(x, y).x, at(x, y).y);
    headless::pump();
    m.end_press();
  }
}

void double_click(fuzz::Input& in, ListModel& m) {
  if (m.width <= 0 || m.height <= 0 || m.tracking) return;
  const int x = in.range(0, m.width - 1), y = in.range(0, m.height - 1);
  const POINT p = at(x, y);
  for (int click = 0; click < 2 && !m.destroyed; ++click) {
    headless::mouse_down(p.x, p.y);
    headless::pump();
    m.press(y, false, false, click == 1);
    if (m.destroyed) return;
    headless::mouse_up(p.x, p.y);
    headless::pump();
    m.end_press();
    headless::advance(50);
  }
}

// What the user does, through the headless display's input.
void user_op(fuzz::Input& in, ListModel& m, uint8_t op) {
  const bool control = in.flag(), shift = in.flag();
  switch (op) {
    case 0:  // a press, perhaps released at once
    case 1: press(in, m, control, shift, op == 1); return;
    case 2: {  // a drag step, anywhere, past the list's edges too
      const int x = in.range(-10, m.width + 10), y = in.range(-30, m.height + 30);
      headless::mouse_move(at(x, y).x, at(x, y).y);
      headless::pump();
      m.move(y);
      return;
    }
    case 3: {  // the release, where the pointer is
      if (!m.tracking) return;
      POINT p;
      GetCursorPos(&p);
      headless::mouse_up(p.x, p.y);
      headless::pump();
      m.end_press();
      return;
    }
    case 4: double_click(in, m); return;
    case 5: {  // a navigation key
      static const UINT keys[] = {VK_UP,   VK_DOWN, VK_LEFT, VK_RIGHT, VK_PRIOR,
                                  VK_NEXT, VK_HOME, VK_END,  VK_SPACE, VK_RETURN};
      const UINT vk = keys[in.byte() % 10];
      Held held(control, shift);
      headless::key(vk);
      headless::pump();
      m.key(vk, control, shift);
      if (vk == VK_SPACE && !m.destroyed) m.character(u' ');  // the key types a blank as well
      return;
    }
    case 6: {  // a typed character
      static const char16_t typed[] = u"aAbB\u00e4 1z";
      const char16_t c[2] = {typed[in.byte() % 8], 0};
      headless::key('A', reinterpret_cast<const WCHAR*>(c));
      headless::pump();
      m.character(c[0]);
      return;
    }
    case 7: {  // the wheel
      static const int deltas[] = {WHEEL_DELTA, -WHEEL_DELTA, 40, -40, 3 * WHEEL_DELTA, -7};
      const int delta = deltas[in.byte() % 6];
      UINT lines = 3;
      SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
      Held held(control, shift);
      const POINT p = at(m.width / 2, m.height / 2);
      headless::wheel(p.x, p.y, delta);
      headless::pump();
      if (!control && !shift) m.wheel(delta, lines);
      return;
    }
    default:  // the focus comes or goes
      SetFocus(control ? g_top : g_list);
      headless::pump();
      m.focus(!control);
      return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = parent_proc;
  wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
  wc.lpszClassName = TEXT("ListFuzzParent");
  RegisterClassW(&wc);
  g_top = CreateWindowExW(0, wc.lpszClassName, TEXT("lists"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 600, 600,
                          nullptr, nullptr, nullptr, nullptr);
  headless::pump();
  return g_top ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  ListModel m;
  const uint8_t style = in.byte();
  m.notify_style = style & 1;
  m.sorted = style & 2;
  m.multi = style & (4 | 8);
  m.extended = style & 8;
  DWORD bits = WS_CHILD | WS_VISIBLE | LBS_HASSTRINGS | (m.notify_style ? LBS_NOTIFY : 0) | (m.sorted ? LBS_SORT : 0) |
               ((style & 4) ? LBS_MULTIPLESEL : 0) | ((style & 8) ? LBS_EXTENDEDSEL : 0) |
               ((style & 16) ? LBS_NOINTEGRALHEIGHT : 0) | ((style & 32) ? WS_VSCROLL : 0) |
               ((style & 64) ? WS_HSCROLL : 0) | ((style & 128) ? LBS_DISABLENOSCROLL : 0);
  const int width = in.range(0, 400), height = in.range(0, 400);
  static const int destroyers[] = {-1, -1, -1, LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS, LBN_KILLFOCUS};
  m.destroy_on = destroyers[in.byte() % 7];
  SetFocus(g_top);
  g_list = CreateWindowExW(in.flag() ? WS_EX_CLIENTEDGE : 0, TEXT("ListBox"), nullptr, bits, 10, 10, width, height,
                           g_top, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), nullptr, nullptr);
  FUZZ_CHECK(g_list, "the list is made");
  if (in.flag()) send(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  headless::pump();
  g_notes.clear();
  g_destroy_on = m.destroy_on;
  m.item_height = static_cast<int>(send(LB_GETITEMHEIGHT));

  for (int step = 0; !in.done() && step < 300; ++step) {
    headless::advance(1000);  // no two operations make a double click by chance
    read_geometry(m);
    const uint8_t op = in.byte();
    bool lines_changed = false;
    if (op < 160) lines_changed = message_op(in, m, op % 20, step);
    else user_op(in, m, op % 9);
    headless::pump();
    FUZZ_CHECK(g_notes == m.notes || (m.destroyed && g_notes.size() >= m.notes.size() &&
                                      std::equal(m.notes.begin(), m.notes.end(), g_notes.begin())),
               where("the notifications", step));
    if (m.destroyed) {
      FUZZ_CHECK(!IsWindow(g_list), where("the parent destroyed the list", step));
      FUZZ_CHECK(GetCapture() == nullptr, where("a destroyed list holds no capture", step));
      break;
    }
    FUZZ_CHECK(IsWindow(g_list), where("the list lives", step));
    g_notes.clear();
    m.notes.clear();
    // Scroll bars that came or went change the client area; the list keeps its first line in range.
    read_geometry(m);
    m.set_top(m.top);
    compare(m, step, lines_changed);
  }
  if (IsWindow(g_list)) DestroyWindow(g_list);
  g_list = nullptr;
  ReleaseCapture();
  headless::pump();
  return 0;
}
