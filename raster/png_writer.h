// Saves a surface as an 8-bit RGBA PNG file (snapshots of the editor, pictures for review).
#pragma once

#include "raster/raster_bitmap.h"

// False on any failure, in which case no file is left behind.
bool SavePngFile(RasterBitmap& surface, const char* utf8Path);
