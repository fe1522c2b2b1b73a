#include "viewer/sequence_loader.h"

#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "common/error.h"
#include "sequence/file_path.h"
#include "viewer/messages.h"

namespace kep::viewer {

SequenceText ReadSequenceText(const std::string& path, const std::function<void()>& show_notice,
                              const std::function<void()>& hide_notice) {
  SequenceText text{sequence::ReadSequenceLines(path), std::string(sequence::FileNameOf(path)), false};
  if (sequence::IsSQFileName(text.name)) {
    if (show_notice) show_notice();
    try {
      sequence::ReformatSQFile(text.lines, text.reformatted);
    } catch (...) {
      if (hide_notice) hide_notice();
      throw;
    }
    if (hide_notice) hide_notice();
  }
  return text;
}

LoadResult LoadSequence(const std::string& path, ProgramChart& target, const LoadHooks& hooks) {
  // Everything that needs memory in proportion to the file happens before
  // the chart changes: the text is read and the points are made in a series
  // of their own, which takes the place of the chart's points at the end. A
  // file too large for memory therefore leaves the previous chart as it was.
  LoadResult result;
  chart::ChartSeries points;
  std::exception_ptr points_error;
  std::vector<std::string> title;
  try {
    const SequenceText text = ReadSequenceText(path, hooks.show_reformat_notice, hooks.hide_reformat_notice);
    result.name = text.name;
    result.reformatted = text.reformatted;
    try {
      result.points = ReadPoints(text, [&](double x, double y) { points.AddPoint(x, y, "", raster::clSeriesColor); });
    } catch (const Error&) {
      // A text too short to choose the number column fails at that step,
      // after the chart has been cleared for the file.
      points_error = std::current_exception();
    }
    title = {std::string(messages::kLoadedChartTitle) + text.name};
  } catch (const std::bad_alloc&) {
    throw Error(std::string(messages::kOutOfMemory));
  }

  chart::Chart& chart = target.Chart();
  chart::LineSeries& series = target.Series();
  series.ClearPoints();
  chart.Title().SetText(std::move(title));
  chart.UndoZoom();
  if (hooks.remember_folder) hooks.remember_folder(std::string(sequence::FolderOf(path)));
  if (points_error) std::rethrow_exception(points_error);
  series.SwapPoints(points);
  chart.LeftAxis().SetAutomatic(false);
  chart.LeftAxis().SetMaximum(LeftAxisTop(static_cast<double>(result.points.largest_digit_count)));
  return result;
}

}  // namespace kep::viewer
