#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>

#include "chart/chart_series.h"
#include "sequence/sequence_file.h"
#include "sequence/sequence_reader.h"
#include "viewer/program_chart.h"

namespace kep::viewer {

// What the points of a file came to.
struct PointSummary {
  unsigned number_column = 0;  // the word the terms were read from
  bool bfile = false;          // read as "n a(n)" lines with "#" comments
  std::size_t points = 0;
  std::size_t largest_digit_count = 0;
};

// Hooks of the open command into a load.
struct LoadHooks {
  // Run around the reformatting of an "SQ" file, which happens while it is
  // read: show before the first byte, hide after the last, also on failure
  // and on stop. They run on the thread that reads.
  std::function<void()> show_reformat_notice;
  std::function<void()> hide_reformat_notice;
  // Called with the file's folder once the chart has been cleared for the
  // file, before its points are put in: the folder is remembered even when
  // choosing the number column fails.
  std::function<void(const std::string& folder)> remember_folder;
  // Run after each piece of the file, on the thread that reads, with the
  // bytes and the lines of the file taken in so far.
  std::function<void(std::uint64_t bytes, std::uint64_t lines)> progress;
  // Which word holds the term. A fixed word needs no second line.
  sequence::TermColumn column = sequence::TermColumn::kAutomatic;
};

// What the points that reader handed out so far come to.
PointSummary SummaryOf(const sequence::SequenceReader& reader);

// Removes the batch's withdrawn points from the end of series, then appends
// its points in bulk. Every batch of one reader goes to the same series.
void ApplyBatch(chart::ChartSeries& series, const sequence::PointBatch& batch);

// The part of a load that grows with the file, done aside from any chart so
// that it may run on a worker thread: the file is opened and streamed into
// a series of its own. Nothing here touches the chart.
struct LoadedSequence {
  std::string path;
  std::string name;  // the file's name without its folder
  // Still open, and the reader where it stopped: a follower reads the bytes
  // appended after reader->BytesConsumed() and passes each batch to
  // ApplyBatch on the chart's series once the load is in place.
  std::unique_ptr<sequence::SequenceFile> file;
  std::unique_ptr<sequence::SequenceReader> reader;
  std::unique_ptr<chart::ChartSeries> points;
  PointSummary summary;
  bool reformatted = false;
  bool stopped = false;  // stop was requested: the load is incomplete and must be dropped
  // "List index out of bounds (1)": raised by PutInPlace after it cleared the chart.
  std::exception_ptr column_error;
};

// Opens path and reads it to the end it had on opening (or to its first
// NUL), reformatting an "SQ" file on the way. Raises the file errors,
// "List index out of bounds (0)" for an "SQ" file without lines (before
// anything changes) and "Out of memory". stop is checked between pieces.
// Without keep_points the points are counted but not stored (for a summary).
LoadedSequence ReadSequence(const std::string& path, const LoadHooks& hooks, std::stop_token stop = {},
                            bool keep_points = true);

// Puts a complete load in place, on the chart's thread, as the open command
// does after reading: clear the series, title the chart "Sequence file: "
// and the name, undo any zoom, remember the folder, swap in the points (or
// raise the column error), and fix the left axis' top at the largest digit
// count + 1. The chart is not repainted. Nothing here allocates in
// proportion to the file; the previous points end up in loaded.points.
struct LoadResult {
  std::string name;
  PointSummary points;
  bool reformatted = false;
};
LoadResult PutInPlace(LoadedSequence& loaded, ProgramChart& target, const LoadHooks& hooks);

// Puts a complete load in place beside the sequences the chart shows, in
// series (one ProgramChart::AddSeries made): the series is named after the
// file, takes the points and is shown, any zoom is undone and the left axis' top is
// set to show every sequence. Raises the column error before anything
// changes. The chart is not repainted.
LoadResult PutAlongside(LoadedSequence& loaded, ProgramChart& target, chart::LineSeries& series);

// Gives the memory of freed points back to the system: call it after a
// load, or the previous points, have been dropped.
void ReturnFreedMemory();

// ReadSequence then PutInPlace, on one thread. A failing step raises its
// error and leaves what the steps before it did. Running out of memory
// raises "Out of memory" and leaves the chart unchanged.
LoadResult LoadSequence(const std::string& path, ProgramChart& target, const LoadHooks& hooks);

}  // namespace kep::viewer
