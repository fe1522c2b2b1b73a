#include "app/load_status.h"

#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>

#include "app/chart_widget.h"
#include "app/elided_label.h"
#include "app/messages.h"
#include "chart/chart.h"
#include "sequence/file_path.h"
#include "viewer/readout.h"
#include "viewer/shown_text.h"
#include "viewer/viewer_commands.h"

namespace kep::app {

namespace {

constexpr int kProgressSteps = 1000;
constexpr int kRefreshesPerSecond = 10;

// A file's name or an error about it, as a readout shows a file's text.
QString Shown(std::string_view text) { return QString::fromStdString(viewer::ShownText(text)); }

}  // namespace

QFrame* NewStatusSeparator(QWidget* parent) {
  auto* separator = new QFrame(parent);
  separator->setFrameShape(QFrame::VLine);
  separator->setFrameShadow(QFrame::Sunken);
  separator->hide();
  return separator;
}

LoadStatus::LoadStatus(QMainWindow& window, viewer::ViewerCommands& commands, ChartWidget& chart_view,
                       const chart::Chart& chart)
    : QObject(&window), commands_(commands), chart_view_(chart_view), chart_(chart) {
  QStatusBar* bar = window.statusBar();
  bar->setObjectName("StatusBar1");
  message_ = new QLabel(bar);
  message_->setObjectName("LoadMessage1");
  message_->setTextFormat(Qt::PlainText);
  // A long name is cut rather than widening the window.
  message_->setMinimumWidth(1);
  message_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  separator_ = NewStatusSeparator(bar);
  separator_->setObjectName("StatusSeparator1");
  readout_ = new ElidedLabel(bar);
  readout_->setObjectName("Readout1");
  readout_->hide();
  progress_ = new QProgressBar(bar);
  progress_->setObjectName("LoadProgress1");
  progress_->setRange(0, kProgressSteps);
  progress_->setMaximumWidth(200);
  cancel_ = new QPushButton(QString::fromUtf8(messages::kCancelLoad), bar);
  cancel_->setObjectName("CancelLoad1");
  bar->addWidget(message_);
  bar->addWidget(separator_);
  bar->addWidget(readout_, 1);
  bar->addPermanentWidget(progress_);
  bar->addPermanentWidget(cancel_);
  connect(cancel_, &QPushButton::clicked, this, [this] { Cancel(); });
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
  escape_->setContext(Qt::WindowShortcut);
  connect(escape_, &QShortcut::activated, this, [this] { Cancel(); });
  progress_timer_.setInterval(1000 / kRefreshesPerSecond);
  connect(&progress_timer_, &QTimer::timeout, this, [this] { Refresh(); });
  Refresh();
}

QString LoadStatus::Number(std::uint64_t value) const {
  return QString::fromStdString(chart_.LabelNumberFormat().Count(static_cast<double>(value)));
}

void LoadStatus::Cancel() {
  commands_.CancelLoad();
  Refresh();
}

void LoadStatus::SetReadout(const QString& text) {
  readout_->SetFullText(text);
  readout_->setVisible(!text.isEmpty());
  ShowMessageOrReadout();
}

// A readout takes the whole bar, except for the progress of a load.
void LoadStatus::ShowMessageOrReadout() {
  const bool readout = !readout_->FullText().isEmpty();
  const bool message = !readout || commands_.WholeFileRead() != nullptr;
  message_->setVisible(message);
  separator_->setVisible(message && readout);
}

void LoadStatus::Refresh() {
  const viewer::LoadController& loads = commands_.Loads();
  // Added files show their reading as the first file does.
  const viewer::LoadController* reading = commands_.WholeFileRead();
  const bool loading = reading != nullptr;
  ShowMessageOrReadout();
  progress_->setVisible(loading);
  cancel_->setVisible(loading);
  escape_->setEnabled(loading);
  chart_view_.SetBusy(loading);
  if (loading) {
    if (!progress_timer_.isActive()) progress_timer_.start();
    const viewer::LoadProgress progress = reading->Progress();
    const double done = progress.bytes_total == 0 ? 0.0
                                                  : static_cast<double>(progress.bytes_read) /
                                                        static_cast<double>(progress.bytes_total);
    progress_->setValue(static_cast<int>(std::min(done, 1.0) * kProgressSteps));
    message_->setText(QString::fromUtf8(messages::kLoading)
                          .arg(Shown(sequence::FileNameOf(reading->LoadingPath())), Number(progress.lines)));
    return;
  }
  progress_timer_.stop();
  QString text;
  switch (loads.State()) {
    case viewer::FollowState::kNoFile:
      break;
    case viewer::FollowState::kVanished:
      text = QString::fromUtf8(messages::kFileNotFound);
      break;
    case viewer::FollowState::kOff:
    case viewer::FollowState::kFollowing: {
      const viewer::PointSummary& summary = loads.Summary();
      text = QString::fromUtf8(messages::kPointsAtRest)
                 .arg(Number(summary.points), Number(summary.largest_digit_count),
                      QString::fromUtf8(loads.Following() ? messages::kFollowing : messages::kNotFollowing));
      if (const std::optional<std::string> all_zero = viewer::AllZeroNotice(summary)) {
        text += QString::fromUtf8(messages::kNoteSeparator) + QString::fromStdString(*all_zero);
      }
      if (!loads.FollowError().empty()) {
        text += QString::fromUtf8(messages::kFollowFailed).arg(Shown(loads.FollowError()));
      }
      break;
    }
  }
  message_->setText(text);
}

}  // namespace kep::app
