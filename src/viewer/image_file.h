#pragma once

#include <optional>
#include <string>

#include "chart/chart.h"
#include "raster/bitmap.h"

namespace kep::viewer {

enum class ImageFormat { kGif, kPng, kSvg, kPdf };

// The image format a file name's extension names, in any case: ".gif",
// ".png", ".svg" or ".pdf"; nothing for any other extension or none.
std::optional<ImageFormat> ImageFormatOf(const std::string& path);

// SVG and PDF are drawings; GIF and PNG are pixels.
inline bool IsVectorFormat(ImageFormat format) {
  return format == ImageFormat::kSvg || format == ImageFormat::kPdf;
}

// Writes the bitmap to path as a GIF (the colours reduced to the web
// palette) or as a lossless PNG. Either way the file is written as
// gif::WriteFileReplacing describes; the file errors propagate.
void SaveImageFile(const raster::Bitmap& bitmap, ImageFormat format, const std::string& path);

// Draws the chart as its window shows it (size, zoom, series) as an SVG or
// PDF drawing and writes it to path as SaveImageFile does.
void SaveVectorImage(chart::Chart& chart, ImageFormat format, const std::string& path);

}  // namespace kep::viewer
