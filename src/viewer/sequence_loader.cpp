#include "viewer/sequence_loader.h"

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
  const SequenceText text = ReadSequenceText(path, hooks.show_reformat_notice, hooks.hide_reformat_notice);
  chart::Chart& chart = target.Chart();
  chart::LineSeries& series = target.Series();
  series.ClearPoints();
  chart.Title().SetText({std::string(messages::kLoadedChartTitle) + text.name});
  chart.UndoZoom();
  if (hooks.remember_folder) hooks.remember_folder(std::string(sequence::FolderOf(path)));
  LoadResult result{text.name, {}, text.reformatted};
  result.points = ReadPoints(text, [&](double x, double y) { series.AddPoint(x, y, "", raster::clSeriesColor); });
  chart.LeftAxis().SetAutomatic(false);
  chart.LeftAxis().SetMaximum(static_cast<double>(result.points.largest_digit_count) + 1);
  return result;
}

}  // namespace kep::viewer
