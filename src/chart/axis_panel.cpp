#include "chart/axis_panel.h"

#include <algorithm>

#include "chart/assign_if_changed.h"
#include "chart/messages.h"

namespace kep::chart {

raster::Font DefaultChartFont(raster::Color color) {
  raster::Font font;
  font.name = std::string(messages::kDefaultFontName);
  font.points = messages::kDefaultFontPoints;
  font.color = color;
  return font;
}

CustomAxisPanel::CustomAxisPanel() : canvas_(std::make_unique<raster::ChartCanvas>()) {
  // Creation order is the axis list's order, that of AxisId.
  axes_.push_back(std::make_unique<ChartAxis>(*this, true, false, false));
  axes_.push_back(std::make_unique<ChartAxis>(*this, true, true, false));
  axes_.push_back(std::make_unique<ChartAxis>(*this, false, false, false));
  axes_.push_back(std::make_unique<ChartAxis>(*this, false, true, false));
  axes_.push_back(std::make_unique<ChartAxis>(*this, false, true, true));
  repaint_enabled_ = true;
}

CustomAxisPanel::~CustomAxisPanel() {
  destroying_ = true;
  for (const auto& series : series_) series->ClearPoints();
}

AxisScales CustomAxisPanel::MainScales() const {
  AxisScales scales;
  for (const AxisId id : kMainAxes) scales[id] = Axis(id).Scale();
  return scales;
}

void CustomAxisPanel::SetMainScales(const AxisScales& scales) {
  for (const AxisId id : kMainAxes) Axis(id).SetScale(scales[id]);
}

void CustomAxisPanel::InvalidateChart() {
  if (!repaint_enabled_) return;
  canvas_->SetImageStale(true);
}

void CustomAxisPanel::RepaintNow() { InvalidateChart(); }

void CustomAxisPanel::SetColor(raster::Color color) {
  AssignIfChanged(color_, color, [this] { InvalidateChart(); });
}

void CustomAxisPanel::SetLabelNumberFormat(NumberFormat format) {
  number_format_ = std::move(format);
  InvalidateChart();
}

ChartSeries& CustomAxisPanel::AddSeries(std::unique_ptr<ChartSeries> series) {
  if (series->SeriesColor() == raster::clSeriesColor) {
    for (int i = 0;; ++i) {
      const raster::Color candidate = DefaultSeriesColor(i);
      const bool used = std::any_of(series_.begin(), series_.end(),
                                    [&](const auto& other) { return other->SeriesColor() == candidate; });
      // Every colour of the table in use: the series takes the next one in turn.
      if (!used || i >= static_cast<int>(series_.size())) {
        series->SetSeriesColor(candidate);
        break;
      }
    }
  }
  series->SetParentChart(this);
  series_.push_back(std::move(series));
  InvalidateChart();
  return *series_.back();
}

std::unique_ptr<ChartSeries> CustomAxisPanel::RemoveSeries(const ChartSeries& series) {
  const auto it =
      std::find_if(series_.begin(), series_.end(), [&](const auto& held) { return held.get() == &series; });
  if (it == series_.end()) return nullptr;
  std::unique_ptr<ChartSeries> removed = std::move(*it);
  series_.erase(it);
  removed->SetParentChart(nullptr);
  InvalidateChart();
  return removed;
}

bool CustomAxisPanel::HasActiveSeriesOn(const ChartAxis& axis) const {
  return std::any_of(series_.begin(), series_.end(),
                     [&](const auto& series) { return series->Active() && series->UsesAxis(axis); });
}

double CustomAxisPanel::SeriesExtreme(const ChartAxis& axis, bool highest, bool x_values) const {
  const bool any_active = HasActiveSeriesOn(axis);
  bool found = false;
  double result = 0;
  for (const auto& series : series_) {
    if (!(series->Active() || !any_active) || series->PointCount() == 0) continue;
    if (x_values ? !series->UsesHorizontalAxis(axis) : !series->UsesVerticalAxis(axis)) continue;
    const double value = x_values ? (highest ? series->HighestX() : series->LowestX())
                                  : (highest ? series->HighestY() : series->LowestY());
    if (!found || (highest ? value > result : value < result)) result = value;
    found = true;
  }
  return result;
}

}  // namespace kep::chart
