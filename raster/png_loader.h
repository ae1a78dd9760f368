// PNG decoding with libpng into Pixel32 surfaces, from memory, a UTF-8 file path or
// the module's resources, and the image-loader list with its one PNG entry.
#pragma once

#include <cstddef>

#include "raster/module_resources.h"
#include "raster/raster_bitmap.h"

// Each returns the decoded surface, or null on any failure. With a target the image is decoded
// into it (after Resize to the image's size) and the target is returned; without one a new
// MemoryBitmap with row alignment 4 is made. The caller owns the result either way.
RasterBitmap* LoadPngFromMemory(const void* data, std::size_t size, RasterBitmap* target);
RasterBitmap* LoadPngFromFile(const char* utf8Path, RasterBitmap* target);
RasterBitmap* LoadPngFromResource(ModuleHandle module, int id, RasterBitmap* target);

// An entry of the image-loader list (statically allocated; singly linked; head imageLoaders).
struct ImageLoaderRecord {
    RasterBitmap* (*loadFromFile)(const char* fileName, bool checkExtension, RasterBitmap* target);
    const char* (*filterText)();
    ImageLoaderRecord* next;
};

extern ImageLoaderRecord* imageLoaders;

// The PNG entry's operations: with checkExtension the name must end in ".png" (any case) after
// its last '.', '/' or '\'; the filter text is "PNG files (*.PNG)".
RasterBitmap* PngLoaderLoadFile(const char* fileName, bool checkExtension, RasterBitmap* target);
const char* PngLoaderFilterText();
