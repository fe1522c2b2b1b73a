#include "chart/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "chart/assign_if_changed.h"
#include "chart/chart_exceptions.h"
#include "chart/messages.h"
#include "common/error.h"
#include "common/format.h"
#include "common/numbers.h"
#include "raster/vector_surface.h"

namespace kep::chart {

using raster::Bitmap;
using raster::BrushStyle;
using raster::IntRect;

namespace {

// Space between a title or foot block and the plot area.
constexpr int kTitleFootGap = 5;
// The largest capture bitmap, in pixels (1 GiB of 32-bit pixels).
constexpr std::int64_t kMaxCapturePixels = std::int64_t{1} << 28;
// The bevels' light and shadow colours.
constexpr raster::Color kBevelLight = raster::clWhite;
constexpr raster::Color kBevelShadow = raster::clGray;

// Restores a flag when a scope ends, also when it ends by an exception.
class FlagGuard {
 public:
  FlagGuard(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
  ~FlagGuard() { flag_ = saved_; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

// Switches the canvas' off-screen image off for a scope and back after it.
class DirectDrawing {
 public:
  explicit DirectDrawing(raster::ChartCanvas& canvas) : canvas_(canvas), saved_(canvas.UseOffscreenBuffer()) {
    canvas_.SetUseOffscreenBuffer(false);
  }
  ~DirectDrawing() { canvas_.SetUseOffscreenBuffer(saved_); }
  DirectDrawing(const DirectDrawing&) = delete;
  DirectDrawing& operator=(const DirectDrawing&) = delete;

 private:
  raster::ChartCanvas& canvas_;
  bool saved_;
};

// Draws at another scale for a scope and puts the canvas' scale back after.
class ScaleScope {
 public:
  ScaleScope(raster::ChartCanvas& canvas, double scale) : canvas_(canvas), saved_(canvas.Scale()) {
    canvas_.SetScale(scale);
  }
  ~ScaleScope() { canvas_.SetScale(saved_); }
  ScaleScope(const ScaleScope&) = delete;
  ScaleScope& operator=(const ScaleScope&) = delete;

 private:
  raster::ChartCanvas& canvas_;
  double saved_;
};

// A vector surface receives the drawing for a scope.
class VectorScope {
 public:
  VectorScope(raster::ChartCanvas& canvas, raster::VectorSurface& surface) : canvas_(canvas) {
    canvas_.AttachVector(&surface);
  }
  ~VectorScope() { canvas_.DetachVector(); }
  VectorScope(const VectorScope&) = delete;
  VectorScope& operator=(const VectorScope&) = delete;

 private:
  raster::ChartCanvas& canvas_;
};

raster::Color Interpolate(raster::Color from, raster::Color to, int step, int steps) {
  if (steps <= 0) return from;
  const auto mix = [&](int a, int b) { return static_cast<std::uint8_t>(a + (b - a) * step / steps); };
  return raster::Color::FromRgb(mix(from.Red(), to.Red()), mix(from.Green(), to.Green()),
                                mix(from.Blue(), to.Blue()));
}

// Stores value in a setting of chart and invalidates the chart, only when it
// differs from the stored one.
template <typename T>
void Assign(Chart& chart, T& field, T value) {
  AssignIfChanged(field, std::move(value), [&chart] { chart.InvalidateChart(); });
}

}  // namespace

// ---- parts ----

ChartTitle::ChartTitle(Chart& chart) : chart_(chart), font_(DefaultChartFont(raster::clBlue)) {}

void ChartTitle::SetText(std::vector<std::string> lines) { Assign(chart_, text_, std::move(lines)); }
void ChartTitle::SetVisible(bool value) { Assign(chart_, visible_, value); }
void ChartTitle::SetAlignment(TitleAlignment value) { Assign(chart_, alignment_, value); }
void ChartTitle::SetAdjustFrame(bool value) { Assign(chart_, adjust_frame_, value); }
void ChartTitle::SetColor(raster::Color value) { Assign(chart_, color_, value); }
void ChartTitle::SetBrush(const raster::Brush& value) { Assign(chart_, brush_, value); }
void ChartTitle::SetFrame(const raster::ChartPen& value) { Assign(chart_, frame_, value); }
void ChartTitle::SetFont(const raster::Font& value) { Assign(chart_, font_, value); }

ChartWall::ChartWall(Chart& chart) : chart_(chart) {}

void ChartWall::SetColor(raster::Color value) { Assign(chart_, color_, value); }
void ChartWall::SetPen(const raster::ChartPen& value) { Assign(chart_, pen_, value); }
void ChartWall::SetBrush(const raster::Brush& value) { Assign(chart_, brush_, value); }
void ChartWall::SetSize(int value) { Assign(chart_, size_, value); }
void ChartWall::SetDark3D(bool value) { Assign(chart_, dark_3d_, value); }

void ChartGradient::SetVisible(bool value) { Assign(chart_, visible_, value); }
void ChartGradient::SetDirection(GradientDirection value) { Assign(chart_, direction_, value); }
void ChartGradient::SetStartColor(raster::Color value) { Assign(chart_, start_color_, value); }
void ChartGradient::SetEndColor(raster::Color value) { Assign(chart_, end_color_, value); }

ChartLegend::ChartLegend(Chart& chart) : chart_(chart), font_(DefaultChartFont(raster::clBlack)) {}

void ChartLegend::SetVisible(bool value) { Assign(chart_, visible_, value); }
void ChartLegend::SetFont(const raster::Font& value) { Assign(chart_, font_, value); }

void ZoomPanningRecord::Engage(int x, int y) {
  start_x = end_x = x;
  start_y = end_y = y;
  engaged = true;
}

void ZoomPanningRecord::Normalize() {
  if (end_x < start_x) std::swap(start_x, end_x);
  if (end_y < start_y) std::swap(start_y, end_y);
}

// ---- chart ----

Chart::Chart()
    : title_(*this),
      foot_(*this),
      back_wall_(*this),
      left_wall_(*this),
      bottom_wall_(*this),
      gradient_(*this),
      legend_(*this) {
  SetRepaintEnabled(false);
  back_wall_.SetBrush({raster::clWhite, BrushStyle::bsClear});
  SetRepaintEnabled(true);
}

Chart::~Chart() = default;

void Chart::SetMarginLeft(int value) { Assign(*this, margin_left_, value); }
void Chart::SetMarginTop(int value) { Assign(*this, margin_top_, value); }
void Chart::SetMarginRight(int value) { Assign(*this, margin_right_, value); }
void Chart::SetMarginBottom(int value) { Assign(*this, margin_bottom_, value); }
void Chart::SetBevelOuter(PanelBevel value) { Assign(*this, bevel_outer_, value); }
void Chart::SetBevelInner(PanelBevel value) { Assign(*this, bevel_inner_, value); }
void Chart::SetBevelWidth(int value) { Assign(*this, bevel_width_, value); }
void Chart::SetBorderWidth(int value) { Assign(*this, border_width_, value); }
void Chart::SetView3D(bool value) { Assign(*this, view_3d_, value); }
void Chart::SetMonochrome(bool value) { Assign(*this, monochrome_, value); }
void Chart::SetAxisVisible(bool value) { Assign(*this, axis_visible_, value); }
void Chart::SetClipPoints(bool value) { Assign(*this, clip_points_, value); }

void Chart::SetChart3DPercent(int value) {
  if (value < 1 || value > 100) throw ChartException(FormatMessage(messages::kChart3DPercent, 1, 100));
  Assign(*this, chart_3d_percent_, value);
}

void Chart::SetCursor(CursorShape shape) {
  rest_cursor_ = shape;
  ShowCursor(shape);
}

void Chart::ShowCursor(CursorShape shape) {
  if (host_ == nullptr || shape == shown_cursor_) return;
  shown_cursor_ = shape;
  host_->SetCursor(shape);
}

// ---- host and paint cycle ----

void Chart::SetHost(ChartHost* host) {
  host_ = host;
  Canvas().SetWindow(host != nullptr ? &host->WindowPixels() : nullptr);
  if (host != nullptr) {
    shown_cursor_ = rest_cursor_;
    host->SetCursor(rest_cursor_);
  }
  InvalidateChart();
}

IntRect Chart::ClientRect() const {
  if (host_ == nullptr) return {};
  const IntRect window = host_->WindowPixels().Bounds();
  if (scale_ == 1) return window;
  const auto logical = [&](int device) { return static_cast<int>(std::floor(device / scale_ + 0.5)); };
  return {0, 0, logical(window.Right), logical(window.Bottom)};
}

void Chart::SetScale(double scale) {
  Canvas().SetScale(scale);
  if (Canvas().Scale() == scale_) return;
  scale_ = Canvas().Scale();
  InvalidateChart();
}

void Chart::InvalidateChart() {
  if (!RepaintEnabled()) return;
  CustomAxisPanel::InvalidateChart();
  if (host_ != nullptr) host_->Invalidate();
}

void Chart::RepaintNow() {
  InvalidateChart();
  // A repaint asked for from inside a draw (by an event handler) waits for
  // the next paint instead of drawing into the half-drawn picture.
  if (host_ != nullptr && RepaintEnabled() && !painting_) host_->PaintNow();
}

void Chart::Paint() {
  if (host_ == nullptr || painting_) return;
  Bitmap& window = host_->WindowPixels();
  raster::ChartCanvas& canvas = Canvas();
  canvas.SetWindow(&window);
  const Bitmap* image = canvas.OffscreenImage();
  if (!canvas.ImageStale() && image != nullptr && image->Width() == window.Width() &&
      image->Height() == window.Height()) {
    canvas.BlitImage();
    return;
  }
  DrawChart(window, ClientRect());
}

void Chart::DrawChart(Bitmap& target, const IntRect& rect) {
  FlagGuard painting(painting_, true);
  ++draw_count_;
  raster::ChartCanvas& canvas = Canvas();
  panel_bounds_ = canvas.BeginDraw(target, rect);
  const int width = panel_bounds_.Width();
  const int height = panel_bounds_.Height();
  const auto inset = [&](int edge, int margin, int size, int sign) {
    const std::int64_t amount = static_cast<std::int64_t>(border_width_) + MulDiv(margin, size, 100);
    return ClampToInt(edge + sign * amount);
  };
  SetPlotRect({inset(panel_bounds_.Left, margin_left_, width, 1),
               inset(panel_bounds_.Top, margin_top_, height, 1),
               inset(panel_bounds_.Right, margin_right_, width, -1),
               inset(panel_bounds_.Bottom, margin_bottom_, height, -1)});
  RecalcPlotSize();
  DrawContents();
  canvas.PresentImage(target, rect);
}

void Chart::RecalcPlotSize() {
  IntRect plot = PlotRect();
  plot.Left = std::max(plot.Left, panel_bounds_.Left);
  plot.Top = std::max(plot.Top, panel_bounds_.Top);
  // An empty panel still gets a plot one pixel wide and high.
  if (plot.Right < plot.Left) {
    plot.Right = ClampToInt(std::int64_t{plot.Left} + 1);
  } else if (plot.Right == plot.Left) {
    plot.Right = ClampToInt(std::int64_t{plot.Left} + std::max(panel_bounds_.Width(), 1));
  }
  if (plot.Bottom < plot.Top) {
    plot.Bottom = ClampToInt(std::int64_t{plot.Top} + 1);
  } else if (plot.Bottom == plot.Top) {
    plot.Bottom = ClampToInt(std::int64_t{plot.Top} + std::max(panel_bounds_.Height(), 1));
  }
  SetPlotRect(plot);
  plot_centre_x_ = static_cast<int>((std::int64_t{plot.Left} + plot.Right) / 2);
  plot_centre_y_ = static_cast<int>((std::int64_t{plot.Top} + plot.Bottom) / 2);
}

void Chart::DrawContents() {
  PaintBackground(panel_bounds_);
  DrawTitles();
  LayoutAxes();
  ApplySeriesMargins();
  DrawBackWall();
  // Axes and grids go behind the series.
  if (axis_visible_) {
    if (OnBeforeDrawAxes) OnBeforeDrawAxes(*this);
    for (const auto& axis : Axes()) {
      if (AxisIsVisible(*axis)) axis->DrawAxis();
    }
  }
  if (OnBeforeDrawSeries) OnBeforeDrawSeries(*this);
  for (const auto& series : SeriesList()) {
    if (series->Active()) series->PaintSeries(*this);
  }
  DrawLegend();
  // A redraw during a zoom drag keeps the rubber band on the picture.
  if (zoom_.engaged) DrawZoomRectangle();
  Canvas().RestoreDefaults();
  if (OnAfterDraw) OnAfterDraw(*this);
}

void Chart::PaintBackground(const IntRect& rect) {
  if (gradient_.Visible()) {
    FillGradient(rect);
  } else {
    Canvas().FillRect(rect, Color());
  }
  IntRect inner = rect;
  if (bevel_outer_ != PanelBevel::bvNone) DrawBevel(inner, bevel_outer_, bevel_width_);
  for (int i = 0; i < border_width_ && !inner.IsEmpty(); ++i) {
    Canvas().FillRect({inner.Left, inner.Top, inner.Right, inner.Top + 1}, Color());
    Canvas().FillRect({inner.Left, inner.Bottom - 1, inner.Right, inner.Bottom}, Color());
    Canvas().FillRect({inner.Left, inner.Top, inner.Left + 1, inner.Bottom}, Color());
    Canvas().FillRect({inner.Right - 1, inner.Top, inner.Right, inner.Bottom}, Color());
    inner = {inner.Left + 1, inner.Top + 1, inner.Right - 1, inner.Bottom - 1};
  }
  if (bevel_inner_ != PanelBevel::bvNone) DrawBevel(inner, bevel_inner_, bevel_width_);
}

// The gradient runs from its first colour at the bottom (or right) to its
// second at the top (or left); top-bottom and left-right pass the start and
// end colours swapped, so that the start colour is where the name begins.
void Chart::FillGradient(const IntRect& rect) {
  const GradientDirection direction = gradient_.Direction();
  const bool swapped =
      direction == GradientDirection::gdTopBottom || direction == GradientDirection::gdLeftRight;
  const raster::Color first = swapped ? gradient_.EndColor() : gradient_.StartColor();
  const raster::Color second = swapped ? gradient_.StartColor() : gradient_.EndColor();
  const bool vertical =
      direction == GradientDirection::gdTopBottom || direction == GradientDirection::gdBottomTop;
  const int extent = vertical ? rect.Height() : rect.Width();
  for (int i = 0; i < extent; ++i) {
    // Line i counted from the top or left edge.
    const raster::Color color = Interpolate(second, first, i, extent - 1);
    if (vertical) {
      Canvas().FillRect({rect.Left, rect.Top + i, rect.Right, rect.Top + i + 1}, color);
    } else {
      Canvas().FillRect({rect.Left + i, rect.Top, rect.Left + i + 1, rect.Bottom}, color);
    }
  }
}

void Chart::DrawBevel(IntRect& rect, PanelBevel bevel, int width) {
  const raster::Color top_left = bevel == PanelBevel::bvRaised ? kBevelLight : kBevelShadow;
  const raster::Color bottom_right = bevel == PanelBevel::bvRaised ? kBevelShadow : kBevelLight;
  for (int i = 0; i < width && !rect.IsEmpty(); ++i) {
    Canvas().FillRect({rect.Left, rect.Top, rect.Right, rect.Top + 1}, top_left);
    Canvas().FillRect({rect.Left, rect.Top, rect.Left + 1, rect.Bottom}, top_left);
    Canvas().FillRect({rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom}, bottom_right);
    Canvas().FillRect({rect.Right - 1, rect.Top, rect.Right, rect.Bottom}, bottom_right);
    rect = {rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1};
  }
}

void Chart::DrawTitles() {
  // The legend lies inside the plot area, so the title comes first and the
  // foot second.
  for (auto [title, at_top] : {std::pair{&title_, true}, std::pair{&foot_, false}}) {
    if (title->visible_) {
      DrawTitleBlock(*title, at_top);
    } else {
      title->title_box_ = {};
    }
  }
}

void Chart::DrawTitleBlock(ChartTitle& title, bool at_top) {
  raster::ChartCanvas& canvas = Canvas();
  canvas.SetFont(title.font_);
  const int line_height = canvas.TextLineHeight();
  const int lines = static_cast<int>(title.text_.size());
  const int w_width = canvas.TextWidth("W");
  SetTitleFill(title);
  const bool frame_visible = title.frame_.visible && title.frame_.color != raster::clSeriesColor;
  const int frame_width = frame_visible ? title.frame_.width : 0;
  if (frame_visible) {
    canvas.AssignChartPen(title.frame_);
  } else {
    canvas.SetPen({.style = raster::PenStyle::psClear});
  }

  const IntRect plot = PlotRect();
  const std::int64_t block_height = std::int64_t{lines} * line_height;
  IntRect text_box{plot.Left + frame_width, 0, plot.Right - frame_width, 0};
  if (at_top) {
    text_box.Top = plot.Top + frame_width;
    text_box.Bottom = ClampToInt(text_box.Top + block_height);
  } else {
    text_box.Bottom = plot.Bottom - frame_width;
    text_box.Top = ClampToInt(text_box.Bottom - block_height);
  }
  IntRect box{text_box.Left - frame_width, text_box.Top - frame_width, text_box.Right + frame_width,
              text_box.Bottom + frame_width};
  if (frame_visible || canvas.GetBrush().style != BrushStyle::bsClear) {
    if (title.adjust_frame_) FitTitleBoxToText(title, w_width, box);
    canvas.Rectangle(box);
  }
  title.title_box_ = box;

  canvas.SetBackgroundMode(raster::BackgroundMode::kTransparent);
  canvas.SetTextAlign(raster::HorizontalAlign::kLeft, raster::VerticalAlign::kTop);
  for (int i = 0; i < lines; ++i) {
    const std::int64_t y =
        at_top ? std::int64_t{plot.Top} + frame_width + std::int64_t{i} * line_height
               : std::int64_t{plot.Bottom} - frame_width - std::int64_t{lines - i} * line_height;
    DrawTitleLine(title, title.text_[static_cast<std::size_t>(i)], text_box.Left, text_box.Right, w_width,
                  ClampToInt(y));
  }

  // The space taken; a block without lines adds no gap.
  const std::int64_t taken =
      frame_width + block_height + (frame_visible ? frame_width : 0) + (lines > 0 ? kTitleFootGap : 0);
  IntRect shrunk = plot;
  if (at_top) {
    shrunk.Top = ClampToInt(plot.Top + taken);
  } else {
    shrunk.Bottom = ClampToInt(plot.Bottom - taken);
  }
  SetPlotRect(shrunk);
  RecalcPlotSize();
}

void Chart::SetTitleFill(ChartTitle& title) {
  raster::ChartCanvas& canvas = Canvas();
  if (title.color_ == raster::clSeriesColor) {
    if (title.brush_.style != BrushStyle::bsSolid) {
      canvas.SetBrush(title.brush_);
      canvas.SetBackgroundMode(raster::BackgroundMode::kTransparent);
    } else if (title.brush_.color == raster::clSeriesColor) {
      canvas.SetBrushStyle(BrushStyle::bsClear);
    } else {
      // Deliberately a lasting change made by a draw: once drawn, a title
      // whose fill followed a solid brush keeps that colour as its own fill
      // colour, which Color() then reports; a later change of the brush's
      // colour alone no longer recolours it. No repaint: this draw already
      // uses the colour.
      title.color_ = title.brush_.color;
      canvas.SetBrush({title.color_, BrushStyle::bsSolid});
    }
  } else if (title.brush_.style != BrushStyle::bsSolid) {
    canvas.SetBrush(title.brush_);
    canvas.SetBackgroundMode(raster::BackgroundMode::kOpaque);
    canvas.SetBackgroundColor(title.color_);
  } else {
    canvas.SetBrush({title.color_, BrushStyle::bsSolid});
  }
}

void Chart::FitTitleBoxToText(const ChartTitle& title, int w_width, IntRect& box) {
  int widest = 0;
  for (const auto& line : title.text_) widest = std::max(widest, Canvas().TextWidth(line));
  const int w = widest + w_width;
  switch (title.alignment_) {
    case TitleAlignment::taLeftJustify:
      box.Right = box.Left + w;
      break;
    case TitleAlignment::taRightJustify:
      box.Left = box.Right - w;
      break;
    case TitleAlignment::taCenter: {
      const int centre = (box.Left + box.Right) / 2;
      box.Left = centre - w / 2;
      box.Right = centre + w / 2;
      break;
    }
  }
}

void Chart::DrawTitleLine(const ChartTitle& title, const std::string& line, int text_left, int text_right,
                          int w_width, int y) {
  raster::ChartCanvas& canvas = Canvas();
  const int text_width = canvas.TextWidth(line);
  int x = 0;
  switch (title.alignment_) {
    case TitleAlignment::taLeftJustify:
      x = text_left + w_width / 2;
      break;
    case TitleAlignment::taRightJustify:
      x = text_right - text_width - w_width / 2;
      break;
    case TitleAlignment::taCenter:
      x = (text_left + text_right) / 2 - text_width / 2;
      break;
  }
  canvas.TextOut(x, y, line);
}

bool Chart::AxisIsVisible(const ChartAxis& axis) const {
  // The depth axis belongs to 3D drawing, which this chart does not do.
  return axis_visible_ && axis.Visible() && !axis.IsDepth() && HasActiveSeriesOn(axis);
}

void Chart::LayoutAxes() {
  for (const auto& axis : Axes()) axis->ComputeRange();
  RecalcPlotSize();
  IntRect rest = PlotRect();
  for (const auto& axis : Axes()) {
    if (!AxisIsVisible(*axis)) continue;
    IntRect shrunk = rest;
    axis->ReserveAxisSpace(shrunk);
    const IntRect common = rest.Intersect(shrunk);
    // An axis whose bands would leave no room takes no space.
    if (!common.IsEmpty()) rest = common;
  }
  SetPlotRect(rest);
  RecalcPlotSize();
  for (const auto& axis : Axes()) axis->PlacePixels();
}

void Chart::ApplySeriesMargins() {
  for (const AxisId id : kMainAxes) {
    ChartAxis* const axis = &Axis(id);
    int start_margin = 0;  // left or top
    int end_margin = 0;    // right or bottom
    for (const auto& series : SeriesList()) {
      if (!series->Active()) continue;
      if (axis->IsHorizontal()) {
        if (!series->UsesHorizontalAxis(*axis)) continue;
        const auto [left, right] = series->HorizontalMargins();
        if (axis->AutomaticMinimum()) start_margin = std::max(start_margin, left);
        if (axis->AutomaticMaximum()) end_margin = std::max(end_margin, right);
      } else {
        if (!series->UsesVerticalAxis(*axis)) continue;
        const auto [top, bottom] = series->VerticalMargins();
        if (axis->AutomaticMaximum()) start_margin = std::max(start_margin, top);
        if (axis->AutomaticMinimum()) end_margin = std::max(end_margin, bottom);
      }
    }
    // Without margins the work range stays exactly as ComputeRange set it.
    if (start_margin != 0 || end_margin != 0) axis->ExpandForMargins(start_margin, end_margin);
  }
}

void Chart::DrawBackWall() {
  raster::ChartCanvas& canvas = Canvas();
  const ChartWall& wall = back_wall_;
  canvas.AssignChartPen(wall.Pen());
  const raster::Brush& brush = wall.Brush();
  if (wall.Color() == raster::clSeriesColor && brush.style == BrushStyle::bsSolid) {
    canvas.SetBrushStyle(BrushStyle::bsClear);
  } else {
    raster::Color color = wall.Color();
    const raster::Color background = brush.color;
    if (brush.style != BrushStyle::bsSolid && color == background) {
      color = background == raster::clBlack ? raster::clWhite : raster::clBlack;
    }
    canvas.SetBrush({color, brush.style});
    if (brush.style == BrushStyle::bsSolid) {
      canvas.SetBackgroundMode(raster::BackgroundMode::kTransparent);
    } else {
      canvas.SetBackgroundMode(raster::BackgroundMode::kOpaque);
      canvas.SetBackgroundColor(background);
    }
  }
  const IntRect plot = PlotRect();
  canvas.Rectangle({plot.Left, plot.Top, ClampToInt(std::int64_t{plot.Right} + 1),
                    ClampToInt(std::int64_t{plot.Bottom} + 1)});
}

// ---- capture ----

Bitmap Chart::RenderToBitmap(const IntRect& rect, double scale) {
  ScaleScope scaled(Canvas(), scale);
  const int width = Canvas().ToDevice(rect.Width());
  const int height = Canvas().ToDevice(rect.Height());
  if (rect.Width() <= 0 || rect.Height() <= 0 || std::int64_t{width} * height > kMaxCapturePixels) {
    throw Error(std::string(messages::kOutOfResources));
  }
  Bitmap bitmap;
  try {
    bitmap.Resize(width, height);
  } catch (const std::bad_alloc&) {
    throw Error(std::string(messages::kOutOfResources));
  }
  // Drawn straight onto the bitmap; the window's next paint draws in full.
  DirectDrawing direct(Canvas());
  DrawChart(bitmap, rect);
  return bitmap;
}

void Chart::RenderToVector(raster::VectorSurface& surface) {
  DirectDrawing direct(Canvas());
  VectorScope vector(Canvas(), surface);
  Bitmap none;
  DrawChart(none, {0, 0, surface.Width(), surface.Height()});
}

void Chart::CaptureToClipboard(Clipboard& clipboard) { clipboard.SetBitmap(RenderToBitmap(ClientRect())); }

}  // namespace kep::chart
