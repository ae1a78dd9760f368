#include "stress_vst3.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "activity.h"
#include "host_error.h"
#include "stress_rounds.h"
#include "vst3_host.h"

using namespace vst3;

namespace {
constexpr int kMaxBlock = 1024;
constexpr int kChannels = 2;
constexpr int kMostChangesPerBlock = 4;
constexpr double kNoProgram = -1.0;

// Stereo buffers of `Sample` for blocks of up to kMaxBlock frames.
template <typename Sample>
struct StereoBuffers {
    StereoBuffers() : in(kChannels, std::vector<Sample>(kMaxBlock)), out(in)
    {
        for (int c = 0; c < kChannels; ++c) {
            inPointers[c] = in[c].data();
            outPointers[c] = out[c].data();
        }
    }
    std::vector<std::vector<Sample>> in;
    std::vector<std::vector<Sample>> out;
    Sample* inPointers[kChannels];
    Sample* outPointers[kChannels];
};

tresult ProcessWith(Vst3Instance& plug, StereoBuffers<float>& audio, int frames, IParameterChanges* changes)
{
    return plug.Process32(audio.inPointers, audio.outPointers, kChannels, frames, changes);
}

tresult ProcessWith(Vst3Instance& plug, StereoBuffers<double>& audio, int frames, IParameterChanges* changes)
{
    return plug.Process64(audio.inPointers, audio.outPointers, kChannels, frames, changes);
}

// A normalised value as hosts send them: mostly anywhere in 0..1, sometimes an end.
double RandomNormalized(std::mt19937_64& rng)
{
    switch (rng() % 8) {
    case 0:
        return 0.0;
    case 1:
        return 1.0;
    default:
        return std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    }
}

// The bytes a stream-taking call receives, read from the start.
template <typename Call>
tresult WithStream(const std::vector<uint8_t>& bytes, Call call)
{
    HostStream stream(bytes);
    return call(&stream);
}

std::vector<uint8_t> ControllerState(Vst3Instance& plug)
{
    HostStream stream;
    return plug.controller->getState(&stream) == kResultOk ? stream.bytes : std::vector<uint8_t>{};
}

bool SetControllerState(Vst3Instance& plug, const std::vector<uint8_t>& bytes)
{
    return WithStream(bytes, [&](IBStream* s) { return plug.controller->setState(s); }) == kResultOk;
}

class Vst3StressRun final : public StressRounds<Vst3Instance> {
public:
    Vst3StressRun(const std::string& path, double seconds, uint64_t seed);
    void PrintSummary(double seconds) const;

private:
    void Probe() override;
    std::unique_ptr<Vst3Instance> NewInstance() override;
    bool Activate(Vst3Instance& plug, double rate, bool sample64) override;
    void Deactivate(Vst3Instance& plug) override;
    void CheckStillSound(Vst3Instance& plug, const char* after) override;
    void ThreadedSession(double seconds, bool sample64) override;
    void DamagedStates() override;
    void CheckStateRoundTrip() override;
    void AddChange(HostParameterChanges& changes, ParamID id, int32_t offset, double value);
    template <typename T>
    bool ProcessBlock(Vst3Instance& plug, StereoBuffers<T>& audio, int frames, std::mt19937_64& random);
    template <typename T>
    void AudioThread(Vst3Instance& plug, uint64_t seed, const std::atomic<bool>& stop);
    void MainThreadRequest(Vst3Instance& plug);
    void SelectProgram(Vst3Instance& plug);
    void CheckValues(Vst3Instance& plug, const char* after);
    void LoadDamaged(Vst3Instance& plug, const std::vector<uint8_t>& bytes, const char* after);

