// Icons: .ico files of every colour depth and PNG entries loaded by
// LoadImageW and checked by drawing them and probing pixels, the choice of
// an entry by size, damaged files answering null, shared standard icons and
// DestroyIcon. The Icons tests hold on real Win32 too; IconsLinux checks the
// stand-in's decoder and its program-icon resources.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/test_text.h"
#include "platform/win32.h"

#ifndef _WIN32
#include "platform/win32/gdi/icon_internal.h"
#include "platform/win32/kernel/resources.h"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

struct Name {
  std::u16string text;
  explicit Name(const std::string& utf8) : text(w16(utf8)) {}
  operator const WCHAR*() const { return reinterpret_cast<const WCHAR*>(text.c_str()); }
};

void put16(Bytes* b, unsigned v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes* b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
void put32be(Bytes* b, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b->push_back(static_cast<uint8_t>(v >> shift));
}
void set32(Bytes* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Pixel {
  uint8_t r, g, b, a;
  bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};
using Picture = std::function<Pixel(int x, int y)>;  // top-down

// A BMP icon entry: header, palette (every colour the picture uses, for 8 bits or fewer), colour
// rows and AND mask, bottom-up. Transparent pixels are black under a set mask bit; with
// alpha_channel false a 32-bit entry leaves its alpha bytes 0 and relies on the mask.
Bytes bmp_entry(int w, int h, int bits, const Picture& picture, bool alpha_channel = true) {
  std::vector<Pixel> palette;
  if (bits <= 8) {
    palette.push_back(Pixel{0, 0, 0, 255});
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        Pixel p = picture(x, y);
        p.a = 255;
        bool known = false;
        for (const Pixel& q : palette) known = known || q == p;
        if (!known) palette.push_back(p);
      }
    palette.resize(size_t{1} << bits, Pixel{0, 0, 0, 255});
  }
  Bytes b;
  put32(&b, 40);
  put32(&b, static_cast<uint32_t>(w));
  put32(&b, static_cast<uint32_t>(2 * h));
  put16(&b, 1);
  put16(&b, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i) put32(&b, 0);
  for (const Pixel& p : palette) {
    b.push_back(p.b), b.push_back(p.g), b.push_back(p.r), b.push_back(0);
  }
  size_t stride = (static_cast<size_t>(w) * bits + 31) / 32 * 4, mask_stride = (static_cast<size_t>(w) + 31) / 32 * 4;
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(stride, 0);
    for (int x = 0; x < w; ++x) {
      Pixel p = picture(x, y);
      if (p.a == 0) p = Pixel{0, 0, 0, 0};
      if (bits <= 8) {
        size_t index = 0;
        for (size_t i = 0; i < palette.size(); ++i)
          if (palette[i].r == p.r && palette[i].g == p.g && palette[i].b == p.b) index = i;
        if (bits == 8) row[x] = static_cast<uint8_t>(index);
        if (bits == 4) row[x / 2] |= static_cast<uint8_t>(index << (x % 2 ? 0 : 4));
        if (bits == 1) row[x / 8] |= static_cast<uint8_t>(index << (7 - x % 8));
      } else {
        uint8_t* c = &row[static_cast<size_t>(x) * (bits / 8)];
        c[0] = p.b, c[1] = p.g, c[2] = p.r;
        if (bits == 32) c[3] = alpha_channel ? p.a : 0;
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  for (int y = h - 1; y >= 0; --y) {
    Bytes row(mask_stride, 0);
    for (int x = 0; x < w; ++x)
      if (picture(x, y).a == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

uint32_t crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

void png_chunk(Bytes* b, const char* type, const Bytes& data) {
  put32be(b, static_cast<uint32_t>(data.size()));
  size_t start = b->size();
  b->insert(b->end(), type, type + 4);
  b->insert(b->end(), data.begin(), data.end());
  put32be(b, crc32(b->data() + start, b->size() - start));
}

// An RGBA PNG, its pixels in stored (uncompressed) deflate blocks.
Bytes png(int w, int h, const Picture& picture) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  put32be(&header, static_cast<uint32_t>(w));
  put32be(&header, static_cast<uint32_t>(h));
  header.insert(header.end(), {8, 6, 0, 0, 0});
  png_chunk(&b, "IHDR", header);
  Bytes raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      Pixel p = picture(x, y);
      raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
    }
  }
  Bytes z = {0x78, 0x01};
  for (size_t at = 0; at < raw.size() || at == 0;) {
    size_t n = std::min<size_t>(raw.size() - at, 65535);
    z.push_back(at + n == raw.size() ? 1 : 0);
    put16(&z, static_cast<unsigned>(n));
    put16(&z, static_cast<unsigned>(~n & 0xFFFF));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
    if (raw.empty()) break;
  }
  uint32_t s1 = 1, s2 = 0;
  for (uint8_t v : raw) s1 = (s1 + v) % 65521, s2 = (s2 + s1) % 65521;
  put32be(&z, s2 << 16 | s1);
  png_chunk(&b, "IDAT", z);
  png_chunk(&b, "IEND", {});
  return b;
}

struct IcoEntry {
  int w, h, bits;
  Bytes data;
};

Bytes ico(const std::vector<IcoEntry>& entries) {
  Bytes b;
  put16(&b, 0);
  put16(&b, 1);
  put16(&b, static_cast<unsigned>(entries.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
  for (const IcoEntry& e : entries) {
    b.push_back(static_cast<uint8_t>(e.w == 256 ? 0 : e.w));
    b.push_back(static_cast<uint8_t>(e.h == 256 ? 0 : e.h));
    b.push_back(e.bits <= 8 ? static_cast<uint8_t>(1u << e.bits) : 0);
    b.push_back(0);
    put16(&b, 1);
    put16(&b, static_cast<unsigned>(e.bits));
    put32(&b, static_cast<uint32_t>(e.data.size()));
    put32(&b, offset);
    offset += static_cast<uint32_t>(e.data.size());
  }
  for (const IcoEntry& e : entries) b.insert(b.end(), e.data.begin(), e.data.end());
  return b;
}

void write_file(const WCHAR* name, const Bytes& bytes) {
  HANDLE h = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  if (!bytes.empty()) {
    EXPECT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }
  CloseHandle(h);
}

HICON load(const std::string& dir, const char* leaf, const Bytes& bytes, int w = 0, int h = 0, UINT flags = 0) {
  Name name(dir + leaf);
  write_file(name, bytes);
  return static_cast<HICON>(LoadImageW(nullptr, name, IMAGE_ICON, w, h, LR_LOADFROMFILE | flags));
}

// A white canvas of the display's kind that icons are drawn on and probed.
struct Canvas {
  HDC screen, dc;
  HBITMAP bitmap, old;
  Canvas() {
    screen = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, 300, 300);
    old = static_cast<HBITMAP>(SelectObject(dc, bitmap));
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteDC(screen);
  }
  // Draws the icon at (0, 0) over white at its own size (width 0) or the one given.
  bool draw(HICON icon, int width = 0, int height = 0) {
    RECT all{0, 0, 300, 300};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL) != FALSE;
  }
  COLORREF at(int x, int y) const { return GetPixel(dc, x, y); }
};

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr Pixel kRed{255, 0, 0, 255}, kGreen{0, 128, 0, 255}, kBlack{0, 0, 0, 255}, kClear{0, 0, 0, 0};
COLORREF ref(Pixel p) { return RGB(p.r, p.g, p.b); }

// 13 x 11: red on the left, right_colour from x = 6, the top-left 2 x 2 transparent. Odd sizes
// cross byte and nibble boundaries; the corner shows whether rows come out upside down.
Picture halves(Pixel right_colour) {
  return [right_colour](int x, int y) { return x < 2 && y < 2 ? kClear : x < 6 ? kRed : right_colour; };
}

Picture solid(Pixel p) {
  return [p](int, int) { return p; };
}

}  // namespace

TEST(Icons, BmpEntriesOfEveryDepthDrawAsStored) {
  std::string dir = test_dir();
  Canvas canvas;
  struct Case {
    int bits;
    bool alpha;
    Pixel right;
  } cases[] = {{1, true, kBlack},  {4, true, kGreen},  {8, true, kGreen},
               {24, true, kGreen}, {32, true, kGreen}, {32, false, kGreen}};
  for (const Case& c : cases) {
    SCOPED_TRACE("bits " + std::to_string(c.bits) + (c.alpha ? "" : " without alpha"));
    HICON icon = load(dir, "depth.ico", ico({{13, 11, c.bits, bmp_entry(13, 11, c.bits, halves(c.right), c.alpha)}}));
    ASSERT_NE(icon, nullptr) << GetLastError();
    ASSERT_TRUE(canvas.draw(icon));
    EXPECT_EQ(canvas.at(0, 0), kWhite) << "transparent corner, top left";
    EXPECT_EQ(canvas.at(1, 1), kWhite);
    EXPECT_EQ(canvas.at(2, 0), ref(kRed));
    EXPECT_EQ(canvas.at(0, 10), ref(kRed)) << "bottom row";
    EXPECT_EQ(canvas.at(5, 5), ref(kRed));
    EXPECT_EQ(canvas.at(6, 5), ref(c.right));
    EXPECT_EQ(canvas.at(12, 10), ref(c.right)) << "last pixel";
    EXPECT_EQ(canvas.at(13, 5), kWhite) << "the icon's own size";
    EXPECT_EQ(canvas.at(5, 11), kWhite);
    EXPECT_TRUE(DestroyIcon(icon));
  }
}

TEST(Icons, AlphaBlendsAndPngEntriesDecode) {
  std::string dir = test_dir();
  Canvas canvas;
  // Half-transparent red over white gives pink.
  Picture half = [](int x, int) { return x < 4 ? Pixel{255, 0, 0, 128} : kRed; };
  HICON icon = load(dir, "alpha.ico", ico({{8, 8, 32, bmp_entry(8, 8, 32, half)}}));
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(canvas.draw(icon));
  COLORREF pink = canvas.at(1, 1);
  EXPECT_EQ(GetRValue(pink), 255);
  EXPECT_NEAR(GetGValue(pink), 127, 3);
  EXPECT_NEAR(GetBValue(pink), 127, 3);
  EXPECT_EQ(canvas.at(5, 1), ref(kRed));
  DestroyIcon(icon);

  // A PNG entry: straight alpha, top-down rows, its size from its own header.
  Picture picture = [](int x, int y) { return y < 3 ? kClear : x < 10 ? kGreen : Pixel{0, 0, 255, 255}; };
  icon = load(dir, "png.ico", ico({{20, 24, 32, png(20, 24, picture)}}));
  ASSERT_NE(icon, nullptr) << GetLastError();
  ASSERT_TRUE(canvas.draw(icon));
  EXPECT_EQ(canvas.at(5, 1), kWhite);
  EXPECT_EQ(canvas.at(5, 3), ref(kGreen));
  EXPECT_EQ(canvas.at(15, 23), RGB(0, 0, 255));
  EXPECT_EQ(canvas.at(20, 10), kWhite);
  EXPECT_EQ(canvas.at(10, 24), kWhite);
  DestroyIcon(icon);
}

TEST(Icons, TheEntryNearestTheAskedSizeIsChosenAndScaled) {
  std::string dir = test_dir();
  Canvas canvas;
  const Pixel blue{0, 0, 255, 255};
  Bytes file = ico({{16, 16, 32, bmp_entry(16, 16, 32, solid(kRed))},
                    {32, 32, 32, bmp_entry(32, 32, 32, solid(kGreen))},
                    {48, 48, 32, bmp_entry(48, 48, 32, solid(blue))}});
  struct Case {
    int w, h;
    UINT flags;
    int side;
    Pixel colour;
  } cases[] = {{0, 0, 0, 16, kRed},                 // the size stored in the file: the first entry's
               {0, 0, LR_DEFAULTSIZE, 32, kGreen},  // the system's icon size
               {32, 32, 0, 32, kGreen},
               {48, 48, 0, 48, blue},
               {44, 44, 0, 44, blue},   // scaled down from the nearest
               {18, 18, 0, 18, kRed}};  // scaled up from the nearest
  for (const Case& c : cases) {
    SCOPED_TRACE("asked " + std::to_string(c.w) + " x " + std::to_string(c.h));
    HICON icon = load(dir, "sizes.ico", file, c.w, c.h, c.flags);
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(canvas.draw(icon));
    EXPECT_EQ(canvas.at(c.side / 2, c.side / 2), ref(c.colour));
    EXPECT_EQ(canvas.at(c.side - 1, 1), ref(c.colour));
    EXPECT_EQ(canvas.at(c.side + 1, 1), kWhite);
    EXPECT_EQ(canvas.at(1, c.side + 1), kWhite);
    DestroyIcon(icon);
  }
  // Drawing at another size stretches the picture.
  HICON icon = load(dir, "sizes.ico", file, 16, 16);
  ASSERT_TRUE(canvas.draw(icon, 40, 30));
  EXPECT_EQ(canvas.at(38, 28), ref(kRed));
  EXPECT_EQ(canvas.at(41, 10), kWhite);
  DestroyIcon(icon);
}

TEST(Icons, DamagedFilesAnswerNull) {
  std::string dir = test_dir();
  Bytes good = ico({{16, 16, 8, bmp_entry(16, 16, 8, halves(kGreen))}});
  Bytes good_png = ico({{16, 16, 32, png(16, 16, halves(kGreen))}});
  for (const Bytes* file : {&good, &good_png}) {
    HICON icon = load(dir, "good.ico", *file);
    ASSERT_NE(icon, nullptr) << "the damaged cases below start from a sound file";
    DestroyIcon(icon);
  }
  constexpr size_t kHeader = 6 + 16;  // one directory entry; the image starts here

  // Each case, and whether Win32 refuses it too: Wine loads what it can of a file whose type, sizes,
  // bit count or palette are wrong, where the stand-in answers null.
  struct Damaged {
    std::string what;
    Bytes bytes;
    bool everywhere = true;
  };
  std::vector<Damaged> damaged;
  damaged.push_back({"empty", {}});
  damaged.push_back({"three bytes", Bytes(good.begin(), good.begin() + 3)});
  damaged.push_back({"directory cut", Bytes(good.begin(), good.begin() + 14)});
  damaged.push_back({"pixels cut", Bytes(good.begin(), good.end() - 40)});
  Bytes b = good;
  b[2] = 7;  // neither icon nor cursor
  damaged.push_back({"wrong type", b, false});
  b = good;
  b[4] = 0;  // no entries
  damaged.push_back({"no entries", b});
  b = good;
  b[4] = 200;  // far more entries than the directory holds
  damaged.push_back({"too many entries", b});
  b = good;
  set32(&b, 18, 0x7FFFFFF0);
  damaged.push_back({"offset past the end", b});
  b = good;
  set32(&b, 14, 0xFFFFFFF0);
  damaged.push_back({"size past the end", b, false});
  b = good;
  set32(&b, 14, static_cast<uint32_t>(good.size() - kHeader - 40));
  b.resize(good.size() - 40);
  damaged.push_back({"pixels cut, size agreeing", b, false});
  b = good;
  set32(&b, kHeader + 4, 0x7FFFFFFF);
  set32(&b, kHeader + 8, 0x7FFFFFFE);
  damaged.push_back({"huge bitmap", b, false});
  b = good;
  set32(&b, kHeader + 4, static_cast<uint32_t>(-16));
  damaged.push_back({"negative width", b});
  b = good;
  b[kHeader + 14] = 7;
  damaged.push_back({"seven bits a pixel", b, false});
  b = good;
  set32(&b, kHeader + 32, 0xFFFFFFFF);
  damaged.push_back({"endless palette", b, false});
  b = good;
  b[kHeader] = 0xEE;  // no header size Win32 knows
  damaged.push_back({"bad header size", b});
  b = good_png;
  std::fill(b.begin() + kHeader + 8, b.end(), 0x5A);
  damaged.push_back({"png garbage", b});
  b = good_png;
  b.resize(kHeader + (good_png.size() - kHeader) / 2);
  set32(&b, 14, static_cast<uint32_t>(b.size() - kHeader));
  damaged.push_back({"png cut", b});
  b = good_png;
  for (size_t at : {kHeader + 16, kHeader + 20}) {  // the header chunk's width and height
    b[at] = 0x7F, b[at + 1] = 0xFF, b[at + 2] = 0xFF, b[at + 3] = 0xFF;
  }
  damaged.push_back({"huge png", b});

  for (const Damaged& d : damaged) {
#ifdef _WIN32
    if (!d.everywhere) continue;
#endif
    for (int side : {0, 32}) {
      HICON icon = load(dir, "damaged.ico", d.bytes, side, side);
      EXPECT_EQ(icon, nullptr) << d.what << " at " << side;
      if (icon) DestroyIcon(icon);
    }
  }

  SetLastError(0);
  Name missing(dir + "missing.ico");
  EXPECT_EQ(LoadImageW(nullptr, missing, IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Icons, StandardIconsAreSharedAndDestroyedIconsGone) {
  Canvas canvas;
  HICON app = LoadIconW(nullptr, IDI_APPLICATION);
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(LoadIconW(nullptr, IDI_APPLICATION), app) << "one shared icon";
  for (LPCWSTR id : {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK}) {
    HICON icon = LoadIconW(nullptr, id);
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(icon, app);
    ASSERT_TRUE(canvas.draw(icon));
    int painted = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) painted += canvas.at(x, y) != kWhite;
    EXPECT_GT(painted, 100) << "a picture at the standard size";
  }
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(12345)), nullptr);

  std::string dir = test_dir();
  HICON icon = load(dir, "gone.ico", ico({{16, 16, 24, bmp_entry(16, 16, 24, solid(kRed))}}));
  ASSERT_NE(icon, nullptr);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon)) << "a destroyed icon is no icon";
  EXPECT_FALSE(canvas.draw(icon));
  EXPECT_EQ(canvas.at(5, 5), kWhite);
}

