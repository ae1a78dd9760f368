// MemoryBitmap, pixels on the heap, 64-byte aligned, rows padded to the alignment.
#include "raster/raster_bitmap.h"

#include <cstdint>
#include <cstdlib>

namespace {
constexpr std::int64_t kMaxBlockBytes = 0x7FFFFFFF - 63;  // capacity is an int32
}

MemoryBitmap::MemoryBitmap(int width, int height, int rowAlignment)
{
    unsigned align = static_cast<unsigned>(rowAlignment);
    align &= 0u - align;  // lowest set bit
    if (align == 0) {
        align = 1;
    }
    if (align > 16) {
        align = 16;
    }
    alignMask = static_cast<std::int32_t>(align - 1);
    if (width > 0 && height > 0) {
        Resize(width, height);
    }
}

MemoryBitmap::~MemoryBitmap()
{
    std::free(buffer);
}

Pixel32* MemoryBitmap::Pixels()
{
    if (!buffer) {
        return nullptr;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(buffer);
    return reinterpret_cast<Pixel32*>((address + 63) & ~static_cast<std::uintptr_t>(63));
}

int MemoryBitmap::StrideFor(int w) const
{
    if (w <= 0) {
        return 0;
    }
    const std::int64_t stride = (static_cast<std::int64_t>(w) + alignMask) & ~static_cast<std::int64_t>(alignMask);
    return stride > 0x7FFFFFFF ? 0 : static_cast<int>(stride);
}

int MemoryBitmap::StridePixels() const
{
    return StrideFor(width);
}

bool MemoryBitmap::Resize(int w, int h)
{
    if (w == width && h == height) {
        return false;
    }
    width = w;
    height = h;
    // 64-bit arithmetic: a size whose byte count does not fit the int32 capacity gets no block.
    const std::int64_t needed = static_cast<std::int64_t>(h) * StrideFor(w) * 4;
    if (needed > 0 && w > 0 && h > 0 && needed <= kMaxBlockBytes) {
        if (!buffer) {
            buffer = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(needed) + 63));
            capacityBytes = buffer ? static_cast<std::int32_t>(needed) : 0;
        } else if (capacityBytes < needed) {
            std::int64_t capacity = needed + needed / 4;
            if (capacity > kMaxBlockBytes) {
                capacity = needed;
            }
            void* grown = std::realloc(buffer, static_cast<std::size_t>(capacity) + 63);
            if (grown) {
                buffer = static_cast<unsigned char*>(grown);
                capacityBytes = static_cast<std::int32_t>(capacity);
            } else {
                std::free(buffer);
                buffer = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(needed) + 63));
                capacityBytes = buffer ? static_cast<std::int32_t>(needed) : 0;
            }
        }
    } else {
        std::free(buffer);
        buffer = nullptr;
        capacityBytes = 0;
    }
    if (!buffer) {
        width = 0;
        height = 0;
    }
    return true;
}
