#include "chart/number_format.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <vector>

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
  pattern.percent = pattern.prefix.find('%') != std::string::npos || pattern.suffix.find('%') != std::string::npos;
  return pattern;
}

std::string Printf(const char* format, int precision, double value) {
  const int length = std::snprintf(nullptr, 0, format, precision, value);
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  std::snprintf(buffer.data(), buffer.size(), format, precision, value);
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace

NumberFormat NumberFormat::FromLocale() {
  const std::lconv* conventions = std::localeconv();
  if (conventions == nullptr || conventions->thousands_sep == nullptr || conventions->thousands_sep[0] == '\0' ||
      conventions->decimal_point == nullptr || conventions->decimal_point[0] == '\0') {
    return NumberFormat();
  }
  return NumberFormat(conventions->thousands_sep, conventions->decimal_point);
}

std::string NumberFormat::Format(double value, std::string_view pattern_text) const {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (pattern_text.empty()) return Printf("%.*g", 15, value);

  const Pattern pattern = Parse(pattern_text);
  if (pattern.percent) value *= 100;
  // Fixed notation rounded to the largest number of decimals ("%.*f" rounds
  // the exact binary value, halves to even), then trailing optional zeros go.
  std::string digits = Printf("%.*f", pattern.max_decimals, std::fabs(value));
  std::string integer_part = digits.substr(0, digits.find('.'));
  std::string fraction = pattern.max_decimals > 0 ? digits.substr(digits.find('.') + 1) : std::string();
  while (static_cast<int>(fraction.size()) > pattern.min_decimals && fraction.back() == '0') fraction.pop_back();

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
