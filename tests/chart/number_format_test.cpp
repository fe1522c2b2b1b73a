#include "chart/number_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "support/test_locales.h"

namespace kep::chart {
namespace {

TEST(NumberFormatTest, DefaultAxisPattern) {
  const NumberFormat format(",", ".");
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1234.5, "1,234.5"}, {12, "12"},       {0.0004, "0"},     {2.0000000000000004, "2"},
      {-1500, "-1,500"},   {-0.0004, "0"},   {0.2, "0.2"},      {1234567.891, "1,234,567.891"},
      {999.9996, "1,000"}, {100, "100"},     {-0.5, "-0.5"},    {1e20, "100,000,000,000,000,000,000"},
      {0.0005, "0.001"},   {0.125, "0.125"}, {0.0625, "0.062"},  // halves of the exact binary value go to
                                                                 // even
  };
  for (const auto& c : cases) EXPECT_EQ(format.Format(c.value, "#,##0.###"), c.text) << c.value;
}

TEST(NumberFormatTest, SeparatorsAreSettings) {
  const NumberFormat format(".", ",");
  EXPECT_EQ(format.Format(1234567.25, "#,##0.###"), "1.234.567,25");
  const NumberFormat spaced("\xC2\xA0", ",");
  EXPECT_EQ(spaced.Format(-12345.5, "#,##0.###"),
            "-12\xC2\xA0"
            "345,5");
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

constexpr const char* kNarrowNoBreakSpace = "\xE2\x80\xAF";

TEST(NumberFormatTest, SeparatorsComeFromTheNamedLocale) {
  const struct {
    const char* locale;
    std::string thousands;
    std::string decimal;
  } cases[] = {
      {"C", ",", "."},
      {test::kGermanLocale, ".", ","},
      {test::kFrenchLocale, kNarrowNoBreakSpace, ","},
      // No thousands separator of its own: groups must not take its decimal comma.
      {test::kPortugueseLocale, ".", ","},
      {"xx_NOWHERE.UTF-8", ",", "."},  // no such locale
  };
  for (const auto& c : cases) {
    const NumberFormat format = NumberFormat::FromLocale(c.locale);
    EXPECT_EQ(format.ThousandsSeparator(), c.thousands) << c.locale << ": " << test::kLocaleHint;
    EXPECT_EQ(format.DecimalSeparator(), c.decimal) << c.locale;
  }
  EXPECT_EQ(NumberFormat::FromLocale(test::kFrenchLocale).Format(-1234567.5, "#,##0.###"),
            std::string("-1") + kNarrowNoBreakSpace + "234" + kNarrowNoBreakSpace + "567,5");
  EXPECT_EQ(NumberFormat::FromLocale(test::kPortugueseLocale).Format(-1234567.5, "#,##0.###"),
            "-1.234.567,5");

  // "" is the user's locale, from the environment.
  const char* old_lc_all = std::getenv("LC_ALL");
  const std::string saved = old_lc_all ? old_lc_all : "";
  setenv("LC_ALL", test::kGermanLocale, 1);
  const NumberFormat users = NumberFormat::FromLocale("");
  old_lc_all ? setenv("LC_ALL", saved.c_str(), 1) : unsetenv("LC_ALL");
  EXPECT_EQ(users.Format(1234.5, "#,##0.###"), "1.234,5");
}

// A desktop toolkit sets the process's locale from the environment; the
// digits must not follow it, only the separators given.
TEST(NumberFormatTest, TextDoesNotDependOnTheProcessLocale) {
  for (const char* locale : {"C", test::kGermanLocale, test::kFrenchLocale, test::kPortugueseLocale}) {
    const test::ScopedProcessLocale process(locale);
    ASSERT_TRUE(process.Available()) << locale << ": " << test::kLocaleHint;
    const NumberFormat plain(",", ".");
    EXPECT_EQ(plain.Format(1234.5, "#,##0.###"), "1,234.5") << locale;
    EXPECT_EQ(plain.Format(850, "#,##0.###"), "850") << locale;
    EXPECT_EQ(plain.Format(0.0625, "#,##0.###"), "0.062") << locale;
    EXPECT_EQ(plain.Format(0.1 + 0.2, ""), "0.3") << locale;
    const NumberFormat german(".", ",");
    EXPECT_EQ(german.Format(1000, "#,##0.###"), "1.000") << locale;
    EXPECT_EQ(german.Format(-2.5, "#,##0.###"), "-2,5") << locale;
    EXPECT_EQ(german.Format(0.1 + 0.2, ""), "0,3") << locale;
  }
}

}  // namespace
}  // namespace kep::chart
