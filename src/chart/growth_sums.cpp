#include "chart/growth_sums.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "chart/chart_value_list.h"

namespace kep::chart {

namespace {

// The integers that the exact sums hold are at most kExactLimit in
// magnitude: with at most 2^31 points, every sum and every product formed
// from them stays below 2^112.
//
// Adding and taking away 1.5 * 2^52 turns a value of magnitude below 2^51
// into an integer (the sum's last bit is worth 1), in any rounding mode, so
// the value is an integer when it comes back unchanged; a NaN fails both
// tests. Unlike std::trunc that is two plain additions, which vectorise.
constexpr double kRounder = 0x1.8p52;

// Sums of integers in doubles are exact, in any order, while every term and
// every partial sum stays below 2^53; bounds at or below this leave room for
// the rounding of the products that estimate them.
constexpr double kDoubleExact = 0x1p52;

// Two values side by side in a vector register (SSE2 at the least), with
// the masks that comparing them gives.
constexpr std::size_t kLanes = 2;
typedef double Lanes __attribute__((vector_size(kLanes * sizeof(double))));
typedef std::int64_t LaneMask __attribute__((vector_size(kLanes * sizeof(std::int64_t))));

Lanes LoadLanes(const double* values) {
  Lanes lanes;
  std::memcpy(&lanes, values, sizeof lanes);
  return lanes;
}

// Every bit of a double but its sign.
constexpr std::int64_t kMagnitudeBits = 0x7FFF'FFFF'FFFF'FFFF;

Lanes Magnitude(Lanes v) { return reinterpret_cast<Lanes>(reinterpret_cast<LaneMask>(v) & kMagnitudeBits); }

// a where mask is set, else b.
Lanes Pick(LaneMask mask, Lanes a, Lanes b) {
  return reinterpret_cast<Lanes>((mask & reinterpret_cast<LaneMask>(a)) |
                                 (~mask & reinterpret_cast<LaneMask>(b)));
}

// What tells whether the values are exact, and bounds the terms of the
// sums, and the sums over d = x - x0 in doubles, taken over points a lane
// at a time. Only the sums of values are kept, no comparison masks: the
// compiler turns a running AND of comparisons into scalar code.
struct LaneSums {
  // The bits of every r - v, with r the integer that kRounder rounds v to:
  // their magnitude bits stay clear only while every v of magnitude below
  // 2^51 is an integer; a NaN or an infinity (inf - inf) sets them, and the
  // extremes catch the other wide values.
  LaneMask misses = {};
  Lanes lowest_x;
  Lanes highest_x;
  Lanes highest_y = {};  // magnitude
  Lanes d = {};
  Lanes y = {};
  Lanes dd = {};
  Lanes dy = {};

  explicit LaneSums(double x0) : lowest_x(Lanes{} + x0), highest_x(Lanes{} + x0) {}

