#pragma once

#include <cstddef>
#include <vector>

namespace kep::chart {

class ChartValueList;

// The lowest and highest value of any index range of a value list, answered
// in O(log n) from a pyramid of block extremes built once over the list.
//
// Level 1 holds the extremes of blocks of kFirstBlock values, every further
// level those of kFanOut blocks of the level below; a query reads at most two
// partial blocks of raw values and two partial groups per level. The pyramid
// costs 16 bytes per kFirstBlock values plus a fifteenth of that for the
// upper levels: about 0.07 bytes per value. The raw values of a partial
// block are scanned in their compact form (ChartValueList::RangeExtremes),
// so a long first block costs a query little, and keeps down the fresh
// memory, whose first touch is what a first build mostly pays for.
//
// The list must not change while the pyramid is in use; the owner rebuilds
// or updates it after a change (ChartValueList::ChangeCount tells). Values must not be NaN.
class MinMaxPyramid {
 public:
  struct Extremes {
    double lowest = 0;
    double highest = 0;
  };

  static constexpr std::size_t kFirstBlock = 256;
  static constexpr std::size_t kFanOut = 16;

  // Builds over every value of values, which the pyramid keeps reading.
  void Build(const ChartValueList& values);
  // Brings the pyramid up to date with values when only the values from
  // index unchanged on have changed, been added or removed since the last
  // Build or Update over the same list: costs in proportion to those.
  void Update(const ChartValueList& values, std::size_t unchanged);
  void Clear();

  // The extremes of the values at first .. last (inclusive, first <= last,
  // both valid indices).
  Extremes Query(std::size_t first, std::size_t last) const;

  // Bytes held by the pyramid (not counting the list).
  std::size_t MemoryBytes() const;

 private:
  // The extremes of items first .. last - 1 of level (0: the raw values).
  void Scan(std::size_t level, std::size_t first, std::size_t last, Extremes& into, bool& any) const;

  const ChartValueList* values_ = nullptr;
  std::vector<std::vector<Extremes>> levels_;  // levels_[k] is level k + 1
};

}  // namespace kep::chart
