#include "app/installed_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace kep::app {

QString InstalledPath(const QString& below_prefix) {
  const QFileInfo installed(QDir(QCoreApplication::applicationDirPath()).filePath("../" + below_prefix));
  return installed.exists() ? installed.canonicalFilePath() : QString();
}

}  // namespace kep::app
