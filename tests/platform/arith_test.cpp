#include <gtest/gtest.h>

#include <climits>

#include "platform/win32.h"

TEST(Arith, MulDivRoundsToNearest) {
  EXPECT_EQ(16, MulDiv(12, 96, 72));   // 12 points at 96 dots per inch
  EXPECT_EQ(13, MulDiv(10, 96, 72));   // 13.33
  EXPECT_EQ(17, MulDiv(10, 120, 72));  // 16.67
  EXPECT_EQ(2, MulDiv(7, 1, 3));
  EXPECT_EQ(3, MulDiv(8, 1, 3));
  EXPECT_EQ(-3, MulDiv(-8, 1, 3));
  EXPECT_EQ(-3, MulDiv(8, 1, -3));
  // Halves go away from zero, whichever argument carries the sign.
  EXPECT_EQ(3, MulDiv(5, 1, 2));
  EXPECT_EQ(-3, MulDiv(-5, 1, 2));
  EXPECT_EQ(-3, MulDiv(5, -1, 2));
  EXPECT_EQ(-3, MulDiv(5, 1, -2));
  EXPECT_EQ(3, MulDiv(-5, -1, 2));
  EXPECT_EQ(3, MulDiv(-5, 1, -2));
  EXPECT_EQ(2, MulDiv(3, 1, 2));
  EXPECT_EQ(-2, MulDiv(-3, 1, 2));
  EXPECT_EQ(0, MulDiv(0, 5, 7));
}

TEST(Arith, MulDivWideProductAndFailures) {
  // The product is kept in 64 bits.
  EXPECT_EQ(INT_MAX, MulDiv(INT_MAX, INT_MAX, INT_MAX));
  EXPECT_EQ(1500000000, MulDiv(1000000000, 3000, 2000));
  EXPECT_EQ(-1500000000, MulDiv(-1000000000, 3000, 2000));
  // A zero divisor or a result beyond 32 bits gives -1.
  EXPECT_EQ(-1, MulDiv(5, 7, 0));
  EXPECT_EQ(-1, MulDiv(0, 7, 0));
  EXPECT_EQ(-1, MulDiv(INT_MAX, 2, 1));
  EXPECT_EQ(-1, MulDiv(INT_MIN, 2, 1));
  EXPECT_EQ(-1, MulDiv(0x40000000, 4, 2));
  EXPECT_EQ(-1, MulDiv(INT_MIN, INT_MIN, 1));
}
