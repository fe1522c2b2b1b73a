// The program's chart at a scale and as a drawing: a scaled bitmap keeps
// the scale-1 layout at twice the positions; SVG and PDF files are read
// back with libxml2 and poppler, drawn with rsvg-convert and pdftoppm, and
// compared with the bitmap.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "chart/headless_host.h"
#include "png/png_check.h"
#include "raster/bitmap.h"
#include "raster/vector_surface.h"
#include "support/temp_dir.h"
#include "viewer/image_file.h"
#include "viewer/program_chart.h"
#include "viewer/sequence_loader.h"

namespace kep::viewer {
namespace {

using raster::Bitmap;
using raster::IntRect;

bool Ink(std::uint32_t pixel, std::uint32_t below) {
  return ((pixel >> 16) & 0xFF) < below || ((pixel >> 8) & 0xFF) < below || (pixel & 0xFF) < below;
}

// The box of the pixels darker than white inside area (empty when none).
IntRect InkBox(const Bitmap& bitmap, const IntRect& area) {
  IntRect box{area.Right, area.Bottom, area.Left, area.Top};
  const IntRect inside = area.Intersect(bitmap.Bounds());
  for (int y = inside.Top; y < inside.Bottom; ++y) {
    for (int x = inside.Left; x < inside.Right; ++x) {
      if (!Ink(bitmap.Pixel(x, y), 250)) continue;
      box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
             std::max(box.Bottom, y + 1)};
    }
  }
  return box.IsEmpty() ? IntRect{} : box;
}

IntRect Doubled(const IntRect& r) { return {2 * r.Left, 2 * r.Top, 2 * r.Right, 2 * r.Bottom}; }

// Each edge of the scale-2 box lies at twice the scale-1 edge, within one
// logical pixel.
void ExpectAtTwice(const IntRect& single, const IntRect& twice, const std::string& what) {
  ASSERT_FALSE(single.IsEmpty()) << what;
  EXPECT_NEAR(twice.Left, 2 * single.Left, 2) << what;
  EXPECT_NEAR(twice.Top, 2 * single.Top, 2) << what;
  EXPECT_NEAR(twice.Right, 2 * single.Right, 2) << what;
  EXPECT_NEAR(twice.Bottom, 2 * single.Bottom, 2) << what;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// A binary PPM (P6) as a bitmap; empty when it is not one.
Bitmap ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  if (magic != "P6" || maximum != 255) return {};
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned char rgb[3];
      in.read(reinterpret_cast<char*>(rgb), 3);
      bitmap.SetPixel(x, y, (rgb[0] << 16) | (rgb[1] << 8) | rgb[2]);
    }
  }
  return in ? bitmap : Bitmap{};
}

// The pixels of a that are clearly ink with no ink at all in b within one
// pixel: what anti-aliasing and hinting cannot explain.
int InkWithoutNeighbour(const Bitmap& a, const Bitmap& b) {
  int count = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (!Ink(a.Pixel(x, y), 128)) continue;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int nx = x + dx, ny = y + dy;
          near = nx >= 0 && ny >= 0 && nx < b.Width() && ny < b.Height() && Ink(b.Pixel(nx, ny), 240);
        }
      }
      count += near ? 0 : 1;
    }
  }
  return count;
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 400 terms whose digit counts grow with a wobble.
    std::string text;
    for (int i = 1; i <= 400; ++i) {
      text += std::to_string(i) + " " + std::string(static_cast<std::size_t>(2 * i + i % 7), '7') + "\n";
    }
    file_ = dir_.Write("wobble.kep", text);
    host_.PaintNow();
    LoadSequence(file_, program_, {});
    chart().RepaintNow();
  }
  chart::Chart& chart() { return program_.Chart(); }

  test::TempDir dir_;
  std::string file_;
  ProgramChart program_;
  chart::HeadlessHost host_{program_.Chart(), kChartWidth, kChartHeight};
};

