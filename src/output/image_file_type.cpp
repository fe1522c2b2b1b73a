#include "output/image_file_type.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "common/file_name.h"

namespace kep::output {

std::optional<ImageFormat> ImageFormatOf(std::string_view path) {
  std::string extension(ExtensionOf(path));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".gif") return ImageFormat::kGif;
  if (extension == ".png") return ImageFormat::kPng;
  if (extension == ".svg") return ImageFormat::kSvg;
  if (extension == ".pdf") return ImageFormat::kPdf;
  return std::nullopt;
}

}  // namespace kep::output
