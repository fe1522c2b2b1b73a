#pragma once

namespace kep {

// One point of a chart in value space: the sequence reader hands these out
// and a series takes them in bulk.
struct ValuePoint {
  double x = 0;
  double y = 0;

  friend bool operator==(const ValuePoint&, const ValuePoint&) = default;
};

}  // namespace kep
