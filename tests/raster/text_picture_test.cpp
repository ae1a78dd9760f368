// The editor's text as the user sees it: the value read-outs on the editor's face, and below
// it both text styles on plain ground. Written as text-native.png (text-wine.png under Wine)
// in the build tree; docs/ holds copies.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "editor/font_cache.h"
#include "font_test_util.h"
#include "png_test_util.h"
#include "raster/png_writer.h"
#include "raster/blend.h"
#include "raster/combiners.h"
#include "raster/dib_bitmap.h"
#include "raster/font_state.h"
#include "raster/png_loader.h"
#include "value_readouts.h"

using namespace readouts;

namespace {

constexpr int kStripHeight = 40;
constexpr Pixel32 kStripGround = 0xFF2B2D30;
constexpr Pixel32 kLabelGround = 0xFFD8D4C8;
// The value style's colour over the ground where coverage is full: alpha 230 of 255.
constexpr int kFullWeight = 230 * 255 / 256;
constexpr TextFormat kValueFormat = TextNoClip | TextScaleByColourAlpha | TextCenter;

// The label and value styles' fonts as the editor finds them (bold and italic bits 0).
CachedFont* ValueFont()
{
    return FindOrCreateFont(kValueSize, 0, 0, 0, "Arial");
}

CachedFont* SwitchFont()
{
    return FindOrCreateFont(0, 0, 0, 0, "Arial");
}

void DrawReadout(RasterBitmap& face, const Readout& readout)
{
    CachedFont* font = ValueFont();
    font->SetTextColour(kValueColour);
    RasterRect band = readout.band;
    font->RenderText(&face, readout.text, -1, &band, kValueFormat);
}

// Every pixel the text changed is the text colour fully laid over the ground: no smoothing.
void ExpectCrisp(RasterBitmap& before, RasterBitmap& after, const RasterRect& area)
{
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const Pixel32 ground = RasterRow(before, y)[x];
            const Pixel32 now = RasterRow(after, y)[x];
            if (now != ground) {
                ASSERT_EQ(now, raster_detail::CopyOp::Combine(ground, 0xFFFFFFFF, 255, kFullWeight)) << x << "," << y;
            }
        }
    }
}

TEST(TextPicture, ValueReadOutsAreCentredAndCrispInTheirBands)
{
    ASSERT_NE(ValueFont(), nullptr);
    std::unique_ptr<RasterBitmap> ground(LoadPngFromResource(raster_test::ThisModule(), 100, nullptr));
    ASSERT_NE(ground, nullptr);
    for (const Readout& readout : kReadouts) {
        if (readout.selector) {
            continue;
        }
        DibBitmap face(kEditorWidth, kEditorHeight);
        Blit(&face, ground.get(), 0, 0, nullptr, 1.0f, BlendCopy);
        DrawReadout(face, readout);
        auto difference = font_test::Filled(kEditorWidth, kEditorHeight, 0);
        for (int y = 0; y < kEditorHeight; ++y) {
            for (int x = 0; x < kEditorWidth; ++x) {
                RasterRow(*difference, y)[x] = RasterRow(face, y)[x] != RasterRow(*ground, y)[x];
            }
        }
        const RasterRect ink = font_test::InkBounds(*difference, 0);
        const RasterRect& band = readout.band;
        EXPECT_LE(std::abs((ink.left + ink.right) - (band.left + band.right)), 3) << readout.text;
        EXPECT_GE(ink.top, band.top) << readout.text;
        EXPECT_LE(ink.bottom, band.bottom) << readout.text;
        EXPECT_GE(ink.bottom - ink.top, 9) << readout.text;
        ExpectCrisp(*ground, face, {0, 0, kEditorWidth, kEditorHeight});
    }
}

// The face with its read-outs, and a strip with the value style left-aligned and the label
// style (the framework's default black at the system's default size) centred on a light patch.
TEST(TextPicture, BothTextStylesAreWrittenAsAPicture)
{
    CachedFont* value = ValueFont();
    CachedFont* label = SwitchFont();
    ASSERT_TRUE(value && label);
    std::unique_ptr<RasterBitmap> ground(LoadPngFromResource(raster_test::ThisModule(), 100, nullptr));
    ASSERT_NE(ground, nullptr);
    DibBitmap picture(kEditorWidth, kEditorHeight + kStripHeight);
    FillRect(&picture, 0, kEditorHeight, kEditorWidth, kStripHeight, kStripGround, 1.0f, BlendCopy);
    Blit(&picture, ground.get(), 0, 0, nullptr, 1.0f, BlendCopy);
    for (const Readout& readout : kReadouts) {
        if (!readout.selector) {
            DrawReadout(picture, readout);
        }
    }
    DibBitmap before(kEditorWidth, kEditorHeight + kStripHeight);
    Blit(&before, &picture, 0, 0, nullptr, 1.0f, BlendCopy);
    value->SetTextColour(kValueColour);
    RasterRect left = {8, kEditorHeight + 12, 240, kEditorHeight + 27};
    EXPECT_GT(value->RenderText(&picture, "Overdrive Fat  50%  -16dB", -1, &left, TextNoClip | TextScaleByColourAlpha),
              0);
    ExpectCrisp(before, picture, {0, kEditorHeight, kEditorWidth, kEditorHeight + kStripHeight});

    FillRect(&picture, 262, kEditorHeight + 6, 184, 28, kLabelGround, 1.0f, BlendCopy);
    label->SetTextColour(0xFF000000);
    RasterRect patch = {262, kEditorHeight + 6, 446, kEditorHeight + 34};
    EXPECT_GT(label->RenderText(&picture, "Overdrive Fat", -1, &patch, TextNoClip | TextCenter | TextVCenter), 0);

    const std::string name = WineDetected() ? "/text-wine.png" : "/text-native.png";
    EXPECT_TRUE(SavePngFile(picture, (RUCK_PICTURE_DIR + name).c_str()));
}

}  // namespace