  void Add(Lanes x_values, Lanes y_values, double x0) {
    misses |= reinterpret_cast<LaneMask>(((x_values + kRounder) - kRounder) - x_values);
    misses |= reinterpret_cast<LaneMask>(((y_values + kRounder) - kRounder) - y_values);
    lowest_x = Pick(x_values < lowest_x, x_values, lowest_x);
    highest_x = Pick(x_values > highest_x, x_values, highest_x);
    const Lanes y_magnitude = Magnitude(y_values);
    highest_y = Pick(y_magnitude > highest_y, y_magnitude, highest_y);
    const Lanes d_values = x_values - x0;
    d += d_values;
    y += y_values;
    dd += d_values * d_values;
    dy += d_values * y_values;
  }
  void Add(const LaneSums& other) {
    misses |= other.misses;
    lowest_x = Pick(other.lowest_x < lowest_x, other.lowest_x, lowest_x);
    highest_x = Pick(other.highest_x > highest_x, other.highest_x, highest_x);
    highest_y = Pick(other.highest_y > highest_y, other.highest_y, highest_y);
    d += other.d;
    y += other.y;
    dd += other.dd;
    dy += other.dy;
  }
};

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
  if (exact_ && !ExtendExact(unchanged)) {
    // From here on the sums are taken in extended precision, all of them.
    exact_ = false;
    exact_prefixes_.clear();
    unchanged = 0;
  }
  if (!exact_) ExtendFloat(unchanged);
}

bool GrowthSums::ExtendExact(std::size_t unchanged) {
  // Prefixes up to the block that holds the first changed point stand. The
  // points after the last whole block are read too, to see that they are
  // exact.
  exact_prefixes_.resize(std::min(exact_prefixes_.size(), unchanged / kBlock + 1));
  if (exact_prefixes_.empty()) exact_prefixes_.emplace_back();
  if (exact_prefixes_.size() == 1) exact_prefixes_.reserve(count_ / kBlock + 1);  // a first build
  double x_values[kBlock];
  double y_values[kBlock];
  for (std::size_t from = (exact_prefixes_.size() - 1) * kBlock; from < count_; from += kBlock) {
    const std::size_t n = std::min(kBlock, count_ - from);
    xs_->ReadValues(from, n, x_values);
    ys_->ReadValues(from, n, y_values);
    ExactSums next = exact_prefixes_.back();
    if (!SumExact(x_values, y_values, n, next)) return false;
    if (n == kBlock) exact_prefixes_.push_back(next);
  }
  return true;
}

void GrowthSums::ExtendFloat(std::size_t unchanged) {
  float_prefixes_.resize(std::min(float_prefixes_.size(), unchanged / kBlock + 1));
  if (float_prefixes_.empty()) float_prefixes_.emplace_back();
  while (float_prefixes_.size() * kBlock <= count_) {
    FloatSums next = float_prefixes_.back();
    const std::size_t from = (float_prefixes_.size() - 1) * kBlock;
    Walk(from, from + kBlock, 1, next);
    float_prefixes_.push_back(next);
  }
}

bool GrowthSums::SumExact(const double* xs, const double* ys, std::size_t n, ExactSums& sums) {
  // One pass without branches over the points, two sets of lanes at a
  // time so that the additions overlap; the last lanes are padded with the
  // point (x0, 0), which adds nothing.
  const double x0 = xs[0];
  LaneSums lanes[2] = {LaneSums(x0), LaneSums(x0)};
  std::size_t k = 0;
  for (; k + 2 * kLanes <= n; k += 2 * kLanes) {
    lanes[0].Add(LoadLanes(xs + k), LoadLanes(ys + k), x0);
    lanes[1].Add(LoadLanes(xs + k + kLanes), LoadLanes(ys + k + kLanes), x0);
  }
  for (; k < n; k += kLanes) {
    double x_values[kLanes] = {x0, x0};
    double y_values[kLanes] = {};
    std::copy(xs + k, xs + std::min(n, k + kLanes), x_values);
    std::copy(ys + k, ys + std::min(n, k + kLanes), y_values);
    lanes[0].Add(LoadLanes(x_values), LoadLanes(y_values), x0);
  }
  lanes[0].Add(lanes[1]);
  const LaneSums& all = lanes[0];
  // Every value is an integer (or an infinity) of magnitude at most
  // kExactLimit (which leaves out the infinities).
  const double lowest_x = std::min(all.lowest_x[0], all.lowest_x[1]);
  const double highest_x = std::max(all.highest_x[0], all.highest_x[1]);
  const double most_height = std::max(all.highest_y[0], all.highest_y[1]);
  if (((all.misses[0] | all.misses[1]) & kMagnitudeBits) != 0 || lowest_x < -kExactLimit ||
      highest_x > kExactLimit || most_height > kExactLimit) {
    return false;
  }
  const double most_reach = std::max(highest_x - x0, x0 - lowest_x);

  // The values are integers of at most 2^40: they convert to 64 bits in one
  // step, and x - x0 is exact in doubles.
  const auto first = static_cast<std::int64_t>(x0);
  const auto count = static_cast<double>(n);
  Int128 sum_d = 0;
  Int128 sum_y = 0;
  Int128 sum_dd = 0;
  Int128 sum_dy = 0;
  if (most_reach * most_reach * count <= kDoubleExact && most_reach * most_height * count <= kDoubleExact) {
    // Every term and partial sum of d, y, d*d and d*y is an integer below
    // 2^53 (|d| <= reach, |y| <= height, n terms): the sums in doubles are
    // exact. Line numbers in runs and digit counts take this way.
    for (std::size_t j = 0; j < kLanes; ++j) {
      sum_d += static_cast<std::int64_t>(all.d[j]);
      sum_y += static_cast<std::int64_t>(all.y[j]);
      sum_dd += static_cast<std::int64_t>(all.dd[j]);
      sum_dy += static_cast<std::int64_t>(all.dy[j]);
    }
  } else {
    // Wider values: one widening multiply per product.
    for (k = 0; k < n; ++k) {
      const auto d = static_cast<std::int64_t>(xs[k] - x0);
      const auto y = static_cast<std::int64_t>(ys[k]);
      sum_d += d;
      sum_y += y;
      sum_dd += static_cast<Int128>(d) * d;
      sum_dy += static_cast<Int128>(d) * y;
    }
  }
  // With x = x0 + d: sum x = n x0 + sum d, sum x^2 = n x0^2 + 2 x0 sum d +
  // sum d^2, sum x y = x0 sum y + sum d y.
  const Int128 points = static_cast<Int128>(n);
  sums.n += points;
  sums.x += points * first + sum_d;
  sums.y += sum_y;
  sums.xx += points * first * first + 2 * first * sum_d + sum_dd;
  sums.xy += first * sum_y + sum_dy;
  return true;
}

void GrowthSums::Walk(std::size_t first, std::size_t last, int sign, ExactSums& into) const {
  double x_values[kBlock];
  double y_values[kBlock];
  for (std::size_t from = first; from < last; from += kBlock) {
    const std::size_t n = std::min(kBlock, last - from);
    xs_->ReadValues(from, n, x_values);
    ys_->ReadValues(from, n, y_values);
    ExactSums walked;
    SumExact(x_values, y_values, n, walked);  // exact: the sums were built over them
    into.n += sign * walked.n;
    into.x += sign * walked.x;
    into.y += sign * walked.y;
    into.xx += sign * walked.xx;
    into.xy += sign * walked.xy;
  }
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
    const ExactSums sums = SumsOf(first, last + 1);
    const Int128 n = sums.n;
    const Int128 sx = sums.x;
    const Int128 sy = sums.y;
    const Int128 sxx = sums.xx;
    const Int128 sxy = sums.xy;
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

GrowthSums::ExactSums GrowthSums::SumsOf(std::size_t first, std::size_t end) const {
  ExactSums sums = Prefix(exact_prefixes_, end);
  const ExactSums below = Prefix(exact_prefixes_, first);
  sums.n -= below.n;
  sums.x -= below.x;
  sums.y -= below.y;
  sums.xx -= below.xx;
  sums.xy -= below.xy;
  return sums;
}

std::size_t GrowthSums::MemoryBytes() const {
  return exact_prefixes_.capacity() * sizeof(ExactSums) + float_prefixes_.capacity() * sizeof(FloatSums);
}

}  // namespace kep::chart
