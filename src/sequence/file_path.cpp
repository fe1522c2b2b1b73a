#include "sequence/file_path.h"

namespace kep::sequence {

std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  const std::size_t name_start = path.size() - FileNameOf(path).size();
  const std::size_t dot = path.rfind('.');
  const std::size_t stem_end = (dot == std::string_view::npos || dot < name_start) ? path.size() : dot;
  std::string result(path.substr(0, stem_end));
  result += extension;
  return result;
}

}  // namespace kep::sequence
