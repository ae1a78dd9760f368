// Helpers of the font tests: fonts of the editor's face, filled surfaces, and comparing
// and locating drawn pixels.
#pragma once

#include <memory>

#include "raster/raster_bitmap.h"
#include "raster/raster_font.h"

namespace font_test {

// "Arial" (a metric-compatible face where Arial itself is missing) of the given cell height.
std::unique_ptr<CachedFont> MakeArial(int height, int flags, FontQuality quality = FontQuality::NonAntialiased);

std::unique_ptr<MemoryBitmap> Filled(int width, int height, Pixel32 colour);

bool SamePixels(RasterBitmap& a, RasterBitmap& b);

// The box of pixels differing from the background colour; empty (right <= left) when none.
RasterRect InkBounds(RasterBitmap& surface, Pixel32 background);

// Draws text with the format into a fresh surface of the background colour.
std::unique_ptr<MemoryBitmap> Drawn(CachedFont& font, const char* text, RasterRect rect, TextFormat format,
                                    int width = 120, int height = 60, Pixel32 background = 0xFF000000);

}  // namespace font_test