TEST_F(ExportTest, AtScaleTwoTheLayoutIsTheSameAtTwiceThePositions) {
  const IntRect client = chart().ClientRect();
  const Bitmap single = chart().RenderToBitmap(client);
  EXPECT_EQ(single, host_.Pixels());  // the capture is the window's picture
  const IntRect plot = chart().PlotRect();
  const chart::ChartAxis& bottom = chart().BottomAxis();
  const chart::ChartAxis& left = chart().LeftAxis();
  const auto bottom_labels = bottom.DrawnLabels();
  const auto left_labels = left.DrawnLabels();
  const auto ticks = bottom.TickPositions();

  const Bitmap twice = chart().RenderToBitmap(client, 2);
  ASSERT_EQ(twice.Width(), 2 * kChartWidth);
  ASSERT_EQ(twice.Height(), 2 * kChartHeight);
  // The same labels at the same logical places, the same plot rectangle.
  EXPECT_EQ(chart().PlotRect(), plot);
  ASSERT_EQ(bottom.DrawnLabels().size(), bottom_labels.size());
  for (std::size_t i = 0; i < bottom_labels.size(); ++i) {
    EXPECT_EQ(bottom.DrawnLabels()[i].text, bottom_labels[i].text);
    EXPECT_EQ(bottom.DrawnLabels()[i].pixel, bottom_labels[i].pixel);
  }
  EXPECT_EQ(left.DrawnLabels().size(), left_labels.size());

  // Bottom labels, each in its own box below the axis.
  const int labels_top = bottom.LabelsEdgePos();
  const int labels_bottom = bottom.TitleEdgePos();
  for (const auto& label : bottom_labels) {
    const IntRect area{label.pixel - 15, labels_top, label.pixel + 15, labels_bottom};
    ExpectAtTwice(InkBox(single, area), InkBox(twice, Doubled(area)), "label " + label.text);
  }
  // Left labels, right-aligned against the axis.
  for (const auto& label : left_labels) {
    const IntRect area{0, label.pixel - 5, plot.Left - 1, label.pixel + 5};
    ExpectAtTwice(InkBox(single, area), InkBox(twice, Doubled(area)), "label " + label.text);
  }
  // Ticks below the axis line, the title above the plot, the plot's frame.
  for (const int tick : ticks) {
    const IntRect area{tick - 3, bottom.AxisLinePos() + 2, tick + 3, labels_top};
    ExpectAtTwice(InkBox(single, area), InkBox(twice, Doubled(area)), "tick " + std::to_string(tick));
  }
  const IntRect title_area{0, 2, kChartWidth, plot.Top - 1};
  ExpectAtTwice(InkBox(single, title_area), InkBox(twice, Doubled(title_area)), "title");
  const IntRect plot_area{plot.Left - 1, plot.Top - 1, plot.Right + 2, plot.Bottom + 2};
  ExpectAtTwice(InkBox(single, plot_area), InkBox(twice, Doubled(plot_area)), "plot");

  // Drawing at scale 2 leaves the scale-1 pictures as they were.
  EXPECT_EQ(chart().RenderToBitmap(client), single);
  chart().RepaintNow();
  EXPECT_EQ(host_.Pixels(), single);
}

TEST_F(ExportTest, PdfHasTheTextAndThePixelsOfTheBitmap) {
  const std::string pdf = dir_.File("chart.pdf");
  SaveVectorImage(chart(), output::ImageFormat::kPdf, pdf);
  const std::string text = RunCommand("pdftotext '" + pdf + "' - 2>&1");
  for (const std::string_view words : {"Sequence file: wobble.kep", "Sequence Length", "Number Size"}) {
    EXPECT_NE(text.find(words), std::string::npos) << words << " in " << text;
  }
  for (const auto& label : chart().BottomAxis().DrawnLabels()) {
    EXPECT_NE(text.find(label.text), std::string::npos) << label.text;
  }

  RunCommand("pdftoppm -r 96 -singlefile '" + pdf + "' '" + dir_.File("page") + "' 2>&1");
  const Bitmap page = ReadPpm(dir_.File("page.ppm"));
  const Bitmap bitmap = chart().RenderToBitmap(chart().ClientRect());
  ASSERT_EQ(page.Width(), bitmap.Width());
  ASSERT_EQ(page.Height(), bitmap.Height());
  // Every clear ink pixel of one has ink beside it in the other.
  EXPECT_EQ(InkWithoutNeighbour(bitmap, page), 0);
  EXPECT_EQ(InkWithoutNeighbour(page, bitmap), 0);
}

struct SvgText {
  std::string content;
  double x = 0;  // the start of its baseline, before any rotation
  double y = 0;
  std::string transform;
};

struct SvgFacts {
  std::string width;
  std::vector<std::string> series_paths;  // outlines drawn in the series' blue
  std::vector<SvgText> texts;

  const SvgText* Find(const std::string& content) const {
    for (const SvgText& text : texts) {
      if (text.content == content) return &text;
    }
    return nullptr;
  }
};

