#include "cli/machine_number.h"

#include <cmath>
#include <limits>

namespace kep::cli {

std::string MachineNumber(double value) {
  // Room for the longest form: a sign and the 309 digits of the largest double.
  char text[1 + std::numeric_limits<double>::max_exponent10 + 1];
  // The fixed form of an integral value has no point; its shortest digits are
  // padded with zeros, which read back as the same value.
  const bool integral = std::isfinite(value) && std::trunc(value) == value;
  const std::to_chars_result result =
      integral ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
               : std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace kep::cli
