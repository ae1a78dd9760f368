// Blit's clipping and rectangle forms; FillRect's clipping.
#include <gtest/gtest.h>

#include "raster/blend.h"

namespace {

// A source whose pixel (x, y) is 0xFF000000 | y << 8 | x.
void Number(MemoryBitmap& b)
{
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            RasterRow(b, y)[x] = 0xFF000000u | static_cast<Pixel32>(y) << 8 | static_cast<Pixel32>(x);
        }
    }
}

void Clear(RasterBitmap& b, Pixel32 c = 0)
{
    FillRect(&b, 0, 0, b.Width(), b.Height(), c, 1.0f, BlendCopy);
}

TEST(Blit, NegativeDestinationSkipsSourceColumns)
{
    MemoryBitmap src(10, 4, 4);
    MemoryBitmap dst(10, 4, 4);
    Number(src);
    Clear(dst);
    Blit(&dst, &src, -3, 0, nullptr, 1.0f, BlendCopy);
    EXPECT_EQ(RasterRow(dst, 0)[0], 0xFF000003u);
    EXPECT_EQ(RasterRow(dst, 2)[6], 0xFF000209u);
    EXPECT_EQ(RasterRow(dst, 2)[7], 0u);  // past the copied width
}

TEST(Blit, PastTheRightEdgeDrawsNothing)
{
    MemoryBitmap src(4, 4, 4);
    MemoryBitmap dst(8, 8, 4);
    Number(src);
    Clear(dst, 0x12345678u);
    Blit(&dst, &src, 8, 0, nullptr, 1.0f, BlendCopy);
    Blit(&dst, &src, 0, 8, nullptr, 1.0f, BlendUseSourceAlpha);
    Blit(&dst, &src, -4, 0, nullptr, 1.0f, BlendCopy);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(RasterRow(dst, y)[x], 0x12345678u);
        }
    }
}

TEST(Blit, RectangleFormsClipToTheSource)
{
    MemoryBitmap src(6, 6, 4);
    MemoryBitmap dst(10, 10, 4);
    Number(src);
    Clear(dst);
    // A source rectangle starting at -2: the destination moves by 2.
    const RasterRect rect = {-2, 1, 3, 100};
    Blit(&dst, &src, 0, 0, &rect, 1.0f, BlendCopy);
    EXPECT_EQ(RasterRow(dst, 0)[1], 0u);
    EXPECT_EQ(RasterRow(dst, 0)[2], 0xFF000100u);
    EXPECT_EQ(RasterRow(dst, 4)[4], 0xFF000502u);
    EXPECT_EQ(RasterRow(dst, 5)[4], 0u);  // source bottom limited to 6 rows
    EXPECT_EQ(RasterRow(dst, 0)[5], 0u);  // right limit 3
    // The short form is the same rectangle given by position and size.
    MemoryBitmap other(10, 10, 4);
    Clear(other);
    Blit(&other, &src, 0, 0, -2, 1, 5, 99, 1.0f, BlendCopy);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(RasterRow(other, y)[x], RasterRow(dst, y)[x]);
        }
    }
}

TEST(Blit, NullOrEmptySurfacesAndZeroOpacityDoNothing)
{
    MemoryBitmap src(4, 4, 4);
    MemoryBitmap dst(4, 4, 4);
    MemoryBitmap empty(0, 0, 4);
    Number(src);
    Clear(dst, 7);
    Blit(nullptr, &src, 0, 0, nullptr, 1.0f, BlendCopy);
    Blit(&dst, nullptr, 0, 0, nullptr, 1.0f, BlendCopy);
    Blit(&dst, &empty, 0, 0, nullptr, 1.0f, BlendCopy);
    Blit(&empty, &src, 0, 0, nullptr, 1.0f, BlendCopy);
    Blit(&dst, &src, 0, 0, nullptr, 0.0f, BlendCopy);
    Blit(&dst, &src, 0, 0, nullptr, 0.001f, BlendAdd);  // weight 0
    Blit(&dst, &src, INT32_MIN, INT32_MAX, nullptr, 1.0f, BlendCopy);
    Blit(&dst, &src, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, 1.0f, BlendCopy);
    EXPECT_EQ(RasterRow(dst, 3)[3], 7u);
}

TEST(Blit, SameSurfaceInPlace)
{
    MemoryBitmap b(8, 8, 4);
    Number(b);
    Blit(&b, &b, 0, 0, nullptr, 0.5f, BlendCopy);
    EXPECT_EQ(RasterRow(b, 3)[5], 0xFE000305u & 0xFEFEFEFEu);
}

TEST(FillRect, ClipsNegativeOriginAndSize)
{
    MemoryBitmap dst(6, 6, 4);
    Clear(dst);
    FillRect(&dst, -2, -1, 4, 3, 0xFFFFFFFFu, 1.0f, BlendCopy);
    EXPECT_EQ(RasterRow(dst, 0)[0], 0xFFFFFFFFu);
    EXPECT_EQ(RasterRow(dst, 1)[1], 0xFFFFFFFFu);
    EXPECT_EQ(RasterRow(dst, 1)[2], 0u);
    EXPECT_EQ(RasterRow(dst, 2)[0], 0u);
    FillRect(&dst, 4, 4, 100, 100, 0xFF0000FFu, 1.0f, BlendCopy);
    EXPECT_EQ(RasterRow(dst, 5)[5], 0xFF0000FFu);
    FillRect(&dst, 6, 0, 1, 1, 0xFF00FF00u, 1.0f, BlendCopy);
    FillRect(&dst, 0, 0, 0, 5, 0xFF00FF00u, 1.0f, BlendCopy);
    FillRect(&dst, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFF00FF00u, 1.0f, BlendCopy);
    FillRect(nullptr, 0, 0, 1, 1, 0, 1.0f, BlendCopy);
    EXPECT_EQ(RasterRow(dst, 0)[0], 0xFFFFFFFFu);
}

TEST(FillRect, SourceAlphaScalesTheOpacity)
{
    MemoryBitmap dst(2, 1, 4);
    Clear(dst, 0xFF000000u);
    // Colour alpha 0 with source alpha: opacity 0, nothing drawn.
    FillRect(&dst, 0, 0, 2, 1, 0x00FFFFFFu, 1.0f, BlendUseSourceAlpha);
    EXPECT_EQ(RasterRow(dst, 0)[0], 0xFF000000u);
    // Alpha 255: the full colour word.
    FillRect(&dst, 0, 0, 1, 1, 0xFF123456u, 1.0f, BlendUseSourceAlpha);
    EXPECT_EQ(RasterRow(dst, 0)[0], 0xFF123456u);
    // Alpha 128 at opacity 1: weight 128, the half-word form.
    FillRect(&dst, 1, 0, 1, 1, 0x80FFFFFFu, 1.0f, BlendUseSourceAlpha);
    EXPECT_EQ(RasterRow(dst, 0)[1], ((0x80FFFFFFu >> 1) & 0x7F7F7F7Fu) + ((0xFF000000u >> 1) & 0x7F7F7F7Fu));
}

}  // namespace
