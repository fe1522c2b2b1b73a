#include "sequence/sequence_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

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
  return ReadRange(reader, receive, reader.BytesConsumed(), end, false, stop);
}

SequenceFile::ReadEnd SequenceFile::ReadRange(SequenceReader& reader,
                                              const std::function<void(const PointBatch&)>& receive,
                                              std::uint64_t from, std::uint64_t to, bool more_after,
                                              std::stop_token stop) const {
  // A small read (an append to a followed file) takes a small buffer: a
  // full piece would be fresh memory mapped and dropped at every append.
  const std::size_t size =
      static_cast<std::size_t>(std::clamp<std::uint64_t>(to - std::min(from, to), 1, kPieceBytes));
  const auto buffer = std::make_unique_for_overwrite<char[]>(size);
  std::uint64_t offset = from;
  while (!reader.TextEnded()) {
    if (stop.stop_requested()) return ReadEnd::kStopped;
    if (offset >= to) return ReadEnd::kEndReached;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, to - offset));
    const std::ptrdiff_t got = ReadAt(fd_, buffer.get(), want, offset);
    if (got < 0) ThrowCannotOpen(path_, std::strerror(errno));
    if (got == 0) {  // the file is shorter than it was: its last line is as it stands
      receive(reader.Feed({}));
      return ReadEnd::kEndReached;
    }
    offset += static_cast<std::uint64_t>(got);
    receive(reader.Feed({buffer.get(), static_cast<std::size_t>(got)}, more_after || offset < to));
  }
  return ReadEnd::kTextEnded;
}

std::optional<std::uint64_t> SequenceFile::CutAfterLineEnd(std::uint64_t from, std::uint64_t end) const {
  // A line of several MiB is rare enough that its stretch is better read
  // whole than searched for its end.
  constexpr std::size_t kWindow = std::size_t{64} << 10;
  constexpr std::uint64_t kSearch = std::uint64_t{4} << 20;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kWindow + 1);
  const std::uint64_t stop = std::min(end, from + kSearch);
  for (std::uint64_t offset = from; offset < stop;) {
    // One byte more than is searched, to see whether a CR is followed by an LF.
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, stop - offset)) + 1;
    const std::ptrdiff_t got = ReadAt(fd_, buffer.get(), want, offset);
    if (got <= 0) return std::nullopt;
    const std::size_t searched = std::min(static_cast<std::size_t>(got), want - 1);
    const char* const begin = buffer.get();
    const char* const found = FindLineBreak(begin, begin + searched);
    if (found == begin + searched) {
      offset += searched;
      continue;
    }
    if (*found == '\0') return std::nullopt;  // the text ends there
    const std::size_t at = static_cast<std::size_t>(found - begin);
    const bool crlf = *found == '\r' && at + 1 < static_cast<std::size_t>(got) && found[1] == '\n';
    const std::uint64_t cut = offset + at + (crlf ? 2 : 1);
    return cut < end ? std::optional(cut) : std::nullopt;
  }
  return std::nullopt;
}

