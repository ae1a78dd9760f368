// DrawLine, RotatedBlit and BlurRect.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <utility>

#include "raster/blend.h"
#include "reference.h"

using namespace raster_test;

namespace {

constexpr double kPi = 3.14159265358979323846;

using Points = std::set<std::pair<int, int>>;

Points Painted(RasterBitmap& b)
{
    Points points;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (RasterRow(b, y)[x] != 0) {
                points.insert({x, y});
            }
        }
    }
    return points;
}

void Clear(RasterBitmap& b)
{
    FillRect(&b, 0, 0, b.Width(), b.Height(), 0, 1.0f, BlendCopy);
}

TEST(DrawLine, EachEndDrawsTowardTheMiddle)
{
    MemoryBitmap b(8, 8, 4);
    Clear(b);
    DrawLine(&b, 0, 0, 3, 1, 0xFFFFFFFFu, 1.0f, BlendCopy, false);
    EXPECT_EQ(Painted(b), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
}

TEST(DrawLine, EvenLengthDrawsTheMiddlePixel)
{
    MemoryBitmap b(8, 8, 4);
    Clear(b);
    DrawLine(&b, 0, 0, 4, 1, 0xFFFFFFFFu, 1.0f, BlendCopy, false);
    EXPECT_EQ(Painted(b).size(), 5u);
    Clear(b);
    DrawLine(&b, 1, 6, 1, 2, 0xFFFFFFFFu, 1.0f, BlendCopy, false);
    EXPECT_EQ(Painted(b), (Points{{1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}}));
}

TEST(DrawLine, HorizontalWordForms)
{
    MemoryBitmap b(4, 1, 4);
    FillRect(&b, 0, 0, 4, 1, 0xFF000000u, 1.0f, BlendCopy);
    DrawLine(&b, 0, 0, 0, 0, 0xFFFFFFFFu, 0.5f, BlendCopy, false);
    DrawLine(&b, 1, 0, 1, 0, 0xFFFFFFFFu, 0.25f, BlendCopy, false);
    DrawLine(&b, 2, 0, 2, 0, 0xFFFFFFFFu, 0.75f, BlendCopy, false);
    DrawLine(&b, 3, 0, 3, 0, 0xFFFFFFFFu, 0.3f, BlendCopy, false);
    EXPECT_EQ(RasterRow(b, 0)[0], 0x7F7F7F7Fu + 0x7F000000u);
    EXPECT_EQ(RasterRow(b, 0)[1], 0x3F3F3F3Fu + 0x7F000000u + 0x3F000000u);
    EXPECT_EQ(RasterRow(b, 0)[2], 0x7F7F7F7Fu + 0x3F3F3F3Fu + 0x3F000000u);
    const int w = static_cast<int>(0.3f * 256.0f);
    EXPECT_EQ(RasterRow(b, 0)[3], RefPlain(0, 0xFF000000u, 0xFFFFFFFFu, 255, w));
}

TEST(DrawLine, ClippedAndOutsideLines)
{
    MemoryBitmap b(10, 10, 4);
    Clear(b);
    DrawLine(&b, -20, 3, -1, 8, 0xFFFFFFFFu, 1.0f, BlendCopy, false);
    EXPECT_TRUE(Painted(b).empty());
    DrawLine(&b, -5, 5, 20, 5, 0xFFFFFFFFu, 1.0f, BlendCopy, false);
    Points row;
    for (int x = 0; x < 10; ++x) row.insert({x, 5});
    EXPECT_EQ(Painted(b), row);
    Clear(b);
    // Crossing diagonally: both cut ends are drawn, everything stays inside.
    DrawLine(&b, -100, -37, 200, 81, 0xFFFFFFFFu, 1.0f, BlendCopy, true);
    DrawLine(&b, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFFFFFFFFu, 1.0f, BlendAdd, true);
    DrawLine(&b, INT32_MAX, 3, INT32_MIN, 4, 0xFFFFFFFFu, 0.7f, BlendCopy, true);
    EXPECT_FALSE(Painted(b).empty());
}

TEST(DrawLine, AntialiasedDiagonalClosesTheCorners)
{
    MemoryBitmap b(4, 4, 4);
    Clear(b);
    DrawLine(&b, 0, 0, 2, 2, 0xFFFFFFFFu, 1.0f, BlendCopy, true);
    const Pixel32 main = 0x7F7F7F7Fu + 0x3F3F3F3Fu;
    const Pixel32 corner = 0x3F3F3F3Fu;
    EXPECT_EQ(RasterRow(b, 0)[0], main);
    EXPECT_EQ(RasterRow(b, 0)[1], corner);
    EXPECT_EQ(RasterRow(b, 1)[0], corner);
    EXPECT_EQ(RasterRow(b, 1)[1], main);
    EXPECT_EQ(RasterRow(b, 2)[2], main);
    EXPECT_EQ(RasterRow(b, 0)[2], 0u);
}

TEST(DrawLine, AntialiasedGeneralLineSplitsTheWeight)
{
    MemoryBitmap b(12, 4, 4);
    Clear(b);
    DrawLine(&b, 0, 0, 10, 1, 0xFFFFFFFFu, 1.0f, BlendCopy, true);
    // End pixels are plain; inside, the near and far pixel of each step together carry
    // about the full weight; the extra middle pixel of the even length 10 only the near weight.
    EXPECT_EQ(RasterRow(b, 0)[0], 0xFFFFFFFFu);
    EXPECT_EQ(RasterRow(b, 1)[10], 0xFFFFFFFFu);
    EXPECT_EQ(RasterRow(b, 0)[5], 0xFFFFFFFFu - 127 * 0x01010101u);
    EXPECT_EQ(RasterRow(b, 1)[5], 0u);
    for (int x : {1, 2, 3, 4, 6, 7, 8, 9}) {
        const int sum = Byte(RasterRow(b, 0)[x], 0) + Byte(RasterRow(b, 1)[x], 0);
        EXPECT_GE(sum, 250) << x;
        EXPECT_LE(sum, 256) << x;
    }
}

TEST(DrawLine, EveryOperationStaysInside)
{
    std::mt19937 rng(5);
    MemoryBitmap b(17, 9, 4);
    for (int i = 0; i < 3000; ++i) {
        const int op = static_cast<int>(rng() % 7);
        auto coord = [&] { return static_cast<int>(rng() % 60) - 20; };
        DrawLine(&b, coord(), coord(), coord(), coord(), static_cast<Pixel32>(rng()),
                 static_cast<float>(rng() % 300) / 256.0f, op, (rng() & 1) != 0);
    }
    SUCCEED();  // ASan checks every write
}

// A 9 x 7 image with distinct pixels.
void Number(MemoryBitmap& b)
{
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            RasterRow(b, y)[x] = 0xFF000000u | static_cast<Pixel32>(y * 16 + x) * 0x010305u;
        }
    }
}

