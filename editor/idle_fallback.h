// A thread that beats at a fixed period until stopped, for the editor's redraw timer when
// the host stops calling its idle entry. Each beat decides for itself whether to work.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class IdleFallback {
public:
    IdleFallback() = default;
    ~IdleFallback() { Stop(); }
    IdleFallback(const IdleFallback&) = delete;
    IdleFallback& operator=(const IdleFallback&) = delete;

    void Start(std::chrono::milliseconds period, std::function<void()> beat);
    // Wakes the thread and joins it; the beat must not wait for anything the caller holds.
    void Stop();
    bool Running() const { return thread.joinable(); }

private:
    void Run(std::chrono::milliseconds period, const std::function<void()>& beat);

    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
};
