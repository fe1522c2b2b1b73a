#pragma once

namespace kep::chart {

// Mouse buttons and modifier keys as the chart's input handlers receive them.
enum class MouseButton { mbLeft, mbRight, mbMiddle };

struct ShiftState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  friend bool operator==(const ShiftState&, const ShiftState&) = default;
};

enum class ArrowKey { kLeft, kRight, kUp, kDown };

}  // namespace kep::chart
