#pragma once

#include <optional>
#include <string>

#include "raster/bitmap.h"

namespace kep::viewer {

enum class ImageFormat { kGif, kPng };

// The image format a file name's extension names, in any case: ".gif" or
// ".png"; nothing for any other extension or none.
std::optional<ImageFormat> ImageFormatOf(const std::string& path);

// Writes the bitmap to path as a GIF (the colours reduced to the web
// palette) or as a lossless PNG. Either way the file is written as
// gif::WriteFileReplacing describes; the file errors propagate.
void SaveImageFile(const raster::Bitmap& bitmap, ImageFormat format, const std::string& path);

}  // namespace kep::viewer
