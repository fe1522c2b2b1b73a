#include "viewer/image_file.h"

#include <algorithm>
#include <cctype>

#include "common/error.h"
#include "gif/bitmap_view.h"
#include "gif/file_output.h"
#include "gif/gif_image.h"
#include "png/png_writer.h"
#include "raster/vector_surface.h"
#include "viewer/viewer_commands.h"

namespace kep::viewer {

std::optional<ImageFormat> ImageFormatOf(const std::string& path) {
  std::string extension = ExtensionOf(path);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".gif") return ImageFormat::kGif;
  if (extension == ".png") return ImageFormat::kPng;
  if (extension == ".svg") return ImageFormat::kSvg;
  if (extension == ".pdf") return ImageFormat::kPdf;
  return std::nullopt;
}

void SaveImageFile(const raster::Bitmap& bitmap, ImageFormat format, const std::string& path) {
  const gif::BitmapView view =
      gif::BitmapView::XRGB32(bitmap.Pixels().data(), bitmap.Width(), bitmap.Height(), bitmap.Stride());
  switch (format) {
    case ImageFormat::kGif:
      gif::SaveBitmapAsGIF(view, path);
      break;
    case ImageFormat::kPng:
      png::SaveBitmapAsPNG(view, path);
      break;
    case ImageFormat::kSvg:
    case ImageFormat::kPdf:
      throw Error("A bitmap cannot be saved as a drawing");
  }
}

void SaveVectorImage(chart::Chart& chart, ImageFormat format, const std::string& path) {
  const raster::IntRect client = chart.ClientRect();
  raster::VectorSurface surface(
      format == ImageFormat::kPdf ? raster::VectorSurface::Format::kPdf : raster::VectorSurface::Format::kSvg,
      client.Width(), client.Height());
  chart.RenderToVector(surface);
  const std::string bytes = surface.Finish();
  gif::WriteFileReplacing(path, [&](gif::OutputStream& out) { out.Write(bytes.data(), bytes.size()); });
}

}  // namespace kep::viewer
