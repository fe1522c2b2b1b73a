#pragma once

#include <string>

#include "chart/growth_sums.h"
#include "chart/line_series.h"
#include "chart/number_format.h"

namespace kep::viewer {

// The growth of a sequence over the points a chart shows: the least-squares
// slope of digit count against line position, read from the series' running
// sums over its visible points (which this finds from the chart's axes).
chart::GrowthSums::Fit VisibleGrowth(chart::LineSeries& series);

// "+0.2090 digits/line (×1.618 per term)": the slope with four decimals and
// the factor per term, 10^slope, with three (as a power of ten when it is
// huge); or that fewer than 2 points are in view. The separators are
// format's.
std::string GrowthText(const chart::GrowthSums::Fit& fit, const chart::NumberFormat& format);

}  // namespace kep::viewer
