#pragma once

#include <QObject>
#include <QPoint>
#include <functional>
#include <optional>

#include "viewer/readout.h"

namespace kep::app {

class ChartWidget;
class LoadStatus;

// Reads the chart under the mouse: while the mouse rests over the plot area,
// the status bar shows the readout of the point nearest to it and the chart
// widget marks that point; elsewhere neither shows.
class ReadoutStatus : public QObject {
  Q_OBJECT

 public:
  using Lookup = std::function<std::optional<viewer::ReadoutPoint>(int x, int y)>;
  ReadoutStatus(ChartWidget& chart, LoadStatus& status, Lookup lookup, QObject* parent = nullptr);

  // The mouse rests at position over the chart widget, or has left it.
  void MouseAt(std::optional<QPoint> position);
  // Looks up again where the mouse rests: the chart has moved or changed.
  void Refresh();

 private:
  ChartWidget& chart_;
  LoadStatus& status_;
  Lookup lookup_;
  std::optional<QPoint> mouse_;
};

}  // namespace kep::app