TEST(RotatedBlit, AngleZeroCopiesTheImage)
{
    MemoryBitmap src(9, 7, 4);
    Number(src);
    for (BlendMode mode : {BlendCopy, BlendCopy | BlendBilinear}) {
        MemoryBitmap dst(9, 7, 4);
        Clear(dst);
        RotatedBlit(&dst, &src, 0, 0, 9, 7, 0, 0, 9, 7, 0.0f, false, 1.0f, mode, 0, 0);
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 9; ++x) {
                ASSERT_EQ(RasterRow(dst, y)[x], RasterRow(src, y)[x]) << x << "," << y << " mode " << mode;
            }
        }
    }
}

TEST(RotatedBlit, QuarterTurnIsClockwise)
{
    MemoryBitmap src(6, 6, 4);
    Number(src);
    MemoryBitmap dst(6, 6, 4);
    Clear(dst);
    RotatedBlit(&dst, &src, 0, 0, 6, 6, 0, 0, 6, 6, static_cast<float>(kPi / 2), false, 1.0f, BlendCopy, 0, 0);
    // The source's top row becomes the right column: dest (c, r) = src (r, 5 - c), up to the
    // one-pixel shift that sampling at truncated 16.16 positions gives (the same for every pixel).
    bool matched = false;
    for (int a = -1; a <= 1 && !matched; ++a) {
        for (int b = -1; b <= 1 && !matched; ++b) {
            bool all = true;
            for (int r = 1; r < 5; ++r) {
                for (int c = 1; c < 5; ++c) {
                    all = all && RasterRow(dst, r)[c] == RasterRow(src, 5 - c + b)[r + a];
                }
            }
            matched = all;
        }
    }
    EXPECT_TRUE(matched);
}

TEST(RotatedBlit, BilinearLastRowAndColumnUseOnlyExistingNeighbours)
{
    MemoryBitmap src(2, 2, 4);
    RasterRow(src, 0)[0] = 0xFF000000u;
    RasterRow(src, 0)[1] = 0xFF0000FFu;
    RasterRow(src, 1)[0] = 0xFF00FF00u;
    RasterRow(src, 1)[1] = 0xFFFF0000u;
    MemoryBitmap dst(4, 4, 4);
    Clear(dst);
    // Scale 2: samples at half-pixel steps.
    RotatedBlit(&dst, &src, 0, 0, 4, 4, 0, 0, 2, 2, 0.0f, false, 1.0f, BlendCopy | BlendBilinear, 0, 0);
    EXPECT_EQ(RasterRow(dst, 0)[0], 0xFF000000u);
    EXPECT_EQ(RasterRow(dst, 0)[1], 0xFF00007Fu);              // halfway along the top row
    EXPECT_EQ(RasterRow(dst, 0)[2], 0xFF0000FFu);              // last column, top row
    EXPECT_EQ(RasterRow(dst, 1)[2], 0xFF7F007Fu);              // last column: vertical pair only
    EXPECT_EQ(RasterRow(dst, 2)[1], 0xFF7F7F00u);              // last row: horizontal pair only
    EXPECT_EQ(RasterRow(dst, 3)[3], 0xFFFF0000u);              // corner
}

