#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "chart/block_array.h"
#include "chart/chart_value_list.h"
#include "common/value_point.h"
#include "raster/color.h"

namespace kep::chart {

class ChartAxis;
class CustomAxisPanel;

enum class HorizAxis { aTopAxis, aBottomAxis, aBothHorizAxis };
enum class VertAxis { aLeftAxis, aRightAxis, aBothVertAxis };

// The default colours given to series without a colour of their own and, by
// point index, to the points of a series with ColorEachPoint.
raster::Color DefaultSeriesColor(int index);

// The data side of a series: its value lists (X first, Y second), one colour
// and one optional label per point, and its axis association.
//
// Colours and labels cost nothing while every point has the series' colour
// and no label: they are stored per point only from the first point that
// brings its own, with clSeriesColor and no text standing in for the points
// before it. A series of N plain points therefore costs 16 N bytes.
class ChartSeries {
 public:
  ChartSeries();
  virtual ~ChartSeries();
  ChartSeries(const ChartSeries&) = delete;
  ChartSeries& operator=(const ChartSeries&) = delete;

  // ---- drawing hooks, overridden by the series kinds that draw ----
  // Draws the series onto the chart's surface (a paint's series step).
  virtual void PaintSeries(CustomAxisPanel& /*chart*/) {}
  // Pixel margins the series asks of its horizontal axis (left, right) and
  // vertical axis (top, bottom).
  virtual std::pair<int, int> HorizontalMargins() const { return {0, 0}; }
  virtual std::pair<int, int> VerticalMargins() const { return {0, 0}; }
  // The index of the point or segment under pixel (x, y), or -1.
  virtual int HitTest(int /*x*/, int /*y*/) const { return -1; }

  // The chart the series belongs to (set when the chart takes it), or null.
  CustomAxisPanel* ParentChart() const { return parent_chart_; }
  void SetParentChart(CustomAxisPanel* chart) { parent_chart_ = chart; }

  std::span<const std::unique_ptr<ChartValueList>> ValueLists() const { return value_lists_; }
  ChartValueList& XValues() { return *value_lists_[0]; }
  const ChartValueList& XValues() const { return *value_lists_[0]; }
  ChartValueList& YValues() { return *value_lists_[1]; }
  const ChartValueList& YValues() const { return *value_lists_[1]; }

  // Adds a point keeping the order of XValues; returns its index, or -1 when
  // OnBeforeAdd refuses it. An empty label stores no text.
  int AddPoint(double x, double y, std::string_view label, raster::Color color);
  // Adds points with the series' colour and no label, as AddPoint would one
  // by one, but in bulk when their X values ascend from the last point's
  // and no OnBeforeAdd or OnAfterAdd hook is set: then each costs about two
  // push_backs, and the chart is asked to repaint once.
  void AppendPoints(std::span<const ValuePoint> points);
  // Moves the points of other (another series) after those here: their X
  // and Y values, with the series' colour and no label, X moved by x_shift,
  // an integer, as AppendPoints would add them; other is left without
  // points. In bulk where both series have plain points in ascending X, as
  // a file's points are: then the storage of the unshifted values moves
  // over rather than being copied.
  void TakeShifted(ChartSeries& other, double x_shift);
  // Removes the last count points (at most PointCount()).
  void RemoveLastPoints(std::size_t count);
  // Removes every point and releases the storage.
  void ClearPoints();
  // Replaces the points (values, colours and labels) by those of other, which
  // keeps the replaced ones. Nothing is copied, so it cannot run out of
  // memory: a caller can build a large set of points aside and put it in
  // place only once it is complete. Both series have the same value lists.
  void SwapPoints(ChartSeries& other) noexcept;
  void RemovePoint(int i);

  int PointCount() const { return XValues().ValueCount(); }
  double XValueAt(int i) const { return XValues().ValueAt(i); }
  double YValueAt(int i) const { return YValues().ValueAt(i); }
  // The label of point i, or "" when it has none (or there is no point i).
  std::string_view PointLabel(int i) const;
  raster::Color PointColor(int i) const;
  // False while every point takes the series' colour (none brought its own).
  bool HasOwnPointColors() const { return !colors_.empty(); }
  // Points up to this index may have a label; none beyond it has one.
  int StoredLabelCount() const { return static_cast<int>(labels_.size()); }

  double LowestX() const { return XValues().Lowest(); }
  double HighestX() const { return XValues().Highest(); }
  double LowestY() const { return YValues().Lowest(); }
  double HighestY() const { return YValues().Highest(); }

  // Whether the series is measured on axis: horizontally for the X values,
  // vertically for the Y values.
  bool UsesHorizontalAxis(const ChartAxis& axis) const;
  bool UsesVerticalAxis(const ChartAxis& axis) const;
  bool UsesAxis(const ChartAxis& axis) const { return UsesHorizontalAxis(axis) || UsesVerticalAxis(axis); }

  // Asks the chart to repaint when the series is active and has a chart.
  void Repaint();

  raster::Color SeriesColor() const { return series_color_; }
  void SetSeriesColor(raster::Color color);
  bool ColorEachPoint() const { return color_each_point_; }
  void SetColorEachPoint(bool value);
  bool Active() const { return active_; }
  void SetActive(bool value);
  HorizAxis GetHorizAxis() const { return horiz_axis_; }
  void SetHorizAxis(HorizAxis axis);
  VertAxis GetVertAxis() const { return vert_axis_; }
  void SetVertAxis(VertAxis axis);
  const std::string& ValueFormat() const { return value_format_; }
  void SetValueFormat(std::string format);
  const std::string& PercentFormat() const { return percent_format_; }
  void SetPercentFormat(std::string format);
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);
  bool LimitToVisible() const { return limit_to_visible_; }
  void SetLimitToVisible(bool value) { limit_to_visible_ = value; }
  bool ConnectsPoints() const { return connects_points_; }

  // The visible index range of the last drawing pass; -1 when none.
  int FirstVisiblePoint() const { return first_visible_point_; }
  int LastVisiblePoint() const { return last_visible_point_; }

  std::function<bool(ChartSeries&)> OnBeforeAdd;
  std::function<void(ChartSeries&, int index)> OnAfterAdd;
  std::function<void(ChartSeries&)> OnClearValues;

 protected:
  // Series that join neighbouring points set this.
  void SetConnectsPoints(bool value) { connects_points_ = value; }
  void SetVisiblePoints(int first, int last) {
    first_visible_point_ = first;
    last_visible_point_ = last;
  }

 private:
  template <typename T>
  void Assign(T& field, T value);
  void StoreColor(int index, raster::Color color);
  void StoreLabel(int index, std::string_view label);

  CustomAxisPanel* parent_chart_ = nullptr;
  std::vector<std::unique_ptr<ChartValueList>> value_lists_;
  // Per-point colours and labels, empty until a point brings its own.
  BlockArray<raster::Color> colors_;
  BlockArray<std::unique_ptr<std::string>> labels_;
  raster::Color series_color_ = raster::clSeriesColor;
  bool color_each_point_ = false;
  bool active_ = true;
  HorizAxis horiz_axis_ = HorizAxis::aBottomAxis;
  VertAxis vert_axis_ = VertAxis::aLeftAxis;
  std::string value_format_ = "#,##0.###";
  std::string percent_format_ = "##0.## %";
  std::string title_;
  bool limit_to_visible_ = true;
  bool connects_points_ = false;
  int first_visible_point_ = -1;
  int last_visible_point_ = -1;
};

}  // namespace kep::chart
