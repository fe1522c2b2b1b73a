#include "chart/chart_axis.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "chart/assign_if_changed.h"
#include "chart/axis_panel.h"
#include "chart/chart_exceptions.h"
#include "chart/messages.h"
#include "common/format.h"
#include "common/numbers.h"

namespace kep::chart {
namespace {

void CheckAngle(int angle, std::string_view what) {
  if (angle < 0 || angle > 359) throw ChartException(FormatMessage(messages::kAngle, what));
}

}  // namespace

// c * 10^exponent as the double nearest to the exact decimal value, so that
// 2e-12 here is the same double as the literal 2e-12. Beyond the double range
// it is infinity (or 0).
static double DecimalValue(int c, int exponent) {
  const std::string text = std::to_string(c) + "e" + std::to_string(exponent);
  double value = 0;
  const std::from_chars_result result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) return exponent > 0 ? HUGE_VAL : 0;
  return value;
}

// The decade is found exactly rather than by repeated scaling by ten, whose
// rounding would turn 1e-12 into 0.99999999999999989e-12 and keep it there.
double NextNiceStep(double x) {
  if (!(x > 0) || std::isinf(x)) return x;
  int exponent = static_cast<int>(std::floor(std::log10(x)));
  while (exponent > -330 && DecimalValue(1, exponent) > x) --exponent;
  while (DecimalValue(1, exponent + 1) <= x) ++exponent;
  for (const int c : {2, 5}) {
    const double candidate = DecimalValue(c, exponent);
    if (candidate > x) return candidate;
  }
  return DecimalValue(1, exponent + 1);
}

ChartAxisTitle::ChartAxisTitle(CustomAxisPanel& chart, int angle)
    : chart_(chart), angle_(angle), font_(DefaultChartFont(raster::clBlack)) {}

void ChartAxisTitle::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  chart_.InvalidateChart();
}

void ChartAxisTitle::SetAngle(int angle) {
  CheckAngle(angle, messages::kAxisTitleName);
  if (angle == angle_) return;
  angle_ = angle;
  chart_.InvalidateChart();
}

void ChartAxisTitle::SetFont(const raster::Font& font) {
  if (font == font_) return;
  font_ = font;
  chart_.InvalidateChart();
}

ChartAxis::ChartAxis(CustomAxisPanel& chart, bool horizontal, bool other_side, bool depth)
    : chart_(chart),
      horizontal_(horizontal),
      other_side_(other_side),
      depth_(depth),
      visible_(!depth),
      labels_font_(DefaultChartFont(raster::clBlack)),
      title_(chart, horizontal || depth ? 0 : (other_side ? 270 : 90)) {}

template <typename T>
void ChartAxis::Assign(T& field, T value) {
  AssignIfChanged(field, std::move(value), [this] { chart_.InvalidateChart(); });
}

// ---- range ----

void ChartAxis::SetAutomatic(bool value) {
  if (value == automatic_) return;
  automatic_ = value;
  if (!chart_.IsLoading()) automatic_minimum_ = automatic_maximum_ = value;
  chart_.InvalidateChart();
}

void ChartAxis::SetAutomaticMaximum(bool value) {
  if (value == automatic_maximum_) return;
  automatic_maximum_ = value;
  if (!value || automatic_minimum_) automatic_ = value;
  chart_.InvalidateChart();
}

void ChartAxis::SetAutomaticMinimum(bool value) {
  if (value == automatic_minimum_) return;
  automatic_minimum_ = value;
  if (!value || automatic_maximum_) automatic_ = value;
  chart_.InvalidateChart();
}

void ChartAxis::SetMaximum(double value) {
  if (!chart_.IsLoading() && value < minimum_) throw AxisException(std::string(messages::kAxisMaximum));
  Assign(maximum_, value);
}

void ChartAxis::SetMinimum(double value) {
  if (!chart_.IsLoading() && value > maximum_) throw AxisException(std::string(messages::kAxisMinimum));
  Assign(minimum_, value);
}

void ChartAxis::SetRange(double minimum, double maximum) {
  automatic_ = automatic_minimum_ = automatic_maximum_ = false;
  if (minimum > maximum) std::swap(minimum, maximum);
  Assign(minimum_, minimum);
  Assign(maximum_, maximum);
  if (static_cast<Extended>(maximum_) - minimum_ < 1e-10L) {
    Assign(maximum_, RoundedSum(minimum_, 1e-10L));
  }
}

void ChartAxis::ShiftRange(double delta, bool stop_at_data) {
  if (stop_at_data) {
    if (delta > 0 && !(SeriesExtremeFor(true) > maximum_)) return;
    if (delta < 0 && !(SeriesExtremeFor(false) < minimum_)) return;
    if (delta == 0) return;
  }
  automatic_ = automatic_minimum_ = automatic_maximum_ = false;
  maximum_ = RoundedSum(maximum_, delta);
  minimum_ = RoundedSum(minimum_, delta);
  chart_.RepaintNow();
}

