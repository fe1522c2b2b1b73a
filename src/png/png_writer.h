#pragma once

#include <string>

#include "output/bitmap_view.h"
#include "output/output_stream.h"

namespace kep::png {

// Encodes a 32-bit XRGB bitmap as a PNG image of 8-bit RGB samples, without
// interlacing or any chunk that varies between runs, so that the same pixels
// always give the same bytes. Raises kep::Error for a bitmap of another
// format or without pixels, and with libpng's message when libpng fails;
// errors of out propagate.
void WritePNG(const output::BitmapView& bitmap, output::OutputStream& out);

// What the save command does: the bitmap written as a PNG file through
// output::WriteFileReplacing, with the same safety and errors as a GIF file.
void SaveBitmapAsPNG(const output::BitmapView& bitmap, const std::string& file_name);

}  // namespace kep::png
