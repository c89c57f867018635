// How a shown popup menu looks and where it goes: items measured in the menu
// font, drawn in the system's menu colours inside a raised frame (the
// highlighted item in the selection colours, greyed items in grey text,
// separators as an etched line, checked items with a check mark), and the
// menu placed on the work area.
#include <algorithm>

#include "platform/win32/user/menu_internal.h"

namespace menu {

namespace {

constexpr int kFrame = 3;            // the raised edge and a pixel of menu colour inside it
constexpr int kTextPad = 4;          // above and below an item's text
constexpr int kSeparatorHeight = 9;  // an etched line in the middle
constexpr int kRightMargin = 20;     // after the widest text, where Win32 puts a submenu's arrow
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_LEFT;

// The column before the text that holds a check mark.
int check_column() { return GetSystemMetrics(SM_CXMENUCHECK) + 2 * kTextPad; }

void draw_check(HDC dc, const RECT& item, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = SelectObject(dc, pen);
  const int x = item.left + check_column() / 2 - 3, y = (item.top + item.bottom) / 2;
  // A tick three pixels thick: down to the right, then up to the right.
  for (int t = 0; t < 3; ++t) {
    MoveToEx(dc, x, y - 1 + t, nullptr);
    LineTo(dc, x + 2, y + 1 + t);
    LineTo(dc, x + 7, y - 4 + t);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void draw_item(HDC dc, const Item& item, const RECT& r, bool hot) {
  if (item.flags & MF_SEPARATOR) {
    RECT line{r.left + 1, (r.top + r.bottom) / 2 - 1, r.right - 1, (r.top + r.bottom) / 2 + 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  if (hot) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
  const COLORREF color = GetSysColor((item.flags & MF_GRAYED) ? COLOR_GRAYTEXT
                                     : hot                    ? COLOR_HIGHLIGHTTEXT
                                                              : COLOR_MENUTEXT);
  if (item.flags & MF_CHECKED) draw_check(dc, r, color);
  SetTextColor(dc, color);
  RECT text = r;
  text.left += check_column();
  DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text, kTextFormat);
}

// Where an item starts along one axis: aligned to the point as asked; past an
// edge of the work area, on the other side of the point, as Win32 flips a
// menu that does not fit; and in the end never beyond an edge.
int place_axis(int point, int size, bool align_end, bool align_centre, int low, int high) {
  int start = point - (align_end ? size : align_centre ? size / 2 : 0);
  if (start + size > high && point - size >= low) start = point - size;
  else if (start < low && point + size <= high) start = point;
  return std::max(low, std::min(start, high - size));
}

}  // namespace

HFONT menu_font() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
  return CreateFontIndirectW(&metrics.lfMenuFont);
}

Layout measure(HDC dc, const std::vector<Item>& items) {
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const int line = tm.tmHeight + 2 * kTextPad;
  Layout layout;
  int widest = 0, y = kFrame;
  for (const Item& item : items) {
    const bool separator = (item.flags & MF_SEPARATOR) != 0;
    if (!separator) {
      RECT r{0, 0, 0, 0};
      DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &r, kTextFormat | DT_CALCRECT);
      widest = std::max(widest, static_cast<int>(r.right - r.left));
    }
    const int height = separator ? kSeparatorHeight : line;
    layout.items.push_back(RECT{kFrame, y, 0, y + height});
    y += height;
  }
  const int width = 2 * kFrame + check_column() + widest + kRightMargin;
  for (RECT& r : layout.items) r.right = width - kFrame;
  layout.size = SIZE{width, y + kFrame};
  return layout;
}

void draw(HDC dc, const std::vector<Item>& items, const Layout& layout, int hot) {
  RECT all{0, 0, layout.size.cx, layout.size.cy};
  FillRect(dc, &all, GetSysColorBrush(COLOR_MENU));
  DrawEdge(dc, &all, EDGE_RAISED, BF_RECT);
  SetBkMode(dc, TRANSPARENT);
  for (size_t i = 0; i < items.size() && i < layout.items.size(); ++i)
    draw_item(dc, items[i], layout.items[i], static_cast<int>(i) == hot);
}

POINT place(POINT at, SIZE size, UINT flags) {
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return POINT{
      place_axis(at.x, size.cx, (flags & TPM_RIGHTALIGN) != 0, (flags & TPM_CENTERALIGN) != 0, work.left, work.right),
      place_axis(at.y, size.cy, (flags & TPM_BOTTOMALIGN) != 0, (flags & TPM_VCENTERALIGN) != 0, work.top,
                 work.bottom)};
}

}  // namespace menu
