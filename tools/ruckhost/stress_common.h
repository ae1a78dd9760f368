// What the stress runs of every plug-in format share: the kinds of input they feed, the
// clock they run against, and the first failure any of their threads meets.
#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <random>
#include <string>
#include <thread>

enum class InputKind { Silence, Noise, Dc, VeryLoud, Denormal, Count };

const char* KindName(InputKind kind);
InputKind RandomKind(std::mt19937_64& rng);

// One input sample of the kind; every kind is finite.
template <typename T>
T SampleFor(InputKind kind, std::mt19937_64& rng)
{
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    switch (kind) {
    case InputKind::Noise:
        return static_cast<T>(unit(rng));
    case InputKind::Dc:
        return T(0.75);
    case InputKind::VeryLoud:
        return static_cast<T>(1000.0 * unit(rng));
    case InputKind::Denormal:
        return std::numeric_limits<T>::denorm_min() * static_cast<T>(1 + rng() % 1000) * (rng() & 1 ? T(1) : T(-1));
    default:
        return T(0);
    }
}

// Where the first NaN or infinite sample of the channels is, or empty.
template <typename T>
std::string NonFiniteOutput(T* const* channels, int count, int frames)
{
    for (int c = 0; c < count; ++c) {
        for (int i = 0; i < frames; ++i) {
            if (!std::isfinite(channels[c][i])) {
                return "non-finite output (" + std::to_string(static_cast<double>(channels[c][i])) + ") at channel " +
                       std::to_string(c) + " frame " + std::to_string(i) + " of a block of " + std::to_string(frames);
            }
        }
    }
    return "";
}

// Block sizes as hosts use them: mostly any size up to the maximum, often the maximum,
// sometimes a small odd one.
uint32_t RandomBlockSize(std::mt19937_64& rng, uint32_t maxBlock);

// Runs `work` on a thread of its own, the audio thread of the moment, and waits for it.
template <typename Work>
void OnAudioThread(Work work)
{
    std::thread audio(work);
    audio.join();
}

using StressClock = std::chrono::steady_clock;

StressClock::time_point TimeAfter(double seconds);
double SecondsUntil(StressClock::time_point end);

// The first failure any thread meets; the others stop when there is one.
class Failure {
public:
    void Set(const std::string& message);
    bool Failed() const { return failed; }
    // Throws HostError("stress: <the first message>") when a failure was set.
    void ThrowIfSet();

private:
    std::mutex mutex;
    std::string text;
    std::atomic<bool> failed{false};
};
