#pragma once

#include <cstdint>
#include <string>

namespace kep::viewer {

// What a look at a file tells about it, to see later whether it changed.
struct FileStamp {
  bool exists = false;
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;  // modification time in nanoseconds
  std::uint64_t device = 0;
  std::uint64_t inode = 0;

  bool operator==(const FileStamp&) const = default;
};

// The file at path as it is now; a file that cannot be looked at counts as
// not existing.
FileStamp StampOf(const std::string& path);
// The open file fd.
FileStamp StampOf(int fd);

// How a followed file changed between two looks.
enum class FileChange {
  kNone,
  kGrown,      // the same file with more bytes: read what was appended
  kRewritten,  // shrunk, replaced by another file, changed without growing, or back after it vanished
  kVanished,   // no longer there
};

FileChange CompareStamps(const FileStamp& before, const FileStamp& now);

}  // namespace kep::viewer
