#pragma once

#include <string>
#include <string_view>

namespace kep::chart {

// Formats numbers with patterns such as "#,##0.###": digit placeholders "0"
// (always shown) and "#" (shown when needed), "," in the integer part for
// groups of three digits, "." before the decimals, and literal text before or
// after the number ("%" in it shows the value times 100). The separators are
// settings, taken from a numeric locale by FromLocale; the digits never
// depend on the process's locale.
class NumberFormat {
 public:
  NumberFormat() = default;
  NumberFormat(std::string thousands_separator, std::string decimal_separator)
      : thousands_separator_(std::move(thousands_separator)),
        decimal_separator_(std::move(decimal_separator)) {}

  // The separators of the numeric locale called name, as setlocale names
  // locales: "" is the user's (LC_ALL, LC_NUMERIC or LANG), "C", or
  // "de_DE.UTF-8". Separators may be several bytes (U+202F in UTF-8 for
  // fr_FR.UTF-8). A locale without a thousands separator, such as "C",
  // groups with the comma, or with the full stop where the comma is its
  // decimal separator; a locale that does not exist gives the C locale's.
  static NumberFormat FromLocale(const std::string& name);

  const std::string& ThousandsSeparator() const { return thousands_separator_; }
  const std::string& DecimalSeparator() const { return decimal_separator_; }

  // 1234.5 with "#,##0.###" gives "1,234.5"; 0.0004 gives "0"; -1500 gives
  // "-1,500". Decimals are rounded from the exact binary value, halves to
  // even; a value that rounds to zero shows no sign. An empty pattern gives
  // up to 15 significant digits.
  std::string Format(double value, std::string_view pattern) const;
  // A count with its digits grouped as the axis labels group them:
  // 40283261 gives "40,283,261".
  std::string Count(double count) const { return Format(count, "#,##0"); }

 private:
  std::string thousands_separator_ = ",";
  std::string decimal_separator_ = ".";
};

}  // namespace kep::chart
