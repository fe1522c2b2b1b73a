#include "cli/machine_number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "cli/run_render.h"
#include "support/temp_dir.h"

namespace kep::cli {
namespace {

double ReadBack(const std::string& text) {
  double value = 0;
  const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_EQ(result.ptr, text.data() + text.size()) << text;
  return value;
}

TEST(MachineNumberTest, IntegralValuesArePlainIntegersHoweverLarge) {
  EXPECT_EQ(MachineNumber(1e5), "100000");
  EXPECT_EQ(MachineNumber(1e6), "1000000");
  EXPECT_EQ(MachineNumber(-3e7), "-30000000");
  EXPECT_EQ(MachineNumber(1e15), "1000000000000000");
  EXPECT_EQ(MachineNumber(9007199254740992.0), "9007199254740992");  // 2^53
  // Beyond 64 bits, up to the largest double: digits only, reading back exactly.
  for (const double value : {9223372036854775808.0, 1e20, 1e200, -std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::max()}) {
    const std::string text = MachineNumber(value);
    EXPECT_EQ(text.find_first_not_of("-0123456789"), std::string::npos) << text;
    EXPECT_EQ(ReadBack(text), value) << text;
  }
  EXPECT_EQ(MachineNumber(std::numeric_limits<double>::max()).size(), 309u);
  EXPECT_EQ(MachineNumber(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(MachineNumberTest, OtherValuesAreTheShortestExactText) {
  EXPECT_EQ(MachineNumber(0.5), "0.5");
  EXPECT_EQ(MachineNumber(1e-7), "1e-07");
  EXPECT_EQ(ReadBack(MachineNumber(std::nextafter(1e15, 2e15))), std::nextafter(1e15, 2e15));
  EXPECT_EQ(MachineNumber(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(MachineNumber(std::nan("")), "nan");
}

// A million lines, the last holding a term of 200,000 digits: both columns
// stay integers that sort -n and awk read as they are.
TEST(MachineNumberTest, PointsOfALongFileAndAWideTermHaveNoExponent) {
  test::TempDir dir;
  const std::string file = dir.Write(
      "long.kep", "1 5\n" + std::string(999998, '\n') + "1000000 " + std::string(200000, '7') + "\n");
  const testing::Outcome points = testing::Render({"--points", file});
  EXPECT_EQ(points.out, "1\t1\n1000000\t200000\n");
  EXPECT_EQ(points.err, "");
}

}  // namespace
}  // namespace kep::cli