TEST(RotatedBlit, ClipsAndMirrorsSafely)
{
    MemoryBitmap src(9, 7, 4);
    Number(src);
    MemoryBitmap dst(9, 7, 4);
    Clear(dst);
    // Mirrored horizontally: column c samples the source at x = 9 - c (column 0 samples the
    // point 9, just outside, and is left alone).
    RotatedBlit(&dst, &src, 9, 0, -9, 7, 0, 0, 9, 7, 0.0f, false, 1.0f, BlendCopy, 0, 0);
    EXPECT_EQ(RasterRow(dst, 2)[0], 0u);
    EXPECT_EQ(RasterRow(dst, 2)[1], RasterRow(src, 2)[8]);
    EXPECT_EQ(RasterRow(dst, 2)[8], RasterRow(src, 2)[1]);
    std::mt19937 rng(9);
    for (int i = 0; i < 2000; ++i) {
        auto f = [&](int range) { return static_cast<float>(static_cast<int>(rng() % (2 * range + 1)) - range); };
        RotatedBlit(&dst, &src, static_cast<int>(f(12)), static_cast<int>(f(12)), static_cast<int>(f(20)),
                    static_cast<int>(f(20)), f(5), f(5), f(15), f(15), f(7) * 0.5f, (rng() & 1) != 0,
                    static_cast<float>(rng() % 300) / 256.0f,
                    static_cast<BlendMode>(rng() % 7) | ((rng() & 1) ? BlendBilinear : 0) |
                        ((rng() & 1) ? BlendUseSourceAlpha : 0),
                    f(3), f(3));
    }
    RotatedBlit(&dst, &src, 0, 0, 9, 7, NAN, 0, 1e30f, -1e30f, 1e9f, true, 1.0f, BlendCopy | BlendBilinear, 0, 0);
    RotatedBlit(&dst, &src, 0, 0, 9, 7, 0, 0, 9, 7, 0.5f, false, 1.0f, BlendCopy, 1e20f, -1e20f);
    SUCCEED();  // ASan checks every read and write
}

TEST(BlurRect, WeightsInsideAndAtTheEdges)
{
    MemoryBitmap b(4, 3, 4);
    Clear(b);
    RasterRow(b, 1)[1] = 0x80808080u;
    MemoryBitmap out(4, 3, 4);
    Clear(out);
    BlurRect(&out, &b, 0, 0, 0, 0, 4, 3);
    EXPECT_EQ(RasterRow(out, 1)[1], 0x40404040u);  // centre 1/2
    EXPECT_EQ(RasterRow(out, 1)[2], 0x10101010u);  // neighbour 1/8
    EXPECT_EQ(RasterRow(out, 1)[0], 0x20202020u);  // left edge: single neighbour 1/4
    EXPECT_EQ(RasterRow(out, 0)[1], 0x20202020u);  // top row: single vertical neighbour 1/4
    EXPECT_EQ(RasterRow(out, 0)[0], 0u);
}

TEST(BlurRect, InPlaceMatchesACopy)
{
    std::mt19937 rng(21);
    for (int width : {2, 7, 1030}) {
        MemoryBitmap a(width, 5, 4);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < width; ++x) {
                RasterRow(a, y)[x] = static_cast<Pixel32>(rng());
            }
        }
        MemoryBitmap copy(width, 5, 4);
        MemoryBitmap out(width, 5, 4);
        Blit(&copy, &a, 0, 0, nullptr, 1.0f, BlendCopy);
        BlurRect(&out, &copy, 0, 0, 0, 0, width, 5);
        BlurRect(&a, &a, 0, 0, 0, 0, width, 5);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(RasterRow(a, y)[x], RasterRow(out, y)[x]);
            }
        }
    }
}

TEST(BlurRect, NarrowRectanglesAreLeftAlone)
{
    MemoryBitmap b(4, 4, 4);
    FillRect(&b, 0, 0, 4, 4, 0xFF808080u, 1.0f, BlendCopy);
    RasterRow(b, 0)[0] = 0xFFFFFFFFu;
    BlurRect(&b, &b, 0, 0, 0, 0, 1, 4);
    BlurRect(&b, &b, 0, 0, 0, 0, 4, 1);
    BlurRect(&b, &b, 3, 3, 3, 3, 5, 5);
    EXPECT_EQ(RasterRow(b, 0)[0], 0xFFFFFFFFu);
    BlurRect(&b, &b, -10, -10, -10, -10, 100, 100);  // clipped to the surface
    EXPECT_NE(RasterRow(b, 0)[0], 0xFFFFFFFFu);
}

}  // namespace
