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

// A thread holds one slot from its first activity until it ends; with every slot taken
// its activities go unwatched.
struct SlotHolder {
    Slot* slot = nullptr;
    SlotHolder()
    {
        for (Slot& s : slots) {
            bool expected = false;
            if (s.taken.compare_exchange_strong(expected, true)) {
                slot = &s;
                return;
            }
        }
    }
    ~SlotHolder()
    {
        if (slot) {
            slot->what = nullptr;
            slot->taken = false;
        }
    }
};

thread_local const char* current = nullptr;

Slot* MySlot()
{
    thread_local SlotHolder holder;
    return holder.slot;
}

void Publish(const char* what)
{
    current = what;
    if (Slot* slot = MySlot()) {
        slot->since = NowNanoseconds();
        slot->what = what;
    }
}
}  // namespace

Activity::Activity(const char* what) : previous(current)
{
    Publish(what);
}

Activity::~Activity()
{
    Publish(previous);
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
