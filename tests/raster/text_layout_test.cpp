// RenderText through the glyph cache: line breaks, measuring, alignment, clipping, the
// opacity taken from the colour's alpha, and what the cache keeps.
#include <gtest/gtest.h>

#include "font_test_util.h"
#include "raster/blend.h"
#include "raster/dib_bitmap.h"
#include "raster/font_state.h"

using namespace font_test;

namespace {

constexpr Pixel32 kBlack = 0xFF000000;

class TextLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        font = MakeArial(15, 0);
        ASSERT_NE(font, nullptr);
        font->SetTextColour(0xFFFFFFFF);
        lineHeight = font->LineHeight();
    }

    RasterRect Measure(const char* text, TextFormat format = 0)
    {
        RasterRect rect = {10, 20, 10, 20};
        font->RenderText(nullptr, text, -1, &rect, format | TextCalcRect);
        return rect;
    }

    int Advance(int code)
    {
        const GlyphRecord* glyph = font->FindGlyph(code);
        return glyph ? glyph->advance : -1;
    }

    std::unique_ptr<CachedFont> font;
    int lineHeight = 0;
};

TEST_F(TextLayout, TheLineHeightIsTheCellHeight)
{
    EXPECT_GE(lineHeight, 14);
    EXPECT_LE(lineHeight, 18);
}

TEST_F(TextLayout, ALineBreakStartsANewLineAtTheLeftEdge)
{
    const RasterRect two = Measure("A\r\nB");
    EXPECT_EQ(two.bottom - two.top, 2 * lineHeight);
    EXPECT_EQ(two.right - two.left, std::max(Measure("A").right, Measure("B").right) - 10);

    auto both = Drawn(*font, "A\r\nB", {4, 2, 100, 50}, 0);
    auto split = Filled(120, 60, kBlack);
    RasterRect first = {4, 2, 100, 50};
    RasterRect second = {4, 2 + lineHeight, 100, 50};
    font->RenderText(split.get(), "A", -1, &first, 0);
    font->RenderText(split.get(), "B", -1, &second, 0);
    EXPECT_TRUE(SamePixels(*both, *split));
}

TEST_F(TextLayout, OnASingleLineTheBreakIsASpaceAndTheReturnIsSkipped)
{
    const RasterRect single = Measure("A\r\nB", TextSingleLine);
    EXPECT_EQ(single.bottom - single.top, lineHeight);
    EXPECT_EQ(single.right, Measure("A B").right);
    EXPECT_TRUE(SamePixels(*Drawn(*font, "A\r\nB", {4, 2, 100, 50}, TextSingleLine),
                           *Drawn(*font, "A B", {4, 2, 100, 50}, 0)));
}

TEST_F(TextLayout, MeasuringSetsRightAndBottomAndReturnsTheHeight)
{
    RasterRect rect = {10, 20, 500, 500};
    EXPECT_EQ(font->RenderText(nullptr, "50%", -1, &rect, TextCalcRect), lineHeight);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.bottom, 20 + lineHeight);
    EXPECT_EQ(rect.right, 10 + Advance('5') + Advance('0') + Advance('%'));
    RasterRect limited = {0, 0, 0, 0};
    font->RenderText(nullptr, "50%-16dB", 3, &limited, TextCalcRect);
    EXPECT_EQ(limited.right, rect.right - 10);
}

TEST_F(TextLayout, AlignmentPlacesTheMeasuredTextInTheRectangle)
{
    const RasterRect size = Measure("-16dB");
    const int w = size.right - size.left;
    const int h = size.bottom - size.top;
    const RasterRect box = {7, 5, 107, 55};
    struct Case {
        TextFormat format;
        int x;
        int y;
    };
    const Case cases[] = {{TextCenter, 7 + (100 - w) / 2, 5},
                          {TextRight, 107 - w, 5},
                          {TextVCenter | TextCenter, 7 + (100 - w) / 2, 5 + (50 - h) / 2},
                          {TextBottom | TextRight, 107 - w, 55 - h}};
    for (const Case& c : cases) {
        auto placed = Drawn(*font, "-16dB", {c.x, c.y, c.x + w, c.y + h}, TextNoClip);
        EXPECT_TRUE(SamePixels(*Drawn(*font, "-16dB", box, c.format), *placed)) << "format " << c.format;
    }
}

