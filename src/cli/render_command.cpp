#include "cli/render_command.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/headless_host.h"
#include "cli/machine_number.h"
#include "common/error.h"
#include "output/image_file_type.h"
#include "output/output_stream.h"
#include "raster/bitmap.h"
#include "raster/font_engine.h"
#include "sequence/file_path.h"
#include "viewer/growth_text.h"
#include "viewer/image_file.h"
#include "viewer/messages.h"
#include "viewer/program_chart.h"
#include "viewer/sequence_loader.h"
#include "viewer/viewer_commands.h"

namespace kep::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: kepgraph-render FILE... [-o OUT.gif|OUT.png|OUT.svg|OUT.pdf] [--size WxH] [--scale S]\n"
    "                       [--zoom X0:X1:Y0:Y1] [--column 2|3]\n"
    "       kepgraph-render --layout FILE... [--size WxH] [--zoom X0:X1:Y0:Y1] [--column 2|3]\n"
    "       kepgraph-render --growth FILE... [--size WxH] [--zoom X0:X1:Y0:Y1] [--column 2|3]\n"
    "       kepgraph-render --points FILE [--column 2|3]\n"
    "       kepgraph-render --info FILE... [--column 2|3]\n"
    "       kepgraph-render --help\n"
    "\n"
    "  FILE...        draw the chart of FILE as the viewer shows it after opening\n"
    "                 it, and save it as a GIF image; with several files (at most\n"
    "                 16), the chart the viewer shows after adding each in turn\n"
    "  -o OUT.gif     the GIF file to write (default: the first FILE's name with\n"
    "                 the extension .gif, in the current folder)\n"
    "  -o OUT.png     write a lossless PNG file instead, the one the viewer saves\n"
    "  -o OUT.svg, -o OUT.pdf\n"
    "                 write the chart as an SVG or PDF drawing instead\n"
    "  --size WxH     the chart's size in pixels (default 753x561, at most 16384\n"
    "                 each way)\n"
    "  --scale S      draw a GIF or PNG image S times as large in each direction,\n"
    "                 and as sharp, for S from 1 to 4 (default 1)\n"
    "  --zoom X0:X1:Y0:Y1\n"
    "                 zoom to the bottom axis range X0..X1 and the left axis range\n"
    "                 Y0..Y1 before drawing\n"
    "  --column 2|3   read every term from word 2 or word 3 of its line, instead\n"
    "                 of choosing the word as the viewer's Automatic does\n"
    "  --layout FILE  print the geometry of that drawing as one JSON object\n"
    "                 instead of writing a GIF\n"
    "  --growth FILE...\n"
    "                 print, for each FILE, the least-squares slope of digit count\n"
    "                 against line position over the points that chart shows, and\n"
    "                 the growth factor per term, one line per file\n"
    "  --points FILE  print every point of FILE as X<TAB>Y, one per line\n"
    "  --info FILE... print the point count, the largest digit count, the number\n"
    "                 column, whether the file was read as \"n a(n)\" lines with\n"
    "                 \"#\" comments (b-file) and whether it was reformatted; for\n"
    "                 several files, one block each, after a line naming it\n";

// The largest chart side the renderer draws, and the largest scale.
constexpr int kMaxSide = 16384;
constexpr int kMaxScale = 4;

enum class Mode { kPoints, kInfo, kHelp, kImage, kLayout, kGrowth };

struct Zoom {
  double x0 = 0;
  double x1 = 0;
  double y0 = 0;
  double y1 = 0;
};

struct Options {
  Mode mode = Mode::kHelp;
  std::vector<std::string> files;
  std::optional<std::string> output;
  int width = viewer::kChartWidth;
  int height = viewer::kChartHeight;
  std::optional<double> scale;
  std::optional<Zoom> zoom;
  chart::NumberFormat label_format;
  sequence::TermColumn column = sequence::TermColumn::kAutomatic;
};

struct UsageError {
  std::string message;
};

