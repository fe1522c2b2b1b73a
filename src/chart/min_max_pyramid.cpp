#include "chart/min_max_pyramid.h"

#include <algorithm>
#include <utility>

#include "chart/chart_value_list.h"

namespace kep::chart {

void MinMaxPyramid::Build(const ChartValueList& values) {
  Clear();
  Update(values, 0);
}

void MinMaxPyramid::Update(const ChartValueList& values, std::size_t unchanged) {
  values_ = &values;
  std::size_t count = static_cast<std::size_t>(values.ValueCount());
  std::size_t block = kFirstBlock;
  std::size_t level = 0;
  // Stop once a level is small enough to be scanned whole.
  while (count > kFanOut) {
    if (level == levels_.size()) levels_.emplace_back();
    std::vector<Extremes>& next = levels_[level];
    // Items of this level from the one that holds the first changed item,
    // each made in place (no zeroed item is written over).
    const std::size_t from = std::min(unchanged / block, next.size());
    const std::size_t items = (count + block - 1) / block;
    next.resize(from);
    next.reserve(items);
    for (std::size_t i = from; i < items; ++i) {
      Extremes item;
      bool any = false;
      Scan(level, i * block, std::min(count, (i + 1) * block), item, any);
      next.push_back(item);
    }
    unchanged = from;
    count = next.size();
    block = kFanOut;
    ++level;
  }
  levels_.resize(level);
}

void MinMaxPyramid::Clear() {
  values_ = nullptr;
  levels_.clear();
}

void MinMaxPyramid::Scan(std::size_t level, std::size_t first, std::size_t last, Extremes& into,
                         bool& any) const {
  if (first >= last) return;
  if (level == 0) {
    Extremes values;
    values_->RangeExtremes(first, last - first, values.lowest, values.highest);
    if (!any) {
      into = values;
      any = true;
      return;
    }
    if (values.lowest < into.lowest) into.lowest = values.lowest;
    if (values.highest > into.highest) into.highest = values.highest;
    return;
  }
  if (!any) {
    into = levels_[level - 1][first];
    any = true;
    ++first;
  }
  const std::vector<Extremes>& items = levels_[level - 1];
  for (std::size_t i = first; i < last; ++i) {
    if (items[i].lowest < into.lowest) into.lowest = items[i].lowest;
    if (items[i].highest > into.highest) into.highest = items[i].highest;
  }
}

MinMaxPyramid::Extremes MinMaxPyramid::Query(std::size_t first, std::size_t last) const {
  Extremes result;
  bool any = false;
  std::size_t low = first;
  std::size_t high = last + 1;
  for (std::size_t level = 0;; ++level) {
    const std::size_t block = level == 0 ? kFirstBlock : kFanOut;
    const std::size_t low_edge = (low + block - 1) / block * block;
    const std::size_t high_edge = high / block * block;
    if (level == levels_.size() || low_edge >= high_edge) {
      Scan(level, low, high, result, any);
      return result;
    }
    // The ragged ends at this level, then the whole blocks one level up.
    Scan(level, low, low_edge, result, any);
    Scan(level, high_edge, high, result, any);
    low = low_edge / block;
    high = high_edge / block;
  }
}

std::size_t MinMaxPyramid::MemoryBytes() const {
  std::size_t bytes = 0;
  for (const auto& level : levels_) bytes += level.capacity() * sizeof(Extremes);
  return bytes;
}

}  // namespace kep::chart
