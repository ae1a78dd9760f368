// The Linux editor's life: opening and closing, instances side by side, the host's idle
// calls stopping, a bad parent window, web links, and nothing left behind.
#include "editor_fixture.h"

#include <X11/extensions/XRes.h>
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {
constexpr int kAmountX = 67;
constexpr int kAmountY = 160;

int EntriesIn(const char* directory)
{
    int n = 0;
    if (DIR* dir = opendir(directory)) {
        while (readdir(dir) != nullptr) {
            ++n;
        }
        closedir(dir);
    }
    return n;
}

// Shared-memory segments this process made that still exist (other tests may run beside).
int SharedSegments()
{
    std::ifstream in("/proc/sysvipc/shm");
    std::string header;
    std::getline(in, header);
    int ours = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        long key = 0;
        long id = 0;
        long perms = 0;
        long size = 0;
        long creator = 0;
        fields >> key >> id >> perms >> size >> creator;
        ours += creator == getpid() ? 1 : 0;
    }
    return ours;
}

// What an editor could leave behind: X clients, descriptors, threads, memory segments.
struct Footprint {
    int clients = 0;
    int descriptors = 0;
    int threads = 0;
    int segments = 0;

    static Footprint Of(Display* display)
    {
        Footprint f;
        XResClient* clients = nullptr;
        XResQueryClients(display, &f.clients, &clients);
        XFree(clients);
        f.descriptors = EntriesIn("/proc/self/fd");
        f.threads = EntriesIn("/proc/self/task");
        f.segments = SharedSegments();
        return f;
    }
};

void ExpectSameFootprint(const Footprint& now, const Footprint& before)
{
    EXPECT_EQ(now.clients, before.clients);
    EXPECT_EQ(now.descriptors, before.descriptors);
    EXPECT_EQ(now.threads, before.threads);
    EXPECT_EQ(now.segments, before.segments);
}

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
}  // namespace

TEST_F(LinuxEditor, ResizeGrowsTheWindowAndTheHostsWindowByTheChange)
{
    const Window other = host->MakeWindow(kHostX, kHostY, 460, 300);
    IEditorView& view = mirror.View();
    ASSERT_TRUE(view.OpenWindow(reinterpret_cast<void*>(other)));
    view.Resize(kFaceWidth + 40, kFaceHeight - 20);
    const auto window = static_cast<Window>(reinterpret_cast<uintptr_t>(view.WindowHandle()));
    XWindowAttributes editor;
    XWindowAttributes parentWindow;
    ASSERT_TRUE(XGetWindowAttributes(host->display, window, &editor));
    ASSERT_TRUE(XGetWindowAttributes(host->display, other, &parentWindow));
    EXPECT_EQ(editor.width, kFaceWidth + 40);
    EXPECT_EQ(editor.height, kFaceHeight - 20);
    EXPECT_EQ(parentWindow.width, 500);
    EXPECT_EQ(parentWindow.height, 280);
    EXPECT_EQ(view.ControlCount(), 0);
    view.CloseWindow();
}

TEST_F(LinuxEditor, OpeningTwiceKeepsOneWindowInItsPlace)
{
    XMoveWindow(host->display, Editor(), 7, 9);
    XSync(host->display, False);
    ASSERT_TRUE(host->OpenEditor(effect, parent));
    ASSERT_EQ(host->Children(parent).size(), 1u);
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(host->display, Editor(), &attributes));
    EXPECT_EQ(attributes.x, 7);
    EXPECT_EQ(attributes.y, 9);
    EXPECT_EQ(attributes.width, kFaceWidth);
}

TEST_F(LinuxEditor, ClosingDuringAWheelGestureEndsItAtOnce)
{
    ASSERT_TRUE(Xdo("mousemove " + At(kAmountX, kAmountY) + " click 4"));
    host->IdleFor(60);
    ASSERT_EQ(Count(audioMasterBeginEdit), 1);
    ASSERT_EQ(Count(audioMasterEndEdit), 0);
    host->Dispatch(effect, effEditClose);
    EXPECT_EQ(Count(audioMasterEndEdit), 1);
    EXPECT_TRUE(host->Children(parent).empty());
}

TEST_F(LinuxEditor, NoInputReachesAClosedEditor)
{
    host->Dispatch(effect, effEditClose);
    host->ClearRequests();
    ASSERT_TRUE(Xdo("mousemove " + At(kAmountX, kAmountY) + " click 1 click 4"));
    host->IdleFor(100);
    EXPECT_TRUE(host->Requests().empty());
    EXPECT_FLOAT_EQ(Param(kAmount), 0.5f);
}

