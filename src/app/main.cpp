// kepgraph: the desktop viewer of integer-sequence files.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <string>

#include "app/application.h"
#include "app/installed_files.h"
#include "app/local_path.h"
#include "app/main_window.h"

namespace {

// The bundled samples: installed beside the program, or the source tree's
// when the program runs from its build folder.
std::string SamplesFolder() {
  const QString installed = kep::app::InstalledPath("share/kepgraph/samples");
  return installed.isEmpty() ? KEPGRAPH_SOURCE_SAMPLES : kep::app::LocalPath(installed);
}

}  // namespace

int main(int argc, char** argv) {
  kep::app::NameApplication();
  QCommandLineParser parser;
  parser.setApplicationDescription("KEP Graph: see how the terms of an integer sequence grow.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.addPositionalArgument("FILE", "Sequence files to show at start, at most 16, on one chart.",
                               "[FILE...]");
  {
    // --help and --version answer before the display is opened, so that
    // they work without one.
    const QCoreApplication without_display(argc, argv);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(help) || parser.isSet("help-all")) parser.showHelp();
    if (parser.isSet(version)) parser.showVersion();
  }

  QApplication application(argc, argv);
  kep::app::SetUpApplication();
  parser.process(application);

  // QApplication has set the process's locale from the environment; the
  // labels' separators are read from the user's locale once, here.
  kep::app::MainWindow form1(SamplesFolder(), kep::chart::NumberFormat::FromLocale(""));
  form1.show();
  const QStringList files = parser.positionalArguments();
  for (qsizetype i = 0; i < files.size(); ++i) {
    const std::string path = kep::app::LocalPath(QFileInfo(files[i]).absoluteFilePath());
    if (i == 0) {
      form1.OpenFile(path);
    } else {
      form1.AddFile(path);
    }
  }
  return QApplication::exec();
}
