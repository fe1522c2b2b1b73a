// The SVG format of the vector surface, written as plain XML: rectangles,
// paths, clip groups, and text as text elements in the chart's font
// family, so that a reader can select, search and restyle it.
#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <vector>

#include "raster/vector_device.h"

namespace kep::raster {
namespace {

// The CSS keyword of the generic family that stands in for a missing face.
std::string_view GenericName(GenericFamily generic) {
  switch (generic) {
    case GenericFamily::kSerif:
      return "serif";
    case GenericFamily::kMonospace:
      return "monospace";
    case GenericFamily::kSansSerif:
      break;
  }
  return "sans-serif";
}

// Characters that XML 1.0 does not allow in a document at all.
bool IsXmlForbidden(char32_t code) {
  return (code < 0x20 && code != 0x09 && code != 0x0A && code != 0x0D) ||
         (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF;
}

class SvgDevice final : public VectorDevice {
 public:
  SvgDevice(int width, int height);

  void FillRect(const IntRect& rect, Color color) override;
  void StrokePath(std::span<const PathPoint> path, const VectorPen& pen) override;
  void Text(const GlyphRun& run, IntPoint position, IntPoint anchor, int angle, Color color,
            std::optional<Color> background) override;
  void SetClip(const std::optional<IntRect>& clip) override;
  std::string Finish() override;

 private:
  // Appends ` name="value"` with a number, a colour or escaped text.
  void NumberAttribute(std::string_view name, double value);
  void ColorAttribute(std::string_view name, Color color);
  void TextAttribute(std::string_view name, std::string_view value);
  void Number(double value);
  void RectAttributes(const IntRect& rect);
  void Path(std::span<const PathPoint> path, Color color, int width, int dash);
  void Character(char32_t code);

  std::string out_;
  std::vector<IntRect> clips_;  // the clip paths defined so far; clip N + 1 is clips_[N]
  std::optional<IntRect> clip_;
};

SvgDevice::SvgDevice(int width, int height) {
  out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
  out_ += " width=\"" + std::to_string(width) + "px\" height=\"" + std::to_string(height) + "px\"";
  out_ += " viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) + "\">\n";
}

void SvgDevice::Number(double value) {
  std::array<char, 32> buffer{};
  // The shortest form that reads back as the same value; no negative zero.
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value == 0 ? 0.0 : value);
  out_.append(buffer.data(), result.ptr);
}

void SvgDevice::NumberAttribute(std::string_view name, double value) {
  out_ += ' ';
  out_ += name;
  out_ += "=\"";
  Number(value);
  out_ += '"';
}

void SvgDevice::ColorAttribute(std::string_view name, Color color) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  const std::uint32_t xrgb = color.ToXrgb();
  out_ += ' ';
  out_ += name;
  out_ += "=\"#";
  for (int shift = 20; shift >= 0; shift -= 4) out_ += kDigits[(xrgb >> shift) & 0xF];
  out_ += '"';
}

void SvgDevice::TextAttribute(std::string_view name, std::string_view value) {
  out_ += ' ';
  out_ += name;
  out_ += "=\"";
  for (const char c : value) {
    switch (c) {
      case '&':
        out_ += "&amp;";
        break;
      case '<':
        out_ += "&lt;";
        break;
      case '"':
        out_ += "&quot;";
        break;
      default:
        out_ += c;
    }
  }
  out_ += '"';
}

void SvgDevice::RectAttributes(const IntRect& rect) {
  NumberAttribute("x", rect.Left);
  NumberAttribute("y", rect.Top);
  NumberAttribute("width", std::max(rect.Width(), 0));
  NumberAttribute("height", std::max(rect.Height(), 0));
}

void SvgDevice::FillRect(const IntRect& rect, Color color) {
  out_ += "<rect";
  RectAttributes(rect);
  ColorAttribute("fill", color);
  out_ += "/>\n";
}

void SvgDevice::Path(std::span<const PathPoint> path, Color color, int width, int dash) {
  out_ += "<path d=\"M ";
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (i > 0) out_ += " L ";
    Number(path[i].x);
    out_ += ' ';
    Number(path[i].y);
  }
  out_ += "\" fill=\"none\"";
  ColorAttribute("stroke", color);
  NumberAttribute("stroke-width", width);
  if (dash > 0) {
    // The path starts at a pixel's centre; the pattern at its edge.
    NumberAttribute("stroke-dasharray", dash);
    NumberAttribute("stroke-dashoffset", 0.5);
  }
  out_ += "/>\n";
}

