// Fonts: character heights from the screen's dots per inch, styles, numbers
// reused and freed.
#include <gtest/gtest.h>

#include "common/test_text.h"
#include "gadget_fixture.h"
#include "gui/font.h"

namespace {

LOGFONTW described(HFONT font) {
  LOGFONTW description{};
  EXPECT_EQ(GetObjectW(font, sizeof description, &description), static_cast<int>(sizeof description));
  return description;
}

int screen_dpi() {
  HDC screen = CreateDCW(TEXT("DISPLAY"), nullptr, nullptr, nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  DeleteDC(screen);
  return dpi;
}

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override { gui_test_start(); }
};

TEST_F(FontTest, HeightsAndStylesFollowThePointSizeAndFlags) {
  ASSERT_EQ(screen_dpi(), 96);
  const auto plain = reinterpret_cast<HFONT>(font_load(0, TEXT("Candara"), 10));
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(font_handle(0), plain);
  LOGFONTW lf = described(plain);
  EXPECT_EQ(lf.lfHeight, -13) << "10 x 96 / 72 = 13.33";
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  EXPECT_EQ(lf.lfItalic, 0);
  EXPECT_EQ(lf.lfUnderline, 0);
  EXPECT_EQ(lf.lfStrikeOut, 0);
  EXPECT_EQ(lf.lfQuality, DEFAULT_QUALITY);
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(u8(lf.lfFaceName), "Candara");

  const auto styled = reinterpret_cast<HFONT>(
      font_load(1, TEXT("Candara"), 9, FONT_BOLD | FONT_ITALIC | FONT_UNDERLINE | FONT_STRIKE_OUT | FONT_HIGH_QUALITY));
  ASSERT_NE(styled, nullptr);
  lf = described(styled);
  EXPECT_EQ(lf.lfHeight, -12) << "9 x 96 / 72 = 12";
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfStrikeOut, 1);
  EXPECT_EQ(lf.lfQuality, PROOF_QUALITY);

  // Rounding to nearest: 11 x 96 / 72 = 14.67.
  ASSERT_NE(font_load(2, TEXT("Candara"), 11), 0);
  EXPECT_EQ(described(font_handle(2)).lfHeight, -15);
  font_end();
  font_init();
}

TEST_F(FontTest, NumbersAreReusedAndFreedWithTheirFonts) {
  const auto first = reinterpret_cast<HFONT>(font_load(0, TEXT("Candara"), 10));
  ASSERT_NE(first, nullptr);
  const auto second = reinterpret_cast<HFONT>(font_load(0, TEXT("Candara"), 12));
  ASSERT_NE(second, nullptr);
  // A deleted font's handle value may come back for the next font, as on Win32.
  if (first != second) {
    EXPECT_EQ(GetObjectType(first), 0u) << "the first font under number 0 is deleted";
  }
  EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_FONT));
  EXPECT_EQ(font_handle(0), second);

  const int64_t dynamic = font_load(-1, nullptr, 10);
  ASSERT_NE(dynamic, 0);
  HFONT unnamed = font_handle(dynamic);
  ASSERT_NE(unnamed, nullptr) << "a null face is the empty face: the platform picks one";
  EXPECT_NE(font_handle(-1), unnamed);

  EXPECT_EQ(font_handle(5), nullptr);
  EXPECT_EQ(font_handle(123456789), nullptr);
  EXPECT_EQ(font_load(-2, TEXT("Candara"), 10), 0);
  // A face the platform lacks still gives a font.
  EXPECT_NE(font_load(3, TEXT("No Such Face At All"), 10), 0);

  font_end();
  EXPECT_EQ(GetObjectType(second), 0u);
  EXPECT_EQ(GetObjectType(unnamed), 0u);
  EXPECT_EQ(font_handle(0), nullptr);
  EXPECT_EQ(font_load(0, TEXT("Candara"), 10), 0) << "no library, no font";
  font_init();
  EXPECT_EQ(font_handle(0), nullptr);
}

}  // namespace
