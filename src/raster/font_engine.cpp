#include "raster/font_engine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <strings.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "common/error.h"
#include "common/format.h"
#include "raster/messages.h"

namespace kep::raster {
namespace {

// The largest em height rendered; larger requests are drawn at this size.
constexpr int kMaxEmPixels = 1024;

// Families asked for by name that this desktop provides under another name.
struct FamilySubstitute {
  const char* asked;
  const char* installed;
};
constexpr std::array kFamilySubstitutes{
    FamilySubstitute{"Arial", "Liberation Sans"},
    FamilySubstitute{"Courier New", "Liberation Mono"},
    FamilySubstitute{"Times New Roman", "Liberation Serif"},
    FamilySubstitute{"MS Sans Serif", "sans-serif"},
};
constexpr const char* kDefaultFamily = "Arial";
constexpr const char* kGenericSans = "sans-serif";

std::string InstalledFamily(const std::string& family) {
  for (const FamilySubstitute& substitute : kFamilySubstitutes) {
    if (strcasecmp(family.c_str(), substitute.asked) == 0) return substitute.installed;
  }
  return family;
}

// Characters 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes strict UTF-8 into out; false (out undefined) when text is not UTF-8.
bool DecodeUtf8(std::string_view text, std::u32string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    out.push_back(code);
    i += extra + 1;
  }
  return true;
}

void DecodeWindows1252(std::string_view text, std::u32string& out) {
  out.clear();
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out.push_back(byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
  }
}

// The Unicode space separators other than the plain space.
bool IsOtherSpace(char32_t code) {
  return code == 0x00A0 || (code >= 0x2000 && code <= 0x200A) || code == 0x202F || code == 0x205F ||
         code == 0x3000;
}

// The kind of face, from its fixed pitch or the classification of its
// OS/2 table (PANOSE: family kind 2 is Latin text, proportion 9 is
// monospaced, serif styles 2 to 10 have serifs); sans-serif when neither
// tells.
GenericFamily GenericFamilyOf(FT_Face face) {
  if (FT_IS_FIXED_WIDTH(face)) return GenericFamily::kMonospace;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 == nullptr || os2->version == 0xFFFF || os2->panose[0] != 2) return GenericFamily::kSansSerif;
  if (os2->panose[3] == 9) return GenericFamily::kMonospace;
  if (os2->panose[1] >= 2 && os2->panose[1] <= 10) return GenericFamily::kSerif;
  return GenericFamily::kSansSerif;
}

struct PatternCloser {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternCloser>;

}  // namespace

void FontEngine::LibraryCloser::operator()(FT_LibraryRec_* library) const { FT_Done_FreeType(library); }
void FontEngine::ConfigCloser::operator()(_FcConfig* config) const { FcConfigDestroy(config); }

FontEngine::Face::~Face() {
  if (face != nullptr) FT_Done_Face(face);
}

FontEngine::FontEngine() {
  FT_Library library = nullptr;
  if (const FT_Error error = FT_Init_FreeType(&library); error != 0) {
    throw Error(FormatMessage(messages::kFontEngineFailed, static_cast<int>(error)));
  }
  library_.reset(library);
  config_.reset(FcInitLoadConfigAndFonts());
  if (!config_) throw Error(std::string(messages::kFontConfigFailed));
  fallback_ = OpenFace(kDefaultFamily, false, false);
  if (fallback_ == nullptr) throw Error(FormatMessage(messages::kNoFontFound, kDefaultFamily));
  faces_[FaceKey{kDefaultFamily, false, false}] = fallback_;
}

FontEngine::~FontEngine() = default;

FontEngine::Face* FontEngine::OpenFace(const std::string& family, bool bold, bool italic) {
  if (Face* face = OpenMatch(InstalledFamily(family), bold, italic)) return face;
  return OpenMatch(kGenericSans, bold, italic);
}

