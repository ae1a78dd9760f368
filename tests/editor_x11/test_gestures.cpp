// The Linux editor operated as a musician would: real pointer and keyboard input through
// the X server, checked against parameter values, host requests and the window's pixels.
#include <cmath>

#include "editor/value_controls.h"
#include "editor_fixture.h"

namespace {
constexpr int kAmountX = 67;
constexpr int kAmountY = 160;
constexpr int kSwitchY = 95;
constexpr int kPanSlider = 10;

// An up-or-down drag of the pointer with the left button held, mirrored offscreen.
void DragKnob(FaceMirror& mirror, int dy, bool shift)
{
    const std::string modifier = shift ? "keydown shift " : "";
    const std::string release = shift ? " keyup shift" : "";
    ASSERT_TRUE(Xdo(modifier + "mousemove " + LinuxEditor::At(kAmountX, kAmountY) + " mousedown 1 mousemove " +
                    LinuxEditor::At(kAmountX, kAmountY + dy) + " mouseup 1" + release));
    mirror.View().MouseDown(kAmountX, kAmountY, FaceMirror::Left(shift));
    mirror.View().MouseDrag(kAmountX, kAmountY + dy, FaceMirror::Left(shift));
    mirror.View().MouseUp(kAmountX, kAmountY + dy, IMouseKeys{});
}
}  // namespace

TEST_F(LinuxEditor, OpensAsOneChildWindowShowingTheFace)
{
    ASSERT_NE(Editor(), 0u);
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(host->display, Editor(), &attributes));
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.width, kFaceWidth);
    EXPECT_EQ(attributes.height, kFaceHeight);
    EXPECT_EQ(DifferencesFromMirror(), 0);
}

