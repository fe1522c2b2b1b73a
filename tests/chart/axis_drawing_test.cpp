#include <gtest/gtest.h>

#include <vector>

#include "chart/axis_panel.h"
#include "raster/bitmap.h"

namespace kep::chart {
namespace {

TEST(AxisDrawingTest, Placeholder) {}

}  // namespace
}  // namespace kep::chart
