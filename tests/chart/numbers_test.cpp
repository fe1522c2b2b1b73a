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
  EXPECT_EQ(MulDiv(1, 753, 100), 8);  // 7.53
  EXPECT_EQ(MulDiv(1, 561, 100), 6);  // 5.61
  EXPECT_EQ(MulDiv(1, 250, 100), 3);  // 2.5
  EXPECT_EQ(MulDiv(-1, 250, 100), -3);
  EXPECT_EQ(MulDiv(1, 250, -100), -3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);  // the product needs 64 bits
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

TEST(NumbersTest, WholeStepsCutsTowardsZero) {
  EXPECT_EQ(WholeSteps(7.5, 2), 6);
  EXPECT_EQ(WholeSteps(-7.5, 2), -6);
  EXPECT_EQ(WholeSteps(6, 2), 6);
  EXPECT_EQ(WholeSteps(0.35, 0.1), 0.30000000000000004);  // 3 steps of 0.1, rounded once
  EXPECT_EQ(WholeSteps(1.5, 5), 0);
}

}  // namespace
}  // namespace kep
