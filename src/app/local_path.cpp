#include "app/local_path.h"

#include <QFile>
#include <filesystem>

namespace kep::app {

namespace {

namespace fs = std::filesystem;

// The one name in folder that Qt shows as shown, or shown's UTF-8 bytes.
fs::path NameOnDisk(const fs::path& folder, const QString& shown) {
  const fs::path encoded = QFile::encodeName(shown).toStdString();
  std::error_code ec;
  if (!shown.contains(QChar::ReplacementCharacter) || fs::exists(folder / encoded, ec)) return encoded;
  fs::path found;
  int matches = 0;
  for (fs::directory_iterator entry(folder.empty() ? fs::path(".") : folder, ec), end; !ec && entry != end;
       entry.increment(ec)) {
    const fs::path name = entry->path().filename();
    if (QFile::decodeName(name.c_str()) == shown) {
      found = name;
      ++matches;
    }
  }
  return matches == 1 ? found : encoded;
}

}  // namespace

std::string LocalPath(const QString& path) {
  if (!path.contains(QChar::ReplacementCharacter)) return QFile::encodeName(path).toStdString();
  fs::path resolved = path.startsWith(u'/') ? "/" : "";
  for (const QString& name : path.split(u'/', Qt::SkipEmptyParts)) resolved /= NameOnDisk(resolved, name);
  return resolved.string();
}

}  // namespace kep::app
