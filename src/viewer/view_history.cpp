#include "viewer/view_history.h"

namespace kep::viewer {

namespace {

bool SameScale(const chart::AxisScale& a, const chart::AxisScale& b) {
  if (a.automatic != b.automatic || a.automatic_minimum != b.automatic_minimum ||
      a.automatic_maximum != b.automatic_maximum) {
    return false;
  }
  // Where an end is automatic the axis takes it from the data.
  const bool fixed_minimum = !a.automatic && !a.automatic_minimum;
  const bool fixed_maximum = !a.automatic && !a.automatic_maximum;
  return (!fixed_minimum || a.minimum == b.minimum) && (!fixed_maximum || a.maximum == b.maximum);
}

}  // namespace

ChartView CurrentView(const chart::Chart& chart) { return {chart.MainScales()}; }

void ShowView(chart::Chart& chart, const ChartView& view) {
  chart.SetMainScales(view.axes);
  chart.InvalidateChart();
}

bool SameView(const ChartView& a, const ChartView& b) {
  for (const chart::AxisId id : chart::kMainAxes) {
    if (!SameScale(a.axes[id], b.axes[id])) return false;
  }
  return true;
}

ViewHistory::ViewHistory(ProgramChart& chart) : chart_(chart), startup_(CurrentView(chart.Chart())) {
  steps_.push_back(StepOf(startup_));
}

ChartView ViewHistory::FreshView() const {
  ChartView view = startup_;
  if (file_shown_) {
    chart::AxisScale& left = view.axes.left;
    left.automatic = left.automatic_minimum = left.automatic_maximum = false;
    left.maximum = chart_.FreshLeftAxisTop();
  }
  return view;
}

ViewHistory::Step ViewHistory::StepOf(const ChartView& view) const {
  return {SameView(view, FreshView()), view};
}

void ViewHistory::Restart() {
  file_shown_ = true;
  steps_.assign(1, StepOf(CurrentView(chart_.Chart())));
  current_ = 0;
  burst_time_.reset();
  Changed();
}

void ViewHistory::InputHandled() { Record(std::nullopt); }

void ViewHistory::WheelHandled(std::chrono::milliseconds time) { Record(time); }

void ViewHistory::Record(std::optional<std::chrono::milliseconds> wheel_time) {
  const chart::Chart& chart = chart_.Chart();
  // A drag makes its step when it ends.
  if (chart.Zoom().engaged || chart.Panning().engaged) return;
  const ChartView view = CurrentView(chart);
  if (SameView(view, ViewOf(steps_[current_]))) return;
  const bool joins_burst = wheel_time && burst_time_ && *wheel_time >= *burst_time_ &&
                           *wheel_time - *burst_time_ <= kWheelBurstGap;
  if (joins_burst) {
    steps_[current_] = StepOf(view);
  } else {
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(current_) + 1, steps_.end());
    steps_.push_back(StepOf(view));
    if (steps_.size() > kStepsKept + 1) steps_.pop_front();
    current_ = steps_.size() - 1;
  }
  burst_time_ = wheel_time;
  Changed();
}

void ViewHistory::ResetView() {
  chart::Chart& chart = chart_.Chart();
  chart.UndoZoom();
  ShowView(chart, FreshView());
  burst_time_.reset();
  Record(std::nullopt);
}

void ViewHistory::Back() {
  if (CanGoBack()) GoTo(current_ - 1);
}

void ViewHistory::Forward() {
  if (CanGoForward()) GoTo(current_ + 1);
}

void ViewHistory::GoTo(std::size_t index) {
  current_ = index;
  burst_time_.reset();
  ShowView(chart_.Chart(), ViewOf(steps_[current_]));
  Changed();
}

void ViewHistory::PointsChanged() {
  if (steps_[current_].fresh) ShowView(chart_.Chart(), FreshView());
}

void ViewHistory::Changed() {
  if (OnChange) OnChange();
}

}  // namespace kep::viewer
