#include "chart/growth_sums.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "chart/line_series.h"
#include "common/value_point.h"

namespace kep::chart {
namespace {

// The least-squares slope of the points first .. last by two passes in
// extended precision: the mean first, then the centred sums.
double ReferenceSlope(const ChartSeries& series, int first, int last) {
  long double mean_x = 0;
  long double mean_y = 0;
  const int n = last - first + 1;
  for (int i = first; i <= last; ++i) {
    mean_x += series.XValueAt(i);
    mean_y += series.YValueAt(i);
  }
  mean_x /= n;
  mean_y /= n;
  long double sxx = 0;
  long double sxy = 0;
  for (int i = first; i <= last; ++i) {
    const long double dx = series.XValueAt(i) - mean_x;
    sxx += dx * dx;
    sxy += dx * (series.YValueAt(i) - mean_y);
  }
  return static_cast<double>(sxy / sxx);
}

void Append(LineSeries& series, const std::vector<ValuePoint>& points) { series.AppendPoints(points); }

// Ranges that start and end inside blocks, on their edges, on either side
// of their middles, and inside one block.
std::vector<std::pair<int, int>> Ranges(int count) {
  constexpr int kBlock = static_cast<int>(GrowthSums::kBlock);
  std::vector<std::pair<int, int>> ranges = {{0, count - 1},
                                             {0, 1},
                                             {5, 900},
                                             {kBlock - 1, kBlock},
                                             {kBlock, 2 * kBlock - 1},
                                             {kBlock / 2 + 1, 3 * kBlock + 700}};
  std::mt19937 random(7);
  for (int i = 0; i < 40; ++i) {
    int a = static_cast<int>(random() % count);
    int b = static_cast<int>(random() % count);
    if (a > b) std::swap(a, b);
    if (a < b) ranges.emplace_back(a, b);
  }
  return ranges;
}

TEST(GrowthSumsTest, LinearDataGivesItsSlopeExactlyAtAnyPlace) {
  // Line numbers far from 0, as in a file of 10^9 lines: a sum of squares
  // in doubles would lose the slope's digits here.
  LineSeries series;
  std::vector<ValuePoint> points;
  constexpr double kStart = 1'000'000'000;
  for (int i = 0; i < 5000; ++i) points.push_back({kStart + 3 * i, 7 + 5 * (kStart + 3 * i)});
  Append(series, points);
  for (const auto& [first, last] : Ranges(series.PointCount())) {
    const GrowthSums::Fit fit = series.Growth(first, last);
    EXPECT_EQ(fit.points, static_cast<std::size_t>(last - first + 1));
    EXPECT_EQ(fit.slope, 5.0) << first << ".." << last;
  }
  // Digit counts of Fibonacci-like growth: a rational slope to the last bit.
  LineSeries steps;
  points.clear();
  for (int i = 0; i < 3000; ++i) points.push_back({static_cast<double>(i + 1), static_cast<double>(i / 2)});
  Append(steps, points);
  EXPECT_NEAR(steps.Growth(0, 2999).slope, ReferenceSlope(steps, 0, 2999), 1e-15);
}

TEST(GrowthSumsTest, EqualsTheTwoPassReferenceOnRandomIntegersAndDoubles) {
  std::mt19937_64 random(42);
  for (const bool integers : {true, false}) {
    SCOPED_TRACE(integers ? "integers" : "doubles");
    LineSeries series;
    std::vector<ValuePoint> points;
    double x = integers ? 1e8 : 0.5;
    for (int i = 0; i < 10000; ++i) {
      x += 1 + static_cast<double>(random() % 3);
      const double y = integers ? static_cast<double>(random() % 100000)
                                : std::ldexp(static_cast<double>(random() % 1000000), -7);
      points.push_back({integers ? x : x + 0.25, y});
    }
    Append(series, points);
    for (const auto& [first, last] : Ranges(series.PointCount())) {
      const double reference = ReferenceSlope(series, first, last);
      EXPECT_NEAR(series.Growth(first, last).slope, reference, 1e-9 * (1 + std::abs(reference)))
          << first << ".." << last;
    }
  }
}

TEST(GrowthSumsTest, FollowsAppendsAndWithdrawalsAsAFreshBuildWould) {
  LineSeries followed;
  std::mt19937 random(3);
  std::vector<ValuePoint> points;
  int next_x = 1;
  const auto grow = [&](int count) {
    points.clear();
    for (int i = 0; i < count; ++i, ++next_x)
      points.push_back({static_cast<double>(next_x), static_cast<double>(random() % 50)});
    followed.AppendPoints(points);
  };
  grow(3000);
  EXPECT_FALSE(std::isnan(followed.Growth(0, 2999).slope));  // the sums exist from here on
  for (const int step : {1, 700, 2500, 17}) {
    grow(step);
    followed.RemoveLastPoints(static_cast<std::size_t>(step / 2 + 1));
    next_x -= step / 2 + 1;
    grow(step);
    // A fresh series with the same points.
    LineSeries fresh;
    std::vector<ValuePoint> all;
    for (int i = 0; i < followed.PointCount(); ++i)
      all.push_back({followed.XValueAt(i), followed.YValueAt(i)});
    fresh.AppendPoints(all);
    const int last = followed.PointCount() - 1;
    for (const int first : {0, 1500, last - 1}) {
      EXPECT_EQ(followed.Growth(first, last).slope, fresh.Growth(first, last).slope) << step;
    }
  }
  // A replaced value (not at the end) is taken in too.
  followed.YValues().ReplaceValueAt(10, 1e6);
  EXPECT_NEAR(followed.Growth(0, 100).slope, ReferenceSlope(followed, 0, 100), 1e-9);
}

TEST(GrowthSumsTest, FewerThanTwoPointsOrOneLineNumberGiveNoSlope) {
  LineSeries series;
  EXPECT_TRUE(std::isnan(series.Growth(-1, -1).slope));
  series.AddPoint(1, 5, "", raster::clSeriesColor);
  EXPECT_EQ(series.Growth(0, 0).points, 1u);
  EXPECT_TRUE(std::isnan(series.Growth(0, 0).slope));
  series.AddPoint(1, 9, "", raster::clSeriesColor);
  EXPECT_TRUE(std::isnan(series.Growth(0, 1).slope));
  series.AddPoint(3, 9, "", raster::clSeriesColor);
  EXPECT_DOUBLE_EQ(series.Growth(0, 2).slope, 1.0);
  // A non-finite value moves the sums to extended precision and is left out.
  series.AddPoint(4, std::numeric_limits<double>::infinity(), "", raster::clSeriesColor);
  EXPECT_EQ(series.Growth(0, 3).points, 3u);
  EXPECT_DOUBLE_EQ(series.Growth(0, 3).slope, 1.0);
}

// The oracle for the exact sums: one plain pass over the points.
GrowthSums::ExactSums ReferenceSums(const ChartSeries& series, int first, int end) {
  GrowthSums::ExactSums sums;
  for (int i = first; i < end; ++i) {
    const auto x = static_cast<std::int64_t>(series.XValueAt(i));
    const auto y = static_cast<std::int64_t>(series.YValueAt(i));
    sums.n += 1;
    sums.x += x;
    sums.y += y;
    sums.xx += static_cast<GrowthSums::Int128>(x) * x;
    sums.xy += static_cast<GrowthSums::Int128>(x) * y;
  }
  return sums;
}

bool ReferenceExact(const ChartSeries& series) {
  const auto exact = [](double v) { return std::abs(v) <= GrowthSums::kExactLimit && v == std::trunc(v); };
  for (int i = 0; i < series.PointCount(); ++i) {
    if (!exact(series.XValueAt(i)) || !exact(series.YValueAt(i))) return false;
  }
  return true;
}

// Points as a sequence file gives them (line numbers in runs with gaps,
// digit counts), or with wide values or wide gaps that the sums take point
// by point, from a start anywhere in the exact range; now and then a value that is
// not exact (just beyond 2^40, a fraction, a NaN, an infinity).
enum class Spread { kDigits, kWideValues, kWideGaps };
std::vector<ValuePoint> RandomPoints(std::mt19937_64& random, int count, Spread spread, bool spoil) {
  constexpr double kLimit = GrowthSums::kExactLimit;
  const double starts[] = {1, -kLimit, kLimit - count * 4.0, 1e9, -50};
  double x = starts[random() % 5];
  std::vector<ValuePoint> points;
  for (int i = 0; i < count; ++i) {
    double y = static_cast<double>(random() % 40);
    if (spread == Spread::kWideValues) {
      const double wides[] = {kLimit, -kLimit, static_cast<double>(random() >> 24) - 0x1p39, -3};
      y = wides[random() % 4];
    }
    points.push_back({x, y});
    x += random() % 50 == 0 ? static_cast<double>(random() % (spread == Spread::kWideGaps ? 1000000 : 5)) : 1;
  }
  if (spoil && random() % 3 == 0) {
    // The line numbers stay in order.
    points.back().x = random() % 2 ? kLimit + 1 : points.back().x + 0.5;
  } else if (spoil) {
    const double spoilers[] = {kLimit + 1, -kLimit - 1, 0.5, std::nan(""),
                               -std::numeric_limits<double>::infinity()};
    points[random() % points.size()].y = spoilers[random() % 5];
  }
  return points;
}

// Every prefix, and ranges that start and end inside blocks, against the
// plain pass; a fit against the sums it was formed from.
void ExpectSumsOfReference(const GrowthSums& sums, const ChartSeries& series, std::mt19937_64& random) {
  const int count = series.PointCount();
  if (!sums.Exact()) return;
  for (int end = 0; end <= count; end += static_cast<int>(GrowthSums::kBlock)) {
    ASSERT_TRUE(sums.SumsOf(0, end) == ReferenceSums(series, 0, end)) << end;
  }
  ASSERT_TRUE(sums.SumsOf(0, count) == ReferenceSums(series, 0, count));
  for (int i = 0; i < 30; ++i) {
    int first = static_cast<int>(random() % (count + 1));
    int end = static_cast<int>(random() % (count + 1));
    if (first > end) std::swap(first, end);
    ASSERT_TRUE(sums.SumsOf(first, end) == ReferenceSums(series, first, end)) << first << ".." << end;
    if (end > first) {
      EXPECT_EQ(sums.Query(first, end - 1).points, static_cast<std::size_t>(end - first));
    }
  }
}

TEST(GrowthSumsTest, ExactSumsEqualAPlainPassOverRandomSeries) {
  std::mt19937_64 random(11);
  for (int round = 0; round < 60; ++round) {
    const auto spread = static_cast<Spread>(round % 3);
    const bool spoil = round % 4 == 3;
    SCOPED_TRACE(testing::Message() << "round " << round);
    LineSeries series;
    series.AppendPoints(RandomPoints(random, 1 + static_cast<int>(random() % 5000), spread, spoil));
    if (round % 10 == 9) series.YValues().SetMultiplier(3);  // read through the multiplier
    GrowthSums sums;
    sums.Build(series.XValues(), series.YValues());
    ASSERT_EQ(sums.Exact(), ReferenceExact(series));
    ExpectSumsOfReference(sums, series, random);
  }
}

TEST(GrowthSumsTest, UpdatesAfterAppendsAndRemovalsEqualAFreshBuild) {
  std::mt19937_64 random(5);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    LineSeries series;
    series.AppendPoints(
        RandomPoints(random, 1 + static_cast<int>(random() % 3000), static_cast<Spread>(round % 3), false));
    GrowthSums sums;
    sums.Build(series.XValues(), series.YValues());
    bool spoiled = false;  // the sums stay in extended precision once a value was not exact
    for (int step = 0; step < 6; ++step) {
      const auto count = static_cast<std::size_t>(series.PointCount());
      const std::size_t removed = random() % std::min<std::size_t>(count, 1500);
      series.RemoveLastPoints(removed);
      std::vector<ValuePoint> more =
          RandomPoints(random, 1 + static_cast<int>(random() % 2500), static_cast<Spread>(round % 3),
                       step == 4 && round % 2 == 0);
      const double shift = series.XValueAt(series.PointCount() - 1) + 1 - more.front().x;
      for (ValuePoint& point : more) point.x += shift;
      series.AppendPoints(more);
      sums.Update(series.XValues(), series.YValues(), count - removed);
      GrowthSums fresh;
      fresh.Build(series.XValues(), series.YValues());
      spoiled = spoiled || !ReferenceExact(series);
      ASSERT_EQ(fresh.Exact(), ReferenceExact(series));
      ASSERT_EQ(sums.Exact(), !spoiled);
      ExpectSumsOfReference(sums, series, random);
      for (int i = 0; i < 10; ++i) {
        int first = static_cast<int>(random() % series.PointCount());
        int last = static_cast<int>(random() % series.PointCount());
        if (first > last) std::swap(first, last);
        const GrowthSums::Fit updated = sums.Query(first, last);
        const GrowthSums::Fit built = fresh.Query(first, last);
        EXPECT_EQ(updated.points, built.points);
        if (sums.Exact() == fresh.Exact() && !std::isnan(built.slope)) {
          EXPECT_EQ(updated.slope, built.slope) << first << ".." << last;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kep::chart