void SvgDevice::StrokePath(std::span<const PathPoint> path, const VectorPen& pen) {
  // The gaps of a dashed line: the whole line below the dashes.
  if (pen.dash > 0 && pen.gap) Path(path, *pen.gap, pen.width, 0);
  Path(path, pen.color, pen.width, pen.dash);
}

void SvgDevice::Character(char32_t code) {
  switch (code) {
    case '&':
      out_ += "&amp;";
      return;
    case '<':
      out_ += "&lt;";
      return;
    case '>':
      out_ += "&gt;";
      return;
    case '\t':
    case '\n':
    case '\r':
      // As references, so that XML's line-end handling keeps them.
      out_ += "&#" + std::to_string(static_cast<int>(code)) + ';';
      return;
    default:
      AppendUtf8(IsXmlForbidden(code) ? U'\uFFFD' : code, out_);
  }
}

void SvgDevice::Text(const GlyphRun& run, IntPoint position, IntPoint anchor, int angle, Color color,
                     std::optional<Color> background) {
  // Laid out unrotated from position, then turned about it counter-clockwise
  // (a negative angle on a page whose y grows downwards).
  const int left = position.x - anchor.x;
  const int top = position.y - anchor.y;
  std::string rotation;
  if (angle != 0) {
    rotation = "rotate(" + std::to_string(-angle) + " " + std::to_string(position.x) + " " +
               std::to_string(position.y) + ")";
  }
  if (background) {
    out_ += "<rect";
    RectAttributes({left, top, left + run.width, top + run.metrics.Height()});
    ColorAttribute("fill", *background);
    if (!rotation.empty()) TextAttribute("transform", rotation);
    out_ += "/>\n";
  }
  // The face's own family first, quoted as a CSS string, then the generic
  // family of its kind for readers that lack the face.
  std::string family = "'";
  for (const char c : run.family) {
    if (c == '\'' || c == '\\') family += '\\';
    family += c;
  }
  family += "', ";
  family += GenericName(run.generic);

  out_ += "<text";
  NumberAttribute("x", left + run.glyphs.front().x);
  NumberAttribute("y", top + run.metrics.ascent);
  TextAttribute("font-family", family);
  out_ += " font-size=\"" + std::to_string(run.em) + "px\"";
  if (run.bold) out_ += " font-weight=\"bold\"";
  if (run.italic) out_ += " font-style=\"italic\"";
  ColorAttribute("fill", color);
  if (!rotation.empty()) TextAttribute("transform", rotation);
  out_ += " xml:space=\"preserve\">";
  // Each character at the pen position the font engine gave it, so that the
  // text lines up with the bitmap's whatever the reader's own spacing.
  for (const GlyphRun::Placed& placed : run.glyphs) {
    out_ += "<tspan";
    NumberAttribute("x", left + placed.x);
    out_ += '>';
    Character(placed.code);
    out_ += "</tspan>";
  }
  out_ += "</text>\n";
}

void SvgDevice::SetClip(const std::optional<IntRect>& clip) {
  if (clip == clip_) return;
  if (clip_) out_ += "</g>\n";
  clip_ = clip;
  if (!clip) return;
  auto found = std::find(clips_.begin(), clips_.end(), *clip);
  const std::string id = "clip" + std::to_string(found - clips_.begin() + 1);
  if (found == clips_.end()) {
    clips_.push_back(*clip);
    out_ += "<clipPath";
    TextAttribute("id", id);
    out_ += "><rect";
    RectAttributes(*clip);
    out_ += "/></clipPath>\n";
  }
  out_ += "<g clip-path=\"url(#" + id + ")\">\n";
}

std::string SvgDevice::Finish() {
  SetClip(std::nullopt);
  out_ += "</svg>\n";
  return std::move(out_);
}

}  // namespace

std::unique_ptr<VectorDevice> MakeSvgDevice(int width, int height) {
  return std::make_unique<SvgDevice>(width, height);
}

}  // namespace kep::raster
