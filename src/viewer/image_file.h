#pragma once

#include <string>

#include "chart/chart.h"
#include "output/image_file_type.h"
#include "raster/bitmap.h"

namespace kep::viewer {

// Writes the bitmap to path as a GIF (the colours reduced to the web
// palette) or as a lossless PNG. Either way the file is written as
// output::WriteFileReplacing describes; the file errors propagate.
void SaveImageFile(const raster::Bitmap& bitmap, output::ImageFormat format, const std::string& path);

// Draws the chart as its window shows it (size, zoom, series) as an SVG or
// PDF drawing and writes it to path as SaveImageFile does.
void SaveVectorImage(chart::Chart& chart, output::ImageFormat format, const std::string& path);

}  // namespace kep::viewer
