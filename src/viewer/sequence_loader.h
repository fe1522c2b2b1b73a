#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "sequence/line_list.h"
#include "sequence/sequence_file.h"
#include "viewer/program_chart.h"

namespace kep::viewer {

// A sequence file read into memory, brought into one-line-per-term layout.
struct SequenceText {
  sequence::LineList lines;
  std::string name;  // the file's name without its folder
  bool reformatted = false;
};

// What the points of a file came to.
struct PointSummary {
  unsigned number_column = 0;
  std::size_t points = 0;
  std::size_t largest_digit_count = 0;
};

// Reads the file at path and reformats it when its name begins with "SQ";
// show_notice and hide_notice (either may be empty) run around the
// reformatting, hide_notice also when it fails. Raises the reading errors
// and "List index out of bounds (0)" for an empty "SQ" file.
SequenceText ReadSequenceText(const std::string& path, const std::function<void()>& show_notice,
                              const std::function<void()>& hide_notice);

// Chooses the number column and hands every point to receive(x, y) in line
// order. Raises "List index out of bounds (1)" for a text of fewer than two lines.
template <typename Receiver>
PointSummary ReadPoints(const SequenceText& text, Receiver&& receive) {
  PointSummary summary;
  summary.number_column = sequence::ChooseNumberColumn(text.lines, text.reformatted);
  summary.largest_digit_count = sequence::BuildPoints(text.lines, summary.number_column, [&](double x, double y) {
    ++summary.points;
    receive(x, y);
  });
  return summary;
}

// Hooks of the open command into a load.
struct LoadHooks {
  std::function<void()> show_reformat_notice;
  std::function<void()> hide_reformat_notice;
  // Called with the file's folder once the chart has been cleared for the
  // file, before its points are read: the folder is remembered even when
  // reading the points fails.
  std::function<void(const std::string& folder)> remember_folder;
};

struct LoadResult {
  std::string name;
  PointSummary points;
  bool reformatted = false;
};

// Loads the sequence file at path into the chart, as the open command does
// between its dialog and its repaint: read and reformat the file, clear the
// series, title the chart "Sequence file: " and the name, undo any zoom,
// remember the folder, add every point, and fix the left axis' top at the
// largest digit count + 1. A failing step raises its error and leaves what
// the steps before it did; the chart is not repainted. Running out of memory
// raises "Out of memory" (or, while reading, the file error that says so)
// and leaves the chart unchanged.
LoadResult LoadSequence(const std::string& path, ProgramChart& target, const LoadHooks& hooks);

}  // namespace kep::viewer
