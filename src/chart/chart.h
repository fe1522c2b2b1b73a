#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "chart/axis_panel.h"
#include "chart/chart_host.h"
#include "chart/chart_input.h"
#include "chart/clipboard.h"
#include "raster/bitmap.h"
#include "raster/chart_canvas.h"
#include "raster/chart_pen.h"
#include "raster/color.h"
#include "raster/font.h"
#include "raster/geometry.h"

namespace kep::chart {

class Chart;

enum class TitleAlignment { taLeftJustify, taRightJustify, taCenter };
enum class PanelBevel { bvNone, bvLowered, bvRaised };
enum class GradientDirection { gdTopBottom, gdBottomTop, gdLeftRight, gdRightLeft };
enum class PanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };
enum class ChartPart { cpNone, cpLegend, cpAxis, cpSeries, cpTitle, cpFoot, cpPlotArea };

// A block of text lines above (Title) or below (Foot) the plot area.
class ChartTitle {
 public:
  explicit ChartTitle(Chart& chart);

  const std::vector<std::string>& Text() const { return text_; }
  void SetText(std::vector<std::string> lines);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  TitleAlignment Alignment() const { return alignment_; }
  void SetAlignment(TitleAlignment value);
  // The frame and fill cover only the width of the text.
  bool AdjustFrame() const { return adjust_frame_; }
  void SetAdjustFrame(bool value);
  // The fill colour; clSeriesColor takes the fill from Brush.
  raster::Color Color() const { return color_; }
  void SetColor(raster::Color value);
  const raster::Brush& Brush() const { return brush_; }
  void SetBrush(const raster::Brush& value);
  const raster::ChartPen& Frame() const { return frame_; }
  void SetFrame(const raster::ChartPen& value);
  const raster::Font& Font() const { return font_; }
  void SetFont(const raster::Font& value);
  // The block's rectangle of the last draw (empty when it was not drawn).
  const raster::IntRect& TitleBox() const { return title_box_; }

 private:
  friend class Chart;

  Chart& chart_;
  std::vector<std::string> text_;
  bool visible_ = true;
  TitleAlignment alignment_ = TitleAlignment::taCenter;
  bool adjust_frame_ = true;
  raster::Color color_ = raster::clSeriesColor;
  raster::Brush brush_{raster::clSeriesColor, raster::BrushStyle::bsSolid};
  raster::ChartPen frame_ = raster::ChartHiddenPen();
  raster::Font font_;
  raster::IntRect title_box_;
};

// A wall of the plot area; in 2D only the back wall is drawn, as the frame
// (and fill) of PlotRect.
class ChartWall {
 public:
  explicit ChartWall(Chart& chart);

  raster::Color Color() const { return color_; }
  void SetColor(raster::Color value);
  const raster::ChartPen& Pen() const { return pen_; }
  void SetPen(const raster::ChartPen& value);
  const raster::Brush& Brush() const { return brush_; }
  void SetBrush(const raster::Brush& value);
  int Size() const { return size_; }
  void SetSize(int value);
  bool Dark3D() const { return dark_3d_; }
  void SetDark3D(bool value);

 private:
  Chart& chart_;
  raster::Color color_ = raster::clSeriesColor;
  raster::ChartPen pen_;
  raster::Brush brush_{raster::clWhite, raster::BrushStyle::bsSolid};
  int size_ = 0;
  bool dark_3d_ = true;
};

// The panel's background gradient, used instead of the plain panel colour
// while Visible.
class ChartGradient {
 public:
  explicit ChartGradient(Chart& chart) : chart_(chart) {}

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  GradientDirection Direction() const { return direction_; }
  void SetDirection(GradientDirection value);
  raster::Color StartColor() const { return start_color_; }
  void SetStartColor(raster::Color value);
  raster::Color EndColor() const { return end_color_; }
  void SetEndColor(raster::Color value);

 private:
  Chart& chart_;
  bool visible_ = false;
  GradientDirection direction_ = GradientDirection::gdTopBottom;
  raster::Color start_color_ = raster::clWhite;
  raster::Color end_color_ = raster::clYellow;
};