// A whole text as a number of type T, or nothing.
template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void ParseSize(std::string_view text, Options& options) {
  const std::size_t x = text.find('x');
  const std::optional<int> width =
      x == std::string_view::npos ? std::nullopt : ParseNumber<int>(text.substr(0, x));
  const std::optional<int> height =
      x == std::string_view::npos ? std::nullopt : ParseNumber<int>(text.substr(x + 1));
  if (!width || !height || *width < 1 || *height < 1 || *width > kMaxSide || *height > kMaxSide) {
    throw UsageError{"--size needs WxH with sides from 1 to " + std::to_string(kMaxSide) + ", not " +
                     std::string(text)};
  }
  options.width = *width;
  options.height = *height;
}

void ParseZoom(std::string_view text, Options& options) {
  std::vector<double> values;
  for (std::size_t from = 0;;) {
    const std::size_t colon = text.find(':', from);
    const std::optional<double> value = ParseNumber<double>(text.substr(from, colon - from));
    if (!value || !std::isfinite(*value)) break;
    values.push_back(*value);
    if (colon == std::string_view::npos) break;
    from = colon + 1;
  }
  if (values.size() != 4 || values[0] == values[1] || values[2] == values[3]) {
    throw UsageError{"--zoom needs X0:X1:Y0:Y1, four finite numbers with X0 != X1 and Y0 != Y1, not " +
                     std::string(text)};
  }
  options.zoom = Zoom{values[0], values[1], values[2], values[3]};
}

void ParseScale(std::string_view text, Options& options) {
  const std::optional<double> scale = ParseNumber<double>(text);
  if (!scale || !(*scale >= 1 && *scale <= kMaxScale)) {
    throw UsageError{"--scale needs a number from 1 to " + std::to_string(kMaxScale) + ", not " +
                     std::string(text)};
  }
  options.scale = *scale;
}

void ParseColumn(std::string_view text, Options& options) {
  if (text != "2" && text != "3") throw UsageError{"--column needs 2 or 3, not " + std::string(text)};
  options.column = text == "2" ? sequence::TermColumn::kWord2 : sequence::TermColumn::kWord3;
}

// Adds a FILE; the same name twice would draw one sequence over itself.
void AddFile(std::string_view file, Options& options) {
  if (std::find(options.files.begin(), options.files.end(), file) != options.files.end()) {
    throw UsageError{std::string(file) + " given twice"};
  }
  options.files.emplace_back(file);
}

Options ParseArguments(std::span<const std::string_view> args) {
  if (args.empty()) throw UsageError{"no FILE given"};
  Options options;
  const std::string_view first = args[0];
  if (first == "--help" || first == "-h") {
    if (args.size() != 1) throw UsageError{"--help takes no arguments"};
    return options;
  }
  if (first == "--points" || first == "--info") {
    options.mode = first == "--points" ? Mode::kPoints : Mode::kInfo;
    // "--" may come before the FILE, as anywhere; --column may follow it.
    std::size_t next = args.size() > 1 && args[1] == "--" ? 2 : 1;
    std::size_t end = args.size();
    if (end >= next + 2 && args[end - 2] == "--column") {
      ParseColumn(args[end - 1], options);
      end -= 2;
    }
    for (; next < end; ++next) AddFile(args[next], options);
    const std::size_t most = options.mode == Mode::kPoints ? 1 : viewer::kMaxSequences;
    if (options.files.empty() || options.files.size() > most) {
      throw UsageError{std::string(first) + (most == 1 ? " takes one FILE" : " takes 1 to 16 FILEs") +
                       " and --column"};
    }
    return options;
  }

  options.mode = Mode::kImage;
  bool options_ended = false;  // after "--" every argument is a FILE
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&]() {
      if (i + 1 >= args.size()) throw UsageError{std::string(arg) + " needs a value"};
      return args[++i];
    };
    if (options_ended) {
      AddFile(arg, options);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--layout" || arg == "--growth") {
      if (options.mode != Mode::kImage) throw UsageError{"--layout and --growth go alone"};
      options.mode = arg == "--layout" ? Mode::kLayout : Mode::kGrowth;
    } else if (arg == "-o") {
      if (options.output) throw UsageError{"-o given twice"};
      options.output = std::string(value());
    } else if (arg == "--size") {
      ParseSize(value(), options);
    } else if (arg == "--scale") {
      if (options.scale) throw UsageError{"--scale given twice"};
      ParseScale(value(), options);
    } else if (arg == "--zoom") {
      ParseZoom(value(), options);
    } else if (arg == "--column") {
      ParseColumn(value(), options);
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError{"unknown option " + std::string(arg)};
    } else {
      AddFile(arg, options);
    }
  }
  if (options.files.empty()) throw UsageError{"no FILE given"};
  if (options.files.size() > static_cast<std::size_t>(viewer::kMaxSequences)) {
    throw UsageError{std::string(viewer::messages::kTooManySequences)};
  }
  if (options.mode != Mode::kImage && options.output)
    throw UsageError{"-o writes an image; --layout and --growth write none"};
  const std::optional<output::ImageFormat> format =
      options.output ? output::ImageFormatOf(*options.output) : std::nullopt;
  if (options.scale && (options.mode != Mode::kImage || (format && output::IsVectorFormat(*format)))) {
    throw UsageError{"--scale applies to GIF and PNG files"};
  }
  return options;
}

