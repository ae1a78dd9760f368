#include "font_test_util.h"

#include <algorithm>

#include "raster/blend.h"

namespace font_test {

std::unique_ptr<CachedFont> MakeArial(int height, int flags, FontQuality quality)
{
    SystemFontDescription description;
    description.height = height;
    description.quality = quality;
    description.face = "Arial";
    SystemFontHandle system = CreateSystemFont(description);
    if (!system) {
        return nullptr;
    }
    auto font = std::make_unique<CachedFont>();
    font->SetFromSystemFont(system, flags | FontOwnsSystemFont);
    return font;
}

std::unique_ptr<MemoryBitmap> Filled(int width, int height, Pixel32 colour)
{
    auto surface = std::make_unique<MemoryBitmap>(width, height, 4);
    FillRect(surface.get(), 0, 0, width, height, colour, 1.0f, BlendCopy);
    return surface;
}

bool SamePixels(RasterBitmap& a, RasterBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return false;
    }
    for (int y = 0; y < a.Height(); ++y) {
        if (!std::equal(RasterRow(a, y), RasterRow(a, y) + a.Width(), RasterRow(b, y))) {
            return false;
        }
    }
    return true;
}

RasterRect InkBounds(RasterBitmap& surface, Pixel32 background)
{
    RasterRect ink = {surface.Width(), surface.Height(), 0, 0};
    for (int y = 0; y < surface.Height(); ++y) {
        const Pixel32* row = RasterRow(surface, y);
        for (int x = 0; x < surface.Width(); ++x) {
            if (row[x] != background) {
                ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                       std::max(ink.bottom, y + 1)};
            }
        }
    }
    return ink;
}

std::unique_ptr<MemoryBitmap> Drawn(CachedFont& font, const char* text, RasterRect rect, TextFormat format, int width,
                                    int height, Pixel32 background)
{
    auto surface = Filled(width, height, background);
    font.RenderText(surface.get(), text, -1, &rect, format);
    return surface;
}

}  // namespace font_test
