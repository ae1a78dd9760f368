#include "image_cache.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {
struct CachedImage {
    int id;
    std::unique_ptr<RasterBitmap> bitmap;
};

struct ImageCache {
    std::mutex lock;
    std::vector<CachedImage> entries;
};

// Constructed on first use; destroyed (freeing every image) when the module unloads.
ImageCache& Cache()
{
    static ImageCache cache;
    return cache;
}
}  // namespace

RasterBitmap* FindOrLoadImage(int id, const std::function<RasterBitmap*()>& load)
{
    ImageCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (const CachedImage& entry : cache.entries) {
        if (entry.id == id && id != kCroppedImageId) {
            return entry.bitmap.get();
        }
    }
    RasterBitmap* bitmap = load();
    if (bitmap != nullptr) {
        cache.entries.push_back({id, std::unique_ptr<RasterBitmap>(bitmap)});
    }
    return bitmap;
}

void AdoptImage(int id, RasterBitmap* bitmap)
{
    if (bitmap == nullptr) {
        return;
    }
    ImageCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    cache.entries.push_back({id, std::unique_ptr<RasterBitmap>(bitmap)});
}
