#pragma once

#include <string_view>

namespace kep::gif::messages {

inline constexpr std::string_view kColorTableOverflow = "Color table overflow";
inline constexpr std::string_view kColorNotInTable = "Color not in color table";
inline constexpr std::string_view kUnsupportedPixelFormat = "Unsupported PixelFormat";
inline constexpr std::string_view kInvalidImageDimensions = "Invalid image dimensions";
inline constexpr std::string_view kImageHasNoDIB = "Image has no DIB";
inline constexpr std::string_view kUnsupportedVersion = "Unsupported GIF version";
inline constexpr std::string_view kImageTooLarge = "Image is too large for GIF";
inline constexpr std::string_view kReductionNotSupported = "Color reduction method %d is not supported";
inline constexpr std::string_view kDitherNotSupported = "Dither kind %d is not supported";
inline constexpr std::string_view kCompressionNotSupported = "Compression kind %d is not supported";
inline constexpr std::string_view kCannotCreateFile = "Cannot create file \"%s\". %s";
inline constexpr std::string_view kNotARegularFile = "It is not a regular file";
inline constexpr std::string_view kStreamWriteError = "Stream write error";
inline constexpr std::string_view kConverting = "Converting...";
inline constexpr std::string_view kSaving = "Saving...";
inline constexpr std::string_view kWidthTooSmall = "Image width too small for contained frames";
inline constexpr std::string_view kHeightTooSmall = "Image height too small for contained frames";
inline constexpr std::string_view kExceedsScreen = "Image exceeds Logical Screen size";

}  // namespace kep::gif::messages
