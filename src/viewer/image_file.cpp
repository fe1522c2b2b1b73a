#include "viewer/image_file.h"

#include <algorithm>
#include <cctype>

#include "gif/bitmap_view.h"
#include "gif/gif_image.h"
#include "png/png_writer.h"
#include "viewer/viewer_commands.h"

namespace kep::viewer {

std::optional<ImageFormat> ImageFormatOf(const std::string& path) {
  std::string extension = ExtensionOf(path);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".gif") return ImageFormat::kGif;
  if (extension == ".png") return ImageFormat::kPng;
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
  }
}

}  // namespace kep::viewer
