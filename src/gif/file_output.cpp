#include "gif/file_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "common/error.h"
#include "common/format.h"
#include "gif/messages.h"

namespace kep::gif {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowCannotCreate(const std::string& file_name, int error) {
  throw FileError(FormatMessage(messages::kCannotCreateFile, file_name, std::strerror(error)));
}

// Buffered writes to an open C stream; failures raise "Stream write error".
class FileStream : public OutputStream {
 public:
  explicit FileStream(std::FILE* file) : file_(file) {}
  void Write(const void* data, std::size_t size) override {
    if (size != 0 && std::fwrite(data, 1, size, file_) != size) ThrowWriteError();
  }

 private:
  std::FILE* file_;
};

// Writes everything, then flushes and closes the file; the file is closed in all cases.
void WriteAndClose(std::FILE* file, const std::function<void(OutputStream&)>& write_content) {
  try {
    FileStream stream(file);
    write_content(stream);
  } catch (...) {
    std::fclose(file);
    throw;
  }
  const bool flushed = std::fflush(file) == 0;
  const bool closed = std::fclose(file) == 0;
  if (!flushed || !closed) ThrowWriteError();
}

}  // namespace

void WriteFileReplacing(const std::string& file_name,
                        const std::function<void(OutputStream&)>& write_content) {
  std::error_code ec;
  fs::path target(file_name);
  if (fs::is_symlink(target, ec)) {
    // Replace the file the link points to, not the link.
    const fs::path resolved = fs::canonical(target, ec);
    if (!ec) target = resolved;
  }
  const fs::file_status status = fs::status(target, ec);
  if (fs::is_directory(status)) ThrowCannotCreate(file_name, EISDIR);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    std::FILE* file = std::fopen(target.c_str(), "wb");
    if (file == nullptr) ThrowCannotCreate(file_name, errno);
    WriteAndClose(file, write_content);
    return;
  }

  // A new name beside the target, created exclusively.
  std::random_device seed;
  std::mt19937 random(seed());
  fs::path temporary;
  std::FILE* file = nullptr;
  for (int attempt = 0; file == nullptr; ++attempt) {
    temporary = target;
    temporary += FormatMessage(".%s.tmp", static_cast<unsigned long>(random() % 100000000u));
    file = std::fopen(temporary.c_str(), "wbx");
    if (file == nullptr && (errno != EEXIST || attempt == 100)) ThrowCannotCreate(file_name, errno);
  }
  try {
    if (fs::is_regular_file(status)) {
      fs::permissions(temporary, status.permissions(), ec);  // keep the old file's permissions
    }
    WriteAndClose(file, write_content);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) ThrowCannotCreate(file_name, errno);
  } catch (...) {
    fs::remove(temporary, ec);
    throw;
  }
}

}  // namespace kep::gif
