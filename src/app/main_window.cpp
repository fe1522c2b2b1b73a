#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <chrono>
#include <new>
#include <utility>

#include "app/about_box.h"
#include "app/bitmap_image.h"
#include "app/chart_widget.h"
#include "app/elided_label.h"
#include "app/file_watch.h"
#include "app/load_status.h"
#include "app/local_path.h"
#include "app/messages.h"
#include "app/qt_clipboard.h"
#include "app/qt_viewer_ui.h"
#include "app/readout_status.h"
#include "app/reformat_dialog.h"
#include "app/window_placement.h"
#include "common/error.h"
#include "viewer/growth_text.h"
#include "viewer/sequence_loader.h"
#include "viewer/shown_text.h"

namespace kep::app {

namespace {

// A file's path as a menu entry: shown as the status bar shows a file's
// text, so that no control or direction mark in a name can disguise it, and
// with "&", which menus take as the mark of a shortcut letter, doubled.
QString MenuText(const std::string& path) {
  QString text = QString::fromStdString(viewer::ShownText(path));
  text.replace('&', "&&");
  return text;
}

// The About box's picture: a sample sequence drawn by the program's chart.
// At this size the plot is about 30 pixels high, so the left axis gets a
// title short enough to stand beside it, and the right margin leaves room
// for half of the last bottom label, which sits at the plot's right edge.
// It is drawn at the screen's pixel ratio, as sharp as the screen.
QImage SampleChartPicture(const std::string& samples_folder, const chart::NumberFormat& label_format,
                          double pixel_ratio) {
  constexpr int kWidth = 177, kHeight = 65;
  viewer::ProgramChart sample(label_format);
  sample.Chart().LeftAxis().Title().SetCaption("Digits");
  sample.Chart().SetMarginRight(7);
  try {
    viewer::LoadSequence(samples_folder + "/growth.kep", sample, {});
  } catch (const Error&) {
    // Without the sample the picture shows the empty chart.
  }
  sample.Chart().SetScale(pixel_ratio);
  const double scale = sample.Chart().Scale();
  QImage picture = ImageOfBitmap(sample.Chart().RenderToBitmap({0, 0, kWidth, kHeight}, scale));
  picture.setDevicePixelRatio(scale);
  return picture;
}

}  // namespace

MainWindow::MainWindow(std::string samples_folder, chart::NumberFormat label_format)
    : program_chart_(std::move(label_format)) {
  setObjectName("Form1");
  setWindowTitle(QString::fromUtf8(messages::kApplicationTitle));
  setWindowIcon(QIcon(":/kepgraph.png"));
  QFont form_font("Courier New");
  form_font.setPixelSize(13);
  form_font.setBold(true);
  setFont(form_font);
  // The menu bar keeps the desktop's menu font rather than the form's.
  // Every property of it is marked as set, so that none is inherited.
  QFont menu_font = QApplication::font("QMenuBar");
  menu_font.setResolveMask(QFont::AllPropertiesResolved);
  menuBar()->setFont(menu_font);
  setAcceptDrops(true);

  form2_ = std::make_unique<ReformatDialog>(this);
  ui_ = std::make_unique<QtViewerUi>(*this, *form2_);
  clipboard_ = std::make_unique<QtClipboard>();

  BuildFileMenu();
  BuildViewMenu();

  QMenu* about1 = menuBar()->addMenu("About");
  about1->setObjectName("About1");
  QAction* about2 = about1->addAction("About", this, [this] { About2Click(); });
  about2->setObjectName("About2");
  about1->setDefaultAction(about2);

  chart_widget_ = new ChartWidget(program_chart_.Chart(), this);
  setCentralWidget(chart_widget_);
  commands_ =
      std::make_unique<viewer::ViewerCommands>(program_chart_, *ui_, *clipboard_, std::move(samples_folder));
  chart_widget_->after_input = [this] { commands_->Views().InputHandled(); };
  chart_widget_->after_wheel = [this](std::chrono::milliseconds time) {
    commands_->Views().WheelHandled(time);
    readout1_->Refresh();  // the chart moved under the mouse
  };
  commands_->Views().OnChange = [this] { UpdateActions(); };
  // The arrow keys move the chart without a click first.
  chart_widget_->setFocus();
  CreateLoadParts();
  readout1_ = new ReadoutStatus(
      *chart_widget_, *load_status_, [this](int x, int y) { return commands_->ReadoutAt(x, y); }, this);
  chart_widget_->on_hover = [this](std::optional<QPoint> position) { readout1_->MouseAt(position); };
  growth_label_ = new ElidedLabel(this);
  growth_label_->setObjectName("GrowthLabel");
  growth_label_->hide();
  // Cut to the room the status bar has; the tooltip lists every sequence.
  // A line parts it from the readout or the load's text beside it.
  growth_separator_ = NewStatusSeparator(this);
  growth_separator_->setObjectName("GrowthSeparator1");
  statusBar()->addPermanentWidget(growth_separator_);
  statusBar()->addPermanentWidget(growth_label_, 1);
  // The growth follows every paint: zooms, pans, scrolls and followed
  // appends all end in one. It is read after the paint, from its layout.
  Chart1().OnAfterDraw = [this](chart::Chart&) {
    if (growth_update_pending_) return;
    growth_update_pending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { UpdateGrowth(); }, Qt::QueuedConnection);
  };

