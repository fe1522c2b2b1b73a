// The vector surface: the chart's drawing operations as SVG elements at the
// coordinates of the bitmap rules, read back with libxml2.
#include "raster/vector_surface.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "raster/chart_canvas.h"

namespace kep::raster {
namespace {

struct Element {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string content;          // a text's characters
  std::string clip;             // the clip rectangle in force, as "x y width height"
  std::vector<double> glyph_x;  // a text's character positions

  const std::string& operator[](const std::string& key) { return attributes[key]; }
  double Number(const std::string& key) { return std::atof(attributes[key].c_str()); }
};

std::map<std::string, std::string> Attributes(xmlNode* node) {
  std::map<std::string, std::string> attributes;
  for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNode*>(attribute));
    attributes[reinterpret_cast<const char*>(attribute->name)] = reinterpret_cast<const char*>(value);
    xmlFree(value);
  }
  return attributes;
}

std::string Name(xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

// The rectangles, paths and texts of the drawing, each with the clip
// rectangle of its group.
void Collect(xmlNode* node, const std::string& clip, std::map<std::string, std::string>& clips,
             std::vector<Element>& out) {
  for (; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    const std::string name = Name(node);
    auto attributes = Attributes(node);
    if (name == "clipPath") {
      auto rect = Attributes(xmlFirstElementChild(node));
      clips["url(#" + attributes["id"] + ")"] =
          rect["x"] + " " + rect["y"] + " " + rect["width"] + " " + rect["height"];
    } else if (name == "g") {
      Collect(node->children, clips[attributes["clip-path"]], clips, out);
    } else if (name == "rect" || name == "path" || name == "text") {
      Element element{name, attributes, {}, clip, {}};
      if (name == "text") {
        xmlChar* content = xmlNodeGetContent(node);
        element.content = reinterpret_cast<const char*>(content);
        xmlFree(content);
        for (xmlNode* span = xmlFirstElementChild(node); span != nullptr;
             span = xmlNextElementSibling(span)) {
          element.glyph_x.push_back(std::atof(Attributes(span)["x"].c_str()));
        }
      }
      out.push_back(element);
    } else {
      Collect(node->children, clip, clips, out);
    }
  }
}

std::vector<Element> ParseSvg(const std::string& bytes) {
  const std::unique_ptr<xmlDoc, void (*)(xmlDoc*)> doc(
      xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "drawing.svg", nullptr, XML_PARSE_NONET),
      xmlFreeDoc);
  EXPECT_NE(doc, nullptr);
  std::vector<Element> elements;
  std::map<std::string, std::string> clips;
  if (doc) Collect(xmlDocGetRootElement(doc.get()), "", clips, elements);
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
  canvas.ClipToRect({5, 5, 15, 300});
  canvas.FillRect({-20, 5, 15, 10}, clGreen);
  canvas.RemoveClip();
  canvas.SetPen({.color = clBlack, .style = PenStyle::psDot});
  canvas.SetBackgroundMode(BackgroundMode::kOpaque);
  canvas.Line({0, 0}, {0, 10});
  std::vector<Element> elements = ParseSvg(svg.Finish());

  ASSERT_EQ(elements.size(), 6u);
  EXPECT_EQ(Numbers(elements[0]["d"]), (std::vector<double>{10.5, 20.5, 110.5, 20.5, 110.5, 60.5}));
  EXPECT_EQ(elements[0]["stroke"], "#ff0000");
  EXPECT_EQ(elements[0]["fill"], "none");
  // An even width has its extra pixel above: the centre is the pixels' edge.
  EXPECT_EQ(Numbers(elements[1]["d"]), (std::vector<double>{0, 90, 50, 90}));
  EXPECT_EQ(elements[1]["stroke-width"], "2");
  for (const double value : Numbers(elements[2]["d"])) {
    EXPECT_GT(value, -100);
    EXPECT_LT(value, 400);
  }
  // The page's edge and the clip limit the rectangle.
  Element& fill = elements[3];
  EXPECT_EQ(fill.name, "rect");
  EXPECT_EQ(fill.Number("x"), -1);
  EXPECT_EQ(fill.Number("width"), 16);
  EXPECT_EQ(fill.clip, "5 5 10 96");
  EXPECT_EQ(elements[4].clip, "");
  // A dotted line in an opaque background: the gaps in white, the dots over
  // them, the pattern starting at the first pixel's edge.
  EXPECT_EQ(elements[4]["stroke"], "#ffffff");
  EXPECT_EQ(elements[4]["stroke-dasharray"], "");
  EXPECT_EQ(elements[5]["stroke"], "#000000");
  EXPECT_EQ(elements[5]["stroke-dasharray"], "3");
  EXPECT_EQ(elements[5]["stroke-dashoffset"], "0.5");
  EXPECT_EQ(elements[5]["d"], elements[4]["d"]);
}

