#include "chart/growth_sums.h"

#include <gtest/gtest.h>

#include <cmath>
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

}  // namespace
}  // namespace kep::chart