TEST_F(LinuxEditor, TwoInstancesEachDriveTheirOwnFace)
{
    const int otherX = kHostX + 520;
    const Window otherParent = host->MakeWindow(otherX, kHostY, 500, 340);
    AEffect* other = host->OpenInstance();
    ASSERT_TRUE(host->OpenEditor(other, otherParent));
    host->IdleFor(150);
    ASSERT_TRUE(Xdo("mousemove " + std::to_string(otherX + kAmountX) + " " + std::to_string(kHostY + kAmountY) +
                    " mousedown 1 mousemove " + std::to_string(otherX + kAmountX) + " " +
                    std::to_string(kHostY + kAmountY - 40) + " mouseup 1"));
    host->IdleFor(150);
    EXPECT_FLOAT_EQ(other->getParameter(other, kAmount), 0.62f);
    EXPECT_FLOAT_EQ(Param(kAmount), 0.5f);
    EXPECT_EQ(DifferencesFromMirror(), 0);
    mirror.SetParameter(kAmount, 0.5f + 40.0f / 86.0f / 4.0f);
    const Window otherEditor = host->Children(otherParent).at(0);
    EXPECT_EQ(Mismatches(host->Pixels(otherEditor, kFaceWidth, kFaceHeight), mirror.Render()), 0);
}

TEST_F(LinuxEditor, OpenAndCloseAHundredTimesLeavesNothingBehind)
{
    host->Dispatch(effect, effEditClose);
    const Footprint before = Footprint::Of(host->display);
    ASSERT_TRUE(host->OpenEditor(effect, parent));
    EXPECT_EQ(SharedSegments(), before.segments + 1);  // the server offers shared images
    host->Dispatch(effect, effEditClose);
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(host->OpenEditor(effect, parent));
        host->Dispatch(effect, effEditIdle);
        host->Dispatch(effect, effEditClose);
    }
    EXPECT_TRUE(host->Children(parent).empty());
    ExpectSameFootprint(Footprint::Of(host->display), before);
}

TEST_F(LinuxEditor, ClosingTheInstanceWithItsEditorOpenTearsItDown)
{
    host->Dispatch(effect, effEditClose);
    const Footprint before = Footprint::Of(host->display);
    ASSERT_TRUE(host->OpenEditor(effect, parent));
    ASSERT_TRUE(Xdo("mousemove " + At(kAmountX, kAmountY) + " click 4"));
    host->IdleFor(60);
    host->CloseInstance(effect);
    effect = nullptr;
    EXPECT_TRUE(host->Children(parent).empty());
    ExpectSameFootprint(Footprint::Of(host->display), before);
}

TEST_F(LinuxEditor, ItsOwnTimerTakesOverWhenTheHostStopsIdling)
{
    constexpr int kMultiplyX = 398;
    effect->setParameter(effect, kAmount, 0.9f);
    mirror.SetParameter(kAmount, 0.9f);
    ASSERT_TRUE(Xdo("mousemove " + At(kMultiplyX, kAmountY) + " click 4"));
    mirror.View().MouseWheel(kMultiplyX, kAmountY, IMouseKeys{}, 1);
    SleepMs(1200);
    EXPECT_EQ(Mismatches(host->Pixels(Editor(), kFaceWidth, kFaceHeight), mirror.Render()), 0);
    EXPECT_EQ(Count(audioMasterBeginEdit), 1);
    EXPECT_EQ(Count(audioMasterEndEdit), 1);
}

TEST_F(LinuxEditor, ABadParentWindowFailsTheOpenQuietly)
{
    host->Dispatch(effect, effEditClose);
    EXPECT_FALSE(host->OpenEditor(effect, 0x3FFFFFF));
    EXPECT_TRUE(host->OpenEditor(effect, parent));
    EXPECT_EQ(DifferencesFromMirror(), 0);
}

TEST_F(LinuxEditor, TheTitleOpensTheProductPageThroughXdgOpen)
{
    char folder[] = "/tmp/ruck-xdg-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string script = std::string(folder) + "/xdg-open";
    const std::string record = std::string(folder) + "/opened";
    std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> " << record << "\n";
    chmod(script.c_str(), 0755);
    const std::string path = getenv("PATH");
    setenv("PATH", (std::string(folder) + ":" + path).c_str(), 1);
    ASSERT_TRUE(Xdo("mousemove " + At(200, 40) + " click 1"));
    host->IdleFor(300);
    std::string opened;
    std::getline(std::ifstream(record), opened);
    EXPECT_EQ(opened, "https://tolvi.audio/ruckstone/");
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), 0);  // the launcher was reaped; only Xvfb is left

    setenv("PATH", "/nonexistent", 1);  // no xdg-open at all: a silent failure
    ASSERT_TRUE(RunProgram({"/usr/bin/xdotool", "click", "1"}) == 0);
    host->IdleFor(100);
    setenv("PATH", path.c_str(), 1);
    unlink(script.c_str());
    unlink(record.c_str());
    rmdir(folder);
}

class WithoutSharedMemory : public LinuxEditor {
protected:
    WithoutSharedMemory() : LinuxEditor({"-extension", "MIT-SHM"}) {}
};

TEST_F(WithoutSharedMemory, PixelsStillReachTheWindow)
{
    EXPECT_EQ(SharedSegments(), 0);
    effect->setParameter(effect, kAmount, 0.25f);
    mirror.SetParameter(kAmount, 0.25f);
    EXPECT_EQ(DifferencesFromMirror(), 0);
}
