#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "chart/axis_panel.h"
#include "chart/chart_exceptions.h"
#include "chart_test_support.h"
#include "support/error_text.h"

namespace kep::chart {
namespace {

using raster::clSeriesColor;
using test::ErrorText;
using testing::CountingChart;

// An axis with a fixed range and a laid-out work range.
void Range(ChartAxis& axis, double minimum, double maximum) {
  axis.SetRange(minimum, maximum);
  axis.ComputeRange();
}

std::vector<double> LabelValues(const ChartAxis& axis, double step) {
  std::vector<double> values;
  axis.ForEachLabelValue(step, [&](double v) { values.push_back(v); });
  return values;
}

TEST(AxisRangeTest, AxesInListOrderWithDefaults) {
  CustomAxisPanel chart;
  ASSERT_EQ(chart.Axes().size(), 5u);
  EXPECT_EQ(chart.Axes()[0].get(), &chart.BottomAxis());
  EXPECT_EQ(chart.Axes()[2].get(), &chart.LeftAxis());
  EXPECT_TRUE(chart.BottomAxis().IsHorizontal());
  EXPECT_TRUE(chart.TopAxis().IsOtherSide());
  EXPECT_EQ(chart.LeftAxis().Title().Angle(), 90);
  EXPECT_EQ(chart.RightAxis().Title().Angle(), 270);
  EXPECT_FALSE(chart.DepthAxis().Visible());
  const ChartAxis& axis = chart.LeftAxis();
  EXPECT_TRUE(axis.Automatic());
  EXPECT_EQ(axis.LabelsSeparation(), 10);
  EXPECT_EQ(axis.AxisValuesFormat(), "#,##0.###");
  EXPECT_EQ(axis.Axis().width, 2);
  EXPECT_EQ(axis.Grid().style, raster::PenStyle::psDot);
  EXPECT_FALSE(axis.MinorGrid().visible);
  EXPECT_EQ(axis.LabelsFont().points, 8);
  EXPECT_EQ(axis.TickBandSize(), 6);
}

TEST(AxisRangeTest, RefusedValuesLeaveTheAxisUnchanged) {
  CountingChart chart;
  ChartAxis& axis = chart.LeftAxis();
  const int before = chart.invalidations;
  EXPECT_EQ(ErrorText([&] { axis.SetMaximum(-1); }), "Axis Maximum Value must be >= Minimum");
  EXPECT_EQ(ErrorText([&] { axis.SetMinimum(1); }), "Axis Minimum Value must be <= Maximum");
  EXPECT_EQ(ErrorText([&] { axis.SetIncrement(-0.5); }), "Axis increment must be >= 0");
  EXPECT_EQ(ErrorText([&] { axis.SetLabelsSeparation(-1); }), "Labels Separation % must be greater than 0");
  EXPECT_EQ(ErrorText([&] { axis.SetLabelsAngle(360); }),
            "Axis Labels Angle must be between 0 and 359 degrees");
  EXPECT_EQ(ErrorText([&] { axis.Title().SetAngle(-1); }),
            "Axis Title Angle must be between 0 and 359 degrees");
  EXPECT_THROW(axis.SetMaximum(-1), AxisException);
  EXPECT_THROW(axis.SetLabelsAngle(-90), ChartException);
  EXPECT_EQ(axis.Maximum(), 0);
  EXPECT_EQ(axis.Minimum(), 0);
  EXPECT_EQ(axis.Increment(), 0);
  EXPECT_EQ(axis.LabelsSeparation(), 10);
  EXPECT_EQ(axis.LabelsAngle(), 0);
  EXPECT_EQ(axis.Title().Angle(), 90);
  EXPECT_EQ(chart.invalidations, before);

  axis.SetLabelsSeparation(0);  // zero is accepted
  axis.SetLabelsAngle(359);
  EXPECT_EQ(chart.invalidations, before + 2);
  axis.SetLabelsAngle(359);  // the same value: no repaint
  EXPECT_EQ(chart.invalidations, before + 2);

  chart.SetLoading(true);  // stored settings are taken as they are
  axis.SetMaximum(-1);
  EXPECT_EQ(axis.Maximum(), -1);
}

TEST(AxisRangeTest, AutomaticFlagsFollowEachOther) {
  CustomAxisPanel chart;
  ChartAxis& axis = chart.LeftAxis();
  axis.SetAutomaticMaximum(false);
  EXPECT_FALSE(axis.Automatic());
  EXPECT_TRUE(axis.AutomaticMinimum());
  axis.SetAutomaticMaximum(true);
  EXPECT_TRUE(axis.Automatic());
  axis.SetAutomatic(false);
  EXPECT_FALSE(axis.AutomaticMinimum());
  EXPECT_FALSE(axis.AutomaticMaximum());
  axis.SetAutomaticMinimum(true);  // the other end is still off
  EXPECT_FALSE(axis.Automatic());
}

TEST(AxisRangeTest, SetRangeAndShiftRange) {
  CustomAxisPanel chart;
  auto& series = chart.AddSeries(std::make_unique<ChartSeries>());
  series.AddPoint(1, 2, "", clSeriesColor);
  series.AddPoint(10, 8, "", clSeriesColor);
  ChartAxis& axis = chart.BottomAxis();
  axis.SetRange(10, 2);
  EXPECT_EQ(axis.Minimum(), 2);
  EXPECT_EQ(axis.Maximum(), 10);
  EXPECT_FALSE(axis.Automatic() || axis.AutomaticMinimum() || axis.AutomaticMaximum());
  axis.SetRange(3, 3);
  EXPECT_EQ(axis.Maximum(), 3 + 1e-10);

  axis.SetRange(0, 10);
  axis.ShiftRange(1, true);  // no data beyond the maximum 10
  EXPECT_EQ(axis.Maximum(), 10);
  axis.ShiftRange(-1, true);  // data at 1 lies above the minimum 0
  EXPECT_EQ(axis.Minimum(), 0);
  axis.ShiftRange(2.5, false);
  EXPECT_EQ(axis.Minimum(), 2.5);
  EXPECT_EQ(axis.Maximum(), 12.5);
  axis.ShiftRange(-1, true);
  EXPECT_EQ(axis.Minimum(), 1.5);
}

TEST(AxisRangeTest, ComputeRangeTakesTheSeriesExtremes) {
  CustomAxisPanel chart;
  ChartAxis& bottom = chart.BottomAxis();
  ChartAxis& left = chart.LeftAxis();
  bottom.ComputeRange();
  EXPECT_EQ(bottom.WorkMinimum(), 0);
  EXPECT_EQ(bottom.WorkMaximum(), 0);

  auto& series = chart.AddSeries(std::make_unique<ChartSeries>());
  series.AddPoint(5, 7, "", clSeriesColor);
  bottom.ComputeRange();
  EXPECT_EQ(bottom.WorkMinimum(), 5);
  EXPECT_EQ(bottom.WorkRange(), 0);
  series.AddPoint(9, -3, "", clSeriesColor);
  bottom.ComputeRange();
  left.ComputeRange();
  EXPECT_EQ(bottom.WorkMaximum(), 9);
  EXPECT_EQ(left.WorkMinimum(), -3);
  EXPECT_EQ(left.WorkMaximum(), 7);

  // A fixed maximum stays; the automatic minimum still follows the data.
  left.SetAutomaticMaximum(false);
  left.SetMaximum(41);
  series.AddPoint(10, -4, "", clSeriesColor);
  left.ComputeRange();
  EXPECT_EQ(left.WorkMaximum(), 41);
  EXPECT_EQ(left.WorkMinimum(), -4);

  // Without an active series, inactive ones still give the range.
  series.SetActive(false);
  EXPECT_EQ(chart.SeriesExtreme(bottom, true, true), 10);
  // A second, active series on the axis takes over.
  auto& other = chart.AddSeries(std::make_unique<ChartSeries>());
  other.AddPoint(2, 2, "", clSeriesColor);
  EXPECT_EQ(chart.SeriesExtreme(bottom, true, true), 2);
  // No series uses the top axis.
  EXPECT_EQ(chart.SeriesExtreme(chart.TopAxis(), true, true), 0);
}

TEST(AxisRangeTest, NextNiceStepFollowsOneTwoFive) {
  const struct {
    double x, next;
  } cases[] = {{1, 2},     {2, 5},         {5, 10},      {10, 20},        {20, 50},       {50, 100},
               {3, 5},     {7, 10},        {0.3, 0.5},   {0.1, 0.2},      {0.2, 0.5},     {1e-12, 2e-12},
               {1e6, 2e6}, {1.5e-7, 2e-7}, {2e-7, 5e-7}, {9.99e-5, 1e-4}, {1e300, 2e300}, {5e307, 1e308}};
  for (const auto& c : cases) EXPECT_EQ(NextNiceStep(c.x), c.next) << c.x;
  // Every member of the sequence moves to the next one, in every decade.
  for (int exponent = -300; exponent <= 300; ++exponent) {
    const double one = std::stod("1e" + std::to_string(exponent));
    const double two = std::stod("2e" + std::to_string(exponent));
    const double five = std::stod("5e" + std::to_string(exponent));
    EXPECT_EQ(NextNiceStep(one), two) << exponent;
    EXPECT_EQ(NextNiceStep(two), five) << exponent;
    EXPECT_EQ(NextNiceStep(five), std::stod("1e" + std::to_string(exponent + 1))) << exponent;
  }
}

TEST(AxisRangeTest, LabelSteps) {
  CustomAxisPanel chart;
  ChartAxis& axis = chart.LeftAxis();
  const struct {
    double minimum, maximum, increment;
    int separation, max_labels;
    double step;
  } cases[] = {
      {0, 41, 0, 10, 29, 2},  // 41 labels too many; 41 / 2 = 20.5 rounds to 20
      {0, 40, 0, 10, 20, 2},
      {1, 1000, 0, 10, 18, 100},  // 999 / 50 rounds to 20 > 18
      {0, 30, 3, 10, 6, 5},       // a step of 3 does not fit, 5 does
      {0, 30, 3, 10, 10, 3},
      {0, 1e-10, 0, 10, 29, 5e-12},  // 100 labels at 1e-12, 50 at 2e-12, 20 at 5e-12
      {0, 0.5, 0, 10, 10, 0.05},
      {0, 41, 0, 10, 0, 1e-12},    // no label fits
      {0, 20000, 0, 0, 20, 1000},  // labels fit without separation too
      {0, 1e300, 0, 10, 10, 1e299},
  };
  for (const auto& c : cases) {
    Range(axis, c.minimum, c.maximum);
    axis.SetIncrement(c.increment);
    axis.SetLabelsSeparation(c.separation);
    EXPECT_DOUBLE_EQ(axis.ComputeLabelStep(c.max_labels), c.step) << c.minimum << ".." << c.maximum;
  }
}

TEST(AxisRangeTest, LabelSizeMeasuresInTheLabelsFontAndLeavesTheCanvasFont) {
  CustomAxisPanel chart;
  ChartAxis& axis = chart.BottomAxis();
  Range(axis, 0, 123456);
  raster::Font big = axis.LabelsFont();
  big.points *= 3;
  axis.SetLabelsFont(big);
  raster::Font other = big;
  other.points = 5;
  chart.Canvas().SetFont(other);
  const int size = axis.LabelSize();
  EXPECT_EQ(chart.Canvas().GetFont(), other);
  chart.Canvas().SetFont(big);
  EXPECT_EQ(size, chart.Canvas().TextWidth(axis.LabelText(123456)));
}

TEST(AxisRangeTest, LabelValuesFromTheLargestDown) {
  CustomAxisPanel chart;
  ChartAxis& axis = chart.BottomAxis();
  using V = std::vector<double>;
  Range(axis, 1, 1000);
  EXPECT_EQ(LabelValues(axis, 100), (V{1000, 900, 800, 700, 600, 500, 400, 300, 200, 100}));
  Range(axis, 0, 0.3);
  // 0.3 / 0.1 is 2.9999999999999996 in doubles, so the first label is 0.2.
  EXPECT_EQ(LabelValues(axis, 0.1), (V{0.2, 0.1, 0}));
  Range(axis, -1000, 1000);
  EXPECT_EQ(LabelValues(axis, 500), (V{1000, 500, 0, -500, -1000}));
  Range(axis, 0, 20000);
  EXPECT_EQ(LabelValues(axis, 1), V{});  // 20000 labels are never produced

  Range(axis, 0.5, 9.7);
  axis.SetRoundFirstLabel(false);
  const V values = LabelValues(axis, 2);
  ASSERT_EQ(values.size(), 5u);
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_NEAR(values[i], 9.7 - 2.0 * i, 1e-12);
  axis.SetRoundFirstLabel(true);

  Range(axis, 0, 41);
  const V even = LabelValues(axis, 2);
  ASSERT_EQ(even.size(), 21u);
  EXPECT_EQ(even.front(), 40);
  EXPECT_EQ(even.back(), 0);
}

// A single point gives a zero range and the smallest step; wherever the
// point lies, the loop ends with one label.
TEST(AxisRangeTest, ZeroRangeGivesOneLabel) {
  CustomAxisPanel chart;
  ChartAxis& axis = chart.BottomAxis();
  auto& series = chart.AddSeries(std::make_unique<ChartSeries>());
  for (double x : {5.0, 0.0, -3.0, 16384.0, 123456789.0, 1e15, 1e300}) {
    series.ClearPoints();
    series.AddPoint(x, 1, "", clSeriesColor);
    axis.ComputeRange();
    EXPECT_EQ(axis.ComputeLabelStep(29), 1e-12);
    EXPECT_EQ(LabelValues(axis, 1e-12), std::vector<double>{x}) << x;
  }
  // A range of one unit in the last place with a step below the resolution.
  Range(axis, 1e6, std::nextafter(1e6, 2e6));
  const std::vector<double> values = LabelValues(axis, 1e-11);
  EXPECT_GE(values.size(), 1u);
  EXPECT_LE(values.size(), 2u);
  // Whatever the step, no more labels than the tick list holds.
  Range(axis, 0, 9999);
  EXPECT_EQ(LabelValues(axis, 1).size(), ChartAxis::kMaxTickPositions);
}

TEST(AxisRangeTest, LabelTextFormatsAndPassesTheEvent) {
  CustomAxisPanel chart;
  chart.SetLabelNumberFormat(NumberFormat(",", "."));
  ChartAxis& axis = chart.BottomAxis();
  EXPECT_EQ(axis.LabelText(1234.5), "1,234.5");
  EXPECT_EQ(axis.LabelText(0.0004), "0");
  chart.OnGetAxisLabel = [](ChartAxis& a, ChartSeries* series, int index, std::string& text) {
    EXPECT_EQ(series, nullptr);
    EXPECT_EQ(index, -1);
    text = (a.IsHorizontal() ? "x " : "y ") + text;
  };
  EXPECT_EQ(axis.LabelText(2), "x 2");
  axis.SetLabelsMultiLine(true);
  EXPECT_EQ(axis.LabelText(1500), "x\r1,500");
  chart.SetLabelNumberFormat(NumberFormat(".", ","));
  axis.SetAxisValuesFormat("0.00");
  EXPECT_EQ(axis.LabelText(-1.5), "x\r-1,50");
}

TEST(AxisRangeTest, EffectiveLabelStyle) {
  CustomAxisPanel chart;
  EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), AxisLabelStyle::talNone);
  auto& series = chart.AddSeries(std::make_unique<ChartSeries>());
  series.AddPoint(1, 1, "", clSeriesColor);
  EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), AxisLabelStyle::talValue);
  EXPECT_EQ(chart.LeftAxis().EffectiveLabelStyle(), AxisLabelStyle::talValue);
  EXPECT_EQ(chart.TopAxis().EffectiveLabelStyle(), AxisLabelStyle::talNone);
  EXPECT_EQ(chart.RightAxis().EffectiveLabelStyle(), AxisLabelStyle::talNone);
  series.AddPoint(0, 1, "first", clSeriesColor);
  EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), AxisLabelStyle::talText);
  EXPECT_EQ(chart.LeftAxis().EffectiveLabelStyle(), AxisLabelStyle::talValue);
  chart.BottomAxis().SetLabelStyle(AxisLabelStyle::talValue);
  EXPECT_EQ(chart.BottomAxis().EffectiveLabelStyle(), AxisLabelStyle::talValue);
  series.SetActive(false);
  EXPECT_EQ(chart.LeftAxis().EffectiveLabelStyle(), AxisLabelStyle::talNone);
}

}  // namespace
}  // namespace kep::chart
