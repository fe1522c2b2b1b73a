#include "viewer/image_file.h"

#include "gif/gif_image.h"
#include "output/bitmap_view.h"
#include "png/png_writer.h"

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
  }
}

}  // namespace kep::viewer