TEST_F(LinuxEditor, KnobDragsUpAndDownWithAndWithoutShift)
{
    DragKnob(mirror, -40, false);
    host->IdleFor(100);
    EXPECT_FLOAT_EQ(Param(kAmount), 0.62f);  // 0.5 + 40 / 86 / 4, on whole percents
    EXPECT_EQ(DifferencesFromMirror(), 0);

    DragKnob(mirror, 40, false);
    host->IdleFor(100);
    EXPECT_FLOAT_EQ(Param(kAmount), 0.5f);

    DragKnob(mirror, -40, true);
    host->IdleFor(100);
    EXPECT_FLOAT_EQ(Param(kAmount), 0.51f);  // ten times finer
    EXPECT_EQ(DifferencesFromMirror(), 0);

    const auto log = host->Requests();
    std::vector<VstInt32> opcodes;
    for (const LoggedRequest& r : log) {
        if (r.effect == effect && r.index == kAmount && opcodes.size() < 3) {
            opcodes.push_back(r.opcode);
        }
    }
    EXPECT_EQ(opcodes, (std::vector<VstInt32>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
    EXPECT_EQ(Count(audioMasterBeginEdit), 3);
    EXPECT_EQ(Count(audioMasterEndEdit), 3);
}

TEST_F(LinuxEditor, SwitchClicksStepAndWrapFromDecimatorToOff)
{
    const int xs[] = {30, 60, 90};  // apart, so no two clicks make a double click
    for (int x : xs) {
        ASSERT_TRUE(Xdo("mousemove " + At(x, kSwitchY) + " click 1"));
        mirror.View().MouseDown(x, kSwitchY, FaceMirror::Left());
        mirror.View().MouseUp(x, kSwitchY, IMouseKeys{});
        host->IdleFor(60);
    }
    EXPECT_FLOAT_EQ(Param(kAlgorithm), 0.0f);
    const auto automated = host->Requests(effect, audioMasterAutomate);
    ASSERT_EQ(automated.size(), 3u);
    EXPECT_NEAR(automated[1].opt, 1.0f, 1e-6);  // Decimator before the wrap
    EXPECT_EQ(DifferencesFromMirror(), 0);
}

TEST_F(LinuxEditor, SliderFollowsPressAndDragButNotAPressBelowItsTrack)
{
    const auto* pan = static_cast<const ISliderImg*>(mirror.View().Control(kPanSlider));
    const int y = pan->Track().top + 3;
    const int x = pan->Track().left + 20;
    ASSERT_TRUE(Xdo("mousemove " + At(x, y) + " mousedown 1 mousemove " + At(x + 30, y) + " mouseup 1"));
    mirror.View().MouseDown(x, y, FaceMirror::Left());
    mirror.View().MouseDrag(x + 30, y, FaceMirror::Left());
    mirror.View().MouseUp(x + 30, y, IMouseKeys{});
    host->IdleFor(100);
    EXPECT_FLOAT_EQ(Param(kPan), mirror.Parameter(kPan));
    EXPECT_GT(Param(kPan), 0.5f);
    EXPECT_EQ(DifferencesFromMirror(), 0);

    host->ClearRequests();
    const float before = Param(kPan);
    ASSERT_TRUE(Xdo("mousemove " + At(x, pan->DrawRect().bottom - 2) + " click 1"));
    host->IdleFor(100);
    EXPECT_EQ(Param(kPan), before);
    EXPECT_EQ(Count(audioMasterBeginEdit), 1);
    EXPECT_EQ(Count(audioMasterAutomate), 0);
    EXPECT_EQ(Count(audioMasterEndEdit), 1);
}

TEST_F(LinuxEditor, DoubleClickPutsTheKnobBackToItsDefault)
{
    DragKnob(mirror, -40, false);
    host->IdleFor(100);
    ASSERT_FLOAT_EQ(Param(kAmount), 0.62f);
    ASSERT_TRUE(Xdo("mousemove " + At(kAmountX, kAmountY) + " click --repeat 2 --delay 80 1"));
    host->IdleFor(100);
    EXPECT_FLOAT_EQ(Param(kAmount), 0.5f);
    mirror.View().MouseDoubleClick(kAmountX, kAmountY, FaceMirror::Left());
    EXPECT_EQ(DifferencesFromMirror(), 0);
}

TEST_F(LinuxEditor, WheelStepsMakeOneGestureEndedHalfASecondLater)
{
    ASSERT_TRUE(Xdo("mousemove " + At(kAmountX, kAmountY) + " click --repeat 3 --delay 30 4 click 5"));
    host->IdleFor(250);
    EXPECT_FLOAT_EQ(Param(kAmount), 0.52f);  // three up, one down, a hundredth each
    EXPECT_EQ(Count(audioMasterBeginEdit), 1);
    EXPECT_EQ(Count(audioMasterAutomate), 4);
    EXPECT_EQ(Count(audioMasterEndEdit), 0);
    host->IdleFor(600);
    EXPECT_EQ(Count(audioMasterEndEdit), 1);
}

TEST_F(LinuxEditor, AWheelStepOnASwitchLandsOnAStateSoClicksReachEveryState)
{
    ASSERT_TRUE(Xdo("mousemove " + At(30, kSwitchY) + " click 4"));
    host->IdleFor(60);
    EXPECT_NEAR(Param(kAlgorithm), 1.0f / 3.0f, 1e-6);  // still Overdrive Fat
    for (int x : {60, 90}) {  // apart, so the clicks make no double click
        ASSERT_TRUE(Xdo("mousemove " + At(x, kSwitchY) + " click 1"));
        host->IdleFor(60);
    }
    EXPECT_FLOAT_EQ(Param(kAlgorithm), 1.0f);  // Overdrive Weak, then Decimator
}

TEST_F(LinuxEditor, HostAutomationTurnsTheKnobOnScreen)
{
    const std::vector<uint32_t> before = host->Pixels(Editor(), kFaceWidth, kFaceHeight);
    effect->setParameter(effect, kAmount, 0.9f);
    mirror.SetParameter(kAmount, 0.9f);
    EXPECT_EQ(DifferencesFromMirror(), 0);
    EXPECT_GT(Mismatches(host->Pixels(Editor(), kFaceWidth, kFaceHeight), before), 100);
    EXPECT_EQ(Count(audioMasterAutomate), 0);
}

TEST_F(LinuxEditor, AnExposedAreaIsDrawnAgainBeforeItIsShown)
{
    // The Round slider's rectangle overlaps the Pan slider's: redrawing Round lays Pan's
    // read-out, drawn unclipped, over itself in the back buffer beyond Round's rectangle.
    effect->setParameter(effect, kRound, 0.9f);
    mirror.SetParameter(kRound, 0.9f);
    ASSERT_EQ(DifferencesFromMirror(), 0);
    XClearArea(host->display, Editor(), 0, 0, 0, 0, True);
    XFlush(host->display);
    EXPECT_EQ(DifferencesFromMirror(), 0);
}

TEST_F(LinuxEditor, KeysOverTheFaceChangeNothing)
{
    ASSERT_TRUE(Xdo("mousemove " + At(kAmountX, kAmountY) + " key Up F1 KP_1 a 5 space"));
    host->IdleFor(100);
    EXPECT_FLOAT_EQ(Param(kAmount), 0.5f);
    EXPECT_TRUE(host->Requests(effect, audioMasterAutomate).empty());
}
