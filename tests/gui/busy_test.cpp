// The wait cursor of a long action: shown once the span has lasted the
// delay, kept over a box's arrow, put back at the end of the outermost span.
#include <gtest/gtest.h>

#include "gui/busy.h"

namespace {

class BusyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    arrow_ = LoadCursorW(nullptr, IDC_ARROW);
    wait_ = LoadCursorW(nullptr, IDC_WAIT);
    SetCursor(arrow_);
  }
  void TearDown() override {
    win_set_busy_delay(WIN_BUSY_DELAY);
    SetCursor(arrow_);
  }
  HCURSOR arrow_ = nullptr, wait_ = nullptr;
};

TEST_F(BusyTest, ShortActionsKeepTheCursor) {
  win_busy_begin();
  for (int i = 0; i < 1000; ++i) win_busy_step();
  EXPECT_EQ(GetCursor(), arrow_) << "a few steps at once are far below a fifth of a second";
  win_busy_end();
  EXPECT_EQ(GetCursor(), arrow_);
  win_busy_step();  // outside a span: nothing
  EXPECT_EQ(GetCursor(), arrow_);
}

TEST_F(BusyTest, LongActionsShowTheWaitCursorUntilTheOutermostSpanEnds) {
  win_set_busy_delay(0);
  win_busy_begin();
  EXPECT_EQ(GetCursor(), arrow_) << "nothing shows before the action's first step";
  win_busy_step();
  EXPECT_EQ(GetCursor(), wait_);
  // A box opened by the action put the arrow up; a later look at the clock brings the wait cursor back.
  SetCursor(arrow_);
  for (int i = 0; i < 300; ++i) win_busy_step();
  EXPECT_EQ(GetCursor(), wait_);
  // A nested span (the page header read while building) ends without touching the cursor.
  win_busy_begin();
  win_busy_step();
  win_busy_end();
  EXPECT_EQ(GetCursor(), wait_);
  win_busy_end();
  EXPECT_EQ(GetCursor(), arrow_) << "the cursor the span found comes back";

  // A cursor the program chose itself during the span is left alone at its end.
  const HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
  win_busy_begin();
  win_busy_step();
  EXPECT_EQ(GetCursor(), wait_);
  SetCursor(cross);
  win_busy_end();
  EXPECT_EQ(GetCursor(), cross);
}

}  // namespace
