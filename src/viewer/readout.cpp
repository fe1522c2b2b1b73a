#include "viewer/readout.h"

#include <cmath>

#include "common/format.h"
#include "viewer/messages.h"
#include "viewer/shown_text.h"

namespace kep::viewer {

namespace {

constexpr std::string_view kEllipsis = "\u2026";
constexpr std::string_view kSeparator = " \u00b7 ";

std::string Digits(double count, const chart::NumberFormat& numbers) {
  return numbers.Count(count) + (count == 1 ? " digit" : " digits");
}

// Reads the line of point (x, y) into excerpt and says how that went.
bool SamePlace(const sequence::TermPlace& a, const sequence::TermPlace& b) {
  return a.file_line == b.file_line && a.word == b.word && a.length == b.length;
}

LineTextState ReadLine(const std::optional<ReadoutSource>& source, double x, double y,
                       std::optional<sequence::LineExcerpt>& excerpt, ReadoutCache* cache) {
  if (!source || !source->file || !source->reader || !(StampOf(source->path) == source->stamp)) {
    return LineTextState::kFileChanged;
  }
  const sequence::SequenceReader& reader = *source->reader;
  if (!(x >= 1) || x != std::floor(x) || reader.NumberColumn() == 0) return LineTextState::kUnreadable;
  // x is the line's position after reformatting, from 1.
  const sequence::TermPlace place =
      reader.TermPlaceOf(static_cast<std::uint64_t>(x) - 1, static_cast<std::uint64_t>(y));
  // The same line of the same bytes reads the same: the mouse moving over
  // one point reads the file once.
  if (cache && cache->filled && cache->stamp == source->stamp &&
      cache->bytes_read == reader.BytesConsumed() && SamePlace(cache->place, place)) {
    excerpt = cache->excerpt;
  } else {
    excerpt = sequence::ReadLineExcerpt(source->file->Descriptor(), reader.LineIndex(),
                                        reader.BytesConsumed(), place);
    if (cache) *cache = {true, source->stamp, reader.BytesConsumed(), place, excerpt};
  }
  return excerpt ? LineTextState::kShown : LineTextState::kUnreadable;
}

}  // namespace

std::string ReadoutText(double x, double y, const std::optional<sequence::LineExcerpt>& excerpt,
                        LineTextState state, const chart::NumberFormat& numbers) {
  std::string text = FormatMessage(messages::kReadoutLine, numbers.Count(x));
  text += kSeparator;
  text += Digits(y, numbers);
  text += kSeparator;
  if (state == LineTextState::kFileChanged || !excerpt) {
    text +=
        state == LineTextState::kFileChanged ? messages::kReadoutFileChanged : messages::kReadoutUnreadable;
    return text;
  }
  AppendShownText(text, excerpt->before);
  if (excerpt->before_cut) text += kEllipsis;
  AppendShownText(text, excerpt->term_head);
  if (!excerpt->term_tail.empty()) {
    text += kEllipsis;
    AppendShownText(text, excerpt->term_tail);
    text += " (" + Digits(static_cast<double>(excerpt->term_length), numbers) + ")";
  }
  AppendShownText(text, excerpt->after);
  if (excerpt->after_cut) text += kEllipsis;
  return text;
}

int NearestPoint(const chart::ChartSeries& series, double x) {
  const int count = series.PointCount();
  if (count == 0) return -1;
  // The first point at or after x.
  int low = 0, high = count;
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (series.XValueAt(middle) < x) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == count) return count - 1;
  if (low == 0) return 0;
  return x - series.XValueAt(low - 1) <= series.XValueAt(low) - x ? low - 1 : low;
}

std::optional<ReadoutPoint> LookUpReadout(const ProgramChart& program,
                                          const std::optional<ReadoutSource>& source, int pixel_x,
                                          int pixel_y, ReadoutCache* cache) {
  return LookUpReadout(program, std::span(&source, 1), pixel_x, pixel_y, cache);
}

std::optional<ReadoutPoint> LookUpReadout(const ProgramChart& program,
                                          std::span<const std::optional<ReadoutSource>> sources, int pixel_x,
                                          int pixel_y, ReadoutCache* cache) {
  const chart::Chart& chart = program.Chart();
  const raster::IntRect& plot = chart.PlotRect();
  if (pixel_x < plot.Left || pixel_x >= plot.Right || pixel_y < plot.Top || pixel_y >= plot.Bottom)
    return std::nullopt;
  const double value_x = chart.BottomAxis().PixelToValue(pixel_x);
  const bool several = program.SeriesCount() > 1;
  int best_series = -1;
  int best_index = -1;
  std::int64_t best_distance = 0;
  raster::IntPoint best_mark;
  for (int k = 0; k < program.SeriesCount(); ++k) {
    const chart::LineSeries& series = program.SeriesAt(k);
    if (several && !series.Active()) continue;
    const int index = NearestPoint(series, value_x);
    if (index < 0) continue;
    const raster::IntPoint mark{chart.BottomAxis().XValueToPixel(series.XValueAt(index)),
                                chart.LeftAxis().YValueToPixel(series.YValueAt(index))};
    const std::int64_t dx = std::int64_t{mark.x} - pixel_x;
    const std::int64_t dy = std::int64_t{mark.y} - pixel_y;
    const std::int64_t distance = dx * dx + dy * dy;
    if (best_series < 0 || distance < best_distance) {
      best_series = k;
      best_index = index;
      best_distance = distance;
      best_mark = mark;
    }
  }
  if (best_series < 0) return std::nullopt;
  const chart::LineSeries& series = program.SeriesAt(best_series);
  ReadoutPoint point;
  point.x = series.XValueAt(best_index);
  point.y = series.YValueAt(best_index);
  point.mark = best_mark;
  // The axes put their ends on the rectangle's right and bottom edges.
  point.mark_inside = point.mark.x >= plot.Left && point.mark.x <= plot.Right && point.mark.y >= plot.Top &&
                      point.mark.y <= plot.Bottom;
  std::optional<sequence::LineExcerpt> excerpt;
  const auto k = static_cast<std::size_t>(best_series);
  const LineTextState state =
      ReadLine(k < sources.size() ? sources[k] : std::nullopt, point.x, point.y, excerpt, cache);
  point.text = ReadoutText(point.x, point.y, excerpt, state, chart.LabelNumberFormat());
  if (several) {
    point.text = ShownText(series.Title()) + std::string(kSeparator) + point.text;
    point.series_color = series.SeriesColor();
  }
  return point;
}

std::optional<std::string> AllZeroNotice(const PointSummary& summary) {
  if (summary.points == 0 || summary.largest_digit_count != 0) return std::nullopt;
  return FormatMessage(messages::kAllDigitCountsZero, summary.number_column);
}

}  // namespace kep::viewer