    Vst3Bundle bundle;
    std::vector<ParameterInfo> infos;
    const ParameterInfo* programParameter = nullptr;
    // A program the main thread selected, for the audio thread to pass on to the processor.
    std::atomic<double> pendingProgram{kNoProgram};
};

Vst3StressRun::Vst3StressRun(const std::string& plugin, double seconds, uint64_t seed)
    : StressRounds(plugin, seconds, seed), bundle(plugin)
{
    if (!bundle.Loaded()) {
        throw HostError(bundle.Error());
    }
}

std::unique_ptr<Vst3Instance> Vst3StressRun::NewInstance()
{
    Activity activity("createInstance, initialize and connection of component and controller");
    auto plug = std::make_unique<Vst3Instance>(bundle);
    if (!plug->Ok()) {
        throw HostError("stress: " + path + ": " + plug->Error());
    }
    ++counts.instances;
    return plug;
}

bool Vst3StressRun::Activate(Vst3Instance& plug, double rate, bool sample64)
{
    Activity activity("setBusArrangements, setupProcessing and setActive(true)");
    ++counts.activations;
    return plug.Activate(rate, kMaxBlock, sample64, kSpeakerStereo);
}

void Vst3StressRun::Deactivate(Vst3Instance& plug)
{
    Activity activity("setActive(false)");
    plug.Deactivate();
}

void Vst3StressRun::AddChange(HostParameterChanges& changes, ParamID id, int32_t offset, double value)
{
    changes.Add(id, offset, value);
    ++counts.changes;
}

// One block of a random kind of input with parameter changes at random offsets (a program
// the main thread selected first); false (and the failure set) when the output is not finite.
template <typename T>
bool Vst3StressRun::ProcessBlock(Vst3Instance& plug, StereoBuffers<T>& audio, int frames, std::mt19937_64& random)
{
    const InputKind kind = RandomKind(random);
    for (auto& channel : audio.in) {
        std::generate_n(channel.begin(), frames, [&] { return SampleFor<T>(kind, random); });
    }
    HostParameterChanges changes;
    if (const double program = pendingProgram.exchange(kNoProgram); program != kNoProgram) {
        AddChange(changes, programParameter->id, 0, program);
    }
    std::vector<int32_t> offsets(infos.empty() ? 0 : random() % (kMostChangesPerBlock + 1));
    for (int32_t& offset : offsets) {
        offset = static_cast<int32_t>(random() % static_cast<uint32_t>(frames));
    }
    std::sort(offsets.begin(), offsets.end());
    for (int32_t offset : offsets) {
        AddChange(changes, infos[random() % infos.size()].id, offset, RandomNormalized(random));
    }
    tresult result;
    {
        Activity activity(sizeof(T) == sizeof(double) ? "process (64-bit)" : "process (32-bit)");
        result = ProcessWith(plug, audio, frames, &changes);
    }
    ++counts.blocks;
    counts.frames += frames;
    const std::string bad =
        result != kResultOk ? "process reports an error" : NonFiniteOutput(audio.outPointers, kChannels, frames);
    if (!bad.empty()) {
        failure.Set(bad + " for " + KindName(kind) + " input (" + std::to_string(sizeof(T) * 8) + "-bit, " +
                    std::to_string(changes.getParameterCount()) + " parameters changed)");
        return false;
    }
    return true;
}

// Activates, processes a block of noise on an audio thread and deactivates.
void Vst3StressRun::CheckStillSound(Vst3Instance& plug, const char* after)
{
    ActivateOrThrow(plug, kRates[0], false, after);
    StereoBuffers<float> audio;
    std::mt19937_64 random(rng());
    OnAudioThread([&] {
        Activity activity("setProcessing(true), process and setProcessing(false)");
        plug.SetProcessing(true);
        for (auto& channel : audio.in) {
            std::generate(channel.begin(), channel.end(), [&] { return SampleFor<float>(InputKind::Noise, random); });
        }
        const tresult result = ProcessWith(plug, audio, kMaxBlock, nullptr);
        const std::string bad =
            result != kResultOk ? "process reports an error" : NonFiniteOutput(audio.outPointers, kChannels, kMaxBlock);
        if (!bad.empty()) {
            failure.Set(bad + " for noise after " + after);
        }
        plug.SetProcessing(false);
    });
    Deactivate(plug);
    failure.ThrowIfSet();
}

template <typename T>
void Vst3StressRun::AudioThread(Vst3Instance& plug, uint64_t seed, const std::atomic<bool>& stop)
{
    std::mt19937_64 random(seed);
    StereoBuffers<T> audio;
    {
        Activity activity("setProcessing(true)");
        plug.SetProcessing(true);
    }
    while (!stop && !failure.Failed() &&
           ProcessBlock(plug, audio, static_cast<int>(RandomBlockSize(random, kMaxBlock)), random)) {
        if (random() % 64 == 0) {
            Activity activity("setProcessing(false) and setProcessing(true)");
            plug.SetProcessing(false);
            plug.SetProcessing(true);
        }
    }
    Activity activity("setProcessing(false)");
    plug.SetProcessing(false);
}

void Vst3StressRun::CheckValues(Vst3Instance& plug, const char* after)
{
    for (const ParameterInfo& info : infos) {
        const double value = plug.controller->getParamNormalized(info.id);
        if (!(value >= 0.0 && value <= 1.0)) {
            failure.Set("parameter " + FromUtf16(info.title, std::size(info.title)) + " has the normalised value " +
                        std::to_string(value) + " after " + after);
            return;
        }
    }
}

// A program through the program parameter, as hosts select one: the controller told at
// once, the processor by a change in its next block.
void Vst3StressRun::SelectProgram(Vst3Instance& plug)
{
    if (programParameter == nullptr) {
        return;
    }
    const int32_t steps = std::max(programParameter->stepCount, 1);
    const double value = static_cast<double>(rng() % static_cast<uint32_t>(steps + 1)) / steps;
    plug.controller->setParamNormalized(programParameter->id, value);
    pendingProgram = value;
}

// One thing a host's main thread asks while the audio thread processes.
void Vst3StressRun::MainThreadRequest(Vst3Instance& plug)
{
    plug.handler.edits.clear();
    switch (rng() % 5) {
    case 0: {
        Activity activity("getState, then setState and setComponentState of the saved state");
        if (!plug.SetState(plug.State())) {
            failure.Set("the plug-in refuses its own state while processing");
        }
        break;
    }
    case 1: {
        Activity activity("setState, setComponentState and controller setState of a damaged state");
        LoadDamaged(plug, Damaged(rng() % 2 ? plug.State() : ControllerState(plug)), "a damaged state while processing");
        break;
    }
    case 2: {
        Activity activity("getParamNormalized, getParamStringByValue and getParamValueByString");
        if (!infos.empty()) {
            const ParamID id = infos[rng() % infos.size()].id;
            double value = 0.0;
            plug.ValueFromText(id, plug.ValueText(id, plug.controller->getParamNormalized(id)), value);
            plug.controller->plainParamToNormalized(id, plug.controller->normalizedParamToPlain(id, value));
        }
        CheckValues(plug, "queries while processing");
        break;
    }
    case 3: {
        Activity activity("setParamNormalized of the program parameter");
        SelectProgram(plug);
        CheckValues(plug, "a program change while processing");
        break;
    }
    default: {
        Activity activity("controller getState and setState, getParameterInfo, getLatencySamples");
        if (!SetControllerState(plug, ControllerState(plug))) {
            failure.Set("the controller refuses its own state while processing");
        }
        plug.ParameterAt(static_cast<int>(rng() % (infos.size() + 1)));
        plug.processor->getLatencySamples();
        plug.processor->getTailSamples();
        break;
    }
    }
}

// Processing on an audio thread with parameter changes, while this (the main) thread
// saves, loads, damages states, selects programs and asks for values and texts.
void Vst3StressRun::ThreadedSession(double seconds, bool sample64)
{
    auto plug = NewInstance();
    ActivateOrThrow(*plug, RandomRate(), sample64);
    std::atomic<bool> stop{false};
    std::thread audio([&, seed = rng()] {
        if (sample64) {
            AudioThread<double>(*plug, seed, stop);
        } else {
            AudioThread<float>(*plug, seed, stop);
        }
    });
    RequestFor(seconds, [&] { MainThreadRequest(*plug); });
    stop = true;
    audio.join();
    pendingProgram = kNoProgram;
    failure.ThrowIfSet();
    Activity activity("setActive(false), terminate and release");
    plug.reset();
}

// The damaged bytes as the component's state, the controller's copy of it and the
// controller's own state: each refused, or every value left in 0..1.
void Vst3StressRun::LoadDamaged(Vst3Instance& plug, const std::vector<uint8_t>& bytes, const char* after)
{
    WithStream(bytes, [&](IBStream* s) { return plug.component->setState(s); });
    WithStream(bytes, [&](IBStream* s) { return plug.controller->setComponentState(s); });
    SetControllerState(plug, bytes);
    CheckValues(plug, after);
}

// Random bytes and every truncation of a valid state of the component and of the
// controller; afterwards the valid states still load and the instance still sounds.
void Vst3StressRun::DamagedStates()
{
    auto plug = NewInstance();
    const std::vector<uint8_t> valid = plug->State();
    const std::vector<uint8_t> validController = ControllerState(*plug);
    for (const std::vector<uint8_t>* state : {&valid, &validController}) {
        LoadDamagedForms(*state, [&](const std::vector<uint8_t>& damaged, const char* what) {
            Activity activity("setState, setComponentState and controller setState of a damaged state");
            LoadDamaged(*plug, damaged, what);
        });
    }
    {
        Activity activity("setState and setComponentState of the valid state after damaged ones");
        if (!plug->SetState(valid)) {
            throw HostError("stress: the plug-in refuses its own valid state after damaged ones");
        }
        if (!SetControllerState(*plug, validController)) {
            throw HostError("stress: the controller refuses its own valid state after damaged ones");
        }
    }
    CheckStillSound(*plug, "damaged states");
}

// A random program and random values, sent to the processor and the controller, saved,
// loaded into a fresh instance and saved again: the same bytes, component and controller.
void Vst3StressRun::CheckStateRoundTrip()
{
    auto first = NewInstance();
    HostParameterChanges changes;
    SelectProgram(*first);
    if (const double program = pendingProgram.exchange(kNoProgram); program != kNoProgram) {
        changes.Add(programParameter->id, 0, program);
    }
    for (const ParameterInfo& info : infos) {
        if (&info != programParameter && rng() % 2 == 0) {
            const double value = RandomNormalized(rng);
            changes.Add(info.id, 0, value);
            first->controller->setParamNormalized(info.id, value);
        }
    }
    ActivateOrThrow(*first, kRates[0], false);
    OnAudioThread([&] {
        Activity activity("setProcessing(true), process of parameter changes only, setProcessing(false)");
        first->SetProcessing(true);
        first->Flush(&changes);
        first->SetProcessing(false);
    });
    Activity activity("getState, then setState into a fresh instance and getState again");
    Deactivate(*first);
    const std::vector<uint8_t> saved = first->State();
    const std::vector<uint8_t> savedController = ControllerState(*first);
    auto second = NewInstance();
    if (!saved.empty() && !second->SetState(saved)) {
        throw HostError("stress: a fresh instance refuses the state of another");
    }
    if (!savedController.empty() && !SetControllerState(*second, savedController)) {
        throw HostError("stress: a fresh controller refuses the state of another");
    }
    if (second->State() != saved || ControllerState(*second) != savedController) {
        throw HostError("stress: a state restored into a fresh instance does not come back byte for byte");
    }
}

void Vst3StressRun::Probe()
{
    {
        auto probe = NewInstance();
        canDouble = probe->processor->canProcessSampleSize(kSample64) == kResultOk;
        for (int i = 0; i < probe->ParameterCount(); ++i) {
            infos.push_back(probe->ParameterAt(i));
        }
    }
    const auto program = std::find_if(infos.begin(), infos.end(),
                                      [](const ParameterInfo& info) { return (info.flags & kIsProgramChange) != 0; });
    programParameter = program == infos.end() ? nullptr : &*program;
}

void Vst3StressRun::PrintSummary(double seconds) const
{
    std::string notes = canDouble ? "" : " (32-bit only: the processor does not take 64-bit samples)";
    if (programParameter == nullptr) {
        notes += " (no program parameter)";
    }
    StressRounds::PrintSummary(seconds, "VST3", "parameter changes", notes);
}
}  // namespace

int RunVst3Stress(const std::string& path, double seconds, uint64_t seed)
{
    return RunStressRounds<Vst3StressRun>(path, seconds, seed);
}