  // The window opens centred, sized so that the chart has its design size
  // unless an earlier run left another size.
  resize(viewer::kChartWidth,
         viewer::kChartHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  RestoreSettings();
  CenterOnScreen(*this);
  UpdateActions();
}

// The chart widget is a child that Qt would delete after the members, so it
// goes first, while the chart it shows still exists.
MainWindow::~MainWindow() { delete chart_widget_; }

void MainWindow::BuildFileMenu() {
  QMenu* file1 = menuBar()->addMenu("File");
  file1->setObjectName("File1");
  QAction* open1 = file1->addAction("Open sequence . . .", QKeySequence(Qt::CTRL | Qt::Key_O), this,
                                    [this] { Open1Click(); });
  open1->setObjectName("Open1");
  open1->setStatusTip("Open a sequence file");
  QAction* add1 = file1->addAction("Add sequence . . .", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), this,
                                   [this] { RunCommand([this] { commands_->AddSequence(); }); });
  add1->setObjectName("AddSequence1");
  add1->setStatusTip("Show one more sequence file on the same chart");
  open_recent1_ = file1->addMenu("Open recent");
  open_recent1_->setObjectName("OpenRecent1");
  open_recent1_->menuAction()->setStatusTip("Open a sequence file opened before");
  open_recent1_->setEnabled(false);
  ui_->on_recent_files_changed = [this](const std::vector<std::string>& files) { ShowRecentFiles(files); };
  reload1_ = file1->addAction("Reload", QKeySequence(Qt::Key_F5), this,
                              [this] { RunCommand([this] { commands_->Reload(); }); });
  reload1_->setObjectName("Reload1");
  reload1_->setStatusTip("Read the sequence file again");
  file1->addSeparator();
  save_image1_ = file1->addAction("Save image . . .", QKeySequence(Qt::CTRL | Qt::Key_S), this,
                                  [this] { SaveImage1Click(); });
  save_image1_->setObjectName("SaveImage1");
  save_image1_->setStatusTip("Save chart image");
  copy_chart1_ = file1->addAction("Copy chart", QKeySequence(Qt::CTRL | Qt::Key_C), this,
                                  [this] { RunCommand([this] { commands_->CopyChart(); }); });
  copy_chart1_->setObjectName("CopyChart1");
  copy_chart1_->setStatusTip("Copy the chart image to the clipboard");
  ui_->on_save_enabled = [this](bool enabled) {
    save_image1_->setEnabled(enabled);
    copy_chart1_->setEnabled(enabled);
  };
  BuildImageScaleMenu(*file1);
  file1->addSeparator();
  QAction* quit1 = file1->addAction("Quit", QKeySequence(Qt::CTRL | Qt::Key_Q), this, [this] { close(); });
  quit1->setObjectName("Quit1");
  quit1->setStatusTip("Close KEP Graph");
}

