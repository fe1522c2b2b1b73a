// The window while files load in the background and while the open file
// grows, is replaced or vanishes: the status bar, Cancel and Escape, the busy
// cursor, the reformat notice and the View menu's follow item.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/chart_widget.h"
#include "app/file_watch.h"
#include "app/load_status.h"
#include "app/main_window.h"
#include "app/reformat_dialog.h"
#include "load_ends.h"
#include "support/temp_dir.h"
#include "viewer/sequence_loader.h"

using kep::app::MainWindow;
using kep::test::LoadEnds;

namespace {

const std::string kSamples = KEP_SOURCE_DIR "/samples";

// The test's sequence lines, terms of 1 to 30 digits.
std::string Lines(int first, int count) { return kep::test::SequenceLines(first, count, 30); }

// The points a fresh open of the file gives.
int FreshPointCount(const std::string& path) {
  kep::viewer::ProgramChart fresh;
  kep::viewer::LoadSequence(path, fresh, {});
  return fresh.Series().PointCount();
}

int PointCount(MainWindow& window) { return window.Chart1().SeriesList()[0]->PointCount(); }

}  // namespace

class LoadFollowTest : public QObject {
  Q_OBJECT

  kep::test::TempDir dir_;
  std::string big_;  // long enough that a load is still running when it is cancelled

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("kepgraph-tests");
    QCoreApplication::setApplicationName("app_load_tests");
    big_ = dir_.Write("big.kep", Lines(1, 400'000));
  }
  void init() { QSettings().clear(); }
  void cleanupTestCase() { QSettings().clear(); }

  void CancelAndEscapeStopALoadAndKeepTheChart() {
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowActive(&form1));
    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    kep::app::LoadStatus& status = form1.Status();
    QVERIFY(status.Progress().isHidden());
    QCOMPARE(form1.ChartView().cursor().shape(), Qt::ArrowCursor);

    form1.OpenFile(big_);
    QVERIFY(status.Progress().isVisible());
    QVERIFY(status.CancelButton().isVisible());
    QCOMPARE(form1.ChartView().cursor().shape(), Qt::BusyCursor);
    // A readout while a file loads stands beside the progress, a line between.
    status.SetReadout("Line 5");
    QVERIFY(status.Message().isVisible() && status.Readout().isVisible() && status.Separator().isVisible());
    QTest::mouseClick(&status.CancelButton(), Qt::LeftButton);
    QVERIFY(!form1.Commands().Loads().Loading());
    QCOMPARE(form1.Chart1().Title().Text().at(0), std::string("Sequence file: growth.kep"));
    QCOMPARE(PointCount(form1), 400);
    QVERIFY(status.Progress().isHidden());
    QCOMPARE(form1.ChartView().cursor().shape(), Qt::ArrowCursor);
    QVERIFY(status.Message().text().startsWith("400 points, largest digit count 869"));
    status.SetReadout("term 12");  // a readout shows in place of the resting text
    QVERIFY(status.Readout().isVisible());
    QVERIFY(status.Message().isHidden() && status.Separator().isHidden());
    QVERIFY(status.Message().text().startsWith("400 points"));
    status.SetReadout({});
    QVERIFY(status.Readout().isHidden());
    QVERIFY(status.Message().isVisible());

    form1.OpenFile(big_);
    QTest::keyClick(&form1, Qt::Key_Escape);
    QVERIFY(!form1.Commands().Loads().Loading());
    QCOMPARE(PointCount(form1), 400);
    QCOMPARE(form1.Commands().OpenFileName(), kSamples + "/growth.kep");
  }