void CollectSvg(xmlNode* node, SvgFacts& facts) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const std::string name(reinterpret_cast<const char*>(node->name));
    const auto attribute = [&](const char* key) {
      xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(key));
      std::string text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
      xmlFree(value);
      return text;
    };
    if (name == "svg") facts.width = attribute("width");
    if (name == "path" && attribute("stroke") == "#0000ff") facts.series_paths.push_back(attribute("d"));
    if (name == "text") {
      xmlChar* content = xmlNodeGetContent(node);
      facts.texts.push_back({reinterpret_cast<const char*>(content), std::atof(attribute("x").c_str()),
                             std::atof(attribute("y").c_str()), attribute("transform")});
      xmlFree(content);
      continue;
    }
    CollectSvg(node->children, facts);
  }
}

SvgFacts ReadSvg(const std::string& path) {
  SvgFacts facts;
  const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
      xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_HUGE), xmlFreeDoc);
  EXPECT_NE(doc, nullptr);
  if (doc) CollectSvg(xmlDocGetRootElement(doc.get()), facts);
  return facts;
}

// The text's cell, [x, x + width) across and from ascent above its
// baseline to descent below, holds the bitmap's ink of area.
void ExpectInkInCell(const Bitmap& bitmap, const IntRect& area, const SvgText& text, const raster::Font& font,
                     raster::FontEngine& fonts) {
  const IntRect ink = InkBox(bitmap, area);
  const raster::FontMetrics metrics = fonts.Metrics(font);
  ASSERT_FALSE(ink.IsEmpty()) << text.content;
  EXPECT_GE(ink.Left, text.x - 1) << text.content;
  EXPECT_LE(ink.Right, text.x + fonts.TextWidth(font, text.content) + 1) << text.content;
  EXPECT_GE(ink.Top, text.y - metrics.ascent) << text.content;
  EXPECT_LE(ink.Bottom, text.y + metrics.descent) << text.content;
}

TEST_F(ExportTest, SvgHoldsTheSeriesAndTheTextWhereTheBitmapHasThem) {
  const std::string svg = dir_.File("chart.svg");
  SaveVectorImage(chart(), output::ImageFormat::kSvg, svg);
  const SvgFacts facts = ReadSvg(svg);
  EXPECT_EQ(facts.width, std::to_string(kChartWidth) + "px");

  // The series starts at its first point's pixel (the centre of an odd pen,
  // the edge of an even one) and stays in the plot.
  ASSERT_FALSE(facts.series_paths.empty());
  const chart::LineSeries& series = program_.Series();
  const double centre = series.LinePen().width % 2 == 1 ? 0.5 : 0;
  const double first_x = chart().BottomAxis().XValueToPixel(series.XValueAt(0)) + centre;
  const double first_y = chart().LeftAxis().YValueToPixel(series.YValueAt(0)) + centre;
  std::istringstream outline(facts.series_paths.front());
  std::string move;
  double x = 0, y = 0;
  outline >> move >> x >> y;
  EXPECT_EQ(move, "M");
  EXPECT_DOUBLE_EQ(x, first_x);
  EXPECT_DOUBLE_EQ(y, first_y);
  const IntRect plot = chart().PlotRect();
  for (const std::string& d : facts.series_paths) {
    std::istringstream in(d);
    std::string command;
    while (in >> command >> x >> y) {
      EXPECT_GE(x, plot.Left);
      EXPECT_LE(x, plot.Right + 1);
      EXPECT_GE(y, plot.Top);
      EXPECT_LE(y, plot.Bottom + 1);
    }
  }

  // Each bottom label centred on its pixel, on the labels' baseline.
  raster::FontEngine& fonts = chart().Canvas().Fonts();
  const chart::ChartAxis& bottom = chart().BottomAxis();
  const raster::Font& labels_font = bottom.LabelsFont();
  const int baseline = bottom.LabelsEdgePos() + fonts.Metrics(labels_font).ascent;
  for (const auto& label : bottom.DrawnLabels()) {
    const SvgText* text = facts.Find(label.text);
    ASSERT_NE(text, nullptr) << label.text;
    EXPECT_EQ(text->x, label.pixel - fonts.TextWidth(labels_font, label.text) / 2) << label.text;
    EXPECT_EQ(text->y, baseline) << label.text;
  }
  for (const auto& label : chart().LeftAxis().DrawnLabels()) EXPECT_NE(facts.Find(label.text), nullptr);

  // The chart's title and the bottom axis' title where the bitmap has their
  // ink; the left axis' title turned a quarter about its anchor.
  const Bitmap bitmap = chart().RenderToBitmap(chart().ClientRect());
  const SvgText* title = facts.Find("Sequence file: wobble.kep");
  ASSERT_NE(title, nullptr);
  ExpectInkInCell(bitmap, {plot.Left, 0, plot.Right, plot.Top - 1}, *title, chart().Title().Font(), fonts);
  const SvgText* bottom_title = facts.Find("Sequence Length");
  ASSERT_NE(bottom_title, nullptr);
  ExpectInkInCell(bitmap, {0, bottom.TitleEdgePos(), kChartWidth, kChartHeight}, *bottom_title,
                  bottom.Title().Font(), fonts);
  const SvgText* left_title = facts.Find("Number Size");
  ASSERT_NE(left_title, nullptr);
  EXPECT_EQ(left_title->transform.rfind("rotate(-90 ", 0), 0u) << left_title->transform;
}

