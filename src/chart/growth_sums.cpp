#include "chart/growth_sums.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "chart/chart_value_list.h"

namespace kep::chart {

namespace {

// An integer the exact sums can hold: with at most 2^31 points of magnitude
// at most 2^40, every sum and every product formed from them stays below
// 2^112.
bool IsExactValue(double value) {
  return std::abs(value) <= GrowthSums::kExactLimit && value == std::trunc(value);
}

// Calls visit(x, y) for the points first .. last - 1 while it returns true.
// The lists are read a stretch at a time, which is many times faster than
// one value at a time.
template <typename Visit>
void VisitPoints(const ChartValueList& xs, const ChartValueList& ys, std::size_t first, std::size_t last,
                 Visit visit) {
  constexpr std::size_t kStretch = 256;
  double x_values[kStretch];
  double y_values[kStretch];
  for (std::size_t from = first; from < last; from += kStretch) {
    const std::size_t count = std::min(kStretch, last - from);
    xs.ReadValues(from, count, x_values);
    ys.ReadValues(from, count, y_values);
    for (std::size_t k = 0; k < count; ++k) {
      if (!visit(x_values[k], y_values[k])) return;
    }
  }
}

}  // namespace

void GrowthSums::Build(const ChartValueList& xs, const ChartValueList& ys) {
  Clear();
  Update(xs, ys, 0);
}

void GrowthSums::Clear() {
  xs_ = nullptr;
  ys_ = nullptr;
  count_ = 0;
  exact_ = true;
  exact_prefixes_.clear();
  float_prefixes_.clear();
}

void GrowthSums::Update(const ChartValueList& xs, const ChartValueList& ys, std::size_t unchanged) {
  const auto count = static_cast<std::size_t>(std::min(xs.ValueCount(), ys.ValueCount()));
  unchanged = std::min({unchanged, count, count_});
  if (xs_ != &xs || ys_ != &ys) unchanged = 0;
  xs_ = &xs;
  ys_ = &ys;
  count_ = count;
  if (unchanged == 0) {
    exact_ = true;
    exact_prefixes_.clear();
    float_prefixes_.clear();
    if (count > 0) {
      x0_ = xs.ValueAt(0);
      y0_ = ys.ValueAt(0);
    }
  }
  if (exact_) {
    VisitPoints(xs, ys, unchanged, count, [&](double x, double y) {
      exact_ = IsExactValue(x) && IsExactValue(y);
      return exact_;
    });
    if (!exact_) {
      // From here on the sums are taken in extended precision, all of them.
      exact_prefixes_.clear();
      unchanged = 0;
    }
  }
  if (exact_) {
    Extend(exact_prefixes_, unchanged);
  } else {
    Extend(float_prefixes_, unchanged);
  }
}

template <typename Sums>
void GrowthSums::Extend(std::vector<Sums>& prefixes, std::size_t unchanged) {
  // Prefixes up to the block that holds the first changed point stand.
  prefixes.resize(std::min(prefixes.size(), unchanged / kBlock + 1));
  if (prefixes.empty()) prefixes.emplace_back();
  while (prefixes.size() * kBlock <= count_) {
    Sums next = prefixes.back();
    const std::size_t from = (prefixes.size() - 1) * kBlock;
    Walk(from, from + kBlock, 1, next);
    prefixes.push_back(next);
  }
}

void GrowthSums::Walk(std::size_t first, std::size_t last, int sign, ExactSums& into) const {
  // The values are integers of at most 2^40 (IsExactValue): they convert to
  // 64 bits in one step, and their products are single widening multiplies.
  ExactSums walked;
  VisitPoints(*xs_, *ys_, first, last, [&](double x_value, double y_value) {
    const auto x = static_cast<std::int64_t>(x_value);
    const auto y = static_cast<std::int64_t>(y_value);
    walked.n += 1;
    walked.x += x;
    walked.y += y;
    walked.xx += static_cast<Int128>(x) * x;
    walked.xy += static_cast<Int128>(x) * y;
    return true;
  });
  into.n += sign * walked.n;
  into.x += sign * walked.x;
  into.y += sign * walked.y;
  into.xx += sign * walked.xx;
  into.xy += sign * walked.xy;
}

void GrowthSums::Walk(std::size_t first, std::size_t last, int sign, FloatSums& into) const {
  VisitPoints(*xs_, *ys_, first, last, [&](double x_value, double y_value) {
    const long double x = static_cast<long double>(x_value) - x0_;
    const long double y = static_cast<long double>(y_value) - y0_;
    if (std::isfinite(x) && std::isfinite(y)) {
      into.n += sign;
      into.x += sign * x;
      into.y += sign * y;
      into.xx += sign * x * x;
      into.xy += sign * x * y;
    }
    return true;
  });
}

template <typename Sums>
Sums GrowthSums::Prefix(const std::vector<Sums>& prefixes, std::size_t end) const {
  // From the nearer block boundary that has a prefix: forwards from the one
  // below end, or backwards from the one above.
  const std::size_t below = end / kBlock;
  const std::size_t above = below + 1;
  if (end % kBlock > kBlock / 2 && above < prefixes.size()) {
    Sums sums = prefixes[above];
    Walk(end, above * kBlock, -1, sums);
    return sums;
  }
  Sums sums = prefixes[below];
  Walk(below * kBlock, end, 1, sums);
  return sums;
}

GrowthSums::Fit GrowthSums::Query(std::size_t first, std::size_t last) const {
  Fit fit;
  if (!Built() || first > last || last >= count_) return fit;
  if (exact_) {
    ExactSums sums = Prefix(exact_prefixes_, last + 1);
    const ExactSums below = Prefix(exact_prefixes_, first);
    const Int128 n = sums.n - below.n;
    const Int128 sx = sums.x - below.x;
    const Int128 sy = sums.y - below.y;
    const Int128 sxx = sums.xx - below.xx;
    const Int128 sxy = sums.xy - below.xy;
    fit.points = static_cast<std::size_t>(n);
    if (n < 2) return fit;
    // With sx = q n + r, the centred sums
    //   Sxx = sxx - sx^2 / n = sxx - q^2 n - 2 q r - r^2 / n
    //   Sxy = sxy - sx sy / n = sxy - q sy - r sy / n
    // are exact integers but for the last terms, which are below |sx| and
    // |sy|: no digits are lost to cancellation.
    const Int128 q = sx / n;
    const Int128 r = sx % n;
    const long double centred_xx = static_cast<long double>(sxx - q * q * n - 2 * q * r) -
                                   static_cast<long double>(r * r) / static_cast<long double>(n);
    const long double centred_xy = static_cast<long double>(sxy - q * sy) -
                                   static_cast<long double>(r * sy) / static_cast<long double>(n);
    if (centred_xx > 0) fit.slope = static_cast<double>(centred_xy / centred_xx);
    return fit;
  }
  FloatSums sums = Prefix(float_prefixes_, last + 1);
  const FloatSums below = Prefix(float_prefixes_, first);
  const long double n = sums.n - below.n;
  const long double sx = sums.x - below.x;
  const long double sy = sums.y - below.y;
  const long double centred_xx = (sums.xx - below.xx) - sx * sx / n;
  const long double centred_xy = (sums.xy - below.xy) - sx * sy / n;
  fit.points = static_cast<std::size_t>(n);
  if (n >= 2 && centred_xx > 0) fit.slope = static_cast<double>(centred_xy / centred_xx);
  return fit;
}

std::size_t GrowthSums::MemoryBytes() const {
  return exact_prefixes_.capacity() * sizeof(ExactSums) + float_prefixes_.capacity() * sizeof(FloatSums);
}

}  // namespace kep::chart
