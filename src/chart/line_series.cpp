#include "chart/line_series.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "chart/assign_if_changed.h"
#include "chart/axis_panel.h"
#include "chart/chart_axis.h"
#include "common/numbers.h"

namespace kep::chart {

using raster::Color;
using raster::IntPoint;

namespace {

// Pixels beyond this distance from the origin are not drawn: such a point is
// left out and the line joins its neighbours.
constexpr int kLargestPixel = 32766;

bool OutsideDrawableRange(int x, int y) { return std::abs(x) > kLargestPixel || std::abs(y) > kLargestPixel; }

// Whether axis maps every value from lo to hi (lo <= hi) in value order onto
// pixels inside +-kLargestPixel. The mapping rounds a linear function, so it
// keeps the order of values as long as that function stays clear of the
// guard that sends out-of-range results to the centre pixel; both ends are
// checked against a bound well inside that guard.
bool MapsInside(const ChartAxis& axis, double lo, double hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) return false;
  for (const double value : {lo, hi}) {
    if (axis.WorkRange() != 0) {
      const Extended t =
          (static_cast<Extended>(value) - axis.WorkMinimum()) * axis.PixelLength() / axis.WorkRange();
      if (!(std::fabs(t) < 0x1p30L)) return false;
    }
    if (std::abs(axis.ValueToPixel(value)) > kLargestPixel) return false;
  }
  return true;
}

const ChartAxis& HorizontalAxisOf(const ChartSeries& series, const CustomAxisPanel& chart) {
  return series.GetHorizAxis() == HorizAxis::aTopAxis ? chart.TopAxis() : chart.BottomAxis();
}

const ChartAxis& VerticalAxisOf(const ChartSeries& series, const CustomAxisPanel& chart) {
  return series.GetVertAxis() == VertAxis::aRightAxis ? chart.RightAxis() : chart.LeftAxis();
}

// The smallest index in first .. end - 1 for which pred is false, given that
// pred holds for a prefix of the range (end when it holds throughout).
template <typename Pred>
int PartitionPoint(int first, int end, Pred pred) {
  while (first < end) {
    const int middle = first + (end - first) / 2;
    if (pred(middle)) {
      first = middle + 1;
    } else {
      end = middle;
    }
  }
  return first;
}

}  // namespace

// ---- pointer and marks ----

template <typename T>
void SeriesPointer::Assign(T& field, T value) {
  AssignIfChanged(field, std::move(value), [this] { series_.Changed(); });
}

void SeriesPointer::SetVisible(bool value) { Assign(visible_, value); }
void SeriesPointer::SetStyle(PointerStyle value) { Assign(style_, value); }
void SeriesPointer::SetInflateMargins(bool value) { Assign(inflate_margins_, value); }
void SeriesPointer::SetHorizSize(int value) { Assign(horiz_size_, value); }
void SeriesPointer::SetVertSize(int value) { Assign(vert_size_, value); }

template <typename T>
void SeriesMarks::Assign(T& field, T value) {
  AssignIfChanged(field, std::move(value), [this] { series_.Changed(); });
}

void SeriesMarks::SetVisible(bool value) { Assign(visible_, value); }
void SeriesMarks::SetArrowLength(int value) { Assign(arrow_length_, value); }

// ---- settings ----

LineSeries::LineSeries() : pointer_(*this), marks_(*this) { SetConnectsPoints(true); }

LineSeries::~LineSeries() = default;

void LineSeries::Changed() {
  if (ParentChart() != nullptr) ParentChart()->InvalidateChart();
}

template <typename T>
void LineSeries::Assign(T& field, T value) {
  AssignIfChanged(field, std::move(value), [this] { Changed(); });
}

void LineSeries::SetLinePen(const raster::ChartPen& pen) { Assign(line_pen_, pen); }
void LineSeries::SetLineBrush(raster::BrushStyle style) { Assign(line_brush_, style); }
void LineSeries::SetDark3D(bool value) { Assign(dark_3d_, value); }
void LineSeries::SetStairs(bool value) { Assign(stairs_, value); }
void LineSeries::SetInvertedStairs(bool value) { Assign(inverted_stairs_, value); }
void LineSeries::SetLineHeight(int value) { Assign(line_height_, value); }

// ---- margins ----

std::pair<int, int> LineSeries::HorizontalMargins() const {
  int margin = 0;
  if (pointer_.Visible() && pointer_.InflateMargins()) margin = pointer_.HorizSize() + 1;
  if (stairs_) margin = std::max(margin, line_pen_.width);
  return {margin, margin};
}

