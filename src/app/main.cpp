// kepgraph: the desktop viewer of integer-sequence files.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <string>

#include "app/application.h"
#include "app/installed_files.h"
#include "app/main_window.h"

namespace {

// The bundled samples: installed beside the program, or the source tree's
// when the program runs from its build folder.
std::string SamplesFolder() {
  const QString installed = kep::app::InstalledPath("share/kepgraph/samples");
  return installed.isEmpty() ? KEPGRAPH_SOURCE_SAMPLES : installed.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  kep::app::SetUpApplication();

  QCommandLineParser parser;
  parser.setApplicationDescription("KEP Graph: see how the terms of an integer sequence grow.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("FILE", "A sequence file to open at start.", "[FILE]");
  parser.process(application);

  // QApplication has set the process's locale from the environment; the
  // labels' separators are read from the user's locale once, here.
  kep::app::MainWindow form1(SamplesFolder(), kep::chart::NumberFormat::FromLocale(""));
  form1.show();
  if (!parser.positionalArguments().isEmpty()) {
    form1.OpenFile(QFileInfo(parser.positionalArguments().first()).absoluteFilePath().toStdString());
  }
  return QApplication::exec();
}