SequenceFile::ReadEnd SequenceFile::ReadSplit(SequenceReader& reader, const SplitRead& how, std::uint64_t end,
                                              std::stop_token stop) const {
  // What each later stretch's thread has, and what it made.
  struct Stretch {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    SequenceReader reader;
    std::atomic<std::uint64_t> bytes{0};  // what reader has taken in, for progress
    std::atomic<std::uint64_t> lines{0};
    ReadEnd end = ReadEnd::kStopped;
    std::exception_ptr failure;
    Stretch(std::uint64_t from, std::uint64_t to, SequenceReader reader)
        : from(from), to(to), reader(std::move(reader)) {}
  };
  std::vector<std::unique_ptr<Stretch>> rests;
  const auto receive = [&](const PointBatch& batch) {
    how.receive(batch);
    if (!how.progress) return;
    std::uint64_t bytes = reader.BytesConsumed();
    std::uint64_t lines = reader.FileLines();
    for (const auto& rest : rests) {
      bytes += rest->bytes.load(std::memory_order_relaxed);
      lines += rest->lines.load(std::memory_order_relaxed);
    }
    how.progress(bytes, lines);
  };

  // The first lines alone, a piece at a time, until they settle the rules.
  std::uint64_t offset = reader.BytesConsumed();
  while (!reader.RulesSettled() && !reader.TextEnded() && offset < end) {
    const std::uint64_t to = std::min(end, offset + kPieceBytes);
    const ReadEnd ended = ReadRange(reader, receive, offset, to, to < end, stop);
    if (ended != ReadEnd::kEndReached || reader.BytesConsumed() < to) return ended;  // also a shortened file
    offset = to;
  }
  if (reader.TextEnded()) return ReadEnd::kTextEnded;

  // What remains, cut at line ends into stretches of about equal size.
  std::vector<std::uint64_t> cuts{offset};
  if (reader.RulesSettled() && end != kWholeFile && end > offset) {
    const std::uint64_t stretches = std::clamp<std::uint64_t>(
        (end - offset) / std::max<std::uint64_t>(how.min_stretch_bytes, 1), 1, how.threads);
    for (std::uint64_t k = 1; k < stretches; ++k) {
      const std::optional<std::uint64_t> cut =
          CutAfterLineEnd(std::max(cuts.back(), offset + (end - offset) / stretches * k), end);
      if (cut && *cut > cuts.back()) cuts.push_back(*cut);
    }
  }
  cuts.push_back(end);
  if (cuts.size() == 2) return ReadRange(reader, receive, offset, end, false, stop);

  ReadEnd first = ReadEnd::kStopped;
  {
    std::stop_source rest_stop;
    const std::stop_callback forward(stop, [&rest_stop] { rest_stop.request_stop(); });
    for (std::size_t k = 1; k + 1 < cuts.size(); ++k)
      rests.push_back(std::make_unique<Stretch>(cuts[k], cuts[k + 1], reader.Rest()));
    std::vector<std::jthread> threads;
    // Stops the other threads when this one raises; then they are waited for.
    struct StopOnExit {
      std::stop_source& source;
      ~StopOnExit() { source.request_stop(); }
    } const stop_on_exit{rest_stop};
    const auto run = [&](std::size_t k) {
      Stretch& rest = *rests[k - 1];
      try {
        rest.end = ReadRange(
            rest.reader,
            [&](const PointBatch& batch) {
              how.receive_rest(k, batch);
              rest.bytes.store(rest.reader.BytesConsumed(), std::memory_order_relaxed);
              rest.lines.store(rest.reader.FileLines(), std::memory_order_relaxed);
            },
            rest.from, rest.to, false, rest_stop.get_token());
      } catch (...) {
        rest.failure = std::current_exception();
      }
    };
    for (std::size_t k = 1; k <= rests.size(); ++k) threads.emplace_back(run, k);
    first = ReadRange(reader, receive, offset, cuts[1], false, stop);
    // A NUL or a file cut short before the stretches that follow: they are
    // not needed.
    if (first != ReadEnd::kEndReached || !reader.AtLineStart() || reader.BytesConsumed() != cuts[1])
      rest_stop.request_stop();
    threads.clear();  // joins; the stop_on_exit guard follows harmlessly
  }
  if (first == ReadEnd::kStopped) return first;
  for (std::size_t k = 1; k <= rests.size(); ++k) {
    Stretch& rest = *rests[k - 1];
    if (!reader.AtLineStart() || reader.BytesConsumed() != rest.from) break;
    if (rest.failure) std::rethrow_exception(rest.failure);
    if (rest.end == ReadEnd::kStopped) return rest.end;
    how.join_rest(k, reader.Join(std::move(rest.reader)));
    if (rest.end == ReadEnd::kTextEnded) return rest.end;
  }
  if (reader.TextEnded()) return ReadEnd::kTextEnded;
  // A file that changed while it was read: what remains is read here.
  return ReadRange(reader, receive, reader.BytesConsumed(), end, false, stop);
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
