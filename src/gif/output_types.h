#pragma once

#include "output/bitmap_view.h"
#include "output/output_stream.h"

namespace kep::gif {

// The GIF writer reads the shared bitmap views and writes to the shared
// streams; a palette entry is a colour table entry.
using output::BitmapView;
using output::MemoryStream;
using output::OutputStream;
using output::PixelFormat;
using GIFColor = output::PaletteColor;

// Checks that a non-empty view can be read; raises GIFException with the
// reason when it cannot.
void ValidateBitmap(const BitmapView& bitmap);

}  // namespace kep::gif
