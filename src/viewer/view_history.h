#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>

#include "chart/axis_set.h"
#include "viewer/program_chart.h"

namespace kep::viewer {

// What the chart shows of its points: the scale of each of its four main
// axes. Zooms, pans, the wheel and the arrow keys change it; the points do
// not belong to it.
struct ChartView {
  chart::AxisScales axes;
};

ChartView CurrentView(const chart::Chart& chart);
// Gives every main axis its scale from view and has the chart repainted.
void ShowView(chart::Chart& chart, const ChartView& view);
// Whether two views show the same: the flags agree, and so does every end
// that is fixed. An automatic end follows the data, so its last value does
// not count (a growing file does not make a view different).
bool SameView(const ChartView& a, const ChartView& b);

// The views the user went through since the file was opened, for Back and
// Forward, and the view of a fresh open, for Reset view.
//
// One step is one finished gesture that changed the view: a zoom, a pan
// (from press to release), an undo, an arrow key, or a burst of wheel
// notches. The chart's own input handling is not touched: the window tells
// the history after it has passed each input event to the chart, and the
// history compares what the chart shows with its current step.
class ViewHistory {
 public:
  // Steps kept before the current one; older ones are dropped.
  static constexpr std::size_t kStepsKept = 100;
  // Wheel notches at most this far apart make one step.
  static constexpr std::chrono::milliseconds kWheelBurstGap{600};

  // Takes the chart's start-up scales as the view of the chart before a
  // file is opened, so it must be made before the chart is zoomed or loaded.
  explicit ViewHistory(ProgramChart& chart);
  ViewHistory(const ViewHistory&) = delete;
  ViewHistory& operator=(const ViewHistory&) = delete;

  // A file has been put in the chart (also a load that failed after it
  // cleared the chart): the history starts again with what the chart shows.
  void Restart();
  // After the chart handled a mouse or key event: once no drag is under
  // way, a change of view since the current step becomes a new step.
  void InputHandled();
  // The same after a wheel event at time (of any steady clock). A notch
  // within kWheelBurstGap of the previous one, with no other step between,
  // joins the step the previous one made.
  void WheelHandled(std::chrono::milliseconds time);

  // Shows the view of a fresh open of the file, as a new step. The chart's
  // zoom snapshot goes too, as after an open, so that undoing a later zoom
  // comes back here.
  void ResetView();
  bool CanGoBack() const { return current_ > 0; }
  bool CanGoForward() const { return current_ + 1 < steps_.size(); }
  void Back();
  void Forward();

  // The chart's points changed without a new open (the file grew): a chart
  // that shows the fresh view shows the one of the points as they are now.
  // Call it instead of adjusting the axes, so that the history stays right.
  void PointsChanged();

  // The view a fresh open shows: the start-up scales, and once a file is
  // shown the left axis fixed from the start-up minimum to the top the open
  // command gives it, from the chart's points as they are now.
  ChartView FreshView() const;
  // Steps there are, the current one included.
  std::size_t StepCount() const { return steps_.size(); }

  // Called when the steps or the position among them changed.
  std::function<void()> OnChange;

 private:
  struct Step {
    // The step is the fresh view, which is worked out again when it is
    // shown or compared, since the points may have grown since.
    bool fresh = false;
    ChartView view;
  };

  ChartView ViewOf(const Step& step) const { return step.fresh ? FreshView() : step.view; }
  Step StepOf(const ChartView& view) const;
  void Record(std::optional<std::chrono::milliseconds> wheel_time);
  void GoTo(std::size_t index);
  void Changed();

  ProgramChart& chart_;
  ChartView startup_;
  bool file_shown_ = false;
  std::deque<Step> steps_;
  std::size_t current_ = 0;
  // The time of the last notch while the current step is a wheel burst.
  std::optional<std::chrono::milliseconds> burst_time_;
};

}  // namespace kep::viewer
