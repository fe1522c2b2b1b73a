// The legend's layout and drawing.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/line_series.h"

namespace kep::chart {

using raster::IntRect;

namespace {

// The box's distance from the plot area's left and top edges.
constexpr int kLegendInset = 6;
// The space between the box's frame and its entries.
constexpr int kLegendPadding = 4;
// The length of an entry's line sample, and the space between it and the name.
constexpr int kSampleLength = 20;
constexpr int kSampleGap = 5;
// The widest name drawn; longer ones are elided in the middle.
constexpr int kMaxNameWidth = 220;
constexpr raster::Color kLegendFrame = raster::clGray;
constexpr raster::Color kLegendFill = raster::clWhite;
constexpr std::string_view kEllipsis = "\u2026";

// A byte that begins a character of a UTF-8 text.
bool StartsCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }

// The width of the line a series draws with.
int SampleWidth(const ChartSeries& series) {
  const auto* line = dynamic_cast<const LineSeries*>(&series);
  return line != nullptr ? line->LinePen().width : 1;
}

// Puts the canvas' clip back as it was when the scope began.
class ClipScope {
 public:
  explicit ClipScope(raster::ChartCanvas& canvas) : canvas_(canvas), saved_(canvas.Clip()) {}
  ~ClipScope() {
    canvas_.RemoveClip();
    if (saved_) canvas_.ClipToRect(*saved_);
  }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  raster::ChartCanvas& canvas_;
  std::optional<IntRect> saved_;
};

}  // namespace

std::string ElideMiddle(raster::ChartCanvas& canvas, std::string_view text, int max_width) {
  if (canvas.TextWidth(text) <= max_width) return std::string(text);
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (StartsCharacter(text[i])) starts.push_back(i);
  }
  const std::size_t count = starts.size();
  // keep characters around the ellipsis, the extra one at the front.
  const auto elided = [&](std::size_t keep) {
    const std::size_t head = (keep + 1) / 2;
    const std::size_t tail = keep / 2;
    std::string result(text.substr(0, head < count ? starts[head] : text.size()));
    result += kEllipsis;
    if (tail > 0) result += text.substr(starts[count - tail]);
    return result;
  };
  std::size_t low = 0;
  std::size_t high = count > 0 ? count - 1 : 0;
  while (low < high) {
    const std::size_t mid = (low + high + 1) / 2;
    if (canvas.TextWidth(elided(mid)) <= max_width) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return elided(low);
}

void Chart::DrawLegend() {
  legend_.legend_box_ = {};
  legend_.drawn_texts_.clear();
  if (!legend_.visible_) return;
  std::vector<const ChartSeries*> entries;
  for (const auto& series : SeriesList()) {
    // A series without points draws no line, so it is not named either.
    if (series->Active() && series->PointCount() > 0) entries.push_back(series.get());
  }
  if (entries.size() < 2) return;

  raster::ChartCanvas& canvas = Canvas();
  const raster::FontScope font(canvas, legend_.font_);
  const int row_height = canvas.TextHeight("W");
  int widest = 0;
  for (const ChartSeries* series : entries) {
    legend_.drawn_texts_.push_back(ElideMiddle(canvas, series->Title(), kMaxNameWidth));
    widest = std::max(widest, canvas.TextWidth(legend_.drawn_texts_.back()));
  }
  const IntRect plot = PlotRect();
  const int left = plot.Left + kLegendInset;
  const int top = plot.Top + kLegendInset;
  const IntRect box{left, top, left + 2 * kLegendPadding + kSampleLength + kSampleGap + widest,
                    top + 2 * kLegendPadding + static_cast<int>(entries.size()) * row_height};
  legend_.legend_box_ = box;

  // Drawn over the series, and never beyond the plot area.
  const ClipScope clip(canvas);
  canvas.ClipToPlot(plot);
  canvas.SetPen({.color = kLegendFrame, .width = 1});
  canvas.SetBrush({kLegendFill, raster::BrushStyle::bsSolid});
  canvas.Rectangle(box);
  canvas.SetBackgroundMode(raster::BackgroundMode::kTransparent);
  canvas.SetTextAlign(raster::HorizontalAlign::kLeft, raster::VerticalAlign::kTop);
  const int sample_left = left + kLegendPadding;
  const int text_left = sample_left + kSampleLength + kSampleGap;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const int row_top = top + kLegendPadding + static_cast<int>(i) * row_height;
    const int middle = row_top + row_height / 2;
    canvas.SetPen({.color = entries[i]->SeriesColor(), .width = SampleWidth(*entries[i])});
    canvas.Line({sample_left, middle}, {sample_left + kSampleLength, middle});
    canvas.TextOut(text_left, row_top, legend_.drawn_texts_[i]);
  }
}

}  // namespace kep::chart
