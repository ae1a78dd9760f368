#include "stress_clap.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "activity.h"
#include "clap_audio.h"
#include "clap_host.h"
#include "host_error.h"
#include "stress_rounds.h"

namespace {
constexpr uint32_t kMaxBlock = 1024;
constexpr int kMostEventsPerBlock = 4;

class ClapStressRun final : public StressRounds<ClapInstance> {
public:
    ClapStressRun(const std::string& path, double seconds, uint64_t seed);
    void PrintSummary(double seconds) const;

private:
    void Probe() override;
    std::unique_ptr<ClapInstance> NewInstance() override;
    bool Activate(ClapInstance& plug, double rate, bool doublePrecision) override;
    void Deactivate(ClapInstance& plug) override;
    void CheckStillSound(ClapInstance& plug, const char* after) override;
    void ThreadedSession(double seconds, bool doublePrecision) override;
    void DamagedStates() override;
    void CheckStateRoundTrip() override;
    const ClapPreset* RandomPreset();
    template <typename T>
    bool ProcessBlock(ClapInstance& plug, ClapAudio<T>& audio, const std::vector<clap::ParamInfo>& infos,
                      uint32_t frames, std::mt19937_64& random);
    template <typename T>
    void AudioThread(ClapInstance& plug, const ClapPorts& ports, const std::vector<clap::ParamInfo>& infos,
                     uint64_t seed, const std::atomic<bool>& stop);
    void MainThreadRequest(ClapInstance& plug, const std::vector<clap::ParamInfo>& infos);
    void CheckValues(const ClapInstance& plug, const std::vector<clap::ParamInfo>& infos, const char* after);

