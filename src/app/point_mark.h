#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <optional>

class QPainter;

namespace kep::app {

// A small ring that marks one point of the chart on the window. It is drawn
// over the chart's pixels when the widget shows them, and never into them,
// so captures, the clipboard and saved images do not contain it.
class PointMark {
 public:
  // The ring's radius and the pixels it may cover around its centre.
  static constexpr int kRadius = 5;
  static constexpr int kReach = kRadius + 3;

  const std::optional<QPoint>& Center() const { return center_; }
  // Moves the mark (nothing hides it) and returns the widget area to repaint.
  // The ring is red, or color when given (the colour of the series marked).
  QRect MoveTo(std::optional<QPoint> center, std::optional<QColor> color = std::nullopt);
  void Paint(QPainter& painter) const;

 private:
  static QRect AreaAround(const std::optional<QPoint>& center);

  std::optional<QPoint> center_;
  std::optional<QColor> color_;
};

}  // namespace kep::app