#ifndef _WIN32
TEST(IconsLinux, TheDecoderNeverReadsOutsideDamagedBytes) {
  // Every prefix and many corruptions of a file with a BMP and a PNG entry: each either decodes or
  // answers null; the sanitizer reports any read outside the exact-size copy.
  Bytes file = ico({{13, 11, 4, bmp_entry(13, 11, 4, halves(kGreen))}, {9, 7, 32, png(9, 7, halves(kGreen))}});
  for (size_t n = 0; n < file.size(); ++n) {
    Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
    for (int side : {0, 13, 9}) {
      cairo_surface_t* s = icon::decode_ico(cut.data(), cut.size(), side, side);
      if (s) cairo_surface_destroy(s);
    }
  }
  uint32_t seed = 12345;
  int decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes bad = file;
    for (int k = 0; k < 3; ++k) {
      seed = seed * 1103515245u + 12345u;
      bad[(seed >> 8) % bad.size()] = static_cast<uint8_t>(seed >> 24);
    }
    cairo_surface_t* s = icon::decode_ico(bad.data(), bad.size(), (round % 2) ? 9 : 13, (round % 2) ? 7 : 11);
    if (s) {
      ++decoded;
      cairo_surface_destroy(s);
    }
  }
  EXPECT_GT(decoded, 0) << "corrupted pixels still make a picture";
  cairo_surface_t* whole = icon::decode_ico(file.data(), file.size(), 0, 0);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(cairo_image_surface_get_width(whole), 13);
  cairo_surface_destroy(whole);
}

