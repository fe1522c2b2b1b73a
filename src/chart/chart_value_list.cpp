#include "chart/chart_value_list.h"

#include <climits>
#include <cmath>

#include "chart/chart_exceptions.h"
#include "chart/chart_series.h"
#include "chart/messages.h"
#include "common/format.h"
#include "common/numbers.h"

namespace kep::chart {

ChartValueList::ChartValueList(ChartSeries& owner, std::string name) : owner_(owner), name_(std::move(name)) {}

void ChartValueList::SetDateTime(bool date_time) {
  if (date_time == date_time_) return;
  date_time_ = date_time;
  owner_.Repaint();
}

void ChartValueList::SetMultiplier(double multiplier) {
  if (multiplier == multiplier_) return;
  multiplier_ = multiplier;
  Changed();
  owner_.Repaint();
}

double ChartValueList::Multiplied(double stored) const {
  if (multiplier_ == 1.0) return stored;  // the same result, without the extended multiply
  return static_cast<double>(static_cast<Extended>(stored) * multiplier_);
}

int ChartValueList::AppendValue(double v) {
  const std::size_t n = values_.size();
  std::size_t index = n;
  if (order_ != ChartListOrder::loNone && n > 0) {
    // Scan back to the last stored value that v may follow.
    const bool ascending = order_ == ChartListOrder::loAscending;
    auto may_follow = [&](double stored) { return ascending ? stored <= v : stored >= v; };
    while (index > 0 && !may_follow(values_[index - 1])) --index;
  }
  InsertValueAt(static_cast<int>(index), v);
  return static_cast<int>(index);
}

void ChartValueList::InsertValueAt(int i, double v) {
  if (values_.size() >= static_cast<std::size_t>(INT_MAX)) {
    throw ChartException(FormatMessage(messages::kTooManyPoints, INT_MAX));
  }
  CheckIndex(i, values_.size() + 1);
  if (static_cast<std::size_t>(i) == values_.size()) {
    values_.push_back(v);
  } else {
    values_.insert(static_cast<std::size_t>(i), v);
  }
  Changed();
}

void ChartValueList::ReplaceValueAt(int i, double v) {
  CheckIndex(i, values_.size());
  values_[static_cast<std::size_t>(i)] = v;
  Changed();
}

void ChartValueList::RemoveValueAt(int i) {
  CheckIndex(i, values_.size());
  values_.erase(static_cast<std::size_t>(i));
  Changed();
}

void ChartValueList::RemoveAllValues() {
  values_.clear();
  Changed();
}

void ChartValueList::SwapValues(ChartValueList& other) noexcept {
  values_.swap(other.values_);
  Changed();
  other.Changed();
}

void ChartValueList::CheckIndex(int i, std::size_t limit) {
  if (i < 0 || static_cast<std::size_t>(i) >= limit) {
    throw ChartException(FormatMessage(messages::kListIndexOutOfBounds, i));
  }
}

int ChartValueList::FindValue(double v) const {
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (Multiplied(values_[i]) == v) return static_cast<int>(i);
  }
  return -1;
}

void ChartValueList::RefreshStatistics() const {
  if (!stats_stale_) return;
  const std::size_t n = values_.size();
  if (n == 0) {
    lowest_ = highest_ = sum_ = sum_of_magnitudes_ = 0;
  } else {
    double lowest = Multiplied(values_[0]);
    double highest = lowest;
    double sum = lowest;
    double magnitudes = std::fabs(lowest);
    for (std::size_t i = 1; i < n; ++i) {
      const double w = Multiplied(values_[i]);
      if (w < lowest) {
        lowest = w;
      } else if (w > highest) {
        highest = w;
      }
      sum = static_cast<double>(static_cast<Extended>(sum) + w);
      magnitudes = static_cast<double>(static_cast<Extended>(magnitudes) + std::fabs(w));
    }
    lowest_ = lowest;
    highest_ = highest;
    sum_ = sum;
    sum_of_magnitudes_ = magnitudes;
  }
  stats_stale_ = false;
}

double ChartValueList::Lowest() const {
  RefreshStatistics();
  return lowest_;
}

double ChartValueList::Highest() const {
  RefreshStatistics();
  return highest_;
}

double ChartValueList::Sum() const {
  RefreshStatistics();
  return sum_;
}

double ChartValueList::SumOfMagnitudes() const {
  RefreshStatistics();
  return sum_of_magnitudes_;
}

}  // namespace kep::chart
