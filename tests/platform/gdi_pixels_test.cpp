// Pixel probes of the stand-in's drawing on window images (device contexts
// made over a surface as the window manager makes them), its font
// substitution and dots per inch, and the headless display backend.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/test_text.h"
#include "platform/win32.h"
#include "platform/win32/display/headless_backend.h"
#include "platform/win32/gdi/window_dc.h"

namespace {

// A window image as the window manager keeps one: ARGB32, opaque white to begin with.
struct Image {
  cairo_surface_t* surface;
  Image(int width, int height) : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)) {
    gdi::fill_surface(surface, RECT{0, 0, width, height}, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Image() { cairo_surface_destroy(surface); }
  uint32_t at(int x, int y) const {
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const uint32_t*>(row)[x];
  }
  COLORREF color(int x, int y) const {
    uint32_t p = at(x, y);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Counts the pixels of a surface rectangle that have (or, with equal = false, lack) a colour.
  int count(const RECT& r, COLORREF c, bool equal = true) const {
    int n = 0;
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x) n += (color(x, y) == c) == equal;
    return n;
  }
};

constexpr COLORREF kWhite = RGB(255, 255, 255);

struct DpiScope {
  explicit DpiScope(int dpi) { display::headless::set_dpi(dpi); }
  ~DpiScope() { display::headless::set_dpi(96); }
};

}  // namespace