TEST_F(TextLayout, DrawingIsClippedToTheRectangleUnlessTold)
{
    const RasterRect narrow = {10, 10, 20, 40};
    auto clipped = Drawn(*font, "Overdrive", narrow, 0);
    const RasterRect ink = InkBounds(*clipped, kBlack);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 20);
    EXPECT_GT(ink.right, ink.left);
    EXPECT_GT(InkBounds(*Drawn(*font, "Overdrive", narrow, TextNoClip), kBlack).right, 30);
    auto offSurface = Drawn(*font, "Overdrive", {-20, -5, 200, 200}, 0);
    EXPECT_GT(InkBounds(*offSurface, kBlack).right, 0);
    RasterRect empty = {30, 30, 30, 50};
    EXPECT_EQ(font->RenderText(offSurface.get(), "A", -1, &empty, 0), 0);
}

TEST_F(TextLayout, EmptyTextsAndMissingTargetsDrawNothing)
{
    auto surface = Filled(40, 20, kBlack);
    RasterRect rect = {0, 0, 40, 20};
    EXPECT_EQ(font->RenderText(surface.get(), "", -1, &rect, 0), 0);
    EXPECT_EQ(font->RenderText(surface.get(), "A", 0, &rect, 0), 0);
    EXPECT_EQ(font->RenderText(nullptr, "A", -1, &rect, 0), 0);
    EXPECT_EQ(font->RenderText(surface.get(), nullptr, -1, &rect, 0), 0);
    EXPECT_EQ(InkBounds(*surface, kBlack).right, 0);
    EXPECT_EQ(font->RenderText(surface.get(), "A", -1, &rect, 0), lineHeight);
}

TEST_F(TextLayout, ASpaceMovesThePenWithoutChangingPixels)
{
    EXPECT_EQ(InkBounds(*Drawn(*font, " ", {5, 5, 100, 50}, 0), kBlack).right, 0);
    const GlyphRecord* space = font->FindGlyph(' ');
    ASSERT_NE(space, nullptr);
    ASSERT_GT(space->dataOffset, 0);
    EXPECT_GE(space->width, space->advance);
    const std::uint8_t* coverage = font->GlyphCoverage(*space);
    EXPECT_EQ(std::count(coverage, coverage + space->width * space->height, 0), space->width * space->height);
    EXPECT_TRUE(SamePixels(*Drawn(*font, " A", {5, 5, 100, 50}, 0),
                           *Drawn(*font, "A", {5 + space->advance, 5, 100, 50}, 0)));
}

TEST_F(TextLayout, ACodeBeyondSixteenBitsDrawsASpace)
{
    EXPECT_TRUE(SamePixels(*Drawn(*font, "A\xF0\x9F\x98\x80" "B", {5, 5, 100, 50}, 0),
                           *Drawn(*font, "A B", {5, 5, 100, 50}, 0)));
}

TEST_F(TextLayout, TheColourAlphaScalesTheOpacityForOneCall)
{
    font->SetTextColour(0x80FFFFFF);
    auto scaled = Drawn(*font, "5", {5, 5, 100, 50}, TextScaleByColourAlpha);
    font->SetTextColour(0xFFFFFFFF);
    font->SetCombineMode(BlendCopy, 128.0f / 255.0f);
    auto reference = Drawn(*font, "5", {5, 5, 100, 50}, 0);
    EXPECT_TRUE(SamePixels(*scaled, *reference));
    font->SetCombineMode(BlendCopy, 1.0f);
    EXPECT_FALSE(SamePixels(*Drawn(*font, "5", {5, 5, 100, 50}, 0), *reference));
    font->SetTextColour(0x00FFFFFF);
    EXPECT_EQ(InkBounds(*Drawn(*font, "5", {5, 5, 100, 50}, TextScaleByColourAlpha), kBlack).right, 0);
}

