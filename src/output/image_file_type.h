#pragma once

#include <optional>
#include <string_view>

namespace kep::output {

enum class ImageFormat { kGif, kPng, kSvg, kPdf };

// The image format a file name's extension names, in any case: ".gif",
// ".png", ".svg" or ".pdf"; nothing for any other extension or none.
std::optional<ImageFormat> ImageFormatOf(std::string_view path);

// SVG and PDF files hold drawings; GIF and PNG files hold pixels.
inline bool IsVectorFormat(ImageFormat format) {
  return format == ImageFormat::kSvg || format == ImageFormat::kPdf;
}

}  // namespace kep::output
