#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kep {

// Intermediate results are formed in extended precision (long double, 80-bit
// on x86-64) and rounded to a 64-bit double when stored; a static_cast to
// double is that store.
using Extended = long double;

// a + b, a - b, a * b and a / b formed in extended precision and rounded once
// to a double. A double argument converts to Extended exactly, so these give
// what writing out the casts gives.
inline double RoundedSum(Extended a, Extended b) { return static_cast<double>(a + b); }
inline double RoundedDifference(Extended a, Extended b) { return static_cast<double>(a - b); }
inline double RoundedProduct(Extended a, Extended b) { return static_cast<double>(a * b); }
inline double RoundedQuotient(Extended a, Extended b) { return static_cast<double>(a / b); }

// x rounded to the nearest integer, halves to even (std::nearbyint under the
// default rounding mode). The caller makes sure the result fits.
inline std::int64_t Nearest(Extended x) { return static_cast<std::int64_t>(std::nearbyint(x)); }

// x rounded to the nearest integer, halves to even, saturated into the 32-bit
// signed range; NaN gives 0.
inline int NearestInt(Extended x) {
  if (!(x == x)) return 0;
  if (x >= static_cast<Extended>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (x <= static_cast<Extended>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(std::nearbyint(x));
}

// The integer part of x (truncation towards zero), as a floating value so that
// it can stand for integers beyond 64 bits.
inline double IntegerPart(double x) { return std::trunc(x); }

// value cut towards zero to a whole number of steps: the quotient is rounded
// to a double before its integer part is taken, and the product once more.
inline double WholeSteps(double value, double step) {
  return RoundedProduct(IntegerPart(RoundedQuotient(value, step)), step);
}

// v clamped into the 32-bit signed range.
inline int ClampToInt(std::int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

// a * b / c with a 64-bit product, rounded to the nearest integer with halves
// away from zero. Gives -1 when c is 0 or the result does not fit in 32 bits.
inline int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  std::int64_t product = static_cast<std::int64_t>(a) * b;
  std::int64_t divisor = c;
  if (divisor < 0) {
    divisor = -divisor;
    product = -product;
  }
  // Adding half the divisor before dividing rounds exact halves away from zero.
  const std::int64_t half = divisor / 2;
  const std::int64_t magnitude = ((product >= 0 ? product : -product) + half) / divisor;
  const std::int64_t result = product >= 0 ? magnitude : -magnitude;
  if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(result);
}

}  // namespace kep
