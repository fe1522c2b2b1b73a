#pragma once

#include <string_view>

namespace kep::app::messages {

inline constexpr std::string_view kApplicationTitle = "KEP Graph";
inline constexpr std::string_view kCannotOpenClipboard = "Cannot open clipboard";
inline constexpr std::string_view kUnsupportedClipboardFormat = "Unsupported clipboard format";
inline constexpr std::string_view kOutOfMemory = "Out of memory";

}  // namespace kep::app::messages