AxisScale ChartAxis::Scale() const {
  return {automatic_, automatic_minimum_, automatic_maximum_, minimum_, maximum_};
}

void ChartAxis::SetScale(const AxisScale& scale) {
  // The range first, since fixing it switches every automatic flag off.
  if (!scale.automatic) SetRange(scale.minimum, scale.maximum);
  SetAutomatic(scale.automatic);
  SetAutomaticMinimum(scale.automatic_minimum);
  SetAutomaticMaximum(scale.automatic_maximum);
}

double ChartAxis::SeriesExtremeFor(bool highest) const {
  return chart_.SeriesExtreme(*this, highest, horizontal_);
}

void ChartAxis::ComputeRange() {
  if (automatic_ || automatic_maximum_) maximum_ = SeriesExtremeFor(true);
  if (automatic_ || automatic_minimum_) minimum_ = SeriesExtremeFor(false);
  work_maximum_ = maximum_;
  work_minimum_ = minimum_;
  work_range_ = RoundedDifference(work_maximum_, work_minimum_);
}

// ---- label settings ----

void ChartAxis::SetIncrement(double value) {
  if (value < 0) throw AxisException(std::string(messages::kAxisIncrement));
  Assign(increment_, value);
}

void ChartAxis::SetLabelsSeparation(int value) {
  if (value < 0) throw AxisException(std::string(messages::kAxisLabelsSeparation));
  Assign(labels_separation_, value);
}

void ChartAxis::SetLabelsAngle(int angle) {
  CheckAngle(angle, messages::kAxisLabelsName);
  Assign(labels_angle_, angle);
}

void ChartAxis::SetLabelStyle(AxisLabelStyle style) {
  if (style == label_style_) return;
  label_style_ = style;
  chart_.RepaintNow();
}

void ChartAxis::SetAxisValuesFormat(std::string format) { Assign(axis_values_format_, std::move(format)); }
void ChartAxis::SetRoundFirstLabel(bool value) { Assign(round_first_label_, value); }
void ChartAxis::SetLabels(bool value) { Assign(labels_, value); }
void ChartAxis::SetLabelsOnAxis(bool value) { Assign(labels_on_axis_, value); }
void ChartAxis::SetLabelsMultiLine(bool value) { Assign(labels_multi_line_, value); }
void ChartAxis::SetInverted(bool value) { Assign(inverted_, value); }
void ChartAxis::SetVisible(bool value) { Assign(visible_, value); }
void ChartAxis::SetStartPosition(double value) { Assign(start_position_, value); }
void ChartAxis::SetEndPosition(double value) { Assign(end_position_, value); }
void ChartAxis::SetPositionPercent(double value) { Assign(position_percent_, value); }
void ChartAxis::SetAxis(const raster::ChartPen& pen) { Assign(axis_pen_, pen); }
void ChartAxis::SetTicks(const raster::ChartPen& pen) { Assign(ticks_, pen); }
void ChartAxis::SetTickLength(int value) { Assign(tick_length_, value); }
void ChartAxis::SetTicksInner(const raster::ChartPen& pen) { Assign(ticks_inner_, pen); }
void ChartAxis::SetTickInnerLength(int value) { Assign(tick_inner_length_, value); }
void ChartAxis::SetMinorTicks(const raster::ChartPen& pen) { Assign(minor_ticks_, pen); }
void ChartAxis::SetMinorTickLength(int value) { Assign(minor_tick_length_, value); }
void ChartAxis::SetMinorTickCount(int value) { Assign(minor_tick_count_, value); }
void ChartAxis::SetTickOnLabelsOnly(bool value) { Assign(tick_on_labels_only_, value); }
void ChartAxis::SetGrid(const raster::ChartPen& pen) { Assign(grid_, pen); }
void ChartAxis::SetGridCentered(bool value) { Assign(grid_centered_, value); }
void ChartAxis::SetMinorGrid(const raster::ChartPen& pen) { Assign(minor_grid_, pen); }
void ChartAxis::SetLabelsFont(const raster::Font& font) { Assign(labels_font_, font); }
void ChartAxis::SetLabelsSize(int value) { Assign(labels_size_, value); }
void ChartAxis::SetTitleSize(int value) { Assign(title_size_, value); }

// ---- label steps, values and texts ----

