// Ruckstone.clap's editor embedded in a real X window on a private server, driven by the
// host's timer and descriptor watch and dragged with real input: the host hears one
// gesture with its values.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <thread>

#include "clap_host.h"
#include "editor_drag_check.h"
#include "face_points.h"
#include "x_server.h"

namespace {
constexpr int kHostX = 20;
constexpr int kHostY = 30;
constexpr clap::Id kAmount = 1;

bool Xdo(const std::string& words)
{
    std::vector<std::string> argv = {"xdotool"};
    size_t start = 0;
    for (size_t space = words.find(' '); start < words.size(); space = words.find(' ', start)) {
        argv.push_back(words.substr(start, space == std::string::npos ? std::string::npos : space - start));
        start = space == std::string::npos ? words.size() : space + 1;
    }
    return RunProgram(argv) == 0;
}

std::string At(int x, int y)
{
    return std::to_string(kHostX + x) + " " + std::to_string(kHostY + y);
}

// The host's timers and descriptor watches, fired for about ms milliseconds as its main
// loop would (a watched descriptor as if readable each time).
void RunTimersFor(ClapInstance& plug, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        for (clap::Id timer : std::vector<clap::Id>(plug.timers)) {
            plug.timerSupport->on_timer(plug.plugin, timer);
        }
        for (int fd : std::vector<int>(plug.descriptors)) {
            plug.fdSupport->on_fd(plug.plugin, fd, clap::kFdRead);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

class ClapEditorX11 : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Running());
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        const int screen = DefaultScreen(display);
        parent = XCreateSimpleWindow(display, RootWindow(display, screen), kHostX, kHostY, 500, 350, 0, 0,
                                     WhitePixel(display, screen));
        XSelectInput(display, parent, StructureNotifyMask);
        XMapWindow(display, parent);
        XEvent event;
        do {
            XWindowEvent(display, parent, StructureNotifyMask, &event);
        } while (event.type != MapNotify);
        ASSERT_TRUE(file.Loaded()) << file.Error();
        ASSERT_TRUE(plug.Ok()) << plug.Error();
        ASSERT_NE(plug.gui, nullptr);
        ASSERT_NE(plug.timerSupport, nullptr);
    }

    void TearDown() override
    {
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }

    size_t Children()
    {
        Window root = 0;
        Window up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &up, &children, &count);
        XFree(children);
        return count;
    }

    XvfbServer server;
    Display* display = nullptr;
    Window parent = 0;
    ClapFile file{RUCK_CLAP_PATH};
    ClapInstance plug{file};
};

TEST_F(ClapEditorX11, EmbeddedEditorSendsOneGesturePerDrag)
{
    ASSERT_TRUE(plug.gui->create(plug.plugin, "x11", false));
    EXPECT_TRUE(plug.gui->set_scale(plug.plugin, 1.5));
    clap::Window window = {"x11", {}};
    window.x11 = parent;
    ASSERT_TRUE(plug.gui->set_parent(plug.plugin, &window));
    ASSERT_TRUE(plug.gui->show(plug.plugin));
    EXPECT_EQ(Children(), 1u);
    ASSERT_EQ(plug.timers.size(), 1u) << "the editor runs on the host's timer";
    ASSERT_EQ(plug.descriptors.size(), 1u) << "and the host watches its X connection";
    ASSERT_NE(plug.fdSupport, nullptr);
    RunTimersFor(plug, 100);

    ASSERT_TRUE(Xdo("mousemove " + At(kAmountKnobX, kAmountKnobY) + " mousedown 1 mousemove " +
                    At(kAmountKnobX, kAmountKnobY - kAmountDragPixels) + " mouseup 1"));
    RunTimersFor(plug, 300);
    ExpectOneDragOf(plug, kAmount, kDraggedAbove);

    // Hidden, the window and its timer go; shown again, both come back; destroyed, gone.
    ASSERT_TRUE(plug.gui->hide(plug.plugin));
    EXPECT_TRUE(plug.timers.empty());
    EXPECT_TRUE(plug.descriptors.empty());
    ASSERT_TRUE(plug.gui->show(plug.plugin));
    EXPECT_EQ(plug.timers.size(), 1u);
    RunTimersFor(plug, 50);
    plug.gui->destroy(plug.plugin);
    EXPECT_TRUE(plug.timers.empty());
    EXPECT_TRUE(plug.descriptors.empty());
    XSync(display, False);
    EXPECT_EQ(Children(), 0u);
}
}  // namespace
