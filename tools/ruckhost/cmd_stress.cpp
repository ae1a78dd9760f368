// ruckhost stress: a bounded torture test of a plug-in through its binary interface.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>

#include "activity.h"
#include "commands.h"
#include "host_error.h"
#include "options.h"
#include "clap_commands.h"
#include "plugin_host.h"
#include "stress_clap.h"
#include "stress_common.h"
#include "stress_sequence.h"
#include "stress_vst3.h"
#include "vst3_commands.h"

namespace {
using Clock = StressClock;

constexpr int kAnnouncedBlock = 512;
constexpr double kRate = 48000.0;
constexpr size_t kRandomChunkBytes = 1 << 20;
constexpr size_t kMaxTruncations = 1 << 16;
constexpr int kChurnInstances = 16;

struct Counts {
    std::atomic<long> instances{0};
    std::atomic<long> blocks{0};
    std::atomic<long> frames{0};
    std::atomic<long> automations{0};
    std::atomic<long> requests{0};
    std::atomic<long> chunkTrials{0};
};

// Block buffers for every pin; a plug-in without pins of a kind still gets valid arrays.
template <typename T>
struct Buffers {
    Buffers(int channels, int frames) : data(static_cast<size_t>(std::max(channels, 1)), std::vector<T>(frames))
    {
        for (auto& d : data) {
            pointers.push_back(d.data());
        }
    }
    std::vector<std::vector<T>> data;
    std::vector<T*> pointers;
};

class StressRun {
public:
    StressRun(const PluginLibrary& library, double seconds, uint64_t seed)
        : library(library), rng(seed), deadline(TimeAfter(seconds))
    {
    }

    void Run();
    void PrintSummary(double seconds) const;

private:
    double Remaining() const { return SecondsUntil(deadline); }
    std::unique_ptr<PluginInstance> NewInstance();
    template <typename T>
    bool ProcessBlock(PluginInstance& plugin, Buffers<T>& in, Buffers<T>& out, int frames, InputKind kind,
                      std::mt19937_64& random);
    void ChurnInstances();
    void ThreadedSession(double seconds, bool doublePrecision);
    template <typename T>
    void AudioThread(PluginInstance& plugin, uint64_t seed, const std::atomic<bool>& stop);
    void AutomationThread(PluginInstance& plugin, uint64_t seed, const std::atomic<bool>& stop);
    void RequestThread(PluginInstance& plugin, uint64_t seed, const std::atomic<bool>& stop);
    void AbuseChunks();
    void CheckStateRoundTrip();
    void CheckParameterRoundTrip();
    void CheckStillSound(PluginInstance& plugin, const char* after);