TEST(GdiPixels, WindowContextsDrawAtTheirOriginWithinTheirClip) {
  Image image(100, 80);
  // A child window at (20, 10) of which only x < 50 is visible.
  HDC dc = gdi::dc_for_surface(image.surface, POINT{20, 10}, RECT{20, 10, 50, 60}, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(gdi::dc_window(dc), nullptr);
  HBRUSH red = CreateSolidBrush(RGB(220, 0, 0));
  RECT r{0, 0, 100, 20};
  FillRect(dc, &r, red);
  EXPECT_EQ(image.color(20, 10), RGB(220, 0, 0)) << "logical (0, 0) is the origin";
  EXPECT_EQ(image.color(49, 29), RGB(220, 0, 0));
  EXPECT_EQ(image.color(50, 15), kWhite) << "clipped at the visible part";
  EXPECT_EQ(image.color(19, 15), kWhite);
  EXPECT_EQ(image.color(25, 30), kWhite);
  EXPECT_EQ(image.at(30, 15) >> 24, 0xFFu) << "opaque pixels";
  RECT box{};
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 30);
  EXPECT_EQ(box.bottom, 50);
  // The context's own clip narrows further, never widens.
  IntersectClipRect(dc, -50, -50, 200, 5);
  r = RECT{0, 0, 100, 100};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(image.color(30, 14), RGB(0, 0, 0));
  EXPECT_EQ(image.color(30, 15), RGB(220, 0, 0));
  EXPECT_EQ(image.color(60, 12), kWhite);
  gdi::dc_release(dc);
  DeleteObject(red);

  // Erasing a background with a class brush, a system colour index + 1 included.
  gdi::fill_surface(image.surface, RECT{60, 40, 70, 50}, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  EXPECT_EQ(image.color(60, 40), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(image.color(69, 49), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(image.color(70, 50), kWhite);
  HBRUSH panel = CreateSolidBrush(RGB(59, 25, 34));
  gdi::fill_surface(image.surface, RECT{-10, 70, 500, 500}, panel);
  EXPECT_EQ(image.color(0, 79), RGB(59, 25, 34)) << "a rectangle past the image is cut to it";
  gdi::fill_surface(image.surface, RECT{0, 0, 5, 5}, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
  EXPECT_EQ(image.color(0, 0), kWhite);

  // Win32 faults on null rectangles and out-pointers; the stand-in refuses them, and a null or foreign brush.
  dc = gdi::dc_for_surface(image.surface, POINT{0, 0}, RECT{0, 0, 100, 80}, nullptr);
  RECT all{0, 0, 100, 80};
  EXPECT_EQ(FillRect(dc, nullptr, panel), 0);
  EXPECT_EQ(FrameRect(dc, nullptr, panel), 0);
  EXPECT_FALSE(DrawEdge(dc, nullptr, EDGE_SUNKEN, BF_RECT));
  EXPECT_FALSE(DrawFocusRect(dc, nullptr));
  EXPECT_EQ(FillRect(dc, &all, nullptr), 0);
  EXPECT_EQ(FillRect(dc, &all, reinterpret_cast<HBRUSH>(&all)), 0) << "not a brush";
  EXPECT_NE(FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 0);
  EXPECT_EQ(image.color(0, 0), kWhite);
  SIZE size{};
  EXPECT_FALSE(GetTextExtentPoint32W(dc, nullptr, 3, &size));
  EXPECT_FALSE(GetTextExtentPoint32W(dc, TEXT("abc"), 3, nullptr));
  EXPECT_FALSE(GetTextExtentPoint32W(dc, TEXT("abc"), -1, &size));
  EXPECT_FALSE(GetTextMetricsW(dc, nullptr));
  EXPECT_EQ(DrawTextW(dc, nullptr, 3, &all, 0), 0);
  EXPECT_EQ(DrawTextW(dc, TEXT("x"), -1, nullptr, 0), 0);
  EXPECT_FALSE(ExtTextOutW(dc, 0, 0, 0, nullptr, nullptr, 3, nullptr));
  gdi::dc_release(dc);
  EXPECT_EQ(FillRect(dc, &all, panel), 0) << "a released context is gone";
  DeleteObject(panel);
}

TEST(GdiPixels, TextIsDrawnInTheTextColourInsideItsBox) {
  Image image(240, 60);
  HDC dc = gdi::dc_for_surface(image.surface, POINT{0, 0}, RECT{0, 0, 240, 60}, nullptr);
  HFONT font = CreateFontW(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TEXT("Candara"));
  SelectObject(dc, font);
  SetTextColor(dc, RGB(200, 0, 0));
  SetBkColor(dc, RGB(236, 210, 194));
  SetBkMode(dc, OPAQUE);
  RECT r{10, 10, 230, 50};
  RECT measured = r;
  DrawTextW(dc, TEXT("Welcome !"), -1, &measured, DT_CALCRECT | DT_SINGLELINE);
  DrawTextW(dc, TEXT("Welcome !"), -1, &r, DT_SINGLELINE | DT_LEFT | DT_TOP);
  RECT text{measured.left, measured.top, measured.right, measured.bottom};
  EXPECT_GT(image.count(text, RGB(200, 0, 0)), 60) << "solid strokes in the text colour";
  EXPECT_GT(image.count(text, RGB(236, 210, 194)), 60) << "the background between the strokes";
  // Outside the text's own box nothing was painted: the opaque background covers only the text.
  EXPECT_EQ(image.count(RECT{measured.right + 1, 10, 230, 50}, kWhite, false), 0);
  EXPECT_EQ(image.count(RECT{0, 0, 240, 10}, kWhite, false), 0);
  EXPECT_EQ(image.count(RECT{10, measured.bottom, 230, 60}, kWhite, false), 0);

  // Transparent: only the glyphs change pixels.
  Image clear(240, 60);
  HDC dc2 = gdi::dc_for_surface(clear.surface, POINT{0, 0}, RECT{0, 0, 240, 60}, nullptr);
  SelectObject(dc2, font);
  SetTextColor(dc2, RGB(0, 0, 160));
  SetBkMode(dc2, TRANSPARENT);
  TextOutW(dc2, 10, 10, TEXT("Webrolo"), 7);
  SIZE size{};
  GetTextExtentPoint32W(dc2, TEXT("Webrolo"), 7, &size);
  RECT box{10, 10, 10 + size.cx, 10 + size.cy};
  EXPECT_GT(clear.count(box, RGB(0, 0, 160)), 40);
  EXPECT_GT(clear.count(box, kWhite), size.cx * size.cy / 3) << "most of the box stays background";
  gdi::dc_release(dc2);

  // Centred text sits in the middle of its rectangle.
  Image centred(240, 60);
  HDC dc3 = gdi::dc_for_surface(centred.surface, POINT{0, 0}, RECT{0, 0, 240, 60}, nullptr);
  SelectObject(dc3, font);
  SetBkMode(dc3, TRANSPARENT);
  RECT whole{0, 0, 240, 60};
  DrawTextW(dc3, TEXT("Exit"), -1, &whole, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  int left = centred.count(RECT{0, 0, 120, 60}, kWhite, false),
      right = centred.count(RECT{120, 0, 240, 60}, kWhite, false);
  EXPECT_GT(left, 20);
  EXPECT_GT(right, 20);
  EXPECT_EQ(centred.count(RECT{0, 0, 80, 60}, kWhite, false), 0);
  EXPECT_EQ(centred.count(RECT{160, 0, 240, 60}, kWhite, false), 0);
  EXPECT_EQ(centred.count(RECT{0, 0, 240, 12}, kWhite, false), 0);
  gdi::dc_release(dc3);

  gdi::dc_release(dc);
  DeleteObject(font);
}

TEST(GdiPixels, TextStaysInsideTheClipAndTheRectangle) {
  Image image(200, 60);
  HFONT font = CreateFontW(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TEXT("Tahoma"));
  // A window whose visible part ends at x = 60.
  HDC dc = gdi::dc_for_surface(image.surface, POINT{0, 0}, RECT{0, 0, 60, 60}, nullptr);
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  TextOutW(dc, 5, 5, TEXT("MMMMMMMM"), 8);
  EXPECT_GT(image.count(RECT{0, 0, 60, 60}, kWhite, false), 50);
  EXPECT_EQ(image.count(RECT{60, 0, 200, 60}, kWhite, false), 0);
  gdi::dc_release(dc);

  // DrawTextW clips to its rectangle unless DT_NOCLIP.
  Image second(200, 60);
  dc = gdi::dc_for_surface(second.surface, POINT{0, 0}, RECT{0, 0, 200, 60}, nullptr);
  SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  RECT r{5, 5, 50, 55};
  DrawTextW(dc, TEXT("MMMMMMMM"), -1, &r, DT_SINGLELINE);
  EXPECT_EQ(second.count(RECT{50, 0, 200, 60}, kWhite, false), 0);
  DrawTextW(dc, TEXT("MMMMMMMM"), -1, &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(second.count(RECT{50, 0, 200, 60}, kWhite, false), 50);

  // ETO_CLIPPED keeps ExtTextOutW inside its rectangle.
  Image third(200, 60);
  HDC dc3 = gdi::dc_for_surface(third.surface, POINT{0, 0}, RECT{0, 0, 200, 60}, nullptr);
  SelectObject(dc3, font);
  SetBkMode(dc3, TRANSPARENT);
  RECT cut{0, 0, 40, 60};
  ExtTextOutW(dc3, 5, 5, ETO_CLIPPED, &cut, TEXT("MMMMMMMM"), 8, nullptr);
  EXPECT_GT(third.count(cut, kWhite, false), 20);
  EXPECT_EQ(third.count(RECT{40, 0, 200, 60}, kWhite, false), 0);
  gdi::dc_release(dc3);
  gdi::dc_release(dc);
  DeleteObject(font);
}

TEST(GdiPixels, MissingFaceResolvesToAnInstalledSubstitute) {
  HDC dc = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
  HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0,
                           TEXT("Candara"));
  ASSERT_NE(font, nullptr) << "a missing face still gives a font";
  SelectObject(dc, font);
  WCHAR face[LF_FACESIZE] = {};
  ASSERT_GT(GetTextFaceW(dc, LF_FACESIZE, face), 1);
  EXPECT_NE(u8(face), "Candara") << "this system has no such face";
  EXPECT_NE(u8(face), "");
  // The substitute is a real face of this system (not a generic name).
  std::string command = "fc-list : family | grep -qi -- '" + u8(face) + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << u8(face);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(dc, &tm));
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 13);
  EXPECT_GE(tm.tmHeight, 13);
  EXPECT_LE(tm.tmHeight, 20);
  EXPECT_GE(tm.tmAveCharWidth, 4);
  EXPECT_LE(tm.tmAveCharWidth, 10);
  SIZE size{};
  GetTextExtentPoint32W(dc, TEXT("Open Webrolo Txt"), 16, &size);
  EXPECT_GT(size.cx, 60);
  EXPECT_LT(size.cx, 125) << "the label fits its 125-pixel button";
  // Known faces keep their names; logical names resolve too.
  HFONT mono = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TEXT("DejaVu Sans Mono"));
  SelectObject(dc, mono);
  GetTextFaceW(dc, LF_FACESIZE, face);
  EXPECT_EQ(u8(face), "DejaVu Sans Mono");
  ASSERT_TRUE(GetTextMetricsW(dc, &tm));
  EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH) << "fixed pitch: the bit is clear";
  SIZE narrow{}, wide{};
  GetTextExtentPoint32W(dc, TEXT("iiii"), 4, &narrow);
  GetTextExtentPoint32W(dc, TEXT("WWWW"), 4, &wide);
  EXPECT_EQ(narrow.cx, wide.cx);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_GT(GetTextFaceW(dc, LF_FACESIZE, face), 1);
  EXPECT_NE(u8(face), "MS Shell Dlg");
  DeleteDC(dc);
  DeleteObject(font);
  DeleteObject(mono);
}

TEST(GdiPixels, DotsPerInchScaleFontsAndTheDeviceCaps) {
  HDC dc = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1920);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 1080);
  LOGFONTW gui96{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui96, &gui96);
  EXPECT_EQ(gui96.lfHeight, -11);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE small{};
  GetTextExtentPoint32W(dc, TEXT("Status --->"), 11, &small);
  {
    DpiScope scope(120);
    display::headless::set_screen_size(1280, 1024);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 120);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 120);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1280);
    int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    EXPECT_EQ(height, -17);
    HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TEXT("Candara"));
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 17);
    SelectObject(dc, old);
    DeleteObject(font);
    // The GUI font follows the display.
    LOGFONTW gui120{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui120, &gui120);
    EXPECT_EQ(gui120.lfHeight, -13);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE large{};
    GetTextExtentPoint32W(dc, TEXT("Status --->"), 11, &large);
    EXPECT_GT(large.cx, small.cx);
    EXPECT_GT(large.cy, small.cy);
    display::headless::set_screen_size(1920, 1080);
  }
  GetStockObject(DEFAULT_GUI_FONT);
  SIZE again{};
  GetTextExtentPoint32W(dc, TEXT("Status --->"), 11, &again);
  EXPECT_EQ(again.cx, small.cx) << "back at 96 the measures are those of before";
  DeleteDC(dc);
}

