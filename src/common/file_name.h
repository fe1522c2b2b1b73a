#pragma once

#include <string_view>

namespace kep {

// The extension of a path's file name: the text from the last "." after the
// last "/" ("/data.d/x.kep" gives ".kep"), empty when the name has no ".".
inline std::string_view ExtensionOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = path.rfind('.');
  return dot == std::string_view::npos || dot < name_start ? std::string_view() : path.substr(dot);
}

}  // namespace kep
