#pragma once

#include <optional>
#include <string_view>

namespace kep::output {

enum class ImageFormat { kGif, kPng };

// The image format a file name's extension names, in any case: ".gif" or
// ".png"; nothing for any other extension or none.
std::optional<ImageFormat> ImageFormatOf(std::string_view path);

}  // namespace kep::output
