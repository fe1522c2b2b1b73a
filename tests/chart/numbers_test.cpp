#include "common/numbers.h"

#include <gtest/gtest.h>

#include <climits>

namespace kep {
namespace {

TEST(NumbersTest, NearestRoundsHalvesToEven) {
  EXPECT_EQ(Nearest(20.5), 20);
  EXPECT_EQ(Nearest(21.5), 22);
  EXPECT_EQ(Nearest(-2.5), -2);
  EXPECT_EQ(Nearest(400.0L / 14), 29);
  EXPECT_EQ(NearestInt(1e300), INT_MAX);
  EXPECT_EQ(NearestInt(-1e300), INT_MIN);
  EXPECT_EQ(NearestInt(std::nan("")), 0);
}

TEST(NumbersTest, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(1, 753, 100), 8);   // 7.53
  EXPECT_EQ(MulDiv(1, 561, 100), 6);   // 5.61
  EXPECT_EQ(MulDiv(1, 250, 100), 3);   // 2.5
  EXPECT_EQ(MulDiv(-1, 250, 100), -3);
  EXPECT_EQ(MulDiv(1, 250, -100), -3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);  // the product needs 64 bits
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

}  // namespace
}  // namespace kep
