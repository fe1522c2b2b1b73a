#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "raster/font.h"

// FreeType and fontconfig handles, declared here so that users of this
// header do not need their headers.
struct FT_LibraryRec_;
struct FT_FaceRec_;
struct FT_SizeRec_;
struct _FcConfig;

namespace kep::raster {

// The vertical metrics of a font at its size, in whole pixels. The text cell
// of a line is ascent + descent high; the baseline lies ascent pixels below
// its top.
struct FontMetrics {
  int ascent = 0;
  int descent = 0;
  int Height() const { return ascent + descent; }
};

// Anti-aliased coverage of a text line (0 = none, 255 = full). The text cell
// is (0, 0) to (cell_width, cell_height); the buffer covers the cell and all
// ink, starting at (left, top) relative to the cell, which are <= 0.
struct TextImage {
  int cell_width = 0;
  int cell_height = 0;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;  // width * height, row by row

  std::uint8_t At(int x, int y) const {
    return coverage[static_cast<std::size_t>(y - top) * width + (x - left)];
  }
};

// The kind of face a family name stands for, to name a stand-in for it.
enum class GenericFamily { kSansSerif, kSerif, kMonospace };

// A text line laid out for drawing with outlines: the face (its file and
// index in it, its family, and whether bold or italic must be made up), the
// em size, and each character's glyph at the pen position TextWidth and
// Render give it.
struct GlyphRun {
  struct Placed {
    unsigned index = 0;  // the glyph in the face
    int x = 0;           // pen position from the start of the line, in pixels
    char32_t code = 0;   // the character it shows
  };
  std::string file;
  int face_index = 0;
  std::string family;  // the face's family name, such as "Liberation Sans"
  GenericFamily generic = GenericFamily::kSansSerif;
  bool bold = false;      // drawn bold: a bold face, or emboldened
  bool italic = false;    // drawn slanted: an italic face, or obliqued
  bool embolden = false;  // bold made up from an upright weight
  bool oblique = false;   // italic made up by slanting
  int em = 0;
  FontMetrics metrics;
  int width = 0;  // the sum of the advances
  std::vector<Placed> glyphs;
};

// The characters an 8-bit text stands for, as the font engine draws them:
// valid UTF-8 is read as UTF-8, anything else byte by byte as Windows-1252.
void DecodeText(std::string_view text, std::u32string& out);

// Fonts and glyphs for the drawing surface: owns the FreeType library and a
// fontconfig configuration, resolves a font request to a face by family,
// bold and italic, and caches hinted, rendered glyphs per face and size.
//
// Text is 8-bit: valid UTF-8 is read as UTF-8, anything else byte by byte
// as Windows-1252, so both file names of this desktop and text in the
// older single-byte encoding show as intended. Every character is one
// glyph; control characters take whatever glyph the font maps them to.
class FontEngine {
 public:
  // Raises kep::Error when FreeType or fontconfig cannot start, or when
  // neither the default family nor any sans-serif face can be loaded.
  FontEngine();
  ~FontEngine();
  FontEngine(const FontEngine&) = delete;
  FontEngine& operator=(const FontEngine&) = delete;

  FontMetrics Metrics(const Font& font);
  // Sum of the glyph advances, in pixels; the same advances place glyphs.
  int TextWidth(const Font& font, std::string_view text);
  // Renders text into image (its buffer is reused).
  void Render(const Font& font, std::string_view text, TextImage& image);
  // Lays text out for an outline renderer (run's buffers are reused).
  void Layout(const Font& font, std::string_view text, GlyphRun& run);

  // The file of the face a font request resolves to (for diagnostics and tests).
  std::string FaceFile(const Font& font);

  struct CacheStats {
    std::uint64_t hits = 0;
    std::uint64_t misses = 0;
  };
  CacheStats GlyphCacheStats() const { return stats_; }

 private:
  struct Glyph {
    int left = 0;  // from the pen position to the bitmap's left edge
    int top = 0;   // from the baseline up to the bitmap's top edge
    int width = 0;
    int rows = 0;
    int advance = 0;
    unsigned index = 0;  // in the face
    std::vector<std::uint8_t> coverage;
  };
  struct Face {
    Face() = default;
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
    ~Face();
    FT_FaceRec_* face = nullptr;
    std::string file;
    std::string family;
    GenericFamily generic = GenericFamily::kSansSerif;
    bool bold = false;      // the face is bold, or is emboldened
    bool italic = false;    // the face is italic, or is obliqued
    bool embolden = false;  // bold asked for, the face is not bold
    bool oblique = false;   // italic asked for, the face is upright
  };
  struct SizedFace {
    Face* face = nullptr;
    FT_SizeRec_* size = nullptr;
    FontMetrics metrics;
    std::unordered_map<char32_t, Glyph> glyphs;
  };
  struct FaceKey {
    std::string family;
    bool bold = false;
    bool italic = false;
    auto operator<=>(const FaceKey&) const = default;
  };
  struct SizeKey {
    FaceKey face;
    int em = 0;
    auto operator<=>(const SizeKey&) const = default;
  };

  SizedFace& Sized(const Font& font);
  Face* FindFace(const FaceKey& key);
  // Opens the face fontconfig matches to family (after the substitutions
  // below) or to any sans-serif face; null when neither opens.
  Face* OpenFace(const std::string& family, bool bold, bool italic);
  Face* OpenMatch(const std::string& family, bool bold, bool italic);
  std::unique_ptr<SizedFace> MakeSized(Face* face, int em);
  const Glyph& GlyphFor(SizedFace& sized, char32_t code);
  void Decode(std::string_view text);

  struct LibraryCloser {
    void operator()(FT_LibraryRec_* library) const;
  };
  struct ConfigCloser {
    void operator()(_FcConfig* config) const;
  };

  // Members are released in the reverse order of their declaration: the
  // sizes first, then the faces, the fontconfig configuration and the
  // library last. Each FreeType object must go before the library it came
  // from, so keep the library first and the faces before the sizes.
  std::unique_ptr<FT_LibraryRec_, LibraryCloser> library_;
  std::unique_ptr<_FcConfig, ConfigCloser> config_;
  std::vector<std::unique_ptr<Face>> opened_faces_;
  Face* fallback_ = nullptr;  // the default face, opened at construction
  std::map<FaceKey, Face*> faces_;
  std::map<SizeKey, std::unique_ptr<SizedFace>> sizes_;
  SizeKey last_key_;
  SizedFace* last_sized_ = nullptr;
  std::u32string decoded_;
  std::vector<const Glyph*> line_glyphs_;
  CacheStats stats_;
};

}  // namespace kep::raster
