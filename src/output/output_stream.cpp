#include "output/output_stream.h"

#include <ostream>
#include <string>

#include "common/error.h"
#include "output/messages.h"

namespace kep::output {

void OutputStream::WriteWord(std::uint16_t value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value & 0xFF),
                                 static_cast<std::uint8_t>(value >> 8)};
  Write(bytes, 2);
}

void MemoryStream::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
}

void StdOutputStream::Write(const void* data, std::size_t size) {
  out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out_) ThrowWriteError();
}

void ThrowWriteError() { throw FileError(std::string(messages::kStreamWriteError)); }

}  // namespace kep::output
