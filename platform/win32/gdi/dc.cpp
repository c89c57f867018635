// Device contexts over cairo images: window contexts for the window manager,
// the display context, memory contexts, and the state every context keeps
// (colours, modes, origin, clip rectangle, current position, saved states).
#include <cassert>

#include "platform/win32/display/backend.h"
#include "platform/win32/gdi/window_dc.h"
#include "platform/win32/gdi/objects.h"

namespace gdi {

namespace {

void hold_state(const DcState& s) {
  hold(s.brush);
  hold(s.pen);
  hold(s.font);
}

void release_state(const DcState& s) {
  release(s.brush);
  release(s.pen);
  release(s.font);
}

void free_dc(Dc* dc) {
  for (const DcState& s : dc->saved) release_state(s);
  release_state(dc->s);
  if (dc->bitmap) {
    if (auto* b = find<Bitmap>(dc->bitmap, Kind::Bitmap); b && b->selected_in == reinterpret_cast<HDC>(dc))
      b->selected_in = nullptr;
    release(dc->bitmap);
  }
  if (dc->cr) cairo_destroy(dc->cr);
  if (dc->target) cairo_surface_flush(dc->target);
  unregister_dc(dc);
  delete dc;
}

bool same_ascii_name(LPCWSTR a, const char* b) {
  if (!a) return false;
  for (; *a && *b; ++a, ++b) {
    char16_t c = *a >= u'a' && *a <= u'z' ? static_cast<char16_t>(*a - 32) : *a;
    if (c != static_cast<unsigned char>(*b)) return false;
  }
  return *a == 0 && *b == 0;
}

}  // namespace

Dc* new_dc(DcKind kind, cairo_surface_t* target, POINT origin, const RECT& bounds, HWND__* window) {
  auto* dc = new Dc;
  dc->kind = kind;
  dc->target = target;
  dc->origin = origin;
  dc->bounds = bounds;
  dc->window = window;
  dc->s.brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  dc->s.pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  dc->s.font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  hold_state(dc->s);
  register_dc(dc);
  return dc;
}

void retarget(Dc* dc, cairo_surface_t* target) {
  if (dc->cr) cairo_destroy(dc->cr);
  dc->cr = nullptr;
  dc->target = target;
  dc->bounds = surface_rect(target);
}

RECT clip_box(const Dc* dc) {
  RECT r = intersect(dc->bounds, surface_rect(dc->target));
  return dc->s.clipped ? intersect(r, dc->s.clip) : r;
}

cairo_t* cairo_for(Dc* dc) {
  if (!dc->cr) {
    dc->cr = cairo_create(dc->target);
    dc->cr_clip_valid = false;
  }
  if (!dc->cr_clip_valid) {
    RECT c = clip_box(dc);
    cairo_reset_clip(dc->cr);
    cairo_rectangle(dc->cr, c.left, c.top, c.right - c.left, c.bottom - c.top);
    cairo_clip(dc->cr);
    dc->cr_clip_valid = true;
  }
  return dc->cr;
}

RECT to_surface(const Dc* dc, const RECT& logical) {
  POINT a = to_surface(dc, logical.left, logical.top);
  POINT b = to_surface(dc, logical.right, logical.bottom);
  return RECT{a.x, a.y, b.x, b.y};
}

HDC dc_for_surface(cairo_surface_t* target, POINT origin, const RECT& clip, HWND__* window) {
  assert(target && cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE);
  return reinterpret_cast<HDC>(new_dc(DcKind::Window, target, origin, clip, window));
}

void dc_release(HDC handle) {
  Dc* dc = find_dc(handle);
  assert(dc && dc->kind == DcKind::Window);
  if (dc) free_dc(dc);
}

HWND__* dc_window(HDC handle) {
  Dc* dc = find_dc(handle);
  return dc ? dc->window : nullptr;
}

}  // namespace gdi

using namespace gdi;

HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR, const DEVMODEW*) {
  if (!same_ascii_name(driver, "DISPLAY") && !(!driver && same_ascii_name(device, "DISPLAY"))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  display::Backend& screen = display::current();
  HBITMAP bitmap = default_bitmap();
  Dc* dc = new_dc(DcKind::Display, find<Bitmap>(bitmap, Kind::Bitmap)->surface, POINT{0, 0},
                  RECT{0, 0, screen.screen_width(), screen.screen_height()}, nullptr);
  return reinterpret_cast<HDC>(dc);
}

HDC CreateCompatibleDC(HDC handle) {
  if (handle && !find_dc(handle)) return nullptr;
  HBITMAP bitmap = default_bitmap();
  cairo_surface_t* surface = find<Bitmap>(bitmap, Kind::Bitmap)->surface;
  Dc* dc = new_dc(DcKind::Memory, surface, POINT{0, 0}, surface_rect(surface), nullptr);
  dc->bitmap = bitmap;
  hold(bitmap);
  return reinterpret_cast<HDC>(dc);
}

BOOL DeleteDC(HDC handle) {
  Dc* dc = find_dc(handle);
  // A window's context goes back with ReleaseDC or EndPaint, never here.
  if (!dc || dc->kind == DcKind::Window) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  free_dc(dc);
  return TRUE;
}

int GetDeviceCaps(HDC handle, int index) {
  if (!find_dc(handle)) return 0;
  display::Backend& screen = display::current();
  int dpi = screen.dots_per_inch();
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return MulDiv(screen.screen_width(), 254, dpi * 10);
    case VERTSIZE: return MulDiv(screen.screen_height(), 254, dpi * 10);
    case HORZRES:
    case DESKTOPHORZRES: return screen.screen_width();
    case VERTRES:
    case DESKTOPVERTRES: return screen.screen_height();
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return RC_BITBLT;
    case LOGPIXELSX:
    case LOGPIXELSY: return dpi;
    case SIZEPALETTE: return 0;
    case COLORRES: return 24;
    default: return 0;
  }
}

