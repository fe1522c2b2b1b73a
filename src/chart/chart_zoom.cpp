// Zoom and scroll: hit testing, the mouse, wheel and key gestures, the
// zoom snapshot and its undo, and the rubber band of a zoom drag.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/chart.h"
#include "common/numbers.h"

namespace kep::chart {

using raster::Bitmap;
using raster::BrushStyle;
using raster::IntRect;

namespace {

// A drag must exceed this many pixels in both directions to zoom or undo.
constexpr int kMinZoomDrag = 16;
// Each frame of an animated zoom closes this fraction of the remaining way.
constexpr double kZoomStepDivisor = 3.0;
// One wheel notch shifts the vertical axes by this percentage of their range.
constexpr double kWheelShiftPercent = 3.0;
// More notches than this in one call are taken as this many.
constexpr int kMaxWheelNotches = 100;

}  // namespace

ChartHitResult Chart::ChartHitTest(int x, int y) {
  const auto series_list = SeriesList();
  for (auto it = series_list.rbegin(); it != series_list.rend(); ++it) {
    ChartSeries& series = **it;
    if (!series.Active()) continue;
    const int index = series.HitTest(x, y);
    if (index != -1) return {ChartPart::cpSeries, &series, index, nullptr};
  }
  for (const auto& axis : Axes()) {
    if (!AxisIsVisible(*axis)) continue;
    // From the labels' edge across the axis line to 3 pixels beyond it.
    const bool labels_after_line = axis->IsHorizontal() != axis->IsOtherSide();
    const int beyond = axis->AxisLinePos() + (labels_after_line ? -3 : 3);
    const int across_low = std::min(axis->LabelsEdgePos(), beyond);
    const int across_high = std::max(axis->LabelsEdgePos(), beyond);
    const int along_low = std::min(axis->StartPixel(), axis->EndPixel());
    const int along_high = std::max(axis->StartPixel(), axis->EndPixel());
    const IntRect area = axis->IsHorizontal() ? IntRect{along_low, across_low, along_high, across_high}
                                              : IntRect{across_low, along_low, across_high, along_high};
    if (area.Contains({x, y})) return {ChartPart::cpAxis, nullptr, -1, axis.get()};
  }
  if (title_.Visible() && title_.TitleBox().Contains({x, y})) return {ChartPart::cpTitle};
  if (foot_.Visible() && foot_.TitleBox().Contains({x, y})) return {ChartPart::cpFoot};
  const bool any_active = std::any_of(series_list.begin(), series_list.end(),
                                      [](const auto& series) { return series->Active(); });
  if (any_active && PlotRect().Contains({x, y})) return {ChartPart::cpPlotArea};
  return {};
}

bool Chart::CallPressHandler(const std::function<void()>& handler) {
  mouse_handled_ = true;
  handler();
  return mouse_handled_;
}

void Chart::MouseDown(MouseButton button, ShiftState shift, int x, int y) {
  if (zoom_.engaged || panning_.engaged) return;
  if (mouse_handled_) {
    mouse_handled_ = false;
    return;
  }
  const ChartHitResult hit = ChartHitTest(x, y);
  bool handled = false;
  switch (hit.part) {
    case ChartPart::cpLegend:
      if (OnClickLegend) handled = CallPressHandler([&] { OnClickLegend(*this, button, shift, x, y); });
      break;
    case ChartPart::cpAxis:
      if (OnClickAxis)
        handled = CallPressHandler([&] { OnClickAxis(*this, *hit.axis, button, shift, x, y); });
      if (!handled) StartDrag(button, x, y, handled);
      break;
    case ChartPart::cpSeries:
      if (OnClickSeries) {
        handled =
            CallPressHandler([&] { OnClickSeries(*this, *hit.series, hit.index, button, shift, x, y); });
      }
      if (!handled) StartDrag(button, x, y, handled);
      break;
    case ChartPart::cpPlotArea:
      if (OnClickBackground) {
        handled = CallPressHandler([&] { OnClickBackground(*this, button, shift, x, y); });
      }
      if (!handled) StartDrag(button, x, y, handled);
      break;
    case ChartPart::cpNone:
    case ChartPart::cpTitle:
    case ChartPart::cpFoot:
      break;
  }
  // A press nobody took goes to the background handler; a press on the plot
  // area that neither the handler nor a drag took is so told a second time.
  if (!handled && OnClickBackground) {
    CallPressHandler([&] { OnClickBackground(*this, button, shift, x, y); });
  }
  mouse_handled_ = false;
}

void Chart::StartDrag(MouseButton button, int x, int y, bool& handled) {
  // Neither gesture asks for modifier keys, so any held keys start it too.
  if (allow_zoom_ && button == MouseButton::mbLeft) {
    ShowCursor(CursorShape::kDefault);
    zoom_.Engage(x, y);
    DrawZoomRectangleOnWindow();
    handled = true;
  }
  if (allow_panning_ != PanningMode::pmNone && button == MouseButton::mbRight) {
    ShowCursor(CursorShape::kDefault);
    panning_.Engage(x, y);
    handled = true;
  }
}

void Chart::MouseMove(ShiftState /*shift*/, int x, int y) {
  if (zoom_.engaged) {
    if (x == zoom_.end_x && y == zoom_.end_y) return;
    DrawZoomRectangleOnWindow();
    zoom_.end_x = x;
    zoom_.end_y = y;
    DrawZoomRectangleOnWindow();
  } else if (panning_.engaged) {
    if (!PlotRect().Contains({x, y})) {
      panning_.engaged = false;
      return;
    }
    if (x == panning_.end_x && y == panning_.end_y) return;
    bool moved = false;
    TakeSnapshotIfNeeded();
    PanStep(true, x, panning_.end_x, moved);
    PanStep(false, y, panning_.end_y, moved);
    panning_.end_x = x;
    panning_.end_y = y;
    if (moved) {
      if (OnScroll) OnScroll(*this);
      InvalidateChart();
    }
  } else {
    // No series of this chart shows a cursor of its own.
    ShowCursor(rest_cursor_);
  }
}

void Chart::MouseUp(MouseButton button, ShiftState /*shift*/, int x, int y) {
  if (zoom_.engaged && button == MouseButton::mbLeft) {
    zoom_.engaged = false;
    DrawZoomRectangleOnWindow();
    zoom_.end_x = x;
    zoom_.end_y = y;
    const std::int64_t dx = std::int64_t{zoom_.end_x} - zoom_.start_x;
    const std::int64_t dy = std::int64_t{zoom_.end_y} - zoom_.start_y;
    if (std::llabs(dx) > kMinZoomDrag && std::llabs(dy) > kMinZoomDrag) {
      if (dx > 0 && dy > 0) {
        ZoomToRectangle();
      } else {
        UndoZoom();
      }
      InvalidateChart();
    }
  }
  panning_.engaged = false;
}

void Chart::MouseWheel(int notches_away) {
  const int notches = std::clamp(notches_away, -kMaxWheelNotches, kMaxWheelNotches);
  const double sign = notches > 0 ? -1.0 : 1.0;
  for (int i = 0; i < std::abs(notches); ++i) {
    for (const auto& axis : Axes()) {
      if (axis->IsHorizontal()) continue;
      // The whole product in extended precision, rounded once.
      const double shift = static_cast<double>((static_cast<Extended>(axis->Maximum()) - axis->Minimum()) *
                                               kWheelShiftPercent * 0.01L);
      axis->ShiftRange(sign * shift, false);
    }
  }
}

void Chart::MouseLeave() {
  ShowCursor(rest_cursor_);
  panning_.engaged = false;
}

bool Chart::KeyDown(ArrowKey key) {
  const bool horizontal = key == ArrowKey::kLeft || key == ArrowKey::kRight;
  const PanningMode mode = horizontal ? PanningMode::pmHorizontal : PanningMode::pmVertical;
  if (allow_panning_ != mode && allow_panning_ != PanningMode::pmBoth) return false;
  const double sign = (key == ArrowKey::kLeft || key == ArrowKey::kDown) ? -1.0 : 1.0;
  TakeSnapshotIfNeeded();
  for (const auto& axis : Axes()) {
    if (axis->IsDepth() || axis->IsHorizontal() != horizontal) continue;
    const double step = axis->AxisLabelStep();
    if (std::isfinite(step) && step > 0) ShiftAxisBy(*axis, sign * step);
  }
  if (OnScroll) OnScroll(*this);
  InvalidateChart();
  return true;
}

void Chart::PanStep(bool horizontal, int new_pixel, int old_pixel, bool& moved) {
  if (new_pixel == old_pixel) return;
  const PanningMode mode = horizontal ? PanningMode::pmHorizontal : PanningMode::pmVertical;
  if (allow_panning_ != mode && allow_panning_ != PanningMode::pmBoth) return;
  for (const auto& axis : Axes()) {
    if (!axis->IsDepth() && axis->IsHorizontal() == horizontal)
      ShiftAxisByPixels(*axis, old_pixel, new_pixel);
  }
  moved = true;
}

void Chart::ShiftAxisByPixels(ChartAxis& axis, int old_pixel, int new_pixel) {
  ShiftAxisBy(axis, RoundedDifference(axis.PixelToValue(old_pixel), axis.PixelToValue(new_pixel)));
}

void Chart::ShiftAxisBy(ChartAxis& axis, double delta) {
  double minimum = RoundedSum(axis.Minimum(), delta);
  double maximum = RoundedSum(axis.Maximum(), delta);
  bool allow = true;
  if (OnAllowScroll) OnAllowScroll(axis, minimum, maximum, allow);
  if (allow) axis.SetRange(minimum, maximum);
}

void Chart::TakeSnapshotIfNeeded() {
  if (!needs_snapshot_) return;
  snapshot_ = MainScales();
  needs_snapshot_ = false;
}

void Chart::UndoZoom() {
  if (!needs_snapshot_) SetMainScales(snapshot_);
  needs_snapshot_ = true;
  if (OnUndoZoom) OnUndoZoom(*this);
  InvalidateChart();
  has_zoom_ = false;
}

void Chart::ZoomToRectangle() {
  zoom_.Normalize();
  const auto across = [&](AxisId id) {
    return AxisRange{Axis(id).PixelToValue(zoom_.start_x), Axis(id).PixelToValue(zoom_.end_x)};
  };
  // The rectangle's lower edge gives the vertical axes' lower value.
  const auto down = [&](AxisId id) {
    return AxisRange{Axis(id).PixelToValue(zoom_.end_y), Axis(id).PixelToValue(zoom_.start_y)};
  };
  ZoomToValues({.bottom = across(AxisId::kBottom),
                .top = across(AxisId::kTop),
                .left = down(AxisId::kLeft),
                .right = down(AxisId::kRight)});
}

void Chart::ZoomToValues(const AxisRanges& ranges) {
  for (const AxisId id : kMainAxes) {
    if (!std::isfinite(ranges[id].from) || !std::isfinite(ranges[id].to)) return;
  }
  TakeSnapshotIfNeeded();
  if (animated_zoom_) {
    for (int frame = 1; frame < animated_zoom_steps_; ++frame) {
      for (const AxisId id : kMainAxes) StepAxisTowards(Axis(id), ranges[id]);
      RepaintNow();
    }
  }
  for (const AxisId id : kMainAxes) Axis(id).SetRange(ranges[id].from, ranges[id].to);
  has_zoom_ = true;
  if (OnZoom) OnZoom(*this);
}

void Chart::StepAxisTowards(ChartAxis& axis, const AxisRange& range) {
  const Extended minimum = axis.Minimum();
  const Extended maximum = axis.Maximum();
  axis.SetRange(static_cast<double>(minimum + (range.from - minimum) / kZoomStepDivisor),
                static_cast<double>(maximum - (maximum - range.to) / kZoomStepDivisor));
}

void Chart::DrawZoomRectangle() {
  raster::ChartCanvas& canvas = Canvas();
  // Not-xor with black inverts what lies under the outline; a white pen
  // would change nothing, so a white panel gets black.
  const raster::Color panel = raster::Color(Color().value & 0xFFFFFF);
  canvas.SetPen({.color = panel == raster::clWhite ? raster::clBlack : panel,
                 .width = 1,
                 .style = raster::PenStyle::psSolid,
                 .mode = raster::PenMode::pmNotXor});
  canvas.SetBrushStyle(BrushStyle::bsClear);
  canvas.Rectangle({zoom_.start_x, zoom_.start_y, zoom_.end_x, zoom_.end_y});
  canvas.SetPenMode(raster::PenMode::pmCopy);
}

void Chart::DrawZoomRectangleOnWindow() {
  if (host_ == nullptr) return;
  raster::ChartCanvas& canvas = Canvas();
  Bitmap* const previous = canvas.Target();
  canvas.RemoveClip();
  canvas.SetTarget(&host_->WindowPixels());
  DrawZoomRectangle();
  canvas.SetTarget(previous);
  // The off-screen image no longer matches the window: the next paint draws
  // in full, putting the rubber band back only while the drag goes on.
  canvas.SetImageStale(true);
  host_->WindowPixelsDrawn();
}

}  // namespace kep::chart
