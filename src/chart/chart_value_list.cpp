#include "chart/chart_value_list.h"

#include <climits>
#include <cmath>

#include "chart/chart_exceptions.h"
#include "chart/chart_series.h"
#include "chart/messages.h"
#include "common/format.h"
#include "common/numbers.h"

namespace kep::chart {

namespace {

// Values are copied a stretch of this many at a time, which is much faster than one by one.
constexpr std::size_t kStretch = 256;

}  // namespace

ChartValueList::ChartValueList(ChartSeries& owner, std::string name)
    : owner_(owner), name_(std::move(name)) {}

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
  return RoundedProduct(stored, multiplier_);
}

void ChartValueList::ReadValues(std::size_t first, std::size_t count, double* out) const {
  values_.read(first, count, out);
  if (multiplier_ != 1.0) {
    for (std::size_t k = 0; k < count; ++k) out[k] = Multiplied(out[k]);
  }
}

std::size_t ChartValueList::FirstDescent(std::size_t from, double previous) const {
  if (multiplier_ == 1.0) return values_.first_descent(from, previous);
  double values[kStretch];
  for (; from < values_.size(); from += kStretch) {
    const std::size_t count = std::min(kStretch, values_.size() - from);
    ReadValues(from, count, values);
    for (std::size_t k = 0; k < count; ++k) {
      if (!(values[k] >= previous)) return from + k;
      previous = values[k];
    }
  }
  return values_.size();
}

std::size_t ChartValueList::FirstNaN(std::size_t from) const {
  if (multiplier_ == 1.0) return values_.first_nan(from);
  double values[kStretch];
  for (; from < values_.size(); from += kStretch) {
    const std::size_t count = std::min(kStretch, values_.size() - from);
    ReadValues(from, count, values);
    for (std::size_t k = 0; k < count; ++k) {
      if (std::isnan(values[k])) return from + k;
    }
  }
  return values_.size();
}

void ChartValueList::RangeExtremes(std::size_t first, std::size_t count, double& lowest,
                                   double& highest) const {
  if (multiplier_ == 1.0) return values_.extremes(first, count, lowest, highest);
  lowest = highest = ValueAt(static_cast<int>(first));
  double values[kStretch];
  for (const std::size_t end = first + count; first < end; first += kStretch) {
    const std::size_t n = std::min(kStretch, end - first);
    values_.read(first, n, values);
    TakeExtremes(values, n, lowest, highest);  // which applies Multiplier
  }
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
  const bool at_end = static_cast<std::size_t>(i) == values_.size();
  if (at_end) {
    values_.push_back(v);
  } else {
    values_.insert(static_cast<std::size_t>(i), v);
  }
  Changed(at_end);
}

void ChartValueList::AppendValues(std::span<const ValuePoint> points, double ValuePoint::*member) {
  // Extremes that are current go on over the new values while they are at
  // hand: the same results as a refresh.
  const bool current = !stats_stale_ || values_.empty();
  double lowest = values_.empty() && !points.empty() ? Multiplied(points[0].*member) : lowest_;
  double highest = values_.empty() && !points.empty() ? Multiplied(points[0].*member) : highest_;
  const std::size_t before = values_.size();
  double values[kStretch];
  for (std::size_t k = 0; k < points.size(); k += kStretch) {
    const std::size_t count = std::min(kStretch, points.size() - k);
    for (std::size_t j = 0; j < count; ++j) values[j] = points[k + j].*member;
    values_.append(values, count);
    if (current && multiplier_ != 1.0) TakeExtremes(values, count, lowest, highest);
  }
  // Unmultiplied values are taken in their compact form, once stored.
  if (current && multiplier_ == 1.0) values_.take_extremes(before, points.size(), lowest, highest);
  Changed(true);
  if (current && !values_.empty()) {
    lowest_ = lowest;
    highest_ = highest;
    stats_stale_ = false;
  }
}

