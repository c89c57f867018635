// Conformance of GDI: objects and their deletion rules, device contexts,
// drawing into a memory bitmap, fonts and text measuring. Win32 calls only,
// so the same tests run against the real system under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "common/test_text.h"
#include "platform/win32.h"

namespace {

// A 32-bit memory bitmap to draw on and read back, compatible with the display.
struct Canvas {
  HDC screen = nullptr;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old_bitmap = nullptr;
  Canvas(int width, int height, COLORREF background = RGB(255, 255, 255)) {
    screen = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    old_bitmap = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteDC(screen);
  }
  void fill(int left, int top, int right, int bottom, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT r{left, top, right, bottom};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
};

HFONT font(int height, const WCHAR* face, int weight = FW_NORMAL, DWORD italic = 0) {
  return CreateFontW(height, 0, 0, 0, weight, italic, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

LONG extent(HDC dc, const WCHAR* text) {
  SIZE size{-1, -1};
  int n = 0;
  while (text[n]) ++n;
  EXPECT_TRUE(GetTextExtentPoint32W(dc, text, n, &size));
  return size.cx;
}

}  // namespace

TEST(Gdi, StockObjectsHaveTheirKindsAndSurviveDeletion) {
  struct {
    int id;
    DWORD type;
  } stock[] = {
      {WHITE_BRUSH, OBJ_BRUSH}, {LTGRAY_BRUSH, OBJ_BRUSH}, {GRAY_BRUSH, OBJ_BRUSH},      {DKGRAY_BRUSH, OBJ_BRUSH},
      {BLACK_BRUSH, OBJ_BRUSH}, {NULL_BRUSH, OBJ_BRUSH},   {WHITE_PEN, OBJ_PEN},         {BLACK_PEN, OBJ_PEN},
      {NULL_PEN, OBJ_PEN},      {SYSTEM_FONT, OBJ_FONT},   {DEFAULT_GUI_FONT, OBJ_FONT}, {DC_BRUSH, OBJ_BRUSH},
  };
  for (auto& s : stock) {
    HGDIOBJ object = GetStockObject(s.id);
    ASSERT_NE(object, nullptr) << s.id;
    EXPECT_EQ(GetObjectType(object), s.type) << s.id;
    EXPECT_EQ(GetStockObject(s.id), object) << "one object per stock id";
    // Deleting a stock object is harmless: it stays usable.
    EXPECT_TRUE(DeleteObject(object)) << s.id;
    EXPECT_EQ(GetObjectType(object), s.type) << s.id;
  }
  LOGBRUSH lb{};
  ASSERT_EQ(GetObjectW(GetStockObject(BLACK_BRUSH), sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_EQ(lb.lbColor, RGB(0, 0, 0));
  ASSERT_EQ(GetObjectW(GetStockObject(NULL_BRUSH), sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_NULL));
  LOGPEN lp{};
  ASSERT_EQ(GetObjectW(GetStockObject(WHITE_PEN), sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnColor, RGB(255, 255, 255));

  LOGFONTW gui{};
  ASSERT_EQ(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui), static_cast<int>(sizeof gui));
  EXPECT_LT(gui.lfHeight, 0) << "the GUI font asks for a character height";
  EXPECT_NE(gui.lfFaceName[0], 0);
  EXPECT_EQ(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), 0, nullptr), static_cast<int>(sizeof(LOGFONTW)));

  EXPECT_EQ(GetStockObject(9), nullptr) << "no stock object has that number";
  EXPECT_EQ(GetStockObject(-1), nullptr);
  EXPECT_EQ(GetStockObject(1000), nullptr);
}

TEST(Gdi, BrushesAreDeletedOnceAndThenInvalid) {
  HBRUSH brush = CreateSolidBrush(RGB(42, 18, 25));
  ASSERT_NE(brush, nullptr);
  EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
  LOGBRUSH lb{};
  ASSERT_EQ(GetObjectW(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbColor, RGB(42, 18, 25));
  EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(GetObjectType(brush), 0u) << "a deleted brush is no object any more";
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_EQ(GetObjectW(nullptr, sizeof lb, &lb), 0);

  // Many brushes of one colour are distinct objects.
  HBRUSH a = CreateSolidBrush(RGB(1, 2, 3)), b = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_NE(a, b);
  EXPECT_TRUE(DeleteObject(a));
  EXPECT_EQ(GetObjectType(b), static_cast<DWORD>(OBJ_BRUSH)) << "deleting one leaves the other";
  EXPECT_TRUE(DeleteObject(b));
}

TEST(Gdi, SystemColourBrushesPaintTheSystemColours) {
  int indexes[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_HIGHLIGHT, COLOR_3DDKSHADOW};
  for (int index : indexes) {
    HBRUSH brush = GetSysColorBrush(index);
    ASSERT_NE(brush, nullptr) << index;
    EXPECT_EQ(GetSysColorBrush(index), brush) << "one shared brush per colour";
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectW(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, GetSysColor(index)) << index;
  }
  EXPECT_NE(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)) << "text must show on a window";
  EXPECT_NE(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW));

  // A brush may also be given as a system colour index + 1.
  Canvas canvas(8, 8);
  RECT r{0, 0, 4, 4};
  EXPECT_NE(FillRect(canvas.dc, &r, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_HIGHLIGHT + 1))), 0);
  EXPECT_EQ(GetPixel(canvas.dc, 1, 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_NE(FillRect(canvas.dc, &r, GetSysColorBrush(COLOR_BTNSHADOW)), 0);
  EXPECT_EQ(GetPixel(canvas.dc, 3, 3), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(canvas.dc, 4, 4), RGB(255, 255, 255));
}

TEST(Gdi, SelectObjectAnswersThePreviousObject) {
  Canvas canvas(4, 4);
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));

  HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 1, 1));
  HFONT f = font(-13, TEXT("Tahoma"));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(dc, f), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), f);
  EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), brush);
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);
  EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), f);
  EXPECT_EQ(SelectObject(dc, nullptr), nullptr);
  EXPECT_EQ(SelectObject(nullptr, brush), nullptr);

  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(f));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(GetObjectType(dc), 0u);
  EXPECT_FALSE(DeleteDC(dc));
}

TEST(Gdi, DisplayContextReportsTheScreen) {
  HDC dc = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_DC));
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  EXPECT_GE(dpi, 72);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), dpi);
  EXPECT_GT(GetDeviceCaps(dc, HORZRES), 0);
  EXPECT_GT(GetDeviceCaps(dc, VERTRES), 0);
  EXPECT_GE(GetDeviceCaps(dc, BITSPIXEL), 24);
  // A memory context is compatible with the display and answers the same.
  HDC memory = CreateCompatibleDC(dc);
  EXPECT_EQ(GetDeviceCaps(memory, LOGPIXELSY), dpi);
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 0) << "a deleted context answers nothing";
  EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 0);
}

TEST(Gdi, FillsFramesAndClipsOnABitmap) {
  Canvas canvas(40, 30);
  canvas.fill(5, 5, 15, 10, RGB(200, 10, 20));
  EXPECT_EQ(GetPixel(canvas.dc, 5, 5), RGB(200, 10, 20));
  EXPECT_EQ(GetPixel(canvas.dc, 14, 9), RGB(200, 10, 20));
  EXPECT_EQ(GetPixel(canvas.dc, 15, 9), RGB(255, 255, 255)) << "right edge is exclusive";
  EXPECT_EQ(GetPixel(canvas.dc, 14, 10), RGB(255, 255, 255)) << "bottom edge is exclusive";
  EXPECT_EQ(GetPixel(canvas.dc, 100, 100), CLR_INVALID);

  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT frame{20, 5, 30, 15};
  EXPECT_NE(FrameRect(canvas.dc, &frame, blue), 0);
  EXPECT_EQ(GetPixel(canvas.dc, 20, 5), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(canvas.dc, 29, 14), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(canvas.dc, 25, 10), RGB(255, 255, 255)) << "a frame leaves the inside alone";

  // The viewport moves logical coordinates; the clip rectangle limits every fill.
  SetViewportOrgEx(canvas.dc, 10, 10, nullptr);
  EXPECT_EQ(IntersectClipRect(canvas.dc, 0, 0, 5, 5), SIMPLEREGION);
  RECT box{};
  EXPECT_EQ(GetClipBox(canvas.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 5);
  RECT big{-10, -10, 30, 30};
  FillRect(canvas.dc, &big, blue);
  EXPECT_EQ(GetPixel(canvas.dc, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(canvas.dc, 4, 4), RGB(0, 0, 255));
  SelectClipRgn(canvas.dc, nullptr);
  SetViewportOrgEx(canvas.dc, 0, 0, nullptr);
  EXPECT_EQ(GetPixel(canvas.dc, 15, 15), RGB(255, 255, 255)) << "outside the clip nothing changed";
  EXPECT_EQ(GetPixel(canvas.dc, 9, 12), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(canvas.dc, 14, 14), RGB(0, 0, 255));

  // SaveDC and RestoreDC bring back the clip and the colours.
  int saved = SaveDC(canvas.dc);
  EXPECT_GT(saved, 0);
  IntersectClipRect(canvas.dc, 0, 0, 1, 1);
  SetTextColor(canvas.dc, RGB(1, 2, 3));
  EXPECT_TRUE(RestoreDC(canvas.dc, -1));
  EXPECT_NE(GetTextColor(canvas.dc), RGB(1, 2, 3));
  EXPECT_EQ(GetClipBox(canvas.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right - box.left, 40);
  EXPECT_FALSE(RestoreDC(canvas.dc, 5)) << "no such saved state";
  DeleteObject(blue);
}

TEST(Gdi, EdgesFocusFramesAndRectangles) {
  Canvas canvas(40, 40, RGB(255, 0, 255));
  RECT edge{0, 0, 20, 20};
  EXPECT_TRUE(DrawEdge(canvas.dc, &edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE));
  EXPECT_EQ(GetPixel(canvas.dc, 0, 5), GetSysColor(COLOR_BTNSHADOW)) << "outer top-left of a sunken edge";
  EXPECT_EQ(GetPixel(canvas.dc, 1, 5), GetSysColor(COLOR_3DDKSHADOW)) << "inner top-left";
  EXPECT_EQ(GetPixel(canvas.dc, 19, 5), GetSysColor(COLOR_BTNHIGHLIGHT)) << "outer bottom-right";
  EXPECT_EQ(GetPixel(canvas.dc, 18, 5), GetSysColor(COLOR_3DLIGHT)) << "inner bottom-right";
  EXPECT_EQ(GetPixel(canvas.dc, 10, 10), GetSysColor(COLOR_BTNFACE)) << "the middle";
  EXPECT_EQ(edge.left, 2);
  EXPECT_EQ(edge.top, 2);
  EXPECT_EQ(edge.right, 18);
  EXPECT_EQ(edge.bottom, 18);

  // A focus frame inverts pixels of its border; drawing it again restores them.
  canvas.fill(20, 20, 40, 40, RGB(10, 100, 200));
  RECT focus{22, 22, 38, 38};
  EXPECT_TRUE(DrawFocusRect(canvas.dc, &focus));
  int changed = 0;
  for (int x = 22; x < 38; ++x) changed += GetPixel(canvas.dc, x, 22) != RGB(10, 100, 200);
  EXPECT_GT(changed, 3);
  EXPECT_LT(changed, 16) << "dotted, not solid";
  EXPECT_EQ(GetPixel(canvas.dc, 30, 30), RGB(10, 100, 200)) << "the inside is untouched";
  EXPECT_TRUE(DrawFocusRect(canvas.dc, &focus));
  for (int x = 20; x < 40; ++x)
    for (int y = 20; y < 40; ++y) ASSERT_EQ(GetPixel(canvas.dc, x, y), RGB(10, 100, 200)) << x << "," << y;

  // Rectangle: outline with the pen, inside with the brush, right and bottom exclusive.
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 128, 0));
  HBRUSH brush = CreateSolidBrush(RGB(250, 250, 0));
  HGDIOBJ old_pen = SelectObject(canvas.dc, pen), old_brush = SelectObject(canvas.dc, brush);
  EXPECT_TRUE(Rectangle(canvas.dc, 22, 2, 32, 12));
  EXPECT_EQ(GetPixel(canvas.dc, 22, 2), RGB(0, 128, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 31, 11), RGB(0, 128, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 27, 7), RGB(250, 250, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 32, 12), RGB(255, 0, 255));
  // A line leaves out its end point.
  MoveToEx(canvas.dc, 22, 15, nullptr);
  EXPECT_TRUE(LineTo(canvas.dc, 30, 15));
  EXPECT_EQ(GetPixel(canvas.dc, 22, 15), RGB(0, 128, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 29, 15), RGB(0, 128, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 30, 15), RGB(255, 0, 255));
  POINT at{};
  GetCurrentPositionEx(canvas.dc, &at);
  EXPECT_EQ(at.x, 30);
  SelectObject(canvas.dc, old_pen);
  SelectObject(canvas.dc, old_brush);
  DeleteObject(pen);
  DeleteObject(brush);
}

TEST(Gdi, FontHeightsFollowTheSignConvention) {
  HDC dc = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  // The character height of 10 points on this display, as font loading works it out.
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  EXPECT_EQ(-MulDiv(10, 96, 72), -13);
  EXPECT_EQ(-MulDiv(10, 120, 72), -17);
  EXPECT_EQ(-MulDiv(9, 96, 72), -12);

  const WCHAR* faces[] = {TEXT("Tahoma"), TEXT("Candara"), TEXT("")};
  for (const WCHAR* face : faces) {
    for (int height : {-MulDiv(10, dpi, 72), -MulDiv(9, dpi, 72), -17, -40}) {
      HFONT f = font(height, face);
      ASSERT_NE(f, nullptr);
      LOGFONTW log{};
      ASSERT_EQ(GetObjectW(f, sizeof log, &log), static_cast<int>(sizeof log));
      EXPECT_EQ(log.lfHeight, height) << "the font keeps what was asked";
      HGDIOBJ old = SelectObject(dc, f);
      TEXTMETRICW tm{};
      ASSERT_TRUE(GetTextMetricsW(dc, &tm));
      // Negative: the character height (cell less internal leading) is what was asked.
      // Wine rounds its scaling and may miss by a pixel.
      EXPECT_NEAR(tm.tmHeight - tm.tmInternalLeading, -height, running_under_wine() ? 1 : 0)
          << u8(face) << " " << height;
      EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
      EXPECT_GE(tm.tmInternalLeading, 0);
      SelectObject(dc, old);
      DeleteObject(f);
    }
    for (int height : {16, 20, 33}) {
      HFONT f = font(height, face);
      HGDIOBJ old = SelectObject(dc, f);
      TEXTMETRICW tm{};
      ASSERT_TRUE(GetTextMetricsW(dc, &tm));
      // Positive: the cell height.
      EXPECT_NEAR(tm.tmHeight, height, 1) << u8(face) << " " << height;
      EXPECT_LT(tm.tmHeight - tm.tmInternalLeading, height);
      SelectObject(dc, old);
      DeleteObject(f);
    }
  }

  // A huge height still gives a usable font.
  HFONT huge = font(-100000, TEXT("Tahoma"));
  ASSERT_NE(huge, nullptr);
  HGDIOBJ old = SelectObject(dc, huge);
  TEXTMETRICW tm{};
  EXPECT_TRUE(GetTextMetricsW(dc, &tm));
  // Wine's scaling overflows there and answers a one-pixel font.
  if (!running_under_wine()) {
    EXPECT_GT(tm.tmHeight, 100);
  }
  SelectObject(dc, old);
  DeleteObject(huge);
  EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);
  DeleteDC(dc);
}

