// The VST3 view on Windows: opened through the bundle's controller as a child of a host
// window, driven with real input (SendInput); the gestures reach the component handler
// balanced and move the controller.
#include <gtest/gtest.h>
#include <windows.h>

#include "edit_gestures.h"
#include "vst3_host.h"
#include "face_points.h"
#include "win_input.h"

using namespace vst3;

namespace {
constexpr int kWidth = 454;
constexpr int kHeight = 296;
constexpr ParamID kAmount = 1;

TEST(Vst3ViewWin, KnobDragReachesTheHandlerBalanced)
{
    Vst3Bundle bundle(RUCK_VST3_BUNDLE_PATH);
    Vst3Instance plug(bundle);
    ASSERT_TRUE(plug.Ok()) << plug.Error();
    const HWND host = CreateHostWindow(L"RuckVst3Host", DefWindowProcW, 0, kWidth, kHeight);
    ASSERT_NE(host, nullptr);
    PlugView* view = plug.controller->createView("editor");
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->attached(host, kPlatformHwnd), kResultOk);
    const HWND editor = GetWindow(host, GW_CHILD);
    ASSERT_NE(editor, nullptr);
    PumpMessages(3 * kEditorTickMs);

    DragMouse(editor, kAmountKnobX, kAmountKnobY, -kAmountDragPixels);
    PumpMessages(3 * kEditorTickMs);
    EXPECT_NEAR(plug.controller->getParamNormalized(kAmount), 0.63, 0.001);
    ASSERT_GE(plug.handler.edits.size(), 3u);
    EXPECT_EQ(plug.handler.edits.front().kind, 'b');
    EXPECT_EQ(plug.handler.edits.back().kind, 'e');
    EXPECT_EQ(EditGestureFault(GestureStepsOf(plug.handler.edits), true), "");

    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    EXPECT_EQ(view->release(), 0u);
    DestroyWindow(host);
}
}  // namespace
