// The readout in the window: the status bar's text and the mark for the
// point under the mouse, and the View menu's Term column, through the real
// widgets.
#include <QAction>
#include <QImage>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <algorithm>

#include "app/chart_widget.h"
#include "app/elided_label.h"
#include "app/load_status.h"
#include "app/main_window.h"
#include "load_ends.h"
#include "support/temp_dir.h"

using kep::app::MainWindow;

namespace {

const std::string kSamples = KEP_SOURCE_DIR "/samples";
const QString kDot = QString::fromUtf8(" \u00b7 ");

// The window pixel of point (x, y) of the chart.
QPoint PixelOf(MainWindow& window, double x, double y) {
  const kep::chart::Chart& chart = window.Chart1();
  return {chart.BottomAxis().XValueToPixel(x), chart.LeftAxis().YValueToPixel(y)};
}

// Moves the mouse over X value x, halfway down the plot, and returns the status text.
QString HoverOver(MainWindow& window, double x) {
  const kep::raster::IntRect& plot = window.Chart1().PlotRect();
  const int pixel_x = std::min(window.Chart1().BottomAxis().XValueToPixel(x), plot.Right - 1);
  QTest::mouseMove(&window.ChartView(), QPoint(pixel_x, (plot.Top + plot.Bottom) / 2));
  return window.Status().Readout().FullText();
}

bool SamePixels(const kep::raster::Bitmap& a, const kep::raster::Bitmap& b) {
  return std::ranges::equal(a.Pixels(), b.Pixels());
}

bool IsMarkRed(QRgb pixel) { return qRed(pixel) > 150 && qGreen(pixel) < 80 && qBlue(pixel) < 80; }

}  // namespace

class ReadoutWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName("kepgraph-tests");
    QCoreApplication::setApplicationName("readout_tests");
  }
  void cleanupTestCase() { QSettings().clear(); }

  void ShortAndLongTermsAndHeaderGapsWithTheMarkOnTheWindowOnly() {
    kep::test::TempDir dir;
    const std::string big(100000, '7');
    const std::string path =
        dir.Write("a.kep", "Tavrine file\n1 12 = 2^2 * 3\nTavrine\n\n4 " + big + " = 7 * 1111111\n5 3 = 3\n");
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.OpenFile(path);
    QVERIFY(kep::test::LoadEnds(form1));
    const kep::raster::Bitmap before = form1.Chart1().RenderToBitmap(form1.Chart1().ClientRect());
    const kep::raster::Bitmap window_before = form1.ChartView().WindowPixels();

    QCOMPARE(HoverOver(form1, 2), "Line 2" + kDot + "2 digits" + kDot + "1 12 = 2^2 * 3");
    QCOMPARE(form1.ChartView().Mark().Center(), std::optional(PixelOf(form1, 2, 2)));
    // The mark is on the widget, red over the chart, and in none of the chart's pixels.
    const QPoint mark = *form1.ChartView().Mark().Center();
    const QImage shown = form1.ChartView().grab().toImage();
    QVERIFY(IsMarkRed(shown.pixel(mark + QPoint(kep::app::PointMark::kRadius, 0))));
    QVERIFY(SamePixels(form1.ChartView().WindowPixels(), window_before));
    QVERIFY(SamePixels(form1.Chart1().RenderToBitmap(form1.Chart1().ClientRect()), before));

    // Over the header and blank lines: the nearer neighbour.
    QVERIFY(HoverOver(form1, 3.4).startsWith("Line 2" + kDot));
    QCOMPARE(HoverOver(form1, 4.6), "Line 5" + kDot + "100,000 digits" + kDot + "4 7777777777" +
                                        QString::fromUtf8("\u2026") +
                                        "7777777777 (100,000 digits) = 7 * 1111111");
    QCOMPARE(form1.ChartView().Mark().Center(), std::optional(PixelOf(form1, 5, 100000)));
    // The text is cut to the bar's width.
    const kep::app::ElidedLabel& readout = form1.Status().Readout();
    QVERIFY(!readout.text().isEmpty());
    QVERIFY(readout.fontMetrics().horizontalAdvance(readout.text()) <= readout.contentsRect().width());

    // Leaving the chart takes the readout and the mark away.
    QTest::mouseMove(&form1.ChartView(), QPoint(2, 2));  // over the title, outside the plot
    QCOMPARE(form1.Status().Readout().FullText(), QString());
    QVERIFY(form1.Status().Readout().isHidden());
    QCOMPARE(form1.ChartView().Mark().Center(), std::nullopt);
  }

  // Text that would reorder, hide or break the bar's line shows escaped, in
  // file order, and the bar, the chart and the window keep their sizes.
  void ALineThatWouldSpoofOrBreakTheBarShowsEscapedOnOneLine() {
    kep::test::TempDir dir;
    std::string breaks;
    for (int i = 0; i < 130; ++i) breaks += "\u2028";
    const std::string path = dir.Write(
        "spoof.kep", "1 12 = x\n150 4 = \u202Egnp.exe \x1b[31mred\x1b[0m a\u2028b\xff" + breaks + "\n");
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.OpenFile(path);
    QVERIFY(kep::test::LoadEnds(form1));
    const QSize window = form1.size(), chart = form1.ChartView().size();
    const int bar = form1.statusBar()->height();

    const QString text = HoverOver(form1, 2);
    QVERIFY(text.startsWith("Line 2" + kDot + "1 digit" + kDot +
                            "150 4 = \\u202Egnp.exe \\u001B[31mred\\u001B[0m a\\u2028b" +
                            QString::fromUtf8("\ufffd\\u2028\\u2028")));
    QCoreApplication::processEvents();
    QCOMPARE(form1.statusBar()->height(), bar);
    QCOMPARE(form1.ChartView().size(), chart);
    QCOMPARE(form1.size(), window);
    // Shown left to right as the characters stand.
    QVERIFY(form1.Status().Readout().text().startsWith(QChar(0x202D)));
  }

  // After a resize the plot has moved: the mark waits for the pointer, and
  // then stands on the point in the new layout.
  void TheMarkFollowsTheLayoutAfterAResize() {
    kep::test::TempDir dir;
    const std::string path = dir.Write("a.kep", "1 12 = x\n2 150 = y\n3 7 = z\n");
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.OpenFile(path);
    QVERIFY(kep::test::LoadEnds(form1));
    HoverOver(form1, 2);
    QCOMPARE(form1.ChartView().Mark().Center(), std::optional(PixelOf(form1, 2, 3)));
    form1.resize(form1.width() + 120, form1.height() + 90);
    QTRY_COMPARE(form1.ChartView().Mark().Center(), std::nullopt);
    QCOMPARE(form1.Status().Readout().FullText(), QString());
    form1.ChartView().repaint();  // lays the chart out at its new size
    HoverOver(form1, 2);
    QCOMPARE(form1.ChartView().Mark().Center(), std::optional(PixelOf(form1, 2, 3)));
  }

  void BFilesAndTheTermColumnMenu() {
    kep::test::TempDir dir;
    const std::string path = dir.Write("b000045.txt", "# A000045\n#\n0 0\n1 1\n# x\n10 55\n");
    MainWindow form1(kSamples);
    form1.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form1));
    form1.OpenFile(path);
    QVERIFY(kep::test::LoadEnds(form1));
    QCOMPARE(HoverOver(form1, 6), "Line 6" + kDot + "2 digits" + kDot + "10 55");
    QAction* automatic = form1.findChild<QAction*>("ColumnAutomatic1");
    QAction* word3 = form1.findChild<QAction*>("ColumnWord3");
    QVERIFY(automatic && word3 && form1.findChild<QAction*>("ColumnWord2"));
    QVERIFY(automatic->isChecked());

    // Word 3 reads the file again: every point is 0, and the status bar says
    // so and names the word.
    word3->trigger();
    QVERIFY(kep::test::LoadEnds(form1));
    QVERIFY(word3->isChecked() && !automatic->isChecked());
    QCOMPARE(form1.Chart1().LeftAxis().Maximum(), 1);
    QVERIFY(form1.Status().Message().text().endsWith(
        QString::fromUtf8("Every point has digit count 0: no line has a word 3. Choose another under View "
                          "\u25b8 Term column.")));
    QCOMPARE(HoverOver(form1, 6), "Line 6" + kDot + "0 digits" + kDot + "10 55");

    automatic->trigger();
    QVERIFY(kep::test::LoadEnds(form1));
    QCOMPARE(form1.Chart1().LeftAxis().Maximum(), 3);
    QVERIFY(!form1.Status().Message().text().contains("Every point"));
  }
};

QTEST_MAIN(ReadoutWindowTest)
#include "readout_window_test.moc"
