#include "editor/font_cache.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "raster/raster_font.h"

namespace {

struct CachedFontEntry {
    int size;
    int orientation;
    int style;
    int quality;
    char face[kFontCacheFaceLength + 1];
    std::unique_ptr<CachedFont> font;
};

struct FontCache {
    std::mutex lock;
    std::vector<CachedFontEntry> entries;
};

// Constructed on first use; destroyed (freeing every font) when the module unloads.
FontCache& Cache()
{
    static FontCache cache;
    return cache;
}

constexpr int kStyleBold = 1;
constexpr int kStyleItalic = 2;

FontQuality QualityOf(int quality)
{
    switch (quality) {
    case 0: return FontQuality::Default;
    case 2: return FontQuality::Antialiased;
    case 3: return FontQuality::ClearType;
    default: return FontQuality::NonAntialiased;
    }
}

std::unique_ptr<CachedFont> MakeFont(int size, int orientation, int style, int quality, const char* face)
{
    SystemFontDescription description;
    description.height = size;
    description.escapement = (orientation % 360) * 10;  // tenths of a degree
    description.orientation = description.escapement;
    description.weight = (style & kStyleBold) ? 700 : 400;
    description.italic = (style & kStyleItalic) != 0;
    description.quality = QualityOf(quality);
    description.face = face;
    SystemFontHandle system = CreateSystemFont(description);
    if (!system) {
        return nullptr;
    }
    auto font = std::make_unique<CachedFont>();
    font->SetFromSystemFont(system, FontOwnsSystemFont | FontPreferNative);
    return font;
}

}  // namespace

CachedFont* FindOrCreateFont(int size, int orientation, int style, int quality, const char* face)
{
    if (!face) {
        face = "";
    }
    FontCache& cache = Cache();
    std::lock_guard<std::mutex> guard(cache.lock);
    for (const CachedFontEntry& entry : cache.entries) {
        if (entry.size == size && entry.orientation == orientation && entry.style == style &&
            entry.quality == quality && std::strncmp(entry.face, face, kFontCacheFaceLength) == 0) {
            return entry.font.get();
        }
    }
    std::unique_ptr<CachedFont> font = MakeFont(size, orientation, style, quality, face);
    if (!font) {
        return nullptr;
    }
    CachedFontEntry entry = {size, orientation, style, quality, {}, std::move(font)};
    std::strncpy(entry.face, face, kFontCacheFaceLength);
    cache.entries.push_back(std::move(entry));
    return cache.entries.back().font.get();
}
