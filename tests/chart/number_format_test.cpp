#include "chart/number_format.h"

#include <gtest/gtest.h>

#include <clocale>

namespace kep::chart {
namespace {

TEST(NumberFormatTest, DefaultAxisPattern) {
  const NumberFormat format(",", ".");
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1234.5, "1,234.5"}, {12, "12"},       {0.0004, "0"},          {2.0000000000000004, "2"},
      {-1500, "-1,500"},   {-0.0004, "0"},   {0.2, "0.2"},           {1234567.891, "1,234,567.891"},
      {999.9996, "1,000"}, {100, "100"},     {-0.5, "-0.5"},         {1e20, "100,000,000,000,000,000,000"},
      {0.0005, "0.001"},   {0.125, "0.125"}, {0.0625, "0.062"},  // halves of the exact binary value go to even
  };
  for (const auto& c : cases) EXPECT_EQ(format.Format(c.value, "#,##0.###"), c.text) << c.value;
}

TEST(NumberFormatTest, SeparatorsAreSettings) {
  const NumberFormat format(".", ",");
  EXPECT_EQ(format.Format(1234567.25, "#,##0.###"), "1.234.567,25");
  const NumberFormat spaced("\xC2\xA0", ",");
  EXPECT_EQ(spaced.Format(-12345.5, "#,##0.###"), "-12\xC2\xA0" "345,5");
}

TEST(NumberFormatTest, OtherPatterns) {
  const NumberFormat format(",", ".");
  EXPECT_EQ(format.Format(3.14159, "0.00"), "3.14");
  EXPECT_EQ(format.Format(3, "000.0#"), "003.0");
  EXPECT_EQ(format.Format(1234, "0"), "1234");
  EXPECT_EQ(format.Format(0.1234, "##0.## %"), "12.34 %");
  EXPECT_EQ(format.Format(7, "x = #"), "x = 7");
  EXPECT_EQ(format.Format(0.1 + 0.2, ""), "0.3");
  EXPECT_EQ(format.Format(std::numeric_limits<double>::infinity(), "#"), "INF");
}

TEST(NumberFormatTest, CLocaleGivesCommaAndFullStop) {
  std::setlocale(LC_NUMERIC, "C");
  const NumberFormat format = NumberFormat::FromLocale();
  EXPECT_EQ(format.ThousandsSeparator(), ",");
  EXPECT_EQ(format.DecimalSeparator(), ".");
}

}  // namespace
}  // namespace kep::chart
