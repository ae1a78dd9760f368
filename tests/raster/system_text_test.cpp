// The system text engine's route (GDI's DrawText on Windows), which the Wine probe normally
// closes under Wine: here the probe's answer is overridden so that the route runs.
#include <gtest/gtest.h>

#include "font_test_util.h"
#include "raster/blend.h"
#include "raster/dib_bitmap.h"
#include "raster/font_state.h"

using namespace font_test;

namespace {

constexpr Pixel32 kBlack = 0xFF000000;

// Colour only: the system engine leaves alpha bytes of its own choosing.
bool SameColours(RasterBitmap& a, RasterBitmap& b)
{
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (((RasterRow(a, y)[x] ^ RasterRow(b, y)[x]) & 0xFFFFFF) != 0) {
                return false;
            }
        }
    }
    return true;
}

class SystemText : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HasSystemTextEngine()) {
            GTEST_SKIP() << "this platform draws every text through the glyph cache";
        }
        SetWineDetected(0);
        font = MakeArial(15, FontPreferNative);
        ASSERT_NE(font, nullptr);
        font->SetTextColour(0xFFFFFFFF);
    }
    void TearDown() override { SetWineDetected(-1); }

    std::unique_ptr<CachedFont> font;
};

TEST_F(SystemText, DrawsIntoTheDestinationsOwnContextWithoutCachingGlyphs)
{
    DibBitmap surface(120, 40);
    FillRect(&surface, 0, 0, 120, 40, kBlack, 1.0f, BlendCopy);
    RasterRect rect = {10, 10, 110, 30};
    EXPECT_GT(font->RenderText(&surface, "50%", -1, &rect, TextNoClip), 0);
    EXPECT_EQ(font->FindGlyph('5')->dataOffset, 0);
    const RasterRect ink = InkBounds(surface, kBlack);
    EXPECT_GE(ink.left, 10);
    EXPECT_GE(ink.top, 10);
    EXPECT_LE(ink.bottom, 30);
    EXPECT_GT(ink.right - ink.left, 15);
}

TEST_F(SystemText, TheScratchRouteMatchesDrawingInPlace)
{
    // GDI places vertically only single lines, and rounds a centred line's top its own way:
    // a rectangle an even number of pixels taller than the text leaves nothing to round.
    RasterRect size = {0, 0, 0, 0};
    font->RenderText(nullptr, "-16dB", -1, &size, TextCalcRect);
    for (TextFormat format : {TextNoClip, TextCenter, TextRight | TextBottom | TextSingleLine,
                              TextCenter | TextVCenter | TextSingleLine}) {
        DibBitmap inPlace(120, 40);
        FillRect(&inPlace, 0, 0, 120, 40, kBlack, 1.0f, BlendCopy);
        auto composed = Filled(120, 40, kBlack);
        RasterRect a = {10, 5, 110, 5 + size.bottom + 16};
        RasterRect b = a;
        EXPECT_GT(font->RenderText(&inPlace, "-16dB", -1, &a, format), 0);
        EXPECT_GT(font->RenderText(composed.get(), "-16dB", -1, &b, format), 0);
        EXPECT_TRUE(SameColours(inPlace, *composed)) << "format " << format;
        EXPECT_GT(InkBounds(*composed, kBlack).right, 0);
    }
}

TEST_F(SystemText, MeasuresLikeTheGlyphCache)
{
    RasterRect system = {3, 4, 3, 4};
    RasterRect glyphs = system;
    const int height = font->RenderText(nullptr, "Overdrive Fat", -1, &system, TextCalcRect);
    EXPECT_EQ(height, system.bottom - system.top);
    font->RenderText(nullptr, "Overdrive Fat", -1, &glyphs, TextCalcRect | TextForceGlyphs);
    EXPECT_EQ(system.bottom, glyphs.bottom);
    EXPECT_NEAR(system.right, glyphs.right, 2);
}

TEST_F(SystemText, ClipsToTheRectangleAndConvertsUtf8)
{
    auto surface = Filled(120, 40, kBlack);
    RasterRect narrow = {10, 5, 22, 35};
    font->RenderText(surface.get(), "Overdrive", -1, &narrow, 0);
    const RasterRect ink = InkBounds(*surface, kBlack);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 22);
    RasterRect rect = {0, 0, 120, 40};
    EXPECT_GT(font->RenderText(surface.get(), "\xC3\xA9\xE2\x82\xAC", -1, &rect, TextNoClip), 0);
    EXPECT_GT(font->RenderText(surface.get(), "\xC3\xA9\xFF", -1, &rect, TextNoClip), 0);  // drawn as bytes
}

TEST_F(SystemText, FontFlagsAndTheColourAlphaSendTextsToTheGlyphCache)
{
    DibBitmap surface(60, 30);
    RasterRect rect = {0, 0, 60, 30};
    font->RenderText(&surface, "A", -1, &rect, TextNoClip | TextScaleByColourAlpha);
    EXPECT_GT(font->FindGlyph('A')->dataOffset, 0);
    font->RenderText(&surface, "B", -1, &rect, TextForceGlyphs);
    EXPECT_GT(font->FindGlyph('B')->dataOffset, 0);
    SetWineDetected(1);
    font->RenderText(&surface, "C", -1, &rect, TextNoClip);
    EXPECT_GT(font->FindGlyph('C')->dataOffset, 0);
}

TEST(WineProbe, TheEditorsTextsUseTheGlyphCacheUnderWine)
{
    SetWineDetected(-1);
#ifndef _WIN32
    EXPECT_FALSE(ProbeWine());
#endif
    auto font = MakeArial(15, FontPreferNative);
    ASSERT_NE(font, nullptr);
    DibBitmap surface(60, 30);
    RasterRect rect = {0, 0, 60, 30};
    font->RenderText(&surface, "5", -1, &rect, TextNoClip);
    EXPECT_EQ(WineDetected(), ProbeWine());
    EXPECT_EQ(font->FindGlyph('5')->dataOffset != 0, !HasSystemTextEngine() || ProbeWine());
}

}  // namespace