// The legend: with two or more active series that have points, a white box
// with a thin frame in the plot area's top-left corner that names each (its
// Title, elided in the middle when long) beside a sample of its line. It is
// drawn over the plot and takes no room from it; with fewer series, or while
// not Visible, nothing is drawn.
class ChartLegend {
 public:
  explicit ChartLegend(Chart& chart);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  const raster::Font& Font() const { return font_; }
  void SetFont(const raster::Font& value);
  // The box of the last draw (empty when none was drawn).
  const raster::IntRect& LegendBox() const { return legend_box_; }
  // The text drawn for each entry in the last draw, top to bottom.
  const std::vector<std::string>& DrawnTexts() const { return drawn_texts_; }

 private:
  friend class Chart;

  Chart& chart_;
  bool visible_ = true;
  raster::Font font_;
  raster::IntRect legend_box_;
  std::vector<std::string> drawn_texts_;
};

// The longest text made of text's first and last characters around an
// ellipsis ("\u2026") that is at most max_width pixels wide in the canvas'
// font; text itself when it fits. The characters are UTF-8 sequences.
std::string ElideMiddle(raster::ChartCanvas& canvas, std::string_view text, int max_width);

// One drag of the mouse: where it started and where the pointer is now.
struct ZoomPanningRecord {
  bool engaged = false;
  int start_x = 0;
  int start_y = 0;
  int end_x = 0;
  int end_y = 0;

  void Engage(int x, int y);
  // Orders the corners so that start <= end in both directions.
  void Normalize();
};

// What lies under a pixel of the panel.
struct ChartHitResult {
  ChartPart part = ChartPart::cpNone;
  ChartSeries* series = nullptr;  // cpSeries
  int index = -1;                 // cpSeries: the point or segment
  ChartAxis* axis = nullptr;      // cpAxis
};

// The chart panel: settings, titles and walls, the paint cycle with its
// off-screen image, the layout of titles and axes, zoom and scroll by mouse
// (and keyboard), and capture into a bitmap.
//
// The chart draws into the window pixels of its host (SetHost); without a
// host it still draws into bitmaps (DrawChart, RenderToBitmap).
class Chart : public CustomAxisPanel {
 public:
  Chart();
  ~Chart() override;

  // ---- host, paint cycle ----
  // Attaches the window (null: none). The client rectangle is the host's
  // window pixels at (0, 0), in logical pixels (see SetScale).
  void SetHost(ChartHost* host);
  ChartHost* Host() const { return host_; }
  raster::IntRect ClientRect() const;

  // The scale of the window's pixels: the chart keeps its layout, mouse
  // coordinates and settings in logical pixels and draws onto window pixels
  // Scale() times as many in each direction (see raster::ChartCanvas).
  // Invalidates the paint.
  double Scale() const { return scale_; }
  void SetScale(double scale);

  // The paint handler: copies the off-screen image when it is current and
  // of the window's size, otherwise draws the chart onto the window.
  void Paint();
  // Draws the complete chart onto target inside rect.
  void DrawChart(raster::Bitmap& target, const raster::IntRect& rect);
  // Marks the picture stale and asks the host for a paint.
  void InvalidateChart() override;
  // Invalidates and has the host paint at once.
  void RepaintNow() override;
  // The number of DrawChart calls so far (window paints and captures).
  std::uint64_t DrawCount() const { return draw_count_; }

  // The rectangle the chart occupied on the surface of the last draw.
  const raster::IntRect& PanelBounds() const { return panel_bounds_; }
  int PlotCentreX() const { return plot_centre_x_; }
  int PlotCentreY() const { return plot_centre_y_; }
  // Keeps PlotRect inside the panel and at least one pixel wide and high,
  // and derives the plot's centre.
  void RecalcPlotSize();

  // ---- capture ----
  // Draws the chart into a new white bitmap of rect's size, laid out in rect
  // as in a window: a rect that does not start at (0, 0) leaves the bitmap's
  // pixels left of and above it white and cuts the chart off on the right
  // and at the bottom. At a scale s the bitmap has rect's size times s and
  // shows the same chart, sharper. Raises
  // kep::Error "Out of system resources" when no such bitmap can be made.
  raster::Bitmap RenderToBitmap(const raster::IntRect& rect, double scale = 1);
  // Draws the chart, laid out in a window of the surface's size, onto a
  // vector surface.
  void RenderToVector(raster::VectorSurface& surface);
  // Puts an image of the client area, at scale 1, on the clipboard; the
  // clipboard's errors reach the caller.
  void CaptureToClipboard(Clipboard& clipboard);

