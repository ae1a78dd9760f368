// Ruckstone's own face: the controls of the effect's editor description, their places and
// starting values, and a picture of the default face.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "editor/editor_view.h"
#include "editor/value_controls.h"
#include "effect/ruckstone.h"
#include "raster/png_writer.h"

namespace {
class Face : public testing::Test {
protected:
    Face() : effect(std::make_unique<VSTCLASS>(nullptr)), view(static_cast<IEditorView*>(effect->EditorView())) {}

    IControl* Control(int i) { return view->Control(i); }

    std::unique_ptr<VSTCLASS> effect;
    IEditorView* view;
};

void ExpectRect(const IControl* control, int left, int top, int right, int bottom)
{
    const IBounds& r = control->DrawRect();
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}
}  // namespace

TEST_F(Face, ThirteenControlsInTheirPlaces)
{
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(effect->Effect()->flags, 0x1019);
    EXPECT_EQ(view->Width(), 454);
    EXPECT_EQ(view->Height(), 296);
    ASSERT_EQ(view->ControlCount(), 13);
    ExpectRect(Control(0), 0, 0, 454, 296);
    ExpectRect(Control(1), 131, 15, 323, 62);
    ExpectRect(Control(2), 16, 85, 121, 106);
    ExpectRect(Control(3), 196, 84, 249, 105);
    ExpectRect(Control(4), 34, 132, 100, 218);
    ExpectRect(Control(5), 140, 134, 198, 212);
    ExpectRect(Control(6), 217, 134, 275, 212);
    ExpectRect(Control(7), 295, 134, 353, 212);
    ExpectRect(Control(8), 369, 134, 427, 212);
    ExpectRect(Control(9), 122, 243, 232, 277);
    ExpectRect(Control(10), 227, 243, 337, 278);
    ExpectRect(Control(11), 333, 243, 443, 278);
    ExpectRect(Control(12), 43, 244, 91, 265);
    const int params[] = {-1, -1, 0, 2, 1, 3, 4, 5, 6, 7, 9, 10, 8};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(Control(i)->ParamIndex(), params[i]) << i;
    }
    const auto* round = static_cast<const ISliderImg*>(Control(9));
    EXPECT_EQ(round->Track().left, 129);
    EXPECT_EQ(round->Track().right, 225);
    EXPECT_EQ(static_cast<const ISliderImg*>(Control(10))->Track().left, 234);
    EXPECT_EQ(static_cast<const ISliderImg*>(Control(11))->Track().bottom, 259);
}

TEST_F(Face, StartingValuesAndAClickOnTheAlgorithmSwitch)
{
    EXPECT_EQ(Control(6)->Value(), 0.75);   // Threshold -16 of -64..0
    EXPECT_EQ(Control(10)->Value(), 0.5);   // Pan centred
    EXPECT_NEAR(Control(11)->Value(), 0.9, 1e-12);
    IMouseKeys none;
    view->MouseDown(20, 90, none);
    view->MouseUp(20, 90, none);
    char text[32];
    effect->Parameter(0)->FormatValue(effect->Parameter(0)->value, false, text, sizeof text);
    EXPECT_STREQ(text, "Overdrive Weak");
}

TEST_F(Face, DefaultFacePaintsAndIsSaved)
{
    view->PaintArea(IBounds{0, 0, 454, 296});
    RasterBitmap* back = view->BackBuffer();
    ASSERT_NE(back, nullptr);
    // The background is opaque everywhere; the Mix bar is lighter than the panel next to it.
    EXPECT_EQ(RasterRow(*back, 5)[5] >> 24, 0xFFu);
    EXPECT_TRUE(SavePngFile(*back, RUCK_TEST_OUTPUT "/face-default.png"));
}
