#include "app/chart_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "app/qt_viewer_ui.h"
#include "viewer/program_chart.h"

namespace kep::app {

namespace {

constexpr int kWheelUnitsPerNotch = 120;

chart::ShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers) {
  return {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
          modifiers.testFlag(Qt::AltModifier)};
}

std::optional<chart::MouseButton> ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return chart::MouseButton::mbLeft;
    case Qt::RightButton:
      return chart::MouseButton::mbRight;
    case Qt::MiddleButton:
      return chart::MouseButton::mbMiddle;
    default:
      return std::nullopt;
  }
}

}  // namespace

ChartWidget::ChartWidget(chart::Chart& chart, QWidget* parent) : QWidget(parent), chart_(chart) {
  setObjectName("Chart1");
  // The chart paints every pixel of the widget, from its own image.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  chart_.SetHost(this);
}

ChartWidget::~ChartWidget() { chart_.SetHost(nullptr); }

QSize ChartWidget::sizeHint() const { return {viewer::kChartWidth, viewer::kChartHeight}; }

void ChartWidget::Invalidate() {
  paint_requested_ = true;
  update();
}

void ChartWidget::PaintNow() {
  paint_requested_ = true;
  repaint();
}

void ChartWidget::SetCursor(chart::CursorShape shape) {
  chart_cursor_ = shape == chart::CursorShape::kHand ? Qt::PointingHandCursor : Qt::ArrowCursor;
  if (!busy_) setCursor(chart_cursor_);
}

void ChartWidget::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  setCursor(busy ? Qt::BusyCursor : chart_cursor_);
}

// Errors stop at the widget's edge: an event handler must not let one reach
// the event loop, so it is shown like a command's error.
template <typename Action>
void ChartWidget::Guarded(Action&& action) {
  RunShowingErrors(window(), action);
}

// The window pixels keep what was last shown, so an expose only shows them
// again; the chart paints when it asked to, or when the screen's pixel ratio
// changed (the window moved to another screen).
void ChartWidget::paintEvent(QPaintEvent*) {
  if (devicePixelRatioF() != pixels_ratio_) FitPixels();
  if (paint_requested_) {
    paint_requested_ = false;
    Guarded([this] { chart_.Paint(); });
  }
  // A view of the chart's pixels, not a copy, at the chart's scale: one
  // pixel of it is one pixel of the screen.
  QImage image(reinterpret_cast<const uchar*>(pixels_.Pixels().data()), pixels_.Width(), pixels_.Height(),
               static_cast<qsizetype>(pixels_.Stride()) * 4, QImage::Format_RGB32);
  image.setDevicePixelRatio(chart_.Scale());
  QPainter painter(this);
  // Pixels that could not be had for this size leave the window white.
  const raster::ChartCanvas& canvas = chart_.Canvas();
  if (image.width() != canvas.ToDevice(width()) || image.height() != canvas.ToDevice(height())) {
    painter.fillRect(rect(), Qt::white);
  }
  painter.drawImage(0, 0, image);
  // The mark is drawn in the window's own, logical, pixels.
  mark_.Paint(painter);
}

void ChartWidget::SetMark(std::optional<QPoint> center, std::optional<QColor> color) {
  const QRect area = mark_.MoveTo(center, color);
  if (!area.isEmpty()) update(area);
}

// The pixels take the window's size here only, and at a change of the pixel
// ratio, so that a size they cannot have is reported once, not at every paint.
void ChartWidget::resizeEvent(QResizeEvent*) { FitPixels(); }

// The chart draws at the screen's pixel ratio and keeps its layout and the
// mouse in the widget's logical pixels.
void ChartWidget::FitPixels() {
  paint_requested_ = true;
  pixels_ratio_ = devicePixelRatioF();
  Guarded([this] {
    chart_.SetScale(pixels_ratio_);
    const raster::ChartCanvas& canvas = chart_.Canvas();
    pixels_.Resize(canvas.ToDevice(width()), canvas.ToDevice(height()));
    chart_.InvalidateChart();
  });
  // The plot moves with the size: the mark and the readout wait for the
  // pointer's next move, which finds them in the new layout.
  if (on_hover) on_hover(std::nullopt);
}

void ChartWidget::mousePressEvent(QMouseEvent* event) {
  const std::optional<chart::MouseButton> button = ButtonOf(event->button());
  if (!button) return;
  const QPoint p = event->position().toPoint();
  Guarded([&] { chart_.MouseDown(*button, ShiftStateOf(event->modifiers()), p.x(), p.y()); });
  InputHandled();
}

void ChartWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  Guarded([&] { chart_.MouseMove(ShiftStateOf(event->modifiers()), p.x(), p.y()); });
  InputHandled();
  if (on_hover) on_hover(event->buttons() == Qt::NoButton ? std::optional(p) : std::nullopt);
}

void ChartWidget::mouseReleaseEvent(QMouseEvent* event) {
  const std::optional<chart::MouseButton> button = ButtonOf(event->button());
  if (!button) return;
  const QPoint p = event->position().toPoint();
  Guarded([&] { chart_.MouseUp(*button, ShiftStateOf(event->modifiers()), p.x(), p.y()); });
  InputHandled();
}

void ChartWidget::wheelEvent(QWheelEvent* event) {
  // Movement is gathered until it makes whole notches of 120 units.
  wheel_units_ += event->angleDelta().y();
  const int notches = wheel_units_ / kWheelUnitsPerNotch;
  wheel_units_ -= notches * kWheelUnitsPerNotch;
  if (notches != 0) {
    Guarded([&] { chart_.MouseWheel(notches); });
    if (after_wheel) after_wheel(std::chrono::milliseconds(event->timestamp()));
  }
  event->accept();
}

void ChartWidget::leaveEvent(QEvent*) {
  Guarded([this] { chart_.MouseLeave(); });
  InputHandled();
  if (on_hover) on_hover(std::nullopt);
}

void ChartWidget::keyPressEvent(QKeyEvent* event) {
  std::optional<chart::ArrowKey> key;
  switch (event->key()) {
    case Qt::Key_Left:
      key = chart::ArrowKey::kLeft;
      break;
    case Qt::Key_Right:
      key = chart::ArrowKey::kRight;
      break;
    case Qt::Key_Up:
      key = chart::ArrowKey::kUp;
      break;
    case Qt::Key_Down:
      key = chart::ArrowKey::kDown;
      break;
    default:
      break;
  }
  bool handled = false;
  if (key) Guarded([&] { handled = chart_.KeyDown(*key); });
  if (handled) {
    InputHandled();
  } else {
    QWidget::keyPressEvent(event);
  }
}

void ChartWidget::InputHandled() {
  if (after_input) after_input();
}

}  // namespace kep::app
