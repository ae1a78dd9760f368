// The rounds the stress runs of CLAP and VST3 plug-ins go through, whose thread rules are
// alike: many instances, a session processing on an audio thread while this (the main)
// thread asks things, damaged states and a state round trip, until the time is up.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "activity.h"
#include "host_error.h"
#include "stress_common.h"

struct StressCounts {
    std::atomic<long> instances{0};
    std::atomic<long> activations{0};
    std::atomic<long> blocks{0};
    std::atomic<long> frames{0};
    std::atomic<long> changes{0};
    std::atomic<long> requests{0};
    std::atomic<long> damagedStates{0};
};

// `Instance` is the format's hosted instance; the format fills in the parts.
template <typename Instance>
class StressRounds {
public:
    StressRounds(const std::string& plugin, double seconds, uint64_t seed)
        : path(plugin), rng(seed), deadline(TimeAfter(seconds))
    {
    }
    virtual ~StressRounds() = default;

    void Run()
    {
        Probe();
        do {
            ChurnInstances();
            // Every other session in double precision, when the plug-in takes it.
            ThreadedSession(std::clamp(SecondsUntil(deadline) * 0.6, 0.2, 2.0), canDouble && rounds % 2 == 1);
            DamagedStates();
            CheckStateRoundTrip();
            ++rounds;
        } while (SecondsUntil(deadline) > 0.0);
    }

    // `format` names it, `changes` what its parameter changes are called, `notes` what it lacks.
    void PrintSummary(double seconds, const char* format, const char* changes, const std::string& notes) const
    {
        std::printf("stress: %s (%s) passed %d rounds in %.1f s: %ld instances, %ld activations, %ld blocks (%ld "
                    "frames), %ld %s, %ld main-thread requests, %ld damaged states%s\n",
                    path.c_str(), format, rounds, seconds, counts.instances.load(), counts.activations.load(),
                    counts.blocks.load(), counts.frames.load(), counts.changes.load(), changes, counts.requests.load(),
                    counts.damagedStates.load(), notes.c_str());
    }

protected:
    static constexpr double kRates[] = {44100.0, 48000.0, 96000.0, 22050.0};
    static constexpr size_t kRandomStateBytes = 1 << 20;
    static constexpr size_t kMaxTruncations = 1 << 16;
    static constexpr size_t kShortDamageBytes = 4096;
    static constexpr int kChurnInstances = 16;
    static constexpr int kActivations = 3;

    // Reads what the rounds need (sample sizes, parameters) from a first instance.
    virtual void Probe() = 0;
    virtual std::unique_ptr<Instance> NewInstance() = 0;
    virtual bool Activate(Instance& plug, double rate, bool doublePrecision) = 0;
    virtual void Deactivate(Instance& plug) = 0;
    // Activated, a block of noise processed on an audio thread, deactivated; throws on failure.
    virtual void CheckStillSound(Instance& plug, const char* after) = 0;
    virtual void ThreadedSession(double seconds, bool doublePrecision) = 0;
    virtual void DamagedStates() = 0;
    virtual void CheckStateRoundTrip() = 0;

    double RandomRate() { return kRates[rng() % std::size(kRates)]; }

    void ActivateOrThrow(Instance& plug, double rate, bool doublePrecision, const char* after = nullptr)
    {
        if (!Activate(plug, rate, doublePrecision)) {
            throw HostError(std::string("stress: the plug-in refuses to activate") + (after ? " after " : "") +
                            (after ? after : ""));
        }
    }

    // Many instances alive at once, activated and deactivated at random rates, destroyed in
    // random order.
    void ChurnInstances()
    {
        std::vector<std::unique_ptr<Instance>> alive;
        for (int i = 0; i < kChurnInstances; ++i) {
            alive.push_back(NewInstance());
            for (int a = 0; i % 2 == 0 && a < kActivations; ++a) {
                ActivateOrThrow(*alive.back(), RandomRate(), canDouble && rng() % 2 == 0);
                Deactivate(*alive.back());
            }
            if (i % 4 == 0) {
                CheckStillSound(*alive.back(), "creating many instances");
            }
        }
        std::shuffle(alive.begin(), alive.end(), rng);
        while (!alive.empty()) {
            Activity activity("destroying an instance");
            alive.pop_back();
        }
    }

    // `request` on this thread, over and over for `seconds` or until a failure.
    template <typename Request>
    void RequestFor(double seconds, Request request)
    {
        const auto end = TimeAfter(seconds);
        while (StressClock::now() < end && !failure.Failed()) {
            ++counts.requests;
            request();
        }
    }

    std::vector<uint8_t> RandomBytes(size_t count)
    {
        std::vector<uint8_t> bytes(count);
        for (uint8_t& b : bytes) {
            b = static_cast<uint8_t>(rng());
        }
        return bytes;
    }

    // A state cut short (or a few random bytes), scrambled from the start or not.
    std::vector<uint8_t> Damaged(std::vector<uint8_t> state)
    {
        state.resize(state.empty() || rng() % 2 ? rng() % kShortDamageBytes : rng() % state.size());
        for (size_t i = rng() % 2 ? 0 : state.size(); i < state.size(); ++i) {
            state[i] = static_cast<uint8_t>(rng());
        }
        ++counts.damagedStates;
        return state;
    }

    // `load` of a megabyte of random bytes, random bytes as long as `valid`, and every
    // truncation of `valid` (at most kMaxTruncations of them); stops at a failure.
    template <typename Load>
    void LoadDamagedForms(const std::vector<uint8_t>& valid, Load load)
    {
        const std::vector<uint8_t> noise = RandomBytes(kRandomStateBytes);
        load(noise, "loading a megabyte of random bytes as a state");
        load(std::vector<uint8_t>(noise.begin(), noise.begin() + static_cast<std::ptrdiff_t>(std::min(valid.size(), noise.size()))),
             "loading random bytes as long as a state");
        counts.damagedStates += 2;
        const size_t step = valid.size() > kMaxTruncations ? valid.size() / kMaxTruncations + 1 : 1;
        for (size_t n = 0; n < valid.size() && !failure.Failed(); n += step) {
            load(std::vector<uint8_t>(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n)),
                 "loading a truncated state");
            ++counts.damagedStates;
        }
        failure.ThrowIfSet();
    }

    std::string path;
    std::mt19937_64 rng;
    StressClock::time_point deadline;
    StressCounts counts;
    Failure failure;
    int rounds = 0;
    bool canDouble = false;
};

// Runs the rounds of `Run` (a StressRounds with a constructor of the same arguments) and
// prints its summary; throws HostError at the first failure.
template <typename Run>
int RunStressRounds(const std::string& path, double seconds, uint64_t seed)
{
    const auto start = StressClock::now();
    Run run(path, seconds, seed);
    run.Run();
    run.PrintSummary(std::chrono::duration<double>(StressClock::now() - start).count());
    return 0;
}
