// The editor core: dispatch with capture, gesture traffic, redraw bookkeeping, images.
#include <gtest/gtest.h>

#include "editor/control.h"
#include "plug/test_effect.h"
#include "test_view.h"

using ruck::test::HostEvent;
using ruck::test::TestEffect;
using ruck::test::TestView;

namespace {

// A plain control bound to a parameter that records the calls it receives.
class ProbeControl : public IControl {
public:
    ProbeControl(IEffectBase* plug, const IBounds& rect, int param) : IControl(plug, rect, param) {}
    void MouseDown(int x, int y, const IMouseKeys& keys) override
    {
        calls.push_back("down");
        IControl::MouseDown(x, y, keys);
    }
    void MouseUp(int, int, const IMouseKeys&) override { calls.push_back("up"); }
    void MouseDrag(int, int, int dX, int dY, const IMouseKeys&) override
    {
        calls.push_back("drag " + std::to_string(dX) + " " + std::to_string(dY));
    }
    bool Draw(IEditorView&) override
    {
        ++draws;
        return true;
    }
    std::vector<std::string> calls;
    int draws = 0;
};

class EditorView : public testing::Test {
protected:
    EditorView()
    {
        view = new TestView(&plug);
        below = Add(IBounds{0, 0, 100, 100}, 1);
        above = Add(IBounds{50, 50, 150, 150}, 2);
        plug.AttachEditor(view);
        plug.host.clear();
    }

    ProbeControl* Add(const IBounds& rect, int param)
    {
        auto* control = new ProbeControl(&plug, rect, param);
        view->AddControl(control);
        return control;
    }

    TestEffect plug;
    TestView* view;
    ProbeControl* below;
    ProbeControl* above;
    IMouseKeys none;
};

}  // namespace

TEST_F(EditorView, PressCapturesAndReleaseEndsTheGestureOutside)
{
    view->MouseDown(60, 60, none);
    EXPECT_EQ(view->CaptureIndex(), 1);
    view->MouseDrag(70, 55, none);
    view->MouseDrag(70, 55, none);  // same position: nothing
    view->MouseUp(400, 400, none);  // released far outside: still the captured control
    EXPECT_EQ(above->calls, (std::vector<std::string>{"down", "drag 10 -5", "up"}));
    EXPECT_TRUE(below->calls.empty());
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"begin", 2}, {"end", 2}}));
    EXPECT_EQ(view->CaptureIndex(), -1);
}

TEST_F(EditorView, HiddenAndGreyedControlsLetThePressFallThrough)
{
    above->SetGreyed(true);
    EXPECT_EQ(above->Blend().weight, 0.25f);
    EXPECT_EQ(view->ControlAt(60, 60), 0);
    above->SetGreyed(false);
    above->SetHidden(true);
    EXPECT_EQ(view->ControlAt(60, 60), 0);
    EXPECT_EQ(view->ControlAt(120, 120), -1);
}

TEST_F(EditorView, HostChangesReachEveryBoundControl)
{
    ProbeControl* twin = Add(IBounds{200, 0, 220, 20}, 2);
    view->SetControlsFromParam(2, 2.0, false);  // plain value of Foldback "After"
    EXPECT_EQ(above->Value(), 0.0);              // it waits for the editor's own thread
    view->ApplyHostValues();
    EXPECT_EQ(above->Value(), 1.0);
    EXPECT_EQ(twin->Value(), 1.0);
    EXPECT_EQ(twin->DefaultValue(), 1.0);  // the first value a control hears is its default
    EXPECT_EQ(above->DefaultValue(), 0.0);
    EXPECT_EQ(below->Value(), 0.5);  // Amount 50 of 0..100, from the attach
}

TEST_F(EditorView, WheelStepsFormOneGestureUntilTheCountdownEnds)
{
    view->MouseWheel(10, 10, none, 1);
    view->MouseWheel(10, 10, none, 1);
    EXPECT_EQ(view->Countdown(), 12);  // half a second at 24 frames per second
    EXPECT_NEAR(below->Value(), 0.52, 1e-12);
    for (int i = 0; i < 12; ++i) {
        view->Tick();
    }
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"begin", 1}, {"automate", 1}, {"automate", 1}, {"end", 1}}));

    plug.host.clear();
    view->MouseWheel(10, 10, none, 0);  // a sub-step wheel still sends the value in a gesture
    view->MouseDown(60, 60, none);      // a click ends the wheel gesture first
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"begin", 1}, {"automate", 1}, {"end", 1}, {"begin", 2}}));
}

TEST_F(EditorView, DirtyAreasAndPainting)
{
    IBounds dirty;
    ASSERT_TRUE(view->CollectDirty(dirty));
    EXPECT_EQ(dirty.right, 150);
    view->PaintArea(IBounds{0, 0, 454, 296});
    // Attaching pushed values, so both draw once more on the next tick, then settle.
    ASSERT_TRUE(view->CollectDirty(dirty));
    view->PaintArea(dirty);
    EXPECT_FALSE(view->CollectDirty(dirty));
    EXPECT_TRUE(dirty.Empty());

    below->MarkDirty(false);
    ASSERT_TRUE(view->CollectDirty(dirty));
    view->PaintArea(IBounds{0, 0, 40, 40});
    EXPECT_EQ(below->draws, 3);
    EXPECT_EQ(above->draws, 2);  // no overlap with the painted area
    EXPECT_EQ(view->shown.back().right, 40);
}

