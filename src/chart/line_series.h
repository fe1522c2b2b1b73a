#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "chart/chart_series.h"
#include "chart/growth_sums.h"
#include "chart/min_max_pyramid.h"
#include "raster/chart_canvas.h"
#include "raster/chart_pen.h"
#include "raster/color.h"
#include "raster/geometry.h"

namespace kep::chart {

class LineSeries;

enum class PointerStyle {
  psRectangle,
  psCircle,
  psTriangle,
  psDownTriangle,
  psCross,
  psDiagCross,
  psStar,
  psDiamond,
  psSmallDot
};

// The marker of a series' points. Its settings are kept and count in the
// series' margins; this chart draws no markers.
class SeriesPointer {
 public:
  explicit SeriesPointer(LineSeries& series) : series_(series) {}

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  PointerStyle Style() const { return style_; }
  void SetStyle(PointerStyle value);
  // Whether a visible pointer widens the axes so that it is not cut off.
  bool InflateMargins() const { return inflate_margins_; }
  void SetInflateMargins(bool value);
  int HorizSize() const { return horiz_size_; }
  void SetHorizSize(int value);
  int VertSize() const { return vert_size_; }
  void SetVertSize(int value);

 private:
  template <typename T>
  void Assign(T& field, T value);

  LineSeries& series_;
  bool visible_ = false;
  PointerStyle style_ = PointerStyle::psRectangle;
  bool inflate_margins_ = true;
  int horiz_size_ = 4;
  int vert_size_ = 4;
};

// The value labels of a series. Kept as settings; this chart draws no marks.
class SeriesMarks {
 public:
  explicit SeriesMarks(LineSeries& series) : series_(series) {}

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  int ArrowLength() const { return arrow_length_; }
  void SetArrowLength(int value);

 private:
  template <typename T>
  void Assign(T& field, T value);

  LineSeries& series_;
  bool visible_ = false;
  int arrow_length_ = 8;
};

// How PaintSeries turns the visible points into pixels. Both paths give the
// same pixels; the reduced one costs per pixel column, not per point.
enum class LineDrawingPath {
  kAutomatic,     // reduced when many points share the plot's columns
  kEverySegment,  // one segment per point, always
  kReduced,       // reduced whenever the reduction is exact
};

// A series drawn as a polyline through its points in index order, clipped to
// the plot area. Null points (colour clNone) break the line; points whose
// pixel lies beyond +-32766 are left out and their neighbours joined; in a
// zoomed or scrolled view the line enters from the plot's left edge where the
// segment from the point before crosses it.
//
// Speed: with the points in ascending X order, every visible point between
// the first and the last falls into one pixel column of the plot. Inside a
// column the segments are vertical, and together they cover one run of
// pixels that depends only on the extremes of the column's points and on
// how its last point is reached. The reduced path therefore draws each
// column as one vertical run plus the exact segments between neighbouring
// columns, with the extremes taken from a min/max pyramid over the Y values
// that is built once after the points change. Where this cannot be exact
// (null or own point colours, stairs, a patterned or not-xor pen, X not
// ascending, NaN values, points beyond +-32766) every segment is drawn.
class LineSeries : public ChartSeries {
 public:
  LineSeries();
  ~LineSeries() override;

  // ---- drawing hooks ----
  void PaintSeries(CustomAxisPanel& chart) override;
  std::pair<int, int> HorizontalMargins() const override;
  std::pair<int, int> VerticalMargins() const override;
  int HitTest(int x, int y) const override;

  // The least-squares slope of Y against X over the points first .. last
  // (no points when first is -1). The first call builds running sums over
  // the points, which are kept up to date with them from then on.
  GrowthSums::Fit Growth(int first, int last) const;

  // Sets FirstVisiblePoint and LastVisiblePoint from the horizontal axis'
  // range over the chart's PlotRect (both -1 when no point is visible).
  void FindVisiblePoints();

