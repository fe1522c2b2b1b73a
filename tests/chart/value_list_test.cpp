#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "chart/block_array.h"
#include "chart/chart_exceptions.h"
#include "chart/chart_series.h"
#include "chart/chart_value_list.h"
#include "chart/compact_values.h"
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

// Values of every kind, in stretches that suit one form or another, so that
// blocks begin compact and switch form when a value of another kind arrives.
class ValueSource {
 public:
  double Next() {
    if (left_ == 0) {
      kind_ = static_cast<int>(random_() % 8);
      left_ = 1 + random_() % 6000;
      next_run_ = static_cast<double>(random_() % 100000) - 50000;
    }
    --left_;
    switch (kind_) {
      case 0:
      case 1:
        return next_run_++;  // consecutive integers
      case 2:
        return static_cast<double>(random_() % 200);  // one byte
      case 3:
        return static_cast<double>(random_() % 70000);  // two bytes
      case 4:
        return static_cast<double>(random_());  // four bytes
      case 5: {
        static const double kAwkward[] = {-0.0,
                                          0.0,
                                          0.5,
                                          -3,
                                          4294967296.0,
                                          0x1p53,
                                          std::numeric_limits<double>::infinity(),
                                          std::bit_cast<double>(std::uint64_t{0x7ff8000000000123}),
                                          std::numeric_limits<double>::denorm_min()};
        return kAwkward[random_() % std::size(kAwkward)];
      }
      default:
        return std::uniform_real_distribution<double>(-1e6, 1e6)(random_);
    }
  }
  std::mt19937_64& Random() { return random_; }

 private:
  std::mt19937_64 random_{11};
  int kind_ = 0;
  std::size_t left_ = 0;
  double next_run_ = 0;
};

testing::AssertionResult SameValues(const CompactValues& values, const std::vector<double>& reference) {
  if (values.size() != reference.size()) return testing::AssertionFailure() << "size " << values.size();
  std::vector<double> read(reference.size());
  values.read(0, read.size(), read.data());
  for (std::size_t i = 0; i < reference.size(); ++i) {
    const auto expected = std::bit_cast<std::uint64_t>(reference[i]);
    if (std::bit_cast<std::uint64_t>(values[i]) != expected ||
        std::bit_cast<std::uint64_t>(read[i]) != expected)
      return testing::AssertionFailure() << "value " << i << " is " << values[i] << ", not " << reference[i];
  }
  return testing::AssertionSuccess();
}

// Every value reads back with the same bits, by index and in bulk, through
// appends, replacements, inserts and removals across blocks of every form.
TEST(CompactValuesTest, EveryValueReadsBackExactly) {
  CompactValues values;
  std::vector<double> reference;
  ValueSource source;
  for (int i = 0; i < 60000; ++i) {
    const double v = source.Next();
    values.push_back(v);
    reference.push_back(v);
  }
  ASSERT_TRUE(SameValues(values, reference));
  std::mt19937_64& random = source.Random();
  for (int step = 0; step < 3000; ++step) {
    const std::size_t size = reference.size();
    const std::size_t at = random() % size;
    const double v = source.Next();
    switch (random() % 4) {
      case 0:
        values.set(at, v);
        reference[at] = v;
        break;
      case 1:
        values.insert(at, v);
        reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(at), v);
        break;
      case 2:
        values.erase(at);
        reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      default:
        values.pop_back();
        reference.pop_back();
        break;
    }
  }
  ASSERT_TRUE(SameValues(values, reference));
  CompactValues other;
  other.swap(values);
  EXPECT_TRUE(values.empty());
  EXPECT_TRUE(SameValues(other, reference));
}

// Bulk appends, in stretches of every size, and appends of a whole other
// list with its values shifted give what pushing the values one by one gives.
TEST(CompactValuesTest, BulkAppendsReadBackAsSingleOnes) {
  ValueSource source;
  std::mt19937_64& random = source.Random();
  std::vector<double> reference;
  CompactValues bulk;
  CompactValues part;
  std::vector<double> part_values;
  for (int i = 0; i < 30000; ++i) part_values.push_back(source.Next());
  for (const double v : part_values) part.push_back(v);
  for (std::size_t at = 0; at < part_values.size();) {
    const std::size_t n = std::min<std::size_t>(part_values.size() - at, 1 + random() % 5000);
    bulk.append(part_values.data() + at, n);
    at += n;
  }
  ASSERT_TRUE(SameValues(bulk, part_values));
  reference = part_values;
  for (const double shift : {0.0, 17.0, -3.0}) {
    bulk.append_shifted(part, shift);
    for (const double v : part_values) reference.push_back(shift == 0 ? v : v + shift);  // -0.0 stays
    ASSERT_TRUE(SameValues(bulk, reference)) << "shift " << shift;
  }
}