TEST(GdiPixels, HeadlessSurfacesPresentPixelsAndSaveThem) {
  display::Backend& backend = display::current();
  ASSERT_TRUE(display::headless::active());
  display::Surface* back = backend.create_surface(10, 10, 60, 40, false);
  display::Surface* front = backend.create_surface(30, 20, 60, 40, false);
  display::Surface* pinned = backend.create_surface(500, 500, 10, 10, true);
  display::Surface* late = backend.create_surface(0, 0, 10, 10, false);
  auto order = display::headless::surfaces();
  ASSERT_GE(order.size(), 4u);
  EXPECT_EQ(order[0], pinned) << "topmost surfaces stay above newer ones";
  EXPECT_EQ(order[1], late);
  EXPECT_EQ(display::headless::surface_at(40, 30), nullptr) << "hidden surfaces are not hit";
  backend.set_show_state(back, display::ShowState::Normal, false);
  backend.set_show_state(front, display::ShowState::Normal, false);
  EXPECT_EQ(display::headless::surface_at(40, 30), front);
  EXPECT_EQ(display::headless::surface_at(15, 15), back);
  backend.raise(back);
  EXPECT_EQ(display::headless::surface_at(40, 30), back);
  backend.set_show_state(back, display::ShowState::Minimized, false);
  EXPECT_EQ(display::headless::surface_at(40, 30), front);
  backend.set_title(front, TEXT("Webrolo 1.0"));
  EXPECT_EQ(u8(display::headless::info(front).title.c_str()), "Webrolo 1.0");

  Image image(60, 40);
  HDC dc = gdi::dc_for_surface(image.surface, POINT{0, 0}, RECT{0, 0, 60, 40}, nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(42, 18, 25));
  RECT r{0, 0, 30, 40};
  FillRect(dc, &r, brush);
  gdi::dc_release(dc);
  cairo_surface_flush(image.surface);
  const auto* pixels = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(image.surface));
  int stride = cairo_image_surface_get_stride(image.surface);
  backend.present(front, pixels, 60, 40, stride, RECT{0, 0, 60, 40});
  EXPECT_EQ(display::headless::color_at(front, 5, 5), RGB(42, 18, 25));
  EXPECT_EQ(display::headless::color_at(front, 45, 5), kWhite);
  EXPECT_EQ(display::headless::pixel(front, 45, 5), 0xFFFFFFFFu);
  EXPECT_EQ(display::headless::color_at(front, 60, 5), CLR_INVALID);
  // A later present of a part changes only that part.
  gdi::fill_surface(image.surface, RECT{0, 0, 60, 40}, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  backend.present(front, pixels, 60, 40, stride, RECT{50, 30, 60, 40});
  EXPECT_EQ(display::headless::color_at(front, 5, 5), RGB(42, 18, 25));
  EXPECT_EQ(display::headless::color_at(front, 55, 35), RGB(0, 0, 0));
  EXPECT_EQ(display::headless::info(front).presents, 2);

  std::string path = test_dir() + "front.png";
  ASSERT_TRUE(display::headless::save_png(front, path.c_str()));
  cairo_surface_t* read = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(read), 60);
  const auto* back_pixels = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(read));
  EXPECT_EQ(back_pixels[5 * cairo_image_surface_get_stride(read) / 4 + 5] & 0xFFFFFF, 0x2A1219u);
  cairo_surface_destroy(read);
  EXPECT_FALSE(display::headless::save_png(back, path.c_str())) << "nothing presented yet";
  EXPECT_FALSE(display::headless::save_png(front, (test_dir() + "no/such/folder/x.png").c_str()));

  DeleteObject(brush);
  for (display::Surface* s : {back, front, pinned, late}) backend.destroy_surface(s);
}