// The scale of saved GIF and PNG images: "1x" keeps the window's pixels,
// "2x" to "4x" draw the chart that many times as large, and as sharp.
void MainWindow::BuildImageScaleMenu(QMenu& file1) {
  QMenu* image_scale1 = file1.addMenu("Image scale");
  image_scale1->setObjectName("ImageScale1");
  image_scale1->menuAction()->setStatusTip("Choose the size of saved GIF and PNG images");
  auto* scales = new QActionGroup(image_scale1);
  for (int scale = 1; scale <= viewer::ViewerCommands::kMaxImageScale; ++scale) {
    QAction* item = image_scale1->addAction(QString("%1x").arg(scale), this,
                                            [this, scale] { commands_->SetImageScale(scale); });
    item->setObjectName(QString("ImageScale%1x").arg(scale));
    item->setStatusTip(scale == 1 ? QString("Save images with the window's pixels")
                                  : QString("Save images %1 times as large in each direction").arg(scale));
    item->setCheckable(true);
    item->setChecked(scale == 1);
    scales->addAction(item);
  }
  image_scale_items_ = image_scale1;
}

void MainWindow::BuildViewMenu() {
  QMenu* view1 = menuBar()->addMenu("View");
  view1->setObjectName("View1");
  QAction* reset_view1 = view1->addAction("Reset view", this,
                                          [this] { RunCommand([this] { commands_->Views().ResetView(); }); });
  reset_view1->setObjectName("ResetView1");
  reset_view1->setShortcuts({QKeySequence(Qt::Key_Home), QKeySequence(Qt::CTRL | Qt::Key_0)});
  reset_view1->setStatusTip("Show the whole chart, as opening the file shows it");
  back1_ = view1->addAction("Back", QKeySequence(Qt::ALT | Qt::Key_Left), this,
                            [this] { RunCommand([this] { commands_->Views().Back(); }); });
  back1_->setObjectName("Back1");
  back1_->setStatusTip("Show the view before");
  forward1_ = view1->addAction("Forward", QKeySequence(Qt::ALT | Qt::Key_Right), this,
                               [this] { RunCommand([this] { commands_->Views().Forward(); }); });
  forward1_->setObjectName("Forward1");
  forward1_->setStatusTip("Show the view after");
  view1->addSeparator();
  follow_file_changes1_ = view1->addAction(QString::fromUtf8(messages::kFollowFileChanges));
  follow_file_changes1_->setObjectName("FollowFileChanges1");
  follow_file_changes1_->setCheckable(true);
  follow_file_changes1_->setChecked(true);
  follow_file_changes1_->setStatusTip("Show what is appended to the file while it is written");
  view1->addSeparator();
  sequences1_ = view1->addMenu("Sequences");
  sequences1_->setObjectName("Sequences1");
  sequences1_->menuAction()->setStatusTip("Show, hide or remove the sequences on the chart");
  connect(sequences1_, &QMenu::aboutToShow, this, [this] { ListSequences(); });
  growth1_ = view1->addAction("Growth");
  growth1_->setObjectName("Growth1");
  growth1_->setCheckable(true);
  growth1_->setStatusTip("Show how fast each sequence grows over the points in view");
  connect(growth1_, &QAction::triggered, this, [this](bool on) {
    growth_chosen_ = on;
    UpdateGrowth();
  });
  view1->addSeparator();
  QMenu* term_column1 = view1->addMenu("Term column");
  term_column1->setObjectName("TermColumn1");
  term_column1->menuAction()->setStatusTip("Choose the word of each line that holds the term");
  auto* columns = new QActionGroup(term_column1);
  struct Choice {
    const char* caption;
    const char* name;
    const char* hint;
    sequence::TermColumn column;
  };
  for (const Choice& choice : {
           Choice{"Automatic", "ColumnAutomatic1",
                  "Word 2 or 3 as the file's second line shows, word 2 for b-files",
                  sequence::TermColumn::kAutomatic},
           Choice{"Word 2", "ColumnWord2", "Read the term from word 2 of every line",
                  sequence::TermColumn::kWord2},
           Choice{"Word 3", "ColumnWord3", "Read the term from word 3 of every line",
                  sequence::TermColumn::kWord3},
       }) {
    QAction* item = term_column1->addAction(choice.caption, this, [this, column = choice.column] {
      RunCommand([this, column] { commands_->SetTermColumn(column); });
    });
    item->setObjectName(choice.name);
    item->setStatusTip(choice.hint);
    item->setCheckable(true);
    item->setChecked(choice.column == sequence::TermColumn::kAutomatic);
    columns->addAction(item);
  }
}