TEST_F(EditorView, TypedTextBecomesOneGesture)
{
    view->ApplyEnteredText(below, plug.Parameter(1), "25");
    EXPECT_EQ(plug.Parameter(1)->value, 25.0);
    view->ApplyEnteredText(above, plug.Parameter(2), "After");
    EXPECT_EQ(plug.Parameter(2)->value, 2.0);
    view->ApplyEnteredText(below, plug.Parameter(1), "500");  // beyond the range: the end
    EXPECT_EQ(plug.Parameter(1)->value, 100.0);
    view->ApplyEnteredText(below, plug.Parameter(1), "nan");  // refused: the value stays
    EXPECT_EQ(plug.Parameter(1)->value, 100.0);
    EXPECT_EQ(plug.host.front(), (HostEvent{"begin", 1}));
    EXPECT_EQ(plug.host.back(), (HostEvent{"end", 1}));
}

TEST_F(EditorView, ImagesLoadOncePerIdentifier)
{
    const IImageStrip a = view->LoadImage(103, "img/slider.png", 1);
    const IImageStrip b = view->LoadImage(103, "another name", 4);
    ASSERT_NE(a.bitmap, nullptr);
    EXPECT_EQ(a.bitmap, b.bitmap);
    EXPECT_EQ(a.width, 16);
    EXPECT_EQ(b.frames, 4);
    TestView other(&plug);
    EXPECT_EQ(other.LoadImage(103, "img/slider.png", 1).bitmap, a.bitmap);
    EXPECT_EQ(other.imageLoads, 0);

    const IImageStrip crop = view->CropImage(a, IBounds{4, 4, 12, 10});
    ASSERT_NE(crop.bitmap, nullptr);
    EXPECT_EQ(crop.width, 8);
    EXPECT_EQ(crop.bitmap->Pixels()[0], a.bitmap->Pixels()[4 * a.bitmap->StridePixels() + 4]);
}

// Draws one frame of a strip at its own rectangle.
class FrameProbe : public IControl {
public:
    FrameProbe(IEffectBase* plug, const IBounds& rect, const IImageStrip& strip, bool vertical)
        : IControl(plug, rect, -1), strip(strip), vertical(vertical)
    {
    }
    bool Draw(IEditorView& view) override
    {
        const IBlend copy = {1, 1.0f};
        return view.DrawFrame(strip, drawRect, frame, &copy, vertical);
    }
    IImageStrip strip;
    bool vertical;
    int frame = 1;
};

TEST_F(EditorView, FramesStartAtTheRoundedShareOfTheStrip)
{
    // A 45-pixel strip of 10 frames: frame f starts at 45 (f - 1) / 10 rounded, halves up;
    // every pixel holds its own position, so the drawn pixel tells where the frame began.
    MemoryBitmap column(1, 45, 4);
    MemoryBitmap row(45, 1, 4);
    for (int i = 0; i < 45; ++i) {
        RasterRow(column, i)[0] = 0xFF000000u | static_cast<Pixel32>(i);
        RasterRow(row, 0)[i] = 0xFF000000u | static_cast<Pixel32>(i);
    }
    auto* down = new FrameProbe(&plug, IBounds{200, 200, 201, 201}, IImageStrip{&column, 1, 45, 10}, true);
    auto* across = new FrameProbe(&plug, IBounds{210, 200, 211, 201}, IImageStrip{&row, 45, 1, 10}, false);
    view->AddControl(down);
    view->AddControl(across);
    const int starts[] = {0, 5, 9, 14, 18, 23, 27, 32, 36, 41};
    for (int frame = 1; frame <= 10; ++frame) {
        down->frame = frame;
        across->frame = frame;
        view->PaintArea(IBounds{200, 200, 211, 201});
        EXPECT_EQ(RasterRow(*view->BackBuffer(), 200)[200] & 0xFF, static_cast<Pixel32>(starts[frame - 1])) << frame;
        EXPECT_EQ(RasterRow(*view->BackBuffer(), 200)[210] & 0xFF, static_cast<Pixel32>(starts[frame - 1])) << frame;
    }
}

TEST_F(EditorView, ResizeStartsAFaceOfTheNewSize)
{
    view->MouseDown(10, 10, none);
    view->Resize(300, 200);
    EXPECT_EQ(view->Width(), 300);
    EXPECT_EQ(view->Height(), 200);
    EXPECT_EQ(view->ControlCount(), 0);
    EXPECT_EQ(view->CaptureIndex(), -1);
    EXPECT_EQ(view->BackBuffer()->Width(), 300);
    EXPECT_EQ(view->BackBuffer()->Height(), 200);
    EXPECT_EQ(plug.editorResizes, 1);
    // The gesture of the deleted control ends; the release then reaches nothing.
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"begin", 1}, {"end", 1}}));
    view->MouseUp(10, 10, none);
    EXPECT_EQ(plug.host.size(), 2u);
}

TEST(EditorKeys, VirtualKeyMapping)
{
    EXPECT_EQ(KeyCodeForVirtualKey(32), 0);
    EXPECT_EQ(KeyCodeForVirtualKey(38), 1);
    EXPECT_EQ(KeyCodeForVirtualKey(39), 4);
    EXPECT_EQ(KeyCodeForVirtualKey('0'), 5);
    EXPECT_EQ(KeyCodeForVirtualKey('9'), 14);
    EXPECT_EQ(KeyCodeForVirtualKey('A'), 15);
    EXPECT_EQ(KeyCodeForVirtualKey('Z'), 40);
    EXPECT_EQ(KeyCodeForVirtualKey(0x70), -1);  // F1
    EXPECT_EQ(KeyCodeForVirtualKey(0x60), -1);  // numeric keypad 0
}
