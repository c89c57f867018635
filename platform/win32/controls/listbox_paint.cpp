// Painting a list box through the stand-in's own GDI, as Win32 does it: the
// parent chooses text and background colours by WM_CTLCOLORLISTBOX, selected
// lines are drawn in the highlight colours, the caret's line gets a focus
// rectangle while the list has the focus, and what lies below the last line
// is filled with the parent's brush. Only the lines inside the area to paint
// are drawn, whatever the length of the list.
#include "platform/win32/controls/listbox_internal.h"

#include <vector>

namespace listbox {

namespace {

// The units of a line worth laying out, read into text: a unit is at least a
// pixel wide but for marks and joiners, so lines longer than many times the
// visible width end off screen anyway.
uint32_t drawn_text(const ListBox* lb, int index, std::vector<WCHAR>& text) {
  long long reach = 4LL * (lb->width + lb->horz_pos) + 256;
  uint32_t length = lb->items.length(index);
  if (length > reach) length = static_cast<uint32_t>(reach);
  if (text.size() < length + 1) text.resize(length + 1);
  uint32_t n = lb->items.read(index, text.data(), length);
  // A cut keeps a surrogate pair whole.
  if (n < lb->items.length(index) && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] < 0xDC00) --n;
  return n;
}

bool hides_focus(HWND self) { return (SendMessageW(self, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0; }

}  // namespace

void paint(ListBox* lb, HDC dc, const RECT& area) {
  HWND self = lb->self;
  HGDIOBJ old_font = SelectObject(dc, control::font_of(lb));
  HBRUSH brush = control::color_brush(lb, dc, WM_CTLCOLORLISTBOX);
  if (lb->dead) return;  // the parent destroyed the list while choosing colours
  if (!IsWindowEnabled(self)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  COLORREF text = GetTextColor(dc), back = GetBkColor(dc);

  int n = lb->items.count();
  int h = lb->item_height;
  int first = lb->top + (area.top > 0 ? area.top / h : 0);
  int last = lb->top + (area.bottom > 0 ? (area.bottom - 1) / h : 0);
  if (last > n - 1) last = n - 1;
  int filled = 0;  // client y where the painted lines end
  std::vector<WCHAR> line;
  for (int i = first; i <= last; ++i) {
    RECT row;
    item_rect(lb, i, &row);
    bool selected = is_selected(lb, i);
    SetBkColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHT) : back);
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
    const uint32_t units = drawn_text(lb, i, line);
    ExtTextOutW(dc, 1 - lb->horz_pos, row.top, ETO_OPAQUE | ETO_CLIPPED, &row, line.data(), units, nullptr);
    filled = row.bottom;
  }
  SetBkColor(dc, back);
  SetTextColor(dc, text);
  if (first > last) filled = (n - lb->top) * h > 0 ? (n - lb->top) * h : 0;
  RECT rest{0, filled > area.top ? filled : area.top, lb->width, area.bottom};
  if (rest.top < rest.bottom) FillRect(dc, &rest, brush);

  if (lb->focused && !hides_focus(self)) {
    // An empty list shows its focus on the place of a first line.
    RECT focus;
    int caret = n > 0 ? lb->caret : lb->top;
    RECT overlap;
    if (item_rect(lb, caret, &focus) && IntersectRect(&overlap, &focus, &area)) DrawFocusRect(dc, &focus);
  }
  SelectObject(dc, old_font);
}

}  // namespace listbox
