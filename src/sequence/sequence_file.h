#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "sequence/sequence_reader.h"

namespace kep::sequence {

// Reads up to count bytes of the file fd at offset into buffer, again when a
// signal interrupts the read: the bytes read (0 at the end of the file), or
// -1 with errno set.
std::ptrdiff_t ReadAt(int fd, char* buffer, std::size_t count, std::uint64_t offset);

// True when the file's name (without its folder) begins with exactly "SQ".
bool IsSQFileName(std::string_view name);

// How SequenceFile::ReadSplit shares a read among threads, and where the
// points go.
struct SplitRead {
  // The most threads to read on, the calling one included.
  unsigned threads = 1;
  // The least bytes a thread is given: a shorter read is not split.
  std::uint64_t min_stretch_bytes = std::uint64_t{4} << 20;
  // The batches of the calling thread's reader.
  std::function<void(const PointBatch&)> receive;
  // The batches of the reader of stretch k (from 1), on that stretch's thread.
  std::function<void(std::size_t k, const PointBatch&)> receive_rest;
  // Once every thread has ended, on the calling thread and in order: the
  // points of stretch k follow those received so far, placed by placement.
  std::function<void(std::size_t k, const RestPlacement& placement)> join_rest;
  // After each piece of the calling thread: the bytes and the lines of the
  // file that all threads have taken in so far.
  std::function<void(std::uint64_t bytes, std::uint64_t lines)> progress;
};

// An open sequence file, read piece by piece through one reused buffer into
// a SequenceReader. Only regular files are read, so a FIFO or a device never
// blocks or floods the reader.
class SequenceFile {
 public:
  // Opens path without blocking. Raises a FileError
  // "Cannot open file "<path>". <reason>" when it cannot be read.
  explicit SequenceFile(const std::string& path);
  ~SequenceFile();
  SequenceFile(const SequenceFile&) = delete;
  SequenceFile& operator=(const SequenceFile&) = delete;

  const std::string& Path() const { return path_; }
  // The size fstat gave on opening.
  std::uint64_t SizeAtOpen() const { return size_at_open_; }
  // The file's identity, to tell a file replaced under the same name.
  std::uint64_t Device() const { return device_; }
  std::uint64_t Inode() const { return inode_; }
  // The open descriptor (for fstat by a follower); owned by this object.
  int Descriptor() const { return fd_; }

  // How a read ended.
  enum class ReadEnd {
    kEndReached,  // the end of the file, or the offset `end`
    kTextEnded,   // a NUL ended the text; nothing after it is read
    kStopped,     // stop was requested (checked between pieces)
  };
  static constexpr std::uint64_t kWholeFile = std::numeric_limits<std::uint64_t>::max();
  // The buffer's size: measured with bench/sequence (larger pieces gain
  // nothing once the page cache copy dominates, smaller ones cost calls).
  static constexpr std::size_t kPieceBytes = std::size_t{512} << 10;

  // Feeds reader with the file's bytes from offset reader.BytesConsumed()
  // up to the end of the file or the offset end, whichever comes first, and
  // hands each batch to receive (which may query the reader for progress).
  // Reading stops at the first NUL and, between pieces, when stop is
  // requested. A file that grows meanwhile is read no further than end, so
  // a read always ends. Raises a FileError "Cannot open file "<path>".
  // <reason>" when reading fails and std::bad_alloc when a batch does not
  // fit in memory; what receive raises passes through.
  ReadEnd ReadInto(SequenceReader& reader, const std::function<void(const PointBatch&)>& receive,
                   std::uint64_t end = kWholeFile, std::stop_token stop = {}) const;

  // Reads as ReadInto does, with the same result and the same points, on
  // up to how.threads threads when the stretch to read is long and its end
  // is known: the calling thread reads until the reader's rules are settled
  // (the first lines, as a rule), then cuts what remains at line ends into
  // stretches of about the same size. It reads the first one itself; each
  // later one is read on a thread of its own by a reader made by
  // reader.Rest(), and joined to reader in order once all have ended. What
  // a receiver raises passes through (the other threads are stopped first).
  ReadEnd ReadSplit(SequenceReader& reader, const SplitRead& how, std::uint64_t end,
                    std::stop_token stop = {}) const;

  // The up to count bytes that end at offset end, as the file holds them
  // now (fewer when the file is shorter). A follower compares them with
  // what it read before, to tell a file rewritten in place from a grown one.
  // Raises a FileError as ReadInto does.
  std::string BytesBefore(std::uint64_t end, std::size_t count) const;

 private:
  // Feeds reader the bytes [from, to) of the file, telling it that more
  // follow after to when more_after is set; ends early at the end of the
  // file, at a NUL, or between pieces when stop is requested.
  ReadEnd ReadRange(SequenceReader& reader, const std::function<void(const PointBatch&)>& receive,
                    std::uint64_t from, std::uint64_t to, bool more_after, std::stop_token stop) const;
  // The offset just after the first line end at or after from and before
  // end, when one is found within a few MiB (and is not a NUL).
  std::optional<std::uint64_t> CutAfterLineEnd(std::uint64_t from, std::uint64_t end) const;

  std::string path_;
  int fd_ = -1;
  std::uint64_t size_at_open_ = 0;
  std::uint64_t device_ = 0;
  std::uint64_t inode_ = 0;
};

}  // namespace kep::sequence