double ChartAxis::ComputeLabelStep(int max_labels) const {
  if (max_labels < 1) return 1e-12;
  double step = increment_ > 0 ? increment_ : (std::fabs(work_range_) >= 1 ? 1.0 : 1e-12);
  // Move up the 1-2-5 sequence until the labels fit. This holds without a
  // separation between labels as well, so that labels never overlap.
  std::int64_t count = static_cast<std::int64_t>(max_labels) + 1;
  while (count > max_labels && std::isfinite(step)) {
    const double quotient = RoundedQuotient(work_range_, step);
    if (std::fabs(quotient) < 2147483647.0) {
      count = Nearest(quotient);
      if (count > max_labels) step = NextNiceStep(step);
    } else {
      step = NextNiceStep(step);
    }
  }
  return std::max(step, 1e-12);
}

bool ChartAxis::TextRunsAlongAxis(int angle) const {
  return horizontal_ ? (angle == 0 || angle == 180) : (angle == 90 || angle == 270);
}

std::vector<std::string_view> LabelLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\r', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

int ChartAxis::LabelExtent(std::string_view text, bool across_lines) {
  if (text.empty()) return 0;
  raster::ChartCanvas& canvas = chart_.Canvas();
  const std::vector<std::string_view> lines = LabelLines(text);
  if (across_lines) return canvas.TextLineHeight() * static_cast<int>(lines.size());
  int widest = 0;
  for (const std::string_view line : lines) widest = std::max(widest, canvas.TextWidth(line));
  return widest;
}

int ChartAxis::LabelSize() {
  // Measured in the labels' font, with the canvas' font put back afterwards:
  // asking changes nothing that a later drawing sees. Not const, since the
  // texts pass through OnGetAxisLabel, which is handed the axis itself.
  const raster::FontScope font(chart_.Canvas(), labels_font_);
  // The extent of a label in the axis' direction: its widest line, or its
  // lines' heights where the text stands across the axis.
  const int angle = labels_angle_;
  const bool across_lines = horizontal_ ? (angle == 90 || angle == 270) : (angle == 0 || angle == 180);
  return std::max(LabelExtent(LabelText(work_minimum_), across_lines),
                  LabelExtent(LabelText(work_maximum_), across_lines));
}

double ChartAxis::AxisLabelStep() {
  const int size = LabelSize();
  int max_labels = 1;
  if (size > 0) {
    const int gap = labels_separation_ > 0 ? NearestInt(labels_separation_ * 0.01L * size) : 0;
    max_labels = NearestInt(static_cast<Extended>(pixel_length_) / (static_cast<Extended>(size) + gap));
  }
  return ComputeLabelStep(max_labels);
}

void ChartAxis::ForEachLabelValue(double step, const std::function<void(double)>& emit) const {
  const double low = work_minimum_;
  const double high = work_maximum_;
  if (!(step > 0) || !std::isfinite(step) || !std::isfinite(low) || !std::isfinite(high)) return;
  if (std::fabs(RoundedQuotient(work_range_, step)) >= 10000) return;
  const bool zero_range = low == high;
  double value = high;
  if (!zero_range && round_first_label_) value = WholeSteps(high, step);
  while (value > high) {
    const double next = RoundedDifference(value, step);
    if (next == value) {  // the step is below the values' resolution
      value = high;
      break;
    }
    value = next;
  }
  // A little below the minimum, so that a label on it survives rounding.
  const Extended tolerance = 1.000000000001L;
  const Extended lowered = static_cast<Extended>(low) - 1e-12L;
  const double bottom = static_cast<double>(low >= 0 ? lowered / tolerance : lowered * tolerance);
  for (std::size_t count = 0; value >= bottom && count < kMaxTickPositions; ++count) {
    emit(value);
    const double next = RoundedDifference(value, step);
    if (zero_range || next == value) break;
    value = next;
  }
}

std::string ChartAxis::LabelText(double value) { return LabelText(value, true); }

std::string ChartAxis::LabelText(double value, bool notify) {
  std::string text = chart_.LabelNumberFormat().Format(value, axis_values_format_);
  if (notify && chart_.OnGetAxisLabel) chart_.OnGetAxisLabel(*this, nullptr, -1, text);
  if (labels_multi_line_) std::replace(text.begin(), text.end(), ' ', '\r');
  return text;
}

AxisLabelStyle ChartAxis::EffectiveLabelStyle() const {
  if (label_style_ != AxisLabelStyle::talAuto || depth_) {
    return label_style_ == AxisLabelStyle::talAuto ? AxisLabelStyle::talValue : label_style_;
  }
  if (!chart_.HasActiveSeriesOn(*this)) return AxisLabelStyle::talNone;
  // A series' position values (X) run along the horizontal axis; text labels
  // are used when the first point carries one.
  for (const auto& series : chart_.SeriesList()) {
    if (horizontal_ && series->Active() && series->UsesAxis(*this) && !series->PointLabel(0).empty()) {
      return AxisLabelStyle::talText;
    }
  }
  return AxisLabelStyle::talValue;
}

}  // namespace kep::chart
