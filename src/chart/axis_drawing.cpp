// Pixel placement, value/pixel mapping, space reservation and drawing of an axis.
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/axis_panel.h"
#include "chart/chart_axis.h"
#include "common/numbers.h"

namespace kep::chart {

using raster::HorizontalAlign;
using raster::IntPoint;
using raster::IntRect;
using raster::VerticalAlign;

void ChartAxis::PlacePixels() {
  const IntRect& plot = chart_.PlotRect();
  const std::int64_t origin = horizontal_ ? plot.Left : plot.Top;
  const Extended size = horizontal_ ? chart_.PlotWidth() : chart_.PlotHeight();
  start_pixel_ = ClampToInt(origin + NearestInt(size * 0.01L * start_position_));
  end_pixel_ = ClampToInt(origin + NearestInt(size * 0.01L * end_position_));
  pixel_length_ = ClampToInt(static_cast<std::int64_t>(end_pixel_) - start_pixel_);
  center_pixel_ = static_cast<int>((static_cast<std::int64_t>(start_pixel_) + end_pixel_) / 2);
}

int ChartAxis::MapValue(double value, bool from_end) const {
  if (work_range_ == 0) return center_pixel_;
  const double t =
      static_cast<double>((static_cast<Extended>(value) - work_minimum_) * pixel_length_ / work_range_);
  if (!(std::fabs(t) < 2147483647.0)) return center_pixel_;
  const std::int64_t k = Nearest(t);
  return ClampToInt(from_end ? end_pixel_ - k : start_pixel_ + k);
}

int ChartAxis::XValueToPixel(double value) const { return MapValue(value, inverted_); }

int ChartAxis::YValueToPixel(double value) const { return MapValue(value, !inverted_); }

double ChartAxis::PixelToValue(int pixel) const {
  if (pixel_length_ < 1) return 0;
  const Extended offset =
      inverted_ ? static_cast<Extended>(end_pixel_) - pixel : static_cast<Extended>(pixel) - start_pixel_;
  const double amount = static_cast<double>(offset * work_range_ / pixel_length_);
  return horizontal_ ? RoundedSum(work_minimum_, amount) : RoundedDifference(work_maximum_, amount);
}

void ChartAxis::ExpandForMargins(int margin1, int margin2) {
  const int start = start_pixel_;
  const int end = end_pixel_;
  start_pixel_ = ClampToInt(static_cast<std::int64_t>(start) + margin1);
  end_pixel_ = ClampToInt(static_cast<std::int64_t>(end) - margin2);
  pixel_length_ = ClampToInt(static_cast<std::int64_t>(end_pixel_) - start_pixel_);
  const double value1 = PixelToValue(start);
  const double value2 = PixelToValue(end);
  PlacePixels();
  work_minimum_ = horizontal_ ? value1 : value2;
  work_maximum_ = horizontal_ ? value2 : value1;
  if (work_minimum_ > work_maximum_) std::swap(work_minimum_, work_maximum_);
  work_range_ = RoundedDifference(work_maximum_, work_minimum_);
}

// ---- bands ----

int ChartAxis::TickBandSize() const {
  std::int64_t size = (axis_pen_.visible ? axis_pen_.width : 0) +
                      static_cast<std::int64_t>(ticks_.visible ? tick_length_ : 0);
  if (minor_ticks_.visible) size = std::max<std::int64_t>(size, minor_tick_length_);
  return ClampToInt(size);
}

int ChartAxis::TitleBandSize() {
  if (title_size_ != 0) return title_size_;
  raster::ChartCanvas& canvas = chart_.Canvas();
  canvas.SetFont(title_.Font());
  return TextRunsAlongAxis(title_.Angle()) ? canvas.TextLineHeight() : canvas.TextWidth(title_.Caption());
}

int ChartAxis::LabelsBandSize() {
  if (labels_size_ != 0) return labels_size_;
  raster::ChartCanvas& canvas = chart_.Canvas();
  canvas.SetFont(labels_font_);
  if (TextRunsAlongAxis(labels_angle_)) return canvas.TextLineHeight();
  switch (EffectiveLabelStyle()) {
    case AxisLabelStyle::talValue:
      return WidestValueLabel();
    case AxisLabelStyle::talMark:
    case AxisLabelStyle::talText: {
      int widest = 0;
      ForEachPointLabel(
          [&](double, std::string_view text) { widest = std::max(widest, LabelExtent(text, false)); });
      return widest;
    }
    case AxisLabelStyle::talAuto:
    case AxisLabelStyle::talNone:
      break;
  }
  return 0;
}

int ChartAxis::WidestValueLabel() {
  const double step = AxisLabelStep();
  double low = work_minimum_;
  double high = work_maximum_;
  if (round_first_label_) {
    low = WholeSteps(low, step);
    high = WholeSteps(high, step);
  }
  const int widest =
      std::max(LabelExtent(LabelText(high, false), false), LabelExtent(LabelText(low, false), false));
  return widest + chart_.Canvas().TextWidth(" ");
}

int ChartAxis::PositionOffset(int extent) const {
  // Kept within -INT_MAX .. INT_MAX, so that it can be negated.
  int offset = std::max(NearestInt(position_percent_ * 0.01L * extent), -std::numeric_limits<int>::max());
  if (other_side_) offset = -offset;
  if (horizontal_) offset = -offset;
  return offset;
}

namespace {

// The side of a rectangle an axis stands on, and taking space off it.
enum class Side { kLeft, kRight, kBottom, kTop };

Side SideOf(bool horizontal, bool other_side) {
  if (horizontal) return other_side ? Side::kTop : Side::kBottom;
  return other_side ? Side::kRight : Side::kLeft;
}

int Edge(const IntRect& rect, Side side) {
  switch (side) {
    case Side::kLeft:
      return rect.Left;
    case Side::kRight:
      return rect.Right;
    case Side::kBottom:
      return rect.Bottom;
    case Side::kTop:
      return rect.Top;
  }
  return 0;
}

void Take(IntRect& rect, Side side, int amount) {
  switch (side) {
    case Side::kLeft:
      rect.Left = ClampToInt(static_cast<std::int64_t>(rect.Left) + amount);
      break;
    case Side::kRight:
      rect.Right = ClampToInt(static_cast<std::int64_t>(rect.Right) - amount);
      break;
    case Side::kBottom:
      rect.Bottom = ClampToInt(static_cast<std::int64_t>(rect.Bottom) - amount);
      break;
    case Side::kTop:
      rect.Top = ClampToInt(static_cast<std::int64_t>(rect.Top) + amount);
      break;
  }
}

}  // namespace

void ChartAxis::ReserveAxisSpace(IntRect& rect) {
  const Side side = SideOf(horizontal_, other_side_);
  if (!title_.Caption().empty()) {
    Take(rect, side, TitleBandSize());
    title_edge_pos_ = depth_ ? rect.Right : Edge(rect, side);
  }
  if (labels_) {
    Take(rect, side, LabelsBandSize());
    labels_edge_pos_ = Edge(rect, side);
  }
  const int ticks = TickBandSize();  // no walls in two dimensions
  if (ticks > 0) Take(rect, side, ticks);
  const int offset = PositionOffset(horizontal_ ? rect.Height() : rect.Width());
  title_edge_pos_ = ClampToInt(static_cast<std::int64_t>(title_edge_pos_) + offset);
  labels_edge_pos_ = ClampToInt(static_cast<std::int64_t>(labels_edge_pos_) + offset);
}

// ---- drawing ----

const ChartSeries* ChartAxis::TextLabelSeries() const {
  for (const auto& series : chart_.SeriesList()) {
    if (series->Active() && series->UsesAxis(*this)) return series.get();
  }
  return nullptr;
}

void ChartAxis::ForEachPointLabel(const std::function<void(double, std::string_view)>& emit) const {
  const ChartSeries* series = TextLabelSeries();
  if (series == nullptr) return;
  const ChartValueList& values = horizontal_ ? series->XValues() : series->YValues();
  std::size_t count = 0;
  for (int i = 0; i < series->StoredLabelCount() && count < kMaxTickPositions; ++i) {
    const std::string_view text = series->PointLabel(i);
    const double value = values.ValueAt(i);
    if (text.empty() || value < work_minimum_ || value > work_maximum_) continue;
    emit(value, text);
    ++count;
  }
}

void ChartAxis::PlaceLabel(double value, const std::function<std::string()>& text) {
  if (tick_positions_.size() >= kMaxTickPositions) return;
  const int pixel = ValueToPixel(value);
  if (!labels_on_axis_ && !(start_pixel_ < pixel && pixel < end_pixel_)) return;
  if (!tick_on_labels_only_) tick_positions_.push_back(pixel);
  if (!labels_) return;
  if (tick_on_labels_only_) tick_positions_.push_back(pixel);
  raster::ChartCanvas& canvas = chart_.Canvas();
  canvas.SetFont(labels_font_);
  canvas.SetBrushColor(chart_.Color());
  canvas.SetBrushStyle(raster::BrushStyle::bsClear);
  DrawnLabel& label = drawn_labels_.emplace_back(DrawnLabel{value, text(), pixel});
  if (horizontal_) {
    DrawLabelText(pixel, labels_edge_pos_, label.text, labels_angle_);
  } else {
    DrawLabelText(labels_edge_pos_, pixel, label.text, labels_angle_);
  }
}

void ChartAxis::DrawTick(int position, int offset, int length, bool inner) {
  // Outer ticks point away from the plot area, inner ones into it.
  const Side side = SideOf(horizontal_, other_side_);
  int direction = (side == Side::kBottom || side == Side::kRight) ? 1 : -1;
  if (inner) direction = -direction;
  const int from = ClampToInt(axis_line_pos_ + static_cast<std::int64_t>(direction) * offset);
  const int to = ClampToInt(axis_line_pos_ + static_cast<std::int64_t>(direction) *
                                                 (static_cast<std::int64_t>(offset) + length));
  raster::ChartCanvas& canvas = chart_.Canvas();
  if (horizontal_) {
    canvas.Line(IntPoint{position, from}, IntPoint{position, to});
  } else {
    canvas.Line(IntPoint{from, position}, IntPoint{to, position});
  }
}

void ChartAxis::DrawGrid(const raster::ChartPen& pen, const std::vector<int>& positions) {
  raster::ChartCanvas& canvas = chart_.Canvas();
  canvas.SetBrushStyle(raster::BrushStyle::bsClear);
  canvas.SetBackgroundMode(raster::BackgroundMode::kTransparent);
  canvas.AssignChartPen(pen);
  if (pen.color == raster::clSeriesColor) {
    raster::Pen grey = canvas.GetPen();
    grey.color = raster::clGray;
    canvas.SetPen(grey);
  }
  const IntRect& plot = chart_.PlotRect();
  for (const int p : positions) {
    if (horizontal_) {
      canvas.Line(IntPoint{p, plot.Top}, IntPoint{p, plot.Bottom});
    } else {
      canvas.Line(IntPoint{plot.Left, p}, IntPoint{plot.Right, p});
    }
  }
  canvas.SetBackgroundMode(raster::BackgroundMode::kOpaque);
}

std::vector<int> ChartAxis::MinorTickPositions(const std::vector<int>& ticks, int count) {
  std::vector<int> positions;
  const std::size_t n = ticks.size();
  if (n < 2 || count < 1) return positions;
  auto spacing = [&](std::size_t i) {
    return static_cast<double>(static_cast<Extended>(static_cast<std::int64_t>(ticks[i]) - ticks[i - 1]) /
                               (count + 1.0L));
  };
  const double outer = spacing(1);
  for (int j = 1; j <= count; ++j) {
    const int e = NearestInt(static_cast<Extended>(outer) * j);
    positions.push_back(ClampToInt(static_cast<std::int64_t>(ticks[0]) - e));
    positions.push_back(ClampToInt(static_cast<std::int64_t>(ticks[n - 1]) + e));
  }
  for (std::size_t i = 1; i < n; ++i) {
    const double inner = spacing(i);
    for (int j = 1; j <= count; ++j) {
      positions.push_back(
          ClampToInt(static_cast<std::int64_t>(ticks[i]) - NearestInt(j * static_cast<Extended>(inner))));
    }
  }
  return positions;
}

void ChartAxis::DrawAxis() {
  chart_.Canvas().SetFont(labels_font_);
  const double step = AxisLabelStep();
  const IntRect& plot = chart_.PlotRect();
  const Side side = SideOf(horizontal_, other_side_);
  axis_line_pos_ = ClampToInt(static_cast<std::int64_t>(Edge(plot, side)) +
                              PositionOffset(horizontal_ ? plot.Height() : plot.Width()));
  DrawTitle();
  PlaceLabels(step);
  DrawAxisLine();
  DrawTicksAndGrids();
  DrawMinorTicksAndGrid();
}

void ChartAxis::DrawTitle() {
  if (title_.Caption().empty()) return;
  raster::ChartCanvas& canvas = chart_.Canvas();
  canvas.SetFont(title_.Font());
  canvas.SetBrushColor(chart_.Color());
  canvas.SetBrushStyle(raster::BrushStyle::bsClear);
  if (horizontal_) {
    DrawLabelText(center_pixel_, title_edge_pos_, title_.Caption(), title_.Angle());
  } else {
    DrawLabelText(title_edge_pos_, center_pixel_, title_.Caption(), title_.Angle());
  }
}

void ChartAxis::PlaceLabels(double step) {
  tick_positions_.clear();
  drawn_labels_.clear();
  if (!(step > 0 && work_maximum_ >= work_minimum_)) return;
  switch (EffectiveLabelStyle()) {
    case AxisLabelStyle::talValue:
      ForEachLabelValue(step, [&](double value) { PlaceLabel(value, [&] { return LabelText(value); }); });
      break;
    case AxisLabelStyle::talMark:
    case AxisLabelStyle::talText:
      ForEachPointLabel(
          [&](double value, std::string_view text) { PlaceLabel(value, [&] { return std::string(text); }); });
      break;
    case AxisLabelStyle::talAuto:
    case AxisLabelStyle::talNone:
      break;
  }
}

void ChartAxis::DrawAxisLine() {
  if (!axis_pen_.visible) return;
  raster::ChartCanvas& canvas = chart_.Canvas();
  canvas.AssignChartPen(axis_pen_);
  if (horizontal_) {
    canvas.Line(IntPoint{start_pixel_, axis_line_pos_}, IntPoint{end_pixel_, axis_line_pos_});
  } else {
    canvas.Line(IntPoint{axis_line_pos_, start_pixel_}, IntPoint{axis_line_pos_, end_pixel_});
  }
}

void ChartAxis::DrawTicksAndGrids() {
  raster::ChartCanvas& canvas = chart_.Canvas();
  if (ticks_.visible) {
    canvas.AssignChartPen(ticks_);
    for (const int p : tick_positions_) DrawTick(p, 1, tick_length_, false);
  }
  if (grid_.visible) {
    if (grid_centered_) {
      std::vector<int> centred;
      for (std::size_t i = 1; i < tick_positions_.size(); ++i) {
        centred.push_back(
            NearestInt((static_cast<Extended>(tick_positions_[i]) + tick_positions_[i - 1]) * 0.5L));
      }
      DrawGrid(grid_, centred);
    } else {
      DrawGrid(grid_, tick_positions_);
    }
  }
  if (ticks_inner_.visible) {
    canvas.AssignChartPen(ticks_inner_);
    for (const int p : tick_positions_) DrawTick(p, 1, tick_inner_length_, true);
  }
}

void ChartAxis::DrawMinorTicksAndGrid() {
  if (tick_positions_.empty() || (!minor_ticks_.visible && !minor_grid_.visible)) return;
  // More minor ticks than pixels would only repeat positions.
  const int count = std::min(minor_tick_count_, std::max(pixel_length_, 0));
  std::vector<int> minor = MinorTickPositions(tick_positions_, count);
  std::erase_if(minor, [&](int q) { return !(start_pixel_ < q && q < end_pixel_); });
  if (minor_ticks_.visible) {
    chart_.Canvas().AssignChartPen(minor_ticks_);
    for (const int q : minor) DrawTick(q, 1, minor_tick_length_, false);
  }
  if (minor_grid_.visible) DrawGrid(minor_grid_, minor);
}

void ChartAxis::DrawLabelText(int x, int y, std::string_view text, int angle) {
  // An anchor this far out (an axis placed far off by PositionPercent) shows
  // nothing on any surface; leaving it alone keeps the text arithmetic below
  // far from the ends of the int range.
  constexpr int kFarAway = 1 << 24;
  if (text.empty() || x < -kFarAway || x > kFarAway || y < -kFarAway || y > kFarAway) return;
  raster::ChartCanvas& canvas = chart_.Canvas();
  const int line_height = canvas.TextLineHeight();
  const std::vector<std::string_view> lines = LabelLines(text);
  const int count = static_cast<int>(lines.size());
  AlignLabelText(angle, line_height / 2, x, y);

  // The anchor moves back by the block's size, then forward one line at a
  // time.
  const int line_step = (angle == 180 || angle == 270) ? -line_height : line_height;
  const int all_lines = line_step * count;
  const int centred = NearestInt(line_step * 0.5L * (count + 1));
  if (horizontal_) {
    if (angle == 0) y -= other_side_ ? all_lines : line_step;
    if (angle == 90 || angle == 270) x -= centred;
    if (angle == 180) y -= other_side_ ? line_step : all_lines;
  } else {
    if (angle == 0 || angle == 180) y -= centred;
    if (angle == 90) x -= other_side_ ? line_step : all_lines;
    if (angle == 270) x -= other_side_ ? all_lines : line_step;
  }
  for (const std::string_view line : lines) {
    if (angle == 0) {
      y += line_step;
      canvas.TextOut(x, y, line);
      continue;
    }
    if (angle == 90 || angle == 270) x += line_step;
    if (angle == 180) y += line_step;
    canvas.RotatedTextOut(x, y, line, angle);
  }
  canvas.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
}

void ChartAxis::AlignLabelText(int angle, int half_line, int& x, int& y) {
  raster::ChartCanvas& canvas = chart_.Canvas();
  // Alignment of unrotated text on each side: away from the plot area.
  auto flat_alignment = [&](bool other_side) {
    if (horizontal_) {
      canvas.SetTextAlign(HorizontalAlign::kCenter,
                          other_side ? VerticalAlign::kBottom : VerticalAlign::kTop);
    } else {
      canvas.SetTextAlign(other_side ? HorizontalAlign::kLeft : HorizontalAlign::kRight, VerticalAlign::kTop);
    }
  };
  const bool left_or_bottom = !other_side_;
  switch (angle) {
    case 0:
      flat_alignment(other_side_);
      if (!horizontal_) y -= half_line;
      break;
    case 90:
      if (horizontal_) {
        canvas.SetTextAlign(other_side_ ? HorizontalAlign::kLeft : HorizontalAlign::kRight,
                            VerticalAlign::kTop);
        x -= half_line;
      } else {
        canvas.SetTextAlign(HorizontalAlign::kCenter,
                            left_or_bottom ? VerticalAlign::kBottom : VerticalAlign::kTop);
      }
      break;
    case 180:
      flat_alignment(!other_side_);
      if (!horizontal_) y += half_line;
      break;
    case 270:
      if (horizontal_) {
        canvas.SetTextAlign(other_side_ ? HorizontalAlign::kRight : HorizontalAlign::kLeft,
                            VerticalAlign::kTop);
        x += half_line;
      } else {
        canvas.SetTextAlign(HorizontalAlign::kCenter,
                            left_or_bottom ? VerticalAlign::kTop : VerticalAlign::kBottom);
      }
      break;
    default:
      canvas.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
      break;
  }
}

}  // namespace kep::chart
