// The platform-independent part of DibBitmap (Resize); the platform files supply
// the device context and the section.
#include "raster/dib_bitmap.h"

#include <cstdint>

bool DibBitmap::Resize(int w, int h)
{
    if (!HasContext()) {
        width = 0;
        height = 0;
        bits = nullptr;
        return false;
    }
    if (w == width && h == height) {
        return false;
    }
    width = w;
    height = h;
    if (w != 0 && h != 0 && w <= allocWidth && h <= allocHeight && bits) {
        return true;
    }
    // Rounded up to a multiple of 4 in 64 bits: a width near INT_MAX cannot overflow.
    const std::int64_t rounded = (static_cast<std::int64_t>(w) + 3) & ~static_cast<std::int64_t>(3);
    allocWidth = rounded > 0x7FFFFFFF ? 0 : static_cast<std::int32_t>(rounded);
    allocHeight = h;
    ReleaseSection();
    if (allocWidth < 1 || h < 1) {
        // An empty or negative size: no storage; the surface reads as 0 x 0.
        width = 0;
        height = 0;
        allocWidth = 0;
        allocHeight = 0;
        return false;
    }
    CreateSection();
    if (!bits) {
        width = 0;
        height = 0;
    }
    return true;
}
