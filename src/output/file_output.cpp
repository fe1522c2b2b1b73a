#include "output/file_output.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "common/error.h"
#include "common/format.h"
#include "output/messages.h"

namespace kep::output {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowCannotCreate(const std::string& file_name, std::string_view reason) {
  throw FileError(FormatMessage(messages::kCannotCreateFile, file_name, std::string(reason)));
}

[[noreturn]] void ThrowCannotCreate(const std::string& file_name, int error) {
  ThrowCannotCreate(file_name, std::strerror(error));
}

// A file descriptor, closed when the object goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now; false when the system reports a late write error.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

// Buffered writes to a descriptor; failures raise "Stream write error".
class DescriptorStream : public OutputStream {
 public:
  explicit DescriptorStream(int fd) : fd_(fd) { buffer_.reserve(kCapacity); }
  void Write(const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    if (buffer_.size() + size > kCapacity) Flush();
    if (size >= kCapacity) {
      WriteAll(bytes, size);
    } else {
      buffer_.insert(buffer_.end(), bytes, bytes + size);
    }
  }
  void Flush() {
    WriteAll(buffer_.data(), buffer_.size());
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kCapacity = 64 * 1024;

  void WriteAll(const char* bytes, std::size_t size) {
    while (size > 0) {
      const ssize_t written = ::write(fd_, bytes, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) ThrowWriteError();
      bytes += written;
      size -= static_cast<std::size_t>(written);
    }
  }

  int fd_;
  std::vector<char> buffer_;
};

void WriteContent(int fd, const std::function<void(OutputStream&)>& write_content) {
  DescriptorStream stream(fd);
  write_content(stream);
  stream.Flush();
}

// Writes into the open file itself; a regular file is emptied first. A
// failure can leave the file incomplete.
void WriteInPlace(Descriptor& file, bool truncate, const std::function<void(OutputStream&)>& write_content) {
  if (truncate && ::ftruncate(file.Get(), 0) != 0) ThrowWriteError();
  WriteContent(file.Get(), write_content);
  if (!file.Close()) ThrowWriteError();
}

// ---- removing the temporary file on SIGINT and SIGTERM ----

// A signal handler can reach only process-wide state: the one temporary file
// being written (saves run one at a time) and the handlers it displaced.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM};
std::atomic<bool> pending_in_use{false};
std::atomic<int> pending_folder{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read by a signal handler");
char pending_name[NAME_MAX + 1];
struct sigaction displaced_actions[std::size(kCleanupSignals)];
bool displaced[std::size(kCleanupSignals)];

std::size_t SignalIndex(int signal_number) { return signal_number == SIGINT ? 0 : 1; }

void RemovePendingTemporary(int signal_number) {
  const int saved_errno = errno;
  const int folder = pending_folder.load();
  if (folder >= 0) ::unlinkat(folder, pending_name, 0);
  // Then the signal does what it did without this handler.
  ::sigaction(signal_number, &displaced_actions[SignalIndex(signal_number)], nullptr);
  ::raise(signal_number);
  errno = saved_errno;
}

// Holds SIGINT and SIGTERM back on this thread while a name is created,
// registered, renamed or removed, so that the handler sees a consistent state.
class CleanupSignalsBlocked {
 public:
  CleanupSignalsBlocked() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal_number : kCleanupSignals) sigaddset(&blocked, signal_number);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous_);
  }
  CleanupSignalsBlocked(const CleanupSignalsBlocked&) = delete;
  CleanupSignalsBlocked& operator=(const CleanupSignalsBlocked&) = delete;
  ~CleanupSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_;
};

// Call with the cleanup signals blocked. False when another save holds the slot.
bool RegisterPendingTemporary(int folder, const std::string& name) {
  if (pending_in_use.exchange(true)) return false;
  std::memcpy(pending_name, name.c_str(), name.size() + 1);
  pending_folder = folder;
  for (const int signal_number : kCleanupSignals) {
    const std::size_t i = SignalIndex(signal_number);
    ::sigaction(signal_number, nullptr, &displaced_actions[i]);
    // An ignored signal ends nothing, so it needs no cleanup.
    displaced[i] = displaced_actions[i].sa_handler != SIG_IGN;
    if (!displaced[i]) continue;
    struct sigaction action {};
    action.sa_handler = RemovePendingTemporary;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal_number, &action, nullptr);
  }
  return true;
}

// Call with the cleanup signals blocked.
void UnregisterPendingTemporary() {
  for (const int signal_number : kCleanupSignals) {
    const std::size_t i = SignalIndex(signal_number);
    if (displaced[i]) ::sigaction(signal_number, &displaced_actions[i], nullptr);
  }
  pending_folder = -1;
  pending_in_use = false;
}