TEST(IconsLinux, ProgramIconResourcesAndSharedIconsOutliveDestroyIcon) {
  HINSTANCE self = GetModuleHandleW(nullptr);
  SetLastError(0);
  EXPECT_EQ(LoadIconW(self, MAKEINTRESOURCEW(77)), nullptr) << "nothing registered yet";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));

  Bytes file = ico({{16, 16, 32, bmp_entry(16, 16, 32, solid(kRed))},  //
                    {32, 32, 32, bmp_entry(32, 32, 32, solid(kGreen))}});
  Bytes broken(file.begin(), file.begin() + 30);
  EXPECT_FALSE(stand_in_set_icon_resource(77, broken.data(), broken.size()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_FALSE(stand_in_set_icon_resource(0, file.data(), file.size()));
  ASSERT_TRUE(stand_in_set_icon_resource(77, file.data(), file.size()));

  Canvas canvas;
  HICON icon = LoadIconW(self, MAKEINTRESOURCEW(77));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(self, MAKEINTRESOURCEW(77)), icon);
  ASSERT_TRUE(canvas.draw(icon));
  EXPECT_EQ(canvas.at(31, 31), ref(kGreen)) << "LoadIconW takes the system's icon size";
  HICON small = static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(77), IMAGE_ICON, 16, 16, 0));
  ASSERT_TRUE(canvas.draw(small));
  EXPECT_EQ(canvas.at(15, 15), ref(kRed));
  EXPECT_EQ(canvas.at(16, 16), kWhite);
  EXPECT_TRUE(DestroyIcon(small));

  // Shared icons stay: DestroyIcon leaves them drawable.
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_TRUE(canvas.draw(icon));
  HICON app = LoadIconW(nullptr, IDI_APPLICATION);
  EXPECT_TRUE(DestroyIcon(app));
  EXPECT_TRUE(canvas.draw(app));
  EXPECT_NE(icon::image(app), nullptr);

  // Replacing the resource changes later loads only.
  Bytes other = ico({{32, 32, 24, bmp_entry(32, 32, 24, solid(kRed))}});
  ASSERT_TRUE(stand_in_set_icon_resource(77, other.data(), other.size()));
  HICON replaced = LoadIconW(self, MAKEINTRESOURCEW(77));
  ASSERT_NE(replaced, icon);
  ASSERT_TRUE(canvas.draw(replaced));
  EXPECT_EQ(canvas.at(31, 31), ref(kRed));
  ASSERT_TRUE(canvas.draw(icon));
  EXPECT_EQ(canvas.at(31, 31), ref(kGreen));
}
#endif
