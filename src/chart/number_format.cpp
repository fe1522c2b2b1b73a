#include "chart/number_format.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <type_traits>

namespace kep::chart {
namespace {

// A number pattern taken apart: literal text around one run of placeholders.
struct Pattern {
  std::string prefix;
  std::string suffix;
  int min_integer_digits = 0;
  bool grouping = false;
  int min_decimals = 0;
  int max_decimals = 0;
  bool percent = false;
};

bool IsPlaceholder(char c) { return c == '#' || c == '0' || c == ',' || c == '.'; }

Pattern Parse(std::string_view text) {
  Pattern pattern;
  std::size_t i = 0;
  while (i < text.size() && !IsPlaceholder(text[i])) pattern.prefix += text[i++];
  bool decimals = false;
  for (; i < text.size() && IsPlaceholder(text[i]); ++i) {
    const char c = text[i];
    if (c == '.') {
      decimals = true;
    } else if (c == ',') {
      pattern.grouping = pattern.grouping || !decimals;
    } else if (decimals) {
      ++pattern.max_decimals;
      if (c == '0') pattern.min_decimals = pattern.max_decimals;
    } else if (c == '0') {
      ++pattern.min_integer_digits;
    }
  }
  pattern.suffix = std::string(text.substr(i));
  pattern.percent =
      pattern.prefix.find('%') != std::string::npos || pattern.suffix.find('%') != std::string::npos;
  return pattern;
}

// The digits of a finite value with "." before the decimals, whatever the
// process's locale: fixed notation with the given number of decimals, or
// general notation with that many significant digits. Rounds the exact
// binary value, halves to even.
std::string Digits(double value, std::chars_format notation, int precision) {
  // The longest fixed text: 309 integer digits, a sign, a point, the decimals.
  std::string buffer(static_cast<std::size_t>(precision) + 320, '\0');
  const std::to_chars_result result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, notation, precision);
  buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
  return buffer;
}

struct LocaleFree {
  void operator()(locale_t locale) const { freelocale(locale); }
};

}  // namespace

NumberFormat NumberFormat::FromLocale(const std::string& name) {
  // A locale object of our own: the process's current locale plays no part.
  const std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleFree> locale(
      newlocale(LC_NUMERIC_MASK, name.c_str(), locale_t{}));
  if (!locale) return NumberFormat();
  std::string decimal = nl_langinfo_l(RADIXCHAR, locale.get());
  std::string thousands = nl_langinfo_l(THOUSEP, locale.get());
  if (decimal.empty()) decimal = ".";
  // A locale that does not group digits still gets groups that cannot be
  // mistaken for its decimal separator.
  if (thousands.empty()) thousands = decimal == "," ? "." : ",";
  return NumberFormat(std::move(thousands), std::move(decimal));
}

std::string NumberFormat::Format(double value, std::string_view pattern_text) const {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (pattern_text.empty()) {
    std::string text = Digits(value, std::chars_format::general, 15);
    if (const std::size_t point = text.find('.'); point != std::string::npos) {
      text.replace(point, 1, decimal_separator_);
    }
    return text;
  }

  const Pattern pattern = Parse(pattern_text);
  if (pattern.percent) value *= 100;
  // Fixed notation rounded to the largest number of decimals, then trailing
  // optional zeros go.
  const std::string digits = Digits(std::fabs(value), std::chars_format::fixed, pattern.max_decimals);
  std::string integer_part = digits.substr(0, digits.find('.'));
  std::string fraction = pattern.max_decimals > 0 ? digits.substr(digits.find('.') + 1) : std::string();
  while (static_cast<int>(fraction.size()) > pattern.min_decimals && fraction.back() == '0')
    fraction.pop_back();

  const bool zero = integer_part.find_first_not_of('0') == std::string::npos &&
                    fraction.find_first_not_of('0') == std::string::npos;
  // Leading zeros of the integer part are shown only down to the minimum count.
  const std::size_t significant = integer_part.find_first_not_of('0');
  integer_part = significant == std::string::npos ? std::string() : integer_part.substr(significant);
  if (static_cast<int>(integer_part.size()) < pattern.min_integer_digits) {
    integer_part.insert(0, static_cast<std::size_t>(pattern.min_integer_digits) - integer_part.size(), '0');
  }

  std::string text = value < 0 && !zero ? "-" : "";
  text += pattern.prefix;
  for (std::size_t i = 0; i < integer_part.size(); ++i) {
    if (pattern.grouping && i > 0 && (integer_part.size() - i) % 3 == 0) text += thousands_separator_;
    text += integer_part[i];
  }
  if (!fraction.empty()) text += decimal_separator_ + fraction;
  text += pattern.suffix;
  return text;
}

}  // namespace kep::chart
