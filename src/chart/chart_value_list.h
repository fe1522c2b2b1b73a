#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "chart/compact_values.h"
#include "common/value_point.h"

namespace kep::chart {

class ChartSeries;

enum class ChartListOrder { loNone, loAscending, loDescending };

// One dimension (X or Y) of a series' points. Values are stored as given and
// multiplied by Multiplier when read, in extended precision. The statistics
// (Lowest, Highest, Sum, SumOfMagnitudes) are cached and recomputed on the
// first read after a change.
class ChartValueList {
 public:
  // Made by the owning series, which keeps its lists in creation order.
  ChartValueList(ChartSeries& owner, std::string name);
  ChartValueList(const ChartValueList&) = delete;
  ChartValueList& operator=(const ChartValueList&) = delete;

  const std::string& Name() const { return name_; }
  ChartSeries& Owner() const { return owner_; }

  bool DateTime() const { return date_time_; }
  void SetDateTime(bool date_time);
  double Multiplier() const { return multiplier_; }
  void SetMultiplier(double multiplier);
  ChartListOrder Order() const { return order_; }
  void SetOrder(ChartListOrder order) { order_ = order; }
  const std::string& ValueSource() const { return value_source_; }
  void SetValueSource(std::string source) { value_source_ = std::move(source); }
  double PendingValue() const { return pending_value_; }
  void SetPendingValue(double value) { pending_value_ = value; }
  bool StatsStale() const { return stats_stale_ || sums_stale_; }
  // Counts the changes of the values read through ValueAt (stored values and
  // Multiplier), so that caches built from them can tell they are stale.
  std::uint64_t ChangeCount() const { return change_count_; }
  // Counts the changes other than appending values at the end and removing
  // them from the end (inserts, replacements, Multiplier, swaps, clearing).
  // While it stays the same, the values below LowWater() are unchanged, so
  // a cache over them can be extended instead of rebuilt.
  std::uint64_t EditCount() const { return edit_count_; }
  // The fewest values the list held since the last ResetLowWater.
  std::size_t LowWater() const { return low_water_; }
  void ResetLowWater() const { low_water_ = values_.size(); }

  int ValueCount() const { return static_cast<int>(values_.size()); }
  // The stored value at index i times Multiplier; i must be a valid index.
  double ValueAt(int i) const { return Multiplied(values_[static_cast<std::size_t>(i)]); }
  // The value at index i as stored, before Multiplier.
  double Stored(int i) const { return values_[static_cast<std::size_t>(i)]; }
  double LastValue() const { return ValueAt(ValueCount() - 1); }
  // ValueAt(first) .. ValueAt(first + count - 1) into out: the fast way to
  // read many values in a row.
  void ReadValues(std::size_t first, std::size_t count, double* out) const;
  // The first index from `from` on whose value is not at least the one
  // before it (previous standing before `from`), or is a NaN; ValueCount()
  // when there is none.
  std::size_t FirstDescent(std::size_t from, double previous) const;
  // The first index from `from` on whose value is a NaN, or ValueCount().
  std::size_t FirstNaN(std::size_t from) const;
  // The lowest and highest of ValueAt(first) .. ValueAt(first + count - 1)
  // (count > 0, none of them NaN), the earliest of equal values kept. These
  // three read the stored values in their compact forms, without turning
  // each into a double, when Multiplier is 1.
  void RangeExtremes(std::size_t first, std::size_t count, double& lowest, double& highest) const;
  // Bytes held for the stored values.
  std::size_t MemoryBytes() const { return values_.memory_bytes(); }

  // Adds v keeping Order: a value that arrives in order is appended after one
  // comparison; otherwise the place is searched linearly from the end and v
  // goes after every stored value equal to it. Returns the index used.
  int AppendValue(double v);
  void InsertValueAt(int i, double v);
  // Appends the given member of every point after the stored values, in
  // bulk: the caller has checked that they keep Order and fit the count.
  void AppendValues(std::span<const ValuePoint> points, double ValuePoint::*member);
  // Appends the stored values of other (another list), each plus shift (an
  // integer), in bulk, and removes them from other: the caller has checked
  // that they keep Order and fit the count. Unshifted values keep their
  // storage, which moves over from other instead of being copied.
  void TakeShifted(ChartValueList& other, double shift);
  void ReplaceValueAt(int i, double v);
  void RemoveValueAt(int i);
  // Removes every value and releases the storage.
  void RemoveAllValues();
  // Exchanges the stored values with those of other; nothing is copied.
  void SwapValues(ChartValueList& other) noexcept;
  // The first index whose ValueAt equals v exactly, or -1.
  int FindValue(double v) const;

  double Lowest() const;
  double Highest() const;
  double Sum() const;
  double SumOfMagnitudes() const;

 private:
  double Multiplied(double stored) const;
  // A change at the end (appended values, or the last removed) or elsewhere.
  void Changed(bool at_end = false) {
    stats_stale_ = true;
    sums_stale_ = true;
    ++change_count_;
    if (!at_end) ++edit_count_;
    low_water_ = std::min(low_water_, values_.size());
  }
  // Raises "List index out of bounds (i)" unless 0 <= i < limit.
  static void CheckIndex(int i, std::size_t limit);
  void RefreshStatistics() const;
  void RefreshSums() const;
  // Brings Lowest and Highest, current up to index from, up to the last value.
  void Accumulate(std::size_t from) const;
  // Takes the stored values, times Multiplier, into lowest and highest.
  void TakeExtremes(const double* stored, std::size_t count, double& lowest, double& highest) const;

  ChartSeries& owner_;
  std::string name_;
  bool date_time_ = false;
  CompactValues values_;
  double multiplier_ = 1.0;
  ChartListOrder order_ = ChartListOrder::loNone;
  double pending_value_ = 0;
  std::string value_source_;
  // The cache of statistics, refreshed by the const readers.
  mutable double highest_ = 0;
  mutable double lowest_ = 0;
  mutable double sum_ = 0;
  mutable double sum_of_magnitudes_ = 0;
  mutable bool stats_stale_ = true;  // Lowest and Highest
  mutable bool sums_stale_ = true;   // Sum and SumOfMagnitudes
  std::uint64_t change_count_ = 0;
  std::uint64_t edit_count_ = 0;
  mutable std::size_t low_water_ = 0;
};

}  // namespace kep::chart
