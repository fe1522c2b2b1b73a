#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "raster/chart_pen.h"
#include "raster/font.h"
#include "raster/geometry.h"

namespace kep::chart {

class ChartSeries;
class CustomAxisPanel;

// The step after x (x > 0) in the 1-2-5 sequence: 1, 2, 5, 10, 20, 50 ...
double NextNiceStep(double x);

// The lines of a label: its text split at each carriage return.
std::vector<std::string_view> LabelLines(std::string_view text);

enum class AxisLabelStyle { talAuto, talNone, talValue, talMark, talText };

// The automatic flags and range of one axis: what zooming and scrolling
// change, and what undoing them puts back.
struct AxisScale {
  bool automatic = true;
  bool automatic_minimum = true;
  bool automatic_maximum = true;
  double minimum = 0;
  double maximum = 0;
  friend bool operator==(const AxisScale&, const AxisScale&) = default;
};

// The title of an axis: a caption drawn beside the axis' labels.
class ChartAxisTitle {
 public:
  ChartAxisTitle(CustomAxisPanel& chart, int angle);

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  int Angle() const { return angle_; }
  // Raises ChartException "Axis Title Angle must be between 0 and 359 degrees".
  void SetAngle(int angle);
  const raster::Font& Font() const { return font_; }
  void SetFont(const raster::Font& font);

 private:
  CustomAxisPanel& chart_;
  std::string caption_;
  int angle_;
  raster::Font font_;
};

// One axis of a chart: its value range (automatic from the series or fixed),
// its 1-2-5 label steps and label texts, its pixel run inside the chart's
// PlotRect, the mapping between values and pixels, the bands it takes beside
// the plot area, and its drawing (title, labels, line, ticks and grids).
//
// Setters store a value only when it differs and then invalidate the chart;
// a refused value raises AxisException or ChartException and changes nothing.
class ChartAxis {
 public:
  // Limits of the tick list of one drawing pass.
  static constexpr std::size_t kMaxTickPositions = 2000;

  ChartAxis(CustomAxisPanel& chart, bool horizontal, bool other_side, bool depth);
  ChartAxis(const ChartAxis&) = delete;
  ChartAxis& operator=(const ChartAxis&) = delete;

  CustomAxisPanel& ParentChart() const { return chart_; }
  bool IsHorizontal() const { return horizontal_; }
  bool IsOtherSide() const { return other_side_; }
  bool IsDepth() const { return depth_; }

  // ---- range ----
  bool Automatic() const { return automatic_; }
  void SetAutomatic(bool value);
  bool AutomaticMaximum() const { return automatic_maximum_; }
  void SetAutomaticMaximum(bool value);
  bool AutomaticMinimum() const { return automatic_minimum_; }
  void SetAutomaticMinimum(bool value);
  double Maximum() const { return maximum_; }
  // Raises "Axis Maximum Value must be >= Minimum" (not while the chart loads).
  void SetMaximum(double value);
  double Minimum() const { return minimum_; }
  // Raises "Axis Minimum Value must be <= Maximum" (not while the chart loads).
  void SetMinimum(double value);
  // Fixes the range: the automatic flags go off, the ends are ordered, and a
  // range below 1e-10 is widened to 1e-10.
  void SetRange(double minimum, double maximum);
  // Moves both ends by delta and fixes the range. With stop_at_data, a shift
  // that would move past the series' extreme in its direction does nothing.
  void ShiftRange(double delta, bool stop_at_data);
  // The flags and range as they stand.
  AxisScale Scale() const;
  // Puts back a scale taken with Scale(): the range where the axis was not
  // automatic, then the flags, so that an axis automatic at one end only
  // stays so.
  void SetScale(const AxisScale& scale);
  // Takes the range from the series where automatic, then sets the work range.
  void ComputeRange();
  double WorkMinimum() const { return work_minimum_; }
  double WorkMaximum() const { return work_maximum_; }
  double WorkRange() const { return work_range_; }

