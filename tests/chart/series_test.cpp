#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "chart/chart_series.h"
#include "chart_test_support.h"

namespace kep::chart {
namespace {

using raster::clBlue;
using raster::clRed;
using raster::clSeriesColor;
using testing::CountingChart;

TEST(SeriesTest, YFollowsXAndColoursAndLabelsFollowTheirPoint) {
  ChartSeries series;
  series.SetSeriesColor(clBlue);
  EXPECT_EQ(series.AddPoint(3, 30, "", clSeriesColor), 0);
  EXPECT_EQ(series.AddPoint(1, 10, "", clSeriesColor), 0);
  EXPECT_EQ(series.PointCount(), 2);
  EXPECT_EQ(series.XValueAt(0), 1);
  EXPECT_EQ(series.YValueAt(0), 10);
  EXPECT_EQ(series.YValueAt(1), 30);
  EXPECT_EQ(series.PointColor(0), clBlue);
  EXPECT_EQ(series.PointLabel(0), "");
  EXPECT_EQ(series.StoredLabelCount(), 0);  // plain points store no labels

  // The first point with its own colour and label; the earlier ones keep theirs.
  EXPECT_EQ(series.AddPoint(2, 20, "two", clRed), 1);
  EXPECT_EQ(series.AddPoint(0, 0, "", clSeriesColor), 0);
  EXPECT_EQ(series.PointColor(0), clBlue);
  EXPECT_EQ(series.PointColor(1), clBlue);
  EXPECT_EQ(series.PointColor(2), clRed);
  EXPECT_EQ(series.PointColor(3), clBlue);
  EXPECT_EQ(series.PointColor(4), clBlue);  // beyond the points
  EXPECT_EQ(series.PointLabel(2), "two");
  EXPECT_EQ(series.PointLabel(3), "");
  EXPECT_EQ(series.PointLabel(-1), "");

  series.SetColorEachPoint(true);
  EXPECT_EQ(series.PointColor(1), DefaultSeriesColor(1));
  EXPECT_EQ(series.PointColor(2), clRed);

  series.RemovePoint(2);
  EXPECT_EQ(series.PointCount(), 3);
  EXPECT_EQ(series.PointLabel(2), "");
  EXPECT_EQ(series.XValueAt(2), 3);
  EXPECT_EQ(series.YValueAt(2), 30);
}

TEST(SeriesTest, AddEventsCanRefuseAPoint) {
  ChartSeries series;
  std::vector<double> pending;
  std::vector<int> added;
  series.OnBeforeAdd = [&](ChartSeries& s) {
    pending.push_back(s.XValues().PendingValue());
    return s.YValues().PendingValue() >= 0;
  };
  series.OnAfterAdd = [&](ChartSeries&, int index) { added.push_back(index); };
  EXPECT_EQ(series.AddPoint(5, 1, "", clSeriesColor), 0);
  EXPECT_EQ(series.AddPoint(4, -1, "x", clRed), -1);
  EXPECT_EQ(series.AddPoint(3, 1, "", clSeriesColor), 0);
  EXPECT_EQ(pending, (std::vector<double>{5, 4, 3}));
  EXPECT_EQ(added, (std::vector<int>{0, 0}));
  EXPECT_EQ(series.PointCount(), 2);
  EXPECT_EQ(series.StoredLabelCount(), 0);
}

TEST(SeriesTest, ClearPointsEmptiesEverythingAndRepaints) {
  CountingChart chart;
  auto& series = chart.AddSeries(std::make_unique<ChartSeries>());
  int cleared = 0;
  series.OnClearValues = [&](ChartSeries&) { ++cleared; };
  series.AddPoint(1, 1, "a", clRed);
  series.AddPoint(2, 5, "", clSeriesColor);
  EXPECT_EQ(series.HighestY(), 5);
  const int before = chart.invalidations;
  series.ClearPoints();
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(chart.invalidations, before + 1);
  EXPECT_EQ(series.PointCount(), 0);
  EXPECT_EQ(series.YValues().ValueCount(), 0);
  EXPECT_EQ(series.PointLabel(0), "");
  EXPECT_EQ(series.HighestY(), 0);
  series.AddPoint(1, 1, "", clSeriesColor);
  EXPECT_EQ(series.PointColor(0), series.SeriesColor());

  // An inactive series asks for no repaint when points are added.
  series.SetActive(false);
  const int inactive = chart.invalidations;
  series.AddPoint(2, 2, "", clSeriesColor);
  EXPECT_EQ(chart.invalidations, inactive);
}

TEST(SeriesTest, AChartGivesUncolouredSeriesAFreeDefaultColour) {
  CustomAxisPanel chart;
  auto& first = chart.AddSeries(std::make_unique<ChartSeries>());
  auto coloured = std::make_unique<ChartSeries>();
  coloured->SetSeriesColor(DefaultSeriesColor(1));
  chart.AddSeries(std::move(coloured));
  auto& third = chart.AddSeries(std::make_unique<ChartSeries>());
  EXPECT_EQ(first.SeriesColor(), DefaultSeriesColor(0));
  EXPECT_EQ(third.SeriesColor(), DefaultSeriesColor(2));
  EXPECT_EQ(&first.ParentChart()->BottomAxis(), &chart.BottomAxis());
}

// Points built aside take the series' place whole: values, colours, labels,
// and statistics that are not the cached ones of the replaced points.
// Bulk appending stores what adding the points one by one stores, with the
// same statistics; where it cannot (out of order, hooks, own colours) it
// adds them one by one.
TEST(SeriesTest, AppendPointsMatchesAddingThemOneByOne) {
  const std::vector<std::vector<ValuePoint>> batches = {
      {{1, 5}, {2, -3}, {2, 7}}, {}, {{3, 0.5}, {10, -8}}, {{4, 2}, {11, 1}}, {{11, 9}, {std::nan(""), 1}}};
  for (const bool hook : {false, true}) {
    ChartSeries bulk;
    ChartSeries single;
    int added = 0;
    if (hook) bulk.OnAfterAdd = [&](ChartSeries&, int) { ++added; };
    bulk.YValues().Lowest();  // statistics current before the first batch
    for (const std::vector<ValuePoint>& batch : batches) {
      bulk.AppendPoints(batch);
      for (const ValuePoint& point : batch) single.AddPoint(point.x, point.y, "", clSeriesColor);
      const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
      ASSERT_EQ(bulk.PointCount(), single.PointCount());
      for (int i = 0; i < bulk.PointCount(); ++i) {
        EXPECT_TRUE(same(bulk.XValueAt(i), single.XValueAt(i)));
        EXPECT_EQ(bulk.YValueAt(i), single.YValueAt(i));
      }
      for (const bool x : {true, false}) {
        const ChartValueList& list = x ? bulk.XValues() : bulk.YValues();
        const ChartValueList& other = x ? single.XValues() : single.YValues();
        EXPECT_TRUE(same(list.Lowest(), other.Lowest()));
        EXPECT_TRUE(same(list.Highest(), other.Highest()));
        EXPECT_TRUE(same(list.Sum(), other.Sum()));
      }
    }
    EXPECT_EQ(added, hook ? bulk.PointCount() : 0);
    bulk.RemoveLastPoints(3);
    EXPECT_EQ(bulk.PointCount(), single.PointCount() - 3);
  }
  ChartSeries coloured;
  coloured.AddPoint(0, 0, "", clRed);
  coloured.AppendPoints(std::vector<ValuePoint>{{1, 1}});
  EXPECT_EQ(coloured.PointColor(1), coloured.SeriesColor());
  EXPECT_TRUE(coloured.HasOwnPointColors());
}

TEST(SeriesTest, SwapPointsExchangesEverythingAPointCarries) {
  CountingChart chart;
  ChartSeries& shown = chart.AddSeries(std::make_unique<ChartSeries>());
  shown.AddPoint(1, 100, "", clSeriesColor);
  EXPECT_EQ(shown.HighestY(), 100);
  ChartSeries aside;
  aside.AddPoint(1, 5, "one", clRed);
  aside.AddPoint(2, 7, "", clSeriesColor);
  const std::uint64_t changes = shown.YValues().ChangeCount();
  chart.invalidations = 0;

  shown.SwapPoints(aside);
  ASSERT_EQ(shown.PointCount(), 2);
  EXPECT_EQ(shown.YValueAt(1), 7);
  EXPECT_EQ(shown.HighestY(), 7);
  EXPECT_EQ(shown.PointColor(0), clRed);
  EXPECT_EQ(shown.PointLabel(0), "one");
  EXPECT_GT(shown.YValues().ChangeCount(), changes);
  EXPECT_GT(chart.invalidations, 0);
  ASSERT_EQ(aside.PointCount(), 1);
  EXPECT_EQ(aside.HighestY(), 100);
  EXPECT_FALSE(aside.HasOwnPointColors());
}

}  // namespace
}  // namespace kep::chart
