#pragma once

#include <string_view>

#include "output/messages.h"

namespace kep::gif::messages {

inline constexpr std::string_view kColorTableOverflow = "Color table overflow";
inline constexpr std::string_view kColorNotInTable = "Color not in color table";
inline constexpr std::string_view kUnsupportedPixelFormat = output::messages::kUnsupportedPixelFormat;
inline constexpr std::string_view kInvalidImageDimensions = output::messages::kInvalidImageDimensions;
inline constexpr std::string_view kUnsupportedVersion = "Unsupported GIF version";
inline constexpr std::string_view kImageTooLarge = "Image is too large for GIF";
inline constexpr std::string_view kReductionNotSupported = "Color reduction method %d is not supported";
inline constexpr std::string_view kDitherNotSupported = "Dither kind %d is not supported";
inline constexpr std::string_view kCompressionNotSupported = "Compression kind %d is not supported";
inline constexpr std::string_view kConverting = "Converting...";
inline constexpr std::string_view kSaving = "Saving...";
inline constexpr std::string_view kWidthTooSmall = "Image width too small for contained frames";
inline constexpr std::string_view kHeightTooSmall = "Image height too small for contained frames";
inline constexpr std::string_view kExceedsScreen = "Image exceeds Logical Screen size";

}  // namespace kep::gif::messages