viewer::LoadHooks ColumnHooks(const Options& options) {
  viewer::LoadHooks hooks;
  hooks.column = options.column;
  return hooks;
}

// A file's points as the open command reads them; raises its errors.
viewer::LoadedSequence ReadFile(const std::string& file, const Options& options, bool keep_points) {
  viewer::LoadedSequence loaded = viewer::ReadSequence(file, ColumnHooks(options), {}, keep_points);
  if (loaded.column_error) std::rethrow_exception(loaded.column_error);
  return loaded;
}

void PrintPoints(const Options& options, std::ostream& out) {
  const viewer::LoadedSequence loaded = ReadFile(options.files.front(), options, true);
  const chart::ChartSeries& points = *loaded.points;
  for (int i = 0; i < points.PointCount(); ++i) {
    out << MachineNumber(points.XValueAt(i));
    out.put('\t');
    out << MachineNumber(points.YValueAt(i));
    out.put('\n');
  }
}

void PrintInfo(const std::string& file, const Options& options, std::ostream& out) {
  const viewer::LoadedSequence loaded = ReadFile(file, options, false);
  const viewer::PointSummary& summary = loaded.summary;
  out << "points ";
  out << MachineNumber(summary.points);
  out << "\nlargest-digit-count ";
  out << MachineNumber(summary.largest_digit_count);
  out << "\nnumber-column ";
  out << MachineNumber(summary.number_column);
  out << "\nb-file " << (summary.bfile ? "yes" : "no");
  out << "\nreformatted " << (loaded.reformatted ? "yes" : "no") << '\n';
}

// The viewer's chart in a window of the chosen size, taken through the same
// paints as on the desktop: the empty chart at start-up, the opened file,
// then the zoom.
struct RenderedChart {
  // capture: whether to take the save command's capture too.
  RenderedChart(const Options& options, bool capture)
      : program(options.label_format), host(program.Chart(), options.width, options.height) {
    chart::Chart& chart = program.Chart();
    host.PaintNow();
    viewer::LoadSequence(options.files.front(), program, ColumnHooks(options));
    chart.RepaintNow();
    for (std::size_t i = 1; i < options.files.size(); ++i) {
      viewer::LoadedSequence loaded = viewer::ReadSequence(options.files[i], ColumnHooks(options));
      viewer::PutAlongside(loaded, program, program.AddSeries());
      chart.RepaintNow();
    }
    if (options.zoom) {
      const Zoom& z = *options.zoom;
      const bool animated = chart.AnimatedZoom();
      chart.SetAnimatedZoom(false);
      chart.ZoomToValues(
          {.bottom = {z.x0, z.x1}, .top = {z.x0, z.x1}, .left = {z.y0, z.y1}, .right = {z.y0, z.y1}});
      chart.SetAnimatedZoom(animated);
      host.ProcessPaint();
    }
    // The save command's capture.
    if (capture) bitmap = chart.RenderToBitmap(chart.ClientRect(), options.scale.value_or(1));
  }

  viewer::ProgramChart program;
  chart::HeadlessHost host;
  raster::Bitmap bitmap;
};

