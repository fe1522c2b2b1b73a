#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <new>

#include "app/about_box.h"
#include "app/chart_widget.h"
#include "app/messages.h"
#include "app/qt_clipboard.h"
#include "app/qt_viewer_ui.h"
#include "app/reformat_dialog.h"
#include "common/error.h"
#include "viewer/sequence_loader.h"

namespace kep::app {

namespace {

constexpr int kChartWidth = 753;
constexpr int kChartHeight = 561;

// The About box's picture: a sample sequence drawn by the program's chart.
QImage SampleChartPicture(const std::string& samples_folder) {
  constexpr int kWidth = 177, kHeight = 65;
  viewer::ProgramChart sample;
  try {
    viewer::LoadSequence(samples_folder + "/growth.kep", sample, {});
  } catch (const Error&) {
    // Without the sample the picture shows the empty chart.
  }
  const raster::Bitmap bitmap = sample.Chart().RenderToBitmap({0, 0, kWidth, kHeight});
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) row[x] = 0xFF000000u | bitmap.Pixel(x, y);
  }
  return image;
}

}  // namespace

MainWindow::MainWindow(std::string samples_folder) {
  setObjectName("Form1");
  setWindowTitle(QString::fromUtf8(messages::kApplicationTitle));
  setWindowIcon(QIcon(":/kepgraph.png"));
  QFont form_font("Courier New");
  form_font.setPixelSize(13);
  form_font.setBold(true);
  setFont(form_font);
  setAcceptDrops(true);

  form2_ = std::make_unique<ReformatDialog>(this);
  ui_ = std::make_unique<QtViewerUi>(*this, *form2_);
  clipboard_ = std::make_unique<QtClipboard>();

  QMenu* file1 = menuBar()->addMenu("File");
  file1->setObjectName("File1");
  QAction* open1 = file1->addAction("Open sequence . . .", this, [this] { Open1Click(); });
  open1->setObjectName("Open1");
  open1->setStatusTip("Open a sequence file");
  save_image1_ = file1->addAction("Save image . . .", this, [this] { SaveImage1Click(); });
  save_image1_->setObjectName("SaveImage1");
  save_image1_->setStatusTip("Save chart image");
  save_image1_->setEnabled(false);
  ui_->on_save_enabled = [this](bool enabled) { save_image1_->setEnabled(enabled); };

  QMenu* about1 = menuBar()->addMenu("About");
  about1->setObjectName("About1");
  QAction* about2 = about1->addAction("About", this, [this] { About2Click(); });
  about2->setObjectName("About2");
  about1->setDefaultAction(about2);

  chart_widget_ = new ChartWidget(program_chart_.Chart(), this);
  setCentralWidget(chart_widget_);
  commands_ = std::make_unique<viewer::ViewerCommands>(program_chart_, *ui_, *clipboard_, std::move(samples_folder));

  // The window opens centred, sized so that the chart has its design size.
  resize(kChartWidth, kChartHeight + menuBar()->sizeHint().height());
  if (const QScreen* screen = QApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

// The chart widget is a child that Qt would delete after the members, so it
// goes first, while the chart it shows still exists.
MainWindow::~MainWindow() { delete chart_widget_; }

// Commands end at this boundary: an error is shown and the window goes on.
template <typename Command>
void MainWindow::RunCommand(Command&& command) {
  try {
    command();
  } catch (const Error& error) {
    ShowErrorBox(this, QString::fromStdString(DisplayMessage(error.what())));
  } catch (const std::bad_alloc&) {
    ShowErrorBox(this, QString::fromStdString(DisplayMessage(messages::kOutOfMemory)));
  } catch (const std::exception& error) {
    ShowErrorBox(this, QString::fromStdString(DisplayMessage(error.what())));
  }
}

void MainWindow::OpenFile(const std::string& path) {
  RunCommand([&] { commands_->OpenFile(path); });
}

void MainWindow::Open1Click() {
  RunCommand([this] { commands_->OpenSequence(); });
}

void MainWindow::SaveImage1Click() {
  RunCommand([this] { commands_->SaveImage(); });
}

void MainWindow::About2Click() {
  RunCommand([this] {
    AboutBox form3(SampleChartPicture(commands_->SamplesFolder()), this);
    form3.exec();
  });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile()) {
    event->acceptProposedAction();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  OpenFile(urls.first().toLocalFile().toStdString());
}

}  // namespace kep::app