void ChartValueList::TakeShifted(ChartValueList& other, double shift) {
  const std::size_t before = values_.size();
  const bool current = !stats_stale_ || before == 0;
  // Shifting keeps the order of values, so the extremes of the whole are
  // those of the two parts, the earlier part winning a tie, as a refresh
  // would find them. That needs other's extremes to cover all its values:
  // a NaN as its first value would have hidden the rest.
  const bool combine = current && !other.values_.empty() && multiplier_ == 1.0 && other.multiplier_ == 1.0 &&
                       !other.stats_stale_ && !std::isnan(other.values_[0]);
  const double low = other.lowest_ + shift;
  const double high = other.highest_ + shift;
  const bool any = !other.values_.empty();
  if (shift == 0) {
    values_.append_taken(other.values_);
  } else {
    values_.append_shifted(other.values_, shift);
    other.values_.clear();
  }
  other.Changed();
  Changed(true);
  if (!current || !any) return;
  if (combine) {
    lowest_ = before == 0 || low < lowest_ ? low : lowest_;
    highest_ = before == 0 || high > highest_ ? high : highest_;
    stats_stale_ = false;
    return;
  }
  Accumulate(before);
}

void ChartValueList::ReplaceValueAt(int i, double v) {
  CheckIndex(i, values_.size());
  values_.set(static_cast<std::size_t>(i), v);
  Changed();
}

void ChartValueList::RemoveValueAt(int i) {
  CheckIndex(i, values_.size());
  const bool at_end = static_cast<std::size_t>(i) + 1 == values_.size();
  values_.erase(static_cast<std::size_t>(i));
  Changed(at_end);
}

void ChartValueList::RemoveAllValues() {
  values_.clear();
  Changed();
}

void ChartValueList::SwapValues(ChartValueList& other) noexcept {
  values_.swap(other.values_);
  // The statistics go with the values when both lists multiply alike.
  const bool keep_statistics = multiplier_ == other.multiplier_;
  const bool stale[2] = {stats_stale_, sums_stale_};
  const bool other_stale[2] = {other.stats_stale_, other.sums_stale_};
  std::swap(lowest_, other.lowest_);
  std::swap(highest_, other.highest_);
  std::swap(sum_, other.sum_);
  std::swap(sum_of_magnitudes_, other.sum_of_magnitudes_);
  Changed();
  other.Changed();
  stats_stale_ = other_stale[0] || !keep_statistics;
  sums_stale_ = other_stale[1] || !keep_statistics;
  other.stats_stale_ = stale[0] || !keep_statistics;
  other.sums_stale_ = stale[1] || !keep_statistics;
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
  Accumulate(0);
}

void ChartValueList::Accumulate(std::size_t from) const {
  if (values_.size() == 0) {
    lowest_ = highest_ = 0;
  } else {
    if (from == 0) lowest_ = highest_ = Multiplied(values_[0]);
    double lowest = lowest_;
    double highest = highest_;
    values_.visit_runs(
        from, [&](const double* data, std::size_t count) { TakeExtremes(data, count, lowest, highest); });
    lowest_ = lowest;
    highest_ = highest;
  }
  stats_stale_ = false;
}

void ChartValueList::TakeExtremes(const double* stored, std::size_t count, double& lowest,
                                  double& highest) const {
  // Kept in locals, which the compiler holds in registers: through the
  // references it would store them at every value.
  double low = lowest;
  double high = highest;
  // A NaN compares false and changes nothing.
  const auto take = [&](double w) {
    low = w < low ? w : low;
    high = w > high ? w : high;
  };
  if (multiplier_ == 1.0) {
    for (std::size_t i = 0; i < count; ++i) take(stored[i]);
  } else {
    for (std::size_t i = 0; i < count; ++i) take(Multiplied(stored[i]));
  }
  lowest = low;
  highest = high;
}

// The sums are formed in extended precision, one value after the other:
// they are asked for rarely, so only then.
void ChartValueList::RefreshSums() const {
  if (!sums_stale_) return;
  double sum = 0;
  double magnitudes = 0;
  values_.visit_runs(0, [&](const double* data, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const double w = Multiplied(data[i]);
      sum = RoundedSum(sum, w);
      magnitudes = RoundedSum(magnitudes, std::fabs(w));
    }
  });
  sum_ = sum;
  sum_of_magnitudes_ = magnitudes;
  sums_stale_ = false;
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
  RefreshSums();
  return sum_;
}

double ChartValueList::SumOfMagnitudes() const {
  RefreshSums();
  return sum_of_magnitudes_;
}

}  // namespace kep::chart