std::pair<int, int> LineSeries::VerticalMargins() const {
  int top = 0;
  if (pointer_.Visible() && pointer_.InflateMargins()) top = pointer_.VertSize() + 1;
  int bottom = top;
  if (stairs_) {
    top = std::max(top, line_pen_.width);
    bottom = std::max(bottom, line_pen_.width + 1);
  }
  if (line_height_ > 0) bottom = std::max(bottom, line_height_);
  return {top, bottom};
}

// ---- the drawing index ----

const LineSeries::DrawingIndex& LineSeries::Index() const {
  const ChartValueList& xs = XValues();
  const ChartValueList& ys = YValues();
  const std::uint64_t x_changes = xs.ChangeCount();
  const std::uint64_t y_changes = ys.ChangeCount();
  if (index_.built && index_.x_changes == x_changes && index_.y_changes == y_changes) return index_;
  // Points only appended or removed at the end since the last build: what
  // lies below the lowest count since then stands, and only the rest is
  // looked at (a followed file's appends cost in proportion to themselves).
  const auto n = static_cast<std::size_t>(PointCount());
  std::size_t unchanged = 0;
  if (index_.built && index_.x_edits == xs.EditCount() && index_.y_edits == ys.EditCount()) {
    unchanged = std::min({xs.LowWater(), ys.LowWater(), index_.points, n});
  }
  xs.ResetLowWater();
  ys.ResetLowWater();
  if (index_.first_unordered >= unchanged) index_.first_unordered = kNone;
  if (index_.first_nan >= unchanged) index_.first_nan = kNone;
  if (index_.first_unordered == kNone) {
    const double previous =
        unchanged > 0 ? XValueAt(static_cast<int>(unchanged - 1)) : -std::numeric_limits<double>::infinity();
    const std::size_t at = xs.FirstDescent(unchanged, previous);  // also at a NaN
    if (at < n) index_.first_unordered = at;
  }
  if (index_.first_nan == kNone) {
    const std::size_t at = ys.FirstNaN(unchanged);
    if (at < n) index_.first_nan = at;
  }
  if (!index_.YComparable()) {
    index_.y_extremes.Clear();
  } else if (unchanged == 0) {
    index_.y_extremes.Build(ys);
  } else {
    index_.y_extremes.Update(ys, unchanged);
  }
  if (index_.growth.Built()) index_.growth.Update(xs, ys, unchanged);
  index_.x_changes = x_changes;
  index_.y_changes = y_changes;
  index_.x_edits = xs.EditCount();
  index_.y_edits = ys.EditCount();
  index_.points = n;
  index_.built = true;
  return index_;
}