TEST_F(TextLayout, OtherCodesAreKeptSortedAndFoundAgain)
{
    Drawn(*font, "\xE2\x82\xAC\xC3\x9F\xC3\xA9\xC2\xB0", {0, 0, 100, 50}, 0);  // U+20AC, DF, E9, B0
    for (int code : {0x20AC, 0xDF, 0xE9, 0xB0}) {
        const GlyphRecord* glyph = font->FindGlyph(code);
        ASSERT_NE(glyph, nullptr) << code;
        EXPECT_EQ(glyph->code, code);
        EXPECT_NE(glyph->dataOffset, 0);
    }
    EXPECT_EQ(font->FindGlyph(0xE8), nullptr);
}

TEST(TextCache, AsciiOnlyFontsRenderEverythingAtOnceAndSkipOtherCodes)
{
    auto font = MakeArial(15, FontAsciiOnly);
    ASSERT_NE(font, nullptr);
    font->SetTextColour(0xFFFFFFFF);
    EXPECT_GT(font->FindGlyph('A')->dataOffset, 0);
    EXPECT_GT(font->FindGlyph('~')->dataOffset, 0);
    EXPECT_TRUE(SamePixels(*Drawn(*font, "A\xC3\xA9" "B", {5, 5, 100, 50}, 0), *Drawn(*font, "AB", {5, 5, 100, 50}, 0)));
    EXPECT_EQ(font->FindGlyph(0xE9), nullptr);
}

TEST(TextCache, ReplacingTheSystemFontEmptiesTheCache)
{
    auto font = MakeArial(15, 0);
    ASSERT_NE(font, nullptr);
    Drawn(*font, "A\xC3\xA9", {5, 5, 100, 50}, 0);
    ASSERT_GT(font->FindGlyph('A')->dataOffset, 0);
    SystemFontDescription bigger;
    bigger.height = 30;
    bigger.face = "Arial";
    font->SetFromSystemFont(CreateSystemFont(bigger), FontOwnsSystemFont);
    EXPECT_EQ(font->FindGlyph('A')->dataOffset, 0);
    EXPECT_EQ(font->FindGlyph(0xE9), nullptr);
    EXPECT_GE(font->LineHeight(), 28);
}

TEST(TextCache, ScratchSurfacesLiveWhileAnyFontDoes)
{
    if (LiveFontCount() != 0) {
        GTEST_SKIP() << "fonts of other tests are still alive in this process";
    }
    auto first = MakeArial(15, 0);
    auto second = MakeArial(20, 0);
    ASSERT_TRUE(first && second);
    Drawn(*first, "A", {0, 0, 50, 30}, 0);
    EXPECT_EQ(LiveFontCount(), 2);
    first.reset();
    EXPECT_TRUE(ScratchSurfacesExist());
    second.reset();
    EXPECT_EQ(LiveFontCount(), 0);
    EXPECT_FALSE(ScratchSurfacesExist());
}

// Whole texts of a font with lines of 256 pixels or more are the system engine's; where there is
// none they go through the glyph cache, whatever the flags.
TEST(TextRoute, VeryLargeFontsGoThroughTheSystemEngineWhereThereIsOne)
{
    auto font = MakeArial(300, FontMono);
    ASSERT_NE(font, nullptr);
    ASSERT_GE(font->LineHeight(), 256);
    font->SetTextColour(0xFFFFFFFF);
    DibBitmap surface(400, 400);
    RasterRect rect = {0, 0, 400, 400};
    EXPECT_GT(font->RenderText(&surface, "A", -1, &rect, TextForceGlyphs), 0);
    EXPECT_EQ(font->FindGlyph('A')->dataOffset != 0, !HasSystemTextEngine());
}

TEST(TextRoute, LinesOf1024PixelsOrMoreRenderNoGlyphs)
{
    auto font = MakeArial(1100, 0);
    ASSERT_NE(font, nullptr);
    RasterRect rect = {0, 0, 0, 0};
    if (!HasSystemTextEngine()) {
        EXPECT_EQ(font->RenderText(nullptr, "A", -1, &rect, TextCalcRect), 0);
    }
    EXPECT_EQ(font->FindGlyph('A')->dataOffset, 0);
}

}  // namespace
