// Drives the viewer's chart in a headless window of arbitrary size (down to
// 0 x 0) over arbitrary points (NaN, infinities, extremes, equal X values,
// null points) with an arbitrary sequence of mouse presses, moves and
// releases, wheel notches, arrow keys, zooms, undos, resizes and captures,
// painting after every step. Nothing may throw, crash or hang; every axis
// keeps at most ChartAxis::kMaxTickPositions labels and ticks; and the
// column-reduced line drawing gives exactly the pixels of drawing every
// segment.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "chart/headless_host.h"
#include "common/error.h"
#include "fuzz_support.h"
#include "viewer/program_chart.h"

namespace {

using kep::chart::ArrowKey;
using kep::chart::ChartAxis;
using kep::chart::LineDrawingPath;
using kep::chart::MouseButton;
using kep::chart::ShiftState;
using kep::fuzz::ConsumeChartDouble;
using kep::raster::Bitmap;
using kep::raster::IntRect;

// Small windows keep a run short enough for many runs per second; every size
// down to 0 x 0 is still reached.
constexpr int kMaxWidth = 400;
constexpr int kMaxHeight = 300;
constexpr int kMaxSteps = 16;

enum class Step { kDown, kMove, kUp, kWheel, kKey, kZoom, kUndo, kResize, kRender, kLeave, kCount };

void AddPoints(FuzzedDataProvider& input, kep::chart::LineSeries& series) {
  const bool many = input.ConsumeBool();
  const int count = many ? input.ConsumeIntegralInRange(0, 6000) : input.ConsumeIntegralInRange(0, 3);
  const bool ramp = input.ConsumeBool();  // line positions as the open command makes them
  double x = 0;
  for (int i = 0; i < count && input.remaining_bytes() > 0; ++i) {
    if (ramp) {
      x += input.ConsumeIntegralInRange(0, 2);  // equal X values too
    } else {
      x = ConsumeChartDouble(input);
    }
    const double y = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 40) : ConsumeChartDouble(input);
    const bool null_point = input.ConsumeIntegralInRange(0, 15) == 0;
    series.AddPoint(x, y, "", null_point ? kep::raster::clNone : kep::raster::clSeriesColor);
  }
}

ShiftState ConsumeShift(FuzzedDataProvider& input) {
  const auto bits = input.ConsumeIntegral<std::uint8_t>();
  return {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
}

Bitmap RenderWith(kep::viewer::ProgramChart& program, LineDrawingPath path) {
  program.Series().SetDrawingPath(path);
  return program.Chart().RenderToBitmap(program.Chart().ClientRect());
}

// The reduced drawing must match drawing every segment pixel for pixel. Each
// axis' label step comes from the pixel length of the draw before, so a draw
// that follows one of another size may lay the chart out differently: the
// chart is drawn until its layout repeats, and the paths are compared on
// that layout.
void CompareDrawingPaths(kep::viewer::ProgramChart& program) {
  kep::chart::Chart& chart = program.Chart();
  const IntRect client = chart.ClientRect();
  if (client.Width() <= 0 || client.Height() <= 0) return;
  Bitmap every_segment = RenderWith(program, LineDrawingPath::kEverySegment);
  IntRect plot = chart.PlotRect();
  for (int draws = 0; draws < 4; ++draws) {
    every_segment = RenderWith(program, LineDrawingPath::kEverySegment);
    if (chart.PlotRect() == plot) break;
    plot = chart.PlotRect();
  }
  const Bitmap reduced = RenderWith(program, LineDrawingPath::kReduced);
  program.Series().SetDrawingPath(LineDrawingPath::kAutomatic);
  if (chart.PlotRect() != plot) return;  // a layout that alternates between draws
  KEP_CHECK(every_segment == reduced);
}

void CheckAxes(const kep::chart::Chart& chart) {
  for (const auto& axis : chart.Axes()) {
    KEP_CHECK(axis->DrawnLabels().size() <= ChartAxis::kMaxTickPositions);
    KEP_CHECK(axis->TickPositions().size() <= ChartAxis::kMaxTickPositions);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  kep::viewer::ProgramChart program;
  kep::chart::Chart& chart = program.Chart();
  chart.SetAnimatedZoom(input.ConsumeBool());
  kep::raster::ChartPen pen = program.Series().LinePen();
  pen.width = input.ConsumeIntegralInRange(0, 5);
  program.Series().SetLinePen(pen);
  chart.SetClipPoints(input.ConsumeBool());
  int width = input.ConsumeIntegralInRange(0, kMaxWidth);
  int height = input.ConsumeIntegralInRange(0, kMaxHeight);
  kep::chart::HeadlessHost host(chart, width, height);
  AddPoints(input, program.Series());
  host.ProcessPaint();
  CheckAxes(chart);

  for (int steps = 1; steps <= kMaxSteps && input.remaining_bytes() > 0; ++steps) {
    const int x = input.ConsumeIntegralInRange(-40, width + 40);
    const int y = input.ConsumeIntegralInRange(-40, height + 40);
    switch (static_cast<Step>(input.ConsumeIntegralInRange(0, static_cast<int>(Step::kCount) - 1))) {
      case Step::kDown:
        chart.MouseDown(static_cast<MouseButton>(input.ConsumeIntegralInRange(0, 2)), ConsumeShift(input), x,
                        y);
        break;
      case Step::kMove:
        chart.MouseMove(ConsumeShift(input), x, y);
        break;
      case Step::kUp:
        chart.MouseUp(static_cast<MouseButton>(input.ConsumeIntegralInRange(0, 2)), ConsumeShift(input), x,
                      y);
        break;
      case Step::kWheel:
        chart.MouseWheel(input.ConsumeIntegralInRange(-3, 3));
        break;
      case Step::kKey:
        chart.KeyDown(static_cast<ArrowKey>(input.ConsumeIntegralInRange(0, 3)));
        break;
      case Step::kZoom: {
        double v[8];
        for (double& value : v) value = ConsumeChartDouble(input);
        chart.ZoomToValues(
            {.bottom = {v[2], v[3]}, .top = {v[0], v[1]}, .left = {v[4], v[5]}, .right = {v[6], v[7]}});
        break;
      }
      case Step::kUndo:
        chart.UndoZoom();
        break;
      case Step::kResize:
        width = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 3)
                                    : input.ConsumeIntegralInRange(0, kMaxWidth);
        height = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 3)
                                     : input.ConsumeIntegralInRange(0, kMaxHeight);
        host.Resize(width, height);
        break;
      case Step::kRender: {
        const IntRect rect{x, y, x + input.ConsumeIntegralInRange(-2, kMaxWidth),
                           y + input.ConsumeIntegralInRange(-2, kMaxHeight)};
        try {
          const Bitmap bitmap = chart.RenderToBitmap(rect);
          KEP_CHECK(bitmap.Width() == rect.Width() && bitmap.Height() == rect.Height());
        } catch (const kep::Error&) {
          KEP_CHECK(rect.Width() <= 0 || rect.Height() <= 0);  // only an empty rectangle is refused here
        }
        break;
      }
      case Step::kLeave:
        chart.MouseLeave();
        break;
      case Step::kCount:
        break;
    }
    host.ProcessPaint();
    CheckAxes(chart);
    if (steps % 4 == 0 || input.remaining_bytes() == 0) CompareDrawingPaths(program);
  }
  return 0;
}
