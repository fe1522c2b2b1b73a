#pragma once

#include <string_view>

namespace kep::chart::messages {

inline constexpr std::string_view kAxisMaximum = "Axis Maximum Value must be >= Minimum";
inline constexpr std::string_view kAxisMinimum = "Axis Minimum Value must be <= Maximum";
inline constexpr std::string_view kAxisIncrement = "Axis increment must be >= 0";
inline constexpr std::string_view kAxisLabelsSeparation = "Labels Separation % must be greater than 0";
inline constexpr std::string_view kAngle = "%s Angle must be between 0 and 359 degrees";
inline constexpr std::string_view kAxisLabelsName = "Axis Labels";
inline constexpr std::string_view kAxisTitleName = "Axis Title";
inline constexpr std::string_view kListIndexOutOfBounds = "List index out of bounds (%d)";
inline constexpr std::string_view kTooManyPoints = "A series cannot hold more than %d points";
inline constexpr std::string_view kChart3DPercent = "3D effect percent must be between %d and %d";
inline constexpr std::string_view kOutOfResources = "Out of system resources";

// Default font of every text of the chart.
inline constexpr std::string_view kDefaultFontName = "Arial";
inline constexpr int kDefaultFontPoints = 8;

}  // namespace kep::chart::messages
