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
  chart_.SetMark(point && point->mark_inside ? std::optional(QPoint(point->mark.x, point->mark.y))
                                             : std::nullopt);
  status_.SetReadout(point ? QString::fromStdString(point->text) : QString());
}

}  // namespace kep::app
