// The scratch surfaces shared by all fonts live from first use until the last font is gone.
#include "raster/font_state.h"

#include "raster/dib_bitmap.h"
#include "raster/system_font.h"

namespace {

int liveFontCount = 0;
DibBitmap* glyphScratch = nullptr;
DibBitmap* textScratch = nullptr;
int wineDetected = -1;

constexpr int kTextScratchMinimum = 4;

}  // namespace

void FontCreated()
{
    ++liveFontCount;
}

void FontDestroyed()
{
    if (--liveFontCount > 0) {
        return;
    }
    delete glyphScratch;
    delete textScratch;
    glyphScratch = nullptr;
    textScratch = nullptr;
}

int LiveFontCount()
{
    return liveFontCount;
}

DibBitmap* GlyphScratch(int size)
{
    if (!glyphScratch) {
        glyphScratch = new DibBitmap(0, 0);
    }
    if (glyphScratch->Width() < size || glyphScratch->Height() < size) {
        glyphScratch->Resize(size, size);
        if (!glyphScratch->Pixels()) {
            return nullptr;
        }
        PrepareGlyphSurface(*glyphScratch);
    }
    return glyphScratch;
}

DibBitmap* TextScratch()
{
    if (!textScratch) {
        textScratch = new DibBitmap(kTextScratchMinimum, kTextScratchMinimum);
    }
    return textScratch->Pixels() ? textScratch : nullptr;
}

bool ScratchSurfacesExist()
{
    return glyphScratch != nullptr || textScratch != nullptr;
}

bool WineDetected()
{
    if (wineDetected == -1) {
        wineDetected = ProbeWine() ? 1 : 0;
    }
    return wineDetected == 1;
}

void SetWineDetected(int answer)
{
    wineDetected = answer;
}