// A width asks for that average character width at the same height: the count of a million links
// is narrowed so. Either sign of width, however large, still gives a usable font.
TEST(Gdi, FontWidthNarrowsTheFaceAtItsHeight) {
  HDC dc = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  auto measure = [dc](int width, TEXTMETRICW* tm) {
    HFONT f = CreateFontW(-13, width, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, TEXT("Tahoma"));
    HGDIOBJ old = SelectObject(dc, f);
    EXPECT_TRUE(GetTextMetricsW(dc, tm)) << width;
    LONG cx = extent(dc, TEXT("1000000"));
    SelectObject(dc, old);
    DeleteObject(f);
    return cx;
  };
  TEXTMETRICW normal{}, tm{};
  const LONG full = measure(0, &normal);
  LONG wider = full + 1;
  for (int width : {static_cast<int>(normal.tmAveCharWidth) - 1, 4, 3}) {
    const LONG cx = measure(width, &tm);
    EXPECT_NEAR(tm.tmAveCharWidth, width, 1);
    EXPECT_EQ(tm.tmHeight, normal.tmHeight) << width;
    EXPECT_LT(cx, wider) << width;
    wider = cx;
  }
#ifndef _WIN32
  TEXTMETRICW four{};
  EXPECT_EQ(measure(-4, &tm), measure(4, &four));
  for (int width : {INT32_MIN, INT32_MAX}) {
    EXPECT_GT(measure(width, &tm), full) << width;
    EXPECT_GT(tm.tmAveCharWidth, normal.tmAveCharWidth) << width;
  }
#endif
  DeleteDC(dc);
}