// A name ending in ".png", ".svg" or ".pdf" (in any case) gets a file of
// that type, any other a GIF file.
void WriteImage(const Options& options) {
  const std::string output =
      options.output ? *options.output
                     : sequence::ReplaceExtension(sequence::FileNameOf(options.files.front()), ".gif");
  for (const std::string& file : options.files) viewer::RefuseToOverwriteSequence(output, file);
  const output::ImageFormat format = output::ImageFormatOf(output).value_or(output::ImageFormat::kGif);
  RenderedChart rendered(options, !output::IsVectorFormat(format));
  if (output::IsVectorFormat(format)) {
    viewer::SaveVectorImage(rendered.program.Chart(), format, output);
  } else {
    viewer::SaveImageFile(rendered.bitmap, format, output);
  }
}

// ---- the layout as JSON ----

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  // Numbers read back exactly; JSON has no infinities or NaN.
  void Number(double value) {
    if (!std::isfinite(value)) {
      out_ << "null";
      return;
    }
    out_ << MachineNumber(value);
  }
  void Number(int value) { out_ << MachineNumber(value); }
  void Bool(bool value) { out_ << (value ? "true" : "false"); }
  // The characters the chart draws for the text (UTF-8, or else
  // Windows-1252 bytes), in ASCII.
  void String(std::string_view text) {
    raster::DecodeText(text, characters_);
    out_ << '"';
    for (const char32_t c : characters_) {
      if (c == U'"' || c == U'\\') {
        out_ << '\\' << static_cast<char>(c);
      } else if (c < 0x20 || c >= 0x7F) {
        // Beyond the 16-bit range as a surrogate pair.
        if (c > 0xFFFF) {
          Escape(0xD800 + ((c - 0x10000) >> 10));
          Escape(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
          Escape(c);
        }
      } else {
        out_ << static_cast<char>(c);
      }
    }
    out_ << '"';
  }
  void Rect(const raster::IntRect& rect) {
    out_ << '[';
    Number(rect.Left);
    out_ << ", ";
    Number(rect.Top);
    out_ << ", ";
    Number(rect.Right);
    out_ << ", ";
    Number(rect.Bottom);
    out_ << ']';
  }
  // "name": followed by the value write_value writes; a comma before all but the first.
  template <typename WriteValue>
  void Field(bool& first, std::string_view name, WriteValue&& write_value) {
    out_ << (first ? "" : ", ");
    first = false;
    String(name);
    out_ << ": ";
    write_value();
  }
  std::ostream& Out() { return out_; }

 private:
  // \u and four lower-case hex digits.
  void Escape(char32_t unit) {
    char hex[4] = {'0', '0', '0', '0'};
    const std::to_chars_result result = std::to_chars(hex, hex + 4, static_cast<std::uint32_t>(unit), 16);
    std::rotate(hex, result.ptr, hex + 4);
    out_ << "\\u";
    out_.write(hex, 4);
  }

  std::ostream& out_;
  std::u32string characters_;
};

void WriteAxis(JsonWriter& json, std::string_view name, chart::ChartAxis& axis) {
  std::ostream& out = json.Out();
  bool first = true;
  out << '{';
  json.Field(first, "name", [&] { json.String(name); });
  json.Field(first, "visible", [&] { json.Bool(axis.Visible()); });
  json.Field(first, "automatic", [&] { json.Bool(axis.Automatic()); });
  json.Field(first, "minimum", [&] { json.Number(axis.Minimum()); });
  json.Field(first, "maximum", [&] { json.Number(axis.Maximum()); });
  json.Field(first, "work_minimum", [&] { json.Number(axis.WorkMinimum()); });
  json.Field(first, "work_maximum", [&] { json.Number(axis.WorkMaximum()); });
  json.Field(first, "start_pixel", [&] { json.Number(axis.StartPixel()); });
  json.Field(first, "end_pixel", [&] { json.Number(axis.EndPixel()); });
  json.Field(first, "axis_line", [&] { json.Number(axis.AxisLinePos()); });
  json.Field(first, "labels_edge", [&] { json.Number(axis.LabelsEdgePos()); });
  json.Field(first, "title_edge", [&] { json.Number(axis.TitleEdgePos()); });
  json.Field(first, "label_size", [&] { json.Number(axis.LabelSize()); });
  json.Field(first, "label_step", [&] { json.Number(axis.AxisLabelStep()); });
  json.Field(first, "labels", [&] {
    out << '[';
    bool first_label = true;
    for (const chart::ChartAxis::DrawnLabel& label : axis.DrawnLabels()) {
      out << (first_label ? "{" : ", {");
      first_label = false;
      bool first_field = true;
      json.Field(first_field, "value", [&] { json.Number(label.value); });
      json.Field(first_field, "text", [&] { json.String(label.text); });
      json.Field(first_field, "pixel", [&] { json.Number(label.pixel); });
      out << '}';
    }
    out << ']';
  });
  json.Field(first, "ticks", [&] {
    out << '[';
    for (std::size_t i = 0; i < axis.TickPositions().size(); ++i) {
      out << (i == 0 ? "" : ", ");
      json.Number(axis.TickPositions()[i]);
    }
    out << ']';
  });
  out << '}';
}

