#pragma once

#include <QObject>
#include <QTimer>

#include "app/elided_label.h"

class QFrame;
class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QShortcut;

namespace kep::chart {
class Chart;
}

namespace kep::viewer {
class ViewerCommands;
}

namespace kep::app {

class ChartWidget;

// A thin sunken line that parts two texts in the status bar.
QFrame* NewStatusSeparator(QWidget* parent);

// The status bar's part in loading and following. While a whole file is
// read it shows the bytes read as a percentage and the lines so far, a
// Cancel button (Escape does the same) and the busy cursor over the chart;
// at rest it shows the chart's points, their largest digit count and
// whether the file is followed, and says so when every point has digit
// count 0. In place of that text it can show a readout of what lies under
// the mouse, cut to fit; the progress of a load stays beside it, parted from
// it by a line. Counts are grouped as the chart's labels group digits, and
// file names and errors show as a readout shows a file's text, so that the
// bar stays one line high and no text in it widens the window.
class LoadStatus : public QObject {
  Q_OBJECT

 public:
  LoadStatus(QMainWindow& window, viewer::ViewerCommands& commands, ChartWidget& chart_view,
             const chart::Chart& chart);

  // Shows the loads' state as it is now.
  void Refresh();
  // Shows text beside the state; empty text hides it.
  void SetReadout(const QString& text);

  QLabel& Message() { return *message_; }
  ElidedLabel& Readout() { return *readout_; }
  // The line between the progress of a load and a readout.
  QFrame& Separator() { return *separator_; }
  QProgressBar& Progress() { return *progress_; }
  QPushButton& CancelButton() { return *cancel_; }

 private:
  void Cancel();
  void ShowMessageOrReadout();
  QString Number(std::uint64_t value) const;

  viewer::ViewerCommands& commands_;
  ChartWidget& chart_view_;
  const chart::Chart& chart_;
  QLabel* message_;
  QFrame* separator_;
  ElidedLabel* readout_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  QShortcut* escape_;
  QTimer progress_timer_;  // refreshes the progress while a file loads
};

}  // namespace kep::app
