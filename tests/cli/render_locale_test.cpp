// The renderer under the C locale and under locales that write numbers
// differently: the chart's labels use the separators it is given, and what
// it prints for other programs reads the same everywhere.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "cli/run_render.h"
#include "support/temp_dir.h"
#include "support/test_locales.h"

namespace kep::cli {
namespace {

using testing::Outcome;
using testing::Render;

// 1500 terms, so that counts and positions pass a thousand.
std::string LongFile() {
  std::string text = "Tavrine long\n";
  for (int i = 1; i <= 1500; ++i) text += std::to_string(i) + " " + std::string(1 + i / 100, '7') + " = t\n";
  return text;
}

// The first place outside JSON strings where a comma or a full stop is not
// followed by a space or a digit after a digit: a number written with a
// decimal comma or with digit groups ("0,5", "1.234.567" shows as "1.234."),
// or "" when there is none.
std::string NumberWithCommaOrGroups(const std::string& json) {
  bool in_string = false;
  int points_in_number = 0;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (in_string) {
      if (c == '\\') ++i;
      if (c == '"') in_string = false;
      continue;
    }
    if (c == '"') in_string = true;
    const bool after_digit = i > 0 && std::isdigit(static_cast<unsigned char>(json[i - 1]));
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') points_in_number = 0;
    if (c == '.' && ++points_in_number > 1) return json.substr(i - 8, 16);
    if (c == ',' && after_digit && i + 1 < json.size() && json[i + 1] != ' ') return json.substr(i - 8, 16);
  }
  return "";
}

struct LocaleCase {
  const char* name;
  const char* label_2000;  // the bottom axis' label at 2000
};

constexpr LocaleCase kLocales[] = {
    {"C", "2,000"},
    {test::kGermanLocale, "2.000"},
    {test::kFrenchLocale, "2\\u202f000"},  // U+202F as JSON writes it
    {test::kPortugueseLocale, "2.000"},    // no separator of its own
};

TEST(RenderLocaleTest, LabelsTakeTheLocalesSeparatorsAndTheLayoutStaysJson) {
  test::TempDir dir;
  const std::string file = dir.Write("long.kep", LongFile());
  for (const LocaleCase& locale : kLocales) {
    SCOPED_TRACE(locale.name);
    // The process runs in the locale too, as it does on a desktop.
    const test::ScopedProcessLocale process(locale.name);
    ASSERT_TRUE(process.Available()) << test::kLocaleHint;
    const Outcome run = Render({"--layout", file, "--zoom", "0.5:2500.25:0:17.5", "--size", "1200x900"},
                               chart::NumberFormat::FromLocale(locale.name));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string& json = run.out;
    EXPECT_NE(json.find("\"panel\": [0, 0, 1200, 900]"), std::string::npos) << json;
    EXPECT_NE(json.find("\"minimum\": 0.5, \"maximum\": 2500.25"), std::string::npos) << json;
    EXPECT_NE(json.find("\"minimum\": 0, \"maximum\": 17.5"), std::string::npos) << json;
    EXPECT_NE(json.find(std::string("{\"value\": 2000, \"text\": \"") + locale.label_2000 + "\""),
              std::string::npos)
        << json;
    EXPECT_EQ(NumberWithCommaOrGroups(json), "") << json;
  }
}

TEST(RenderLocaleTest, PointsAndInfoReadTheSameUnderEveryLocale) {
  test::TempDir dir;
  const std::string file = dir.Write("long.kep", LongFile());
  const Outcome points_in_c = Render({"--points", file});
  const Outcome info_in_c = Render({"--info", file});
  ASSERT_EQ(info_in_c.out,
            "points 1500\nlargest-digit-count 16\nnumber-column 2\nb-file no\nreformatted no\n");
  for (const LocaleCase& locale : kLocales) {
    SCOPED_TRACE(locale.name);
    const test::ScopedProcessLocale process(locale.name);
    ASSERT_TRUE(process.Available()) << test::kLocaleHint;
    const chart::NumberFormat format = chart::NumberFormat::FromLocale(locale.name);
    EXPECT_EQ(Render({"--points", file}, format).out, points_in_c.out);
    EXPECT_EQ(Render({"--info", file}, format).out, info_in_c.out);
  }
}

}  // namespace
}  // namespace kep::cli
