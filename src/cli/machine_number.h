#pragma once

#include <charconv>
#include <concepts>
#include <string>

namespace kep::cli {

// Numbers for other programs, such as sort -n, awk or a JSON reader: "." as
// the decimal point and no grouping, whatever the locale. An integral value
// is a plain integer however large it is, never an exponent form; any other
// value is the shortest text that reads back exactly, which may have an
// exponent. Infinities and NaN are spelled "inf", "-inf" and "nan".
std::string MachineNumber(double value);

template <std::integral T>
std::string MachineNumber(T value) {
  char text[24];  // 20 digits and a sign hold any 64-bit integer
  const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace kep::cli
