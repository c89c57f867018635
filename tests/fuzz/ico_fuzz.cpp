// The .ico loader: any bytes, as a file, loaded with LoadImageW at several
// sizes, against a model of the format: the directory, the entry Win32
// chooses for a size, and BMP entries decoded pixel by pixel (palette or
// direct colour, the AND mask unless 32-bit pixels carry alpha, premultiplied
// ARGB). A file the model refuses must fail to load; a loaded icon has the
// size asked for, and where its entry already has that size, the model's
// pixels. PNG entries are decoded by cairo: the model checks their header
// and the size of what comes out.
//
// Input: the file's bytes (the seeds are real icons).
#include <cairo.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/win32.h"
#include "platform/win32/gdi/icon_internal.h"

namespace {

std::string g_path;
std::u16string g_wide_path;

uint32_t le(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
  return v;
}

struct Entry {
  int width, height, bits;
  uint32_t bytes, offset;
};

// The directory, or nothing when the file is not an icon file.
std::vector<Entry> directory(const std::string& b) {
  std::vector<Entry> entries;
  if (b.size() < 6 || le(b, 0, 2) != 0 || le(b, 2, 2) != 1) return entries;
  const size_t count = le(b, 4, 2);
  if (6 + 16 * count > b.size()) return entries;
  for (size_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * i;
    const int w = static_cast<unsigned char>(b[e]), h = static_cast<unsigned char>(b[e + 1]);
    const int colours = static_cast<unsigned char>(b[e + 2]);
    int bits = static_cast<int>(le(b, e + 6, 2));
    if (bits == 0) bits = colours == 2 ? 1 : colours == 16 ? 4 : 8;
    entries.push_back(Entry{w ? w : 256, h ? h : 256, bits, le(b, e + 8, 4), le(b, e + 12, 4)});
  }
  return entries;
}

// Nearest in width plus height; among equals the most bits; among those the first.
const Entry* chosen(const std::vector<Entry>& entries, int width, int height) {
  const Entry* best = nullptr;
  for (const Entry& e : entries) {
    const int diff = std::abs(e.width - width) + std::abs(e.height - height);
    const int best_diff = best ? std::abs(best->width - width) + std::abs(best->height - height) : 0;
    if (!best || diff < best_diff || (diff == best_diff && e.bits > best->bits)) best = &e;
  }
  return best;
}

struct Picture {
  bool sound = false;
  bool png = false;
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // top row first, premultiplied ARGB (BMP only)
};

uint32_t premultiplied(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
  return a == 0 ? 0 : a << 24 | mul(r) << 16 | mul(g) << 8 | mul(b);
}

Picture bmp(const std::string& b, size_t at) {
  Picture p;
  const size_t avail = b.size() - at;
  if (avail < 40) return p;
  const uint32_t header = le(b, at, 4);
  if (header != 40 && header != 52 && header != 56 && header != 108 && header != 124) return p;
  const int32_t width = static_cast<int32_t>(le(b, at + 4, 4)), rows = static_cast<int32_t>(le(b, at + 8, 4));
  const int bits = static_cast<int>(le(b, at + 14, 2));
  if (width < 1 || width > 1024 || rows < 2 || rows / 2 > 1024 || le(b, at + 16, 4) != 0) return p;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return p;
  const int height = rows / 2;
  const uint64_t used = le(b, at + 32, 4);
  const uint64_t colours = used ? used : bits <= 8 ? uint64_t{1} << bits : 0;
  if (colours > 256) return p;
  const uint64_t colour_row = (static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4;
  const uint64_t mask_row = (static_cast<uint64_t>(width) + 31) / 32 * 4;
  const uint64_t palette = at + header, colour_at = palette + 4 * colours;
  const uint64_t mask_at = colour_at + colour_row * static_cast<uint64_t>(height);
  if (mask_at + mask_row * static_cast<uint64_t>(height) > b.size()) return p;
  auto byte = [&](uint64_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(b[static_cast<size_t>(i)])); };
  bool alpha = false;
  for (int y = 0; bits == 32 && y < height; ++y)
    for (int x = 0; x < width; ++x)
      alpha |= byte(colour_at + colour_row * static_cast<uint64_t>(y) + 4 * static_cast<uint64_t>(x) + 3) != 0;
  p.sound = true;
  p.width = width;
  p.height = height;
  p.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {  // rows lie bottom-up
    const uint64_t row = colour_at + colour_row * static_cast<uint64_t>(y),
                   mask = mask_at + mask_row * static_cast<uint64_t>(y);
    for (int x = 0; x < width; ++x) {
      uint32_t r = 0, g = 0, bl = 0, a = 255;
      if (bits <= 8) {
        const uint64_t bit = static_cast<uint64_t>(x) * static_cast<uint64_t>(bits);
        const uint32_t index = byte(row + bit / 8) >> (8 - bits - bit % 8) & ((1u << bits) - 1);
        if (index < colours)
          bl = byte(palette + 4 * index), g = byte(palette + 4 * index + 1), r = byte(palette + 4 * index + 2);
      } else {
        const uint64_t c = row + static_cast<uint64_t>(x) * static_cast<uint64_t>(bits / 8);
        bl = byte(c), g = byte(c + 1), r = byte(c + 2);
        if (alpha) a = byte(c + 3);
      }
      if (!alpha && (byte(mask + static_cast<uint64_t>(x) / 8) >> (7 - x % 8) & 1)) a = 0;
      p.pixels[static_cast<size_t>(height - 1 - y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          premultiplied(r, g, bl, a);
    }
  }
  return p;
}

// What loading at a size must give: refused (not sound), or an image of this kind.
Picture model(const std::string& b, int width, int height) {
  const std::vector<Entry> entries = directory(b);
  if (entries.empty()) return Picture{};
  if (width == 0 && height == 0) width = entries[0].width, height = entries[0].height;
  if (width == 0) width = height;
  if (height == 0) height = width;
  const Entry& e = *chosen(entries, width, height);
  if (e.offset > b.size() || e.bytes > b.size() - e.offset) return Picture{};
  if (b.compare(e.offset, 8, std::string("\x89PNG\r\n\x1a\n", 8)) == 0) {
    Picture p;
    const size_t at = e.offset;
    const bool header = b.size() - at >= 33 && le(b, at + 8, 4) == 0x0D000000u && b.compare(at + 12, 4, "IHDR") == 0;
    const uint32_t w = header ? __builtin_bswap32(le(b, at + 16, 4)) : 0,
                   h = header ? __builtin_bswap32(le(b, at + 20, 4)) : 0;
    p.sound = header && w >= 1 && w <= 1024 && h >= 1 &&
              h <= 1024;  // necessary, not sufficient: cairo decides the rest
    p.png = true;
    p.width = width;
    p.height = height;
    return p;
  }
  Picture p = bmp(b, e.offset);
  if (p.sound && (p.width != width || p.height != height)) {
    p.pixels.clear();  // scaled: only the size is known
    p.width = width;
    p.height = height;
  }
  return p;
}

void load_and_check(const std::string& bytes, int width, int height, UINT flags) {
  HANDLE loaded = LoadImageW(nullptr, reinterpret_cast<LPCWSTR>(g_wide_path.c_str()), IMAGE_ICON, width, height,
                             LR_LOADFROMFILE | flags);
  if (flags & LR_DEFAULTSIZE) {
    if (!width) width = GetSystemMetrics(SM_CXICON);
    if (!height) height = GetSystemMetrics(SM_CYICON);
  }
  const Picture want = model(bytes, width, height);
  const std::string asked = std::to_string(width) + "x" + std::to_string(height);
  if (!want.sound) {
    FUZZ_CHECK(!loaded, "a file the model refuses loads at " + asked);
    FUZZ_CHECK(GetLastError() == ERROR_INVALID_DATA, "the refusal says why");
    return;
  }
  if (!loaded) {
    FUZZ_CHECK(want.png, "a sound BMP entry is refused at " + asked);
    return;
  }
  auto icon = static_cast<HICON>(loaded);
  cairo_surface_t* image = icon::image(icon);
  FUZZ_CHECK(image && cairo_image_surface_get_format(image) == CAIRO_FORMAT_ARGB32, "an ARGB image");
  const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
  FUZZ_CHECK(w == want.width && h == want.height, "loaded at " + asked + " is " + std::to_string(w) + "x" +
                                                      std::to_string(h) + ", the model says " +
                                                      std::to_string(want.width) + "x" + std::to_string(want.height));
  if (!want.pixels.empty()) {
    cairo_surface_flush(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t got = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(stride) * y)[x];
        const uint32_t wanted = want.pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
        FUZZ_CHECK(got == wanted, "pixel " + std::to_string(x) + "," + std::to_string(y) + " at " + asked + ": " +
                                      std::to_string(got) + " wanted " + std::to_string(wanted));
      }
  }
  FUZZ_CHECK(DestroyIcon(icon), "DestroyIcon");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_path = fuzz::scratch_path("icon.ico");
  g_wide_path.assign(g_path.begin(), g_path.end());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  FILE* f = std::fopen(g_path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) std::abort();
  load_and_check(bytes, 0, 0, 0);
  // Each entry at its own size (up to three), then sizes no entry may have.
  const std::vector<Entry> entries = directory(bytes);
  for (size_t i = 0; i < entries.size() && i < 3; ++i) load_and_check(bytes, entries[i].width, entries[i].height, 0);
  if (!entries.empty()) {
    load_and_check(bytes, 13, 0, 0);
    load_and_check(bytes, 0, 0, LR_DEFAULTSIZE);
  }
  return 0;
}
