#include "app/readout_status.h"

#include "app/chart_widget.h"
#include "app/load_status.h"

namespace kep::app {

ReadoutStatus::ReadoutStatus(ChartWidget& chart, LoadStatus& status, Lookup lookup, QObject* parent)
    : QObject(parent), chart_(chart), status_(status), lookup_(std::move(lookup)) {}

void ReadoutStatus::MouseAt(std::optional<QPoint> position) {
  mouse_ = position;
  Refresh();
}

void ReadoutStatus::Refresh() {
  std::optional<viewer::ReadoutPoint> point;
  if (mouse_) point = lookup_(mouse_->x(), mouse_->y());
  std::optional<QColor> color;
  if (point && point->series_color) {
    color = QColor(point->series_color->Red(), point->series_color->Green(), point->series_color->Blue());
  }
  chart_.SetMark(
      point && point->mark_inside ? std::optional(QPoint(point->mark.x, point->mark.y)) : std::nullopt,
      color);
  status_.SetReadout(point ? QString::fromStdString(point->text) : QString());
}

}  // namespace kep::app
