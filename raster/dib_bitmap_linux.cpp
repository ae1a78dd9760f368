// DibBitmap stand-in where there is no GDI: the "section" is a heap block with the
// same allocation rules (width rounded up to 4, kept when shrinking); DeviceContext is null.
#include "raster/dib_bitmap.h"

#include <cstdlib>

DibBitmap::DibBitmap(int w, int h)
{
    Resize(w, h);
}

DibBitmap::~DibBitmap()
{
    ReleaseSection();
}

// The stand-in has no device context to fail, so a surface can always be made.
bool DibBitmap::HasContext() const
{
    return true;
}

void DibBitmap::ReleaseSection()
{
    previousObject = nullptr;
    std::free(section);
    section = nullptr;
    bits = nullptr;
}

void DibBitmap::CreateSection()
{
    const std::size_t bytes = static_cast<std::size_t>(allocWidth) * static_cast<std::size_t>(allocHeight) * 4;
    section = std::malloc(bytes);
    bits = static_cast<Pixel32*>(section);
}