TEST(VectorSurfaceTest, TextIsRealTextPlacedAsTheFontEngineLaysItOut) {
  ChartCanvas canvas;
  VectorSurface svg(VectorSurface::Format::kSvg, 200, 100);
  canvas.AttachVector(&svg);
  canvas.SetFont(Font{"Arial", 8});
  const FontMetrics metrics = canvas.Fonts().Metrics(canvas.GetFont());
  const int width = canvas.TextWidth("W1");
  const int w_width = canvas.TextWidth("W");
  canvas.SetTextAlign(HorizontalAlign::kRight, VerticalAlign::kBottom);
  canvas.TextOut(150, 70, "W1");
  // Characters that are markup in XML, one beyond ASCII, one that XML
  // cannot hold, on a filled cell, turned a quarter.
  canvas.SetFont(Font{.name = "Courier New", .points = 10, .bold = true, .italic = true, .color = clRed});
  canvas.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
  canvas.SetBackgroundMode(BackgroundMode::kOpaque);
  canvas.SetBackgroundColor(clYellow);
  canvas.RotatedTextOut(20, 90, "<a&b> \"\xC3\xA9\x01\"", 90);
  std::vector<Element> elements = ParseSvg(svg.Finish());
  ASSERT_EQ(elements.size(), 3u);

  // Right and bottom: the cell ends at the anchor; the baseline is the
  // descent above it; each character where the font engine put it.
  Element& plain = elements[0];
  EXPECT_EQ(plain.content, "W1");
  EXPECT_EQ(plain.Number("x"), 150 - width);
  EXPECT_EQ(plain.Number("y"), 70 - metrics.descent);
  EXPECT_EQ(plain.glyph_x, (std::vector<double>{150.0 - width, 150.0 - width + w_width}));
  EXPECT_EQ(plain["font-family"], "'Liberation Sans', sans-serif");
  EXPECT_EQ(plain["font-size"], "11px");
  EXPECT_EQ(plain["font-weight"], "");
  EXPECT_EQ(plain["fill"], "#000000");
  EXPECT_EQ(plain["transform"], "");

  // The background cell first, both turned about the anchor.
  Element& cell = elements[1];
  Element& turned = elements[2];
  const FontMetrics mono = canvas.Fonts().Metrics(canvas.GetFont());
  EXPECT_EQ(cell.name, "rect");
  EXPECT_EQ(cell["fill"], "#ffff00");
  EXPECT_EQ(cell.Number("x"), 20);
  EXPECT_EQ(cell.Number("y"), 90);
  EXPECT_EQ(cell.Number("width"), canvas.TextWidth("<a&b> \"\xC3\xA9\x01\""));
  EXPECT_EQ(cell.Number("height"), mono.Height());
  EXPECT_EQ(cell["transform"], "rotate(-90 20 90)");
  EXPECT_EQ(turned["transform"], "rotate(-90 20 90)");
  EXPECT_EQ(turned.Number("y"), 90 + mono.ascent);
  EXPECT_EQ(turned.content, "<a&b> \"\xC3\xA9\xEF\xBF\xBD\"");
  EXPECT_EQ(turned.glyph_x.size(), 10u);
  EXPECT_EQ(turned["font-family"], "'Liberation Mono', monospace");
  EXPECT_EQ(turned["font-size"], "13px");
  EXPECT_EQ(turned["font-weight"], "bold");
  EXPECT_EQ(turned["font-style"], "italic");
  EXPECT_EQ(turned["fill"], "#ff0000");
}

}  // namespace
}  // namespace kep::raster
