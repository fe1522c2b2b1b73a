#pragma once

#include "chart/axis_panel.h"

namespace kep::chart::testing {

// A chart that counts its invalidations.
class CountingChart : public CustomAxisPanel {
 public:
  void InvalidateChart() override {
    ++invalidations;
    CustomAxisPanel::InvalidateChart();
  }
  int invalidations = 0;
};

}  // namespace kep::chart::testing
