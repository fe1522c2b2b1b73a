#pragma once

#include <string_view>

namespace kep {

// "/" is the only folder separator.

// The file's name: the text after the last "/" ("/data/x.kep" gives "x.kep").
inline std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The extension of the file's name: the text from the last "." of the name
// ("/data.d/x.kep" gives ".kep"), empty when the name has no ".".
inline std::string_view ExtensionOf(std::string_view path) {
  const std::string_view name = FileNameOf(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

}  // namespace kep
