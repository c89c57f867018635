// The "Button" window class of the stand-in: push buttons (BS_PUSHBUTTON,
// BS_DEFPUSHBUTTON), drawn raised, sunken while pressed, with a focus
// rectangle and a dark frame for the default button. A press of the left
// button takes the capture; the release clicks (BN_CLICKED to the parent)
// only inside the button. Space pressed and released clicks too. As Win32
// documents, push buttons keep no check state, and they are painted in the
// system's colours whatever the parent answers to WM_CTLCOLORBTN. Other
// button types (check boxes, radio buttons, group boxes) are not offered:
// they behave and look as push buttons.
#include "platform/win32/controls/control.h"

namespace button {

namespace {

struct Button : control::State {
  UINT state = 0;         // BST_PUSHED, BST_FOCUS
  bool pressing = false;  // a left-button or Space press is under way
};

bool is_default(const Button* b) { return (control::style_of(b) & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }

void redraw(Button* b) { InvalidateRect(b->self, nullptr, FALSE); }

void set_pushed(Button* b, bool pushed) {
  UINT state = pushed ? (b->state | BST_PUSHED) : (b->state & ~static_cast<UINT>(BST_PUSHED));
  if (state == b->state) return;
  b->state = state;
  redraw(b);
}

bool inside(const Button* b, LPARAM point) {
  POINT p{static_cast<SHORT>(LOWORD(point)), static_cast<SHORT>(HIWORD(point))};
  RECT client;
  GetClientRect(b->self, &client);
  return PtInRect(&client, p) != FALSE;
}

void press(Button* b, bool take_focus) {
  HWND self = b->self;
  if (take_focus) {
    SetFocus(self);
    if (b->dead) return;
  }
  SetCapture(self);
  if (b->dead) return;
  b->pressing = true;
  set_pushed(b, true);
}

// The end of a press: a click when the button is still pushed and the release is inside it.
void release(Button* b, bool click) {
  if (!b->pressing) return;
  b->pressing = false;
  bool pushed = (b->state & BST_PUSHED) != 0;
  set_pushed(b, false);
  if (GetCapture() == b->self) ReleaseCapture();
  if (pushed && click && !b->dead) control::notify(b, BN_CLICKED);
}

void paint(Button* b) {
  HWND self = b->self;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(self, &ps);
  if (!dc) return;
  // The parent is asked as Win32 asks it; a push button keeps the system's colours.
  control::color_brush(b, dc, WM_CTLCOLORBTN);
  if (b->dead) {
    EndPaint(self, &ps);
    return;
  }
  DWORD style = control::style_of(b);
  bool pushed = (b->state & BST_PUSHED) != 0, enabled = !(style & WS_DISABLED);
  RECT r;
  GetClientRect(self, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  if (is_default(b)) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  RECT edge = r;
  DrawEdge(dc, &edge, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  DWORD ui = static_cast<DWORD>(SendMessageW(self, WM_QUERYUISTATE, 0, 0));
  if (b->dead) {
    EndPaint(self, &ps);
    return;
  }
  int length = GetWindowTextLengthW(self);
  std::u16string text(static_cast<size_t>(length), u'\0');
  if (length) GetWindowTextW(self, text.data(), length + 1);
  HGDIOBJ old = SelectObject(dc, control::font_of(b));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  RECT label = edge;
  if (pushed) OffsetRect(&label, 1, 1);  // the label goes in with the face
  UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | ((ui & UISF_HIDEACCEL) ? DT_HIDEPREFIX : 0);
  DrawTextW(dc, text.c_str(), length, &label, format);
  if (old) SelectObject(dc, old);
  if ((b->state & BST_FOCUS) && !(ui & UISF_HIDEFOCUS)) {
    RECT focus = edge;
    InflateRect(&focus, -1, -1);
    DrawFocusRect(dc, &focus);
  }
  EndPaint(self, &ps);
}

LRESULT handle(Button* b, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND self = b->self;
  switch (message) {
    case WM_GETDLGCODE: return DLGC_BUTTON | (is_default(b) ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:  // a quick second press is one more press
      press(b, true);
      return 0;
    case WM_MOUSEMOVE:
      if (b->pressing && GetCapture() == self) set_pushed(b, inside(b, lParam));
      return 0;
    case WM_LBUTTONUP: release(b, inside(b, lParam)); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !b->pressing) press(b, false);
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE) release(b, true);
      return 0;
    case WM_CAPTURECHANGED:
      // Losing the capture to someone else ends the press without a click.
      if (reinterpret_cast<HWND>(lParam) != self && b->pressing) {
        b->pressing = false;
        set_pushed(b, false);
      }
      return 0;
    case WM_SETFOCUS:
      b->state |= BST_FOCUS;
      redraw(b);
      if (control::style_of(b) & BS_NOTIFY) control::notify(b, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      b->state &= ~static_cast<UINT>(BST_FOCUS);
      redraw(b);
      if (b->pressing && GetCapture() == self) ReleaseCapture();
      if (!b->dead && (control::style_of(b) & BS_NOTIFY)) control::notify(b, BN_KILLFOCUS);
      return 0;
    case BM_CLICK:
      // As Win32 does it: the press and the release, at the button's corner.
      SendMessageW(self, WM_LBUTTONDOWN, 0, 0);
      if (!b->dead) SendMessageW(self, WM_LBUTTONUP, 0, 0);
      return 0;
    case BM_GETCHECK: return BST_UNCHECKED;  // a push button has no check state
    case BM_SETCHECK: return 0;
    case BM_GETSTATE: return static_cast<LRESULT>(b->state & (BST_PUSHED | BST_FOCUS));
    case BM_SETSTATE: set_pushed(b, wParam != 0); return 0;
    case BM_SETSTYLE: {
      DWORD style = control::style_of(b);
      style = (style & ~static_cast<DWORD>(BS_TYPEMASK)) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
      SetWindowLongW(self, GWL_STYLE, static_cast<LONG>(style));
      if (lParam) redraw(b);
      return 0;
    }
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcW(self, message, wParam, lParam);
      redraw(b);
      return r;
    }
    case WM_SETFONT:
      b->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) redraw(b);
      return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED: redraw(b); return 0;
    case WM_UPDATEUISTATE: {
      LRESULT r = DefWindowProcW(self, message, wParam, lParam);
      if (!b->dead) redraw(b);
      return r;
    }
    case WM_PAINT: paint(b); return 0;
    default: return DefWindowProcW(self, message, wParam, lParam);
  }
}

}  // namespace

}  // namespace button

void user::register_button_class() {
  control::register_class(WC_BUTTONW, control::procedure<button::Button, button::handle>, CS_DBLCLKS | CS_PARENTDC,
                          IDC_ARROW);
}
