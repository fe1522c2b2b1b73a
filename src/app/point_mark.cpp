#include "app/point_mark.h"

#include <QPainter>
#include <QPen>

namespace kep::app {

QRect PointMark::AreaAround(const std::optional<QPoint>& center) {
  if (!center) return {};
  return {center->x() - kReach, center->y() - kReach, 2 * kReach + 1, 2 * kReach + 1};
}

QRect PointMark::MoveTo(std::optional<QPoint> center, std::optional<QColor> color) {
  if (center == center_ && color == color_) return {};
  color_ = color;
  const QRect area = AreaAround(center_).united(AreaAround(center));
  center_ = center;
  return area;
}

void PointMark::Paint(QPainter& painter) const {
  if (!center_) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::NoBrush);
  // A white halo keeps the ring visible on the lines and on the grid.
  painter.setPen(QPen(Qt::white, 4));
  painter.drawEllipse(*center_, kRadius, kRadius);
  painter.setPen(QPen(color_.value_or(QColor(200, 0, 0)), 2));
  painter.drawEllipse(*center_, kRadius, kRadius);
  painter.restore();
}

}  // namespace kep::app