  // ---- labels ----
  double Increment() const { return increment_; }
  void SetIncrement(double value);  // raises "Axis increment must be >= 0"
  int LabelsSeparation() const { return labels_separation_; }
  // Raises "Labels Separation % must be greater than 0" for negative values.
  void SetLabelsSeparation(int value);
  const std::string& AxisValuesFormat() const { return axis_values_format_; }
  void SetAxisValuesFormat(std::string format);
  bool RoundFirstLabel() const { return round_first_label_; }
  void SetRoundFirstLabel(bool value);
  bool Labels() const { return labels_; }
  void SetLabels(bool value);
  bool LabelsOnAxis() const { return labels_on_axis_; }
  void SetLabelsOnAxis(bool value);
  AxisLabelStyle LabelStyle() const { return label_style_; }
  void SetLabelStyle(AxisLabelStyle style);  // repaints at once
  int LabelsAngle() const { return labels_angle_; }
  // Raises ChartException "Axis Labels Angle must be between 0 and 359 degrees".
  void SetLabelsAngle(int angle);
  bool LabelsMultiLine() const { return labels_multi_line_; }
  void SetLabelsMultiLine(bool value);
  bool Inverted() const { return inverted_; }
  void SetInverted(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  double StartPosition() const { return start_position_; }
  void SetStartPosition(double value);
  double EndPosition() const { return end_position_; }
  void SetEndPosition(double value);
  double PositionPercent() const { return position_percent_; }
  void SetPositionPercent(double value);

  // The step for at most max_labels labels over the work range.
  double ComputeLabelStep(int max_labels) const;
  // The extent along the axis of the labels of WorkMinimum and WorkMaximum,
  // whichever is larger, measured with LabelsFont: the label size that
  // AxisLabelStep divides the pixel run by.
  int LabelSize();
  // The step of the current layout, measured on the chart's surface with
  // LabelsFont: as many labels as fit the pixel run with their separation.
  double AxisLabelStep();
  // Calls emit(v) for every label value, from the largest value down. A zero
  // range has one label; the loop stops where subtracting the step no longer
  // changes the value, and after kMaxTickPositions values.
  void ForEachLabelValue(double step, const std::function<void(double)>& emit) const;
  // The text of a value label, passed through the chart's OnGetAxisLabel.
  std::string LabelText(double value);
  AxisLabelStyle EffectiveLabelStyle() const;

  // ---- geometry ----
  const raster::ChartPen& Axis() const { return axis_pen_; }
  void SetAxis(const raster::ChartPen& pen);
  const raster::ChartPen& Ticks() const { return ticks_; }
  void SetTicks(const raster::ChartPen& pen);
  int TickLength() const { return tick_length_; }
  void SetTickLength(int value);
  const raster::ChartPen& TicksInner() const { return ticks_inner_; }
  void SetTicksInner(const raster::ChartPen& pen);
  int TickInnerLength() const { return tick_inner_length_; }
  void SetTickInnerLength(int value);
  const raster::ChartPen& MinorTicks() const { return minor_ticks_; }
  void SetMinorTicks(const raster::ChartPen& pen);
  int MinorTickLength() const { return minor_tick_length_; }
  void SetMinorTickLength(int value);
  int MinorTickCount() const { return minor_tick_count_; }
  void SetMinorTickCount(int value);
  bool TickOnLabelsOnly() const { return tick_on_labels_only_; }
  void SetTickOnLabelsOnly(bool value);
  const raster::ChartPen& Grid() const { return grid_; }
  void SetGrid(const raster::ChartPen& pen);
  bool GridCentered() const { return grid_centered_; }
  void SetGridCentered(bool value);
  const raster::ChartPen& MinorGrid() const { return minor_grid_; }
  void SetMinorGrid(const raster::ChartPen& pen);
  const raster::Font& LabelsFont() const { return labels_font_; }
  void SetLabelsFont(const raster::Font& font);
  int LabelsSize() const { return labels_size_; }
  void SetLabelsSize(int value);
  int TitleSize() const { return title_size_; }
  void SetTitleSize(int value);
  ChartAxisTitle& Title() { return title_; }
  const ChartAxisTitle& Title() const { return title_; }

  int StartPixel() const { return start_pixel_; }
  int EndPixel() const { return end_pixel_; }
  int PixelLength() const { return pixel_length_; }
  int CenterPixel() const { return center_pixel_; }
  int AxisLinePos() const { return axis_line_pos_; }
  int LabelsEdgePos() const { return labels_edge_pos_; }
  int TitleEdgePos() const { return title_edge_pos_; }
  // The major tick positions recorded by the last DrawAxis, largest value first.
  const std::vector<int>& TickPositions() const { return tick_positions_; }
  struct DrawnLabel {
    double value = 0;
    std::string text;
    int pixel = 0;
  };
  // The labels the last DrawAxis drew, in drawing order.
  const std::vector<DrawnLabel>& DrawnLabels() const { return drawn_labels_; }

  // Places the pixel run inside the chart's PlotRect.
  void PlacePixels();
  int XValueToPixel(double value) const;
  int YValueToPixel(double value) const;
  int ValueToPixel(double value) const { return horizontal_ ? XValueToPixel(value) : YValueToPixel(value); }
  double PixelToValue(int pixel) const;
  // Widens the work range so that the old range ends margin1 and margin2
  // pixels inside the ends of the pixel run.
  void ExpandForMargins(int margin1, int margin2);

  int TickBandSize() const;
  int TitleBandSize();
  int LabelsBandSize();
  int WidestValueLabel();
  // Takes the title, labels and tick bands off rect on the axis' side.
  void ReserveAxisSpace(raster::IntRect& rect);
  void DrawAxis();
  // Draws a label or title text anchored at (x, y), turned by angle degrees.
  void DrawLabelText(int x, int y, std::string_view text, int angle);
  // Sets the canvas' text alignment for a label at angle on this axis' side
  // and moves the anchor (x, y) by half a line where the alignment needs it.
  void AlignLabelText(int angle, int half_line, int& x, int& y);
  // DrawAxis in steps, in drawing order.
  void DrawTitle();
  void PlaceLabels(double step);
  void DrawAxisLine();
  void DrawTicksAndGrids();
  void DrawMinorTicksAndGrid();
  // Minor tick positions for major ticks (largest value first) and a count
  // of minor ticks between two major ones, before the inside test.
  static std::vector<int> MinorTickPositions(const std::vector<int>& ticks, int count);

 private:
  template <typename T>
  void Assign(T& field, T value);
  // The pixel of value counted from StartPixel, or back from EndPixel.
  int MapValue(double value, bool from_end) const;
  std::string LabelText(double value, bool notify);
  // The widest line of text, or with across_lines the height of its lines.
  int LabelExtent(std::string_view text, bool across_lines);
  const ChartSeries* TextLabelSeries() const;
  // Calls emit(value, text) for the labelled points of the first active series
  // on the axis that lie in the work range (text and mark label styles).
  void ForEachPointLabel(const std::function<void(double, std::string_view)>& emit) const;
  // Records the tick of a label at value and draws the label's text.
  void PlaceLabel(double value, const std::function<std::string()>& text);
  bool TextRunsAlongAxis(int angle) const;
  int PositionOffset(int extent) const;
  double SeriesExtremeFor(bool highest) const;
  void DrawTick(int position, int offset, int length, bool inner);
  void DrawGrid(const raster::ChartPen& pen, const std::vector<int>& positions);

  CustomAxisPanel& chart_;
  const bool horizontal_;
  const bool other_side_;
  const bool depth_;

  bool automatic_ = true;
  bool automatic_maximum_ = true;
  bool automatic_minimum_ = true;
  double maximum_ = 0;
  double minimum_ = 0;
  double increment_ = 0;
  int labels_separation_ = 10;
  std::string axis_values_format_ = "#,##0.###";
  bool round_first_label_ = true;
  bool labels_ = true;
  bool labels_on_axis_ = true;
  AxisLabelStyle label_style_ = AxisLabelStyle::talAuto;
  int labels_angle_ = 0;
  bool labels_multi_line_ = false;
  bool inverted_ = false;
  bool visible_ = true;
  double start_position_ = 0;
  double end_position_ = 100;
  double position_percent_ = 0;

  raster::ChartPen axis_pen_ = raster::ChartAxisPen();
  raster::ChartPen ticks_ = raster::DarkGrayPen();
  int tick_length_ = 4;
  raster::ChartPen ticks_inner_ = raster::DarkGrayPen();
  int tick_inner_length_ = 0;
  raster::ChartPen minor_ticks_ = raster::DarkGrayPen();
  int minor_tick_length_ = 2;
  int minor_tick_count_ = 3;
  bool tick_on_labels_only_ = true;
  raster::ChartPen grid_ = raster::DottedGrayPen();
  bool grid_centered_ = false;
  raster::ChartPen minor_grid_ = raster::ChartHiddenPen();
  raster::Font labels_font_;
  int labels_size_ = 0;
  int title_size_ = 0;
  ChartAxisTitle title_;

  double work_minimum_ = 0;
  double work_maximum_ = 0;
  double work_range_ = 0;
  int start_pixel_ = 0;
  int end_pixel_ = 0;
  int pixel_length_ = 0;
  int center_pixel_ = 0;
  int axis_line_pos_ = 0;
  int labels_edge_pos_ = 0;
  int title_edge_pos_ = 0;
  std::vector<int> tick_positions_;
  std::vector<DrawnLabel> drawn_labels_;
};

}  // namespace kep::chart
