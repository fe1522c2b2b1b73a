#include "sequence/file_path.h"

#include "common/file_name.h"

namespace kep::sequence {

std::string_view FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  std::string result(path.substr(0, path.size() - ExtensionOf(path).size()));
  result += extension;
  return result;
}

}  // namespace kep::sequence
