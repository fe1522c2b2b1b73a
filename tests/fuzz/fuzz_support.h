#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kep::fuzz {

// Stops the run (a finding) when a property does not hold, naming the line.
inline void CheckAt(bool condition, const char* file, int line) {
  if (condition) return;
  std::fprintf(stderr, "check failed at %s:%d\n", file, line);
  std::abort();
}
#define KEP_CHECK(condition) ::kep::fuzz::CheckAt((condition), __FILE__, __LINE__)

// A double that is often one of the values charts trip over: NaN, the
// infinities, the extremes of the type, subnormals, zeros and neighbours of 1;
// otherwise any bit pattern or a small whole number.
inline double ConsumeChartDouble(FuzzedDataProvider& input) {
  static constexpr double kSpecial[] = {
      std::numeric_limits<double>::quiet_NaN(),
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
      std::numeric_limits<double>::max(),
      -std::numeric_limits<double>::max(),
      std::numeric_limits<double>::min(),
      std::numeric_limits<double>::denorm_min(),
      -std::numeric_limits<double>::denorm_min(),
      0.0,
      -0.0,
      1.0,
      1.0 + std::numeric_limits<double>::epsilon(),
      1e-10,
      1e15,
      9.007199254740993e15,
      -1e300,
  };
  constexpr std::size_t kCount = sizeof kSpecial / sizeof kSpecial[0];
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return kSpecial[input.ConsumeIntegralInRange<std::size_t>(0, kCount - 1)];
    case 1:
      return input.ConsumeFloatingPoint<double>();
    default:
      return input.ConsumeIntegralInRange(-100, 1000);
  }
}

}  // namespace kep::fuzz