  // ---- parts ----
  ChartTitle& Title() { return title_; }
  const ChartTitle& Title() const { return title_; }
  ChartTitle& Foot() { return foot_; }
  const ChartTitle& Foot() const { return foot_; }
  ChartWall& BackWall() { return back_wall_; }
  ChartWall& LeftWall() { return left_wall_; }
  ChartWall& BottomWall() { return bottom_wall_; }
  ChartGradient& Gradient() { return gradient_; }
  ChartLegend& Legend() { return legend_; }

  // ---- settings (setters invalidate when the value changes) ----
  int MarginLeft() const { return margin_left_; }
  void SetMarginLeft(int value);
  int MarginTop() const { return margin_top_; }
  void SetMarginTop(int value);
  int MarginRight() const { return margin_right_; }
  void SetMarginRight(int value);
  int MarginBottom() const { return margin_bottom_; }
  void SetMarginBottom(int value);
  PanelBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(PanelBevel value);
  PanelBevel BevelInner() const { return bevel_inner_; }
  void SetBevelInner(PanelBevel value);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int value);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int value);
  // Stored; the chart always draws in 2D.
  bool View3D() const { return view_3d_; }
  void SetView3D(bool value);
  int Chart3DPercent() const { return chart_3d_percent_; }
  // Raises ChartException "3D effect percent must be between 1 and 100".
  void SetChart3DPercent(int value);
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool value);
  bool AxisVisible() const { return axis_visible_; }
  void SetAxisVisible(bool value);
  bool ClipPoints() const override { return clip_points_; }
  void SetClipPoints(bool value);

  bool AllowZoom() const { return allow_zoom_; }
  void SetAllowZoom(bool value) { allow_zoom_ = value; }
  PanningMode AllowPanning() const { return allow_panning_; }
  void SetAllowPanning(PanningMode value) { allow_panning_ = value; }
  bool AnimatedZoom() const { return animated_zoom_; }
  void SetAnimatedZoom(bool value) { animated_zoom_ = value; }
  int AnimatedZoomSteps() const { return animated_zoom_steps_; }
  void SetAnimatedZoomSteps(int value) { animated_zoom_steps_ = value; }
  // The cursor shown while the pointer rests over the panel.
  CursorShape Cursor() const { return rest_cursor_; }
  void SetCursor(CursorShape shape);

  // ---- zoom and scroll ----
  bool HasZoom() const { return has_zoom_; }
  const ZoomPanningRecord& Zoom() const { return zoom_; }
  const ZoomPanningRecord& Panning() const { return panning_; }
  // A press handler that leaves this set takes the press (no drag starts).
  bool MouseHandled() const { return mouse_handled_; }
  void SetMouseHandled(bool value) { mouse_handled_ = value; }

  ChartHitResult ChartHitTest(int x, int y);
  void MouseDown(MouseButton button, ShiftState shift, int x, int y);
  void MouseMove(ShiftState shift, int x, int y);
  void MouseUp(MouseButton button, ShiftState shift, int x, int y);
  // One call per 120 wheel units; positive notches (away from the user)
  // shift the vertical axes by -3 % of their range each, negative by +3 %.
  void MouseWheel(int notches_away);
  void MouseLeave();
  // Left and right pan the horizontal axes, up and down the vertical ones,
  // each axis by one label step: Left shows lower values, Right higher,
  // Up higher, Down lower. Counts as a pan (snapshot, OnAllowScroll,
  // OnScroll). True when the key moved or could have moved the chart.
  bool KeyDown(ArrowKey key);

  void UndoZoom();
  // Zooms to the normalized zoom drag rectangle.
  void ZoomToRectangle();
  // Zooms the four main axes, each to its range, animated when AnimatedZoom
  // is set. A set with a non-finite value is ignored.
  void ZoomToValues(const AxisRanges& ranges);

  // ---- events ----
  std::function<void(Chart&)> OnBeforeDrawAxes;
  std::function<void(Chart&)> OnBeforeDrawSeries;
  std::function<void(Chart&)> OnAfterDraw;
  std::function<void(Chart&)> OnZoom;
  std::function<void(Chart&)> OnUndoZoom;
  std::function<void(Chart&)> OnScroll;
  std::function<void(ChartAxis& axis, double& minimum, double& maximum, bool& allow)> OnAllowScroll;
  std::function<void(Chart&, ChartAxis& axis, MouseButton, ShiftState, int x, int y)> OnClickAxis;
  std::function<void(Chart&, ChartSeries& series, int index, MouseButton, ShiftState, int x, int y)>
      OnClickSeries;
  std::function<void(Chart&, MouseButton, ShiftState, int x, int y)> OnClickLegend;
  std::function<void(Chart&, MouseButton, ShiftState, int x, int y)> OnClickBackground;

 private:
  // Paint steps.
  void DrawContents();
  void PaintBackground(const raster::IntRect& rect);
  void FillGradient(const raster::IntRect& rect);
  void DrawBevel(raster::IntRect& rect, PanelBevel bevel, int width);
  void DrawTitles();
  void DrawTitleBlock(ChartTitle& title, bool at_top);
  // Sets the canvas' brush and background for the block's fill.
  void SetTitleFill(ChartTitle& title);
  // Narrows box to the widest line and half a "W" on each side.
  void FitTitleBoxToText(const ChartTitle& title, int w_width, raster::IntRect& box);
  void DrawTitleLine(const ChartTitle& title, const std::string& line, int text_left, int text_right,
                     int w_width, int y);
  void LayoutAxes();
  void ApplySeriesMargins();
  void DrawBackWall();
  void DrawLegend();
  bool AxisIsVisible(const ChartAxis& axis) const;

  // Zoom and scroll steps.
  void StartDrag(MouseButton button, int x, int y, bool& handled);
  // Calls handler with MouseHandled set and reports whether it left it set.
  bool CallPressHandler(const std::function<void()>& handler);
  void PanStep(bool horizontal, int new_pixel, int old_pixel, bool& moved);
  void ShiftAxisByPixels(ChartAxis& axis, int old_pixel, int new_pixel);
  // Moves both ends of axis by delta, after OnAllowScroll agrees.
  void ShiftAxisBy(ChartAxis& axis, double delta);
  void TakeSnapshotIfNeeded();
  void StepAxisTowards(ChartAxis& axis, const AxisRange& range);
  // Draws the not-xor zoom rectangle onto the current target.
  void DrawZoomRectangle();
  // The same, outside a paint: onto the window and the off-screen image.
  void DrawZoomRectangleOnWindow();
  void ShowCursor(CursorShape shape);

  ChartHost* host_ = nullptr;
  double scale_ = 1;
  std::uint64_t draw_count_ = 0;
  raster::IntRect panel_bounds_;
  int plot_centre_x_ = 0;
  int plot_centre_y_ = 0;

  ChartTitle title_;
  ChartTitle foot_;
  ChartWall back_wall_;
  ChartWall left_wall_;
  ChartWall bottom_wall_;
  ChartGradient gradient_;
  ChartLegend legend_;

  int margin_left_ = 3;
  int margin_top_ = 4;
  int margin_right_ = 3;
  int margin_bottom_ = 4;
  PanelBevel bevel_outer_ = PanelBevel::bvRaised;
  PanelBevel bevel_inner_ = PanelBevel::bvNone;
  int bevel_width_ = 1;
  int border_width_ = 0;
  bool view_3d_ = true;
  int chart_3d_percent_ = 15;
  bool monochrome_ = false;
  bool axis_visible_ = true;
  bool clip_points_ = true;

  bool allow_zoom_ = true;
  PanningMode allow_panning_ = PanningMode::pmBoth;
  bool animated_zoom_ = false;
  int animated_zoom_steps_ = 8;
  CursorShape rest_cursor_ = CursorShape::kDefault;
  CursorShape shown_cursor_ = CursorShape::kDefault;

  ZoomPanningRecord zoom_;
  ZoomPanningRecord panning_;
  bool has_zoom_ = false;
  bool needs_snapshot_ = true;
  bool mouse_handled_ = false;
  bool painting_ = false;
  // The scales saved before the first zoom or pan.
  AxisScales snapshot_;
};

}  // namespace kep::chart
