#pragma once

#include <QObject>
#include <QTimer>

#include "app/elided_label.h"

class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QShortcut;

namespace kep::viewer {
class ViewerCommands;
}

namespace kep::app {

class ChartWidget;

// The status bar's part in loading and following. While a whole file is
// read it shows the bytes read as a percentage and the lines so far, a
// Cancel button (Escape does the same) and the busy cursor over the chart;
// at rest it shows the chart's points, their largest digit count and
// whether the file is followed, and says so when every point has digit
// count 0. In place of that text it can show a readout of what lies under
// the mouse, cut to fit; the progress of a load stays beside it.
class LoadStatus : public QObject {
  Q_OBJECT

 public:
  LoadStatus(QMainWindow& window, viewer::ViewerCommands& commands, ChartWidget& chart_view);

  // Shows the loads' state as it is now.
  void Refresh();
  // Shows text beside the state; empty text hides it.
  void SetReadout(const QString& text);

  QLabel& Message() { return *message_; }
  ElidedLabel& Readout() { return *readout_; }
  QProgressBar& Progress() { return *progress_; }
  QPushButton& CancelButton() { return *cancel_; }

 private:
  void Cancel();
  void ShowMessageOrReadout();

  viewer::ViewerCommands& commands_;
  ChartWidget& chart_view_;
  QLabel* message_;
  ElidedLabel* readout_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  QShortcut* escape_;
  QTimer progress_timer_;  // refreshes the progress while a file loads
};

}  // namespace kep::app
