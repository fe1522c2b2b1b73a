// Sets the axes of a chart with arbitrary values (ranges, increments, label
// separations, angles, automatic flags, formats, positions, ticks) and moves
// them with SetRange and ShiftRange, painting the chart after every change.
// Setters may refuse a value only with AxisException or ChartException, and
// then keep the old value; the layout and the axis drawing must neither
// throw nor hang, and every axis keeps at most kMaxTickPositions labels.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "chart/chart.h"
#include "chart/chart_exceptions.h"
#include "chart/headless_host.h"
#include "chart/line_series.h"
#include "fuzz_support.h"

namespace {

using kep::chart::AxisLabelStyle;
using kep::chart::ChartAxis;
using kep::fuzz::ConsumeChartDouble;

// The range and label settings a refused setter must leave as they were.
struct AxisState {
  bool automatic, automatic_minimum, automatic_maximum;
  double minimum, maximum, increment;
  int separation, labels_angle, title_angle;

  static AxisState Of(const ChartAxis& axis) {
    return {axis.Automatic(),        axis.AutomaticMinimum(), axis.AutomaticMaximum(),
            axis.Minimum(),          axis.Maximum(),          axis.Increment(),
            axis.LabelsSeparation(), axis.LabelsAngle(),      axis.Title().Angle()};
  }
  // Bitwise for the doubles, so that NaN equals NaN.
  bool operator==(const AxisState& other) const {
    return automatic == other.automatic && automatic_minimum == other.automatic_minimum &&
           automatic_maximum == other.automatic_maximum && Same(minimum, other.minimum) &&
           Same(maximum, other.maximum) && Same(increment, other.increment) &&
           separation == other.separation && labels_angle == other.labels_angle &&
           title_angle == other.title_angle;
  }
  static bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
};

int ConsumeAngleOrAny(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? input.ConsumeIntegralInRange(-1, 360) : input.ConsumeIntegral<int>();
}

void ChangeAxis(FuzzedDataProvider& input, ChartAxis& axis) {
  switch (input.ConsumeIntegralInRange(0, 21)) {
    case 0:
      axis.SetMinimum(ConsumeChartDouble(input));
      break;
    case 1:
      axis.SetMaximum(ConsumeChartDouble(input));
      break;
    case 2:
      axis.SetIncrement(ConsumeChartDouble(input));
      break;
    case 3:
      axis.SetLabelsSeparation(input.ConsumeBool() ? input.ConsumeIntegralInRange(-1, 200)
                                                   : input.ConsumeIntegral<int>());
      break;
    case 4:
      axis.SetLabelsAngle(ConsumeAngleOrAny(input));
      break;
    case 5:
      axis.Title().SetAngle(ConsumeAngleOrAny(input));
      break;
    case 6:
      axis.SetAutomatic(input.ConsumeBool());
      break;
    case 7:
      axis.SetAutomaticMinimum(input.ConsumeBool());
      break;
    case 8:
      axis.SetAutomaticMaximum(input.ConsumeBool());
      break;
    case 9: {
      const double a = ConsumeChartDouble(input);
      axis.SetRange(a, ConsumeChartDouble(input));
      break;
    }
    case 10: {
      const double delta = ConsumeChartDouble(input);
      axis.ShiftRange(delta, input.ConsumeBool());
      break;
    }
    case 11:
      axis.SetAxisValuesFormat(input.ConsumeRandomLengthString(24));
      break;
    case 12:
      axis.SetLabelStyle(static_cast<AxisLabelStyle>(input.ConsumeIntegralInRange(0, 4)));
      break;
    case 13:
      axis.SetRoundFirstLabel(input.ConsumeBool());
      break;
    case 14:
      axis.SetInverted(input.ConsumeBool());
      break;
    case 15:
      axis.SetLabelsMultiLine(input.ConsumeBool());
      break;
    case 16:
      axis.SetStartPosition(ConsumeChartDouble(input));
      break;
    case 17:
      axis.SetEndPosition(ConsumeChartDouble(input));
      break;
    case 18:
      axis.SetPositionPercent(ConsumeChartDouble(input));
      break;
    case 19:
      axis.SetMinorTickCount(input.ConsumeIntegralInRange(-2, 3000));
      break;
    case 20:
      axis.SetTickLength(input.ConsumeIntegralInRange(-50, 300));
      break;
    default:
      axis.Title().SetCaption(input.ConsumeRandomLengthString(16));
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  kep::chart::Chart chart;
  auto& series =
      static_cast<kep::chart::LineSeries&>(chart.AddSeries(std::make_unique<kep::chart::LineSeries>()));
  const int points = input.ConsumeIntegralInRange(0, 8);
  for (int i = 0; i < points; ++i) {
    const double x = ConsumeChartDouble(input);
    series.AddPoint(x, ConsumeChartDouble(input), input.ConsumeBool() ? "label" : "",
                    kep::raster::clSeriesColor);
  }
  kep::chart::HeadlessHost host(chart, input.ConsumeIntegralInRange(0, 500),
                                input.ConsumeIntegralInRange(0, 400));
  host.ProcessPaint();

  for (int steps = 0; steps < 32 && input.remaining_bytes() > 0; ++steps) {
    ChartAxis& axis = *chart.Axes()[input.ConsumeIntegralInRange<std::size_t>(0, chart.Axes().size() - 1)];
    const AxisState before = AxisState::Of(axis);
    try {
      ChangeAxis(input, axis);
    } catch (const kep::chart::AxisException&) {
      KEP_CHECK(AxisState::Of(axis) == before);
    } catch (const kep::chart::ChartException&) {
      KEP_CHECK(AxisState::Of(axis) == before);
    }
    host.ProcessPaint();
    for (const auto& each : chart.Axes()) {
      KEP_CHECK(each->DrawnLabels().size() <= ChartAxis::kMaxTickPositions);
      KEP_CHECK(each->TickPositions().size() <= ChartAxis::kMaxTickPositions);
    }
  }
  return 0;
}
