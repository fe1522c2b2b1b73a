#include "cli/render_command.h"

#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "common/error.h"
#include "sequence/file_path.h"
#include "sequence/sequence_file.h"

namespace kep::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: kepgraph-render --points FILE\n"
    "       kepgraph-render --info FILE\n"
    "       kepgraph-render --help\n"
    "\n"
    "  --points FILE  print every point of FILE as X<TAB>Y, one per line\n"
    "  --info FILE    print the point count, the largest digit count, the number\n"
    "                 column and whether the file was reformatted\n";

enum class Mode { kPoints, kInfo, kHelp };

struct Options {
  Mode mode = Mode::kHelp;
  std::string file;
};

struct UsageError {
  std::string message;
};

Options ParseArguments(std::span<const std::string_view> args) {
  if (args.empty()) throw UsageError{"no mode given"};
  Options options;
  const std::string_view mode = args[0];
  if (mode == "--help" || mode == "-h") {
    if (args.size() != 1) throw UsageError{"--help takes no arguments"};
    return options;
  }
  if (mode == "--points") {
    options.mode = Mode::kPoints;
  } else if (mode == "--info") {
    options.mode = Mode::kInfo;
  } else {
    throw UsageError{"unknown option " + std::string(mode)};
  }
  if (args.size() != 2) throw UsageError{std::string(mode) + " takes one FILE"};
  options.file = args[1];
  return options;
}

// A loaded file: the load steps in the order the viewer's open command takes
// them (read, "SQ" reformat, number column, points).
struct LoadSummary {
  std::size_t points = 0;
  std::size_t largest_digit_count = 0;
  unsigned number_column = 0;
  bool reformatted = false;
};

template <typename Receiver>
LoadSummary LoadSequence(const std::string& path, Receiver&& receive) {
  LoadSummary summary;
  sequence::LineList lines = sequence::ReadSequenceLines(path);
  if (sequence::IsSQFileName(sequence::FileNameOf(path))) {
    sequence::ReformatSQFile(lines, summary.reformatted);
  }
  summary.number_column = sequence::ChooseNumberColumn(lines, summary.reformatted);
  summary.largest_digit_count =
      sequence::BuildPoints(lines, summary.number_column, [&](double x, double y) {
        ++summary.points;
        receive(x, y);
      });
  return summary;
}

void PrintPoints(const std::string& path, std::ostream& out) {
  char text[64];
  LoadSequence(path, [&](double x, double y) {
    const int length = std::snprintf(text, sizeof text, "%.17g\t%.17g\n", x, y);
    out.write(text, length);
  });
}

void PrintInfo(const std::string& path, std::ostream& out) {
  const LoadSummary summary = LoadSequence(path, [](double, double) {});
  out << "points " << summary.points << '\n'
      << "largest-digit-count " << summary.largest_digit_count << '\n'
      << "number-column " << summary.number_column << '\n'
      << "reformatted " << (summary.reformatted ? "yes" : "no") << '\n';
}

}  // namespace

int RunRenderCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  Options options;
  try {
    options = ParseArguments(args);
  } catch (const UsageError& usage) {
    err << "kepgraph-render: " << usage.message << "\n" << kUsage;
    return 2;
  }
  try {
    switch (options.mode) {
      case Mode::kHelp:
        out << kUsage;
        break;
      case Mode::kPoints:
        PrintPoints(options.file, out);
        break;
      case Mode::kInfo:
        PrintInfo(options.file, out);
        break;
    }
    out.flush();
    return 0;
  } catch (const Error& error) {
    err << DisplayMessage(error.what()) << '\n';
    return 1;
  }
}

}  // namespace kep::cli