    const PluginLibrary& library;
    std::mt19937_64 rng;
    Clock::time_point deadline;
    Counts counts;
    Failure failure;
    int rounds = 0;
    bool chunks = false;
    bool canDouble = false;
};

std::unique_ptr<PluginInstance> StressRun::NewInstance()
{
    Activity activity("creating an instance (entry point, effOpen)");
    ++counts.instances;
    return std::make_unique<PluginInstance>(library);
}

template <typename T>
void Process(PluginInstance& plugin, T** in, T** out, int frames);

template <>
void Process<float>(PluginInstance& plugin, float** in, float** out, int frames)
{
    plugin.ProcessFloat(in, out, frames);
}

template <>
void Process<double>(PluginInstance& plugin, double** in, double** out, int frames)
{
    plugin.ProcessDouble(in, out, frames);
}

// Processes one block of the given kind; false (and the failure set) on non-finite output.
template <typename T>
bool StressRun::ProcessBlock(PluginInstance& plugin, Buffers<T>& in, Buffers<T>& out, int frames, InputKind kind,
                             std::mt19937_64& random)
{
    for (auto& channel : in.data) {
        for (int i = 0; i < frames; ++i) {
            channel[i] = SampleFor<T>(kind, random);
        }
    }
    {
        Activity activity(sizeof(T) == sizeof(double) ? "processDoubleReplacing" : "processReplacing");
        Process<T>(plugin, in.pointers.data(), out.pointers.data(), frames);
    }
    ++counts.blocks;
    counts.frames += frames;
    for (int c = 0; c < plugin.Outputs(); ++c) {
        for (int i = 0; i < frames; ++i) {
            if (!std::isfinite(out.data[c][i])) {
                failure.Set("non-finite output (" + std::to_string(static_cast<double>(out.data[c][i])) + ") for " +
                            KindName(kind) + " input, block of " + std::to_string(frames) + " frames, output " +
                            std::to_string(c) + " frame " + std::to_string(i) + ", program " +
                            std::to_string(plugin.CurrentProgram()));
                return false;
            }
        }
    }
    return true;
}

void StressRun::CheckStillSound(PluginInstance& plugin, const char* after)
{
    Buffers<float> in(plugin.Inputs(), kAnnouncedBlock);
    Buffers<float> out(plugin.Outputs(), kAnnouncedBlock);
    plugin.Start(kRate, kAnnouncedBlock, false);
    std::mt19937_64 random(rng());
    if (!ProcessBlock(plugin, in, out, kAnnouncedBlock, InputKind::Noise, random)) {
        failure.Set(std::string("after ") + after + ": see above");
    }
    plugin.Stop();
}

// Many instances alive at once, each started and given a block, closed in random order.
void StressRun::ChurnInstances()
{
    std::vector<std::unique_ptr<PluginInstance>> alive;
    for (int i = 0; i < kChurnInstances; ++i) {
        alive.push_back(NewInstance());
        if (i % 2 == 0) {
            CheckStillSound(*alive.back(), "creating many instances");
        }
    }
    std::shuffle(alive.begin(), alive.end(), rng);
    while (!alive.empty()) {
        Activity activity("closing an instance (effClose)");
        alive.pop_back();
    }
    failure.ThrowIfSet();
}

template <typename T>
void StressRun::AudioThread(PluginInstance& plugin, uint64_t seed, const std::atomic<bool>& stop)
{
    std::mt19937_64 random(seed);
    Buffers<T> in(plugin.Inputs(), 2 * kAnnouncedBlock);
    Buffers<T> out(plugin.Outputs(), 2 * kAnnouncedBlock);
    while (!stop && !failure.Failed()) {
        // Mostly sizes up to the announced block, sometimes twice it, as validators do.
        const int frames = random() % 8 == 0 ? 2 * kAnnouncedBlock : 1 + static_cast<int>(random() % kAnnouncedBlock);
        const auto kind = RandomKind(random);
        ProcessBlock(plugin, in, out, frames, kind, random);
    }
}

void StressRun::AutomationThread(PluginInstance& plugin, uint64_t seed, const std::atomic<bool>& stop)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    while (!stop && !failure.Failed() && plugin.ParameterCount() > 0) {
        const int index = static_cast<int>(random() % static_cast<uint64_t>(plugin.ParameterCount()));
        const float value = unit(random);
        float readBack;
        {
            Activity activity("setParameter and getParameter");
            plugin.SetParameter(index, value);
            readBack = plugin.GetParameter(index);
        }
        ++counts.automations;
        if (!(readBack >= 0.0f && readBack <= 1.0f)) {
            failure.Set("parameter " + std::to_string(index) + " set to " + std::to_string(value) + " reads back " +
                        std::to_string(readBack) + ", outside 0..1");
        }
    }
}

void StressRun::RequestThread(PluginInstance& plugin, uint64_t seed, const std::atomic<bool>& stop)
{
    std::mt19937_64 random(seed);
    const auto pick = [&](int count) { return count > 0 ? static_cast<int>(random() % count) : 0; };
    while (!stop && !failure.Failed()) {
        switch (random() % 5) {
        case 0: {
            Activity activity("effSetProgram and program names");
            plugin.SelectProgram(pick(plugin.ProgramCount()));
            plugin.Text(effGetProgramName);
            plugin.ProgramName(pick(plugin.ProgramCount()));
            break;
        }
        case 1: {
            Activity activity("effGetChunk and effSetChunk of a program");
            plugin.SetChunk(plugin.GetChunk(false), false);
            break;
        }
        case 2: {
            Activity activity("effGetChunk and effSetChunk of a bank");
            plugin.SetChunk(plugin.GetChunk(true), true);
            break;
        }
        case 3: {
            Activity activity("parameter name, label and display texts");
            const int index = pick(plugin.ParameterCount());
            plugin.ParameterName(index);
            plugin.ParameterLabel(index);
            plugin.ParameterDisplay(index);
            break;
        }
        default: {
            Activity activity("effect, vendor and product names, effIdle");
            plugin.Text(effGetEffectName);
            plugin.Text(effGetVendorString);
            plugin.Text(effGetProductString);
            plugin.Dispatch(effIdle);
            break;
        }
        }
        ++counts.requests;
    }
}

