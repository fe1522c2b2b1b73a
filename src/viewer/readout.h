#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "chart/number_format.h"
#include "raster/geometry.h"
#include "sequence/line_excerpt.h"
#include "sequence/sequence_file.h"
#include "sequence/sequence_reader.h"
#include "viewer/file_stamp.h"
#include "viewer/program_chart.h"
#include "viewer/sequence_loader.h"

namespace kep::viewer {

// The file whose lines a readout shows: the open file and the reader that
// made the chart's points from it, with the file as it was when they were
// read. The readout shows no text once the file on disk differs from that.
struct ReadoutSource {
  std::string path;
  const sequence::SequenceFile* file = nullptr;
  const sequence::SequenceReader* reader = nullptr;
  FileStamp stamp;
};

// What the readout shows for the point nearest to the mouse.
struct ReadoutPoint {
  double x = 0;
  double y = 0;
  raster::IntPoint mark;     // the point's pixel in the chart's window
  bool mark_inside = false;  // the mark lies in the plot rectangle or on its right or bottom edge
  // With several sequences shown: the line colour of the point's series.
  std::optional<raster::Color> series_color;
  std::string text;  // UTF-8, for the status bar
};

// How much of a line's text a readout could show.
enum class LineTextState {
  kShown,
  kFileChanged,  // the file differs from what the points were read from
  kUnreadable,   // reading it failed, or the line is not where it was
};

// "Line 1,234 · 6 digits · " then the line's text as ShownText shows it (on
// one line, in the order of its bytes) and a term longer than LineExcerpt::kWholeTerm characters as its
// first and last ten with the digit count between them:
// "1234567890…0987654321 (5,012 digits)". Numbers take numbers' separators.
std::string ReadoutText(double x, double y, const std::optional<sequence::LineExcerpt>& excerpt,
                        LineTextState state, const chart::NumberFormat& numbers);

// The last line a readout read from a file, and what it was read for: the
// file as its points were read, the bytes its reader had taken and the
// term's place. Looking up the same point again reads nothing.
struct ReadoutCache {
  bool filled = false;
  FileStamp stamp;
  std::uint64_t bytes_read = 0;
  sequence::TermPlace place;
  std::optional<sequence::LineExcerpt> excerpt;  // nothing when reading failed
};

// The index of the point of series whose X is nearest to x (the earlier one
// of two as near), or -1 for an empty series. X values ascend.
int NearestPoint(const chart::ChartSeries& series, double x);

// The readout of the point nearest to the window's pixel x, while (x, y)
// lies in the plot rectangle of the chart's last paint; nothing elsewhere or
// without points. The point's line is read on demand from source: at most
// about one MiB of the file through the sparse line index, and only when it
// is not the line that cache (when given) holds, which then keeps it. The
// file is looked at (one stat) every time, so that a changed file shows no
// text. Without a source (its reader is busy taking in an append) the point
// shows as in a changed file. Numbers take the separators of the chart's
// labels.
std::optional<ReadoutPoint> LookUpReadout(const ProgramChart& program,
                                          const std::optional<ReadoutSource>& source, int pixel_x,
                                          int pixel_y, ReadoutCache* cache = nullptr);
// The same over several sequences, sources[k] being that of the chart's
// series k: the point is the one nearest in X of the active series whose
// point is nearest to (x, y) in pixels, and with two or more series its
// text begins with the series' title (the file's name) and " · ".
std::optional<ReadoutPoint> LookUpReadout(const ProgramChart& program,
                                          std::span<const std::optional<ReadoutSource>> sources, int pixel_x,
                                          int pixel_y, ReadoutCache* cache = nullptr);

// The status bar's note when every point of a file has digit count 0: it
// names the word it looked in. Nothing when some point has digits, or
// there are no points.
std::optional<std::string> AllZeroNotice(const PointSummary& summary);

}  // namespace kep::viewer