void PrintLayout(const Options& options, std::ostream& out) {
  RenderedChart rendered(options, false);
  chart::Chart& chart = rendered.program.Chart();
  const chart::LineSeries& series = rendered.program.Series();
  JsonWriter json(out);
  bool first = true;
  out << '{';
  json.Field(first, "panel", [&] { json.Rect(chart.PanelBounds()); });
  json.Field(first, "plot", [&] { json.Rect(chart.PlotRect()); });
  json.Field(first, "title_box", [&] { json.Rect(chart.Title().TitleBox()); });
  json.Field(first, "legend_box", [&] { json.Rect(chart.Legend().LegendBox()); });
  json.Field(first, "visible_points", [&] {
    out << '[';
    json.Number(series.FirstVisiblePoint());
    out << ", ";
    json.Number(series.LastVisiblePoint());
    out << ']';
  });
  json.Field(first, "axes", [&] {
    static constexpr std::string_view kNames[] = {"bottom", "top", "left", "right", "depth"};
    out << '[';
    const auto axes = chart.Axes();
    for (std::size_t i = 0; i < axes.size(); ++i) {
      out << (i == 0 ? "" : ", ");
      WriteAxis(json, kNames[i], *axes[i]);
    }
    out << ']';
  });
  out << "}\n";
}

// One line per file: the file as given, then its growth over the points the
// chart shows.
void PrintGrowth(const Options& options, std::ostream& out) {
  RenderedChart rendered(options, false);
  for (int i = 0; i < rendered.program.SeriesCount(); ++i) {
    const chart::GrowthSums::Fit fit = viewer::VisibleGrowth(rendered.program.SeriesAt(i));
    out << options.files[static_cast<std::size_t>(i)] << ": " << viewer::GrowthText(fit, {}) << '\n';
  }
}

int Run(std::span<const std::string_view> args, const chart::NumberFormat& label_format, std::ostream& out,
        std::ostream& err) {
  Options options;
  try {
    options = ParseArguments(args);
  } catch (const UsageError& usage) {
    err << "kepgraph-render: " << usage.message << "\n" << kUsage;
    return 2;
  }
  options.label_format = label_format;
  try {
    switch (options.mode) {
      case Mode::kHelp:
        out << kUsage;
        break;
      case Mode::kPoints:
        PrintPoints(options, out);
        break;
      case Mode::kInfo:
        for (const std::string& file : options.files) {
          // Several files: one block each, after the line that names it.
          if (options.files.size() > 1)
            out << (&file == &options.files.front() ? "" : "\n") << "file " << file << '\n';
          PrintInfo(file, options, out);
        }
        break;
      case Mode::kGrowth:
        PrintGrowth(options, out);
        break;
      case Mode::kImage:
        WriteImage(options);
        break;
      case Mode::kLayout:
        PrintLayout(options, out);
        break;
    }
    // Output that did not all arrive (a full disk, a closed pipe) is a failure.
    if (!out.flush()) output::ThrowWriteError();
    return 0;
  } catch (const Error& error) {
    err << DisplayMessage(error.what()) << '\n';
    return 1;
  }
}

}  // namespace

int RunRenderCommand(std::span<const std::string_view> args, const chart::NumberFormat& label_format,
                     std::ostream& out, std::ostream& err) {
  try {
    return Run(args, label_format, out, err);
  } catch (const std::bad_alloc&) {
    err << DisplayMessage(viewer::messages::kOutOfMemory) << '\n';
    return 1;
  }
}

}  // namespace kep::cli
