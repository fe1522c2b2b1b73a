#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kep::png::test {

// A PNG file as libpng reads it, the pixels as 0x00RRGGBB words row by row.
struct Decoded {
  bool ok = false;
  std::string error;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  bool operator==(const Decoded&) const = default;
};

// Decodes with libpng's own reader, which checks every chunk's CRC and the
// compressed stream.
inline Decoded DecodeWithLibpng(const std::string& bytes) {
  Decoded result;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) == 0) {
    result.error = image.message;
    return result;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
    result.error = image.message;
    return result;
  }
  result.ok = true;
  result.width = static_cast<int>(image.width);
  result.height = static_cast<int>(image.height);
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
    result.pixels.push_back(std::uint32_t{rgb[i]} << 16 | std::uint32_t{rgb[i + 1]} << 8 | rgb[i + 2]);
  }
  return result;
}

}  // namespace kep::png::test
