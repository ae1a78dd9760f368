// DrawGlyph's combining rules, checked pixel by pixel against the glyph's own coverage, and
// the coverage effects of the font flags.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "font_test_util.h"
#include "raster/blend.h"
#include "reference.h"

using namespace font_test;

namespace {

constexpr Pixel32 kGround = 0xFF405060;
constexpr Pixel32 kBlack = 0xFF000000;
constexpr Pixel32 kText = 0x80F0A010;  // an exact copy writes its alpha; combining takes it as opaque
constexpr Pixel32 kOpaqueText = 0xFFF0A010;
constexpr int kPenX = 10;
constexpr int kPenY = 4;

// Draws the glyph of `code` at the pen and checks every pixel of its box: expected(ground,
// coverage) where the coverage is not 0, `empty` elsewhere.
void ExpectGlyphPixels(CachedFont& font, int code, const std::function<Pixel32(Pixel32, int)>& expected,
                       Pixel32 empty = kGround)
{
    auto surface = Filled(60, 40, kGround);
    const RasterRect everything = {0, 0, 60, 40};
    RasterRect rect = {kPenX, kPenY, 60, 40};
    const char text[2] = {static_cast<char>(code), 0};
    font.RenderText(surface.get(), text, -1, &rect, 0);
    const GlyphRecord* glyph = font.FindGlyph(code);
    ASSERT_NE(glyph, nullptr);
    const std::uint8_t* coverage = font.GlyphCoverage(*glyph);
    ASSERT_NE(coverage, nullptr);
    int covered = 0;
    for (int y = 0; y < glyph->height; ++y) {
        for (int x = 0; x < glyph->width; ++x) {
            const int c = coverage[y * glyph->width + x];
            const Pixel32 want = c ? expected(kGround, c) : empty;
            covered += c != 0;
            ASSERT_EQ(RasterRow(*surface, kPenY + y)[kPenX - glyph->bearing + x], want) << x << "," << y;
        }
    }
    EXPECT_GT(covered, 0);
    EXPECT_FALSE(font.DrawGlyph(surface.get(), code, 100, 100, everything));
    EXPECT_FALSE(font.DrawGlyph(surface.get(), 'Q' + 1000, kPenX, kPenY, everything));
}

std::unique_ptr<CachedFont> Font(int flags, FontQuality quality)
{
    auto font = MakeArial(18, flags, quality);
    if (font) {
        font->SetTextColour(kText);
    }
    return font;
}

TEST(DrawGlyph, MonoAtFullOpacityWritesTheColourWord)
{
    auto font = Font(FontMono, FontQuality::Antialiased);
    ASSERT_NE(font, nullptr);
    ExpectGlyphPixels(*font, 'W', [](Pixel32, int c) {
        EXPECT_EQ(c, 255);
        return kText;
    });
}

TEST(DrawGlyph, MonoBelowFullOpacityCombinesWithTheOpacityWeight)
{
    auto font = Font(FontMono, FontQuality::Antialiased);
    ASSERT_NE(font, nullptr);
    for (int operation : {BlendCopy, BlendAdd, BlendMultiply}) {
        font->SetCombineMode(operation | BlendUseSourceAlpha, 0.3f);
        ExpectGlyphPixels(*font, 'W', [operation](Pixel32 d, int) {
            return raster_test::RefPlain(operation, d, kOpaqueText, 255, 76);
        });
    }
    font->SetCombineMode(BlendAdd, 3.0f);  // limited to full weight
    ExpectGlyphPixels(*font, 'W', [](Pixel32 d, int) { return raster_test::RefPlain(BlendAdd, d, kOpaqueText, 255, 256); });
}

TEST(DrawGlyph, SmoothCoverageWeightsEachPixel)
{
    auto font = Font(0, FontQuality::Antialiased);
    ASSERT_NE(font, nullptr);
    ExpectGlyphPixels(*font, 'S', [](Pixel32 d, int c) { return raster_test::RefPlain(BlendCopy, d, kOpaqueText, 255, c + 1); });
    font->SetCombineMode(BlendCopy, 0.5f);
    ExpectGlyphPixels(*font, 'S', [](Pixel32 d, int c) {
        return raster_test::RefPlain(BlendCopy, d, kOpaqueText, 255, 128 * c / 256);
    });
    font->SetCombineMode(BlendDodge, 2.0f);
    ExpectGlyphPixels(*font, 'S', [](Pixel32 d, int c) {
        return raster_test::RefPlain(BlendDodge, d, kOpaqueText, 255, std::min(256, 512 * c / 256));
    });
}

TEST(DrawGlyph, ZeroOpacityDrawsNothing)
{
    auto font = Font(0, FontQuality::Antialiased);
    ASSERT_NE(font, nullptr);
    font->SetCombineMode(BlendCopy, 0.0f);
    auto surface = Drawn(*font, "S", {5, 5, 60, 40}, 0, 60, 40, kGround);
    EXPECT_EQ(InkBounds(*surface, kGround).right, 0);
}

TEST(DrawGlyph, OpaqueBackgroundFillsTheGlyphBoxFirst)
{
    auto font = Font(FontMono, FontQuality::Antialiased);
    ASSERT_NE(font, nullptr);
    font->SetBackgroundMode(BackgroundOpaque);
    EXPECT_EQ(font->SetBackgroundColour(0xFF102030), 0xFFFFFFFFu);
    ExpectGlyphPixels(*font, 'W', [](Pixel32, int) { return kText; }, 0xFF102030);
}

// Every pixel marked 128 has a full neighbour at one of the offsets, and every empty pixel
// with such a neighbour is marked.
void ExpectEffectPixels(CachedFont& font, int code, std::initializer_list<std::pair<int, int>> offsets)
{
    const GlyphRecord* glyph = font.FindGlyph(code);
    ASSERT_NE(glyph, nullptr);
    const std::uint8_t* c = font.GlyphCoverage(*glyph);
    int marked = 0;
    for (int y = 0; y < glyph->height; ++y) {
        for (int x = 0; x < glyph->width; ++x) {
            const int value = c[y * glyph->width + x];
            ASSERT_TRUE(value == 0 || value == 128 || value == 255);
            bool fullNeighbour = false;
            for (auto [dx, dy] : offsets) {
                const int nx = x + dx;
                const int ny = y + dy;
                fullNeighbour |= nx >= 0 && ny >= 0 && nx < glyph->width && ny < glyph->height &&
                                 c[ny * glyph->width + nx] == 255;
            }
            if (value != 255) {
                EXPECT_EQ(value == 128, fullNeighbour) << x << "," << y;
            }
            marked += value == 128;
        }
    }
    EXPECT_GT(marked, 0);
}

TEST(DrawGlyph, ShadowAndOutlineUseTheEffectColourForTheirMarks)
{
    auto shadow = Font(FontShadow, FontQuality::Antialiased);
    auto outline = Font(FontOutline, FontQuality::Antialiased);
    ASSERT_TRUE(shadow && outline);
    for (CachedFont* font : {shadow.get(), outline.get()}) {
        font->SetEffectColour(0x00112233);
        ExpectGlyphPixels(*font, 'H', [](Pixel32, int c) { return c == 255 ? kText : 0x00112233u; });
        font->SetCombineMode(BlendCopy, 0.5f);
        ExpectGlyphPixels(*font, 'H', [](Pixel32 d, int c) {
            return raster_test::RefPlain(BlendCopy, d, c == 255 ? kOpaqueText : 0xFF112233u, 255, 128);
        });
    }
    ExpectEffectPixels(*shadow, 'H', {{-1, 0}, {-1, -1}, {0, -1}});
    ExpectEffectPixels(*outline, 'H', {{0, -1}, {0, 1}, {-1, 0}, {1, 0}});
}

TEST(DrawGlyph, InvertAndBlurChangeTheCoverage)
{
    auto plain = Font(0, FontQuality::NonAntialiased);
    auto inverted = Font(FontInvert, FontQuality::NonAntialiased);
    auto blurred = Font(FontBlur, FontQuality::NonAntialiased);
    ASSERT_TRUE(plain && inverted && blurred);
    for (CachedFont* font : {plain.get(), inverted.get(), blurred.get()}) {
        Drawn(*font, "o", {0, 0, 60, 40}, 0);
    }
    const GlyphRecord* p = plain->FindGlyph('o');
    const GlyphRecord* i = inverted->FindGlyph('o');
    const std::uint8_t* pc = plain->GlyphCoverage(*p);
    const std::uint8_t* ic = inverted->GlyphCoverage(*i);
    // Inverted, every pixel of the box is ink, so the bitmap keeps the whole box.
    ASSERT_GE(i->width, p->width);
    const int shift = i->bearing - p->bearing;
    for (int y = 0; y < p->height; ++y) {
        for (int x = 0; x < p->width; ++x) {
            ASSERT_EQ(ic[y * i->width + x + shift], 255 - pc[y * p->width + x]);
        }
    }
    const GlyphRecord* b = blurred->FindGlyph('o');
    const std::uint8_t* bc = blurred->GlyphCoverage(*b);
    EXPECT_TRUE(std::any_of(bc, bc + b->width * b->height, [](std::uint8_t v) { return v > 0 && v < 255; }));
    EXPECT_TRUE(std::all_of(pc, pc + p->width * p->height, [](std::uint8_t v) { return v == 0 || v == 255; }));
}

// A glyph whose ink starts left of its pen keeps that offset along the line when turned: text
// running down puts it above the pen, text running up below it, so each glyph lands inside
// its cell (the bitmap turned clockwise moves up by its bearing, anticlockwise down).
TEST(DrawGlyph, TurnedGlyphsKeepTheirOffsetAlongTheLine)
{
    // Large, so that the hook of a j or the foot of a y reaches left of the pen.
    auto across = MakeArial(64, 0);
    auto down = MakeArial(64, FontVertical);
    auto up = MakeArial(64, FontVertical | FontBottomUp);
    ASSERT_TRUE(across && down && up);
    for (CachedFont* font : {across.get(), down.get(), up.get()}) {
        font->SetTextColour(0xFFFFFFFF);
    }
    int code = 0;
    for (const char c : std::string("jJfy/(")) {
        Drawn(*across, std::string(1, c).c_str(), {0, 0, 100, 100}, 0, 100, 100);
        if (across->FindGlyph(c)->bearing > 0) {
            code = c;
            break;
        }
    }
    ASSERT_NE(code, 0) << "no glyph with ink left of its pen";
    const char text[2] = {static_cast<char>(code), 0};
    for (CachedFont* font : {down.get(), up.get()}) {
        Drawn(*font, text, {0, 0, 100, 100}, 0, 100, 100);
    }
    constexpr int kPen = 100;
    const RasterRect everything = {0, 0, 200, 200};
    auto horizontal = Filled(200, 200, kBlack);
    auto downwards = Filled(200, 200, kBlack);
    auto upwards = Filled(200, 200, kBlack);
    ASSERT_TRUE(across->DrawGlyph(horizontal.get(), code, kPen, 10, everything));
    ASSERT_TRUE(down->DrawGlyph(downwards.get(), code, 10, kPen, everything));
    ASSERT_TRUE(up->DrawGlyph(upwards.get(), code, 10, kPen - up->FindGlyph(code)->height, everything));
    const RasterRect h = InkBounds(*horizontal, kBlack);
    const RasterRect d = InkBounds(*downwards, kBlack);
    const RasterRect u = InkBounds(*upwards, kBlack);
    EXPECT_LT(h.left, kPen);
    EXPECT_EQ(d.top - kPen, h.left - kPen);
    EXPECT_EQ(d.bottom - kPen, h.right - kPen);
    EXPECT_EQ(kPen - u.bottom, h.left - kPen);
    EXPECT_EQ(kPen - u.top, h.right - kPen);
}

TEST(DrawGlyph, VerticalTextIsTurnedAndRunsDownOrUp)
{
    auto across = Font(0, FontQuality::NonAntialiased);
    auto down = Font(FontVertical, FontQuality::NonAntialiased);
    auto up = Font(FontVertical | FontBottomUp, FontQuality::NonAntialiased);
    ASSERT_TRUE(across && down && up);
    for (CachedFont* font : {across.get(), down.get(), up.get()}) {
        Drawn(*font, "L", {0, 0, 60, 40}, 0);
    }
    const GlyphRecord* a = across->FindGlyph('L');
    const GlyphRecord* d = down->FindGlyph('L');
    const GlyphRecord* u = up->FindGlyph('L');
    ASSERT_EQ(d->width, a->height);
    ASSERT_EQ(d->height, a->width);
    const std::uint8_t* ac = across->GlyphCoverage(*a);
    const std::uint8_t* dc = down->GlyphCoverage(*d);
    const std::uint8_t* uc = up->GlyphCoverage(*u);
    for (int y = 0; y < a->height; ++y) {
        for (int x = 0; x < a->width; ++x) {
            const int value = ac[y * a->width + x];
            ASSERT_EQ(dc[x * d->width + (a->height - 1 - y)], value);  // clockwise: the top faces right
            ASSERT_EQ(uc[(a->width - 1 - x) * u->width + y], value);   // anticlockwise
        }
    }
    RasterRect two = {0, 0, 0, 0};
    EXPECT_EQ(down->RenderText(nullptr, "LL", -1, &two, TextCalcRect), a->height);
    EXPECT_EQ(two.bottom, a->advance + std::max(a->advance, a->width - a->bearing));
    for (CachedFont* font : {down.get(), up.get()}) {
        auto surface = Drawn(*font, "LL", {20, 10, 60, 80}, 0, 80, 100);
        const RasterRect ink = InkBounds(*surface, 0xFF000000);
        EXPECT_GE(ink.top, 10);
        EXPECT_LE(ink.bottom, 10 + two.bottom);
        EXPECT_GE(ink.left, 20);
        EXPECT_LE(ink.right, 20 + two.right);
    }
}

}  // namespace
