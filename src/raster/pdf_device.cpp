// The PDF format of the vector surface, drawn with cairo: text keeps its
// characters with the glyphs, so that PDF readers can find and copy it.
#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <map>
#include <new>
#include <numbers>
#include <tuple>
#include <vector>

#include "common/error.h"
#include "raster/vector_device.h"

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

class PdfDevice final : public VectorDevice {
 public:
  PdfDevice(int width, int height);
  ~PdfDevice() override;
  PdfDevice(const PdfDevice&) = delete;
  PdfDevice& operator=(const PdfDevice&) = delete;

  void FillRect(const IntRect& rect, Color color) override;
  void StrokePath(std::span<const PathPoint> path, const VectorPen& pen) override;
  void Text(const GlyphRun& run, IntPoint position, IntPoint anchor, int angle, Color color,
            std::optional<Color> background) override;
  void SetClip(const std::optional<IntRect>& clip) override;
  std::string Finish() override;

 private:
  void SetColor(Color color);
  cairo_font_face_t* FontFace(const GlyphRun& run);

  std::string bytes_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::map<std::tuple<std::string, int, bool, bool>, cairo_font_face_t*> faces_;
};

PdfDevice::PdfDevice(int width, int height) {
  surface_ = cairo_pdf_surface_create_for_stream(AppendBytes, &bytes_, width * kPointsPerPixel,
                                                 height * kPointsPerPixel);
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "KEP Graph");
  cr_ = cairo_create(surface_);
  const cairo_status_t status = cairo_status(cr_);
  if (status != CAIRO_STATUS_SUCCESS) {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
    ThrowIfFailed(status);
  }
  cairo_scale(cr_, kPointsPerPixel, kPointsPerPixel);
  // Outlines as the font draws them, placed where the font engine put them.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
}

PdfDevice::~PdfDevice() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
  for (const auto& [key, face] : faces_) cairo_font_face_destroy(face);
}

void PdfDevice::SetColor(Color color) {
  const std::uint32_t xrgb = color.ToXrgb();
  cairo_set_source_rgb(cr_, ((xrgb >> 16) & 0xFF) / 255.0, ((xrgb >> 8) & 0xFF) / 255.0,
                       (xrgb & 0xFF) / 255.0);
}

void PdfDevice::FillRect(const IntRect& rect, Color color) {
  SetColor(color);
  cairo_rectangle(cr_, rect.Left, rect.Top, rect.Width(), rect.Height());
  cairo_fill(cr_);
}

void PdfDevice::StrokePath(std::span<const PathPoint> path, const VectorPen& pen) {
  cairo_move_to(cr_, path.front().x, path.front().y);
  for (const PathPoint& point : path.subspan(1)) cairo_line_to(cr_, point.x, point.y);
  cairo_set_line_width(cr_, pen.width);
  if (pen.dash > 0 && pen.gap) {
    SetColor(*pen.gap);
    cairo_set_dash(cr_, nullptr, 0, 0);
    cairo_stroke_preserve(cr_);
  }
  if (pen.dash > 0) {
    // The path starts at a pixel's centre; the pattern at its edge.
    const double on_off = pen.dash;
    cairo_set_dash(cr_, &on_off, 1, 0.5);
  }
  SetColor(pen.color);
  cairo_stroke(cr_);
  cairo_set_dash(cr_, nullptr, 0, 0);
}

cairo_font_face_t* PdfDevice::FontFace(const GlyphRun& run) {
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

void PdfDevice::Text(const GlyphRun& run, IntPoint position, IntPoint anchor, int angle, Color color,
                     std::optional<Color> background) {
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

void PdfDevice::SetClip(const std::optional<IntRect>& clip) {
  cairo_reset_clip(cr_);
  if (!clip) return;
  cairo_rectangle(cr_, clip->Left, clip->Top, std::max(clip->Width(), 0), std::max(clip->Height(), 0));
  cairo_clip(cr_);
}

std::string PdfDevice::Finish() {
  ThrowIfFailed(cairo_status(cr_));
  cairo_surface_finish(surface_);
  ThrowIfFailed(cairo_surface_status(surface_));
  return std::move(bytes_);
}

}  // namespace

std::unique_ptr<VectorDevice> MakePdfDevice(int width, int height) {
  return std::make_unique<PdfDevice>(width, height);
}

}  // namespace kep::raster