FontEngine::Face* FontEngine::OpenMatch(const std::string& family, bool bold, bool italic) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return nullptr;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config_.get(), pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  const PatternPtr match(FcFontMatch(config_.get(), pattern.get(), &result));
  if (!match) return nullptr;

  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return nullptr;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match.get(), FC_SLANT, 0, &slant);

  auto face = std::make_unique<Face>();
  if (FT_New_Face(library_.get(), reinterpret_cast<const char*>(file), index, &face->face) != 0) {
    face->face = nullptr;
    return nullptr;
  }
  if (!FT_IS_SCALABLE(face->face)) return nullptr;
  FT_Select_Charmap(face->face, FT_ENCODING_UNICODE);
  face->file = reinterpret_cast<const char*>(file);
  face->family = face->face->family_name != nullptr ? face->face->family_name : family;
  face->generic = GenericFamilyOf(face->face);
  face->embolden = bold && weight < FC_WEIGHT_DEMIBOLD;
  face->oblique = italic && slant == FC_SLANT_ROMAN;
  face->bold = face->embolden || weight >= FC_WEIGHT_DEMIBOLD;
  face->italic = face->oblique || slant != FC_SLANT_ROMAN;
  opened_faces_.push_back(std::move(face));
  return opened_faces_.back().get();
}

FontEngine::Face* FontEngine::FindFace(const FaceKey& key) {
  const auto found = faces_.find(key);
  if (found != faces_.end()) return found->second;
  Face* face = OpenFace(key.family, key.bold, key.italic);
  if (face == nullptr) face = fallback_;
  faces_.emplace(key, face);
  return face;
}

std::unique_ptr<FontEngine::SizedFace> FontEngine::MakeSized(Face* face, int em) {
  FT_Size size = nullptr;
  if (FT_New_Size(face->face, &size) != 0) return nullptr;
  FT_Activate_Size(size);
  if (FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(em)) != 0) {
    FT_Done_Size(size);
    return nullptr;
  }
  auto sized = std::make_unique<SizedFace>();
  sized->face = face;
  sized->size = size;
  sized->metrics.ascent = static_cast<int>((size->metrics.ascender + 63) >> 6);
  sized->metrics.descent = static_cast<int>((-size->metrics.descender + 63) >> 6);
  if (sized->metrics.Height() <= 0) sized->metrics = FontMetrics{em, 0};
  return sized;
}

FontEngine::SizedFace& FontEngine::Sized(const Font& font) {
  const int em = std::min(font.EmPixels(), kMaxEmPixels);
  if (last_sized_ != nullptr && last_key_.em == em && last_key_.face.bold == font.bold &&
      last_key_.face.italic == font.italic && last_key_.face.family == font.name) {
    return *last_sized_;
  }
  SizeKey key{FaceKey{font.name, font.bold, font.italic}, em};
  auto found = sizes_.find(key);
  if (found == sizes_.end()) {
    std::unique_ptr<SizedFace> sized = MakeSized(FindFace(key.face), em);
    if (!sized) sized = MakeSized(fallback_, em);
    if (!sized) throw Error(FormatMessage(messages::kNoFontFound, font.name));
    found = sizes_.emplace(key, std::move(sized)).first;
  }
  last_key_ = std::move(key);
  last_sized_ = found->second.get();
  return *last_sized_;
}