  // ---- settings (setters invalidate the chart when the value changes) ----
  const raster::ChartPen& LinePen() const { return line_pen_; }
  void SetLinePen(const raster::ChartPen& pen);
  raster::BrushStyle LineBrush() const { return line_brush_; }
  void SetLineBrush(raster::BrushStyle style);
  bool Dark3D() const { return dark_3d_; }
  void SetDark3D(bool value);
  bool Stairs() const { return stairs_; }
  void SetStairs(bool value);
  bool InvertedStairs() const { return inverted_stairs_; }
  void SetInvertedStairs(bool value);
  int LineHeight() const { return line_height_; }
  void SetLineHeight(int value);
  SeriesPointer& Pointer() { return pointer_; }
  const SeriesPointer& Pointer() const { return pointer_; }
  SeriesMarks& Marks() { return marks_; }
  const SeriesMarks& Marks() const { return marks_; }
  LineDrawingPath DrawingPath() const { return drawing_path_; }
  void SetDrawingPath(LineDrawingPath path) { drawing_path_ = path; }

  std::function<void(LineSeries&)> BeforeDrawValues;
  std::function<void(LineSeries&)> AfterDrawValues;

  // ---- drawing state of the last paint ----
  int LastDrawnX() const { return last_drawn_x_; }
  int LastDrawnY() const { return last_drawn_y_; }
  raster::Color LastPointColor() const { return last_point_color_; }
  // Whether the last paint took the reduced path.
  bool LastPaintReduced() const { return last_paint_reduced_; }
  // Bytes held by the drawing index (the Y pyramid), 0 before it is built.
  std::size_t DrawingIndexBytes() const { return index_.y_extremes.MemoryBytes(); }

  // Signals a setter's change to the chart.
  void Changed();

 private:
  // What one paint draws with: the surface and the series' axes.
  struct DrawContext {
    raster::ChartCanvas& canvas;
    const ChartAxis& horizontal;
    const ChartAxis& vertical;
    raster::IntRect plot;
  };
  // Facts about the points, recomputed when a value list changes.
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  struct DrawingIndex {
    bool built = false;
    std::uint64_t x_changes = 0;
    std::uint64_t y_changes = 0;
    std::uint64_t x_edits = 0;
    std::uint64_t y_edits = 0;
    std::size_t points = 0;               // the point count it was built for
    std::size_t first_unordered = kNone;  // the first X below the one before it, or NaN
    std::size_t first_nan = kNone;        // the first NaN Y
    MinMaxPyramid y_extremes;             // built while YComparable
    GrowthSums growth;                    // built from the first Growth query on

    // Every X is at most the next, none is NaN.
    bool XAscending() const { return first_unordered == kNone; }
    // No Y is NaN.
    bool YComparable() const { return first_nan == kNone; }
  };
  struct Pixel {
    int x = 0;
    int y = 0;
  };

  template <typename T>
  void Assign(T& field, T value);
  const DrawingIndex& Index() const;
  DrawContext ContextOf(CustomAxisPanel& chart) const;
  Pixel PixelOf(const ChartAxis& horizontal, const ChartAxis& vertical, int i) const;

  void DrawPoint(DrawContext& context, int i);
  void DrawSegment(DrawContext& context, raster::Color color, int x, int y);
  void SetSegmentPen(raster::ChartCanvas& canvas, raster::Color color) const;

  // The reduced path; false (having drawn nothing) where it would not be exact.
  bool DrawReduced(DrawContext& context);
  // Draws the segments joining points first .. last (all inside +-32766).
  void DrawChainByColumns(DrawContext& context, int first, int last);
  // The last index in first .. last whose pixel X equals that of first.
  int ColumnEnd(const ChartAxis& horizontal, int first, int last) const;
  // The first index of the run of points at the end of first .. last whose
  // pixel Y equals pixel_y.
  int FinalRunStart(const ChartAxis& vertical, int first, int last, int pixel_y) const;
  // The lowest and highest pixel Y of the points first .. last.
  std::pair<int, int> PixelYRange(const ChartAxis& vertical, int first, int last) const;

  raster::ChartPen line_pen_;
  raster::BrushStyle line_brush_ = raster::BrushStyle::bsSolid;
  bool dark_3d_ = true;
  bool stairs_ = false;
  bool inverted_stairs_ = false;
  int line_height_ = 0;
  SeriesPointer pointer_;
  SeriesMarks marks_;
  LineDrawingPath drawing_path_ = LineDrawingPath::kAutomatic;

  int last_drawn_x_ = 0;
  int last_drawn_y_ = 0;
  raster::Color last_point_color_ = raster::clBlack;
  bool last_paint_reduced_ = false;

  mutable DrawingIndex index_;
};

}  // namespace kep::chart
