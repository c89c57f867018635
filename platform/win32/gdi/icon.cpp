// Icon handles: LoadImageW (files and the program's icon resources),
// LoadIconW, DestroyIcon and drawing. An icon handle is the address of a
// record registered here, so a stale or made-up handle is refused, never
// dereferenced. Shared icons (the standard ones, LoadIconW, LR_SHARED) are
// loaded once and live as long as the process, as in Win32.
#include <cairo.h>

#include <mutex>
#include <unordered_set>
#include <vector>

#include "platform/win32/gdi/objects.h"
#include "platform/win32/gdi/icon_internal.h"
#include "platform/win32/kernel/resources.h"

namespace icon {
namespace {

constexpr uint32_t kIconMagic = 0x4E4F4349u;
constexpr LONGLONG kMaxFile = 64LL << 20;

struct Icon {
  uint32_t magic = kIconMagic;
  cairo_surface_t* image = nullptr;
  bool shared = false;
};

struct SharedIcon {
  bool builtin;  // a standard icon, else a registered resource
  WORD id;
  int width, height;
  HICON icon;
};

struct Resource {
  WORD id;
  std::vector<uint8_t> bytes;
};

// Never destroyed, so icons still alive at exit stay reachable (windows hold them to the end).
std::mutex lock;
std::unordered_set<const Icon*>& live = *new std::unordered_set<const Icon*>;
std::vector<SharedIcon>& shared_icons = *new std::vector<SharedIcon>;
std::vector<Resource>& resources = *new std::vector<Resource>;

// Caller holds the lock.
Icon* find_locked(HICON handle) {
  auto* icon = reinterpret_cast<Icon*>(handle);
  return live.count(icon) ? icon : nullptr;
}

HICON make(cairo_surface_t* image, bool shared) {
  auto* icon = new Icon;
  icon->image = image;
  icon->shared = shared;
  live.insert(icon);
  return reinterpret_cast<HICON>(icon);
}

HANDLE fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

HANDLE load_file(LPCWSTR name, int width, int height) {
  HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;  // CreateFileW said why
  LARGE_INTEGER size{};
  std::vector<uint8_t> bytes;
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= kMaxFile;
  if (ok) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    size_t at = 0;
    while (ok && at < bytes.size()) {
      ok = ReadFile(file, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &got, nullptr) && got > 0;
      at += got;
    }
  }
  CloseHandle(file);
  cairo_surface_t* image = ok ? decode_ico(bytes.data(), bytes.size(), width, height) : nullptr;
  if (!image) return fail(ERROR_INVALID_DATA);
  std::lock_guard<std::mutex> guard(lock);
  return make(image, false);
}

// Standard icons (no module) and the registered resources, by number.
HANDLE load_numbered(bool builtin, WORD id, int width, int height, bool shared) {
  if (builtin && width == 0 && height == 0) width = height = GetSystemMetrics(SM_CXICON);
  std::lock_guard<std::mutex> guard(lock);
  if (shared)
    for (const SharedIcon& s : shared_icons)
      if (s.builtin == builtin && s.id == id && s.width == width && s.height == height) return s.icon;
  cairo_surface_t* image = nullptr;
  if (builtin) {
    image = builtin_picture(id, width ? width : height, height ? height : width);
  } else {
    const Resource* r = nullptr;
    for (const Resource& each : resources)
      if (each.id == id) r = &each;
    if (!r) return fail(ERROR_RESOURCE_NAME_NOT_FOUND);
    image = decode_ico(r->bytes.data(), r->bytes.size(), width, height);
  }
  if (!image) return fail(builtin ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_INVALID_DATA);
  HICON icon = make(image, shared);
  if (shared) shared_icons.push_back(SharedIcon{builtin, id, width, height, icon});
  return icon;
}

}  // namespace

cairo_surface_t* image(HICON handle) {
  std::lock_guard<std::mutex> guard(lock);
  Icon* icon = find_locked(handle);
  return icon ? icon->image : nullptr;
}

}  // namespace icon

