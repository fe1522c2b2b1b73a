#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <vector>

namespace kep::output {

// Where the bytes of an image file go. Write either takes every byte or throws
// (a write failure raises kep::FileError "Stream write error").
class OutputStream {
 public:
  virtual ~OutputStream() = default;
  virtual void Write(const void* data, std::size_t size) = 0;
  void WriteByte(std::uint8_t value) { Write(&value, 1); }
  // A 16-bit value, little-endian.
  void WriteWord(std::uint16_t value);
};

// Collects the bytes in memory.
class MemoryStream : public OutputStream {
 public:
  void Write(const void* data, std::size_t size) override;
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  void Clear() { bytes_.clear(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Forwards to a standard output stream.
class StdOutputStream : public OutputStream {
 public:
  explicit StdOutputStream(std::ostream& out) : out_(out) {}
  void Write(const void* data, std::size_t size) override;

 private:
  std::ostream& out_;
};

// Raises the stream write error.
[[noreturn]] void ThrowWriteError();

}  // namespace kep::output
