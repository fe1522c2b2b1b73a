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
inline constexpr std::string_view kOnlyImageFiles =
    "Images can only be saved as GIF, PNG, SVG or PDF files (*.gif, *.png, *.svg, *.pdf).";
inline constexpr std::string_view kRecentFileGone =
    "The file \"%s\" no longer exists. It has been removed from the recent files.";
inline constexpr std::string_view kIsTheSequenceFile = "It is the sequence file being read";

inline constexpr std::string_view kGrowth = "%s digits/line (\u00d7%s per term)";
inline constexpr std::string_view kGrowthHuge = "%s digits/line (\u00d710^%s per term)";
inline constexpr std::string_view kGrowthTooFewPoints = "fewer than 2 points in view";
inline constexpr std::string_view kTooManySequences = "At most 16 sequences can be shown at once.";
inline constexpr std::string_view kAlreadyShown = "The file \"%s\" is already shown.";
inline constexpr std::string_view kAddDialogTitle = "Add sequence";

inline constexpr std::string_view kReadoutLine = "Line %s";
inline constexpr std::string_view kReadoutFileChanged = "(the file has changed since it was read)";
inline constexpr std::string_view kReadoutUnreadable = "(the line could not be read)";
inline constexpr std::string_view kAllDigitCountsZero =
    "Every point has digit count 0: no line has a word %d. Choose another under View \u25b8 Term column.";

}  // namespace kep::viewer::messages
