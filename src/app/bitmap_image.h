#pragma once

#include <QImage>

#include "raster/bitmap.h"

namespace kep::app {

// The bitmap's pixels as an opaque image of its own, for Qt to keep.
QImage ImageOfBitmap(const raster::Bitmap& bitmap);

// The image's pixels as a bitmap, in any format Qt can convert to 32-bit RGB.
raster::Bitmap BitmapOfImage(const QImage& image);

}  // namespace kep::app