const FontEngine::Glyph& FontEngine::GlyphFor(SizedFace& sized, char32_t code) {
  const auto found = sized.glyphs.find(code);
  if (found != sized.glyphs.end()) {
    ++stats_.hits;
    return found->second;
  }
  ++stats_.misses;
  Glyph& glyph = sized.glyphs[code];
  FT_Face face = sized.face->face;
  FT_Activate_Size(sized.size);
  FT_UInt index = FT_Get_Char_Index(face, code);
  if (index == 0 && IsOtherSpace(code)) index = FT_Get_Char_Index(face, U' ');
  glyph.index = index;
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return glyph;
  FT_GlyphSlot slot = face->glyph;
  if (sized.face->oblique) FT_GlyphSlot_Oblique(slot);
  if (sized.face->embolden) FT_GlyphSlot_Embolden(slot);
  glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return glyph;

  const FT_Bitmap& bitmap = slot->bitmap;
  const bool gray = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
  if (!gray && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return glyph;
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.rows = static_cast<int>(bitmap.rows);
  glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
  for (int y = 0; y < glyph.rows; ++y) {
    const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
    std::uint8_t* out = glyph.coverage.data() + static_cast<std::size_t>(y) * glyph.width;
    for (int x = 0; x < glyph.width; ++x) {
      out[x] = gray ? row[x] : ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255;
    }
  }
  return glyph;
}

void DecodeText(std::string_view text, std::u32string& out) {
  if (!DecodeUtf8(text, out)) DecodeWindows1252(text, out);
}

void FontEngine::Decode(std::string_view text) { DecodeText(text, decoded_); }

FontMetrics FontEngine::Metrics(const Font& font) { return Sized(font).metrics; }

std::string FontEngine::FaceFile(const Font& font) { return Sized(font).face->file; }

int FontEngine::TextWidth(const Font& font, std::string_view text) {
  SizedFace& sized = Sized(font);
  Decode(text);
  int width = 0;
  for (const char32_t code : decoded_) width += GlyphFor(sized, code).advance;
  return width;
}

void FontEngine::Layout(const Font& font, std::string_view text, GlyphRun& run) {
  SizedFace& sized = Sized(font);
  Decode(text);
  run.file = sized.face->file;
  run.face_index = static_cast<int>(sized.face->face->face_index & 0xFFFF);
  run.family = sized.face->family;
  run.generic = sized.face->generic;
  run.bold = sized.face->bold;
  run.italic = sized.face->italic;
  run.embolden = sized.face->embolden;
  run.oblique = sized.face->oblique;
  run.em = last_key_.em;
  run.metrics = sized.metrics;
  run.glyphs.clear();
  int pen = 0;
  for (const char32_t code : decoded_) {
    const Glyph& glyph = GlyphFor(sized, code);
    run.glyphs.push_back({glyph.index, pen, code});
    pen += glyph.advance;
  }
  run.width = pen;
}

void FontEngine::Render(const Font& font, std::string_view text, TextImage& image) {
  SizedFace& sized = Sized(font);
  Decode(text);
  const int ascent = sized.metrics.ascent;

  // Place the glyphs and find the box that holds the cell and all ink.
  line_glyphs_.clear();
  int pen = 0;
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = sized.metrics.Height();
  for (const char32_t code : decoded_) {
    const Glyph& glyph = GlyphFor(sized, code);
    line_glyphs_.push_back(&glyph);
    if (glyph.width > 0 && glyph.rows > 0) {
      left = std::min(left, pen + glyph.left);
      right = std::max(right, pen + glyph.left + glyph.width);
      top = std::min(top, ascent - glyph.top);
      bottom = std::max(bottom, ascent - glyph.top + glyph.rows);
    }
    pen += glyph.advance;
  }
  right = std::max(right, pen);
  image.cell_width = std::max(pen, 0);
  image.cell_height = sized.metrics.Height();
  image.left = left;
  image.top = top;
  image.width = right - left;
  image.height = bottom - top;
  image.coverage.assign(static_cast<std::size_t>(image.width) * image.height, 0);

  pen = 0;
  for (const Glyph* glyph : line_glyphs_) {
    const int x0 = pen + glyph->left - left;
    const int y0 = ascent - glyph->top - top;
    for (int y = 0; y < glyph->rows; ++y) {
      const std::uint8_t* in = glyph->coverage.data() + static_cast<std::size_t>(y) * glyph->width;
      std::uint8_t* out = image.coverage.data() + static_cast<std::size_t>(y0 + y) * image.width + x0;
      for (int x = 0; x < glyph->width; ++x) out[x] = std::max(out[x], in[x]);
    }
    pen += glyph->advance;
  }
}

}  // namespace kep::raster
