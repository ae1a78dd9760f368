// DibBitmap on Windows: a top-down 32-bit DIB section in a memory device context.
#include "raster/dib_bitmap.h"

#include <windows.h>

DibBitmap::DibBitmap(int w, int h)
{
    dc = CreateCompatibleDC(nullptr);
    Resize(w, h);
}

DibBitmap::~DibBitmap()
{
    ReleaseSection();
    if (dc) {
        DeleteDC(static_cast<HDC>(dc));
    }
}

bool DibBitmap::HasContext() const
{
    return dc != nullptr;
}

void DibBitmap::ReleaseSection()
{
    if (dc && previousObject) {
        SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(previousObject));
    }
    previousObject = nullptr;
    if (section) {
        DeleteObject(static_cast<HGDIOBJ>(section));
        section = nullptr;
    }
    bits = nullptr;
}

void DibBitmap::CreateSection()
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);  // 40 bytes
    info.bmiHeader.biWidth = allocWidth;
    info.bmiHeader.biHeight = BottomUp() ? allocHeight : -allocHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP made = CreateDIBSection(static_cast<HDC>(dc), &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (!made || !pixels) {
        if (made) {
            DeleteObject(made);
        }
        bits = nullptr;
        return;
    }
    section = made;
    bits = static_cast<Pixel32*>(pixels);
    previousObject = SelectObject(static_cast<HDC>(dc), made);
}
