#include "png/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "output/file_output.h"

namespace kep::png {

namespace {

constexpr std::string_view kOnlyXRGB32 = "PNG images can only be made of 32-bit pixels";
constexpr std::string_view kNoPixels = "A PNG image needs at least one pixel";

// What the libpng callbacks leave for the caller: the error that stopped the
// encoder, as libpng's message or as the exception of the output stream.
struct EncoderState {
  output::OutputStream* out = nullptr;
  std::string message;
  std::exception_ptr stream_error;
};

EncoderState& StateOf(png_structp png) { return *static_cast<EncoderState*>(png_get_error_ptr(png)); }

// libpng's errors leave the encoder through the jump buffer that EncodeImage
// set; its default handler would also print to stderr.
[[noreturn]] void OnError(png_structp png, png_const_charp message) {
  StateOf(png).message = message;
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// An exception must not cross libpng's C frames, so a failed write is
// kept and turned into a libpng error. png_error leaves by longjmp, which
// would skip the end of a handler and keep its exception alive for good, so
// it is called only once the handler has closed.
void OnWrite(png_structp png, png_bytep data, std::size_t size) {
  EncoderState& state = StateOf(png);
  try {
    state.out->Write(data, size);
  } catch (...) {
    state.stream_error = std::current_exception();
  }
  if (state.stream_error) png_error(png, "write failed");
}

void OnFlush(png_structp) {}

// The libpng calls. A libpng error jumps back to the setjmp here, so this
// frame holds nothing that needs destroying; row is the caller's buffer of
// 3 bytes per pixel. False when libpng gave up.
bool EncodeImage(png_structp png, png_infop info, const output::BitmapView& bitmap, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, png_get_error_ptr(png), OnWrite, OnFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.width), static_cast<png_uint_32>(bitmap.height),
               8,                   // bits per sample
               PNG_COLOR_TYPE_RGB,  // red, green, blue; no alpha, no palette
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < bitmap.height; ++y) {
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(bitmap.Row(y));
    for (int x = 0; x < bitmap.width; ++x) {
      const std::uint32_t pixel = pixels[x];  // 0x00RRGGBB
      row[3 * x + 0] = static_cast<png_byte>(pixel >> 16);
      row[3 * x + 1] = static_cast<png_byte>(pixel >> 8);
      row[3 * x + 2] = static_cast<png_byte>(pixel);
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

void WritePNG(const output::BitmapView& bitmap, output::OutputStream& out) {
  if (bitmap.format != output::PixelFormat::kXRGB32) throw Error(std::string(kOnlyXRGB32));
  if (bitmap.Empty()) throw Error(std::string(kNoPixels));
  if (const std::string_view fault = output::BitmapFault(bitmap); !fault.empty())
    throw Error(std::string(fault));
  std::vector<png_byte> row(static_cast<std::size_t>(bitmap.width) * 3);
  EncoderState state;
  state.out = &out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (png == nullptr) throw std::bad_alloc();
  png_infop info = png_create_info_struct(png);
  const bool have_info = info != nullptr;
  const bool encoded = have_info && EncodeImage(png, info, bitmap, row.data());
  png_destroy_write_struct(&png, &info);
  if (!have_info) throw std::bad_alloc();
  if (state.stream_error) std::rethrow_exception(state.stream_error);
  if (!encoded) throw Error(state.message);
}

void SaveBitmapAsPNG(const output::BitmapView& bitmap, const std::string& file_name) {
  output::WriteFileReplacing(file_name, [&](output::OutputStream& out) { WritePNG(bitmap, out); });
}

}  // namespace kep::png
