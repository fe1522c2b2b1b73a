// The desktop viewer's windows, menus, commands and mouse handling, driven
// through the real widgets. Modal dialogs are answered from a timer that runs
// inside their event loop.
#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <functional>
#include <map>

#include "answer_modal.h"
#include "app/about_box.h"
#include "app/chart_widget.h"
#include "app/elided_label.h"
#include "app/file_watch.h"
#include "app/installed_files.h"
#include "app/load_status.h"
#include "app/reformat_dialog.h"
#include "cli/render_command.h"
#include "gif/color_reduction.h"
#include "load_ends.h"
#include "png/png_check.h"
#include "support/address_space_limit.h"
#include "support/temp_dir.h"
#include "viewer/program_chart.h"

using kep::app::MainWindow;
using kep::test::AnswerModal;
using kep::test::LoadEnds;

namespace {

const std::string kSamples = KEP_SOURCE_DIR "/samples";

// Answers the next message box and returns (through text) what it said.
void AnswerMessageBox(QString& text) {
  AnswerModal<QMessageBox>([&text](QMessageBox& box) {
    text = box.text();
    box.accept();
  });
}

// Types path into the file name box, as a user does, and presses Open or
// Save. (selectFile would leave the box empty once it has the focus, which
// depends on when the window manager activates the dialog.) A dialog that
// refuses the answer is closed, so that the test fails instead of waiting.
void TypeFileNameAndAccept(QFileDialog& dialog, const QString& path) {
  dialog.findChild<QLineEdit*>("fileNameEdit")->setText(path);
  QMetaObject::invokeMethod(&dialog, "accept");
  if (dialog.isVisible()) {
    dialog.reject();
    QFAIL(qPrintable("the file dialog refused " + path));
  }
}

void AnswerFileDialog(const QString& path) {
  AnswerModal<QFileDialog>([path](QFileDialog& dialog) { TypeFileNameAndAccept(dialog, path); });
}

void CancelFileDialog() {
  AnswerModal<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
}

QAction* ActionNamed(MainWindow& window, const char* name) { return window.findChild<QAction*>(name); }

// The bitmap's colours as the web palette reduces them, as 0xAARRGGBB.
std::vector<QRgb> WebPaletteColours(const kep::raster::Bitmap& bitmap) {
  const auto view =
      kep::gif::BitmapView::XRGB32(bitmap.Pixels().data(), bitmap.Width(), bitmap.Height(), bitmap.Stride());
  const kep::gif::IndexedBitmap indexed = kep::gif::ReduceBitmapColors(
      view, kep::gif::ReductionMethod::kWebPalette, kep::gif::DitherMode::kNearest, 8);
  std::vector<QRgb> colours;
  for (const std::uint8_t index : indexed.indices) {
    const kep::gif::GIFColor c = indexed.palette[index];
    colours.push_back(qRgb(c.red, c.green, c.blue));
  }
  return colours;
}

kep::raster::Bitmap Picture(MainWindow& window) {
  return window.Chart1().RenderToBitmap(window.Chart1().ClientRect());
}

// The chart of a newly started viewer that opened path.
kep::raster::Bitmap FreshPicture(const std::string& path) {
  MainWindow fresh(kSamples);
  fresh.show();
  fresh.OpenFile(path);
  LoadEnds(fresh);
  return Picture(fresh);
}

void Drag(QWidget& view, Qt::MouseButton button, QPoint from, QPoint to) {
  QTest::mousePress(&view, button, {}, from);
  QTest::mouseMove(&view, (from + to) / 2);
  QTest::mouseMove(&view, to);
  QTest::mouseRelease(&view, button, {}, to);
}

// Wheel notches toward the user at time (milliseconds).
void WheelDown(QWidget& view, int notches, ulong time) {
  const QPointF at(300, 300);
  QWheelEvent wheel(at, view.mapToGlobal(at), {}, {0, -120 * notches}, Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  wheel.setTimestamp(time);
  QApplication::sendEvent(&view, &wheel);
}

QStringList EntriesOf(QMenu& menu) {
  QStringList texts;
  for (const QAction* action : menu.actions()) texts << action->text();
  return texts;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // The settings of these runs go to Qt's test folder, never to the user's.
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("kepgraph-tests");
    QCoreApplication::setApplicationName("app_tests");
  }
  void init() { QSettings().clear(); }
  void cleanupTestCase() { QSettings().clear(); }

  void StartsWithMenusAndTheSaveCommandDisabled() {
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    QCOMPARE(form1.windowTitle(), QString("KEP Graph"));
    QCOMPARE(ActionNamed(form1, "Open1")->text(), QString("Open sequence . . ."));
    QCOMPARE(ActionNamed(form1, "SaveImage1")->text(), QString("Save image . . ."));
    QVERIFY(!ActionNamed(form1, "SaveImage1")->isEnabled());
    QMenu* about1 = form1.findChild<QMenu*>("About1");
    QCOMPARE(about1->defaultAction(), ActionNamed(form1, "About2"));
    QCOMPARE(form1.ChartView().size(), QSize(kep::viewer::kChartWidth, kep::viewer::kChartHeight));
    QVERIFY(form1.Form2().isHidden());
    // The menu bar is in the desktop's menu font, not in the form's.
    QCOMPARE(form1.menuBar()->font(), QApplication::font("QMenuBar"));
    QVERIFY(form1.menuBar()->font() != form1.font());
  }

  void OpenDialogShowsItsFiltersAndAllFilesMatchesEveryName() {
    MainWindow form1(kSamples);
    QStringList shown;
    QStringList all_files_patterns;
    AnswerModal<QFileDialog>([&](QFileDialog& dialog) {
      auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
      for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
      emit types->activated(2);  // as the user chooses "All files (*.*)"
      all_files_patterns = dialog.findChild<QFileSystemModel*>()->nameFilters();
      dialog.reject();
    });
    ActionNamed(form1, "Open1")->trigger();
    QCOMPARE(shown, QStringList({"Tavrine sequence (*.kep)", "Text files (*.txt)", "All files (*.*)"}));
    QCOMPARE(all_files_patterns, QStringList({"*"}));  // "*.*" would miss SQ files
  }

  void OpensAFileAndEnablesSaving() {
    MainWindow form1(kSamples);
    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Chart1().Title().Text().at(0), std::string("Sequence file: growth.kep"));
    QCOMPARE(form1.Chart1().LeftAxis().Maximum(), 870.0);  // 400! has 869 digits
    QVERIFY(!form1.Chart1().LeftAxis().Automatic());
    QVERIFY(ActionNamed(form1, "SaveImage1")->isEnabled());
    QCOMPARE(form1.Commands().LastOpenDir(), kSamples);
  }

