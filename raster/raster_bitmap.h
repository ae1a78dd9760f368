// The surface interface every drawing routine reads and writes through, and the
// heap surface MemoryBitmap. Pixel32 is 0xAARRGGBB, stored as the bytes B, G, R, A,
// straight (not premultiplied) alpha.
#pragma once

#include <cstddef>
#include <cstdint>

using Pixel32 = std::uint32_t;

class RasterBitmap {
public:
    virtual ~RasterBitmap() = default;
    virtual Pixel32* Pixels() = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int StridePixels() const = 0;
    virtual bool BottomUp() const { return false; }
    virtual bool Resize(int width, int height) = 0;
    // The system device context that has the pixels selected, or null (an HDC on Windows).
    virtual void* DeviceContext() { return nullptr; }
    virtual std::intptr_t Query(int code, void* pointer)
    {
        (void)code;
        (void)pointer;
        return 0;
    }

protected:
    RasterBitmap() = default;
    RasterBitmap(const RasterBitmap&) = delete;
    RasterBitmap& operator=(const RasterBitmap&) = delete;
};

// Pointer to the first pixel of row y (0 = top row on the screen), honouring BottomUp.
inline Pixel32* RasterRow(RasterBitmap& bitmap, int y)
{
    const int row = bitmap.BottomUp() ? bitmap.Height() - 1 - y : y;
    return bitmap.Pixels() + static_cast<std::ptrdiff_t>(row) * bitmap.StridePixels();
}

// Rows r = 0, 1, ... of a surface starting at picture row y, column x, addressed without a
// virtual call per row (bottom-up surfaces step backwards through memory).
struct RasterRows {
    RasterRows(RasterBitmap& bitmap, int y, int x)
        : first(RasterRow(bitmap, y) + x),
          step(bitmap.BottomUp() ? -static_cast<std::ptrdiff_t>(bitmap.StridePixels()) : bitmap.StridePixels())
    {
    }
    Pixel32* operator[](int r) const { return first + r * step; }

    Pixel32* first;
    std::ptrdiff_t step;
};

class MemoryBitmap : public RasterBitmap {
public:
    // rowAlignment in pixels: only its lowest set bit counts, 0 and 1 mean none, capped at 16.
    MemoryBitmap(int width, int height, int rowAlignment);
    ~MemoryBitmap() override;

    Pixel32* Pixels() override;
    int Width() const override { return width; }
    int Height() const override { return height; }
    int StridePixels() const override;
    bool Resize(int width, int height) override;

    // Usable bytes of the block (for tests of the growth rule).
    int CapacityBytes() const { return capacityBytes; }

private:
    int StrideFor(int w) const;

    unsigned char* buffer = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t capacityBytes = 0;
    std::int32_t alignMask = 0;
};
