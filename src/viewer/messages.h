#pragma once

#include <string_view>

namespace kep::viewer::messages {

inline constexpr std::string_view kInitialChartTitle = "Tavrine file: ";
inline constexpr std::string_view kLoadedChartTitle = "Sequence file: ";
inline constexpr std::string_view kBottomAxisTitle = "Sequence Length";
inline constexpr std::string_view kLeftAxisTitle = "Number Size";
inline constexpr std::string_view kSeriesTitle = "Sequence: ";
inline constexpr std::string_view kOpenDialogTitle = "Open sequence";
inline constexpr std::string_view kSaveDialogTitle = "Save Chart Image";
inline constexpr std::string_view kOutOfMemory = "Out of memory";
inline constexpr std::string_view kOnlyGifFiles = "Images can only be saved as GIF files (*.gif).";

}  // namespace kep::viewer::messages