  void AddsHidesAndRemovesSequencesAndShowsTheirGrowth() {
    MainWindow form1(kSamples);
    form1.show();
    form1.OpenFile(kSamples + "/fibonacci.txt");
    QVERIFY(LoadEnds(form1));
    QVERIFY(!form1.GrowthAction().isChecked());  // off with one sequence
    QVERIFY(form1.GrowthLabel().isHidden());
    AnswerFileDialog(QString::fromStdString(kSamples + "/SQ3POW"));
    ActionNamed(form1, "AddSequence1")->trigger();
    const auto all_loaded = [&form1] {
      for (const auto& sequence : form1.Commands().Sequences()) {
        if (sequence.loading) return false;
      }
      return !form1.Commands().Loads().Loading();
    };
    QVERIFY(QTest::qWaitFor(all_loaded, 10000));
    QCOMPARE(ActionNamed(form1, "AddSequence1")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    QCOMPARE(form1.Commands().Sequences().size(), std::size_t{2});
    // The growth of both, after the paint.
    QVERIFY(QTest::qWaitFor([&form1] { return form1.GrowthLabel().FullText().contains("SQ3POW"); }, 5000));
    QVERIFY(form1.GrowthLabel().isVisible());
    // A line parts it from the text beside it.
    QVERIFY(form1.findChild<QFrame*>("GrowthSeparator1")->isVisible());
    QVERIFY(form1.GrowthAction().isChecked());
    QCOMPARE(form1.GrowthLabel().FullText(),
             QString::fromUtf8("fibonacci.txt: +0.2090 digits/line (\u00d71.618 per term)   "
                               "SQ3POW: +0.4771 digits/line (\u00d73.000 per term)"));

    // Adding it again is refused with a message.
    QString said;
    AnswerMessageBox(said);
    form1.AddFile(kSamples + "/SQ3POW");
    QVERIFY(said.contains("is already shown"));

    // View, Sequences: a check box each, and Remove for the added one.
    QMenu& sequences = form1.SequencesMenu();
    emit sequences.aboutToShow();
    QCOMPARE(EntriesOf(sequences).first(), QString::fromStdString(kSamples + "/fibonacci.txt"));
    QAction* second = sequences.actions().at(1);
    QVERIFY(second->isChecked());
    second->trigger();
    QVERIFY(!form1.Commands().Sequences().at(1).series->Active());
    emit sequences.aboutToShow();
    QMenu* remove = sequences.findChild<QMenu*>("Remove1");
    QVERIFY(remove != nullptr);
    remove->actions().first()->trigger();
    QCOMPARE(form1.Commands().Sequences().size(), std::size_t{1});
    // With one sequence again, the picture is the one of that file alone.
    QCOMPARE(Picture(form1).Pixels().size(), FreshPicture(kSamples + "/fibonacci.txt").Pixels().size());
    QVERIFY(Picture(form1) == FreshPicture(kSamples + "/fibonacci.txt"));
    QVERIFY(QTest::qWaitFor([&form1] { return form1.GrowthLabel().isHidden(); }, 5000));
    QVERIFY(form1.findChild<QFrame*>("GrowthSeparator1")->isHidden());
  }

  void OpenDialogReformatsAnSQFileAndCancelChangesNothing() {
    MainWindow form1(kSamples);
    AnswerFileDialog(QString::fromStdString(kSamples + "/SQ3POW"));
    ActionNamed(form1, "Open1")->trigger();
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Chart1().Title().Text().at(0), std::string("Sequence file: SQ3POW"));
    QVERIFY(form1.Form2().isHidden());
    const int points = form1.Chart1().SeriesList()[0]->PointCount();
    QCOMPARE(points, 500);

    form1.Chart1().ZoomToValues({.bottom = {10, 20}, .top = {0, 1}, .left = {0, 5}, .right = {0, 1}});
    CancelFileDialog();
    ActionNamed(form1, "Open1")->trigger();
    QVERIFY(form1.Chart1().HasZoom());  // a cancel neither reloads nor undoes the zoom
  }

