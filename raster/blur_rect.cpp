// BlurRect, a five-point blur in whole-word shift-and-mask arithmetic; may run in
// place, since the previous and current source rows are kept in a two-row buffer.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "raster/blend.h"
#include "raster/combiners.h"

using namespace raster_detail;

namespace {

constexpr int kStackRowPixels = 1024;

// One output row: centre 1/2, each neighbour 1/8; at the left or right end the single
// horizontal neighbour counts 1/4; with no row above or below, the other vertical one 1/4.
void BlurRow(Pixel32* out, const Pixel32* above, const Pixel32* row, const Pixel32* below, int width)
{
    for (int x = 0; x < width; ++x) {
        Pixel32 sum = Half(row[x]);
        if (x == 0) {
            sum += Quarter(row[1]);
        } else if (x == width - 1) {
            sum += Quarter(row[x - 1]);
        } else {
            sum += Eighth(row[x - 1]) + Eighth(row[x + 1]);
        }
        if (!above) {
            sum += Quarter(below[x]);
        } else if (!below) {
            sum += Quarter(above[x]);
        } else {
            sum += Eighth(above[x]) + Eighth(below[x]);
        }
        out[x] = sum;
    }
}

}  // namespace

void BlurRect(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int srcX, int srcY, int width,
              int height)
{
    if (!dest || !src || !dest->Pixels() || !src->Pixels()) {
        return;
    }
    // Clip like Blit: negative positions move the other side; limit to both surfaces.
    std::int64_t sx = srcX;
    std::int64_t sy = srcY;
    std::int64_t dx = dstX;
    std::int64_t dy = dstY;
    std::int64_t w = width;
    std::int64_t h = height;
    const std::int64_t shiftX = std::max<std::int64_t>({0, -sx, -dx});
    const std::int64_t shiftY = std::max<std::int64_t>({0, -sy, -dy});
    sx += shiftX;
    dx += shiftX;
    w -= shiftX;
    sy += shiftY;
    dy += shiftY;
    h -= shiftY;
    w = std::min({w, src->Width() - sx, dest->Width() - dx});
    h = std::min({h, src->Height() - sy, dest->Height() - dy});
    if (w < 2 || h < 2) {
        return;
    }
    const int cols = static_cast<int>(w);
    const int rows = static_cast<int>(h);
    Pixel32 stackRows[2 * kStackRowPixels];
    Pixel32* buffer = stackRows;
    if (cols > kStackRowPixels) {
        buffer = static_cast<Pixel32*>(std::malloc(sizeof(Pixel32) * 2 * static_cast<std::size_t>(cols)));
        if (!buffer) {
            return;
        }
    }
    Pixel32* previous = buffer;       // the source row above, as it was before blurring
    Pixel32* current = buffer + cols;  // the source row itself, as it was
    const std::size_t rowBytes = sizeof(Pixel32) * static_cast<std::size_t>(cols);
    const RasterRows srcRows(*src, static_cast<int>(sy), static_cast<int>(sx));
    const RasterRows destRows(*dest, static_cast<int>(dy), static_cast<int>(dx));
    std::memcpy(current, srcRows[0], rowBytes);
    for (int y = 0; y < rows; ++y) {
        const Pixel32* below = y + 1 < rows ? srcRows[y + 1] : nullptr;
        Pixel32* out = destRows[y];
        BlurRow(out, y > 0 ? previous : nullptr, current, below, cols);
        if (below) {
            std::swap(previous, current);
            std::memcpy(current, below, rowBytes);
        }
    }
    if (buffer != stackRows) {
        std::free(buffer);
    }
}
