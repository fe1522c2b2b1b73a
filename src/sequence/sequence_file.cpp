#include "sequence/sequence_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "common/error.h"
#include "common/format.h"
#include "sequence/messages.h"

namespace kep::sequence {

namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, std::string_view reason) {
  throw FileError(FormatMessage(messages::kCannotOpenFile, path, reason));
}

}  // namespace

std::ptrdiff_t ReadAt(int fd, char* buffer, std::size_t count, std::uint64_t offset) {
  ssize_t got = 0;
  do {
    got = ::pread(fd, buffer, count, static_cast<off_t>(offset));
  } while (got < 0 && errno == EINTR);
  return got;
}

bool IsSQFileName(std::string_view name) { return name.starts_with("SQ"); }

SequenceFile::SequenceFile(const std::string& path) : path_(path) {
  // Non-blocking, so that opening a FIFO without a writer returns at once.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) ThrowCannotOpen(path, std::strerror(errno));
  struct stat status {};
  const int error = ::fstat(fd_, &status) != 0 ? errno : S_ISDIR(status.st_mode) ? EISDIR : 0;
  if (error != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd_);
    ThrowCannotOpen(path, error != 0 ? std::string_view(std::strerror(error)) : messages::kNotARegularFile);
  }
  size_at_open_ = static_cast<std::uint64_t>(status.st_size);
  device_ = static_cast<std::uint64_t>(status.st_dev);
  inode_ = static_cast<std::uint64_t>(status.st_ino);
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

SequenceFile::~SequenceFile() { ::close(fd_); }

SequenceFile::ReadEnd SequenceFile::ReadInto(SequenceReader& reader,
                                             const std::function<void(const PointBatch&)>& receive,
                                             std::uint64_t end, std::stop_token stop) const {
  const auto buffer = std::make_unique_for_overwrite<char[]>(kPieceBytes);
  std::uint64_t offset = reader.BytesConsumed();
  while (!reader.TextEnded()) {
    if (stop.stop_requested()) return ReadEnd::kStopped;
    if (offset >= end) return ReadEnd::kEndReached;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, end - offset));
    const std::ptrdiff_t got = ReadAt(fd_, buffer.get(), want, offset);
    if (got < 0) ThrowCannotOpen(path_, std::strerror(errno));
    if (got == 0) {  // the file is shorter than it was: its last line is as it stands
      receive(reader.Feed({}));
      return ReadEnd::kEndReached;
    }
    offset += static_cast<std::uint64_t>(got);
    receive(reader.Feed({buffer.get(), static_cast<std::size_t>(got)}, offset < end));
  }
  return ReadEnd::kTextEnded;
}

std::string SequenceFile::BytesBefore(std::uint64_t end, std::size_t count) const {
  const std::uint64_t start = end - std::min<std::uint64_t>(end, count);
  std::string bytes(static_cast<std::size_t>(end - start), '\0');
  std::size_t have = 0;
  while (have < bytes.size()) {
    const std::ptrdiff_t got = ReadAt(fd_, bytes.data() + have, bytes.size() - have, start + have);
    if (got < 0) ThrowCannotOpen(path_, std::strerror(errno));
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  bytes.resize(have);
  return bytes;
}

}  // namespace kep::sequence