  // The status bar groups digits as the chart's labels do, whatever the
  // process's locale says.
  void TheStatusBarGroupsDigitsAsTheLabelsDo() {
    kep::test::TempDir dir;
    std::string text;
    for (int n = 1; n <= 1234; ++n) text += std::to_string(n) + " 7\n";
    MainWindow form1(kSamples, kep::chart::NumberFormat("'", ","));
    form1.OpenFile(dir.Write("many.kep", text));
    QVERIFY(LoadEnds(form1));
    QVERIFY(form1.Status().Message().text().startsWith("1'234 points"));
  }

  void LoadErrorsAreShownAndLeaveWhatTheLoadDid() {
    kep::test::TempDir dir;
    MainWindow form1(kSamples);
    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));

    QString text;
    AnswerMessageBox(text);
    form1.OpenFile(dir.Write("one.kep", "1 22 = x\n"));
    QVERIFY(LoadEnds(form1));
    QCOMPARE(text, QString("List index out of bounds (1)"));
    QCOMPARE(form1.Chart1().Title().Text().at(0), std::string("Sequence file: one.kep"));
    QCOMPARE(form1.Chart1().SeriesList()[0]->PointCount(), 0);
    QCOMPARE(form1.Chart1().LeftAxis().Maximum(), 870.0);  // the left axis keeps its top
    QVERIFY(ActionNamed(form1, "SaveImage1")->isEnabled());
    QCOMPARE(form1.Commands().LastOpenDir(), dir.path().string());
    // The file stays followed, and shows its points once it can be read.
    kep::test::AppendToFile(dir.File("one.kep"), "2 333 = y\n");
    form1.Watch().LookNow();
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Chart1().SeriesList()[0]->PointCount(), 2);

    AnswerMessageBox(text);
    form1.OpenFile(dir.File("missing.kep"));
    QVERIFY(LoadEnds(form1));
    QCOMPARE(text, QString::fromStdString("Cannot open file \"" + dir.File("missing.kep") +
                                          "\". No such file or directory."));
    QCOMPARE(form1.Chart1().Title().Text().at(0), std::string("Sequence file: one.kep"));
  }

  void SavesTheChartAsAGifAndLeavesItOnTheClipboard() {
    kep::test::TempDir dir;
    MainWindow form1(kSamples);
    form1.show();
    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    const QString target = QString::fromStdString(dir.File("growth.gif"));
    AnswerFileDialog(target);
    ActionNamed(form1, "SaveImage1")->trigger();

    const kep::raster::Bitmap chart = form1.Chart1().RenderToBitmap(form1.Chart1().ClientRect());
    QImage saved(target, "GIF");
    QVERIFY(!saved.isNull());
    QCOMPARE(saved.size(), QSize(chart.Width(), chart.Height()));
    const std::vector<QRgb> expected = WebPaletteColours(chart);
    const QImage rgb = saved.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
      for (int x = 0; x < rgb.width(); ++x) {
        QCOMPARE(rgb.pixel(x, y), expected[static_cast<std::size_t>(y) * rgb.width() + x]);
      }
    }
    const QImage clipboard = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(clipboard.size(), saved.size());
    QCOMPARE(clipboard.pixel(400, 300) & 0xFFFFFF, chart.Pixel(400, 300));
    QCOMPARE(form1.Commands().LastSaveDir(), dir.path().string());
  }

  void OtherExtensionsAreNotWrittenButTheFolderIsRemembered() {
    kep::test::TempDir dir;
    MainWindow form1(kSamples);
    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    AnswerFileDialog(QString::fromStdString(dir.File("chart.jpg")));
    QString text;
    QTimer::singleShot(0, [&text] { AnswerMessageBox(text); });
    ActionNamed(form1, "SaveImage1")->trigger();
    QCOMPARE(text,
             QString("Images can only be saved as GIF, PNG, SVG or PDF files (*.gif, *.png, *.svg, *.pdf)."));
    QVERIFY(!std::filesystem::exists(dir.File("chart.jpg")));
    QCOMPARE(form1.Commands().LastSaveDir(), dir.path().string());
  }

  void MouseDragsZoomUndoAndPan() {
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    kep::app::ChartWidget& view = form1.ChartView();
    kep::chart::Chart& chart = form1.Chart1();

    QTest::mousePress(&view, Qt::LeftButton, {}, {200, 150});
    QTest::mouseMove(&view, {260, 220});
    QTest::mouseRelease(&view, Qt::LeftButton, {}, {300, 250});
    QVERIFY(chart.HasZoom());
    const double zoomed_bottom_minimum = chart.BottomAxis().Minimum();
    QVERIFY(zoomed_bottom_minimum > 1);

    QTest::mousePress(&view, Qt::RightButton, {}, {300, 300});
    QTest::mouseMove(&view, {340, 300});
    QTest::mouseRelease(&view, Qt::RightButton, {}, {340, 300});
    QVERIFY(chart.BottomAxis().Minimum() < zoomed_bottom_minimum);  // dragged right: lower values

    QTest::mousePress(&view, Qt::LeftButton, {}, {300, 250});
    QTest::mouseRelease(&view, Qt::LeftButton, {}, {200, 150});
    QVERIFY(!chart.HasZoom());
    QVERIFY(chart.BottomAxis().Automatic());
  }

  void TheUsualKeysReachTheirCommandsAndTheChartHasTheFocus() {
    const std::pair<const char*, QList<QKeySequence>> expected[] = {
        {"Open1", {QKeySequence("Ctrl+O")}},
        {"Reload1", {QKeySequence("F5")}},
        {"SaveImage1", {QKeySequence("Ctrl+S")}},
        {"CopyChart1", {QKeySequence("Ctrl+C")}},
        {"Quit1", {QKeySequence("Ctrl+Q")}},
        {"ResetView1", {QKeySequence("Home"), QKeySequence("Ctrl+0")}},
        {"Back1", {QKeySequence("Alt+Left")}},
        {"Forward1", {QKeySequence("Alt+Right")}},
    };
    MainWindow form1(kSamples);
    for (const auto& [name, keys] : expected) QCOMPARE(ActionNamed(form1, name)->shortcuts(), keys);
    QVERIFY(!ActionNamed(form1, "Reload1")->isEnabled());
    QVERIFY(!ActionNamed(form1, "CopyChart1")->isEnabled());
    QVERIFY(!ActionNamed(form1, "Back1")->isEnabled());
    form1.show();
    QVERIFY(QTest::qWaitForWindowActive(&form1));
    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    QCOMPARE(QApplication::focusWidget(), &form1.ChartView());

    // The arrow keys move the chart without a click first; Home brings it back.
    const kep::raster::Bitmap fresh = Picture(form1);
    QTest::keyClick(&form1.ChartView(), Qt::Key_Right);
    QVERIFY(!form1.Chart1().BottomAxis().Automatic());
    QTest::keyClick(&form1.ChartView(), Qt::Key_Home);
    QVERIFY(Picture(form1) == fresh);
    QTest::keyClick(&form1.ChartView(), Qt::Key_Left, Qt::AltModifier);
    QVERIFY(!form1.Chart1().BottomAxis().Automatic());
    QTest::keyClick(&form1.ChartView(), Qt::Key_Right, Qt::AltModifier);
    QVERIFY(Picture(form1) == fresh);
    QTest::keyClick(&form1.ChartView(), Qt::Key_0, Qt::ControlModifier);  // nothing left to reset
    QVERIFY(ActionNamed(form1, "Back1")->isEnabled());
    QVERIFY(!ActionNamed(form1, "Forward1")->isEnabled());

    QApplication::clipboard()->clear();
    QTest::keyClick(&form1.ChartView(), Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(copied.size(), QSize(fresh.Width(), fresh.Height()));
    QCOMPARE(copied.pixel(400, 300) & 0xFFFFFF, fresh.Pixel(400, 300));

    QTest::keyClick(&form1.ChartView(), Qt::Key_F5);
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Commands().Views().StepCount(), std::size_t{1});  // reloading starts the views again
    QTest::keyClick(&form1.ChartView(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!form1.isVisible());
  }

  void ResetViewAfterZoomWheelPanAndKeysShowsTheFreshChart() {
    const std::string file = kSamples + "/growth.kep";
    const kep::raster::Bitmap fresh = FreshPicture(file);
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.OpenFile(file);
    QVERIFY(LoadEnds(form1));
    kep::app::ChartWidget& view = form1.ChartView();
    QVERIFY(Picture(form1) == fresh);

    Drag(view, Qt::LeftButton, {200, 150}, {400, 350});
    WheelDown(view, 1, 1000);
    WheelDown(view, 2, 1100);  // the same burst
    Drag(view, Qt::RightButton, {300, 300}, {350, 280});
    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Left);
    QCOMPARE(form1.Commands().Views().StepCount(), std::size_t{6});
    const kep::raster::Bitmap moved = Picture(form1);
    QVERIFY(moved != fresh);

    ActionNamed(form1, "ResetView1")->trigger();
    QVERIFY(Picture(form1) == fresh);
    QVERIFY(!form1.Chart1().HasZoom());
    ActionNamed(form1, "Back1")->trigger();
    QVERIFY(Picture(form1) == moved);
    ActionNamed(form1, "Forward1")->trigger();
    QVERIFY(Picture(form1) == fresh);
  }

  void RecentFilesAreKeptAndAVanishedOneIsRemovedWithAMessage() {
    kep::test::TempDir dir;
    const std::string a = dir.Write("a&b.kep", "1 2 = 3\n2 34 = 5\n");
    // A direction mark in a name shows escaped, as the status bar shows it.
    const std::string b = dir.Write("b\u202Epng.kep", "1 2 = 3\n2 345 = 5\n");
    const std::string b_shown = dir.File("b\\u202Epng.kep");
    {
      MainWindow form1(kSamples);
      QVERIFY(!form1.OpenRecentMenu().isEnabled());
      for (const std::string& file : {a, b, a}) {
        form1.OpenFile(file);
        QVERIFY(LoadEnds(form1));
      }
      QCOMPARE(EntriesOf(form1.OpenRecentMenu()),
               QStringList({QString::fromStdString("&1 " + dir.File("a&&b.kep")),
                            QString::fromStdString("&2 " + b_shown)}));
    }
    std::filesystem::remove(a);
    MainWindow form1(kSamples);  // the next run
    QCOMPARE(form1.OpenRecentMenu().actions().size(), 2);
    QString text;
    AnswerMessageBox(text);
    form1.OpenRecentMenu().actions().at(0)->trigger();
    QCOMPARE(text, QString::fromStdString("The file \"" + a +
                                          "\" no longer exists. It has been removed from the recent files."));
    QCOMPARE(EntriesOf(form1.OpenRecentMenu()), QStringList({QString::fromStdString("&1 " + b_shown)}));
    form1.OpenRecentMenu().actions().at(0)->trigger();
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Chart1().LeftAxis().Maximum(), 4.0);
    QCOMPARE(MainWindow(kSamples).OpenRecentMenu().actions().size(), 1);
  }

  void TheWindowKeepsItsSizeAndFoldersAcrossRuns() {
    kep::test::TempDir dir;
    kep::test::TempDir images;
    {
      MainWindow form1(kSamples);
      form1.show();
      form1.resize(900, 700);
      form1.OpenFile(dir.Write("a.kep", "1 2 = 3\n2 34 = 5\n"));
      QVERIFY(LoadEnds(form1));
      AnswerFileDialog(QString::fromStdString(images.File("a.gif")));
      ActionNamed(form1, "SaveImage1")->trigger();
      ActionNamed(form1, "ImageScale3x")->trigger();
      ActionNamed(form1, "Quit1")->trigger();
    }
    MainWindow form1(kSamples);
    QCOMPARE(form1.size(), QSize(900, 700));
    QCOMPARE(form1.Commands().ImageScale(), 3);
    QVERIFY(ActionNamed(form1, "ImageScale3x")->isChecked());
    QVERIFY(!ActionNamed(form1, "ImageScale1x")->isChecked());
    QCOMPARE(form1.Commands().LastOpenDir(), dir.path().string());
    QCOMPARE(form1.Commands().LastSaveDir(), images.path().string());
  }

  void SavesAPngOfTheChartsPixelsAsTheRendererDoes() {
    kep::test::TempDir dir;
    const std::string file = kSamples + "/growth.kep";
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.OpenFile(file);
    QVERIFY(LoadEnds(form1));
    // The PNG type gives a name without extension its ".png".
    AnswerModal<QFileDialog>([&dir](QFileDialog& dialog) {
      QMetaObject::invokeMethod(&dialog, "filterSelected", Q_ARG(QString, "PNG files (*.png)"));
      TypeFileNameAndAccept(dialog, QString::fromStdString(dir.File("chart")));
    });
    ActionNamed(form1, "SaveImage1")->trigger();

    const std::string saved = kep::test::ReadFileBytes(dir.File("chart.png"));
    const kep::png::test::Decoded image = kep::png::test::DecodeWithLibpng(saved);
    QVERIFY2(image.ok, image.error.c_str());
    const kep::raster::Bitmap chart = Picture(form1);
    QCOMPARE(image.width, chart.Width());
    QCOMPARE(image.height, chart.Height());
    for (int y = 0; y < chart.Height(); ++y) {
      for (int x = 0; x < chart.Width(); ++x) {
        QCOMPARE(image.pixels[static_cast<std::size_t>(y * chart.Width() + x)], chart.Pixel(x, y));
      }
    }
    std::ostringstream out, err;
    const std::string rendered = dir.File("rendered.png");
    const std::string_view args[] = {file, "-o", rendered};
    QCOMPARE(kep::cli::RunRenderCommand(args, form1.Chart1().LabelNumberFormat(), out, err), 0);
    QVERIFY(kep::test::ReadFileBytes(rendered) == saved);

    // At "2x" the file is the renderer's at scale 2; the clipboard keeps scale 1.
    ActionNamed(form1, "ImageScale2x")->trigger();
    AnswerFileDialog(QString::fromStdString(dir.File("big.png")));
    ActionNamed(form1, "SaveImage1")->trigger();
    const std::string rendered_big = dir.File("rendered-big.png");
    const std::string_view big_args[] = {file, "-o", rendered_big, "--scale", "2"};
    QCOMPARE(kep::cli::RunRenderCommand(big_args, form1.Chart1().LabelNumberFormat(), out, err), 0);
    QVERIFY(kep::test::ReadFileBytes(rendered_big) == kep::test::ReadFileBytes(dir.File("big.png")));
    QCOMPARE(QApplication::clipboard()->image().width(), chart.Width());
  }

  void AboutBoxShowsItsTextsAndClosesWithOk() {
    MainWindow form1(kSamples);
    form1.show();
    form1.move(0, 0);  // away from the screen's centre, where the box goes
    QString note;
    QRect box_geometry;
    std::map<QString, std::pair<QRect, int>> credits;  // label: geometry, text width
    QImage chart;
    int result = -1;
    AnswerModal<kep::app::AboutBox>([&](kep::app::AboutBox& box) {
      note = box.findChild<QLabel*>("Label5")->text();
      box_geometry = box.frameGeometry();
      for (const char* name : {"Label1", "Label4", "Label2", "Label3"}) {
        const QLabel* label = box.findChild<QLabel*>(name);
        credits[name] = {label->geometry(), label->fontMetrics().horizontalAdvance(label->text())};
      }
      chart = box.findChild<QLabel*>("Image2")->pixmap().toImage();
      if (const char* folder = std::getenv("KEP_SCREENSHOT_DIR"))
        box.grab().save(QString(folder) + "/about.png");
      QTest::mouseClick(box.findChild<QPushButton*>("Button1"), Qt::LeftButton);
      result = box.result();
    });
    ActionNamed(form1, "About2")->trigger();
    QCOMPARE(note, QString("Note: Saving an image will overwrite the Clipboard!"));
    QCOMPARE(result, 1);

    const QPoint screen_centre = QApplication::primaryScreen()->availableGeometry().center();
    // Centred on the screen (up to the window frame, unknown before it is
    // shown), not over the main window.
    QVERIFY2((box_geometry.center() - screen_centre).manhattanLength() <= 6,
             qPrintable(QString("box at %1,%2").arg(box_geometry.x()).arg(box_geometry.y())));
    // The credit lines at their places, each text within its label.
    QCOMPARE(credits["Label1"].first, QRect(38, 16, 187, 16));
    QCOMPARE(credits["Label4"].first, QRect(14, 40, 233, 16));
    QCOMPARE(credits["Label2"].first, QRect(17, 128, 228, 16));
    QCOMPARE(credits["Label3"].first, QRect(56, 224, 150, 16));
    for (const auto& [name, credit] : credits)
      QVERIFY2(credit.second <= credit.first.width(), qPrintable(name));
    // The small chart shows no text cut off at its edges: its outermost
    // pixels are all background.
    QCOMPARE(chart.deviceIndependentSize().toSize(), QSize(177, 65));
    for (int y = 0; y < chart.height(); ++y) {
      for (int x = 0; x < chart.width(); ++x) {
        if (x > 0 && y > 0 && x < chart.width() - 1 && y < chart.height() - 1) continue;
        QVERIFY2((chart.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF,
                 qPrintable(QString("ink at %1,%2").arg(x).arg(y)));
      }
    }
  }

  void InstalledFilesAreLookedForAboveTheProgramsFolder() {
    // This test runs from <build>/tests/app: "app" below that prefix is its
    // own folder, and nothing is installed there.
    QCOMPARE(kep::app::InstalledPath("app"), QDir(QCoreApplication::applicationDirPath()).canonicalPath());
    QVERIFY(kep::app::InstalledPath("share/doc/kepgraph/README.md").isEmpty());
  }

  // Qt shows a name that is not UTF-8 with U+FFFD; the file is still found.
  void OpensANameThatIsNotUtf8FromTheDialogAndADrop() {
    kep::test::TempDir dir;
    const std::string path = dir.Write("caf\xe9.kep", "1 2 = 3\n2 34 = 5\n");
    const QString shown = QFile::decodeName(path.c_str());
    QVERIFY(QFile::encodeName(shown).toStdString() != path);

    MainWindow form1(kSamples);
    AnswerFileDialog(shown);
    ActionNamed(form1, "Open1")->trigger();
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Commands().OpenFileName(), path);

    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(shown)});
    // A drop reaches the window that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form1, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form1, &drop);
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Commands().OpenFileName(), path);
    QCOMPARE(form1.Chart1().Title().Text().at(0), "Sequence file: caf\xe9.kep");
  }

  void AChartTooLargeForMemoryIsAMessageAndGivesItsPixelsBack() {
    if (kep::test::kAddressSanitizer) QSKIP("AddressSanitizer needs the whole address space");
    MainWindow form1(kSamples);
    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    kep::app::ChartWidget& view = form1.ChartView();
    const auto resize_to = [&view](QSize size) {
      const QSize old_size = view.size();
      view.resize(size);
      QResizeEvent event(size, old_size);
      QApplication::sendEvent(&view, &event);
    };
    QString text;
    AnswerMessageBox(text);
    {
      const kep::test::AddressSpaceLimit limit(256u << 20);
      resize_to({30000, 30000});
    }
    QCOMPARE(text, QString("Out of memory."));
    QCOMPARE(view.WindowPixels().Width(), 0);
    resize_to({300, 200});
    QCOMPARE(view.WindowPixels().Width(), 300);
    QCOMPARE(view.WindowPixels().Height(), 200);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
