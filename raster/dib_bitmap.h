// DibBitmap, the back-buffer surface. On Windows its pixels are a DIB section
// selected into a private memory device context (dib_bitmap_win.cpp); elsewhere a stand-in
// with the same pixels-and-stride behaviour and a null DeviceContext (dib_bitmap_linux.cpp).
#pragma once

#include "raster/raster_bitmap.h"

class DibBitmap : public RasterBitmap {
public:
    DibBitmap(int width, int height);
    ~DibBitmap() override;

    Pixel32* Pixels() override { return bits; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    int StridePixels() const override { return allocWidth; }
    bool Resize(int width, int height) override;
    void* DeviceContext() override { return dc; }

private:
    // Releases the section (deselecting it first); bits becomes null.
    void ReleaseSection();
    // Allocates an allocWidth x allocHeight section; bits is null on failure.
    void CreateSection();
    bool HasContext() const;

    std::int32_t width = 0;
    std::int32_t height = 0;
    void* dc = nullptr;              // HDC on Windows; null in the stand-in
    Pixel32* bits = nullptr;
    std::int32_t allocWidth = 0;
    std::int32_t allocHeight = 0;
    void* section = nullptr;         // HBITMAP on Windows; the heap block in the stand-in
    void* previousObject = nullptr;  // HGDIOBJ on Windows
};
