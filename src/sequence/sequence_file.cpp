#include "sequence/sequence_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <system_error>

#include "common/error.h"
#include "common/format.h"
#include "sequence/messages.h"
#include "sequence/word_string.h"

namespace kep::sequence {

namespace {

constexpr std::string_view kHeaderKeyword = "Tavrine";

// Closes a file descriptor on every path out of the reader.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void ThrowCannotOpen(const std::string& path, std::string_view reason) {
  throw FileError(FormatMessage(messages::kCannotOpenFile, path, reason));
}

}  // namespace

LineList ReadSequenceLines(const std::string& path) {
  // Non-blocking, so that opening a FIFO without a writer returns at once.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) ThrowCannotOpen(path, std::strerror(errno));
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) ThrowCannotOpen(path, std::strerror(errno));
  if (S_ISDIR(status.st_mode)) ThrowCannotOpen(path, std::strerror(EISDIR));
  if (!S_ISREG(status.st_mode)) ThrowCannotOpen(path, messages::kNotARegularFile);

  try {
    return LineList::Read(file.get(), static_cast<std::size_t>(status.st_size));
  } catch (const std::system_error& error) {
    ThrowCannotOpen(path, std::strerror(error.code().value()));
  } catch (const std::bad_alloc&) {
    ThrowCannotOpen(path, messages::kOutOfMemory);
  }
}

bool IsSQFileName(std::string_view name) { return name.starts_with("SQ"); }

void ReformatSQFile(LineList& lines, bool& reformatted) {
  lines.KeepEvenLines();
  reformatted = true;
  std::string first = "0 ";
  first += lines.At(0);
  lines.Replace(0, std::move(first));
}

unsigned ChooseNumberColumn(const LineList& lines, bool reformatted) {
  const std::string_view second = lines.At(1);
  if (SpaceWordAt(second, 3) == "=" || reformatted) return 2;
  return 3;
}

std::optional<std::size_t> TermLength(std::string_view line, unsigned number_column) {
  if (SpaceWordAt(line, 1) == kHeaderKeyword) return std::nullopt;
  bool blank = true;
  for (const char c : line) {
    if (static_cast<unsigned char>(c) > 32) {
      blank = false;
      break;
    }
  }
  if (blank) return std::nullopt;
  return SpaceWordAt(line, number_column).size();
}

}  // namespace kep::sequence
