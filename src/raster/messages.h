#pragma once

#include <string_view>

namespace kep::raster::messages {

inline constexpr std::string_view kFontEngineFailed =
    "The font engine could not be started (FreeType error %d)";
inline constexpr std::string_view kFontConfigFailed = "The font configuration could not be loaded";
inline constexpr std::string_view kNoFontFound =
    "No font could be found: neither \"%s\" nor a default sans-serif face is installed";

}  // namespace kep::raster::messages