// ---- the temporary file ----

// Room the temporary name adds to the target's stem: "." + stem + "." + the
// random part + ".tmp" stays below the 255 bytes a file name may have.
constexpr std::size_t kStemBytes = 200;
constexpr std::size_t kRandomChars = 10;

std::string TemporaryName(const std::string& target_name, std::mt19937_64& random) {
  static constexpr std::string_view kAlphabet = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = "." + target_name.substr(0, kStemBytes) + ".";
  for (std::size_t i = 0; i < kRandomChars; ++i) name += kAlphabet[random() % kAlphabet.size()];
  return name + ".tmp";
}

// The mode a new file gets: 0666 less the process's umask, read without
// changing it; 0600 when it cannot be read.
mode_t NewFileMode() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("Umask:", 0) == 0)
      return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 0600;
}

// A new file beside the target, created exclusively at mode 0600 and never
// through a link, under an unguessable name that fits beside any target name.
// Unless renamed over the target, it is removed when the object goes, and
// by SIGINT or SIGTERM while it exists.
class TemporaryFile {
 public:
  TemporaryFile(int folder, const std::string& target_name) : folder_(folder), file_(-1) {
    std::random_device seed;
    std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
    const CleanupSignalsBlocked blocked;
    for (int attempt = 0; attempt < 100; ++attempt) {
      name_ = TemporaryName(target_name, random);
      const int fd = ::openat(folder_, name_.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
      error_ = errno;
      if (fd >= 0) {
        file_.Reset(fd);
        registered_ = RegisterPendingTemporary(folder_, name_);
        return;
      }
      if (error_ != EEXIST) return;
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!file_.Valid()) return;
    const CleanupSignalsBlocked blocked;
    if (!renamed_) ::unlinkat(folder_, name_.c_str(), 0);
    if (registered_) UnregisterPendingTemporary();
  }

  bool Created() const { return file_.Valid(); }
  // Why the creation failed.
  int Error() const { return error_; }
  int Fd() const { return file_.Get(); }
  const std::string& Name() const { return name_; }

  // Waits until the bytes are stored, so that a late write error (a full
  // disk, a network folder) raises "Stream write error" before the rename.
  // The file stays open until the object goes, so that its inode, which the
  // rename checks, cannot be reused meanwhile.
  void Sync() {
    if (::fsync(file_.Get()) != 0 || ::fstat(file_.Get(), &written_) != 0) ThrowWriteError();
  }

  // Renames the synced file over target_name. The name must still hold the
  // file written: one put in its place is never moved onto the target.
  void RenameOver(const std::string& file_name, const std::string& target_name) {
    struct stat now {};
    if (::fstatat(folder_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0)
      ThrowCannotCreate(file_name, errno);
    if (now.st_dev != written_.st_dev || now.st_ino != written_.st_ino) ThrowCannotCreate(file_name, EEXIST);
    const CleanupSignalsBlocked blocked;
    if (::renameat(folder_, name_.c_str(), folder_, target_name.c_str()) != 0)
      ThrowCannotCreate(file_name, errno);
    renamed_ = true;
  }

 private:
  int folder_;
  Descriptor file_;
  std::string name_;
  int error_ = 0;
  bool registered_ = false;
  bool renamed_ = false;
  struct stat written_ {};
};

// Gives the new file the old one's owner and group where the system allows
// (only the superuser gives a file away; a user may choose among their own
// groups) and its mode, keeping set-uid and set-gid only while owner and group
// stay. A new name gets the mode a newly created file would get. Failing to
// widen the mode leaves the file private, which is never unsafe.
void TakeOverAttributes(int fd, const struct stat* old) {
  if (old == nullptr) {
    ::fchmod(fd, NewFileMode());
    return;
  }
  if (::fchown(fd, old->st_uid, old->st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old->st_gid) != 0) {
    // The file keeps the saving user's owner and group.
  }
  mode_t mode = old->st_mode & 07777;
  struct stat now {};
  if (::fstat(fd, &now) != 0 || now.st_uid != old->st_uid || now.st_gid != old->st_gid)
    mode &= ~(S_ISUID | S_ISGID);
  ::fchmod(fd, mode);
}

// ---- when a rename cannot replace the target ----

// Other hard links would keep the old content.
bool HasOtherLinks(const struct stat& target) { return target.st_nlink > 1; }

// A file mounted over a name cannot be renamed over.
bool IsMountPoint(const struct stat& target, const struct stat& folder, int fd) {
  if (target.st_dev != folder.st_dev) return true;
  struct statx attributes {};
  return ::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &attributes) == 0 &&
         (attributes.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
         (attributes.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

// In a folder with the sticky bit, only the file's owner, the folder's owner
// and the superuser may replace the file's name.
bool StickyFolderKeepsName(const struct stat& target, const struct stat& folder) {
  const uid_t user = ::geteuid();
  return (folder.st_mode & S_ISVTX) != 0 && user != 0 && target.st_uid != user && folder.st_uid != user;
}

// A folder the user may not write to refuses the temporary file.
bool FolderRefusesNewNames(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// ---- the target ----

// A link is followed to the file it names, so that saving through it
// replaces that file; a link that leads nowhere stays as it is named.
fs::path ResolveLinks(const std::string& file_name) {
  std::error_code ec;
  if (!fs::is_symlink(file_name, ec)) return file_name;
  fs::path resolved = fs::canonical(file_name, ec);
  return ec ? fs::path(file_name) : resolved;
}

// Replaces the target named target_name in folder with a new file.
// old: the existing regular file with its open descriptor, or null for a new
// name.
void ReplaceAtomically(const std::string& file_name, int folder, const std::string& folder_path,
                       const std::string& target_name, const struct stat* old, Descriptor* old_file,
                       const std::function<void(OutputStream&)>& write_content, const ReplaceHooks& hooks) {
  TemporaryFile temporary(folder, target_name);
  if (!temporary.Created()) {
    if (old_file != nullptr && FolderRefusesNewNames(temporary.Error())) {
      WriteInPlace(*old_file, true, write_content);
      return;
    }
    ThrowCannotCreate(file_name, temporary.Error());
  }
  WriteContent(temporary.Fd(), write_content);
  TakeOverAttributes(temporary.Fd(), old);
  temporary.Sync();
  if (hooks.before_rename) hooks.before_rename((fs::path(folder_path) / temporary.Name()).string());
  temporary.RenameOver(file_name, target_name);
}

}  // namespace

void WriteFileReplacing(const std::string& file_name, const std::function<void(OutputStream&)>& write_content,
                        const ReplaceHooks& hooks) {
  if (file_name.empty()) ThrowCannotCreate(file_name, ENOENT);
  const fs::path target = ResolveLinks(file_name);
  const std::string name = target.filename().string();
  if (name.empty() || name == "." || name == "..") ThrowCannotCreate(file_name, EISDIR);
  const std::string folder_path = target.has_parent_path() ? target.parent_path().string() : ".";
  // Every later step names the target relative to this folder, so that no
  // folder on the way is looked up twice.
  const Descriptor folder(::open(folder_path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Valid()) ThrowCannotCreate(file_name, errno);

  struct stat existing {};
  if (::fstatat(folder.Get(), name.c_str(), &existing, 0) != 0) {
    if (errno != ENOENT) ThrowCannotCreate(file_name, errno);
    ReplaceAtomically(file_name, folder.Get(), folder_path, name, nullptr, nullptr, write_content, hooks);
    return;
  }
  if (S_ISDIR(existing.st_mode)) ThrowCannotCreate(file_name, EISDIR);
  const auto writable_kind = [](mode_t mode) { return S_ISREG(mode) || S_ISCHR(mode) || S_ISBLK(mode); };
  if (!writable_kind(existing.st_mode)) ThrowCannotCreate(file_name, messages::kNotARegularFile);

  // Opening for writing without truncating asks the system whether the user
  // may write the file, and changes nothing. It does not block, even on a
  // FIFO put in its place meanwhile, and a regular file is never reached
  // through a link.
  const int no_follow = S_ISREG(existing.st_mode) ? O_NOFOLLOW : 0;
  Descriptor file(
      ::openat(folder.Get(), name.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | no_follow));
  if (!file.Valid()) ThrowCannotCreate(file_name, errno);
  struct stat opened {};
  if (::fstat(file.Get(), &opened) != 0) ThrowCannotCreate(file_name, errno);
  if (!writable_kind(opened.st_mode)) ThrowCannotCreate(file_name, messages::kNotARegularFile);
  if (!S_ISREG(opened.st_mode)) {
    // A device takes the bytes as they come, blocking as it needs.
    ::fcntl(file.Get(), F_SETFL, ::fcntl(file.Get(), F_GETFL) & ~O_NONBLOCK);
    WriteInPlace(file, false, write_content);
    return;
  }
  struct stat folder_status {};
  if (::fstat(folder.Get(), &folder_status) != 0) ThrowCannotCreate(file_name, errno);
  if (HasOtherLinks(opened) || IsMountPoint(opened, folder_status, file.Get()) ||
      StickyFolderKeepsName(opened, folder_status)) {
    WriteInPlace(file, true, write_content);
    return;
  }
  ReplaceAtomically(file_name, folder.Get(), folder_path, name, &opened, &file, write_content, hooks);
}

}  // namespace kep::output
