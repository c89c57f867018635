// The "Static" window class of the stand-in: a text (SS_LEFT, SS_CENTER,
// SS_RIGHT wrapped at words; SS_LEFTNOWORDWRAP and SS_SIMPLE not; SS_NOPREFIX,
// SS_CENTERIMAGE, the ellipsis styles) or an icon (SS_ICON with STM_SETICON),
// painted on the brush the parent answers to WM_CTLCOLORSTATIC. The pointer
// goes through it unless SS_NOTIFY, which reports clicks (STN_CLICKED,
// STN_DBLCLK). Frames and rectangles (SS_BLACKRECT and the like) are drawn
// as an empty text.
#include <string>

#include "platform/win32/controls/control.h"

namespace static_control {

namespace {

struct Static : control::State {
  HICON icon = nullptr;
};

UINT text_format(DWORD style) {
  UINT format = DT_EXPANDTABS;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_LEFTNOWORDWRAP: break;
    case SS_SIMPLE: format |= DT_SINGLELINE; break;
    default: format |= DT_WORDBREAK; break;
  }
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  if (style & SS_CENTERIMAGE) format = (format & ~static_cast<UINT>(DT_WORDBREAK)) | DT_SINGLELINE | DT_VCENTER;
  switch (style & SS_ELLIPSISMASK) {
    case SS_ENDELLIPSIS: format = (format & ~static_cast<UINT>(DT_WORDBREAK)) | DT_END_ELLIPSIS; break;
    case SS_PATHELLIPSIS: format = (format & ~static_cast<UINT>(DT_WORDBREAK)) | DT_PATH_ELLIPSIS; break;
    case SS_WORDELLIPSIS: format = (format & ~static_cast<UINT>(DT_WORDBREAK)) | DT_WORD_ELLIPSIS; break;
    default: break;
  }
  return format;
}

void paint(Static* s) {
  HWND self = s->self;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(self, &ps);
  if (!dc) return;
  HBRUSH brush = control::color_brush(s, dc, WM_CTLCOLORSTATIC);
  if (s->dead) {
    EndPaint(self, &ps);
    return;
  }
  DWORD style = control::style_of(s);
  RECT r;
  GetClientRect(self, &r);
  FillRect(dc, &r, brush);
  if (style & SS_SUNKEN) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  if ((style & SS_TYPEMASK) == SS_ICON) {
    if (s->icon) {
      int x = 0, y = 0;
      if (style & SS_CENTERIMAGE) {
        x = (r.right - r.left - GetSystemMetrics(SM_CXICON)) / 2;
        y = (r.bottom - r.top - GetSystemMetrics(SM_CYICON)) / 2;
      }
      DrawIconEx(dc, x, y, s->icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
    }
    EndPaint(self, &ps);
    return;
  }
  int length = GetWindowTextLengthW(self);
  std::u16string text(static_cast<size_t>(length), u'\0');
  if (length) GetWindowTextW(self, text.data(), length + 1);
  HGDIOBJ old = SelectObject(dc, control::font_of(s));
  SetBkMode(dc, TRANSPARENT);
  if (style & WS_DISABLED) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(dc, text.c_str(), length, &r, text_format(style));
  if (old) SelectObject(dc, old);
  EndPaint(self, &ps);
}

LRESULT handle(Static* s, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND self = s->self;
  switch (message) {
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_NCHITTEST: return (control::style_of(s) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
      if (control::style_of(s) & SS_NOTIFY) control::notify(s, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (control::style_of(s) & SS_NOTIFY) control::notify(s, STN_DBLCLK);
      return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcW(self, message, wParam, lParam);
      InvalidateRect(self, nullptr, TRUE);
      return r;
    }
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(self, nullptr, TRUE);
      return 0;
    case STM_SETICON: {
      HICON old = s->icon;
      s->icon = reinterpret_cast<HICON>(wParam);
      InvalidateRect(self, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON: return reinterpret_cast<LRESULT>(s->icon);
    case WM_ENABLE:
    case WM_STYLECHANGED: InvalidateRect(self, nullptr, TRUE); return 0;
    case WM_PAINT: paint(s); return 0;
    default: return DefWindowProcW(self, message, wParam, lParam);
  }
}

}  // namespace

}  // namespace static_control

void user::register_static_class() {
  control::register_class(WC_STATICW, control::procedure<static_control::Static, static_control::handle>,
                          CS_DBLCLKS | CS_PARENTDC, IDC_ARROW);
}
