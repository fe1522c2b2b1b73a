#include "raster/vector_surface.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

#include "common/error.h"

namespace kep::raster {
namespace {

// A PDF page is measured in points, 72 to the inch; the chart's pixels are
// 96 to the inch.
constexpr double kPointsPerPixel = 72.0 / 96.0;

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  try {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  } catch (const std::bad_alloc&) {
    return CAIRO_STATUS_NO_MEMORY;
  }
}

void ThrowIfFailed(cairo_status_t status) {
  if (status != CAIRO_STATUS_SUCCESS) throw Error(cairo_status_to_string(status));
}

// Keeps the part of the segment (x0, y0)-(x1, y1) inside [low, high] in
// both directions (Liang-Barsky); false when nothing is left. cairo's fixed
// point coordinates cannot hold the far ends of lines that leave the page.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double low, double high) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  double enter = 0;
  double leave = 1;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {x0 - low, high - x0, y0 - low, high - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
  }
  if (enter > leave) return false;
  x1 = x0 + leave * dx;
  y1 = y0 + leave * dy;
  x0 += enter * dx;
  y0 += enter * dy;
  return true;
}

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

VectorSurface::VectorSurface(Format format, int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
  if (format == Format::kSvg) {
    surface_ = cairo_svg_surface_create_for_stream(AppendBytes, &bytes_, width_, height_);
    cairo_svg_surface_set_document_unit(surface_, CAIRO_SVG_UNIT_PX);
  } else {
    surface_ = cairo_pdf_surface_create_for_stream(AppendBytes, &bytes_, width_ * kPointsPerPixel,
                                                   height_ * kPointsPerPixel);
    cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "KEP Graph");
  }
  cr_ = cairo_create(surface_);
  const cairo_status_t status = cairo_status(cr_);
  if (status != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
    ThrowIfFailed(status);
  }
  if (format == Format::kPdf) cairo_scale(cr_, kPointsPerPixel, kPointsPerPixel);
  // Outlines as the font draws them, placed where the font engine put them.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
}

VectorSurface::~VectorSurface() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
  for (const auto& [key, face] : faces_) cairo_font_face_destroy(face);
}

void VectorSurface::SetColor(Color color) {
  const std::uint32_t xrgb = color.ToXrgb();
  cairo_set_source_rgb(cr_, ((xrgb >> 16) & 0xFF) / 255.0, ((xrgb >> 8) & 0xFF) / 255.0,
                       (xrgb & 0xFF) / 255.0);
}

void VectorSurface::FillRect(const IntRect& rect, Color color) {
  StrokePending();
  // Only the part on the page (and a pixel around it) is drawn.
  const IntRect part = rect.Intersect({-1, -1, width_ + 1, height_ + 1});
  if (part.IsEmpty()) return;
  SetColor(color);
  cairo_rectangle(cr_, part.Left, part.Top, part.Width(), part.Height());
  cairo_fill(cr_);
}

void VectorSurface::Line(IntPoint from, IntPoint to, int width, Color color, int dash,
                         std::optional<Color> gap) {
  const Stroke stroke{std::max(width, 1), color, dash, gap};
  if (pending_ && (stroke != pending_stroke_ || from != pending_end_)) StrokePending();
  // A pen of odd width is centred on the pixel centres; an even one has its
  // extra pixel on the left or above, so its centre is the pixels' edge.
  const double offset = stroke.width % 2 == 1 ? 0.5 : 0;
  double x0 = from.x + offset;
  double y0 = from.y + offset;
  double x1 = to.x + offset;
  double y1 = to.y + offset;
  const double margin = stroke.width + 16.0;
  const double extent = std::max(width_, height_) + margin;
  if (!ClipSegment(x0, y0, x1, y1, -margin, extent)) {
    StrokePending();
    return;
  }
  if (!pending_ || x0 != from.x + offset || y0 != from.y + offset) {
    StrokePending();
    cairo_move_to(cr_, x0, y0);
  }
  cairo_line_to(cr_, x1, y1);
  pending_ = true;
  pending_stroke_ = stroke;
  // A clipped end does not continue into the next line.
  pending_end_ = (x1 == to.x + offset && y1 == to.y + offset) ? to : IntPoint{INT32_MIN, INT32_MIN};
}

