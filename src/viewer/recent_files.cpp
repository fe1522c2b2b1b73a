#include "viewer/recent_files.h"

#include <algorithm>

namespace kep::viewer {

RecentFiles::RecentFiles(const std::vector<std::string>& files) {
  // Added oldest first, so that the first entry ends up first again.
  for (auto file = files.rbegin(); file != files.rend(); ++file) {
    if (!file->empty()) Add(*file);
  }
}

void RecentFiles::Add(const std::string& path) {
  Remove(path);
  files_.insert(files_.begin(), path);
  if (files_.size() > kMaxFiles) files_.resize(kMaxFiles);
}

void RecentFiles::Remove(const std::string& path) { std::erase(files_, path); }

}  // namespace kep::viewer
