#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kep::viewer {

// The files opened last, the most recent first, each once.
class RecentFiles {
 public:
  static constexpr std::size_t kMaxFiles = 10;

  RecentFiles() = default;
  // A list as it was kept: empty entries and repeats are dropped, and only
  // the first kMaxFiles stay.
  explicit RecentFiles(const std::vector<std::string>& files);

  const std::vector<std::string>& Files() const { return files_; }
  // Puts path first, dropping an earlier entry of it and the oldest entry
  // beyond kMaxFiles.
  void Add(const std::string& path);
  void Remove(const std::string& path);

 private:
  std::vector<std::string> files_;
};

}  // namespace kep::viewer