  void AnotherOpenReplacesARunningLoad() {
    MainWindow form1(kSamples);
    form1.OpenFile(big_);
    form1.OpenFile(kSamples + "/fibonacci.txt");
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Chart1().Title().Text().at(0), std::string("Sequence file: fibonacci.txt"));
    QCOMPARE(PointCount(form1), FreshPointCount(kSamples + "/fibonacci.txt"));
    QVERIFY(form1.SaveImageAction().isEnabled());
  }

  void TheReformatNoticeShowsWhileAnSQFileLoads() {
    MainWindow form1(kSamples);
    form1.OpenFile(kSamples + "/SQ3POW");
    QVERIFY(form1.Form2().isVisible());
    QVERIFY(LoadEnds(form1));
    QVERIFY(form1.Form2().isHidden());
    QCOMPARE(PointCount(form1), 500);

    // Hidden also when the load is cancelled or fails.
    const std::string sq_big = dir_.Write("SQbig", SqLines());
    form1.OpenFile(sq_big);
    QVERIFY(form1.Form2().isVisible());
    form1.Status().CancelButton().click();
    QVERIFY(form1.Form2().isHidden());

    QString text;
    QTimer answer;  // the error box shows once the load has ended
    answer.setInterval(10);
    connect(&answer, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        answer.stop();
        text = box->text();
        box->accept();
      }
    });
    answer.start();
    form1.OpenFile(dir_.Write("SQ0", ""));
    QVERIFY(LoadEnds(form1));
    QCOMPARE(text, QString("List index out of bounds (0)"));
    QVERIFY(form1.Form2().isHidden());
  }

  void FollowsAGrowingFileThroughTheFileSystemsReports() {
    const std::string path = dir_.Write("grow.kep", Lines(1, 50));
    MainWindow form1(kSamples);
    form1.show();
    form1.OpenFile(path);
    QVERIFY(LoadEnds(form1));
    QVERIFY(form1.FollowAction().isChecked());
    QVERIFY(form1.Status().Message().text().endsWith("following file changes"));

    // A line split across two writes, then whole lines.
    kep::test::AppendToFile(path, "51 1234567");
    QVERIFY(QTest::qWaitFor([&] { return PointCount(form1) == 51; }, 10000));
    kep::test::AppendToFile(path, "89 = y\n52 1 = 1\n");
    QVERIFY(QTest::qWaitFor([&] { return PointCount(form1) == 52; }, 10000));
    QVERIFY(LoadEnds(form1));
    QCOMPARE(form1.Chart1().SeriesList()[0]->YValueAt(50), 9.0);
    QCOMPARE(form1.Chart1().LeftAxis().Maximum(), 31.0);

    // Replaced by renaming another file over it: the new file is followed too.
    std::filesystem::rename(dir_.Write("grow.new", Lines(1, 10)), path);
    QVERIFY(QTest::qWaitFor([&] { return PointCount(form1) == 10; }, 10000));
    kep::test::AppendToFile(path, Lines(11, 5));
    QVERIFY(QTest::qWaitFor([&] { return PointCount(form1) == 15; }, 10000));

    // Truncated.
    std::filesystem::resize_file(path, 0);
    kep::test::AppendToFile(path, Lines(1, 3));
    QVERIFY(QTest::qWaitFor([&] { return PointCount(form1) == 3; }, 10000));

    // Vanished: the chart stays; back again: loaded.
    std::filesystem::remove(path);
    QVERIFY(
        QTest::qWaitFor([&] { return form1.Status().Message().text() == "File no longer found"; }, 10000));
    QCOMPARE(PointCount(form1), 3);
    dir_.Write("grow.kep", Lines(1, 7));
    QVERIFY(QTest::qWaitFor([&] { return PointCount(form1) == 7; }, 10000));
    QVERIFY(form1.Status().Message().text().startsWith("7 points"));
  }

  void ZoomStaysWhileAppendsArrive() {
    const std::string path = dir_.Write("zoom.kep", Lines(1, 100));
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.OpenFile(path);
    QVERIFY(LoadEnds(form1));
    kep::app::ChartWidget& view = form1.ChartView();
    QTest::mousePress(&view, Qt::LeftButton, {}, {200, 150});
    QTest::mouseMove(&view, {260, 220});
    QTest::mouseRelease(&view, Qt::LeftButton, {}, {300, 250});
    kep::chart::Chart& chart = form1.Chart1();
    QVERIFY(chart.HasZoom());
    const double bottom_minimum = chart.BottomAxis().Minimum(), bottom_maximum = chart.BottomAxis().Maximum();
    const double left_maximum = chart.LeftAxis().Maximum();
    kep::test::AppendToFile(path, "101 " + std::string(200, '5') + " = z\n");
    form1.Watch().LookNow();
    QVERIFY(LoadEnds(form1));
    QCOMPARE(PointCount(form1), 101);
    QCOMPARE(chart.BottomAxis().Minimum(), bottom_minimum);
    QCOMPARE(chart.BottomAxis().Maximum(), bottom_maximum);
    QCOMPARE(chart.LeftAxis().Maximum(), left_maximum);
  }

  void TheFollowChoiceIsRemembered() {
    const std::string path = dir_.Write("off.kep", Lines(1, 5));
    {
      MainWindow form1(kSamples);
      QVERIFY(form1.FollowAction().isChecked());
      form1.FollowAction().trigger();
      QVERIFY(!form1.Commands().Loads().Following());
      form1.OpenFile(path);
      QVERIFY(LoadEnds(form1));
      QVERIFY(form1.Status().Message().text().endsWith("not following file changes"));
      kep::test::AppendToFile(path, Lines(6, 5));
      form1.Watch().LookNow();
      QVERIFY(!form1.Commands().Loads().Loading());
      QCOMPARE(PointCount(form1), 5);
      form1.FollowAction().trigger();  // on again: catches up at once
      QVERIFY(LoadEnds(form1));
      QCOMPARE(PointCount(form1), 10);
      form1.FollowAction().trigger();
    }
    MainWindow again(kSamples);
    QVERIFY(!again.FollowAction().isChecked());
    again.FollowAction().trigger();
  }

 private:
  static std::string SqLines() {
    std::string text;
    for (int i = 0; i < 400'000; ++i) text += "1234567 = 7 * 176366\nnote\n";
    return text;
  }
};

QTEST_MAIN(LoadFollowTest)
#include "load_follow_test.moc"