TEST(Gdi, TextMetricsAgreeWithStyleAndMeasuring) {
  HDC dc = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  HFONT normal = font(-13, TEXT("Tahoma"));
  HFONT bold = font(-13, TEXT("Tahoma"), FW_BOLD);
  HFONT italic = font(-13, TEXT("Tahoma"), FW_NORMAL, TRUE);

  HGDIOBJ old = SelectObject(dc, normal);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(dc, &tm));
  EXPECT_EQ(tm.tmWeight, FW_NORMAL);
  EXPECT_EQ(tm.tmItalic, 0);
  EXPECT_GT(tm.tmAveCharWidth, 2);
  EXPECT_LT(tm.tmAveCharWidth, 13);
  EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH) << "the bit set means a proportional face";

  // Extents grow with the text; the height is one line.
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32W(dc, TEXT("Open Webrolo Txt"), 16, &size));
  EXPECT_EQ(size.cy, tm.tmHeight);
  LONG one = extent(dc, TEXT("i")), two = extent(dc, TEXT("ii")), four = extent(dc, TEXT("iiii"));
  EXPECT_GT(one, 0);
  EXPECT_GT(two, one);
  EXPECT_GT(four, two);
  EXPECT_GT(extent(dc, TEXT("WWWW")), four) << "a proportional face";
  LONG plain = extent(dc, TEXT("Build Html File"));
  ASSERT_TRUE(GetTextExtentPoint32W(dc, TEXT("Build Html File"), 5, &size));
  EXPECT_LT(size.cx, plain) << "only count characters are measured";
  ASSERT_TRUE(GetTextExtentPoint32W(dc, TEXT(""), 0, &size));
  EXPECT_EQ(size.cx, 0);
  EXPECT_FALSE(GetTextExtentPoint32W(nullptr, TEXT("abc"), 3, &size));

  // A long text measures about proportionally.
  std::vector<WCHAR> long_text(20000, TEXT('n'));
  ASSERT_TRUE(GetTextExtentPoint32W(dc, long_text.data(), static_cast<int>(long_text.size()), &size));
  LONG n = extent(dc, TEXT("n"));
  EXPECT_NEAR(static_cast<double>(size.cx), 20000.0 * n, 20000.0 * n * 0.1);

  SelectObject(dc, bold);
  TEXTMETRICW tb{};
  ASSERT_TRUE(GetTextMetricsW(dc, &tb));
  EXPECT_EQ(tb.tmWeight, FW_BOLD);
  EXPECT_GE(extent(dc, TEXT("Build Html File")), plain) << "bold is no narrower";
  SelectObject(dc, italic);
  ASSERT_TRUE(GetTextMetricsW(dc, &tb));
  EXPECT_NE(tb.tmItalic, 0);

  SelectObject(dc, old);
  DeleteObject(normal);
  DeleteObject(bold);
  DeleteObject(italic);
  DeleteDC(dc);
}