    ClapFile file;
    std::vector<ClapPreset> presets;
};

ClapStressRun::ClapStressRun(const std::string& plugin, double seconds, uint64_t seed)
    : StressRounds(plugin, seconds, seed), file(plugin)
{
    if (!file.Loaded()) {
        throw HostError(file.Error());
    }
    const clap::PluginDescriptor* first = file.FirstDescriptor();
    if (first == nullptr || first->id == nullptr) {
        throw HostError(path + ": the factory describes no plug-in");
    }
    const std::string id = first->id;
    std::vector<std::string> errors;
    for (const ClapPreset& preset : DiscoverPresets(file, errors)) {
        if (std::find(preset.pluginIds.begin(), preset.pluginIds.end(), "clap:" + id) != preset.pluginIds.end()) {
            presets.push_back(preset);
        }
    }
}

std::unique_ptr<ClapInstance> ClapStressRun::NewInstance()
{
    Activity activity("create_plugin and init");
    auto plug = std::make_unique<ClapInstance>(file);
    if (!plug->Ok()) {
        throw HostError("stress: " + path + ": " + plug->Error());
    }
    ++counts.instances;
    return plug;
}

void ClapStressRun::Probe()
{
    auto probe = NewInstance();
    canDouble = ReadPorts(*probe).All64();
}

// Sample sizes are chosen per block in CLAP, not at activation.
bool ClapStressRun::Activate(ClapInstance& plug, double rate, bool)
{
    Activity activity("activate");
    ++counts.activations;
    return plug.Activate(rate, 1, kMaxBlock);
}

void ClapStressRun::Deactivate(ClapInstance& plug)
{
    Activity activity("deactivate");
    plug.Deactivate();
}

const ClapPreset* ClapStressRun::RandomPreset()
{
    return presets.empty() ? nullptr : &presets[rng() % presets.size()];
}

// One block of a random kind of input with parameter changes at random frames; false (and
// the failure set) when the output is not finite.
template <typename T>
bool ClapStressRun::ProcessBlock(ClapInstance& plug, ClapAudio<T>& audio, const std::vector<clap::ParamInfo>& infos,
                                 uint32_t frames, std::mt19937_64& random)
{
    const InputKind kind = RandomKind(random);
    audio.Fill(frames, [&](size_t, uint32_t) { return SampleFor<T>(kind, random); });
    HostInputEvents events;
    std::vector<uint32_t> times(infos.empty() ? 0 : random() % (kMostEventsPerBlock + 1));
    for (uint32_t& time : times) {
        time = static_cast<uint32_t>(random() % frames);
    }
    std::sort(times.begin(), times.end());
    for (uint32_t time : times) {
        const clap::ParamInfo& info = infos[random() % infos.size()];
        events.AddValue(time, info.id, RandomValue(info, random), clap::kCoreEventSpace, info.cookie);
    }
    int32_t status;
    {
        Activity activity(sizeof(T) == sizeof(double) ? "process (64-bit)" : "process (32-bit)");
        status = audio.Process(plug, frames, &events);
    }
    ++counts.blocks;
    counts.frames += frames;
    counts.changes += static_cast<long>(times.size());
    const std::string bad = status == clap::kProcessError ? "process reports an error" : audio.BadOutput(frames, false);
    if (!bad.empty()) {
        failure.Set(bad + " for " + KindName(kind) + " input (" + std::to_string(sizeof(T) * 8) + "-bit, " +
                    std::to_string(times.size()) + " parameter events)");
        return false;
    }
    return true;
}

// Starts processing on an audio thread, gives the instance a block of noise and stops.
void ClapStressRun::CheckStillSound(ClapInstance& plug, const char* after)
{
    const ClapPorts ports = ReadPorts(plug);
    ActivateOrThrow(plug, kRates[0], false, after);
    ClapAudio<float> audio(ports, kMaxBlock);
    std::mt19937_64 random(rng());
    OnAudioThread([&] {
        Activity activity("start_processing, process and stop_processing");
        if (!plug.StartProcessing()) {
            failure.Set(std::string("the plug-in refuses to start processing after ") + after);
            return;
        }
        audio.Fill(kMaxBlock, [&](size_t, uint32_t) { return SampleFor<float>(InputKind::Noise, random); });
        const int32_t status = audio.Process(plug, kMaxBlock);
        const std::string bad = status == clap::kProcessError ? "process reports an error" : audio.BadOutput(kMaxBlock, false);
        if (!bad.empty()) {
            failure.Set(bad + " for noise after " + after);
        }
        plug.StopProcessing();
    });
    Deactivate(plug);
    failure.ThrowIfSet();
}

template <typename T>
void ClapStressRun::AudioThread(ClapInstance& plug, const ClapPorts& ports, const std::vector<clap::ParamInfo>& infos,
                                uint64_t seed, const std::atomic<bool>& stop)
{
    std::mt19937_64 random(seed);
    ClapAudio<T> audio(ports, kMaxBlock);
    {
        Activity activity("start_processing");
        if (!plug.StartProcessing()) {
            failure.Set("the plug-in refuses to start processing");
            return;
        }
    }
    while (!stop && !failure.Failed() && ProcessBlock(plug, audio, infos, RandomBlockSize(random, kMaxBlock), random)) {
        if (random() % 64 == 0) {
            Activity activity("stop_processing and start_processing");
            plug.StopProcessing();
            if (!plug.StartProcessing()) {
                failure.Set("the plug-in refuses to start processing again after stop_processing");
                return;
            }
        } else if (random() % 64 == 0) {
            Activity activity("reset");
            plug.plugin->reset(plug.plugin);
        }
    }
    Activity activity("stop_processing");
    plug.StopProcessing();
}

void ClapStressRun::CheckValues(const ClapInstance& plug, const std::vector<clap::ParamInfo>& infos,
                                const char* after)
{
    const std::string wrong = plug.ValueOutOfRange(infos);
    if (!wrong.empty()) {
        failure.Set(wrong + " after " + after);
    }
}

// One thing a host's main thread asks while the audio thread processes.
void ClapStressRun::MainThreadRequest(ClapInstance& plug, const std::vector<clap::ParamInfo>& infos)
{
    switch (rng() % 5) {
    case 0: {
        Activity activity("state.save, then state.load of the saved state");
        const std::vector<uint8_t> saved = plug.State();
        if (!saved.empty() && !plug.LoadState(saved)) {
            failure.Set("the plug-in refuses its own state while processing");
        }
        break;
    }
    case 1: {
        Activity activity("state.load of a damaged state");
        plug.LoadState(Damaged(plug.State()));
        CheckValues(plug, infos, "a damaged state while processing");
        break;
    }
    case 2: {
        Activity activity("params get_value, value_to_text and text_to_value");
        if (!infos.empty()) {
            const clap::ParamInfo& info = infos[rng() % infos.size()];
            double value = 0.0;
            plug.TextValue(info.id, plug.ValueText(info.id, plug.Value(info.id)), value);
        }
        CheckValues(plug, infos, "queries while processing");
        break;
    }
    case 3: {
        Activity activity("preset-load from_location");
        const ClapPreset* preset = RandomPreset();
        if (preset != nullptr && !plug.LoadPreset(*preset)) {
            failure.Set("the plug-in refuses its own preset " + preset->name + " while processing");
        }
        break;
    }
    default: {
        Activity activity("params get_info and latency");
        plug.ParamAt(static_cast<uint32_t>(rng() % (infos.size() + 1)));
        const auto* latency =
            static_cast<const clap::PluginLatency*>(plug.plugin->get_extension(plug.plugin, clap::kExtLatency));
        if (latency != nullptr && latency->get != nullptr) {
            latency->get(plug.plugin);
        }
        break;
    }
    }
}

// Processing on an audio thread with parameter events, while this (the main) thread saves,
// loads, damages states, loads presets and asks for values and texts.
void ClapStressRun::ThreadedSession(double seconds, bool doublePrecision)
{
    auto plug = NewInstance();
    if (const ClapPreset* preset = RandomPreset(); preset != nullptr && rounds % 2 == 1) {
        Activity activity("preset-load from_location");
        plug->LoadPreset(*preset);
    }
    const std::vector<clap::ParamInfo> infos = plug->ParamInfos();
    const ClapPorts ports = ReadPorts(*plug);
    if (!ports.error.empty()) {
        throw HostError("stress: " + ports.error);
    }
    ActivateOrThrow(*plug, RandomRate(), doublePrecision);
    std::atomic<bool> stop{false};
    std::thread audio([&, seed = rng()] {
        if (doublePrecision) {
            AudioThread<double>(*plug, ports, infos, seed, stop);
        } else {
            AudioThread<float>(*plug, ports, infos, seed, stop);
        }
    });
    RequestFor(seconds, [&] { MainThreadRequest(*plug, infos); });
    stop = true;
    audio.join();
    failure.ThrowIfSet();
    Activity activity("deactivate and destroy");
    plug.reset();
}

// Random bytes and every truncation of a valid state: refused, or values left in range;
// afterwards the valid state still loads and the instance still sounds.
void ClapStressRun::DamagedStates()
{
    auto plug = NewInstance();
    const std::vector<clap::ParamInfo> infos = plug->ParamInfos();
    const std::vector<uint8_t> valid = plug->State();
    LoadDamagedForms(valid, [&](const std::vector<uint8_t>& damaged, const char* what) {
        Activity activity("state.load of a damaged state");
        plug->LoadState(damaged);
        CheckValues(*plug, infos, what);
    });
    if (!valid.empty()) {
        Activity activity("state.load of the valid state after damaged ones");
        if (!plug->LoadState(valid)) {
            throw HostError("stress: the plug-in refuses its own valid state after damaged ones");
        }
    }
    CheckStillSound(*plug, "damaged states");
}

// Random values (after a random preset) saved, loaded into a fresh instance and saved
// again: the same bytes.
void ClapStressRun::CheckStateRoundTrip()
{
    auto first = NewInstance();
    if (const ClapPreset* preset = RandomPreset()) {
        Activity activity("preset-load from_location");
        first->LoadPreset(*preset);
    }
    HostInputEvents changes;
    for (const clap::ParamInfo& info : first->ParamInfos()) {
        if (rng() % 2 == 0) {
            changes.AddValue(0, info.id, RandomValue(info, rng), clap::kCoreEventSpace, info.cookie);
        }
    }
    Activity activity("a state saved, loaded into a fresh instance and saved again");
    first->Flush(&changes, nullptr);
    const std::vector<uint8_t> saved = first->State();
    if (saved.empty()) {
        return;
    }
    auto second = NewInstance();
    if (!second->LoadState(saved)) {
        throw HostError("stress: a fresh instance refuses the state of another");
    }
    if (second->State() != saved) {
        throw HostError("stress: a state restored into a fresh instance does not come back byte for byte");
    }
}

void ClapStressRun::PrintSummary(double seconds) const
{
    StressRounds::PrintSummary(seconds, "CLAP", "parameter events",
                               canDouble ? "" : " (32-bit only: the ports do not take 64-bit samples)");
}
}  // namespace

int RunClapStress(const std::string& path, double seconds, uint64_t seed)
{
    return RunStressRounds<ClapStressRun>(path, seconds, seed);
}
