// The .ico decoder: the directory, the choice of an entry, BMP entries (with
// their AND mask) and PNG entries (through cairo). Every length and offset
// comes from the file, so each is checked against the bytes there really are
// before anything is read, in 64-bit arithmetic so no sum can wrap.
#include <cairo.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/win32/gdi/icon_internal.h"

namespace icon {
namespace {

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint32_t be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         static_cast<uint32_t>(p[3]);
}

struct Entry {
  int width, height, bits;
  uint32_t bytes, offset;
};

constexpr size_t kDirHeader = 6, kDirEntry = 16;

bool read_directory(const uint8_t* data, size_t size, std::vector<Entry>* out) {
  if (size < kDirHeader || le16(data) != 0 || le16(data + 2) != 1) return false;
  size_t count = le16(data + 4);
  if (count == 0 || kDirHeader + kDirEntry * count > size) return false;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = data + kDirHeader + kDirEntry * i;
    Entry entry{e[0] ? e[0] : 256, e[1] ? e[1] : 256, le16(e + 6), le32(e + 8), le32(e + 12)};
    if (entry.bits == 0) entry.bits = e[2] == 2 ? 1 : e[2] == 16 ? 4 : 8;  // old files give only a colour count
    out->push_back(entry);
  }
  return true;
}

// The nearest size, then the deepest colours, as Win32 chooses.
const Entry& choose(const std::vector<Entry>& entries, int width, int height) {
  const Entry* best = &entries[0];
  long best_diff = -1;
  for (const Entry& e : entries) {
    long diff = labs(e.width - width) + labs(e.height - height);
    if (best_diff < 0 || diff < best_diff || (diff == best_diff && e.bits > best->bits)) {
      best = &e;
      best_diff = diff;
    }
  }
  return *best;
}

cairo_surface_t* new_image(int width, int height) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return s;
}

uint32_t premultiply(uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
  if (a == 255) return 0xFF000000u | r << 16 | g << 8 | b;
  return a << 24 | (r * a + 127) / 255 << 16 | (g * a + 127) / 255 << 8 | (b * a + 127) / 255;
}

// A BMP entry: BITMAPINFOHEADER, palette, colour rows and AND-mask rows, both bottom-up,
// the header's height counting both.
cairo_surface_t* decode_bmp(const uint8_t* p, size_t avail) {
  if (avail < 40) return nullptr;
  uint32_t header = le32(p);
  if (header != 40 && header != 52 && header != 56 && header != 108 && header != 124) return nullptr;
  int32_t width = static_cast<int32_t>(le32(p + 4)), height2 = static_cast<int32_t>(le32(p + 8));
  unsigned bits = le16(p + 14);
  uint32_t compression = le32(p + 16), used = le32(p + 32);
  if (width < 1 || width > kMaxSide || height2 < 2 || height2 / 2 > kMaxSide || compression != 0) return nullptr;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return nullptr;
  int height = height2 / 2;
  uint64_t colors = used ? used : bits <= 8 ? 1u << bits : 0;
  if (colors > 256) return nullptr;
  uint64_t xor_stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
  uint64_t and_stride = (static_cast<uint64_t>(width) + 31) / 32 * 4;
  uint64_t palette = header, xor_at = palette + 4 * colors, and_at = xor_at + xor_stride * height;
  if (and_at + and_stride * height > avail) return nullptr;

  cairo_surface_t* s = new_image(width, height);
  if (!s) return nullptr;
  uint8_t* out = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  bool has_alpha = false;
  if (bits == 32)
    for (int y = 0; y < height && !has_alpha; ++y)
      for (int x = 0; x < width; ++x)
        if (p[xor_at + xor_stride * y + 4 * x + 3]) {
          has_alpha = true;
          break;
        }
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = p + xor_at + xor_stride * y;
    const uint8_t* mask = p + and_at + and_stride * y;
    auto* dest = reinterpret_cast<uint32_t*>(out + static_cast<ptrdiff_t>(stride) * (height - 1 - y));
    for (int x = 0; x < width; ++x) {
      uint32_t b = 0, g = 0, r = 0, a = 255;
      if (bits <= 8) {
        unsigned index = bits == 8   ? row[x]
                         : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF
                                     : (row[x / 8] >> (7 - x % 8)) & 1;
        if (index < colors) {  // an index past the palette paints black
          const uint8_t* c = p + palette + 4 * index;
          b = c[0], g = c[1], r = c[2];
        }
      } else {
        const uint8_t* c = row + x * (bits / 8);
        b = c[0], g = c[1], r = c[2];
        if (has_alpha) a = c[3];
      }
      if (!has_alpha && ((mask[x / 8] >> (7 - x % 8)) & 1)) a = 0;
      dest[x] = a ? premultiply(b, g, r, a) : 0;
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

struct PngReader {
  const uint8_t* data;
  size_t size, pos;
};

cairo_status_t png_read(void* closure, unsigned char* buffer, unsigned int length) {
  auto* r = static_cast<PngReader*>(closure);
  if (length > r->size - r->pos) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(buffer, r->data + r->pos, length);
  r->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool is_png(const uint8_t* p, size_t avail) { return avail >= 8 && std::memcmp(p, kPngSignature, 8) == 0; }

cairo_surface_t* decode_png(const uint8_t* p, size_t avail) {
  // The header chunk's size is checked first, so a made-up size never reaches the allocator.
  if (avail < 33 || be32(p + 8) != 13 || std::memcmp(p + 12, "IHDR", 4) != 0) return nullptr;
  uint32_t width = be32(p + 16), height = be32(p + 20);
  if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide) return nullptr;
  PngReader reader{p, avail, 0};
  cairo_surface_t* png = cairo_image_surface_create_from_png_stream(png_read, &reader);
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(png);
    return nullptr;
  }
  cairo_surface_set_mime_data(png, CAIRO_MIME_TYPE_PNG, nullptr, 0, nullptr, nullptr);  // the file's bytes: not kept
  if (cairo_image_surface_get_format(png) == CAIRO_FORMAT_ARGB32) return png;
  // Opaque or grey images come in other formats: bring them to the icon's one.
  cairo_surface_t* s = new_image(cairo_image_surface_get_width(png), cairo_image_surface_get_height(png));
  if (s) {
    cairo_t* cr = cairo_create(s);
    cairo_set_source_surface(cr, png, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  cairo_surface_destroy(png);
  return s;
}

cairo_surface_t* scaled(cairo_surface_t* image, int width, int height) {
  int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
  if (w == width && h == height) return image;
  cairo_surface_t* s = new_image(width, height);
  if (s) {
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, static_cast<double>(width) / w, static_cast<double>(height) / h);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  cairo_surface_destroy(image);
  return s;
}

}  // namespace

cairo_surface_t* decode_ico(const uint8_t* data, size_t size, int width, int height) {
  std::vector<Entry> entries;
  if (!data || !read_directory(data, size, &entries)) return nullptr;
  if (width == 0 && height == 0) {
    width = entries[0].width;
    height = entries[0].height;
  }
  if (width == 0) width = height;
  if (height == 0) height = width;
  const Entry& e = choose(entries, width, height);
  if (e.offset > size || e.bytes > size - e.offset) return nullptr;
  // The entry's data may run on past its stated length, up to the file's end, as Win32 allows.
  const uint8_t* p = data + e.offset;
  size_t avail = size - e.offset;
  cairo_surface_t* image = is_png(p, avail) ? decode_png(p, avail) : decode_bmp(p, avail);
  return image ? scaled(image, width, height) : nullptr;
}

}  // namespace icon