TEST(Gdi, DrawTextCalcRectMeasuresLinesPrefixesAndBreaks) {
  Canvas canvas(300, 200);
  HFONT f = font(-13, TEXT("Tahoma"));
  HGDIOBJ old = SelectObject(canvas.dc, f);
  TEXTMETRICW tm{};
  GetTextMetricsW(canvas.dc, &tm);

  RECT r{10, 20, 10, 20};
  int height = DrawTextW(canvas.dc, TEXT("Clear work-area"), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(height, tm.tmHeight);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right - r.left, extent(canvas.dc, TEXT("Clear work-area")));
  EXPECT_EQ(r.bottom - r.top, tm.tmHeight);

  // "&" marks a prefix and is not drawn; "&&" draws one "&"; DT_NOPREFIX draws them all.
  r = RECT{0, 0, 0, 0};
  DrawTextW(canvas.dc, TEXT("&Open"), -1, &r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.right, extent(canvas.dc, TEXT("Open")));
  r = RECT{0, 0, 0, 0};
  DrawTextW(canvas.dc, TEXT("&Open"), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(r.right, extent(canvas.dc, TEXT("&Open")));
  r = RECT{0, 0, 0, 0};
  DrawTextW(canvas.dc, TEXT("Save && Exit"), -1, &r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.right, extent(canvas.dc, TEXT("Save & Exit")));

  // Line breaks make lines unless the text is a single line.
  r = RECT{0, 0, 0, 0};
  EXPECT_EQ(DrawTextW(canvas.dc, TEXT("one\ntwo\nthree"), -1, &r, DT_CALCRECT), 3 * tm.tmHeight);
  EXPECT_EQ(r.right, extent(canvas.dc, TEXT("three")));
  r = RECT{0, 0, 0, 0};
  EXPECT_EQ(DrawTextW(canvas.dc, TEXT("one\ntwo"), -1, &r, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);

  // Word breaking keeps lines within the width.
  const WCHAR* sentence = TEXT("URL Links-List , Left_Click = Select / Left_DoubleClick = GoTo-Website.");
  r = RECT{0, 0, 120, 0};
  height = DrawTextW(canvas.dc, sentence, -1, &r, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GE(height, 3 * tm.tmHeight);
  EXPECT_EQ(height % tm.tmHeight, 0);
  EXPECT_LE(r.right, 120 + extent(canvas.dc, TEXT("Left_DoubleClick")));
  EXPECT_EQ(r.bottom, height);

  // Only count characters count.
  r = RECT{0, 0, 0, 0};
  DrawTextW(canvas.dc, TEXT("Help me"), 4, &r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.right, extent(canvas.dc, TEXT("Help")));

  // A vertically centred line: the answer is the offset from the top to the text's bottom.
  r = RECT{0, 0, 200, 100};
  height = DrawTextW(canvas.dc, TEXT("Exit"), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  EXPECT_EQ(height, 100 / 2 - tm.tmHeight / 2 + tm.tmHeight);
  r = RECT{0, 0, 200, 100};
  height = DrawTextW(canvas.dc, TEXT("Exit"), -1, &r, DT_SINGLELINE | DT_BOTTOM);
  EXPECT_EQ(height, 100);

  EXPECT_EQ(DrawTextW(nullptr, TEXT("x"), -1, &r, 0), 0);
  SelectObject(canvas.dc, old);
  DeleteObject(f);
}

TEST(Gdi, TextOpaqueBackgroundAndExtTextOutFill) {
  Canvas canvas(100, 40, RGB(255, 255, 255));
  SetBkColor(canvas.dc, RGB(0, 200, 0));
  // ETO_OPAQUE fills the rectangle with the background colour, with or without text.
  RECT r{10, 10, 30, 20};
  EXPECT_TRUE(ExtTextOutW(canvas.dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
  EXPECT_EQ(GetPixel(canvas.dc, 10, 10), RGB(0, 200, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 29, 19), RGB(0, 200, 0));
  EXPECT_EQ(GetPixel(canvas.dc, 30, 20), RGB(255, 255, 255));

  // SetBkMode answers the previous mode; OPAQUE is the default.
  EXPECT_EQ(SetBkMode(canvas.dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(GetBkMode(canvas.dc), TRANSPARENT);
  EXPECT_EQ(SetBkMode(canvas.dc, 77), 0) << "no such mode";
  EXPECT_EQ(GetBkMode(canvas.dc), TRANSPARENT);
  EXPECT_EQ(SetTextColor(canvas.dc, RGB(1, 2, 3)), RGB(0, 0, 0)) << "black text at first";
  EXPECT_EQ(GetTextColor(canvas.dc), RGB(1, 2, 3));
  EXPECT_EQ(SetBkColor(canvas.dc, RGB(4, 5, 6)), RGB(0, 200, 0));

  // TextOutW with an opaque background paints the text's box.
  SetBkMode(canvas.dc, OPAQUE);
  SetBkColor(canvas.dc, RGB(0, 0, 250));
  HFONT f = font(-20, TEXT("Tahoma"));
  HGDIOBJ old = SelectObject(canvas.dc, f);
  EXPECT_TRUE(TextOutW(canvas.dc, 50, 5, TEXT("...."), 4));
  EXPECT_EQ(GetPixel(canvas.dc, 50, 6), RGB(0, 0, 250)) << "above the dots: background";
  EXPECT_EQ(GetPixel(canvas.dc, 49, 6), RGB(255, 255, 255));
  EXPECT_FALSE(TextOutW(canvas.dc, 0, 0, TEXT("x"), -1));
  EXPECT_TRUE(TextOutW(canvas.dc, 0, 0, TEXT("x"), 0));
  SelectObject(canvas.dc, old);
  DeleteObject(f);
}
