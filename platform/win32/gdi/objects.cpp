// GDI objects: the registry of live handles, brushes, pens, bitmaps and
// rectangular regions, stock objects and system colours, and the generic
// object calls (DeleteObject, SelectObject, GetObjectW, ...).
#include <cassert>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/win32/display/backend.h"
#include "platform/win32/gdi/objects.h"

namespace gdi {

namespace {

constexpr uint32_t kObjectMagic = 0x4744'4f42u;
constexpr uint32_t kDcMagic = 0x4744'4443u;

struct Registry {
  std::mutex lock;
  std::unordered_set<const void*> objects;
  std::unordered_set<const void*> dcs;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: objects may be deleted by static destructors
  return *r;
}

// A classic light scheme.
const COLORREF kSysColors[] = {
    RGB(200, 200, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(153, 180, 209),  // COLOR_ACTIVECAPTION
    RGB(191, 205, 219),  // COLOR_INACTIVECAPTION
    RGB(240, 240, 240),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(100, 100, 100),  // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(0, 0, 0),        // COLOR_CAPTIONTEXT
    RGB(180, 180, 180),  // COLOR_ACTIVEBORDER
    RGB(244, 247, 252),  // COLOR_INACTIVEBORDER
    RGB(171, 171, 171),  // COLOR_APPWORKSPACE
    RGB(0, 120, 215),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(240, 240, 240),  // COLOR_BTNFACE
    RGB(160, 160, 160),  // COLOR_BTNSHADOW
    RGB(109, 109, 109),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(0, 0, 0),        // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(105, 105, 105),  // COLOR_3DDKSHADOW
    RGB(227, 227, 227),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(0, 0, 0),        // 25: no colour of its own
    RGB(0, 102, 204),    // COLOR_HOTLIGHT
    RGB(185, 209, 234),  // COLOR_GRADIENTACTIVECAPTION
    RGB(215, 228, 242),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(0, 120, 215),    // COLOR_MENUHILIGHT
    RGB(240, 240, 240),  // COLOR_MENUBAR
};
constexpr int kSysColorCount = sizeof kSysColors / sizeof kSysColors[0];

template <typename T>
T* stock(T* object) {
  object->stock = true;
  register_object(object);
  return object;
}

Brush* solid(COLORREF color, UINT style = BS_SOLID) {
  auto* b = new Brush;
  b->kind = Kind::Brush;
  b->style = style;
  b->color = color & 0xFFFFFF;
  return b;
}

Pen* pen(UINT style, int width, COLORREF color) {
  auto* p = new Pen;
  p->kind = Kind::Pen;
  p->style = style;
  p->width = width;
  p->color = color & 0xFFFFFF;
  return p;
}

struct StockObjects {
  HGDIOBJ objects[DC_PEN + 1] = {};
  Brush* sys_brushes[kSysColorCount] = {};
  Bitmap* default_bitmap = nullptr;
  StockObjects() {
    objects[WHITE_BRUSH] = stock(solid(RGB(255, 255, 255)));
    objects[LTGRAY_BRUSH] = stock(solid(RGB(192, 192, 192)));
    objects[GRAY_BRUSH] = stock(solid(RGB(128, 128, 128)));
    objects[DKGRAY_BRUSH] = stock(solid(RGB(64, 64, 64)));
    objects[BLACK_BRUSH] = stock(solid(RGB(0, 0, 0)));
    objects[NULL_BRUSH] = stock(solid(0, BS_NULL));
    Brush* dc_brush = solid(RGB(255, 255, 255));
    dc_brush->dc_brush = true;
    objects[DC_BRUSH] = stock(dc_brush);
    objects[WHITE_PEN] = stock(pen(PS_SOLID, 1, RGB(255, 255, 255)));
    objects[BLACK_PEN] = stock(pen(PS_SOLID, 1, RGB(0, 0, 0)));
    objects[NULL_PEN] = stock(pen(PS_NULL, 1, 0));
    Pen* dc_pen = pen(PS_SOLID, 1, 0);
    dc_pen->dc_pen = true;
    objects[DC_PEN] = stock(dc_pen);
    for (int i = 0; i < kSysColorCount; ++i) sys_brushes[i] = stock(solid(kSysColors[i]));
    default_bitmap = new Bitmap;
    default_bitmap->kind = Kind::Bitmap;
    default_bitmap->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    stock(default_bitmap);
  }
};

StockObjects& stock_objects() {
  static StockObjects* s = new StockObjects;  // lives for the whole process, as stock objects do
  return *s;
}

void free_object(GdiObject* o) {
  unregister_object(o);
  switch (o->kind) {
    case Kind::Brush: delete static_cast<Brush*>(o); break;
    case Kind::Pen: delete static_cast<Pen*>(o); break;
    case Kind::Bitmap:
      cairo_surface_destroy(static_cast<Bitmap*>(o)->surface);
      delete static_cast<Bitmap*>(o);
      break;
    case Kind::Region: delete static_cast<Region*>(o); break;
    case Kind::Font: font_free(reinterpret_cast<Font*>(o)); break;
    case Kind::Dc: assert(false); break;
  }
}

}  // namespace

void register_object(GdiObject* object) {
  Registry& r = registry();
  object->magic = kObjectMagic;
  std::lock_guard<std::mutex> hold(r.lock);
  r.objects.insert(object);
}

void unregister_object(GdiObject* object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  r.objects.erase(object);
  object->magic = 0;
}

GdiObject* find_object(HGDIOBJ handle) {
  if (!handle) return nullptr;
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  if (!r.objects.count(handle)) return nullptr;
  auto* o = static_cast<GdiObject*>(handle);
  assert(o->magic == kObjectMagic);
  return o;
}

void register_dc(Dc* dc) {
  Registry& r = registry();
  dc->magic = kDcMagic;
  std::lock_guard<std::mutex> hold(r.lock);
  r.dcs.insert(dc);
}

void unregister_dc(Dc* dc) {
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  r.dcs.erase(dc);
  dc->magic = 0;
}

Dc* find_dc(HDC handle) {
  Registry& r = registry();
  {
    std::lock_guard<std::mutex> hold(r.lock);
    if (handle && r.dcs.count(handle)) return reinterpret_cast<Dc*>(handle);
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

void hold(HGDIOBJ object) {
  if (GdiObject* o = find_object(object)) ++o->selections;
}

void release(HGDIOBJ object) {
  GdiObject* o = find_object(object);
  if (!o) return;
  assert(o->selections > 0);
  if (--o->selections == 0 && o->delete_pending) free_object(o);
}

bool brush_color(HBRUSH brush, const Dc* dc, COLORREF* color) {
  auto value = reinterpret_cast<uintptr_t>(brush);
  if (value >= 1 && value <= kSysColorCount) {  // (HBRUSH)(COLOR_* + 1), as FillRect and class brushes allow
    *color = kSysColors[value - 1];
    return true;
  }
  Brush* b = find<Brush>(brush, Kind::Brush);
  if (!b || b->style == BS_NULL) return false;
  *color = b->dc_brush ? (dc ? dc->s.dc_brush_color : b->color) : b->color;
  return true;
}

}  // namespace gdi

using namespace gdi;

DWORD GetSysColor(int index) {
  if (index < 0 || index >= kSysColorCount) return 0;
  return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index >= kSysColorCount) return nullptr;
  return reinterpret_cast<HBRUSH>(stock_objects().sys_brushes[index]);
}

HGDIOBJ GetStockObject(int object) {
  if (HFONT font = stock_font(object)) return font;
  if (object < 0 || object > DC_PEN) return nullptr;
  return stock_objects().objects[object];
}

HBRUSH CreateSolidBrush(COLORREF color) {
  Brush* b = solid(color);
  register_object(b);
  return reinterpret_cast<HBRUSH>(b);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Pen* p = pen(static_cast<UINT>(style), width < 1 ? 1 : width, color);
  register_object(p);
  return reinterpret_cast<HPEN>(p);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (!find_dc(dc)) return nullptr;
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) {
    // Win32 answers a zero-sized request with the 1x1 stock bitmap.
    if (width == 0 || height == 0) return reinterpret_cast<HBITMAP>(stock_objects().default_bitmap);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* b = new Bitmap;
  b->kind = Kind::Bitmap;
  b->surface = surface;
  register_object(b);
  return reinterpret_cast<HBITMAP>(b);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto* r = new Region;
  r->kind = Kind::Region;
  // Win32 orders the corners.
  r->rect = RECT{left < right ? left : right, top < bottom ? top : bottom, left < right ? right : left,
                 top < bottom ? bottom : top};
  register_object(r);
  return reinterpret_cast<HRGN>(r);
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiObject* o = find_object(object);
  if (!o) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (o->stock) return TRUE;
  if (o->selections > 0) {
    // Freed when the last context lets go of it, so no context draws with a dead object.
    o->delete_pending = true;
    return TRUE;
  }
  free_object(o);
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ object) {
  if (GdiObject* o = find_object(object)) return static_cast<DWORD>(o->kind);
  Registry& r = registry();
  std::lock_guard<std::mutex> hold(r.lock);
  if (object && r.dcs.count(object)) return static_cast<Dc*>(object)->kind == DcKind::Memory ? OBJ_MEMDC : OBJ_DC;
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

namespace {

template <typename T>
int copy_out(const T& value, int size, void* buffer) {
  if (!buffer) return static_cast<int>(sizeof(T));
  if (size <= 0) return 0;
  size_t n = static_cast<size_t>(size) < sizeof(T) ? static_cast<size_t>(size) : sizeof(T);
  std::memcpy(buffer, &value, n);
  return static_cast<int>(n);
}

}  // namespace

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
  GdiObject* o = find_object(object);
  if (!o) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (o->kind) {
    case Kind::Brush: {
      auto* b = static_cast<Brush*>(o);
      return copy_out(LOGBRUSH{b->style, b->color, 0}, size, buffer);
    }
    case Kind::Pen: {
      auto* p = static_cast<Pen*>(o);
      return copy_out(LOGPEN{p->style, POINT{p->width, 0}, p->color}, size, buffer);
    }
    case Kind::Bitmap: {
      cairo_surface_t* s = static_cast<Bitmap*>(o)->surface;
      BITMAP bm{0,
                cairo_image_surface_get_width(s),
                cairo_image_surface_get_height(s),
                cairo_image_surface_get_width(s) * 4,
                1,
                32,
                nullptr};
      return copy_out(bm, size, buffer);
    }
    case Kind::Font: return font_object(reinterpret_cast<Font*>(o), size, buffer);
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  Dc* dc = find_dc(handle);
  GdiObject* o = find_object(object);
  if (!dc || !o || o->delete_pending) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ* slot = nullptr;
  switch (o->kind) {
    case Kind::Brush: slot = reinterpret_cast<HGDIOBJ*>(&dc->s.brush); break;
    case Kind::Pen: slot = reinterpret_cast<HGDIOBJ*>(&dc->s.pen); break;
    case Kind::Font: slot = reinterpret_cast<HGDIOBJ*>(&dc->s.font); break;
    case Kind::Region: {
      int kind = SelectClipRgn(handle, reinterpret_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(kind));
    }
    case Kind::Bitmap: {
      auto* b = static_cast<Bitmap*>(o);
      if (dc->kind != DcKind::Memory || (!b->stock && b->selected_in && b->selected_in != handle)) return nullptr;
      HGDIOBJ previous = dc->bitmap;
      if (previous == object) return previous;
      if (auto* old = find<Bitmap>(previous, Kind::Bitmap)) old->selected_in = nullptr;
      if (!b->stock) b->selected_in = handle;
      hold(object);
      dc->bitmap = reinterpret_cast<HBITMAP>(object);
      retarget(dc, b->surface);
      release(previous);
      return previous;
    }
    case Kind::Dc: return nullptr;
  }
  HGDIOBJ previous = *slot;
  if (previous == object) return previous;
  hold(object);
  *slot = object;
  release(previous);
  return previous;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  Dc* dc = find_dc(handle);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_BRUSH: return dc->s.brush;
    case OBJ_PEN: return dc->s.pen;
    case OBJ_FONT: return dc->s.font;
    case OBJ_BITMAP: return dc->bitmap;
    default: return nullptr;
  }
}

namespace gdi {

HBITMAP default_bitmap() { return reinterpret_cast<HBITMAP>(stock_objects().default_bitmap); }

}  // namespace gdi
