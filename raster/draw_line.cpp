// DrawLine: outcode clipping, then horizontal/vertical runs, exact diagonals, or
// general lines drawn from both ends toward the middle, plain or antialiased.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "raster/blend.h"
#include "raster/combiners.h"

using namespace raster_detail;

namespace {

// How one pixel is painted: with the plain weight (Put) or with another weight (PutWeighted).
struct Pen {
    RasterRows rows;
    int width;
    int height;
    Pixel32 colour;
    int w;
    Pixel32 (*plain)(Pixel32 d, Pixel32 c, int w);     // the line's whole-weight form
    Pixel32 (*weighted)(Pixel32 d, Pixel32 c, int w);  // the operation's combiner

    Pixel32* At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return nullptr;  // never for a clipped line; a guard for the across-the-line pixel
        }
        return rows[y] + x;
    }
    void Put(int x, int y) const
    {
        if (Pixel32* p = At(x, y)) {
            *p = plain(*p, colour, w);
        }
    }
    void PutWeighted(int x, int y, int weight) const
    {
        if (Pixel32* p = At(x, y)) {
            *p = weighted(*p, colour, weight);
        }
    }
};

template <class Op>
Pixel32 Combined(Pixel32 d, Pixel32 c, int w)
{
    return Op::Combine(d, c, Channel(c, 24), w);
}

Pixel32 StoreWord(Pixel32, Pixel32 c, int)
{
    return c;
}
Pixel32 HalfWord(Pixel32 d, Pixel32 c, int)
{
    return MixHalf(c, d);
}
Pixel32 QuarterWord(Pixel32 d, Pixel32 c, int)
{
    return MixQuarter(c, d);
}
Pixel32 ThreeQuarterWord(Pixel32 d, Pixel32 c, int)
{
    return MixThreeQuarters(c, d);
}

using PixelFn = Pixel32 (*)(Pixel32, Pixel32, int);

PixelFn CombinerFor(int operation)
{
    PixelFn combiner = nullptr;
    WithCombiner(operation, false, false, [&](auto tag) { combiner = Combined<typename decltype(tag)::type>; });
    return combiner;
}

int OutCode(int x, int y, int width, int height)
{
    int code = 0;
    if (x < 0) {
        code |= 1;
    } else if (x >= width) {
        code |= 2;
    }
    if (y < 0) {
        code |= 4;
    } else if (y >= height) {
        code |= 8;
    }
    return code;
}

// A crossing coordinate, truncated; limited to the int range (a far-away end point of a
// steep segment could otherwise produce a value no int holds).
int Crossing(double v)
{
    v = std::trunc(v);
    if (!(v > -2147483648.0)) {
        return INT32_MIN;
    }
    return v > 2147483647.0 ? INT32_MAX : static_cast<int>(v);
}

// Clips the line to 0 <= x < width, 0 <= y < height by outcodes. False when nothing is left.
bool ClipLine(int* x1, int* y1, int* x2, int* y2, int width, int height)
{
    for (int round = 0;; ++round) {
        const int c1 = OutCode(*x1, *y1, width, height);
        const int c2 = OutCode(*x2, *y2, width, height);
        if ((c1 | c2) == 0) {
            return true;
        }
        if ((c1 & c2) != 0 || round == 33) {
            return false;
        }
        const int code = c1 ? c1 : c2;
        const double dx = static_cast<double>(*x2) - *x1;
        const double dy = static_cast<double>(*y2) - *y1;
        int x;
        int y;
        if (code & 8) {
            x = Crossing(*x1 + std::trunc(dx * (height - static_cast<double>(*y1)) / dy));
            y = height - 1;
        } else if (code & 4) {
            x = Crossing(*x1 - std::trunc(dx * *y1 / dy));
            y = 0;
        } else if (code & 2) {
            y = Crossing(*y1 + std::trunc(dy * (width - static_cast<double>(*x1)) / dx));
            x = width - 1;
        } else {
            y = Crossing(*y1 - std::trunc(dy * *x1 / dx));
            x = 0;
        }
        if (code == c1) {
            *x1 = x;
            *y1 = y;
        } else {
            *x2 = x;
            *y2 = y;
        }
    }
}

// A horizontal or vertical run of n + 1 pixels.
void DrawRun(const Pen& pen, int x, int y, int stepX, int stepY, int n)
{
    for (int i = 0; i <= n; ++i) {
        pen.Put(x + i * stepX, y + i * stepY);
    }
}

// An exact diagonal of n + 1 pixels; antialiased, each step also shades its two corners.
void DrawDiagonal(const Pen& pen, int x, int y, int stepX, int stepY, int n, bool antialias, bool wordForms)
{
    if (!antialias) {
        for (int i = 0; i <= n; ++i) {
            pen.Put(x + i * stepX, y + i * stepY);
        }
        return;
    }
    const int mainWeight = pen.w * 3 / 4;
    const int cornerWeight = pen.w / 4;
    auto main = [&](int px, int py) {
        if (wordForms) {
            if (Pixel32* p = pen.At(px, py)) {
                *p = MixThreeQuarters(pen.colour, *p);
            }
        } else {
            pen.PutWeighted(px, py, mainWeight);
        }
    };
    auto corner = [&](int px, int py) {
        if (wordForms) {
            if (Pixel32* p = pen.At(px, py)) {
                *p = MixQuarter(pen.colour, *p);
            }
        } else {
            pen.PutWeighted(px, py, cornerWeight);
        }
    };
    for (int i = 0; i < n; ++i) {
        const int px = x + i * stepX;
        const int py = y + i * stepY;
        main(px, py);
        corner(px + stepX, py);
        corner(px, py + stepY);
    }
    main(x + n * stepX, y + n * stepY);
}

