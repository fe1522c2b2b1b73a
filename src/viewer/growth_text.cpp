#include "viewer/growth_text.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/format.h"
#include "viewer/messages.h"

namespace kep::viewer {

namespace {

// Factors from here on are shown as powers of ten.
constexpr double kHugeFactor = 1e9;
// At most this many decimals, however slowly a sequence grows.
constexpr int kMaxDecimals = 12;

// The decimals that show value (not 0) with about significant digits, and
// at least fewest: a slope of 3.9e-7 digits a line shows as 0.0000003900,
// not as 0.0000.
int DecimalsFor(double value, int significant, int fewest) {
  if (!(value != 0) || !std::isfinite(value)) return fewest;
  const int leading = static_cast<int>(std::floor(std::log10(std::abs(value))));
  return std::clamp(significant - 1 - leading, fewest, kMaxDecimals);
}

// The pattern of a number with decimals decimals, digit groups from grouped.
std::string Pattern(std::string_view grouped, int decimals) {
  return std::string(grouped) + "." + std::string(static_cast<std::size_t>(decimals), '0');
}

}  // namespace

chart::GrowthSums::Fit VisibleGrowth(chart::LineSeries& series) {
  series.FindVisiblePoints();
  return series.Growth(series.FirstVisiblePoint(), series.LastVisiblePoint());
}

std::string GrowthText(const chart::GrowthSums::Fit& fit, const chart::NumberFormat& format) {
  if (std::isnan(fit.slope)) return std::string(messages::kGrowthTooFewPoints);
  std::string slope = format.Format(fit.slope, Pattern("0", DecimalsFor(fit.slope, 4, 4)));
  if (slope.front() != '-') slope.insert(slope.begin(), '+');
  const double factor = std::pow(10.0, fit.slope);
  // The factor's distance from 1 decides its decimals, so that a slow growth
  // does not show as a factor of exactly 1.
  const double factor_less_one = std::expm1(fit.slope * std::log(10.0));
  if (factor < kHugeFactor)
    return FormatMessage(messages::kGrowth, slope,
                         format.Format(factor, Pattern("#,##0", DecimalsFor(factor_less_one, 3, 3))));
  return FormatMessage(messages::kGrowthHuge, slope, format.Format(fit.slope, "#,##0.###"));
}

}  // namespace kep::viewer