using namespace icon;

BOOL stand_in_set_icon_resource(int id, const void* ico, size_t size) {
  if (id < 1 || id > 0xFFFF || !ico) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* bytes = static_cast<const uint8_t*>(ico);
  // Checked at the sizes windows ask for, so a load cannot fail later.
  for (int side : {0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CXSMICON)}) {
    cairo_surface_t* image = decode_ico(bytes, size, side, side);
    if (!image) {
      SetLastError(ERROR_INVALID_DATA);
      return FALSE;
    }
    cairo_surface_destroy(image);
  }
  std::lock_guard<std::mutex> guard(lock);
  WORD key = static_cast<WORD>(id);
  std::erase_if(resources, [key](const Resource& r) { return r.id == key; });
  // Icons already handed out stay alive (windows may show them); later loads read the new bytes.
  std::erase_if(shared_icons, [key](const SharedIcon& s) { return !s.builtin && s.id == key; });
  resources.push_back(Resource{key, std::vector<uint8_t>(bytes, bytes + size)});
  return TRUE;
}

HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags) {
  if (type != IMAGE_ICON || !name || width < 0 || height < 0 || width > kMaxSide || height > kMaxSide)
    return fail(ERROR_INVALID_PARAMETER);
  if (flags & LR_DEFAULTSIZE) {
    if (!width) width = GetSystemMetrics(SM_CXICON);
    if (!height) height = GetSystemMetrics(SM_CYICON);
  }
  if (flags & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) return fail(ERROR_INVALID_PARAMETER);
    return load_file(name, width, height);  // a file's icon is never shared, as Win32 advises
  }
  if (!IS_INTRESOURCE(name)) return fail(ERROR_RESOURCE_NAME_NOT_FOUND);  // resources have numbers only
  WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
  return load_numbered(!instance, id, width, height, (flags & LR_SHARED) != 0);
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
  if (!name) return static_cast<HICON>(fail(ERROR_INVALID_PARAMETER));
  return static_cast<HICON>(LoadImageW(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

BOOL DestroyIcon(HICON handle) {
  Icon* icon;
  {
    std::lock_guard<std::mutex> guard(lock);
    icon = find_locked(handle);
    if (!icon) {
      SetLastError(ERROR_INVALID_CURSOR_HANDLE);
      return FALSE;
    }
    if (icon->shared) return TRUE;  // shared icons belong to the system
    live.erase(icon);
  }
  cairo_surface_destroy(icon->image);
  icon->magic = 0;
  delete icon;
  return TRUE;
}

BOOL DrawIconEx(HDC handle, int x, int y, HICON icon_handle, int width, int height, UINT /*step*/, HBRUSH flickerFree,
                UINT flags) {
  cairo_surface_t* picture = icon::image(icon_handle);
  if (!picture) {
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
  }
  gdi::Dc* dc = gdi::find_dc(handle);
  if (!dc) return FALSE;
  if (!(flags & DI_NORMAL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int w = cairo_image_surface_get_width(picture), h = cairo_image_surface_get_height(picture);
  if (!width) width = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : w;
  if (!height) height = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : h;
  if (flickerFree) {
    RECT r{x, y, x + width, y + height};
    FillRect(handle, &r, flickerFree);
  }
  POINT at = gdi::to_surface(dc, x, y);
  cairo_t* cr = gdi::cairo_for(dc);
  cairo_save(cr);
  cairo_translate(cr, at.x, at.y);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_clip(cr);
  cairo_scale(cr, static_cast<double>(width) / w, static_cast<double>(height) / h);
  cairo_set_source_surface(cr, picture, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), w == width && h == height ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  if ((flags & DI_NORMAL) == DI_MASK) {
    // The mask alone: black where the icon covers, white where it lets the background through.
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_mask_surface(cr, picture, 0, 0);
  } else {
    cairo_paint(cr);
  }
  cairo_restore(cr);
  return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}
