// MemoryBitmap and DibBitmap sizes, strides, alignment and growth.
#include <gtest/gtest.h>

#include <cstdint>

#include "raster/dib_bitmap.h"
#include "raster/raster_bitmap.h"

namespace {

bool Aligned64(const void* p)
{
    return reinterpret_cast<std::uintptr_t>(p) % 64 == 0;
}

TEST(MemoryBitmap, EmptyThenResizedGetsAlignedStorage)
{
    MemoryBitmap bitmap(0, 0, 4);
    EXPECT_EQ(bitmap.Pixels(), nullptr);
    EXPECT_EQ(bitmap.StridePixels(), 0);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_TRUE(bitmap.Resize(10, 5));
    EXPECT_EQ(bitmap.StridePixels(), 12);
    EXPECT_EQ(bitmap.CapacityBytes(), 240);
    ASSERT_NE(bitmap.Pixels(), nullptr);
    EXPECT_TRUE(Aligned64(bitmap.Pixels()));
    EXPECT_FALSE(bitmap.BottomUp());
    EXPECT_EQ(bitmap.DeviceContext(), nullptr);
    EXPECT_EQ(bitmap.Query(0x59555678, nullptr), 0);
    // Every pixel of every row is writable (ASan checks the block's extent).
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 12; ++x) {
            RasterRow(bitmap, y)[x] = 0xFFFFFFFFu;
        }
    }
}

TEST(MemoryBitmap, SameSizeReturnsFalse)
{
    MemoryBitmap bitmap(8, 8, 4);
    Pixel32* before = bitmap.Pixels();
    EXPECT_FALSE(bitmap.Resize(8, 8));
    EXPECT_EQ(bitmap.Pixels(), before);
}

TEST(MemoryBitmap, GrowsByAQuarterAndNeverShrinks)
{
    MemoryBitmap bitmap(10, 5, 4);
    EXPECT_TRUE(bitmap.Resize(100, 5));
    EXPECT_EQ(bitmap.StridePixels(), 100);
    EXPECT_EQ(bitmap.CapacityBytes(), 2500);
    EXPECT_TRUE(bitmap.Resize(10, 5));
    EXPECT_EQ(bitmap.CapacityBytes(), 2500);
    EXPECT_EQ(bitmap.Width(), 10);
    EXPECT_TRUE(Aligned64(bitmap.Pixels()));
}

TEST(MemoryBitmap, EmptySizeFreesTheBlock)
{
    MemoryBitmap bitmap(10, 5, 4);
    EXPECT_TRUE(bitmap.Resize(0, 5));
    EXPECT_EQ(bitmap.Pixels(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.CapacityBytes(), 0);
    EXPECT_TRUE(bitmap.Resize(3, 3));
    EXPECT_TRUE(bitmap.Resize(3, 0));
    EXPECT_EQ(bitmap.Pixels(), nullptr);
}

TEST(MemoryBitmap, RowAlignmentUsesLowestSetBitCappedAt16)
{
    EXPECT_EQ(MemoryBitmap(5, 1, 6).StridePixels(), 6);    // 6 -> 2
    EXPECT_EQ(MemoryBitmap(5, 1, 12).StridePixels(), 8);   // 12 -> 4
    EXPECT_EQ(MemoryBitmap(5, 1, 64).StridePixels(), 16);  // capped at 16
    EXPECT_EQ(MemoryBitmap(5, 1, 0).StridePixels(), 5);
    EXPECT_EQ(MemoryBitmap(5, 1, 1).StridePixels(), 5);
    EXPECT_EQ(MemoryBitmap(17, 1, 16).StridePixels(), 32);
}

TEST(MemoryBitmap, AbsurdSizeGivesNoStorage)
{
    MemoryBitmap bitmap(8, 8, 4);
    EXPECT_TRUE(bitmap.Resize(1000000, 1000000));
    EXPECT_EQ(bitmap.Pixels(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_TRUE(bitmap.Resize(-5, 7));
    EXPECT_EQ(bitmap.Pixels(), nullptr);
}

TEST(DibBitmap, StrideIsTheAllocatedWidthAndShrinkKeepsTheSection)
{
    DibBitmap dib(101, 20);
    ASSERT_NE(dib.Pixels(), nullptr);
    EXPECT_EQ(dib.Width(), 101);
    EXPECT_EQ(dib.StridePixels(), 104);
    EXPECT_FALSE(dib.BottomUp());
    Pixel32* first = dib.Pixels();
    EXPECT_TRUE(dib.Resize(50, 10));
    EXPECT_EQ(dib.Pixels(), first);
    EXPECT_EQ(dib.StridePixels(), 104);
    EXPECT_EQ(dib.Width(), 50);
    EXPECT_TRUE(dib.Resize(200, 10));
    EXPECT_EQ(dib.StridePixels(), 200);
    EXPECT_EQ(dib.Width(), 200);
    ASSERT_NE(dib.Pixels(), nullptr);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 200; ++x) {
            RasterRow(dib, y)[x] = 0x12345678u;
        }
    }
    EXPECT_FALSE(dib.Resize(200, 10));
}

TEST(DibBitmap, DeviceContextExistsOnlyWithGdi)
{
    DibBitmap dib(4, 4);
#ifdef _WIN32
    EXPECT_NE(dib.DeviceContext(), nullptr);
#else
    EXPECT_EQ(dib.DeviceContext(), nullptr);
#endif
}

TEST(DibBitmap, EmptySizeHasNoPixels)
{
    DibBitmap dib(0, 0);
    EXPECT_EQ(dib.Pixels(), nullptr);
    DibBitmap other(8, 8);
    EXPECT_FALSE(other.Resize(0, 8));
    EXPECT_EQ(other.Pixels(), nullptr);
    EXPECT_TRUE(other.Resize(8, 8));
    EXPECT_NE(other.Pixels(), nullptr);
}

}  // namespace
