#include "viewer/sequence_loader.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "common/error.h"
#include "sequence/file_path.h"
#include "viewer/messages.h"

namespace kep::viewer {

PointSummary SummaryOf(const sequence::SequenceReader& reader) {
  return {reader.NumberColumn(), reader.ReadsBFile(), static_cast<std::size_t>(reader.PointCount()),
          reader.LargestDigitCount()};
}

void ApplyBatch(chart::ChartSeries& series, const sequence::PointBatch& batch) {
  series.RemoveLastPoints(batch.withdrawn);
  series.AppendPoints(batch.points);
}

namespace {

// One reading thread per core, up to a few: past them the joining, which
// is done on one thread, outweighs what another thread saves.
unsigned ReadingThreads() { return std::clamp(std::thread::hardware_concurrency(), 1u, 4u); }

// Appends the points of part after those of series, each moved to its place
// by placement, and empties part.
void AppendPlaced(chart::ChartSeries& series, chart::ChartSeries& part,
                  const sequence::RestPlacement& placement) {
  if (placement.KeepsEveryPoint()) {
    series.TakeShifted(part, placement.XShift());
    return;
  }
  constexpr std::size_t kStretch = 4096;
  std::vector<double> xs(kStretch);
  std::vector<double> ys(kStretch);
  std::vector<ValuePoint> placed;
  placed.reserve(kStretch);
  const auto count = static_cast<std::size_t>(part.PointCount());
  for (std::size_t first = 0; first < count; first += kStretch) {
    const std::size_t n = std::min(kStretch, count - first);
    part.XValues().ReadValues(first, n, xs.data());
    part.YValues().ReadValues(first, n, ys.data());
    placed.clear();
    for (std::size_t k = 0; k < n; ++k) {
      ValuePoint point{xs[k], ys[k]};
      if (placement.Place(point)) placed.push_back(point);
    }
    series.AppendPoints(placed);
  }
  part.ClearPoints();
}

}  // namespace

void ReturnFreedMemory() {
#if defined(__GLIBC__)
  // The points live in many blocks of the allocator's heap, which it keeps
  // after they are freed; give the free pages back to the system.
  ::malloc_trim(0);
#endif
}

LoadedSequence ReadSequence(const std::string& path, const LoadHooks& hooks, std::stop_token stop,
                            bool keep_points) {
  LoadedSequence loaded;
  try {
    loaded.path = path;
    loaded.name = sequence::FileNameOf(path);
    loaded.file = std::make_unique<sequence::SequenceFile>(path);
    loaded.reformatted = sequence::IsSQFileName(loaded.name);
    loaded.reader = std::make_unique<sequence::SequenceReader>(loaded.reformatted, hooks.column);
    loaded.points = std::make_unique<chart::ChartSeries>();
    // Read what the file held on opening, so that a file that keeps growing
    // still ends; a size of 0 is what kernel files report whatever they hold.
    const std::uint64_t size = loaded.file->SizeAtOpen();
    const std::uint64_t end = size > 0 ? size : sequence::SequenceFile::kWholeFile;
    // Each thread's stretch is read into a series of its own, and the
    // series are joined in order at the end.
    sequence::SplitRead how;
    how.threads = ReadingThreads();
    std::vector<chart::ChartSeries> parts(how.threads);
    how.receive = [&](const sequence::PointBatch& batch) {
      if (keep_points) ApplyBatch(*loaded.points, batch);
    };
    how.receive_rest = [&](std::size_t k, const sequence::PointBatch& batch) {
      if (keep_points) ApplyBatch(parts[k], batch);
    };
    how.join_rest = [&](std::size_t k, const sequence::RestPlacement& placement) {
      AppendPlaced(*loaded.points, parts[k], placement);
    };
    how.progress = hooks.progress;
    if (loaded.reformatted && hooks.show_reformat_notice) hooks.show_reformat_notice();
    try {
      loaded.stopped =
          loaded.file->ReadSplit(*loaded.reader, how, end, stop) == sequence::SequenceFile::ReadEnd::kStopped;
      // The reformat step's failure: an "SQ" file without a line 0.
      if (loaded.reformatted && !loaded.stopped) loaded.reader->CheckLine(0);
    } catch (...) {
      if (loaded.reformatted && hooks.hide_reformat_notice) hooks.hide_reformat_notice();
      throw;
    }
    if (loaded.reformatted && hooks.hide_reformat_notice) hooks.hide_reformat_notice();
  } catch (const std::bad_alloc&) {
    throw Error(std::string(messages::kOutOfMemory));
  }
  if (loaded.stopped) return loaded;
  try {
    if (hooks.column == sequence::TermColumn::kAutomatic) loaded.reader->CheckLine(1);
  } catch (const Error&) {
    loaded.column_error = std::current_exception();
  }
  loaded.summary = SummaryOf(*loaded.reader);
  return loaded;
}

LoadResult PutInPlace(LoadedSequence& loaded, ProgramChart& target, const LoadHooks& hooks) {
  LoadResult result{loaded.name, loaded.summary, loaded.reformatted};
  std::vector<std::string> title;
  try {
    title = {std::string(messages::kLoadedChartTitle) + loaded.name};
  } catch (const std::bad_alloc&) {
    throw Error(std::string(messages::kOutOfMemory));
  }

  chart::Chart& chart = target.Chart();
  chart::LineSeries& series = target.Series();
  series.ClearPoints();
  chart.Title().SetText(std::move(title));
  chart.UndoZoom();
  if (hooks.remember_folder) hooks.remember_folder(std::string(sequence::FolderOf(loaded.path)));
  // A text too short to choose the number column fails at this step, after
  // the chart has been cleared for the file.
  if (loaded.column_error) std::rethrow_exception(loaded.column_error);
  series.SwapPoints(*loaded.points);
  series.SetTitle(loaded.name);
  chart.LeftAxis().SetAutomatic(false);
  // Sequences shown beside this one stay inside the chart too.
  chart.LeftAxis().SetMaximum(std::max(LeftAxisTop(static_cast<double>(result.points.largest_digit_count)),
                                       target.FreshLeftAxisTop()));
  return result;
}

LoadResult PutAlongside(LoadedSequence& loaded, ProgramChart& target, chart::LineSeries& series) {
  if (loaded.column_error) std::rethrow_exception(loaded.column_error);
  try {
    series.SetTitle(loaded.name);
  } catch (const std::bad_alloc&) {
    throw Error(std::string(messages::kOutOfMemory));
  }
  series.SwapPoints(*loaded.points);
  series.SetActive(true);
  chart::Chart& chart = target.Chart();
  chart.UndoZoom();
  chart.LeftAxis().SetAutomatic(false);
  chart.LeftAxis().SetMaximum(target.FreshLeftAxisTop());
  return {loaded.name, loaded.summary, loaded.reformatted};
}

LoadResult LoadSequence(const std::string& path, ProgramChart& target, const LoadHooks& hooks) {
  // Everything that needs memory in proportion to the file happens before
  // the chart changes: the points are made in a series of their own, which
  // takes the place of the chart's points at the end. A file whose points
  // do not fit in memory therefore leaves the previous chart as it was.
  LoadResult result;
  {
    LoadedSequence loaded = ReadSequence(path, hooks);
    result = PutInPlace(loaded, target, hooks);
  }  // the previous points go here
  ReturnFreedMemory();
  return result;
}

}  // namespace kep::viewer
