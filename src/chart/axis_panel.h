#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "chart/axis_set.h"
#include "chart/chart_axis.h"
#include "chart/chart_series.h"
#include "chart/number_format.h"
#include "raster/chart_canvas.h"
#include "raster/color.h"
#include "raster/geometry.h"

namespace kep::chart {

// The font every text of a chart starts with: Arial, 8 points, in color.
raster::Font DefaultChartFont(raster::Color color);

// The part of a chart that its axes and series work with: the drawing
// surface, the plot rectangle, the panel colour, the series list and the five
// axes (in the order of AxisId), and invalidation.
class CustomAxisPanel {
 public:
  CustomAxisPanel();
  virtual ~CustomAxisPanel();
  CustomAxisPanel(const CustomAxisPanel&) = delete;
  CustomAxisPanel& operator=(const CustomAxisPanel&) = delete;

  raster::ChartCanvas& Canvas() { return *canvas_; }

  // Marks the picture stale; does nothing while repainting is disabled.
  virtual void InvalidateChart();
  // Invalidates and brings the picture up to date at once; without a window
  // to paint into, the next paint draws it.
  virtual void RepaintNow();
  bool RepaintEnabled() const { return repaint_enabled_; }
  void SetRepaintEnabled(bool enabled) { repaint_enabled_ = enabled; }
  // While the stored settings are read, range setters skip their checks.
  bool IsLoading() const { return loading_; }
  void SetLoading(bool loading) { loading_ = loading; }
  bool IsDestroying() const { return destroying_; }

  const raster::IntRect& PlotRect() const { return plot_rect_; }
  void SetPlotRect(const raster::IntRect& rect) { plot_rect_ = rect; }
  int PlotWidth() const { return plot_rect_.Width(); }
  int PlotHeight() const { return plot_rect_.Height(); }

  raster::Color Color() const { return color_; }
  void SetColor(raster::Color color);

  // Whether series drawing is clipped to the plot area (on by default).
  virtual bool ClipPoints() const { return true; }

  // The separators of value labels: the comma and the full stop until the
  // program sets those of the user's locale. Changes the labels, so the
  // layout too.
  const NumberFormat& LabelNumberFormat() const { return number_format_; }
  void SetLabelNumberFormat(NumberFormat format);

  // ---- series ----
  // Takes a series; one still without a colour gets the first default colour
  // that no other series uses.
  ChartSeries& AddSeries(std::unique_ptr<ChartSeries> series);
  // Gives series back to the caller, detached from the chart (null when the
  // chart does not hold it).
  std::unique_ptr<ChartSeries> RemoveSeries(const ChartSeries& series);
  std::span<const std::unique_ptr<ChartSeries>> SeriesList() const { return series_; }
  // The lowest or highest X (horizontal axis) or Y (vertical axis) value of the
  // series measured on axis: active ones, or all when none is active; 0 when
  // no series with points uses the axis.
  double SeriesExtreme(const ChartAxis& axis, bool highest, bool x_values) const;
  bool HasActiveSeriesOn(const ChartAxis& axis) const;

  // ---- axes ----
  std::span<const std::unique_ptr<ChartAxis>> Axes() const { return axes_; }
  ChartAxis& Axis(AxisId id) const { return *axes_[static_cast<std::size_t>(id)]; }
  ChartAxis& BottomAxis() const { return Axis(AxisId::kBottom); }
  ChartAxis& TopAxis() const { return Axis(AxisId::kTop); }
  ChartAxis& LeftAxis() const { return Axis(AxisId::kLeft); }
  ChartAxis& RightAxis() const { return Axis(AxisId::kRight); }
  ChartAxis& DepthAxis() const { return Axis(AxisId::kDepth); }
  // The flags and ranges of the main axes as they stand.
  AxisScales MainScales() const;
  // Puts back scales taken with MainScales (see ChartAxis::SetScale).
  void SetMainScales(const AxisScales& scales);

  // Called with every value label's text, which it may change; series is
  // null and value_index -1 for value labels.
  std::function<void(ChartAxis& axis, ChartSeries* series, int value_index, std::string& text)>
      OnGetAxisLabel;

 private:
  std::unique_ptr<raster::ChartCanvas> canvas_;
  bool repaint_enabled_ = false;
  bool loading_ = false;
  bool destroying_ = false;
  raster::IntRect plot_rect_;
  raster::Color color_ = raster::clBtnFace;
  NumberFormat number_format_;
  std::vector<std::unique_ptr<ChartSeries>> series_;
  std::vector<std::unique_ptr<ChartAxis>> axes_;
};

}  // namespace kep::chart