// Taking over another list's blocks, whatever the fill of the last block
// here and the forms on both sides, gives what appending its values gives;
// the list then goes on as any other.
TEST(CompactValuesTest, TakenBlocksReadBackAsAppendedValues) {
  ValueSource source;
  std::mt19937_64& random = source.Random();
  constexpr std::size_t kBlock = CompactValues::kBlockSize;
  const std::size_t sizes[][2] = {{0, 9000},       {2 * kBlock, 3 * kBlock}, {5000, 0},     {5000, kBlock},
                                  {kBlock - 1, 2}, {1, kBlock + 1},          {7000, 20000}, {12345, 30000}};
  for (const auto& [here, there] : sizes) {
    SCOPED_TRACE(testing::Message() << here << " + " << there);
    std::vector<double> reference;
    CompactValues values;
    for (std::size_t i = 0; i < here; ++i) reference.push_back(source.Next());
    values.append(reference.data(), reference.size());
    CompactValues other;
    for (std::size_t i = 0; i < there; ++i) {
      reference.push_back(source.Next());
      other.push_back(reference.back());
    }
    values.append_taken(other);
    EXPECT_TRUE(other.empty());
    ASSERT_TRUE(SameValues(values, reference));
    for (int step = 0; step < 300 && !reference.empty(); ++step) {
      const double v = source.Next();
      const std::size_t at = random() % reference.size();
      switch (random() % 3) {
        case 0:
          values.push_back(v);
          reference.push_back(v);
          break;
        case 1:
          values.insert(at, v);
          reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(at), v);
          break;
        default:
          values.erase(at);
          reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(at));
          break;
      }
    }
    ASSERT_TRUE(SameValues(values, reference));
  }
}

// The scans that read blocks in their own form (runs by their ends, integers
// in their width) find what a scan over every value as a double finds: the
// first descent or NaN, the first NaN, running extremes, and the extremes
// with the earliest of equal values (0 before -0) kept, over ranges across
// block edges.
TEST(CompactValuesTest, FormAwareScansMatchAScanOverEveryValue) {
  ValueSource source;
  std::mt19937_64& random = source.Random();
  std::vector<double> reference;
  for (int i = 0; i < 80000; ++i) {
    const double v = source.Next();
    // Ascending stretches, so that the first descent lies past a block or
    // two: integers that repeat, and runs whose first value repeats the last
    // of the run before.
    const int phase = i % 20000;
    reference.push_back(phase < 6000 ? std::floor(i / 3.0) : phase < 12000 ? i - i / 1000 : v);
  }
  CompactValues values;
  values.append(reference.data(), reference.size());
  const std::size_t size = reference.size();
  for (int round = 0; round < 400; ++round) {
    const std::size_t from = round % 7 == 0 ? 0 : random() % size;
    const double previous = round % 3 == 0 || from == 0 ? -1e300 : reference[from - 1];
    std::size_t descent = from;
    for (double before = previous; descent < size && reference[descent] >= before; ++descent)
      before = reference[descent];
    EXPECT_EQ(values.first_descent(from, previous), descent) << from;
    std::size_t nan = from;
    while (nan < size && !std::isnan(reference[nan])) ++nan;
    EXPECT_EQ(values.first_nan(from), nan) << from;

    const std::size_t count = 1 + random() % std::min<std::size_t>(size - from, 9000);
    // Running extremes go on over any values, NaN included, from any start.
    const double starts[] = {reference[from], 0.0, -0.0, std::nan(""), 1e300};
    const double start = starts[round % 5];
    double running_low = start;
    double running_high = -start;
    double taken_low = running_low;
    double taken_high = running_high;
    for (std::size_t i = from; i < from + count; ++i) {
      running_low = reference[i] < running_low ? reference[i] : running_low;
      running_high = reference[i] > running_high ? reference[i] : running_high;
    }
    values.take_extremes(from, count, taken_low, taken_high);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(taken_low), std::bit_cast<std::uint64_t>(running_low));
    EXPECT_EQ(std::bit_cast<std::uint64_t>(taken_high), std::bit_cast<std::uint64_t>(running_high));
    if (std::any_of(reference.begin() + static_cast<std::ptrdiff_t>(from),
                    reference.begin() + static_cast<std::ptrdiff_t>(from + count),
                    [](double v) { return std::isnan(v); }))
      continue;
    double low = reference[from];
    double high = low;
    for (std::size_t i = from; i < from + count; ++i) {
      if (reference[i] < low) low = reference[i];
      if (reference[i] > high) high = reference[i];
    }
    double lowest = 0;
    double highest = 0;
    values.extremes(from, count, lowest, highest);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(lowest), std::bit_cast<std::uint64_t>(low))
        << from << "+" << count;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(highest), std::bit_cast<std::uint64_t>(high))
        << from << "+" << count;
  }
  EXPECT_EQ(values.first_descent(size, 0), size);
  EXPECT_EQ(values.first_nan(size), size);
}

