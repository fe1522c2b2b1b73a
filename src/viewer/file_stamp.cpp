#include "viewer/file_stamp.h"

#include <sys/stat.h>

namespace kep::viewer {

namespace {

FileStamp StampOf(const struct stat& status) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.size = static_cast<std::uint64_t>(status.st_size);
  stamp.modified_ns =
      static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
  stamp.device = static_cast<std::uint64_t>(status.st_dev);
  stamp.inode = static_cast<std::uint64_t>(status.st_ino);
  return stamp;
}

}  // namespace

FileStamp StampOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return {};
  return StampOf(status);
}

FileStamp StampOf(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) return {};
  return StampOf(status);
}

FileChange CompareStamps(const FileStamp& before, const FileStamp& now) {
  if (!now.exists) return before.exists ? FileChange::kVanished : FileChange::kNone;
  // A file that came back may have any content.
  if (!before.exists) return FileChange::kRewritten;
  // Another file under the same name: a writer that saves by renaming.
  if (now.device != before.device || now.inode != before.inode) return FileChange::kRewritten;
  if (now.size < before.size) return FileChange::kRewritten;
  if (now.size > before.size) return FileChange::kGrown;
  // Same size, newer content: rewritten in place.
  if (now.modified_ns != before.modified_ns) return FileChange::kRewritten;
  return FileChange::kNone;
}

}  // namespace kep::viewer
