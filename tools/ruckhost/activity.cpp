#include "activity.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kSlots = 64;
constexpr const char* kIdle = "no plug-in call";

struct Slot {
    std::atomic<bool> taken{false};
    std::atomic<const char*> what{nullptr};
    std::atomic<int64_t> since{0};
};

Slot slots[kSlots];

int64_t NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A thread holds a slot while it is inside an outermost activity; with every slot
// taken its activities go unwatched. Only trivially destructible thread-locals: their
// destructors are unreliable with MinGW's threads.
thread_local Slot* mySlot = nullptr;
thread_local int depth = 0;
thread_local const char* current = nullptr;

Slot* AcquireSlot()
{
    for (Slot& s : slots) {
        bool expected = false;
        if (s.taken.compare_exchange_strong(expected, true)) {
            return &s;
        }
    }
    return nullptr;
}

void Publish(const char* what)
{
    current = what;
    if (mySlot) {
        mySlot->since = NowNanoseconds();
        mySlot->what = what;
    }
}
}  // namespace

Activity::Activity(const char* what) : previous(current)
{
    if (depth++ == 0) {
        mySlot = AcquireSlot();
    }
    Publish(what);
}

Activity::~Activity()
{
    Publish(previous);
    if (--depth == 0 && mySlot) {
        mySlot->what = nullptr;
        mySlot->taken = false;
        mySlot = nullptr;
    }
}

const char* CurrentActivity()
{
    return current ? current : kIdle;
}

HangWatch::HangWatch(double limitSeconds) : limit(limitSeconds), watcher([this] { Watch(); }) {}

HangWatch::~HangWatch()
{
    stop = true;
    watcher.join();
}

void HangWatch::Watch()
{
    const int64_t limitNs = static_cast<int64_t>(limit * 1e9);
    while (!stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const int64_t now = NowNanoseconds();
        for (Slot& s : slots) {
            const char* what = s.what;
            if (what != nullptr && now - s.since > limitNs && s.what == what) {
                std::fprintf(stderr, "ruckhost: the plug-in hung: %s did not return within %g s\n", what, limit);
                std::fflush(stderr);
                std::_Exit(kHangExitCode);
            }
        }
    }
}