TEST_F(ExportTest, SvgRendersAsTheBitmap) {
  const std::string svg = dir_.File("chart.svg");
  SaveVectorImage(chart(), output::ImageFormat::kSvg, svg);
  const std::string png = dir_.File("chart.png");
  RunCommand("rsvg-convert '" + svg + "' -o '" + png + "' 2>&1");
  std::ifstream in(png, std::ios::binary);
  const png::test::Decoded decoded =
      png::test::DecodeWithLibpng({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
  ASSERT_TRUE(decoded.ok) << decoded.error;
  Bitmap drawn(decoded.width, decoded.height);
  for (int y = 0; y < decoded.height; ++y) {
    for (int x = 0; x < decoded.width; ++x) drawn.SetPixel(x, y, decoded.pixels[y * decoded.width + x]);
  }
  const Bitmap bitmap = chart().RenderToBitmap(chart().ClientRect());
  ASSERT_EQ(drawn.Width(), bitmap.Width());
  ASSERT_EQ(drawn.Height(), bitmap.Height());
  // Every clear ink pixel of one has ink beside it in the other.
  EXPECT_EQ(InkWithoutNeighbour(bitmap, drawn), 0);
  EXPECT_EQ(InkWithoutNeighbour(drawn, bitmap), 0);
}

TEST_F(ExportTest, TheLegendScalesAndIsInTheDrawings) {
  program_.Series().SetTitle("wobble.kep");
  chart::LineSeries& second = program_.AddSeries();
  second.SetTitle("second sequence");
  for (int i = 1; i <= 300; ++i) second.AddPoint(i, i, "", raster::clSeriesColor);
  const IntRect client = chart().ClientRect();
  const Bitmap single = chart().RenderToBitmap(client);
  const IntRect legend = chart().Legend().LegendBox();
  ASSERT_FALSE(legend.IsEmpty());
  const Bitmap twice = chart().RenderToBitmap(client, 2);
  EXPECT_EQ(chart().Legend().LegendBox(), legend);
  const IntRect area{legend.Left - 1, legend.Top - 1, legend.Right + 1, legend.Bottom + 1};
  ExpectAtTwice(InkBox(single, area), InkBox(twice, Doubled(area)), "legend");

  const std::string pdf = dir_.File("legend.pdf");
  SaveVectorImage(chart(), output::ImageFormat::kPdf, pdf);
  const std::string text = RunCommand("pdftotext '" + pdf + "' - 2>&1");
  EXPECT_NE(text.find("second sequence"), std::string::npos) << text;
  EXPECT_NE(text.find("wobble.kep"), std::string::npos) << text;
  const std::string svg = dir_.File("legend.svg");
  SaveVectorImage(chart(), output::ImageFormat::kSvg, svg);
  const SvgFacts facts = ReadSvg(svg);
  EXPECT_NE(facts.Find("second sequence"), nullptr);
  EXPECT_NE(facts.Find("wobble.kep"), nullptr);
}

TEST_F(ExportTest, DrawingSizeDependsOnThePixelsNotThePoints) {
  const auto svg_size = [&](int points) {
    chart::LineSeries& series = program_.Series();
    series.ClearPoints();
    double y = 50;
    std::uint32_t state = 1;
    for (int i = 0; i < points; ++i) {
      state = state * 1103515245u + 12345u;
      y += ((state >> 16) % 3) - 1.0;
      series.AddPoint(i, y, "", raster::clSeriesColor);
    }
    raster::VectorSurface surface(raster::VectorSurface::Format::kSvg, kChartWidth, kChartHeight);
    chart().RenderToVector(surface);
    return surface.Finish().size();
  };
  const std::size_t fewer = svg_size(100'000);
  const std::size_t more = svg_size(1'000'000);
  EXPECT_LT(more, 2'000'000u);
  EXPECT_LT(more, 2 * fewer);
}

}  // namespace
}  // namespace kep::viewer
