// Composition: a top-level window's picture is its own image with the images
// of its visible descendants laid over it in z-order, each clipped to its
// parent's client area, and that picture goes to the display. Frames
// (borders, caption, client edges, scroll bars) are drawn here into each
// window's image: the stand-in sends no WM_NCPAINT.
#include "platform/win32/user/window_internal.h"

namespace user {

namespace {

int width(const RECT& r) { return r.right - r.left; }
int height(const RECT& r) { return r.bottom - r.top; }

void draw_tree(cairo_t* cr, Window* w, POINT origin, const RECT& clip) {
  RECT area{origin.x, origin.y, origin.x + width(w->window_rect), origin.y + height(w->window_rect)};
  RECT visible;
  if (!IntersectRect(&visible, &area, &clip)) return;
  if (w->image) {
    cairo_save(cr);
    cairo_rectangle(cr, visible.left, visible.top, width(visible), height(visible));
    cairo_clip(cr);
    cairo_set_source_surface(cr, w->image, origin.x, origin.y);
    cairo_paint(cr);
    cairo_restore(cr);
  }
  POINT client{origin.x + w->client_rect.left - w->window_rect.left,
               origin.y + w->client_rect.top - w->window_rect.top};
  RECT client_area{client.x, client.y, client.x + width(w->client_rect), client.y + height(w->client_rect)};
  RECT inner;
  if (!IntersectRect(&inner, &client_area, &visible)) return;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    Window* c = *it;
    if (c->style & WS_VISIBLE)
      draw_tree(cr, c, POINT{client.x + c->window_rect.left, client.y + c->window_rect.top}, inner);
  }
}

void draw_frames(Window* w) {
  if (!(w->style & WS_VISIBLE)) return;
  if (w->frame_dirty) draw_frame(w);
  for (Window* c : w->children) draw_frames(c);
}

bool frames_pending(const Window* w) {
  if (!(w->style & WS_VISIBLE)) return false;
  if (w->frame_dirty) return true;
  for (const Window* c : w->children)
    if (frames_pending(c)) return true;
  return false;
}

void fill(HDC dc, const RECT& r, int color) { FillRect(dc, &r, GetSysColorBrush(color)); }

void draw_caption(Window* w, HDC dc, const RECT& bar) {
  bool active = w->ncactive;
  fill(dc, bar, active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  RECT text = bar;
  text.left += 4;
  if (w->style & WS_SYSMENU) {
    int size = height(bar) - 4;
    RECT box{bar.right - size - 2, bar.top + 2, bar.right - 2, bar.bottom - 2};
    text.right = box.left - 2;
    fill(dc, box, COLOR_3DFACE);
    DrawEdge(dc, &box, EDGE_RAISED, BF_RECT);
    HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
    int m = size / 4 + 1;
    MoveToEx(dc, box.left + m, box.top + m, nullptr);
    LineTo(dc, box.right - m, box.bottom - m);
    MoveToEx(dc, box.right - m - 1, box.top + m, nullptr);
    LineTo(dc, box.left + m - 1, box.bottom - m);
    SelectObject(dc, old);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  DrawTextW(dc, w->text.c_str(), static_cast<int>(w->text.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, old_font);
}

}  // namespace

void draw_frame(Window* w) {
  RECT whole{0, 0, width(w->window_rect), height(w->window_rect)};
  RECT client = w->client_rect;
  OffsetRect(&client, -w->window_rect.left, -w->window_rect.top);
  if (EqualRect(&whole, &client) || ((w->style & WS_MINIMIZE) && w->parent)) {
    w->frame_dirty = false;
    return;
  }
  HDC dc = GetWindowDC(w->handle);
  w->frame_dirty = false;
  if (!dc) return;
  DWORD style = w->style, ex = w->ex_style;
  bool child = (style & WS_CHILD) != 0;
  RECT r = whole;
  bool frame = (style & (WS_THICKFRAME | WS_DLGFRAME)) || (ex & WS_EX_DLGMODALFRAME);
  if (frame) {
    int size = (style & WS_THICKFRAME) ? (child ? 4 : kFrame) : (child ? 3 : kFrame);
    RECT inner = r;
    InflateRect(&inner, -size, -size);
    int color = w->ncactive ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER;
    fill(dc, RECT{r.left, r.top, r.right, inner.top}, color);
    fill(dc, RECT{r.left, inner.bottom, r.right, r.bottom}, color);
    fill(dc, RECT{r.left, inner.top, inner.left, inner.bottom}, color);
    fill(dc, RECT{inner.right, inner.top, r.right, inner.bottom}, color);
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    r = inner;
  } else if (style & WS_BORDER) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  if ((style & WS_CAPTION) == WS_CAPTION) {
    int caption = (ex & WS_EX_TOOLWINDOW) ? kSmallCaption : kCaption;
    draw_caption(w, dc, RECT{r.left, r.top, r.right, r.top + caption});
    r.top += caption;
  }
  if (ex & WS_EX_CLIENTEDGE) {
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
    InflateRect(&r, -2, -2);
  }
  if (ex & WS_EX_STATICEDGE) {
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&r, -1, -1);
  }
  draw_scrollbars(w, dc);
  ReleaseDC(w->handle, dc);
}

void mark_dirty(Window* w, const RECT& area, bool client) {
  if (area.left >= area.right || area.top >= area.bottom) return;
  Window* top = root(w);
  POINT base = client ? client_origin_on_screen(w) : window_origin_on_screen(w);
  POINT top_origin = window_origin_on_screen(top);
  RECT r = area;
  OffsetRect(&r, base.x - top_origin.x, base.y - top_origin.y);
  UnionRect(&top->dirty, &top->dirty, &r);
}

void compose(Window* top) {
  draw_frames(top);
  RECT whole{0, 0, width(top->window_rect), height(top->window_rect)};
  if (whole.right <= 0 || whole.bottom <= 0) return;
  int k = display::current().scale();
  if (!top->picture || cairo_image_surface_get_width(top->picture) != whole.right * k ||
      cairo_image_surface_get_height(top->picture) != whole.bottom * k) {
    if (top->picture) cairo_surface_destroy(top->picture);
    top->picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, whole.right * k, whole.bottom * k);
    cairo_surface_set_device_scale(top->picture, k, k);
    top->dirty = whole;
  }
  RECT dirty;
  if (!IntersectRect(&dirty, &top->dirty, &whole)) return;
  top->dirty = RECT{0, 0, 0, 0};
  cairo_t* cr = cairo_create(top->picture);
  cairo_rectangle(cr, dirty.left, dirty.top, width(dirty), height(dirty));
  cairo_clip(cr);
  // What no window painted shows the window colour, as an unpainted window would.
  COLORREF back = GetSysColor(COLOR_WINDOW);
  cairo_set_source_rgb(cr, GetRValue(back) / 255.0, GetGValue(back) / 255.0, GetBValue(back) / 255.0);
  cairo_paint(cr);
  draw_tree(cr, top, POINT{0, 0}, whole);
  cairo_destroy(cr);
  cairo_surface_flush(top->picture);
  if (top->surface && (top->style & WS_VISIBLE) && !(top->style & WS_MINIMIZE)) {
    const auto* pixels = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(top->picture));
    RECT device{dirty.left * k, dirty.top * k, dirty.right * k, dirty.bottom * k};
    display::current().present(top->surface, pixels, whole.right * k, whole.bottom * k,
                               cairo_image_surface_get_stride(top->picture), device);
  }
}

void compose_all() {
  for (size_t i = 0; i < toplevels.size(); ++i) {
    Window* t = toplevels[i];
    if (!(t->style & WS_VISIBLE) || !t->surface || (t->style & WS_MINIMIZE)) continue;
    if (!IsRectEmpty(&t->dirty) || frames_pending(t)) compose(t);
  }
}

}  // namespace user