void MainWindow::ListSequences() {
  sequences1_->clear();
  const std::vector<viewer::ViewerCommands::Sequence> sequences = commands_->Sequences();
  for (std::size_t i = 0; i < sequences.size(); ++i) {
    QAction* shown = sequences1_->addAction(MenuText(sequences[i].path), this, [this, i](bool on) {
      RunCommand([this, i, on] { commands_->SetSequenceShown(static_cast<int>(i), on); });
    });
    shown->setCheckable(true);
    shown->setChecked(sequences[i].series->Active());
    shown->setEnabled(!sequences[i].loading);
  }
  if (sequences.size() < 2) return;
  sequences1_->addSeparator();
  QMenu* remove1 = sequences1_->addMenu("Remove");
  remove1->setObjectName("Remove1");
  // The first file stays: File, "Open sequence . . ." replaces it.
  for (std::size_t i = 1; i < sequences.size(); ++i) {
    remove1->addAction(MenuText(sequences[i].path), this, [this, i] {
      RunCommand([this, i] { commands_->RemoveSequence(static_cast<int>(i)); });
    });
  }
}

void MainWindow::UpdateGrowth() {
  growth_update_pending_ = false;
  const std::vector<viewer::ViewerCommands::Sequence> sequences = commands_->Sequences();
  const bool on = growth_chosen_.value_or(sequences.size() >= 2);
  growth1_->setChecked(on);
  QStringList parts;
  if (on) {
    for (const viewer::ViewerCommands::Sequence& sequence : sequences) {
      if (!sequence.series->Active() || sequence.loading) continue;
      const std::string text =
          viewer::GrowthText(viewer::VisibleGrowth(*sequence.series), Chart1().LabelNumberFormat());
      parts.push_back(QString::fromStdString(sequence.series->Title() + ": " + text));
    }
  }
  growth_label_->SetFullText(parts.join("   "));
  growth_label_->setToolTip(parts.join("\n"));
  const bool shown = on && !parts.isEmpty();
  growth_label_->setVisible(shown);
  growth_separator_->setVisible(shown);
}

void MainWindow::ShowRecentFiles(const std::vector<std::string>& files) {
  // The list changes while one of its entries runs, so the old entries go
  // once the event loop has them no more.
  for (QAction* entry : open_recent1_->actions()) {
    open_recent1_->removeAction(entry);
    entry->deleteLater();
  }
  int number = 0;
  for (const std::string& file : files) {
    QAction* entry =
        open_recent1_->addAction(QString("&%1 %2").arg(++number % 10).arg(MenuText(file)), this,
                                 [this, file] { RunCommand([this, file] { commands_->OpenRecent(file); }); });
    entry->setStatusTip(QString::fromStdString(viewer::ShownText(file)));
  }
  open_recent1_->setEnabled(!files.empty());
  SaveSettings();
}

void MainWindow::UpdateActions() {
  // The views or the points may have changed under the mouse.
  if (readout1_) readout1_->Refresh();
  reload1_->setEnabled(!commands_->OpenFileName().empty());
  back1_->setEnabled(commands_->Views().CanGoBack());
  forward1_->setEnabled(commands_->Views().CanGoForward());
}

// ---- what the window keeps from one run to the next ----

namespace {

constexpr const char* kWindowSizeKey = "window/size";
constexpr const char* kOpenFolderKey = "folders/open";
constexpr const char* kSaveFolderKey = "folders/save";
constexpr const char* kRecentFilesKey = "files/recent";
constexpr const char* kFollowKey = "view/followFileChanges";
constexpr const char* kImageScaleKey = "file/imageScale";

// Paths are kept as their bytes, so that any file name comes back as it was.
std::string PathOf(const QVariant& value) { return value.toByteArray().toStdString(); }
QVariant ValueOf(const std::string& path) { return QByteArray::fromStdString(path); }

}  // namespace

