#pragma once

#include <string_view>

namespace kep::sequence::messages {

inline constexpr std::string_view kCannotOpenFile = "Cannot open file \"%s\". %s";
inline constexpr std::string_view kListIndexOutOfBounds = "List index out of bounds (%d)";
inline constexpr std::string_view kNotARegularFile = "It is not a regular file";
inline constexpr std::string_view kOutOfMemory = "Out of memory";

}  // namespace kep::sequence::messages
