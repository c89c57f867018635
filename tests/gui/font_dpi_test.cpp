// Font heights on a screen of another density: only the headless display can
// change its dots per inch.
#ifndef _WIN32
#include <gtest/gtest.h>

#include "gadget_fixture.h"
#include "gui/font.h"
#include "platform/win32/display/headless_backend.h"

namespace {

TEST(FontDpiTest, HeightsFollowTheScreenDensity) {
  gui_test_start();
  ASSERT_TRUE(display::headless::active());
  display::headless::set_dpi(120);
  const int64_t at_120 = font_load(-1, TEXT("Candara"), 10);
  display::headless::set_dpi(96);
  ASSERT_NE(at_120, 0);
  LOGFONTW lf{};
  ASSERT_NE(GetObjectW(font_handle(at_120), sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfHeight, -17) << "10 x 120 / 72 = 16.67";
  const int64_t at_96 = font_load(-1, TEXT("Candara"), 10);
  ASSERT_NE(GetObjectW(font_handle(at_96), sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfHeight, -13);
}

}  // namespace
#endif
