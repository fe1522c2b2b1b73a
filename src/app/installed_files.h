#pragma once

#include <QString>

namespace kep::app {

// A file or folder installed with the program, given by its path below the
// installation prefix (the folder above the program's own, as in
// <prefix>/bin/kepgraph): its absolute path, or an empty string when it is not
// there, as when the program runs from its build folder.
QString InstalledPath(const QString& below_prefix);

}  // namespace kep::app