// Any other line, drawn from both ends toward the middle so that it is symmetric.
void DrawGeneral(const Pen& pen, int x1, int y1, int x2, int y2, bool antialias)
{
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const int length = xMajor ? std::abs(dx) : std::abs(dy);
    const int minorLength = xMajor ? std::abs(dy) : std::abs(dx);
    const std::int64_t slope = (static_cast<std::int64_t>(minorLength) << 16) / length;
    // Steps along the major and the minor axis, as x/y offsets.
    const int majorX = xMajor ? (dx < 0 ? -1 : 1) : 0;
    const int majorY = xMajor ? 0 : (dy < 0 ? -1 : 1);
    const int minorX = xMajor ? 0 : (dx < 0 ? -1 : 1);
    const int minorY = xMajor ? (dy < 0 ? -1 : 1) : 0;
    const int steps = (length + 1) / 2;
    const int threshold = antialias ? 0x10000 : 0x8000;
    int nx = x1;
    int ny = y1;
    int fx = x2;
    int fy = y2;
    std::int64_t fraction = 0;
    auto nearWeight = [&](int f) { return pen.w == 256 ? 255 - f : ((255 - f) * pen.w) >> 8; };
    auto farWeight = [&](int f) { return pen.w == 256 ? f : (pen.w * f) >> 8; };
    for (int i = 0; i < steps; ++i) {
        if (i == 0 || !antialias) {
            pen.Put(nx, ny);
            pen.Put(fx, fy);
        } else {
            const int f = static_cast<int>(fraction >> 8) & 0xFF;
            pen.PutWeighted(nx, ny, nearWeight(f));
            pen.PutWeighted(nx + minorX, ny + minorY, farWeight(f));
            pen.PutWeighted(fx, fy, nearWeight(f));
            pen.PutWeighted(fx - minorX, fy - minorY, farWeight(f));
        }
        nx += majorX;
        ny += majorY;
        fx -= majorX;
        fy -= majorY;
        fraction += slope;
        if (fraction >= threshold) {
            nx += minorX;
            ny += minorY;
            fx -= minorX;
            fy -= minorY;
            fraction -= 0x10000;
        }
    }
    if (length % 2 == 0) {
        if (antialias) {
            pen.PutWeighted(nx, ny, nearWeight(static_cast<int>(fraction >> 8) & 0xFF));
        } else {
            pen.Put(nx, ny);
        }
    }
}

}  // namespace

void DrawLine(RasterBitmap* dest, int x1, int y1, int x2, int y2, Pixel32 colour, float opacity, BlendMode mode,
              bool antialias)
{
    const int w = WeightOf(opacity);
    const int operation = mode & 0xFF;
    const PixelFn combiner = CombinerFor(operation);
    if (!dest || !dest->Pixels() || w == 0 || !combiner) {
        return;
    }
    const int width = dest->Width();
    const int height = dest->Height();
    // y counts from the top on every surface: RasterRow mirrors the rows of a bottom-up one.
    if (!ClipLine(&x1, &y1, &x2, &y2, width, height)) {
        return;
    }
    Pen pen{RasterRows(*dest, 0, 0), width, height, colour, w, combiner, combiner};
    const int dx = x2 - x1;
    const int dy = y2 - y1;
    const int adx = std::abs(dx);
    const int ady = std::abs(dy);
    const bool copy = operation == 0;
    if (dx == 0 || dy == 0) {
        if (copy) {
            if (opacity == 1.0f || w == 256) {
                pen.plain = StoreWord;
            } else if (opacity == 0.5f || w == 128) {
                pen.plain = HalfWord;
            } else if (opacity == 0.25f) {
                pen.plain = QuarterWord;
            } else if (opacity == 0.75f) {
                pen.plain = ThreeQuarterWord;
            }
        }
        if (dx == 0) {
            DrawRun(pen, x1, y1 < y2 ? y1 : y2, 0, 1, ady);
        } else {
            DrawRun(pen, x1 < x2 ? x1 : x2, y1, 1, 0, adx);
        }
        return;
    }
    if (copy && w == 256) {
        pen.plain = StoreWord;
    } else if (copy && w == 128) {
        pen.plain = HalfWord;
    }
    if (adx == ady) {
        DrawDiagonal(pen, x1, y1, dx < 0 ? -1 : 1, dy < 0 ? -1 : 1, adx, antialias, copy && opacity == 1.0f);
        return;
    }
    DrawGeneral(pen, x1, y1, x2, y2, antialias);
}
