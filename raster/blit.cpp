// Blit (rectangle and short forms) and FillRect.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/blend.h"
#include "raster/combiners.h"

using namespace raster_detail;

namespace {

// What a blit copies after clipping: the source rectangle and the destination position.
struct BlitArea {
    int left;
    int top;
    int dstX;
    int dstY;
    int width;
    int height;
};

// Clips the source rectangle to the source and the destination position to the destination,
// in 64-bit arithmetic so that extreme positions cannot overflow. False when nothing is left.
bool ClipBlit(RasterBitmap& dest, RasterBitmap& src, int dstX, int dstY, const RasterRect* rect, BlitArea* area)
{
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = src.Width();
    std::int64_t bottom = src.Height();
    std::int64_t x = dstX;
    std::int64_t y = dstY;
    if (rect) {
        left = rect->left;
        top = rect->top;
        right = std::min<std::int64_t>(rect->right, src.Width());
        bottom = std::min<std::int64_t>(rect->bottom, src.Height());
        if (left < 0) {
            x -= left;
            left = 0;
        }
        if (top < 0) {
            y -= top;
            top = 0;
        }
    }
    if (x < 0) {
        left -= x;
        x = 0;
    }
    if (y < 0) {
        top -= y;
        y = 0;
    }
    if (left >= right || top >= bottom || x >= dest.Width() || y >= dest.Height()) {
        return false;
    }
    const std::int64_t width = std::min<std::int64_t>(dest.Width() + left - x, right) - left;
    const std::int64_t height = std::min<std::int64_t>(top + dest.Height() - y, bottom) - top;
    if (width <= 0 || height <= 0 || !dest.Pixels() || !src.Pixels()) {
        return false;
    }
    *area = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(x), static_cast<int>(y),
             static_cast<int>(width), static_cast<int>(height)};
    return true;
}

void ChannelCopy(RasterBitmap& dest, RasterBitmap& src, const BlitArea& a, BlendMode mode)
{
    const int from = mode & 3;
    const int to = (mode >> 2) & 3;
    const RasterRows srcRows(src, a.top, a.left);
    const RasterRows destRows(dest, a.dstY, a.dstX);
    for (int y = 0; y < a.height; ++y) {
        const auto* s = reinterpret_cast<const unsigned char*>(srcRows[y]);
        auto* d = reinterpret_cast<unsigned char*>(destRows[y]);
        for (int x = 0; x < a.width; ++x) {
            d[4 * x + to] = s[4 * x + from];
        }
    }
}

template <class RowFn>
void ForEachRow(RasterBitmap& dest, RasterBitmap& src, const BlitArea& a, RowFn row)
{
    const RasterRows srcRows(src, a.top, a.left);
    const RasterRows destRows(dest, a.dstY, a.dstX);
    for (int y = 0; y < a.height; ++y) {
        row(destRows[y], srcRows[y]);
    }
}

// Runs a row operation over the rectangle (x, y, width, height) of a surface.
template <class RowFn>
void ForEachFillRow(RasterBitmap& dest, int x, int y, int height, RowFn row)
{
    const RasterRows rows(dest, y, x);
    for (int r = 0; r < height; ++r) {
        row(rows[r]);
    }
}

template <class Op>
void FillWithCombiner(RasterBitmap& dest, int x, int y, int width, int height, Pixel32 colour, int w)
{
    ForEachFillRow(dest, x, y, height, [&](Pixel32* d) {
        for (int i = 0; i < width; ++i) {
            d[i] = Op::Combine(d[i], colour, w, w);
        }
    });
}

template <class WordFn>
void FillWithWords(RasterBitmap& dest, int x, int y, int width, int height, Pixel32 colour, WordFn word)
{
    ForEachFillRow(dest, x, y, height, [&](Pixel32* d) {
        for (int i = 0; i < width; ++i) {
            d[i] = word(colour, d[i]);
        }
    });
}

}  // namespace

