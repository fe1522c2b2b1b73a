#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "chart/block_array.h"
#include "chart/chart_exceptions.h"
#include "chart/chart_series.h"
#include "chart/chart_value_list.h"
#include "raster/bitmap.h"
#include "support/error_text.h"

namespace kep::chart {
namespace {

std::vector<double> Values(const ChartValueList& list) {
  std::vector<double> values;
  for (int i = 0; i < list.ValueCount(); ++i) values.push_back(list.ValueAt(i));
  return values;
}

using V = std::vector<double>;

TEST(ValueListTest, OrderedAppendKeepsTiesInArrivalOrder) {
  ChartSeries series;
  ChartValueList& list = series.XValues();  // ascending
  std::vector<int> indices;
  for (double v : {3.0, 1.0, 2.0, 2.0}) indices.push_back(list.AppendValue(v));
  EXPECT_EQ(Values(list), (V{1, 2, 2, 3}));
  EXPECT_EQ(indices, (std::vector<int>{0, 0, 1, 2}));

  ChartValueList& unordered = series.YValues();
  for (double v : {3.0, 1.0, 2.0}) unordered.AppendValue(v);
  EXPECT_EQ(Values(unordered), (V{3, 1, 2}));

  ChartValueList descending(series, "D");
  descending.SetOrder(ChartListOrder::loDescending);
  for (double v : {1.0, 3.0, 2.0, 3.0, 0.0}) descending.AppendValue(v);
  EXPECT_EQ(Values(descending), (V{3, 3, 2, 1, 0}));
}

TEST(ValueListTest, StatisticsAreRecomputedAfterChanges) {
  ChartSeries series;
  ChartValueList& list = series.YValues();
  EXPECT_EQ(list.Lowest(), 0);
  EXPECT_EQ(list.Highest(), 0);
  EXPECT_EQ(list.Sum(), 0);
  EXPECT_FALSE(list.StatsStale());
  list.AppendValue(-2);
  EXPECT_TRUE(list.StatsStale());
  EXPECT_EQ(list.Lowest(), -2);
  EXPECT_EQ(list.Highest(), -2);
  EXPECT_EQ(list.Sum(), -2);
  EXPECT_EQ(list.SumOfMagnitudes(), 2);
  list.AppendValue(5);
  list.AppendValue(-7);
  EXPECT_EQ(list.Lowest(), -7);
  EXPECT_EQ(list.Highest(), 5);
  EXPECT_EQ(list.Sum(), -4);
  EXPECT_EQ(list.SumOfMagnitudes(), 14);
  list.RemoveValueAt(2);
  EXPECT_EQ(list.Lowest(), -2);
  list.ReplaceValueAt(0, 10);
  EXPECT_EQ(list.Highest(), 10);
  list.RemoveAllValues();
  EXPECT_EQ(list.ValueCount(), 0);
  EXPECT_EQ(list.Highest(), 0);
}

TEST(ValueListTest, MultiplierAppliesOnReadNotOnOrder) {
  ChartSeries series;
  ChartValueList& list = series.XValues();
  list.AppendValue(1.5);
  list.AppendValue(1.0);  // compared with the stored 1.5, so it goes first
  EXPECT_EQ(list.Highest(), 1.5);
  list.SetMultiplier(2);
  EXPECT_TRUE(list.StatsStale());
  EXPECT_EQ(Values(list), (V{2, 3}));
  EXPECT_EQ(list.Highest(), 3);
  EXPECT_EQ(list.Sum(), 5);
  EXPECT_EQ(list.FindValue(3), 1);
  EXPECT_EQ(list.FindValue(1.5), -1);
  // The product is rounded once from extended precision: 0.1 * 3 stored as
  // a double is 0.30000000000000004, the same as the double product.
  list.SetMultiplier(0.1);
  list.RemoveAllValues();
  list.AppendValue(3);
  EXPECT_EQ(list.ValueAt(0), 0.1 * 3);
}

TEST(ValueListTest, FindValueGivesTheFirstOfEqualValues) {
  ChartSeries series;
  ChartValueList& list = series.YValues();
  EXPECT_EQ(list.FindValue(1), -1);
  for (double v : {4.0, 1.0, 4.0}) list.AppendValue(v);
  EXPECT_EQ(list.FindValue(4), 0);
  EXPECT_EQ(list.FindValue(1), 1);
}

TEST(ValueListTest, BadIndicesAreRefused) {
  ChartSeries series;
  ChartValueList& list = series.YValues();
  list.AppendValue(1);
  EXPECT_THROW(list.InsertValueAt(2, 0), ChartException);
  EXPECT_THROW(list.RemoveValueAt(1), ChartException);
  EXPECT_EQ(test::ErrorText<ChartException>([&] { list.ReplaceValueAt(-1, 0); }),
            "List index out of bounds (-1)");
  EXPECT_EQ(Values(list), V{1});
}

// Inserts and removals that cross the storage's block boundaries behave as
// on a plain vector.
TEST(ValueListTest, BlockArrayMatchesAVector) {
  BlockArray<int> blocks;
  std::vector<int> reference;
  std::mt19937 random(7);
  for (int step = 0; step < 20000; ++step) {
    const auto size = reference.size();
    const int action = static_cast<int>(random() % 10);
    if (action < 6 || size == 0) {
      blocks.push_back(step);
      reference.push_back(step);
    } else if (action < 8) {
      const std::size_t at = random() % (size + 1);
      blocks.insert(at, -step);
      reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(at), -step);
    } else {
      const std::size_t at = random() % size;
      blocks.erase(at);
      reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(at));
    }
  }
  ASSERT_EQ(blocks.size(), reference.size());
  for (std::size_t i = 0; i < reference.size(); ++i) ASSERT_EQ(blocks[i], reference[i]) << i;
  blocks.clear();
  EXPECT_TRUE(blocks.empty());
}

#ifndef NDEBUG
// Debug builds stop at an index outside the pixels or the stored values,
// in our containers and in the standard library's.
TEST(ValueListDeathTest, DebugBuildsStopAtIndicesOutOfRange) {
  BlockArray<int> blocks;
  blocks.push_back(1);
  EXPECT_DEATH(blocks[1], "");
  EXPECT_DEATH(blocks.erase(1), "");
  EXPECT_DEATH(blocks.insert(2, 0), "");
  raster::Bitmap bitmap(4, 3);
  EXPECT_DEATH(bitmap.Row(3), "");
  EXPECT_DEATH(bitmap.SetPixel(4, 0, 0), "");
  EXPECT_DEATH(bitmap.Pixel(-1, 2), "");
  std::vector<int> values(2);
  EXPECT_DEATH(static_cast<void>(values[2]), "");
}
#endif

}  // namespace
}  // namespace kep::chart