GrowthSums::Fit LineSeries::Growth(int first, int last) const {
  if (first < 0 || last < first || last >= PointCount()) return {};
  Index();
  if (!index_.growth.Built()) index_.growth.Build(XValues(), YValues());
  return index_.growth.Query(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
}

// ---- visible range ----

void LineSeries::FindVisiblePoints() {
  SetVisiblePoints(-1, -1);
  const int n = PointCount();
  if (n == 0) return;
  const CustomAxisPanel* chart = ParentChart();
  if (chart == nullptr || !LimitToVisible() || XValues().Order() == ChartListOrder::loNone) {
    SetVisiblePoints(0, n - 1);
    return;
  }
  const ChartAxis& axis = HorizontalAxisOf(*this, *chart);
  const raster::IntRect& plot = chart->PlotRect();
  const double low = axis.PixelToValue(axis.Inverted() ? plot.Right : plot.Left);
  const double high = axis.PixelToValue(axis.Inverted() ? plot.Left : plot.Right);

  // The first index at or after from whose X is at least value (n when none):
  // a binary search over ascending X values, otherwise a scan.
  const bool ascending = Index().XAscending();
  const auto first_at_least = [&](int from, double value) {
    const auto below = [&](int i) { return !(XValueAt(i) >= value); };
    if (ascending) return PartitionPoint(from, n, below);
    while (from < n && below(from)) ++from;
    return from;
  };

  const int first = first_at_least(0, low);
  if (first == n) return;
  int last = n - 1;
  if (!(XValues().LastValue() <= high)) last = std::min(first_at_least(first, high), n - 1);
  if (!ConnectsPoints() && XValueAt(last) > high) --last;
  SetVisiblePoints(first, last);
}

// ---- painting ----

LineSeries::DrawContext LineSeries::ContextOf(CustomAxisPanel& chart) const {
  return DrawContext{chart.Canvas(), HorizontalAxisOf(*this, chart), VerticalAxisOf(*this, chart),
                     chart.PlotRect()};
}

LineSeries::Pixel LineSeries::PixelOf(const ChartAxis& horizontal, const ChartAxis& vertical, int i) const {
  return Pixel{horizontal.XValueToPixel(XValueAt(i)), vertical.YValueToPixel(YValueAt(i))};
}

void LineSeries::PaintSeries(CustomAxisPanel& chart) {
  last_paint_reduced_ = false;
  FindVisiblePoints();
  if (FirstVisiblePoint() < 0) return;
  if (BeforeDrawValues) BeforeDrawValues(*this);
  DrawContext context = ContextOf(chart);
  const bool clip = chart.ClipPoints();
  if (clip) context.canvas.ClipToPlot(context.plot);
  if (!DrawReduced(context)) {
    for (int i = FirstVisiblePoint(); i <= LastVisiblePoint(); ++i) DrawPoint(context, i);
  }
  if (clip) context.canvas.RemoveClip();
  if (AfterDrawValues) AfterDrawValues(*this);
}

void LineSeries::SetSegmentPen(raster::ChartCanvas& canvas, Color color) const {
  raster::ChartPen pen = line_pen_;
  pen.color = color;
  canvas.AssignChartPen(pen);
  canvas.SetBrushStyle(raster::BrushStyle::bsClear);
}

void LineSeries::DrawSegment(DrawContext& context, Color color, int x, int y) {
  if ((x == last_drawn_x_ && y == last_drawn_y_) || color == raster::clNone) return;
  raster::ChartCanvas& canvas = context.canvas;
  SetSegmentPen(canvas, color);
  canvas.MoveTo({last_drawn_x_, last_drawn_y_});
  if (stairs_) {
    canvas.LineTo(inverted_stairs_ ? IntPoint{last_drawn_x_, y} : IntPoint{x, last_drawn_y_});
  }
  canvas.LineTo({x, y});
}

void LineSeries::DrawPoint(DrawContext& context, int i) {
  const Color color = PointColor(i);
  const Pixel pixel = PixelOf(context.horizontal, context.vertical, i);
  if (OutsideDrawableRange(pixel.x, pixel.y)) {
    last_point_color_ = color;
    return;
  }
  if (last_point_color_ == raster::clNone) {
    last_drawn_x_ = pixel.x;
    last_drawn_y_ = pixel.y;
  }
  if (i != FirstVisiblePoint()) {
    DrawSegment(context, color, pixel.x, pixel.y);
  } else if (i > 0 && PointColor(i - 1) != raster::clNone) {
    // The segment from the point before enters at the plot's edge, at the
    // height where the straight line through both points crosses it.
    const ChartAxis& horizontal = context.horizontal;
    last_drawn_x_ = horizontal.Inverted() ? context.plot.Right : context.plot.Left;
    const double x0 = XValueAt(i - 1);
    const double y0 = YValueAt(i - 1);
    const double x1 = XValueAt(i);
    if (x1 == x0 || stairs_) {
      last_drawn_y_ = context.vertical.YValueToPixel(y0);
    } else {
      const double edge = horizontal.PixelToValue(last_drawn_x_);
      const Extended slope = (static_cast<Extended>(YValueAt(i)) - y0) / (static_cast<Extended>(x1) - x0);
      const double crossing = static_cast<double>(y0 + slope * (static_cast<Extended>(edge) - x0));
      last_drawn_y_ = context.vertical.YValueToPixel(crossing);
    }
    DrawSegment(context, color, pixel.x, pixel.y);
  }
  last_drawn_x_ = pixel.x;
  last_drawn_y_ = pixel.y;
  last_point_color_ = color;
}

// ---- the reduced path ----
//
// Why it gives the same pixels. With a copy-mode solid pen of one colour the
// picture is the union of the segments' pixels, and a segment of width w is
// the union of w x w squares on the pixels of its one-pixel path; so it is
// enough to reproduce the union of the one-pixel paths. With X ascending the
// pixel columns of the points never decrease, so the points of one column
// are consecutive, and the segments between them are vertical: from y(j) to
// y(j + 1), the end pixel left out. Consecutive equal pixels draw nothing.
// For the column's distinct pixel heights z0 .. zr these half-open runs cover
// every height from the lowest to the highest, except zr itself when no
// earlier run reaches it: when r = 0, or zr lies outside the range of
// z0 .. z(r-1). A column followed by another gets zr back from the segment
// to the next column, which starts there. So each column is one vertical
// run, the last column's run possibly one pixel short, and the segments
// between columns are drawn as they are.

bool LineSeries::DrawReduced(DrawContext& context) {
  if (drawing_path_ == LineDrawingPath::kEverySegment) return false;
  const int first = FirstVisiblePoint();
  const int last = LastVisiblePoint();
  if (drawing_path_ == LineDrawingPath::kAutomatic && last - first < 2 * std::max(context.plot.Width(), 1)) {
    return false;
  }
  // One pen, one colour, no steps.
  if (stairs_ || HasOwnPointColors() || ColorEachPoint() || SeriesColor() == raster::clNone) return false;
  const bool pen_draws = line_pen_.visible && line_pen_.style != raster::PenStyle::psClear;
  if (pen_draws &&
      (line_pen_.style != raster::PenStyle::psSolid || line_pen_.mode != raster::PenMode::pmCopy ||
       (line_pen_.small_dots && line_pen_.width == 1))) {
    return false;
  }
  const DrawingIndex& index = Index();
  if (!index.XAscending() || !index.YComparable()) return false;

  // The chain of points first .. end; a last point beyond the drawable range
  // is skipped by the per-point rule and is left to it.
  const Pixel last_pixel = PixelOf(context.horizontal, context.vertical, last);
  const int end = OutsideDrawableRange(last_pixel.x, last_pixel.y) ? last - 1 : last;
  if (end <= first) return false;
  const MinMaxPyramid::Extremes y_range =
      index.y_extremes.Query(static_cast<std::size_t>(first), static_cast<std::size_t>(end));
  if (!MapsInside(context.horizontal, XValueAt(first), XValueAt(end)) ||
      !MapsInside(context.vertical, y_range.lowest, y_range.highest)) {
    return false;
  }

  DrawPoint(context, first);  // the entry at the plot's edge
  DrawChainByColumns(context, first, end);
  const Pixel end_pixel = PixelOf(context.horizontal, context.vertical, end);
  last_drawn_x_ = end_pixel.x;
  last_drawn_y_ = end_pixel.y;
  last_point_color_ = SeriesColor();
  if (end < last) DrawPoint(context, last);
  last_paint_reduced_ = true;
  return true;
}

void LineSeries::DrawChainByColumns(DrawContext& context, int first, int last) {
  raster::ChartCanvas& canvas = context.canvas;
  const ChartAxis& horizontal = context.horizontal;
  const ChartAxis& vertical = context.vertical;
  SetSegmentPen(canvas, SeriesColor());
  const auto vertical_run = [&](int x, int top, int bottom) {
    if (top <= bottom) canvas.Line({x, top}, {x, bottom + 1});
  };
  for (int from = first; from <= last;) {
    const int to = ColumnEnd(horizontal, from, last);
    const int x = horizontal.XValueToPixel(XValueAt(from));
    if (to < last) {
      const auto [top, bottom] = PixelYRange(vertical, from, to);
      vertical_run(x, top, bottom);
      const Pixel next = PixelOf(horizontal, vertical, to + 1);
      canvas.Line({x, vertical.YValueToPixel(YValueAt(to))}, {next.x, next.y});
    } else {
      const int end_y = vertical.YValueToPixel(YValueAt(last));
      const int run_start = FinalRunStart(vertical, from, last, end_y);
      if (run_start > from) {
        const auto [top, bottom] = PixelYRange(vertical, from, run_start - 1);
        if (end_y < top) {
          vertical_run(x, end_y + 1, bottom);
        } else if (end_y > bottom) {
          vertical_run(x, top, end_y - 1);
        } else {
          vertical_run(x, top, bottom);
        }
      }
    }
    from = to + 1;
  }
}

int LineSeries::ColumnEnd(const ChartAxis& horizontal, int first, int last) const {
  const int column = horizontal.XValueToPixel(XValueAt(first));
  const auto in_column = [&](int i) { return horizontal.XValueToPixel(XValueAt(i)) == column; };
  // Gallop to a point outside the column, then search between.
  int inside = first;
  int outside = last + 1;
  for (std::int64_t step = 1;; step *= 2) {
    const int probe = static_cast<int>(std::min<std::int64_t>(inside + step, last));
    if (probe == inside) return inside;
    if (!in_column(probe)) {
      outside = probe;
      break;
    }
    inside = probe;
  }
  return PartitionPoint(inside + 1, outside, in_column) - 1;
}

int LineSeries::FinalRunStart(const ChartAxis& vertical, int first, int last, int pixel_y) const {
  const MinMaxPyramid& pyramid = index_.y_extremes;
  // Whether every point from..last lies on pixel_y: the mapping keeps value
  // order, so it is enough that the extremes do.
  const auto all_on_row = [&](int from) {
    const MinMaxPyramid::Extremes e =
        pyramid.Query(static_cast<std::size_t>(from), static_cast<std::size_t>(last));
    return vertical.YValueToPixel(e.lowest) == pixel_y && vertical.YValueToPixel(e.highest) == pixel_y;
  };
  int on = last;
  int off = first - 1;
  for (std::int64_t step = 1;; step *= 2) {
    const int probe = static_cast<int>(std::max<std::int64_t>(on - step, first));
    if (probe == on) return on;
    if (!all_on_row(probe)) {
      off = probe;
      break;
    }
    on = probe;
  }
  // all_on_row fails up to off and holds from on: find the boundary.
  return PartitionPoint(off + 1, on, [&](int i) { return !all_on_row(i); });
}

std::pair<int, int> LineSeries::PixelYRange(const ChartAxis& vertical, int first, int last) const {
  const MinMaxPyramid::Extremes e =
      index_.y_extremes.Query(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
  const int a = vertical.YValueToPixel(e.lowest);
  const int b = vertical.YValueToPixel(e.highest);
  return std::minmax(a, b);
}

// ---- hit test ----

int LineSeries::HitTest(int x, int y) const {
  const int first = FirstVisiblePoint();
  const int last = LastVisiblePoint();
  const CustomAxisPanel* chart = ParentChart();
  if (chart == nullptr || first < 0 || last < first || last >= PointCount()) return -1;
  const ChartAxis& horizontal = HorizontalAxisOf(*this, *chart);
  const ChartAxis& vertical = VerticalAxisOf(*this, *chart);

  // The answer point i gives: i on its pixel, i - 1 on the segment ending at i.
  const auto answer = [&](int i) {
    const Pixel p = PixelOf(horizontal, vertical, i);
    if (p.x == x && p.y == y) return i;
    if (i == first) return -1;
    const Pixel q = PixelOf(horizontal, vertical, i - 1);
    const std::int64_t cross = (static_cast<std::int64_t>(x) - q.x) * (static_cast<std::int64_t>(p.y) - q.y) -
                               (static_cast<std::int64_t>(y) - q.y) * (static_cast<std::int64_t>(p.x) - q.x);
    const std::int64_t length = std::max(std::llabs(static_cast<std::int64_t>(p.x) - q.x),
                                         std::llabs(static_cast<std::int64_t>(p.y) - q.y));
    const bool within_x = x >= std::min(p.x, q.x) && x <= std::max(p.x, q.x);
    const bool within_y = y >= std::min(p.y, q.y) && y <= std::max(p.y, q.y);
    return std::llabs(cross) < length && within_x && within_y ? i - 1 : -1;
  };

  // With ordered pixel columns over first .. last - 1 only the points around
  // column x can answer there; the last point is tried on its own.
  int from = first;
  int to = last;
  if (last - first > 2 && Index().XAscending() &&
      MapsInside(horizontal, XValueAt(first), XValueAt(last - 1))) {
    const int direction =
        horizontal.XValueToPixel(XValueAt(last - 1)) >= horizontal.XValueToPixel(XValueAt(first)) ? 1 : -1;
    const auto key = [&](int i) { return direction * horizontal.XValueToPixel(XValueAt(i)); };
    const int target = direction * x;
    from = PartitionPoint(first, last, [&](int i) { return key(i) < target; });
    to = std::min(PartitionPoint(first, last, [&](int i) { return key(i) <= target; }), last - 1);
    for (int i = from; i <= to; ++i) {
      if (const int hit = answer(i); hit >= 0) return hit;
    }
    return answer(last);
  }
  for (int i = from; i <= to; ++i) {
    if (const int hit = answer(i); hit >= 0) return hit;
  }
  return -1;
}

}  // namespace kep::chart
