// What each host thread is asking of the plug-in at the moment: named when the plug-in
// crashes, and watched so that a call that never returns ends the run with a message.
#pragma once

#include <atomic>
#include <thread>

// Marks the calling thread busy with `what` (a literal) for the scope's life.
class Activity {
public:
    explicit Activity(const char* what);
    ~Activity();
    Activity(const Activity&) = delete;
    Activity& operator=(const Activity&) = delete;

private:
    const char* previous;
};

// The calling thread's activity, or "no plug-in call"; safe in a crash handler.
const char* CurrentActivity();

// Ends the process (exit code kHangExitCode) with a message when any thread stays in one
// activity longer than the limit.
class HangWatch {
public:
    explicit HangWatch(double limitSeconds);
    ~HangWatch();
    HangWatch(const HangWatch&) = delete;
    HangWatch& operator=(const HangWatch&) = delete;

private:
    void Watch();

    double limit;
    std::atomic<bool> stop{false};
    std::thread watcher;
};

constexpr int kCrashExitCode = 70;
constexpr int kHangExitCode = 71;
