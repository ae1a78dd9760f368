// The process-wide cache of editor images, keyed by resource identifier. Images are
// decoded once per process, shared by every instance, and freed when the module unloads.
#pragma once

#include <functional>

#include "raster/raster_bitmap.h"

constexpr int kCroppedImageId = -1;

// The cached image for the identifier; when absent, load() makes it (null is not cached).
RasterBitmap* FindOrLoadImage(int id, const std::function<RasterBitmap*()>& load);
// Hands an image to the cache to be freed at unload (crops use kCroppedImageId).
void AdoptImage(int id, RasterBitmap* bitmap);
