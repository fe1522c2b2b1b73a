#pragma once

#include <QImage>
#include <QWidget>
#include <chrono>
#include <functional>
#include <optional>

#include "app/point_mark.h"
#include "chart/chart.h"
#include "chart/chart_host.h"
#include "raster/bitmap.h"

namespace kep::app {

// The window of a chart: it hands paint, size, mouse, wheel and key events to
// the chart and shows the chart's window pixels as they are, through a QImage
// over the same buffer. It never erases its background. A point mark may be
// shown over those pixels, without entering them.
//
// The chart draws at the screen's device pixel ratio, so that it is as sharp
// as the screen; its layout, the mouse and the mark stay in the widget's
// logical pixels.
class ChartWidget : public QWidget, public chart::ChartHost {
  Q_OBJECT

 public:
  ChartWidget(chart::Chart& chart, QWidget* parent = nullptr);
  ~ChartWidget() override;

  // ChartHost
  void Invalidate() override;
  void PaintNow() override;
  raster::Bitmap& WindowPixels() override { return pixels_; }
  void WindowPixelsDrawn() override { update(); }
  void SetCursor(chart::CursorShape shape) override;

  QSize sizeHint() const override;

  // Called after the chart has handled a mouse or key event, and after a
  // wheel event with the event's time.
  std::function<void()> after_input;
  std::function<void(std::chrono::milliseconds time)> after_wheel;
  // Where the mouse rests over the widget after a move with no button held;
  // nothing once it leaves, while a button is held, or after a resize.
  std::function<void(std::optional<QPoint> position)> on_hover;

  // Shows the point mark at center, or hides it.
  void SetMark(std::optional<QPoint> center, std::optional<QColor> color = std::nullopt);
  const PointMark& Mark() const { return mark_; }

  // While busy, the widget shows the busy cursor whatever the chart asks;
  // the chart's cursor comes back afterwards.
  void SetBusy(bool busy);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  template <typename Action>
  void Guarded(Action&& action);
  void InputHandled();
  void FitPixels();

  chart::Chart& chart_;
  raster::Bitmap pixels_;
  double pixels_ratio_ = 0;      // the device pixel ratio the pixels were made for
  int wheel_units_ = 0;          // wheel movement not yet delivered as a notch
  bool paint_requested_ = true;  // the chart asked to paint; otherwise the pixels are only shown
  bool busy_ = false;
  Qt::CursorShape chart_cursor_ = Qt::ArrowCursor;  // the cursor the chart asked for
  PointMark mark_;
};

}  // namespace kep::app
