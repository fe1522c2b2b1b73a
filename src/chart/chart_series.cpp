#include "chart/chart_series.h"

#include <array>
#include <climits>
#include <limits>

#include "chart/assign_if_changed.h"
#include "chart/axis_panel.h"
#include "chart/chart_axis.h"

namespace kep::chart {

using raster::Color;

Color DefaultSeriesColor(int index) {
  static constexpr std::array kColors = {
      raster::clRed,   raster::clGreen, raster::clYellow, raster::clBlue,   raster::clFuchsia,
      raster::clTeal,  raster::clNavy,  raster::clMaroon, raster::clLime,   raster::clPurple,
      raster::clOlive, raster::clAqua,  raster::clGray,   raster::clSilver, raster::clBlack};
  const auto count = static_cast<int>(kColors.size());
  return kColors[static_cast<std::size_t>(((index % count) + count) % count)];
}

ChartSeries::ChartSeries() {
  value_lists_.push_back(std::make_unique<ChartValueList>(*this, "X"));
  value_lists_.push_back(std::make_unique<ChartValueList>(*this, "Y"));
  XValues().SetOrder(ChartListOrder::loAscending);
}

ChartSeries::~ChartSeries() = default;

int ChartSeries::AddPoint(double x, double y, std::string_view label, Color color) {
  XValues().SetPendingValue(x);
  YValues().SetPendingValue(y);
  if (OnBeforeAdd && !OnBeforeAdd(*this)) return -1;
  const int index = XValues().AppendValue(x);
  YValues().InsertValueAt(index, y);
  StoreColor(index, color);
  StoreLabel(index, label);
  if (OnAfterAdd) OnAfterAdd(*this, index);
  Repaint();
  return index;
}

void ChartSeries::AppendPoints(std::span<const ValuePoint> points) {
  if (points.empty()) return;
  // The bulk path stores exactly what AddPoint would: each point after the
  // last, with no colour or label of its own.
  double previous =
      PointCount() > 0 ? XValues().Stored(PointCount() - 1) : -std::numeric_limits<double>::infinity();
  bool ascending = XValues().Order() == ChartListOrder::loAscending;
  for (std::size_t i = 0; i < points.size() && ascending; ++i) {
    ascending = points[i].x >= previous;  // false for NaN too
    previous = points[i].x;
  }
  const bool bulk = ascending && !OnBeforeAdd && !OnAfterAdd && colors_.empty() && labels_.empty() &&
                    points.size() <= static_cast<std::size_t>(INT_MAX - PointCount());
  if (!bulk) {
    for (const ValuePoint& point : points) AddPoint(point.x, point.y, "", raster::clSeriesColor);
    return;
  }
  XValues().AppendValues(points, &ValuePoint::x);
  YValues().AppendValues(points, &ValuePoint::y);
  Repaint();
}

void ChartSeries::TakeShifted(ChartSeries& other, double x_shift) {
  const int count = other.PointCount();
  if (count == 0) return;
  const auto plain = [](const ChartSeries& series) {
    return series.XValues().Order() == ChartListOrder::loAscending && series.colors_.empty() &&
           series.labels_.empty();
  };
  const bool bulk =
      plain(*this) && plain(other) && !OnBeforeAdd && !OnAfterAdd && count <= INT_MAX - PointCount() &&
      (PointCount() == 0 || other.XValues().Stored(0) + x_shift >= XValues().Stored(PointCount() - 1));
  if (!bulk) {
    for (int i = 0; i < count; ++i)
      AddPoint(other.XValues().Stored(i) + x_shift, other.YValues().Stored(i), "", raster::clSeriesColor);
    other.ClearPoints();
    return;
  }
  XValues().TakeShifted(other.XValues(), x_shift);
  YValues().TakeShifted(other.YValues(), 0);
  other.ClearPoints();  // the colours and labels, and the other value lists a kind of series may add
  Repaint();
}

void ChartSeries::RemoveLastPoints(std::size_t count) {
  for (; count > 0; --count) RemovePoint(PointCount() - 1);
}

void ChartSeries::StoreColor(int index, Color color) {
  const auto at = static_cast<std::size_t>(index);
  if (colors_.empty()) {
    if (color == raster::clSeriesColor) return;
    // The first point with a colour of its own: the points before it get the
    // series' colour marker explicitly.
    const auto earlier = static_cast<std::size_t>(PointCount() - 1);
    for (std::size_t i = 0; i < earlier; ++i) colors_.push_back(raster::clSeriesColor);
  }
  colors_.insert(at, color);
}

void ChartSeries::StoreLabel(int index, std::string_view label) {
  const auto at = static_cast<std::size_t>(index);
  if (labels_.empty()) {
    if (label.empty()) return;
    const auto earlier = static_cast<std::size_t>(PointCount() - 1);
    for (std::size_t i = 0; i < earlier; ++i) labels_.push_back(nullptr);
  }
  labels_.insert(at, label.empty() ? nullptr : std::make_unique<std::string>(label));
}

void ChartSeries::ClearPoints() {
  for (const auto& list : value_lists_) list->RemoveAllValues();
  colors_.clear();
  labels_.clear();
  if (OnClearValues) OnClearValues(*this);
  if (parent_chart_ != nullptr && !parent_chart_->IsDestroying()) Repaint();
}

void ChartSeries::SwapPoints(ChartSeries& other) noexcept {
  for (std::size_t i = 0; i < value_lists_.size(); ++i) value_lists_[i]->SwapValues(*other.value_lists_[i]);
  colors_.swap(other.colors_);
  labels_.swap(other.labels_);
  Repaint();
  other.Repaint();
}

void ChartSeries::RemovePoint(int i) {
  for (const auto& list : value_lists_) list->RemoveValueAt(i);
  const auto at = static_cast<std::size_t>(i);
  if (at < colors_.size()) colors_.erase(at);
  if (at < labels_.size()) labels_.erase(at);
  Repaint();
}

std::string_view ChartSeries::PointLabel(int i) const {
  if (i < 0 || static_cast<std::size_t>(i) >= labels_.size()) return {};
  const std::unique_ptr<std::string>& label = labels_[static_cast<std::size_t>(i)];
  return label ? std::string_view(*label) : std::string_view();
}

Color ChartSeries::PointColor(int i) const {
  if (i < 0 || i >= PointCount()) return series_color_;
  const Color stored = colors_.empty() ? raster::clSeriesColor : colors_[static_cast<std::size_t>(i)];
  if (stored != raster::clSeriesColor) return stored;
  return color_each_point_ ? DefaultSeriesColor(i) : series_color_;
}

bool ChartSeries::UsesHorizontalAxis(const ChartAxis& axis) const {
  if (!axis.IsHorizontal() || axis.IsDepth()) return false;
  switch (horiz_axis_) {
    case HorizAxis::aBothHorizAxis:
      return true;
    case HorizAxis::aTopAxis:
      return axis.IsOtherSide();
    case HorizAxis::aBottomAxis:
      return !axis.IsOtherSide();
  }
  return false;
}

bool ChartSeries::UsesVerticalAxis(const ChartAxis& axis) const {
  if (axis.IsHorizontal() || axis.IsDepth()) return false;
  switch (vert_axis_) {
    case VertAxis::aBothVertAxis:
      return true;
    case VertAxis::aRightAxis:
      return axis.IsOtherSide();
    case VertAxis::aLeftAxis:
      return !axis.IsOtherSide();
  }
  return false;
}

void ChartSeries::Repaint() {
  if (active_ && parent_chart_ != nullptr) parent_chart_->InvalidateChart();
}

template <typename T>
void ChartSeries::Assign(T& field, T value) {
  AssignIfChanged(field, std::move(value), [this] {
    if (parent_chart_ != nullptr) parent_chart_->InvalidateChart();
  });
}

void ChartSeries::SetSeriesColor(Color color) { Assign(series_color_, color); }
void ChartSeries::SetColorEachPoint(bool value) { Assign(color_each_point_, value); }
void ChartSeries::SetActive(bool value) { Assign(active_, value); }
void ChartSeries::SetHorizAxis(HorizAxis axis) { Assign(horiz_axis_, axis); }
void ChartSeries::SetVertAxis(VertAxis axis) { Assign(vert_axis_, axis); }
void ChartSeries::SetValueFormat(std::string format) { Assign(value_format_, std::move(format)); }
void ChartSeries::SetPercentFormat(std::string format) { Assign(percent_format_, std::move(format)); }
void ChartSeries::SetTitle(std::string title) { Assign(title_, std::move(title)); }

}  // namespace kep::chart
