// A style turned by its orientation draws alike on both platforms. GDI turns a whole text
// itself; the glyph cache turns each glyph about its pen and lays the pens along the turned
// baseline. GDI's picture (drawn under Wine) is kept beside this test as
// turned-text-windows.png, and every platform and route must draw within a pixel of it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "font_test_util.h"
#include "raster/blend.h"
#include "raster/dib_bitmap.h"
#include "raster/font_state.h"
#include "raster/png_loader.h"
#include "raster/png_writer.h"

namespace {

constexpr int kPictureSize = 120;
constexpr Pixel32 kBlack = 0xFF000000;
const char kText[] = "Fat 50%";

// Each turn drawn from its own reference point, the top-left corner of its upright cell.
struct Turn {
    int degrees;
    int x;
    int y;
};
constexpr Turn kTurns[] = {{90, 8, 112}, {30, 30, 100}, {330, 40, 14}};

std::unique_ptr<CachedFont> TurnedArial(int degrees)
{
    SystemFontDescription description;
    description.height = 15;
    description.escapement = degrees * 10;
    description.orientation = description.escapement;
    description.face = "Arial";
    SystemFontHandle system = CreateSystemFont(description);
    if (!system) {
        return nullptr;
    }
    auto font = std::make_unique<CachedFont>();
    font->SetFromSystemFont(system, FontOwnsSystemFont | FontPreferNative);
    font->SetTextColour(0xFFFFFFFF);
    return font;
}

std::unique_ptr<DibBitmap> DrawTurns(TextFormat format)
{
    auto picture = std::make_unique<DibBitmap>(kPictureSize, kPictureSize);
    FillRect(picture.get(), 0, 0, kPictureSize, kPictureSize, kBlack, 1.0f, BlendCopy);
    for (const Turn& turn : kTurns) {
        auto font = TurnedArial(turn.degrees);
        if (!font) {
            return nullptr;
        }
        RasterRect rect = {turn.x, turn.y, turn.x, turn.y};
        font->RenderText(picture.get(), kText, -1, &rect, TextNoClip | format);
    }
    return picture;
}

bool Ink(RasterBitmap& picture, int x, int y)
{
    return x >= 0 && y >= 0 && x < picture.Width() && y < picture.Height() &&
           ((RasterRow(picture, y)[x] >> 16) & 0xFF) >= 128;
}

// Ink pixels of a with no ink of b at most one pixel away.
int InkNotNear(RasterBitmap& a, RasterBitmap& b, int* inked)
{
    int missing = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (!Ink(a, x, y)) {
                continue;
            }
            ++*inked;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy) {
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    near = Ink(b, x + dx, y + dy);
                }
            }
            missing += near ? 0 : 1;
        }
    }
    return missing;
}

// Both ways round, at most a fiftieth of the ink lies beyond a pixel of the other's.
void ExpectWithinAPixel(RasterBitmap& drawn, RasterBitmap& reference, const std::string& route)
{
    int drawnInk = 0;
    int referenceInk = 0;
    const int strayDrawn = InkNotNear(drawn, reference, &drawnInk);
    const int strayReference = InkNotNear(reference, drawn, &referenceInk);
    EXPECT_GT(drawnInk, 200) << route;
    EXPECT_LE(strayDrawn * 50, drawnInk) << route << ": " << strayDrawn << " of " << drawnInk;
    EXPECT_LE(strayReference * 50, referenceInk) << route << ": " << strayReference << " of " << referenceInk;
}

void CompareWithWindows(RasterBitmap& drawn, const std::string& route)
{
    EXPECT_TRUE(SavePngFile(drawn, (std::string(RUCK_PICTURE_DIR) + "/turned-text-" + route + ".png").c_str()));
    const std::string referencePath = std::string(RUCK_REFERENCE_DIR) + "/turned-text-windows.png";
    std::unique_ptr<RasterBitmap> reference(LoadPngFromFile(referencePath.c_str(), nullptr));
    ASSERT_NE(reference, nullptr) << referencePath;
    ExpectWithinAPixel(drawn, *reference, route);
}

TEST(TurnedText, TheGlyphCacheDrawsWithinAPixelOfGdi)
{
    auto drawn = DrawTurns(TextForceGlyphs);
    ASSERT_NE(drawn, nullptr);
    CompareWithWindows(*drawn, "glyphs");
}

TEST(TurnedText, GdiDrawsThePictureKeptForComparison)
{
    if (!HasSystemTextEngine()) {
        GTEST_SKIP() << "this platform draws every text through the glyph cache";
    }
    SetWineDetected(0);
    auto drawn = DrawTurns(0);
    SetWineDetected(-1);
    ASSERT_NE(drawn, nullptr);
    CompareWithWindows(*drawn, "gdi");
}

// An upright text drawn where the turned ones go lies far from them: the comparison sees turns.
TEST(TurnedText, AnUprightTextIsNotWithinAPixel)
{
    auto font = TurnedArial(0);
    ASSERT_NE(font, nullptr);
    DibBitmap upright(kPictureSize, kPictureSize);
    FillRect(&upright, 0, 0, kPictureSize, kPictureSize, kBlack, 1.0f, BlendCopy);
    for (const Turn& turn : kTurns) {
        RasterRect rect = {turn.x, turn.y, turn.x, turn.y};
        font->RenderText(&upright, kText, -1, &rect, TextNoClip | TextForceGlyphs);
    }
    auto turned = DrawTurns(TextForceGlyphs);
    ASSERT_NE(turned, nullptr);
    int inked = 0;
    EXPECT_GT(InkNotNear(upright, *turned, &inked) * 2, inked);
}

}  // namespace
