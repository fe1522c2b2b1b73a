#pragma once

#include <QString>
#include <string>

namespace kep::app {

// The bytes of a path that Qt gives as text (a dialog's choice, a dropped
// file, the command line). Qt decodes file names as UTF-8 and turns bytes
// that are not UTF-8 into U+FFFD, which does not encode back; each name that
// holds one is matched against the names on disk, folder by folder, and taken
// from there when exactly one name matches.
std::string LocalPath(const QString& path);

}  // namespace kep::app