// Audio, automation and host requests on three threads against one running instance.
void StressRun::ThreadedSession(double seconds, bool doublePrecision)
{
    auto plugin = NewInstance();
    {
        Activity activity("starting (sample rate, block size, mains on)");
        plugin->Start(kRate, kAnnouncedBlock, doublePrecision);
    }
    std::atomic<bool> stop{false};
    std::thread audio([&, seed = rng()] {
        if (doublePrecision) {
            AudioThread<double>(*plugin, seed, stop);
        } else {
            AudioThread<float>(*plugin, seed, stop);
        }
    });
    std::thread automation([&, seed = rng()] { AutomationThread(*plugin, seed, stop); });
    std::thread requests([&, seed = rng()] { RequestThread(*plugin, seed, stop); });
    const auto end = TimeAfter(seconds);
    while (Clock::now() < end && !failure.Failed()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    stop = true;
    audio.join();
    automation.join();
    requests.join();
    failure.ThrowIfSet();
    Activity activity("stopping and closing an instance");
    plugin.reset();
}

// Random bytes and every truncation of a valid chunk: never a crash, and the instance
// still sounds and restores its valid state afterwards.
void StressRun::AbuseChunks()
{
    auto plugin = NewInstance();
    std::vector<uint8_t> noise(kRandomChunkBytes);
    for (uint8_t& b : noise) {
        b = static_cast<uint8_t>(rng());
    }
    for (bool bank : {false, true}) {
        const std::vector<uint8_t> valid = plugin->GetChunk(bank);
        {
            Activity activity("effSetChunk with a megabyte of random bytes");
            plugin->SetChunk(noise, bank);
            const size_t sameLength = std::min(valid.size(), noise.size());
            plugin->SetChunk(std::vector<uint8_t>(noise.begin(), noise.begin() + sameLength), bank);
            counts.chunkTrials += 2;
        }
        const size_t step = valid.size() > kMaxTruncations ? valid.size() / kMaxTruncations + 1 : 1;
        for (size_t n = 0; n < valid.size(); n += step) {
            Activity activity("effSetChunk with a truncated chunk");
            plugin->SetChunk(std::vector<uint8_t>(valid.begin(), valid.begin() + n), bank);
            ++counts.chunkTrials;
        }
        if (!valid.empty()) {
            Activity activity("effSetChunk with the valid chunk after damaged ones");
            if (!plugin->SetChunk(valid, bank)) {
                throw HostError(std::string("stress: the plug-in refused its own valid ") +
                                (bank ? "bank" : "program") + " chunk after damaged ones");
            }
        }
    }
    CheckStillSound(*plugin, "damaged chunks");
    failure.ThrowIfSet();
}

// Random settings saved, loaded into a fresh instance and saved again: the same bytes.
void StressRun::CheckStateRoundTrip()
{
    auto first = NewInstance();
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    if (first->ProgramCount() > 1) {
        first->SelectProgram(static_cast<int>(rng() % static_cast<uint64_t>(first->ProgramCount())));
    }
    for (int i = 0; i < first->ParameterCount(); ++i) {
        first->SetParameter(i, unit(rng));
    }
    for (bool bank : {false, true}) {
        Activity activity("a state saved, restored into a fresh instance and saved again");
        const std::vector<uint8_t> saved = first->GetChunk(bank);
        auto second = NewInstance();
        const char* kind = bank ? "bank" : "program";
        if (!second->SetChunk(saved, bank)) {
            throw HostError(std::string("stress: a fresh instance refused the ") + kind + " chunk of another");
        }
        if (second->GetChunk(bank) != saved) {
            throw HostError(std::string("stress: a ") + kind +
                            " chunk restored into a fresh instance does not come back byte for byte");
        }
    }
}

// For plug-ins without chunks the state is the parameter values.
void StressRun::CheckParameterRoundTrip()
{
    auto first = NewInstance();
    auto second = NewInstance();
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Activity activity("parameter values copied into a fresh instance");
    for (int i = 0; i < first->ParameterCount(); ++i) {
        first->SetParameter(i, unit(rng));
    }
    for (int i = 0; i < first->ParameterCount(); ++i) {
        second->SetParameter(i, first->GetParameter(i));
    }
    for (int i = 0; i < first->ParameterCount(); ++i) {
        if (second->GetParameter(i) != first->GetParameter(i)) {
            throw HostError("stress: parameter " + std::to_string(i) + " reads " +
                            std::to_string(second->GetParameter(i)) + " after being set to " +
                            std::to_string(first->GetParameter(i)));
        }
    }
}

void StressRun::Run()
{
    {
        auto probe = NewInstance();
        chunks = !probe->GetChunk(false).empty();
        canDouble = probe->HasFlag(effFlagsCanDoubleReplacing);
    }
    do {
        ChurnInstances();
        // Every other session in double precision, when the plug-in has it.
        ThreadedSession(std::clamp(Remaining() * 0.6, 0.2, 2.0), canDouble && rounds % 2 == 1);
        AbuseChunks();
        if (chunks) {
            CheckStateRoundTrip();
        } else {
            CheckParameterRoundTrip();
        }
        ++rounds;
    } while (Remaining() > 0.0);
}

void StressRun::PrintSummary(double seconds) const
{
    std::printf("stress: %s passed %d rounds in %.1f s: %ld instances, %ld blocks (%ld frames), %ld parameter "
                "changes, %ld host requests, %ld damaged chunks%s\n",
                library.Path().c_str(), rounds, seconds, counts.instances.load(), counts.blocks.load(),
                counts.frames.load(), counts.automations.load(), counts.requests.load(), counts.chunkTrials.load(),
                chunks ? "" : " (no chunks: parameter values round-tripped instead)");
}
}  // namespace

