// The VST3 view on Linux in a private X server: opened through the bundle's controller in a
// host window, served by a host run loop (the test's), driven with real input through
// xdotool; the gestures reach the component handler balanced and move the controller.
#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <thread>

#include "edit_gestures.h"
#include "vst3_host.h"
#include "x11_host.h"
#include "x_server.h"

using namespace vst3;

namespace {
constexpr int kHostX = 20;
constexpr int kHostY = 30;
constexpr ParamID kAmount = 1;
constexpr int kAmountX = 67;
constexpr int kAmountY = 160;

std::string At(int x, int y)
{
    return std::to_string(kHostX + x) + " " + std::to_string(kHostY + y);
}

// A host frame with a run loop: it keeps what the view registers and serves it on request.
class RunLoopFrame final : public HostObject<PlugFrame>, public IRunLoop {
public:
    tresult queryInterface(const char* iid, void** obj) override
    {
        if (kRunLoopIid.Is(iid)) {
            addRef();
            *obj = static_cast<IRunLoop*>(this);
            return kResultOk;
        }
        return Answer(iid, obj, kPlugFrameIid);
    }
    uint32_t addRef() override { return HostObject<PlugFrame>::addRef(); }
    uint32_t release() override { return HostObject<PlugFrame>::release(); }
    tresult resizeView(PlugView*, ViewRect*) override { return kResultFalse; }

    tresult registerEventHandler(IEventHandler* handler, int fd) override
    {
        events = handler;
        descriptor = fd;
        return kResultOk;
    }
    tresult unregisterEventHandler(IEventHandler* handler) override
    {
        events = handler == events ? nullptr : events;
        return kResultOk;
    }
    tresult registerTimer(ITimerHandler* handler, uint64_t milliseconds) override
    {
        timer = handler;
        period = milliseconds;
        return kResultOk;
    }
    tresult unregisterTimer(ITimerHandler* handler) override
    {
        timer = handler == timer ? nullptr : timer;
        return kResultOk;
    }

    // Timer ticks and ready descriptors for about ms milliseconds, as a host's loop runs them.
    void Serve(int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            pollfd ready = {descriptor, POLLIN, 0};
            if (events != nullptr && poll(&ready, 1, 0) > 0) {
                events->onFDIsSet(descriptor);
            }
            if (timer != nullptr) {
                timer->onTimer();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(period > 0 ? period : 10));
        }
    }

    ITimerHandler* timer = nullptr;
    IEventHandler* events = nullptr;
    uint64_t period = 0;
    int descriptor = -1;
};

TEST(Vst3ViewX11, KnobDragReachesTheHandlerBalancedThroughTheHostRunLoop)
{
    XvfbServer server;
    ASSERT_TRUE(server.Running());
    X11Host windows;
    const Window parent = windows.MakeWindow(kHostX, kHostY, 500, 340);
    Vst3Bundle bundle(RUCK_VST3_BUNDLE_PATH);
    Vst3Instance plug(bundle);
    ASSERT_TRUE(plug.Ok()) << plug.Error();
    PlugView* view = plug.controller->createView("editor");
    ASSERT_NE(view, nullptr);

    RunLoopFrame frame;
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(parent), kPlatformX11), kResultOk);
    EXPECT_NE(frame.timer, nullptr);
    EXPECT_NE(frame.events, nullptr);
    EXPECT_GE(frame.descriptor, 0);
    EXPECT_EQ(windows.Children(parent).size(), 1u);
    frame.Serve(150);

    ASSERT_TRUE(Xdo("mousemove " + At(kAmountX, kAmountY) + " mousedown 1 mousemove " +
                    At(kAmountX, kAmountY - 40) + " mouseup 1"));
    frame.Serve(150);
    EXPECT_FLOAT_EQ(static_cast<float>(plug.controller->getParamNormalized(kAmount)), 0.62f);
    ASSERT_GE(plug.handler.edits.size(), 3u);
    EXPECT_EQ(plug.handler.edits.front().kind, 'b');
    EXPECT_EQ(plug.handler.edits.back().kind, 'e');
    EXPECT_EQ(EditGestureFault(GestureStepsOf(plug.handler.edits), true), "");

    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(frame.timer, nullptr);
    EXPECT_EQ(frame.events, nullptr);
    EXPECT_TRUE(windows.Children(parent).empty());
    view->setFrame(nullptr);
    EXPECT_EQ(view->release(), 0u);
}
}  // namespace