void MainWindow::RestoreSettings() {
  // Everything is read before anything is applied, as applying saves the
  // settings again.
  const QSettings settings;
  const QSize size = settings.value(kWindowSizeKey).toSize();
  std::string open_dir = PathOf(settings.value(kOpenFolderKey));
  std::string save_dir = PathOf(settings.value(kSaveFolderKey));
  std::vector<std::string> recent;
  for (const QVariant& file : settings.value(kRecentFilesKey).toList()) recent.push_back(PathOf(file));
  const bool follow = settings.value(kFollowKey, true).toBool();
  const int image_scale = settings.value(kImageScaleKey, 1).toInt();

  if (size.isValid()) resize(size);
  commands_->SetLastFolders(std::move(open_dir), std::move(save_dir));
  commands_->SetRecentFiles(recent);
  follow_file_changes1_->setChecked(follow);
  commands_->SetImageScale(image_scale);
  const QString chosen = QString("ImageScale%1x").arg(commands_->ImageScale());
  for (QAction* item : image_scale_items_->actions()) item->setChecked(item->objectName() == chosen);
}

void MainWindow::SaveSettings() const {
  QSettings settings;
  settings.setValue(kWindowSizeKey, size());
  settings.setValue(kOpenFolderKey, ValueOf(commands_->LastOpenDir()));
  settings.setValue(kSaveFolderKey, ValueOf(commands_->LastSaveDir()));
  QVariantList recent;
  for (const std::string& file : commands_->RecentFileList()) recent.push_back(ValueOf(file));
  settings.setValue(kRecentFilesKey, recent);
  settings.setValue(kFollowKey, follow_file_changes1_->isChecked());
  settings.setValue(kImageScaleKey, commands_->ImageScale());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  SaveSettings();
  QMainWindow::closeEvent(event);
}

// Commands end at this boundary: an error is shown and the window goes on.
template <typename Command>
void MainWindow::RunCommand(Command&& command) {
  RunShowingErrors(this, command);
  UpdateActions();
  load_status_->Refresh();
}

void MainWindow::OpenFile(const std::string& path) {
  RunCommand([&] { commands_->OpenFile(path); });
}

void MainWindow::AddFile(const std::string& path) {
  RunCommand([&] { commands_->AddFile(path); });
}

void MainWindow::Open1Click() {
  RunCommand([this] { commands_->OpenSequence(); });
}

void MainWindow::CreateLoadParts() {
  viewer::LoadController& loads = commands_->Loads();
  // The worker only posts: everything else happens here, on the UI thread.
  loads.on_worker_event = [this] {
    QMetaObject::invokeMethod(
        this, [this] { LoadEnded(); }, Qt::QueuedConnection);
  };
  load_status_ = new LoadStatus(*this, *commands_, *chart_widget_, program_chart_.Chart());
  file_watch_ = new FileWatch(
      loads,
      [this] {
        // The added files are looked at with the first.
        commands_->CheckAddedFiles();
        load_status_->Refresh();
      },
      this);
  connect(follow_file_changes1_, &QAction::toggled, this, [this](bool on) {
    commands_->SetFollowing(on);
    file_watch_->Rewatch();
    load_status_->Refresh();
    SaveSettings();
  });
}

void MainWindow::LoadEnded() {
  RunCommand([this] { commands_->FinishLoad(); });
  file_watch_->Rewatch();
  // Changes that came while the file was read.
  if (!commands_->Loads().Loading()) file_watch_->LookSoon();
}

void MainWindow::SaveImage1Click() {
  RunCommand([this] { commands_->SaveImage(); });
}

void MainWindow::About2Click() {
  RunCommand([this] {
    AboutBox form3(
        SampleChartPicture(commands_->SamplesFolder(), Chart1().LabelNumberFormat(), devicePixelRatioF()),
        this);
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
  // With Ctrl held the files join the chart; otherwise the first replaces it.
  if (event->modifiers() & Qt::ControlModifier) {
    for (const QUrl& url : urls) {
      if (url.isLocalFile()) AddFile(LocalPath(url.toLocalFile()));
    }
    return;
  }
  OpenFile(LocalPath(urls.first().toLocalFile()));
}

}  // namespace kep::app