int RunStress(const std::vector<std::string>& args)
{
    const Arguments arguments(args, {{"seconds", true, false},
                                     {"hang-limit", true, false},
                                     {"seed", true, false},
                                     {"sequence", false, false},
                                     {"script", true, false},
                                     {"strict", false, false},
                                     {"keep-script", true, false}});
    arguments.ExpectPositionals(1, 1, "ruckhost stress PLUGIN [--seconds N] [--hang-limit S] [--seed N] "
                                      "[--sequence [--keep-script FILE] | --script FILE] [--strict]");
    const double seconds = arguments.Number("seconds", 10.0, 0.1, 86400.0);
    const double hangLimit = arguments.Number("hang-limit", 10.0, 0.1, 3600.0);
    const auto seed = static_cast<uint64_t>(arguments.Integer("seed", 1, 0, 0x7FFFFFFF));
    const std::string& path = arguments.Positionals()[0];
    if (IsClapPath(path) || IsVst3Path(path)) {
        if (arguments.Has("sequence") || arguments.Has("script") || arguments.Has("strict")) {
            throw HostError("--sequence, --script and --strict are for VST2 plug-ins, not " + path);
        }
        const HangWatch watch(hangLimit);
        return IsClapPath(path) ? RunClapStress(path, seconds, seed) : RunVst3Stress(path, seconds, seed);
    }
    const PluginLibrary library(path);
    const HangWatch watch(hangLimit);
    if (arguments.Has("sequence") || arguments.Has("script")) {
        return RunSequenceStress(library, {seconds, seed, arguments.Has("strict"), arguments.Text("script", ""),
                                           arguments.Text("keep-script", "")});
    }
    const auto start = Clock::now();
    StressRun run(library, seconds, seed);
    run.Run();
    run.PrintSummary(std::chrono::duration<double>(Clock::now() - start).count());
    return 0;
}
