#pragma once

#include <string_view>

namespace kep::app::messages {

inline constexpr std::string_view kApplicationTitle = "KEP Graph";
inline constexpr std::string_view kCannotOpenClipboard = "Cannot open clipboard";
inline constexpr std::string_view kUnsupportedClipboardFormat = "Unsupported clipboard format";
inline constexpr std::string_view kOutOfMemory = "Out of memory";

// Loading and following, in the status bar and the View menu.
inline constexpr std::string_view kCancelLoad = "Cancel";
inline constexpr std::string_view kLoading = "Loading %1: %2 lines";
inline constexpr std::string_view kPointsAtRest = "%1 points, largest digit count %2, %3";
inline constexpr std::string_view kFollowing = "following file changes";
inline constexpr std::string_view kNotFollowing = "not following file changes";
inline constexpr std::string_view kFollowFailed = " (last change: %1)";
// Between the points at rest and a note about them.
inline constexpr std::string_view kNoteSeparator = " \u2014 ";
inline constexpr std::string_view kFileNotFound = "File no longer found";
inline constexpr std::string_view kFollowFileChanges = "Follow file changes";

}  // namespace kep::app::messages
