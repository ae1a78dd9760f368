// RotatedBlit, the knob drawing: scaled and rotated sampling in 16.16 fixed point
// (floating point only in the set-up), nearest or bilinear, through the operation's combiner.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster/blend.h"
#include "raster/combiners.h"

using namespace raster_detail;

namespace {

// The sampling walk in 16.16 fixed point relative to the source limits' top-left corner.
// Positions are 64-bit so that extreme scales cannot overflow.
struct Walk {
    std::int64_t startX;
    std::int64_t startY;
    std::int64_t colX;
    std::int64_t colY;
    std::int64_t rowX;
    std::int64_t rowY;
    int columns;
    int rows;
    int dstX;
    int dstY;
};

// The source limits: a window of the source surface.
struct Limits {
    const Pixel32* origin;  // pixel (left, top)
    std::ptrdiff_t stride;  // signed: negative for a bottom-up surface
    int width;
    int height;
};

// v in 16.16 fixed point, truncated, and limited to +-limit pixels: beyond that every
// sample is outside any surface anyway, and the walk's 64-bit sums cannot overflow
// (start <= 2^47, step <= 2^31, at most 2^29 steps).
std::int64_t ToFixed(double v, double limit)
{
    if (!(v > -limit)) {
        v = -limit;  // also NaN
    }
    if (v > limit) {
        v = limit;
    }
    return static_cast<std::int64_t>(v * 65536.0);
}
constexpr double kStartLimit = 2147483648.0;  // 2^31 pixels
constexpr double kStepLimit = 32768.0;         // 2^15 pixels per destination pixel

// A sampling position inside the limits: the pixel under it, its column and row in the
// limits, and the 16-bit fractions of the position beyond them.
struct SamplePoint {
    const Pixel32* pixel;
    std::int64_t column;
    std::int64_t row;
    int fractionX;
    int fractionY;
};

// The sample under a 16.16 position; false outside the limits.
bool PointUnder(const Limits& lim, std::int64_t px, std::int64_t py, SamplePoint* out)
{
    const std::int64_t ix = px >> 16;
    const std::int64_t iy = py >> 16;
    if (ix < 0 || iy < 0 || ix >= lim.width || iy >= lim.height) {
        return false;
    }
    *out = {lim.origin + iy * lim.stride + ix, ix, iy, static_cast<int>(px & 0xFFFF), static_cast<int>(py & 0xFFFF)};
    return true;
}

// Nearest sampling: the pixel under the position.
struct Nearest {
    static Pixel32 Sample(const Limits&, const SamplePoint& at) { return *at.pixel; }
};

// Bilinear sampling: four neighbours; in the last column only the vertical pair, in the last
// row only the horizontal pair, in the corner the pixel itself.
struct Bilinear {
    static Pixel32 Sample(const Limits& lim, const SamplePoint& at)
    {
        const Pixel32* p = at.pixel;
        const bool right = at.column + 1 < lim.width;
        const bool below = at.row + 1 < lim.height;
        if (right && below) {
            return BilinearFast(p[0], p[1], p[lim.stride], p[lim.stride + 1], at.fractionX, at.fractionY);
        }
        if (below) {
            return BilinearFast(p[0], p[0], p[lim.stride], p[lim.stride], 0, at.fractionY);
        }
        if (right) {
            return BilinearFast(p[0], p[1], p[0], p[1], at.fractionX, 0);
        }
        return p[0];
    }
};

template <class Op, class Sampler>
void RotatedRows(RasterBitmap& dest, const Limits& lim, const Walk& walk, int w)
{
    const RasterRows rows(dest, walk.dstY, walk.dstX);
    for (int r = 0; r < walk.rows; ++r) {
        Pixel32* d = rows[r];
        std::int64_t px = walk.startX + r * walk.rowX;
        std::int64_t py = walk.startY + r * walk.rowY;
        for (int c = 0; c < walk.columns; ++c, px += walk.colX, py += walk.colY) {
            SamplePoint at;
            if (PointUnder(lim, px, py, &at)) {
                const Pixel32 s = Sampler::Sample(lim, at);
                d[c] = Op::Combine(d[c], s, Channel(s, 24), w);
            }
        }
    }
}

}  // namespace

void RotatedBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstW, int dstH, float srcX,
                 float srcY, float srcW, float srcH, float angle, bool clipToSource, float opacity, BlendMode mode,
                 float centreOffsetX, float centreOffsetY)
{
    if (!dest || !src || dstW == 0 || dstH == 0 || !dest->Pixels() || !src->Pixels()) {
        return;
    }
    // The part of the source that may be sampled: the whole surface, or the source rectangle.
    double limLeft = 0.0;
    double limTop = 0.0;
    double limRight = src->Width();
    double limBottom = src->Height();
    if (clipToSource) {
        limRight = std::min(static_cast<double>(srcX) + srcW, limRight);
        limBottom = std::min(static_cast<double>(srcY) + srcH, limBottom);
        limLeft = std::max(static_cast<double>(srcX), 0.0);
        limTop = std::max(static_cast<double>(srcY), 0.0);
    }
    // A negative destination size mirrors: start from the far edge and walk the source backwards.
    double x0 = dstX;
    double y0 = dstY;
    double dw = dstW;
    double dh = dstH;
    double sx0 = srcX;
    double sy0 = srcY;
    double sw = srcW;
    double sh = srcH;
    if (dw < 0) {
        x0 += dw;
        dw = -dw;
        sx0 += sw;
        sw = -sw;
    }
    if (dh < 0) {
        y0 += dh;
        dh = -dh;
        sy0 += sh;
        sh = -sh;
    }
    // Source steps per destination column and row, and the source position of the first pixel,
    // turned about the centre of the destination.
    const double c = std::cos(static_cast<double>(angle));
    const double s = std::sin(static_cast<double>(angle));
    const double scaleX = sw / dw;
    const double scaleY = sh / dh;
    const double colX = scaleX * c;
    const double colY = -scaleY * s;
    const double rowX = scaleX * s;
    const double rowY = scaleY * c;
    double startX = sx0 - ((dh * scaleX * s + dw * scaleX * c - sw) / 2.0 - centreOffsetX);
    double startY = sy0 - ((dw * (-scaleY * s) + dh * scaleY * c - sh) / 2.0 - centreOffsetY);
    // Destination pixels off the surface are skipped, moving the start along with them.
    if (x0 < 0) {
        startX += -x0 * colX;
        startY += -x0 * colY;
        dw += x0;
        x0 = 0;
    }
    if (y0 < 0) {
        startX += -y0 * rowX;
        startY += -y0 * rowY;
        dh += y0;
        y0 = 0;
    }
    dw = std::min(dw, dest->Width() - x0);
    dh = std::min(dh, dest->Height() - y0);
    const int operation = mode & 0xFF;
    const int w = WeightOf(opacity);
    // The limits, truncated to whole pixels; the comparisons also refuse NaN.
    if (!(limLeft < limRight) || !(limTop < limBottom) || !(dw >= 1) || !(dh >= 1) || w == 0 || operation > 5) {
        return;
    }
    const int limLeftI = static_cast<int>(limLeft);
    const int limTopI = static_cast<int>(limTop);
    const int limWidth = static_cast<int>(std::max(limRight, 0.0)) - limLeftI;
    const int limHeight = static_cast<int>(std::max(limBottom, 0.0)) - limTopI;
    if (limWidth < 1 || limHeight < 1) {
        return;
    }
    // The walk in fixed point, relative to the limits' top-left corner.
    Walk walk;
    walk.startX = ToFixed(startX - limLeftI, kStartLimit);
    walk.startY = ToFixed(startY - limTopI, kStartLimit);
    walk.colX = ToFixed(colX, kStepLimit);
    walk.colY = ToFixed(colY, kStepLimit);
    walk.rowX = ToFixed(rowX, kStepLimit);
    walk.rowY = ToFixed(rowY, kStepLimit);
    walk.columns = static_cast<int>(dw);
    walk.rows = static_cast<int>(dh);
    walk.dstX = static_cast<int>(x0);
    walk.dstY = static_cast<int>(y0);

    Limits lim;
    lim.origin = RasterRow(*src, limTopI) + limLeftI;
    lim.stride = src->BottomUp() ? -static_cast<std::ptrdiff_t>(src->StridePixels()) : src->StridePixels();
    lim.width = limWidth;
    lim.height = limHeight;

    const bool sourceAlpha = (mode & BlendUseSourceAlpha) != 0;
    const bool bilinear = ((mode >> 8) & 0xFF) == 0x01;
    WithCombiner(operation, sourceAlpha, w >= 256, [&](auto tag) {
        using Op = typename decltype(tag)::type;
        if (bilinear) {
            RotatedRows<Op, Bilinear>(*dest, lim, walk, w);
        } else {
            RotatedRows<Op, Nearest>(*dest, lim, walk, w);
        }
    });
}
