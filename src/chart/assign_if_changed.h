#pragma once

#include <utility>

namespace kep::chart {

// Stores value in field and then calls changed (which invalidates the
// picture), only when the two differ: setting a value a part already has
// costs no redraw.
template <typename T, typename Changed>
void AssignIfChanged(T& field, T value, Changed&& changed) {
  if (field == value) return;
  field = std::move(value);
  changed();
}

}  // namespace kep::chart
