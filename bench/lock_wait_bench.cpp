// How long a host's audio thread waits while the editor is busy: a plug-in's editor open in
// an X window, its controls moving on every block (the audio thread automates all of them)
// and a knob dragged back and forth through the window, while the audio thread runs paced
// 64-frame blocks. Reports the durations of the audio thread's calls for each block (the
// automation and processReplacing): the median is the work itself, the tail is waiting.
// The same run without the editor first gives the floor that the machine's own scheduling
// sets for the tail.
//
// With --realtime the audio thread runs as a host's does: on a core of its own (the machine's
// last) at real-time priority (SCHED_FIFO, when allowed), so that what remains of the tail is
// waiting on the plug-in rather than on the scheduler. Run the rest on the other cores, e.g.
// taskset -c 0 xvfb-run -a lock_wait_bench PLUGIN.so 10 --realtime
//
// lock_wait_bench PLUGIN.so [SECONDS] [--realtime]   (needs an X display, e.g. under xvfb-run -a)
#include <X11/Xlib.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "plugin_module.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBlock = 64;
constexpr double kSampleRate = 44100.0;
constexpr int kDefaultSeconds = 10;
constexpr int kIdleMs = 5;
// A knob of the face, and how far the drag goes up and down from it.
constexpr int kKnobX = 67;
constexpr int kKnobY = 160;
constexpr int kDragSpan = 60;
constexpr int kAudioPriority = 80;

// While it lives, the calling thread runs as a host's audio thread: alone on the machine's
// last core, at real-time priority where the system allows it; then as before.
class AudioThreadScheduling {
public:
    explicit AudioThreadScheduling(bool realtime) : active(realtime)
    {
        if (!active) {
            return;
        }
        pthread_getaffinity_np(pthread_self(), sizeof oldCores, &oldCores);
        pthread_getschedparam(pthread_self(), &oldPolicy, &oldParam);
        cpu_set_t last;
        CPU_ZERO(&last);
        CPU_SET(static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)) - 1, &last);
        pthread_setaffinity_np(pthread_self(), sizeof last, &last);
        sched_param fifo = {};
        fifo.sched_priority = kAudioPriority;
        realtimeGranted = pthread_setschedparam(pthread_self(), SCHED_FIFO, &fifo) == 0;
    }
    ~AudioThreadScheduling()
    {
        if (active) {
            pthread_setschedparam(pthread_self(), oldPolicy, &oldParam);
            pthread_setaffinity_np(pthread_self(), sizeof oldCores, &oldCores);
        }
    }
    AudioThreadScheduling(const AudioThreadScheduling&) = delete;
    AudioThreadScheduling& operator=(const AudioThreadScheduling&) = delete;

    bool RealtimeGranted() const { return realtimeGranted; }

private:
    bool active;
    bool realtimeGranted = false;
    cpu_set_t oldCores = {};
    int oldPolicy = SCHED_OTHER;
    sched_param oldParam = {};
};

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f)
{
    return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// The audio thread: paced blocks, each automating every parameter and processing; the
// duration of each block's calls in nanoseconds.
std::vector<double> RunAudio(AEffect* e, double seconds, const std::atomic<bool>& uiRunning, bool realtime)
{
    const AudioThreadScheduling scheduling(realtime);
    if (realtime && !scheduling.RealtimeGranted()) {
        std::fprintf(stderr, "lock_wait_bench: no real-time priority here; the audio thread keeps its own core\n");
    }
    const auto period = std::chrono::nanoseconds(static_cast<long long>(1e9 * kBlock / kSampleRate));
    const size_t count = static_cast<size_t>(seconds * kSampleRate / kBlock);
    std::vector<double> durations;
    durations.reserve(count);
    std::vector<float> inL(kBlock, 0.25f), inR(kBlock, -0.25f), outL(kBlock), outR(kBlock);
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    auto next = Clock::now();
    for (size_t block = 0; block < count && uiRunning.load(); ++block) {
        std::this_thread::sleep_until(next);
        next += period;
        const auto start = Clock::now();
        for (int p = 0; p < e->numParams; ++p) {
            e->setParameter(e, p, static_cast<float>((block * 7 + p * 13) % 101) / 100.0f);
        }
        e->processReplacing(e, in, out, kBlock);
        durations.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
    }
    return durations;
}

// A button press or release of the left button, or a motion with it held, sent straight to
// the window (button and motion events keep their common fields in the same places).
void SendPointer(Display* display, Window window, int type, int x, int y, unsigned state)
{
    XEvent event = {};
    XButtonEvent& pointer = event.xbutton;
    pointer.type = type;
    pointer.display = display;
    pointer.window = window;
    pointer.x = x;
    pointer.y = y;
    pointer.state = state;
    pointer.same_screen = True;
    if (type != MotionNotify) {
        pointer.button = Button1;
    }
    XSendEvent(display, window, False, NoEventMask, &event);
}

Window EditorWindowIn(Display* display, Window parent)
{
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window editor = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count) && count > 0) {
        editor = children[0];
    }
    if (children != nullptr) {
        XFree(children);
    }
    return editor;
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty()) {
        return 0.0;
    }
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * static_cast<double>(values.size())));
    std::nth_element(values.begin(), values.begin() + static_cast<long>(at), values.end());
    return values[at];
}

