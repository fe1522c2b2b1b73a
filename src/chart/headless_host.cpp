#include "chart/headless_host.h"

namespace kep::chart {

HeadlessHost::HeadlessHost(Chart& chart, int width, int height) : chart_(chart), pixels_(width, height) {
  chart_.SetHost(this);
}

HeadlessHost::~HeadlessHost() {
  if (chart_.Host() == this) chart_.SetHost(nullptr);
}

void HeadlessHost::PaintNow() {
  paint_pending_ = false;
  const std::uint64_t draws_before = chart_.DrawCount();
  chart_.Paint();
  ++paint_count_;
  if (chart_.DrawCount() != draws_before) ++full_draw_count_;
}

void HeadlessHost::Resize(int width, int height) {
  pixels_.Resize(width, height);
  chart_.InvalidateChart();
}

bool HeadlessHost::ProcessPaint() {
  if (!paint_pending_) return false;
  PaintNow();
  return true;
}

}  // namespace kep::chart
