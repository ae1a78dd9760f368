// Assembles the editor's face from the seven resource images at the editor layout's rectangles with
// the raster library (as the editor draws them: background copied, frames and handles blitted
// with source alpha, knobs rotated bilinearly about their centres) and writes it as
// face-preview.png in the working directory (docs/face-preview.png is a copy of it).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "png_test_util.h"
#include "raster/png_writer.h"
#include "raster/blend.h"
#include "raster/dib_bitmap.h"
#include "raster/png_loader.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

using Surface = std::unique_ptr<RasterBitmap>;

Surface Load(int id)
{
    return Surface(LoadPngFromResource(raster_test::ThisModule(), id, nullptr));
}

// The knob drawing for a normalised value v (300 degrees of range).
void DrawKnob(RasterBitmap& face, RasterBitmap& knob, int cx, int cy, double v)
{
    const float angle = static_cast<float>(300.0 * kPi / 360.0 * v * 2.0 - 300.0 * kPi / 360.0);
    const float shift = static_cast<float>(-(std::fabs(v - 0.5) * 2.0));
    const int w = knob.Width();
    const int h = knob.Height();
    RotatedBlit(&face, &knob, cx - w / 2, cy - h / 2, w, h, shift, shift, static_cast<float>(w),
                static_cast<float>(h), angle, false, 1.0f, BlendUseSourceAlpha | BlendBilinear, 0, 0);
}

// Frame k (1-based) of a vertical strip of 16-row frames at (x, y).
void DrawFrame(RasterBitmap& face, RasterBitmap& strip, int x, int y, int k)
{
    const RasterRect rect = {0, 16 * (k - 1), strip.Width(), 16 * k};
    Blit(&face, &strip, x, y, &rect, 1.0f, BlendUseSourceAlpha);
}

TEST(FacePreview, AssemblesTheEditorFace)
{
    Surface bg = Load(100), knob = Load(101), knob2 = Load(102), slider = Load(103);
    Surface select1 = Load(104), select2 = Load(105), select3 = Load(106);
    ASSERT_TRUE(bg && knob && knob2 && slider && select1 && select2 && select3);

    DibBitmap face(454, 296);
    ASSERT_NE(face.Pixels(), nullptr);
    Blit(&face, bg.get(), 0, 0, nullptr, 1.0f, BlendCopy);
    DrawFrame(face, *select1, 16, 85, 2);   // "Overdrive Fat", the default
    DrawFrame(face, *select2, 196, 84, 2);  // "Before"
    DrawFrame(face, *select3, 43, 244, 3);  // ",x2+"
    DrawKnob(face, *knob, 67, 165, 0.5);
    DrawKnob(face, *knob2, 169, 163, 0.2);
    DrawKnob(face, *knob2, 246, 163, 0.75);  // Threshold's default: +75 degrees
    DrawKnob(face, *knob2, 324, 163, 1.0);
    DrawKnob(face, *knob2, 398, 163, 0.0);
    // Slider handles on rows 243..259: Round at 0, Pan centred, Mix at 90 % of 80 pixels.
    Blit(&face, slider.get(), 129, 243, nullptr, 1.0f, BlendUseSourceAlpha);
    Blit(&face, slider.get(), 234 + 40, 243, nullptr, 1.0f, BlendUseSourceAlpha);
    Blit(&face, slider.get(), 340 + 72, 243, nullptr, 1.0f, BlendUseSourceAlpha);

    // The face is opaque everywhere, and the drawn parts changed the background.
    int changed = 0;
    for (int y = 0; y < 296; ++y) {
        for (int x = 0; x < 454; ++x) {
            ASSERT_EQ(RasterRow(face, y)[x] >> 24, 255u);
            changed += RasterRow(face, y)[x] != RasterRow(*bg, y)[x];
        }
    }
    EXPECT_GT(changed, 10000);
    EXPECT_TRUE(SavePngFile(face, "face-preview.png"));
    Surface again(LoadPngFromFile("face-preview.png", nullptr));
    ASSERT_TRUE(again);
    EXPECT_EQ(RasterRow(*again, 165)[67], RasterRow(face, 165)[67]);
}

}  // namespace