// With a multiplier the list's scans see the multiplied values.
TEST(ValueListTest, ScansSeeTheMultipliedValues) {
  ChartSeries series;
  ChartValueList& list = series.YValues();
  for (const double v : {1.0, 2.0, 3.0, 5.0, 4.0, 7.0}) list.AppendValue(v);
  list.SetMultiplier(-1);
  EXPECT_EQ(list.FirstDescent(0, -1e300), 1u);
  EXPECT_EQ(list.FirstDescent(4, -5), 5u);
  double lowest = 0;
  double highest = 0;
  list.RangeExtremes(1, 4, lowest, highest);
  EXPECT_EQ(lowest, -5);
  EXPECT_EQ(highest, -2);
  list.SetMultiplier(0);
  list.ReplaceValueAt(2, std::numeric_limits<double>::infinity());  // 0 * inf
  EXPECT_EQ(list.FirstNaN(0), 2u);
  EXPECT_EQ(list.FirstNaN(3), 6u);
}

// Line positions and digit counts take about a byte a point; one arbitrary
// value turns its block, and only its block, to doubles.
TEST(CompactValuesTest, SequencePointsAreCompactUntilAnArbitraryValueArrives) {
  CompactValues x;
  CompactValues gappy_x;
  CompactValues y;
  constexpr std::size_t kPoints = 1'000'000;
  for (std::size_t i = 0; i < kPoints; ++i) {
    x.push_back(static_cast<double>(i + 1 + i / 1000));  // a header or blank line every 1000 lines
    gappy_x.push_back(static_cast<double>(i + 1 + i / 20));
    y.push_back(static_cast<double>(1 + i * 7919 % 300));  // up to 300 digits: two bytes
  }
  EXPECT_LT(x.memory_bytes(), kPoints / 20);
  EXPECT_LT(gappy_x.memory_bytes(), kPoints * 5 / 4);  // 205 runs a block still beat 4-byte integers
  EXPECT_LT(y.memory_bytes(), 2 * kPoints + kPoints / 50);
  const std::size_t compact = y.memory_bytes();
  y.set(5000, 2.5);
  EXPECT_EQ(y[5000], 2.5);
  EXPECT_EQ(y[5001], static_cast<double>(1 + 5001 * 7919 % 300));
  EXPECT_EQ(y.memory_bytes(), compact + (sizeof(double) - 2) * CompactValues::kBlockSize);
}

// The list's interface over compact storage: the statistics and ReadValues
// see the values times the multiplier.
TEST(ValueListTest, CompactValuesKeepTheListsResults) {
  ChartSeries series;
  ChartValueList& list = series.YValues();
  std::vector<ValuePoint> points;
  for (int i = 0; i < 10000; ++i) points.push_back({static_cast<double>(i + 1), static_cast<double>(i % 7)});
  list.AppendValues(points, &ValuePoint::x);
  EXPECT_EQ(list.Highest(), 10000);
  list.ReplaceValueAt(9000, -0.25);
  list.SetMultiplier(2);
  EXPECT_EQ(list.Lowest(), -0.5);
  EXPECT_EQ(list.Sum(), 10000.0 * 10001 - 2 * 9001 - 0.5);
  std::vector<double> read(5);
  list.ReadValues(8998, 5, read.data());
  EXPECT_EQ(read, (V{17998, 18000, -0.5, 18004, 18006}));
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
