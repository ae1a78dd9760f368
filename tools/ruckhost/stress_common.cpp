#include "stress_common.h"

#include "host_error.h"

const char* KindName(InputKind kind)
{
    static const char* const kNames[] = {"silence", "full-scale noise", "DC", "very loud", "denormal"};
    return kNames[static_cast<int>(kind)];
}

InputKind RandomKind(std::mt19937_64& rng)
{
    return static_cast<InputKind>(rng() % static_cast<int>(InputKind::Count));
}

uint32_t RandomBlockSize(std::mt19937_64& rng, uint32_t maxBlock)
{
    switch (rng() % 8) {
    case 0:
        return maxBlock;
    case 1:
        return 1 + 2 * static_cast<uint32_t>(rng() % 8);
    default:
        return 1 + static_cast<uint32_t>(rng() % maxBlock);
    }
}

StressClock::time_point TimeAfter(double seconds)
{
    return StressClock::now() +
           std::chrono::duration_cast<StressClock::duration>(std::chrono::duration<double>(seconds));
}

double SecondsUntil(StressClock::time_point end)
{
    return std::chrono::duration<double>(end - StressClock::now()).count();
}

void Failure::Set(const std::string& message)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (text.empty()) {
        text = message;
    }
    failed = true;
}

void Failure::ThrowIfSet()
{
    if (failed) {
        throw HostError("stress: " + text);
    }
}
