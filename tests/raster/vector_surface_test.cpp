// The vector surface: the chart's drawing operations as SVG elements at the
// coordinates of the bitmap rules, read back with libxml2.
#include "raster/vector_surface.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "raster/chart_canvas.h"

namespace kep::raster {
namespace {

struct Element {
  std::string name;
  std::string d;      // a path's outline
  std::string style;  // its stroke and fill
  double x = 0;       // a glyph's placement
  double y = 0;
};

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  if (value == nullptr) return {};
  std::string text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

// The paths and glyph uses of the drawing, outside its definitions.
void Collect(xmlNode* node, std::vector<Element>& out) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const std::string name(reinterpret_cast<const char*>(node->name));
    if (name == "defs") continue;
    if (name == "path" || name == "use") {
      Element element{name, Attribute(node, "d"), Attribute(node, "style")};
      if (name == "use") {
        element.x = std::atof(Attribute(node, "x").c_str());
        element.y = std::atof(Attribute(node, "y").c_str());
      }
      out.push_back(element);
    }
    Collect(node->children, out);
  }
}

std::vector<Element> ParseSvg(const std::string& bytes) {
  const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
      xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "drawing.svg", nullptr, XML_PARSE_NONET),
      xmlFreeDoc);
  EXPECT_NE(doc, nullptr);
  std::vector<Element> elements;
  if (doc) Collect(xmlDocGetRootElement(doc.get()), elements);
  return elements;
}

// The numbers of a path outline.
std::vector<double> Numbers(const std::string& d) {
  std::vector<double> numbers;
  std::istringstream in(d);
  std::string word;
  while (in >> word) {
    if (word.find_first_of("0123456789") != std::string::npos) numbers.push_back(std::atof(word.c_str()));
  }
  return numbers;
}

TEST(VectorSurfaceTest, LinesJoinIntoPathsThroughPixelCentres) {
  ChartCanvas canvas;
  VectorSurface svg(VectorSurface::Format::kSvg, 200, 100);
  canvas.AttachVector(&svg);
  canvas.SetPen({.color = clRed});
  canvas.MoveTo({10, 20});
  canvas.LineTo({110, 20});
  canvas.LineTo({110, 60});
  canvas.SetPen({.color = clBlue, .width = 2});
  canvas.Line({0, 90}, {50, 90});
  canvas.Line({-100000000, 50}, {100000000, 50});  // far beyond the page
  canvas.FillRect({5, 5, 15, 10}, clGreen);
  const std::vector<Element> elements = ParseSvg(svg.Finish());

  ASSERT_EQ(elements.size(), 4u);
  EXPECT_EQ(Numbers(elements[0].d), (std::vector<double>{10.5, 20.5, 110.5, 20.5, 110.5, 60.5}));
  EXPECT_NE(elements[0].style.find("stroke:rgb(100%,0%,0%)"), std::string::npos);
  // An even width has its extra pixel above: the centre is the pixels' edge.
  EXPECT_EQ(Numbers(elements[1].d), (std::vector<double>{0, 90, 50, 90}));
  EXPECT_NE(elements[1].style.find("stroke-width:2"), std::string::npos);
  for (const double value : Numbers(elements[2].d)) {
    EXPECT_GT(value, -100);
    EXPECT_LT(value, 400);
  }
  const std::vector<double> fill = Numbers(elements[3].d);
  ASSERT_GE(fill.size(), 8u);
  EXPECT_EQ(std::vector<double>(fill.begin(), fill.begin() + 8),
            (std::vector<double>{5, 5, 15, 5, 15, 10, 5, 10}));
}

TEST(VectorSurfaceTest, TextIsPlacedAsTheFontEngineLaysItOut) {
  ChartCanvas canvas;
  VectorSurface svg(VectorSurface::Format::kSvg, 200, 100);
  canvas.AttachVector(&svg);
  canvas.SetFont(Font{"Arial", 8});
  const FontMetrics metrics = canvas.Fonts().Metrics(canvas.GetFont());
  const int width = canvas.TextWidth("W1");
  canvas.SetTextAlign(HorizontalAlign::kRight, VerticalAlign::kBottom);
  canvas.TextOut(150, 70, "W1");
  canvas.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
  canvas.TextOut(20, 30, "1");
  std::vector<Element> glyphs;
  for (const Element& element : ParseSvg(svg.Finish())) {
    if (element.name == "use") glyphs.push_back(element);
  }
  ASSERT_EQ(glyphs.size(), 3u);
  // Right and bottom: the cell ends at the anchor; the baseline is the
  // descent above it.
  EXPECT_DOUBLE_EQ(glyphs[0].x, 150 - width);
  EXPECT_DOUBLE_EQ(glyphs[0].y, 70 - metrics.descent);
  EXPECT_DOUBLE_EQ(glyphs[1].x, 150 - width + canvas.TextWidth("W"));
  EXPECT_DOUBLE_EQ(glyphs[2].x, 20);
  EXPECT_DOUBLE_EQ(glyphs[2].y, 30 + metrics.ascent);
}

}  // namespace
}  // namespace kep::raster