void VectorSurface::StrokePending() {
  if (!pending_) return;
  pending_ = false;
  const Stroke& stroke = pending_stroke_;
  cairo_set_line_width(cr_, stroke.width);
  if (stroke.dash > 0 && stroke.gap) {
    SetColor(*stroke.gap);
    cairo_set_dash(cr_, nullptr, 0, 0);
    cairo_stroke_preserve(cr_);
  }
  if (stroke.dash > 0) {
    // The path starts at a pixel's centre; the pattern at its edge.
    const double on_off = stroke.dash;
    cairo_set_dash(cr_, &on_off, 1, 0.5);
  }
  SetColor(stroke.color);
  cairo_stroke(cr_);
  cairo_set_dash(cr_, nullptr, 0, 0);
}

cairo_font_face_t* VectorSurface::FontFace(const GlyphRun& run) {
  const auto key = std::make_tuple(run.file, run.face_index, run.embolden, run.oblique);
  const auto found = faces_.find(key);
  if (found != faces_.end()) return found->second;
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) throw std::bad_alloc();
  FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(run.file.c_str()));
  FcPatternAddInteger(pattern, FC_INDEX, run.face_index);
  cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
  FcPatternDestroy(pattern);
  unsigned int synthesize = 0;
  if (run.embolden) synthesize |= CAIRO_FT_SYNTHESIZE_BOLD;
  if (run.oblique) synthesize |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
  if (synthesize != 0) cairo_ft_font_face_set_synthesize(face, synthesize);
  faces_.emplace(key, face);
  return face;
}

void VectorSurface::Text(const GlyphRun& run, IntPoint position, IntPoint anchor, int angle, Color color,
                         std::optional<Color> background) {
  StrokePending();
  if (run.glyphs.empty()) return;
  cairo_save(cr_);
  cairo_translate(cr_, position.x, position.y);
  // Counter-clockwise on a page whose y grows downwards.
  if (angle != 0) cairo_rotate(cr_, -angle * std::numbers::pi / 180.0);
  if (background) {
    SetColor(*background);
    cairo_rectangle(cr_, -anchor.x, -anchor.y, run.width, run.metrics.Height());
    cairo_fill(cr_);
  }
  cairo_set_font_face(cr_, FontFace(run));
  cairo_set_font_size(cr_, run.em);
  // One cluster per character, so that the text can be searched and copied.
  std::vector<cairo_glyph_t> glyphs;
  std::vector<cairo_text_cluster_t> clusters;
  std::string utf8;
  const double baseline = run.metrics.ascent - anchor.y;
  for (const GlyphRun::Placed& placed : run.glyphs) {
    glyphs.push_back({placed.index, static_cast<double>(placed.x - anchor.x), baseline});
    const std::size_t before = utf8.size();
    AppendUtf8(placed.code, utf8);
    clusters.push_back({static_cast<int>(utf8.size() - before), 1});
  }
  SetColor(color);
  cairo_show_text_glyphs(cr_, utf8.data(), static_cast<int>(utf8.size()), glyphs.data(),
                         static_cast<int>(glyphs.size()), clusters.data(), static_cast<int>(clusters.size()),
                         cairo_text_cluster_flags_t{});
  cairo_restore(cr_);
}

void VectorSurface::SetClip(const std::optional<IntRect>& clip) {
  StrokePending();
  cairo_reset_clip(cr_);
  if (!clip) return;
  const IntRect part = clip->Intersect({-1, -1, width_ + 1, height_ + 1});
  cairo_rectangle(cr_, part.Left, part.Top, std::max(part.Width(), 0), std::max(part.Height(), 0));
  cairo_clip(cr_);
}

std::string VectorSurface::Finish() {
  StrokePending();
  ThrowIfFailed(cairo_status(cr_));
  cairo_surface_finish(surface_);
  ThrowIfFailed(cairo_surface_status(surface_));
  return std::move(bytes_);
}

}  // namespace kep::raster
