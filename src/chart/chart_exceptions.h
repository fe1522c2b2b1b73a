#pragma once

#include "common/error.h"

namespace kep::chart {

// An axis setter refused a value; the axis keeps its previous values.
class AxisException : public Error {
 public:
  using Error::Error;
};

// A chart setter refused a value; the chart keeps its previous values.
class ChartException : public Error {
 public:
  using Error::Error;
};

}  // namespace kep::chart
