#pragma once

#include <cstddef>
#include <limits>
#include <vector>

namespace kep::chart {

class ChartValueList;

// The least-squares slope of Y against X over any index range of a series'
// points, answered from running sums instead of a walk over the points.
//
// The sums (count, X, Y, X*X, X*Y) are kept as prefix sums at every
// kBlock-th point; a query takes the two prefixes nearest to the range's
// ends and walks at most kBlock / 2 points beside each. That costs 80 bytes
// per kBlock points.
//
// While every value is an integer of magnitude at most kExactLimit (line
// numbers and digit counts are), the sums are exact 128-bit integers and the
// slope is formed from them without cancellation: it is exact up to the
// final rounding, whatever the count. Other values fall back to sums in
// extended precision of the values less the first point's, which keeps the
// cancellation small for values bunched far from 0; non-finite points are
// left out there.
//
// The lists must not change while the sums are in use; the owner updates
// them after a change, as it does a MinMaxPyramid.
class GrowthSums {
 public:
  static constexpr std::size_t kBlock = 1024;
  static constexpr double kExactLimit = 1099511627776.0;  // 2^40

  struct Fit {
    std::size_t points = 0;  // the points the fit used
    // Y units per X unit; NaN for fewer than 2 points or a single X.
    double slope = std::numeric_limits<double>::quiet_NaN();
  };

  // Builds over every point of the lists (X first, Y second), which the sums
  // keep reading.
  void Build(const ChartValueList& xs, const ChartValueList& ys);
  // Brings the sums up to date when only the points from index unchanged on
  // have changed, been added or removed since the last Build or Update over
  // the same lists: costs in proportion to those.
  void Update(const ChartValueList& xs, const ChartValueList& ys, std::size_t unchanged);
  void Clear();
  bool Built() const { return xs_ != nullptr; }
  // Whether the sums are exact integers.
  bool Exact() const { return exact_; }

  // The fit over the points first .. last (inclusive, both valid indices).
  Fit Query(std::size_t first, std::size_t last) const;

  __extension__ typedef __int128 Int128;
  struct ExactSums {
    Int128 n = 0;
    Int128 x = 0;
    Int128 y = 0;
    Int128 xx = 0;
    Int128 xy = 0;
    bool operator==(const ExactSums&) const = default;
  };
  // The exact sums of the points first .. end - 1 (first <= end <= the
  // count), as Query forms them; only while Exact().
  ExactSums SumsOf(std::size_t first, std::size_t end) const;

  std::size_t MemoryBytes() const;

 private:
  struct FloatSums {
    long double n = 0;
    long double x = 0;
    long double y = 0;
    long double xx = 0;
    long double xy = 0;
  };

  // The sums of the n (1 .. kBlock) points x[k], y[k], read in a row, into
  // sums; false (sums left as they were) when a value is not exact.
  static bool SumExact(const double* x, const double* y, std::size_t n, ExactSums& sums);
  // Extends the exact prefixes over the points from index unchanged on;
  // false when one of those points is not exact.
  bool ExtendExact(std::size_t unchanged);
  // Adds (sign +1) or takes away (-1) the points first .. last - 1.
  void Walk(std::size_t first, std::size_t last, int sign, ExactSums& into) const;
  void Walk(std::size_t first, std::size_t last, int sign, FloatSums& into) const;
  // The sums of the points 0 .. end - 1.
  template <typename Sums>
  Sums Prefix(const std::vector<Sums>& prefixes, std::size_t end) const;
  void ExtendFloat(std::size_t unchanged);

  const ChartValueList* xs_ = nullptr;
  const ChartValueList* ys_ = nullptr;
  std::size_t count_ = 0;
  bool exact_ = true;
  // The float sums' origin: the first point.
  double x0_ = 0;
  double y0_ = 0;
  // prefixes[k]: the sums of the points 0 .. k * kBlock - 1.
  std::vector<ExactSums> exact_prefixes_;
  std::vector<FloatSums> float_prefixes_;
};

}  // namespace kep::chart
