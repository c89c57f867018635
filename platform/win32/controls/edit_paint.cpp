// The edit control's geometry and painting. The line is drawn in the format
// rectangle (the client area less a pixel inside a client edge and the
// margins) and scrolled sideways by whole pixels. The line is drawn whole, in
// its bidirectional order, and positions come from that same drawn line
// (gdi/text_line.h), so the caret and the selection fall exactly where the
// painted characters are: the selection is a logical range, shown as one span
// or as several where it crosses a change of direction.
#include "platform/win32/controls/edit_internal.h"
#include "platform/win32/gdi/text_line.h"

namespace edit {

namespace {

// The parent's colours for the field: an editable field asks as an edit, a
// read-only or disabled one as a static, as Win32 controls do.
HBRUSH ask_colors(Edit* e, HDC dc, DWORD style) {
  UINT message = ((style & ES_READONLY) || (style & WS_DISABLED)) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  return control::color_brush(e, dc, message);
}

void draw_line(Edit* e, HDC dc, DWORD style) {
  const Text& t = e->text;
  RECT f = format_rect(e);
  int x = f.left - e->x_offset;
  const WCHAR* s = t.chars.c_str();
  bool enabled = !(style & WS_DISABLED);
  bool show_selection = enabled && t.has_selection() && (e->focused || (style & ES_NOHIDESEL));
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  const int length = static_cast<int>(t.length());
  TextOutW(dc, x, f.top, s, length);
  if (!show_selection) return;
  // The selected characters again, in the highlight colours, over the spans they cover.
  COLORREF text = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  COLORREF back = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
  for (auto [left, right] :
       gdi::line_spans(e->measure, s, length, static_cast<int>(t.sel_min()), static_cast<int>(t.sel_max()))) {
    RECT span{x + left, f.top, x + right, f.bottom};
    ExtTextOutW(dc, x, f.top, ETO_OPAQUE | ETO_CLIPPED, &span, s, static_cast<UINT>(length), nullptr);
  }
  SetTextColor(dc, text);
  SetBkColor(dc, back);
}

const WCHAR* line_chars(const Edit* e) { return e->text.chars.c_str(); }
int line_length(const Edit* e) { return static_cast<int>(e->text.length()); }

// The caret's x in the drawn line, from its left end.
int caret_in_line(const Edit* e, UINT index) {
  return e->measure ? gdi::line_caret_x(e->measure, line_chars(e), line_length(e), static_cast<int>(index)) : 0;
}

}  // namespace

void set_font(Edit* e, HFONT font) {
  e->font = font;
  if (!e->measure) e->measure = CreateCompatibleDC(nullptr);
  if (!e->measure) return;
  SelectObject(e->measure, control::font_of(e));
  TEXTMETRICW tm{};
  if (GetTextMetricsW(e->measure, &tm)) {
    e->line_height = tm.tmHeight;
    // Margins from the font, as EC_USEFONTINFO gives them, when the field is wide enough for them.
    int margin = font ? tm.tmAveCharWidth / 2 : 0;
    RECT c;
    GetClientRect(e->self, &c);
    int width = c.right > c.left ? c.right - c.left : 80;
    if (width >= 2 * margin + 2 * tm.tmAveCharWidth) e->left_margin = e->right_margin = margin;
  }
}

RECT format_rect(const Edit* e) {
  RECT r;
  GetClientRect(e->self, &r);
  if (GetWindowLongW(e->self, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
    ++r.left;
    --r.right;
    if (r.bottom - r.top >= e->line_height + 2) {
      ++r.top;
      --r.bottom;
    }
  }
  r.left += e->left_margin;
  r.right -= e->right_margin;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom > r.top + e->line_height) r.bottom = r.top + e->line_height;
  return r;
}

int line_width(const Edit* e) {
  if (e->text.length() == 0 || !e->measure) return 0;
  SIZE size{};
  GetTextExtentPoint32W(e->measure, line_chars(e), line_length(e), &size);
  return size.cx;
}

int x_of(const Edit* e, UINT index) { return format_rect(e).left - e->x_offset + caret_in_line(e, index); }

UINT index_at(const Edit* e, int x) {
  if (!e->measure) return 0;
  int in_line = x - format_rect(e).left + e->x_offset;
  return static_cast<UINT>(gdi::line_index_at(e->measure, line_chars(e), line_length(e), in_line));
}

UINT next_stop(const Edit* e, UINT index, bool forward) {
  if (!e->measure) return forward ? (index < e->text.length() ? index + 1 : index) : (index ? index - 1 : 0);
  return static_cast<UINT>(
      gdi::line_next_stop(e->measure, line_chars(e), line_length(e), static_cast<int>(index), forward));
}

bool fits(const Edit* e) {
  RECT f = format_rect(e);
  return line_width(e) <= f.right - f.left;
}

void scroll_to_caret(Edit* e) {
  if (!(control::style_of(e) & ES_AUTOHSCROLL)) {
    e->x_offset = 0;
    return;
  }
  RECT f = format_rect(e);
  int w = f.right - f.left;
  if (w <= 0) return;
  int caret = caret_in_line(e, e->text.caret);
  int total = line_width(e);
  // No blank stretch right of the text while some of it is out at the left.
  int most = total - w + 1 > 0 ? total - w + 1 : 0;
  if (e->x_offset > most) e->x_offset = most;
  int third = w / 3;
  if (caret < e->x_offset) {
    // Leftwards the caret lands a third into the field, so that what precedes it shows.
    e->x_offset = caret - third > 0 ? caret - third : 0;
  } else if (caret > e->x_offset + w - 1) {
    int goal = caret - (w - third);
    if (goal > most) goal = most;
    e->x_offset = goal > caret - w + 1 ? goal : caret - w + 1;
  }
}

void place_caret(const Edit* e) {
  if (e->focused) SetCaretPos(x_of(e, e->text.caret), format_rect(e).top);
}

bool paint(Edit* e) {
  HWND self = e->self;
  bool had_caret = e->focused && HideCaret(self);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(self, &ps);
  if (dc) {
    DWORD style = control::style_of(e);
    HBRUSH brush = ask_colors(e, dc, style);
    if (e->dead) {
      EndPaint(self, &ps);
      return false;
    }
    RECT client;
    GetClientRect(self, &client);
    FillRect(dc, &client, brush);
    RECT f = format_rect(e);
    IntersectClipRect(dc, f.left, f.top, f.right, f.bottom);
    HGDIOBJ old = SelectObject(dc, control::font_of(e));
    draw_line(e, dc, style);
    if (old) SelectObject(dc, old);
    EndPaint(self, &ps);
  }
  if (had_caret) ShowCaret(self);
  return true;
}

void release(Edit* e) {
  if (e->measure) DeleteDC(e->measure);
  e->measure = nullptr;
}

}  // namespace edit
