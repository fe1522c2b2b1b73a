#include "viewer/image_file.h"

#include "common/error.h"
#include "gif/gif_image.h"
#include "output/bitmap_view.h"
#include "output/file_output.h"
#include "png/png_writer.h"
#include "raster/vector_surface.h"

namespace kep::viewer {

void SaveImageFile(const raster::Bitmap& bitmap, output::ImageFormat format, const std::string& path) {
  const output::BitmapView view =
      output::BitmapView::XRGB32(bitmap.Pixels().data(), bitmap.Width(), bitmap.Height(), bitmap.Stride());
  switch (format) {
    case output::ImageFormat::kGif:
      gif::SaveBitmapAsGIF(view, path);
      break;
    case output::ImageFormat::kPng:
      png::SaveBitmapAsPNG(view, path);
      break;
    case output::ImageFormat::kSvg:
    case output::ImageFormat::kPdf:
      throw Error("A bitmap cannot be saved as a drawing");
  }
}

void SaveVectorImage(chart::Chart& chart, output::ImageFormat format, const std::string& path) {
  const raster::IntRect client = chart.ClientRect();
  raster::VectorSurface surface(format == output::ImageFormat::kPdf ? raster::VectorSurface::Format::kPdf
                                                                    : raster::VectorSurface::Format::kSvg,
                                client.Width(), client.Height());
  chart.RenderToVector(surface);
  const std::string bytes = surface.Finish();
  output::WriteFileReplacing(path, [&](output::OutputStream& out) { out.Write(bytes.data(), bytes.size()); });
}

}  // namespace kep::viewer