TEST(GdiPixels, HeadlessClockMovesOnlyWhenWaitingOrTold) {
  display::Backend& backend = display::current();
  display::headless::clear_events();
  uint64_t start = backend.now();
  EXPECT_EQ(backend.now(), start) << "no real time passes";
  EXPECT_FALSE(backend.wait(250)) << "nothing queued: the wait times out";
  EXPECT_EQ(backend.now(), start + 250) << "and the clock jumps by the timeout";
  display::headless::advance(1000);
  EXPECT_EQ(backend.now(), start + 1250);

  display::InputEvent click;
  click.kind = display::InputEvent::Kind::MouseDown;
  click.x = 40;
  click.y = 30;
  click.button = 1;
  display::headless::inject(click);
  display::InputEvent key;
  key.kind = display::InputEvent::Kind::KeyDown;
  key.key = 0x41;
  key.text[0] = u'a';
  display::headless::inject(key);
  EXPECT_EQ(display::headless::pending(), 2u);
  EXPECT_TRUE(backend.wait(5000)) << "an event is ready";
  EXPECT_EQ(backend.now(), start + 1250) << "so no time passes";
  display::InputEvent got;
  ASSERT_TRUE(backend.next_event(&got));
  EXPECT_EQ(got.kind, display::InputEvent::Kind::MouseDown);
  EXPECT_EQ(got.x, 40);
  ASSERT_TRUE(backend.next_event(&got));
  EXPECT_EQ(got.kind, display::InputEvent::Kind::KeyDown);
  EXPECT_EQ(got.text[0], u'a');
  EXPECT_FALSE(backend.next_event(&got));

  // A wait without timeout and nothing scripted gives up instead of hanging; a wake ends it.
  display::headless::set_stall_wait(10);
  EXPECT_FALSE(backend.wait(INFINITE));
  backend.wake();
  EXPECT_TRUE(backend.wait(INFINITE));
  EXPECT_FALSE(backend.wait(0));
  EXPECT_EQ(backend.now(), start + 1250);
  display::headless::set_stall_wait(200);
}
#endif