int SaveDC(HDC handle) {
  Dc* dc = find_dc(handle);
  if (!dc) return 0;
  hold_state(dc->s);  // the saved copy keeps its objects alive
  dc->saved.push_back(dc->s);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int savedDC) {
  Dc* dc = find_dc(handle);
  if (!dc) return FALSE;
  int depth = static_cast<int>(dc->saved.size());
  int target = savedDC < 0 ? depth + 1 + savedDC : savedDC;  // -1 is the latest
  if (target < 1 || target > depth) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  while (static_cast<int>(dc->saved.size()) > target) {
    release_state(dc->saved.back());
    dc->saved.pop_back();
  }
  release_state(dc->s);
  dc->s = dc->saved.back();  // its selections pass to the current state
  dc->saved.pop_back();
  dc->cr_clip_valid = false;
  return TRUE;
}

COLORREF SetTextColor(HDC handle, COLORREF color) {
  Dc* dc = find_dc(handle);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->s.text_color;
  dc->s.text_color = color & 0xFFFFFF;
  return previous;
}

COLORREF GetTextColor(HDC handle) {
  Dc* dc = find_dc(handle);
  return dc ? dc->s.text_color : CLR_INVALID;
}

COLORREF SetBkColor(HDC handle, COLORREF color) {
  Dc* dc = find_dc(handle);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->s.bk_color;
  dc->s.bk_color = color & 0xFFFFFF;
  return previous;
}

COLORREF GetBkColor(HDC handle) {
  Dc* dc = find_dc(handle);
  return dc ? dc->s.bk_color : CLR_INVALID;
}

int SetBkMode(HDC handle, int mode) {
  Dc* dc = find_dc(handle);
  if (!dc) return 0;
  if (mode != TRANSPARENT && mode != OPAQUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int previous = dc->s.bk_mode;
  dc->s.bk_mode = mode;
  return previous;
}

int GetBkMode(HDC handle) {
  Dc* dc = find_dc(handle);
  return dc ? dc->s.bk_mode : 0;
}

UINT SetTextAlign(HDC handle, UINT align) {
  Dc* dc = find_dc(handle);
  if (!dc) return GDI_ERROR;
  UINT previous = dc->s.text_align;
  dc->s.text_align = align;
  return previous;
}

UINT GetTextAlign(HDC handle) {
  Dc* dc = find_dc(handle);
  return dc ? dc->s.text_align : GDI_ERROR;
}

COLORREF SetDCBrushColor(HDC handle, COLORREF color) {
  Dc* dc = find_dc(handle);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->s.dc_brush_color;
  dc->s.dc_brush_color = color & 0xFFFFFF;
  return previous;
}

COLORREF SetDCPenColor(HDC handle, COLORREF color) {
  Dc* dc = find_dc(handle);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->s.dc_pen_color;
  dc->s.dc_pen_color = color & 0xFFFFFF;
  return previous;
}

BOOL SetViewportOrgEx(HDC handle, int x, int y, LPPOINT previous) {
  Dc* dc = find_dc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->s.viewport;
  dc->s.viewport = POINT{x, y};
  return TRUE;
}

BOOL GetViewportOrgEx(HDC handle, LPPOINT origin) {
  Dc* dc = find_dc(handle);
  if (!dc || !origin) return FALSE;
  *origin = dc->s.viewport;
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC handle, int dx, int dy, LPPOINT previous) {
  Dc* dc = find_dc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->s.viewport;
  dc->s.viewport.x += dx;
  dc->s.viewport.y += dy;
  return TRUE;
}

BOOL MoveToEx(HDC handle, int x, int y, LPPOINT previous) {
  Dc* dc = find_dc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->s.position;
  dc->s.position = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC handle, LPPOINT position) {
  Dc* dc = find_dc(handle);
  if (!dc || !position) return FALSE;
  *position = dc->s.position;
  return TRUE;
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  Dc* dc = find_dc(handle);
  if (!dc) return ERROR;
  RECT r = to_surface(dc, RECT{left, top, right, bottom});
  dc->s.clip = dc->s.clipped ? intersect(dc->s.clip, r) : intersect(dc->bounds, r);
  dc->s.clipped = true;
  dc->cr_clip_valid = false;
  return rect_empty(clip_box(dc)) ? NULLREGION : SIMPLEREGION;
}

int SelectClipRgn(HDC handle, HRGN region) {
  Dc* dc = find_dc(handle);
  if (!dc) return ERROR;
  if (!region) {
    dc->s.clipped = false;
  } else {
    Region* r = find<Region>(region, Kind::Region);
    if (!r) {
      SetLastError(ERROR_INVALID_HANDLE);
      return ERROR;
    }
    // Region coordinates are device units from the context's origin; the viewport does not move them.
    dc->s.clip = RECT{r->rect.left + dc->origin.x, r->rect.top + dc->origin.y, r->rect.right + dc->origin.x,
                      r->rect.bottom + dc->origin.y};
    dc->s.clipped = true;
  }
  dc->cr_clip_valid = false;
  return rect_empty(clip_box(dc)) ? NULLREGION : SIMPLEREGION;
}

int GetClipBox(HDC handle, LPRECT rect) {
  Dc* dc = find_dc(handle);
  if (!dc || !rect) return ERROR;
  RECT c = clip_box(dc);
  if (rect_empty(c)) {
    *rect = RECT{0, 0, 0, 0};
    return NULLREGION;
  }
  POINT shift = to_surface(dc, 0, 0);
  *rect = RECT{c.left - shift.x, c.top - shift.y, c.right - shift.x, c.bottom - shift.y};
  return SIMPLEREGION;
}
