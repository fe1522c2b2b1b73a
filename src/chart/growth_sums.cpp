#include "chart/growth_sums.h"

#include <algorithm>
#include <cmath>

#include "chart/chart_value_list.h"

namespace kep::chart {

namespace {

// An integer the exact sums can hold: with at most 2^31 points of magnitude
// at most 2^40, every sum and every product formed from them stays below
// 2^112.
bool IsExactValue(double value) {
  return std::abs(value) <= GrowthSums::kExactLimit && value == std::trunc(value);
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
    for (std::size_t i = unchanged; i < count && exact_; ++i) {
      exact_ = IsExactValue(xs.ValueAt(static_cast<int>(i))) && IsExactValue(ys.ValueAt(static_cast<int>(i)));
    }
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
  for (std::size_t i = first; i < last; ++i) {
    const auto x = static_cast<Int128>(xs_->ValueAt(static_cast<int>(i)));
    const auto y = static_cast<Int128>(ys_->ValueAt(static_cast<int>(i)));
    into.n += sign;
    into.x += sign * x;
    into.y += sign * y;
    into.xx += sign * x * x;
    into.xy += sign * x * y;
  }
}

void GrowthSums::Walk(std::size_t first, std::size_t last, int sign, FloatSums& into) const {
  for (std::size_t i = first; i < last; ++i) {
    const long double x = static_cast<long double>(xs_->ValueAt(static_cast<int>(i))) - x0_;
    const long double y = static_cast<long double>(ys_->ValueAt(static_cast<int>(i))) - y0_;
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    into.n += sign;
    into.x += sign * x;
    into.y += sign * y;
    into.xx += sign * x * x;
    into.xy += sign * x * y;
  }
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
