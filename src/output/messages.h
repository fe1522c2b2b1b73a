#pragma once

#include <string_view>

namespace kep::output::messages {

inline constexpr std::string_view kCannotCreateFile = "Cannot create file \"%s\". %s";
inline constexpr std::string_view kNotARegularFile = "It is not a regular file";
inline constexpr std::string_view kStreamWriteError = "Stream write error";
inline constexpr std::string_view kUnsupportedPixelFormat = "Unsupported PixelFormat";
inline constexpr std::string_view kInvalidImageDimensions = "Invalid image dimensions";
inline constexpr std::string_view kImageHasNoDIB = "Image has no DIB";

}  // namespace kep::output::messages
