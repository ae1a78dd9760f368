#include "idle_fallback.h"

void IdleFallback::Start(std::chrono::milliseconds period, std::function<void()> beat)
{
    Stop();
    stopping = false;
    thread = std::thread([this, period, beat = std::move(beat)] { Run(period, beat); });
}

void IdleFallback::Stop()
{
    if (!thread.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void IdleFallback::Run(std::chrono::milliseconds period, const std::function<void()>& beat)
{
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(mutex);
            if (wake.wait_for(guard, period, [this] { return stopping; })) {
                return;
            }
        }
        beat();
    }
}