void Blit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, const RasterRect* srcRect, float opacity,
          BlendMode mode)
{
    if (!dest || !src || opacity == 0.0f) {
        return;
    }
    BlitArea area;
    if (!ClipBlit(*dest, *src, dstX, dstY, srcRect, &area)) {
        return;
    }
    const int operation = mode & 0xFF;
    const bool sourceAlpha = (mode & BlendUseSourceAlpha) != 0;
    if (operation >= 0xF0) {
        ChannelCopy(*dest, *src, area, mode);
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(area.width) * 4;
    auto copyRows = [&] {
        ForEachRow(*dest, *src, area, [&](Pixel32* d, const Pixel32* s) { std::memmove(d, s, rowBytes); });
    };
    if (operation == 0 && !sourceAlpha) {
        if (opacity == 1.0f) {
            copyRows();
            return;
        }
        if (opacity == 0.5f) {
            ForEachRow(*dest, *src, area, [&](Pixel32* d, const Pixel32* s) { HalfRowFast(d, s, area.width, 128); });
            return;
        }
    }
    const int w = WeightOf(opacity);
    if (w == 0) {
        return;
    }
    if (operation == 0 && !sourceAlpha && w == 256) {
        copyRows();
        return;
    }
    const BlendRowFn row = BlitRowFor(operation, sourceAlpha, w);
    if (!row) {
        return;
    }
    ForEachRow(*dest, *src, area, [&](Pixel32* d, const Pixel32* s) { row(d, s, area.width, w); });
}

void Blit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int srcX, int srcY, int width, int height,
          float opacity, BlendMode mode)
{
    // Right and bottom saturate instead of overflowing for extreme positions and sizes.
    auto end = [](int start, int size) {
        const std::int64_t e = static_cast<std::int64_t>(start) + size;
        return static_cast<int>(std::min<std::int64_t>(std::max<std::int64_t>(e, INT32_MIN), INT32_MAX));
    };
    const RasterRect rect = {srcX, srcY, end(srcX, width), end(srcY, height)};
    Blit(dest, src, dstX, dstY, &rect, opacity, mode);
}

void FillRect(RasterBitmap* dest, int x, int y, int width, int height, Pixel32 colour, float opacity,
              BlendMode mode)
{
    if (mode & BlendUseSourceAlpha) {
        opacity *= static_cast<float>(colour >> 24) * 0.003921569f;
    }
    std::int64_t left = x;
    std::int64_t top = y;
    std::int64_t w64 = width;
    std::int64_t h64 = height;
    if (left < 0) {
        w64 += left;
        left = 0;
    }
    if (top < 0) {
        h64 += top;
        top = 0;
    }
    if (!dest || opacity == 0.0f || !dest->Pixels() || dest->StridePixels() <= 0 || w64 <= 0 || h64 <= 0 ||
        left >= dest->Width() || top >= dest->Height()) {
        return;
    }
    const int fx = static_cast<int>(left);
    const int fy = static_cast<int>(top);
    const int fw = static_cast<int>(std::min<std::int64_t>(w64, dest->Width() - left));
    const int fh = static_cast<int>(std::min<std::int64_t>(h64, dest->Height() - top));
    const int operation = mode & 0xFF;
    const int w = WeightOf(opacity);
    if (operation != 0) {
        WithCombiner(operation, false, false, [&](auto tag) {
            FillWithCombiner<typename decltype(tag)::type>(*dest, fx, fy, fw, fh, colour, w);
        });
    } else if (w == 256) {
        ForEachFillRow(*dest, fx, fy, fh, [&](Pixel32* d) { FillRowFast(d, colour, fw); });
    } else if (w == 128) {
        FillWithWords(*dest, fx, fy, fw, fh, colour, MixHalf);
    } else if (w == 64) {
        FillWithWords(*dest, fx, fy, fw, fh, colour, MixQuarter);
    } else if (w == 192) {
        FillWithWords(*dest, fx, fy, fw, fh, colour, MixThreeQuarters);
    } else if (w > 0) {
        FillWithCombiner<CopyOp>(*dest, fx, fy, fw, fh, colour, w);
    }
}
