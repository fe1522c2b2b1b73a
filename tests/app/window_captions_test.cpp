// The captions of every window as the X11 server holds them. Qt's xcb
// platform appends the application's display name to a caption when one is
// set; the offscreen platform of the other window tests shows no such thing,
// so this test runs on xcb under a virtual display.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include "answer_modal.h"
#include "app/about_box.h"
#include "app/application.h"
#include "app/main_window.h"
#include "app/reformat_dialog.h"
#include "load_ends.h"

using kep::app::MainWindow;
using kep::test::AnswerModal;
using kep::test::LoadEnds;

namespace {

const std::string kSamples = KEP_SOURCE_DIR "/samples";

// The window's _NET_WM_NAME as xprop reads it from the server, or what
// went wrong.
QString ServerCaption(QWidget& window) {
  if (!QTest::qWaitForWindowExposed(&window)) return "(never shown)";
  QProcess xprop;
  xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_WM_NAME"});
  if (!xprop.waitForFinished()) return "(xprop failed)";
  // _NET_WM_NAME(UTF8_STRING) = "About"
  const QString output = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
  const qsizetype first = output.indexOf('"');
  return first < 0 ? output : output.mid(first + 1, output.lastIndexOf('"') - first - 1);
}

// The caption of the next modal dialog of type T, which is then closed.
template <typename T>
void ReadModalCaption(QString& caption) {
  AnswerModal<T>([&caption](T& dialog) {
    caption = ServerCaption(dialog);
    dialog.reject();
  });
}

}  // namespace

class WindowCaptionsTest : public QObject {
  Q_OBJECT

 private slots:
  // The windows' kept settings go to a scratch place, not the user's.
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
  }
  void cleanupTestCase() { QSettings().clear(); }

  void EveryWindowShowsItsCaptionAsItStands() {
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
    MainWindow form1(kSamples);
    form1.show();
    QCOMPARE(ServerCaption(form1), QString("KEP Graph"));

    form1.Form2().show();
    QCOMPARE(ServerCaption(form1.Form2()), QString("Reformatting TR file"));
    form1.Form2().hide();

    QString caption;
    ReadModalCaption<kep::app::AboutBox>(caption);
    form1.findChild<QAction*>("About2")->trigger();
    QCOMPARE(caption, QString("About"));

    ReadModalCaption<QFileDialog>(caption);
    form1.findChild<QAction*>("Open1")->trigger();
    QCOMPARE(caption, QString("Open sequence"));

    form1.OpenFile(kSamples + "/growth.kep");
    QVERIFY(LoadEnds(form1));
    ReadModalCaption<QFileDialog>(caption);
    form1.findChild<QAction*>("SaveImage1")->trigger();
    QCOMPARE(caption, QString("Save Chart Image"));

    ReadModalCaption<QMessageBox>(caption);
    form1.OpenFile(kSamples + "/no such file.kep");
    QVERIFY(LoadEnds(form1));
    QCOMPARE(caption, QString("KEP Graph"));
  }
};

// The application is set up as the program sets it up.
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  kep::app::SetUpApplication();
  WindowCaptionsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_captions_test.moc"