void Report(const char* what, const std::vector<double>& durations)
{
    std::printf("  %-24s %8.1f us %8.1f us %8.1f us\n", what, Percentile(durations, 0.5) / 1000.0,
                Percentile(durations, 0.999) / 1000.0, Percentile(durations, 1.0) / 1000.0);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: lock_wait_bench PLUGIN.so [SECONDS] [--realtime]\n");
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : kDefaultSeconds;
    const bool realtime = argc > 3 && std::strcmp(argv[3], "--realtime") == 0;
    Display* display = XOpenDisplay(nullptr);
    PluginModule module(argv[1]);
    VstEntry entry = module.Entry("VSTPluginMain");
    AEffect* e = entry ? entry(HostCallback) : nullptr;
    if (display == nullptr || e == nullptr) {
        std::fprintf(stderr, "lock_wait_bench: %s\n", display ? "cannot load the plug-in" : "no X display");
        return 1;
    }
    Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 500, 340, 0, 0, 0);
    XMapWindow(display, parent);
    XSync(display, False);
    Dispatch(e, effOpen);
    Dispatch(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
    Dispatch(e, effSetBlockSize, 0, kBlock);
    Dispatch(e, effMainsChanged, 0, 1);

    std::atomic<bool> alone{true};
    const std::vector<double> floor = RunAudio(e, seconds, alone, realtime);
    Dispatch(e, effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
    const Window editor = EditorWindowIn(display, parent);
    std::atomic<bool> uiRunning{true};
    std::vector<double> durations;
    std::thread audio([&] {
        durations = RunAudio(e, seconds, uiRunning, realtime);
        uiRunning.store(false);
    });
    int idles = 0;
    SendPointer(display, editor, ButtonPress, kKnobX, kKnobY, 0);
    while (uiRunning.load()) {
        const int offset = (idles % (2 * kDragSpan)) < kDragSpan ? idles % kDragSpan : kDragSpan - idles % kDragSpan;
        SendPointer(display, editor, MotionNotify, kKnobX, kKnobY - offset, Button1Mask);
        XFlush(display);
        Dispatch(e, effEditIdle);
        ++idles;
        std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
    }
    audio.join();
    SendPointer(display, editor, ButtonRelease, kKnobX, kKnobY, Button1Mask);
    XSync(display, False);
    Dispatch(e, effEditIdle);
    Dispatch(e, effEditClose);
    Dispatch(e, effClose);
    XCloseDisplay(display);

    std::printf("%s: %zu blocks of %d frames in %.0f s each way; the editor idled %d times\n", argv[1],
                durations.size(), kBlock, seconds, idles);
    std::printf("audio thread per block (automation + processing), median / 99.9th percentile / maximum:\n");
    Report("editor closed (floor)", floor);
    Report("editor open and busy", durations);
    return 0;
}
