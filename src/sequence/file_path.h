#pragma once

#include <string>
#include <string_view>

#include "common/file_name.h"

namespace kep::sequence {

// "/" is the only folder separator.

using kep::FileNameOf;

// The folder: the path up to its last "/", which is kept only when it is the
// root ("/data/x.kep" gives "/data", "/x.kep" gives "/", "x.kep" gives "").
std::string_view FolderOf(std::string_view path);

// The path with the extension of its name (from the last "." of the name)
// replaced by extension, or extension appended when the name has none.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

}  // namespace kep::sequence
