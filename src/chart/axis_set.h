#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <utility>

#include "chart/chart_axis.h"

namespace kep::chart {

// The axes of a chart, in the order of its axis list. The first four are the
// main axes that zooming, scrolling and their undo work on; the depth axis
// belongs to 3D drawing and is left alone by them.
enum class AxisId : std::size_t { kBottom, kTop, kLeft, kRight, kDepth };

inline constexpr std::array<AxisId, 4> kMainAxes = {AxisId::kBottom, AxisId::kTop, AxisId::kLeft,
                                                    AxisId::kRight};

// One value for each main axis. The members stand in the order of AxisId, so
// that designated initializers ({.bottom = ..., .left = ...}) name every axis
// they set and the compiler refuses them out of order.
template <typename T>
struct MainAxisValues {
  T bottom{};
  T top{};
  T left{};
  T right{};

  T& operator[](AxisId id) { return const_cast<T&>(std::as_const(*this)[id]); }
  const T& operator[](AxisId id) const {
    switch (id) {
      case AxisId::kBottom:
        return bottom;
      case AxisId::kTop:
        return top;
      case AxisId::kLeft:
        return left;
      case AxisId::kRight:
        break;
      case AxisId::kDepth:
        assert(!"the depth axis has no main-axis value");
        break;
    }
    return right;
  }
  friend bool operator==(const MainAxisValues&, const MainAxisValues&) = default;
};

// The range an axis is zoomed to: from one value to the other, in either
// order.
struct AxisRange {
  double from = 0;
  double to = 0;
  friend bool operator==(const AxisRange&, const AxisRange&) = default;
};

using AxisRanges = MainAxisValues<AxisRange>;
using AxisScales = MainAxisValues<AxisScale>;

}  // namespace kep::chart
