#include "viewer/growth_text.h"

#include <cmath>

#include "common/format.h"
#include "viewer/messages.h"

namespace kep::viewer {

namespace {

// Factors from here on are shown as powers of ten.
constexpr double kHugeFactor = 1e9;

}  // namespace

chart::GrowthSums::Fit VisibleGrowth(chart::LineSeries& series) {
  series.FindVisiblePoints();
  return series.Growth(series.FirstVisiblePoint(), series.LastVisiblePoint());
}

std::string GrowthText(const chart::GrowthSums::Fit& fit, const chart::NumberFormat& format) {
  if (std::isnan(fit.slope)) return std::string(messages::kGrowthTooFewPoints);
  std::string slope = format.Format(fit.slope, "0.0000");
  if (slope.front() != '-') slope.insert(slope.begin(), '+');
  const double factor = std::pow(10.0, fit.slope);
  if (factor < kHugeFactor)
    return FormatMessage(messages::kGrowth, slope, format.Format(factor, "#,##0.000"));
  return FormatMessage(messages::kGrowthHuge, slope, format.Format(fit.slope, "#,##0.###"));
}

}  // namespace kep::viewer
