#include "clap_checks.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <random>
#include <set>

#include "clap_audio.h"
#include "clap_host.h"

namespace {
constexpr double kRate = 44100.0;
constexpr uint32_t kBlock = 512;
constexpr int kBlocks = 5;
constexpr double kScanWarningMs = 100.0;
constexpr size_t kRandomStateBytes = 1 << 20;
constexpr int kRandomStates = 3;
constexpr int kFuzzRounds = 50;
constexpr int kFuzzBlocks = 5;
constexpr uint32_t kRandomBlockMax = 4096;
constexpr int kRandomBlocks = 100;
constexpr int kQuietBlocks = 20;
constexpr uint64_t kSeed = 20260101;
constexpr double kTwoPi = 6.283185307179586;
const char kUnknownFactory[] = "clap.plugin-factory.that-does-not-exist";

struct Outcome {
    bool passed = false;
    std::string detail;
};

Outcome Pass(const std::string& note = "")
{
    return {true, note};
}

Outcome Fail(const std::string& reason)
{
    return {false, reason};
}

// The plug-in a check is about, in its file.
struct Subject {
    const ClapFile& file;
    std::string id;
};

std::string Text(const char* text)
{
    return text != nullptr ? text : "";
}

// A two-tone test signal, different on each channel, continuous across blocks.
double TestSignal(size_t channel, uint64_t frame)
{
    const double t = static_cast<double>(frame) / kRate;
    return 0.5 * std::sin(kTwoPi * (110.0 + 55.0 * static_cast<double>(channel)) * t) +
           0.25 * std::sin(kTwoPi * 1733.0 * t);
}

using Source = std::function<double(size_t channel, uint64_t frame)>;

// One instance with buffers for all its ports; Start activates it and starts processing.
template <typename Sample>
class Session {
public:
    explicit Session(const Subject& s, uint32_t maxBlock = kBlock, bool inPlace = false)
        : plug(s.file, s.id), ports(ReadPorts(plug)), audio(ports, maxBlock, inPlace)
    {
        error = !plug.Ok() ? plug.Error() : ports.error;
    }

    bool Start(double rate = kRate)
    {
        if (error.empty() && !plug.Start(rate, audio.MaxFrames())) {
            error = "the plug-in refuses to activate and start at " + std::to_string(rate) + " Hz, blocks of 1 to " +
                    std::to_string(audio.MaxFrames()) + " frames";
        }
        return error.empty();
    }

    // One block of the source, checked: empty, or why it failed.
    std::string Block(uint32_t frames, const HostInputEvents* events = nullptr,
                      const clap::EventTransport* transport = nullptr)
    {
        audio.Fill(frames, [this](size_t c, uint32_t i) { return source(c, position + i); });
        lastStatus = audio.Process(plug, frames, events, nullptr, transport);
        position += frames;
        if (lastStatus == clap::kProcessError) {
            return "process reports an error for a block of " + std::to_string(frames) + " frames";
        }
        const std::vector<double> output = audio.Output(frames);
        rendered.insert(rendered.end(), output.begin(), output.end());
        return audio.BadOutput(frames, subnormalsFail);
    }

    // Blocks of the given sizes, each with the events `events` adds for it.
    std::string Blocks(const std::vector<uint32_t>& sizes,
                       const std::function<void(size_t, uint32_t, HostInputEvents&)>& events = nullptr)
    {
        for (size_t b = 0; b < sizes.size(); ++b) {
            HostInputEvents list;
            if (events) {
                events(b, sizes[b], list);
            }
            const std::string problem = Block(sizes[b], &list);
            if (!problem.empty()) {
                return problem;
            }
        }
        return "";
    }

    ClapInstance plug;
    ClapPorts ports;
    ClapAudio<Sample> audio;
    std::string error;
    Source source = TestSignal;
    bool subnormalsFail = true;
    uint64_t position = 0;
    int32_t lastStatus = clap::kProcessContinue;
    std::vector<double> rendered;
};

// The first of two messages that is not empty.
std::string FirstOf(const std::string& a, const std::string& b)
{
    return a.empty() ? b : a;
}

std::vector<uint32_t> Repeat(uint32_t frames, int count)
{
    return std::vector<uint32_t>(static_cast<size_t>(count), frames);
}

Outcome Verdict(const std::string& problem, const std::string& note = "")
{
    return problem.empty() ? Pass(note) : Fail(problem);
}

// A plain run: start, then blocks of the sizes, with events per block.
template <typename Sample>
Outcome RenderRun(const Subject& s, const std::vector<uint32_t>& sizes,
                  const std::function<void(size_t, uint32_t, HostInputEvents&)>& events = nullptr,
                  uint32_t maxBlock = kBlock, double rate = kRate)
{
    Session<Sample> session(s, maxBlock);
    if (!session.Start(rate)) {
        return Fail(session.error);
    }
    return Verdict(session.Blocks(sizes, events));
}

// Whether the plug-in offers a complete table for the extension; a table with a function
// left out fails the check.
bool Lacks(const ClapInstance& plug, const void* table, const char* id, Outcome& outcome)
{
    if (table != nullptr) {
        return false;
    }
    const auto& broken = plug.incompleteExtensions;
    outcome = std::find(broken.begin(), broken.end(), id) != broken.end()
                  ? Fail(std::string(id) + " is offered with a function left out")
                  : Pass(std::string("no ") + id + " extension");
    return true;
}

// The instance's parameters; false, with the outcome set, when there are none to check
// (a pass) or the instance or its parameter list is broken (a failure).
bool ParamsOf(const ClapInstance& plug, std::vector<clap::ParamInfo>& infos, Outcome& outcome)
{
    if (!plug.Ok()) {
        outcome = Fail(plug.Error());
        return false;
    }
    if (Lacks(plug, plug.params, clap::kExtParams, outcome)) {
        return false;
    }
    std::string error;
    infos = plug.ParamInfos(&error);
    outcome = Fail(error);
    return error.empty();
}

// ---- the library and its factory ----------------------------------------------------------

Outcome QueryNonexistentFactory(const ClapFile& file)
{
    for (const char* id : {kUnknownFactory, ""}) {
        if (file.Entry()->get_factory(id) != nullptr) {
            return Fail(std::string("get_factory(\"") + id + "\") gives a table instead of null");
        }
    }
    return Pass();
}

Outcome CreateIdWithTrailingGarbage(const ClapFile& file)
{
    const clap::PluginFactory* factory = file.Factory();
    for (uint32_t i = 0; i < factory->get_plugin_count(factory); ++i) {
        const clap::PluginDescriptor* d = factory->get_plugin_descriptor(factory, i);
        if (d == nullptr || d->id == nullptr) {
            return Fail("plug-in " + std::to_string(i) + " has no descriptor or no id");
        }
        const ClapInstance wrong(file, std::string(d->id) + "_");
        if (wrong.plugin != nullptr) {
            return Fail(std::string("create_plugin makes a plug-in for \"") + d->id + "_\"");
        }
    }
    return Pass();
}

Outcome ScanRtldNow(const ClapFile&)
{
    // The file reached this point loaded with every symbol resolved at once (RTLD_NOW;
    // LoadLibrary on Windows resolves every import anyway).
    return Pass();
}

Outcome ScanTime(const ClapFile& loaded)
{
    const auto start = std::chrono::steady_clock::now();
    {
        const ClapFile file(loaded.Path());
        if (!file.Loaded()) {
            return Fail(file.Error());
        }
        for (uint32_t i = 0; i < file.Factory()->get_plugin_count(file.Factory()); ++i) {
            file.Factory()->get_plugin_descriptor(file.Factory(), i);
        }
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    char note[96];
    std::snprintf(note, sizeof note, "%.0f ms%s", ms, ms > kScanWarningMs ? ", slower than validators like (100 ms)" : "");
    return Pass(note);
}

Outcome PresetDiscoveryCrawl(const ClapFile& file)
{
    if (DiscoveryFactory(file) == nullptr) {
        return Pass("no preset discovery factory");
    }
    std::vector<std::string> errors;
    const std::vector<ClapPreset> presets = DiscoverPresets(file, errors);
    if (!errors.empty()) {
        return Fail(errors.front());
    }
    std::set<std::pair<std::string, std::string>> keys;
    for (const ClapPreset& preset : presets) {
        if (preset.kind == clap::kPresetLocationPlugin && (preset.name.empty() || preset.key.empty())) {
            return Fail("a preset inside the plug-in without a name or load key ('" + preset.name + "')");
        }
        if (preset.pluginIds.empty()) {
            return Fail("preset '" + preset.name + "' names no plug-in");
        }
        if (!keys.insert({preset.location, preset.key}).second && !preset.key.empty()) {
            return Fail("load key '" + preset.key + "' is used twice in one location");
        }
    }
    return Pass(std::to_string(presets.size()) + " presets");
}

Outcome PresetDiscoveryDescriptorConsistency(const ClapFile& file)
{
    if (DiscoveryFactory(file) == nullptr) {
        return Pass("no preset discovery factory");
    }
    const std::vector<std::string> mismatches = ProviderDescriptorMismatches(file);
    return mismatches.empty() ? Pass() : Fail(mismatches.front());
}

// ---- one plug-in --------------------------------------------------------------------------

Outcome PresetDiscoveryLoad(const Subject& s)
{
    std::vector<std::string> errors;
    const std::vector<ClapPreset> presets = DiscoverPresets(s.file, errors);
    int loaded = 0;
    for (const ClapPreset& preset : presets) {
        const auto& ids = preset.pluginIds;
        if (std::find(ids.begin(), ids.end(), "clap:" + s.id) == ids.end()) {
            continue;
        }
        Session<float> session(s);
        if (!session.error.empty()) {
            return Fail(session.error);
        }
        if (!session.plug.LoadPreset(preset) || !session.plug.presetErrors.empty()) {
            return Fail("preset '" + preset.name + "' (" + preset.key + ") does not load" +
                        (session.plug.presetErrors.empty() ? "" : ": " + session.plug.presetErrors.front()));
        }
        if (!session.Start()) {
            return Fail(session.error);
        }
        const std::string problem = session.Block(kBlock);
        if (!problem.empty()) {
            return Fail("after preset '" + preset.name + "': " + problem);
        }
        ++loaded;
    }
    return Pass(loaded == 0 ? "no presets for this plug-in" : std::to_string(loaded) + " presets loaded");
}

Outcome DescriptorConsistency(const Subject& s)
{
    const ClapInstance plug(s.file, s.id);
    if (!plug.Ok()) {
        return Fail(plug.Error());
    }
    const clap::PluginFactory* factory = s.file.Factory();
    const clap::PluginDescriptor* listed = nullptr;
    for (uint32_t i = 0; i < factory->get_plugin_count(factory); ++i) {
        const clap::PluginDescriptor* d = factory->get_plugin_descriptor(factory, i);
        listed = d != nullptr && Text(d->id) == s.id ? d : listed;
    }
    const clap::PluginDescriptor* own = plug.plugin->desc;
    if (listed == nullptr || own == nullptr) {
        return Fail("the plug-in has no descriptor");
    }
    if (Text(listed->name).empty() || s.id.empty() || !clap::VersionIsCompatible(listed->clap_version)) {
        return Fail("the descriptor lacks an id or a name, or names an unreleased CLAP version");
    }
    const auto fields = [](const clap::PluginDescriptor* d) {
        std::vector<std::string> all = {Text(d->id),          Text(d->name),    Text(d->vendor),
                                        Text(d->url),         Text(d->manual_url), Text(d->support_url),
                                        Text(d->version),     Text(d->description)};
        for (const char* const* f = d->features; f != nullptr && *f != nullptr; ++f) {
            all.emplace_back(*f);
        }
        return all;
    };
    return fields(own) == fields(listed) ? Pass() : Fail("plugin->desc differs from the factory's descriptor");
}

std::vector<std::string> Features(const Subject& s)
{
    std::vector<std::string> features;
    const clap::PluginFactory* factory = s.file.Factory();
    for (uint32_t i = 0; i < factory->get_plugin_count(factory); ++i) {
        const clap::PluginDescriptor* d = factory->get_plugin_descriptor(factory, i);
        if (d != nullptr && Text(d->id) == s.id) {
            for (const char* const* f = d->features; f != nullptr && *f != nullptr; ++f) {
                features.emplace_back(*f);
            }
        }
    }
    return features;
}

Outcome FeaturesCategories(const Subject& s)
{
    static const std::set<std::string> kMain = {"instrument", "audio-effect", "note-effect", "note-detector",
                                                "analyzer"};
    for (const std::string& feature : Features(s)) {
        if (kMain.count(feature) != 0) {
            return Pass();
        }
    }
    return Fail("no main category (instrument, audio-effect, note-effect, note-detector or analyzer) in the features");
}

Outcome FeaturesDuplicates(const Subject& s)
{
    std::set<std::string> seen;
    for (const std::string& feature : Features(s)) {
        if (!seen.insert(feature).second) {
            return Fail("feature '" + feature + "' is listed twice");
        }
    }
    return Pass();
}

template <typename Sample>
Outcome AudioOutOfPlace(const Subject& s)
{
    Session<Sample> probe(s);
    if (sizeof(Sample) == sizeof(double) && probe.error.empty() && !probe.ports.All64()) {
        return Pass("the ports take 32-bit samples only");
    }
    return RenderRun<Sample>(s, Repeat(kBlock, kBlocks));
}

// In place gives what out of place gives, bit for bit.
template <typename Sample>
Outcome AudioInPlace(const Subject& s)
{
    Session<Sample> shared(s, kBlock, true);
    Session<Sample> separate(s);
    if (sizeof(Sample) == sizeof(double) && shared.error.empty() && !shared.ports.All64()) {
        return Pass("the ports take 32-bit samples only");
    }
    if (shared.error.empty() && !shared.audio.SharesBuffers()) {
        return Pass("no in-place port pairs");
    }
    if (!shared.Start() || !separate.Start()) {
        return Fail(FirstOf(shared.error, separate.error));
    }
    const std::string problem = shared.Blocks(Repeat(kBlock, kBlocks)) + separate.Blocks(Repeat(kBlock, kBlocks));
    if (!problem.empty()) {
        return Fail(problem);
    }
    return shared.rendered == separate.rendered ? Pass() : Fail("in place sounds different from out of place");
}

template <typename Sample>
Sample Denormal(size_t channel, uint64_t frame)
{
    const Sample sign = ((frame + channel) % 2 == 0) ? Sample(1) : Sample(-1);
    return sign * std::numeric_limits<Sample>::denorm_min() * static_cast<Sample>(1 + frame % 1000);
}

Outcome AudioDenormals(const Subject& s)
{
    Session<float> session(s);
    if (!session.Start()) {
        return Fail(session.error);
    }
    session.source = [](size_t c, uint64_t i) { return static_cast<double>(Denormal<float>(c, i)); };
    // Validators only warn when denormal input is slow, and allow denormal output here.
    session.subnormalsFail = false;
    return Verdict(session.Blocks(Repeat(kBlock, kBlocks)));
}

Outcome SleepConstantMask(const Subject& s)
{
    Session<float> session(s);
    if (!session.Start()) {
        return Fail(session.error);
    }
    session.source = [](size_t, uint64_t) { return 0.0; };
    session.audio.MarkInputsConstant(true);
    for (int b = 0; b < kQuietBlocks; ++b) {
        const std::string problem = session.Block(kBlock);
        const std::string mark = session.audio.FalseConstantMark(kBlock);
        if (!problem.empty() || !mark.empty()) {
            return Fail(problem + mark);
        }
    }
    return Pass();
}

Outcome SleepProcessStatus(const Subject& s)
{
    Session<float> session(s);
    if (!session.Start()) {
        return Fail(session.error);
    }
    const auto known = [&] {
        return session.lastStatus >= clap::kProcessContinue && session.lastStatus <= clap::kProcessSleep;
    };
    session.source = [](size_t, uint64_t) { return 0.0; };
    for (int b = 0; b < kQuietBlocks; ++b) {
        const std::string problem = session.Block(kBlock);
        if (!problem.empty() || !known()) {
            return Fail(problem.empty() ? "process returns status " + std::to_string(session.lastStatus) : problem);
        }
    }
    session.source = TestSignal;
    const std::string problem = session.Block(kBlock);
    return problem.empty() && known() ? Pass() : Fail(problem.empty() ? "unknown status after silence" : problem);
}

// Note events, which an effect without note ports ignores; instruments must survive them.
Outcome NoteRun(const Subject& s, const std::function<void(size_t, HostInputEvents&)>& notes)
{
    return RenderRun<float>(s, Repeat(kBlock, kBlocks * 2),
                            [&](size_t b, uint32_t, HostInputEvents& events) { notes(b, events); });
}

Outcome NoteBasic(const Subject& s)
{
    return NoteRun(s, [](size_t b, HostInputEvents& events) {
        const auto key = static_cast<int16_t>(48 + b);
        events.AddNote(10, clap::kEventNoteOn, static_cast<int32_t>(b), 0, key, 0.8);
        events.AddNote(kBlock - 10, clap::kEventNoteOff, static_cast<int32_t>(b), 0, key, 0.0);
    });
}

Outcome NoteInconsistent(const Subject& s)
{
    return NoteRun(s, [](size_t b, HostInputEvents& events) {
        events.AddNote(0, clap::kEventNoteOff, 999, 3, 70, 0.5);  // never started
        events.AddNote(5, clap::kEventNoteOn, static_cast<int32_t>(b), 0, 60, 1.0);
        events.AddNote(6, clap::kEventNoteOn, static_cast<int32_t>(b), 0, 60, 1.0);  // the same note again
        events.AddNote(100, clap::kEventNoteOff, static_cast<int32_t>(b) + 1, 1, 61, 0.0);  // another note's off
        events.AddNote(200, clap::kEventNoteChoke, 12345, 15, 127, 0.0);
    });
}

Outcome NoteWildcard(const Subject& s)
{
    return NoteRun(s, [](size_t b, HostInputEvents& events) {
        events.AddNote(0, clap::kEventNoteOn, -1, 0, static_cast<int16_t>(40 + b), 0.7);
        events.AddNote(300, clap::kEventNoteOff, -1, -1, -1, 0.0);
        events.AddNote(400, clap::kEventNoteChoke, -1, -1, -1, 0.0);
    });
}

Outcome VaryingSampleRates(const Subject& s)
{
    for (double rate : {1000.0, 8000.0, 22050.0, 44100.0, 96000.0, 192000.0, 384000.0, 768000.0}) {
        const Outcome run = RenderRun<float>(s, Repeat(kBlock, kBlocks), nullptr, kBlock, rate);
        if (!run.passed) {
            return Fail(std::to_string(static_cast<long>(rate)) + " Hz: " + run.detail);
        }
    }
    return Pass();
}

Outcome VaryingBlockSizes(const Subject& s)
{
    for (uint32_t size : {1u, 2u, 3u, 7u, 32u, 100u, 512u, 1000u, 4096u, 16384u}) {
        const Outcome run = RenderRun<float>(s, Repeat(size, size < 64 ? 64 : 3), nullptr, size);
        if (!run.passed) {
            return Fail("blocks of " + std::to_string(size) + ": " + run.detail);
        }
    }
    return Pass();
}

Outcome RandomBlockSizes(const Subject& s)
{
    std::mt19937_64 rng(kSeed);
    std::vector<uint32_t> sizes;
    for (int b = 0; b < kRandomBlocks; ++b) {
        sizes.push_back(1 + static_cast<uint32_t>(rng() % kRandomBlockMax));
    }
    return RenderRun<float>(s, sizes, nullptr, kRandomBlockMax);
}

Outcome ResetReactivate(const Subject& s)
{
    Session<float> session(s);
    if (!session.Start()) {
        return Fail(session.error);
    }
    std::string problem = session.Blocks(Repeat(kBlock, kBlocks));
    session.plug.plugin->reset(session.plug.plugin);
    problem += session.Blocks(Repeat(kBlock, kBlocks));
    session.plug.Stop();
    if (problem.empty() && !session.Start(kRate * 2)) {
        return Fail("after deactivation: " + session.error);
    }
    problem += session.Blocks(Repeat(kBlock, kBlocks));
    return Verdict(problem);
}

std::string SamePorts(const ClapPorts& a, const ClapPorts& b)
{
    const auto same = [](const clap::AudioPortInfo& x, const clap::AudioPortInfo& y) {
        return x.id == y.id && x.flags == y.flags && x.channel_count == y.channel_count &&
               x.in_place_pair == y.in_place_pair && Text(x.port_type) == Text(y.port_type) &&
               std::strncmp(x.name, y.name, sizeof x.name) == 0;
    };
    const auto sameList = [&](const auto& x, const auto& y) {
        return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), same);
    };
    return sameList(a.inputs, b.inputs) && sameList(a.outputs, b.outputs) ? "" : "the ports change";
}

std::string MainPortRule(const ClapPorts& ports)
{
    for (const auto* list : {&ports.inputs, &ports.outputs}) {
        for (size_t i = 1; i < list->size(); ++i) {
            if ((*list)[i].flags & clap::kPortIsMain) {
                return "port " + std::to_string(i) + " is marked main; only port 0 may be";
            }
        }
    }
    return "";
}

Outcome AudioPortsActivation(const Subject& s)
{
    Session<float> session(s);
    if (!session.error.empty()) {
        return Fail(session.error);
    }
    const std::string rule = MainPortRule(session.ports);
    if (!rule.empty()) {
        return Fail(rule);
    }
    if (!session.Start()) {
        return Fail(session.error);
    }
    const std::string problem = session.Blocks(Repeat(kBlock, 2));
    session.plug.Stop();
    const std::string changed = SamePorts(session.ports, ReadPorts(session.plug));
    return Verdict(problem + (changed.empty() ? "" : changed + " across an activation"));
}

// The layout a configuration promises against what audio-ports now says.
std::string Matches(const clap::AudioPortsConfig& config, const ClapPorts& ports)
{
    if (ports.inputs.size() != config.input_port_count || ports.outputs.size() != config.output_port_count) {
        return "port counts differ from what the configuration promised";
    }
    const auto mainChannels = [](const std::vector<clap::AudioPortInfo>& list) {
        return list.empty() ? 0u : list[0].channel_count;
    };
    if ((config.has_main_input && mainChannels(ports.inputs) != config.main_input_channel_count) ||
        (config.has_main_output && mainChannels(ports.outputs) != config.main_output_channel_count)) {
        return "main port channels differ from what the configuration promised";
    }
    return "";
}

// Selects the configuration in a fresh instance; its ports must be as promised, and sound.
std::string TryConfiguration(const Subject& s, const clap::AudioPortsConfig& config)
{
    ClapInstance plug(s.file, s.id);
    const auto* configs = static_cast<const clap::PluginAudioPortsConfig*>(
        plug.plugin->get_extension(plug.plugin, clap::kExtAudioPortsConfig));
    const auto* info = static_cast<const clap::PluginAudioPortsConfigInfo*>(
        plug.plugin->get_extension(plug.plugin, clap::kExtAudioPortsConfigInfo));
    if (configs == nullptr || !configs->select(plug.plugin, config.id)) {
        return "select refuses it while inactive";
    }
    if (info != nullptr && info->current_config != nullptr && info->current_config(plug.plugin) != config.id) {
        return "current_config does not name it after select";
    }
    const ClapPorts ports = ReadPorts(plug);
    const std::string mismatch = ports.error.empty() ? Matches(config, ports) : ports.error;
    if (!mismatch.empty()) {
        return mismatch;
    }
    ClapAudio<float> audio(ports, kBlock);
    audio.Fill(kBlock, [](size_t c, uint32_t i) { return TestSignal(c, i); });
    if (!plug.Start(kRate, kBlock) || audio.Process(plug, kBlock) == clap::kProcessError) {
        return "it does not start or process";
    }
    return audio.BadOutput(kBlock, true);
}

Outcome AudioPortsConfig(const Subject& s)
{
    const ClapInstance probe(s.file, s.id);
    if (!probe.Ok()) {
        return Fail(probe.Error());
    }
    const auto* configs = static_cast<const clap::PluginAudioPortsConfig*>(
        probe.plugin->get_extension(probe.plugin, clap::kExtAudioPortsConfig));
    if (configs == nullptr) {
        return Pass("no clap.audio-ports-config extension");
    }
    if (configs->count == nullptr || configs->get == nullptr || configs->select == nullptr) {
        return Fail("clap.audio-ports-config is offered with a function left out");
    }
    const uint32_t count = configs->count(probe.plugin);
    for (uint32_t i = 0; i < count; ++i) {
        clap::AudioPortsConfig config = {};
        if (!configs->get(probe.plugin, i, &config)) {
            return Fail("get refuses configuration " + std::to_string(i));
        }
        const std::string problem = TryConfiguration(s, config);
        if (!problem.empty()) {
            return Fail("configuration " + std::to_string(config.id) + ": " + problem);
        }
    }
    return Pass(std::to_string(count) + " configurations");
}

Outcome ConfigurableAudioPorts(const Subject& s)
{
    const ClapInstance probe(s.file, s.id);
    if (!probe.Ok()) {
        return Fail(probe.Error());
    }
    const void* table = probe.plugin->get_extension(probe.plugin, clap::kExtConfigurableAudioPorts);
    if (table == nullptr) {
        table = probe.plugin->get_extension(probe.plugin, clap::kExtConfigurableAudioPortsCompat);
    }
    if (table == nullptr) {
        return Pass("no clap.configurable-audio-ports extension");
    }
    const auto* configurable = static_cast<const clap::PluginConfigurableAudioPorts*>(table);
    if (configurable->can_apply_configuration == nullptr || configurable->apply_configuration == nullptr) {
        return Fail("clap.configurable-audio-ports is offered with a function left out");
    }
    std::mt19937_64 rng(kSeed);
    for (int round = 0; round < 20; ++round) {
        const uint32_t channels = 1 + static_cast<uint32_t>(rng() % 4);
        const char* type = channels == 1 ? clap::kPortMono : channels == 2 ? clap::kPortStereo : nullptr;
        const clap::AudioPortConfigurationRequest requests[2] = {{true, 0, channels, type, nullptr},
                                                                 {false, 0, channels, type, nullptr}};
        const uint32_t count = 1 + static_cast<uint32_t>(rng() % 2);
        const ClapInstance plug(s.file, s.id);
        const bool can = configurable->can_apply_configuration(plug.plugin, requests, count);
        if (can != configurable->apply_configuration(plug.plugin, requests, count)) {
            return Fail("can_apply_configuration and apply_configuration disagree on " + std::to_string(channels) +
                        " channels");
        }
    }
    return Pass();
}

// Two fresh instances side by side, for checks that compare them.
struct Pair {
    explicit Pair(const Subject& s) : first(s), second(s) {}

    // The parameters; false, with the outcome set, when the pair cannot be compared.
    bool Parameters(std::vector<clap::ParamInfo>& infos, Outcome& outcome)
    {
        if (!first.error.empty() || !second.error.empty()) {
            outcome = Fail(FirstOf(first.error, second.error));
            return false;
        }
        return ParamsOf(first.plug, infos, outcome);
    }

    bool Start(Outcome& outcome)
    {
        const bool started = first.Start() && second.Start();
        outcome = Fail(FirstOf(first.error, second.error));
        return started;
    }

    Session<float> first;
    Session<float> second;
};

using PairCheck = std::function<Outcome(Pair&, const std::vector<clap::ParamInfo>&, std::mt19937_64&)>;

// A check on a pair of instances with parameters.
Outcome WithPair(const Subject& s, const PairCheck& check)
{
    Pair pair(s);
    Outcome outcome;
    std::vector<clap::ParamInfo> infos;
    if (!pair.Parameters(infos, outcome)) {
        return outcome;
    }
    std::mt19937_64 rng(kSeed);
    return check(pair, infos, rng);
}

// Two instances given the same random values by different routes sound the same.
Outcome SameThroughTwoRoutes(Pair& pair, const std::vector<clap::ParamInfo>& infos, std::mt19937_64& rng,
                             bool cookiesFirst, bool flushSecond)
{
    Session<float>& first = pair.first;
    Session<float>& second = pair.second;
    Outcome outcome;
    HostInputEvents firstEvents;
    HostInputEvents secondEvents;
    for (const clap::ParamInfo& info : infos) {
        const double value = RandomValue(info, rng);
        firstEvents.AddValue(0, info.id, value, clap::kCoreEventSpace, cookiesFirst ? info.cookie : nullptr);
        secondEvents.AddValue(0, info.id, value, clap::kCoreEventSpace, flushSecond ? nullptr : info.cookie);
    }
    if (flushSecond) {
        second.plug.Flush(&secondEvents, nullptr);
    }
    if (!pair.Start(outcome)) {
        return outcome;
    }
    std::string problem = first.Block(kBlock, &firstEvents) + second.Block(kBlock, flushSecond ? nullptr : &secondEvents);
    problem += first.Blocks(Repeat(kBlock, kBlocks)) + second.Blocks(Repeat(kBlock, kBlocks));
    if (!problem.empty()) {
        return Fail(problem);
    }
    for (const clap::ParamInfo& info : infos) {
        if (first.plug.Value(info.id) != second.plug.Value(info.id)) {
            return Fail(DescribeParam(info) + " reads differently depending on how it was set");
        }
    }
    return first.rendered == second.rendered ? Pass() : Fail("the same values set two ways sound different");
}

Outcome ParamSetEvents(const Subject& s)
{
    return WithPair(s, [](Pair& pair, const auto& infos, std::mt19937_64& rng) {
        return SameThroughTwoRoutes(pair, infos, rng, true, true);
    });
}

Outcome ParamSetNoCookies(const Subject& s)
{
    return WithPair(s, [](Pair& pair, const auto& infos, std::mt19937_64& rng) {
        return SameThroughTwoRoutes(pair, infos, rng, false, false);
    });
}

// Events of another event space change neither values nor sound.
Outcome IgnoresForeignEvents(Pair& pair, const std::vector<clap::ParamInfo>& infos, std::mt19937_64& rng)
{
    Session<float>& foreign = pair.first;
    Session<float>& plain = pair.second;
    Outcome outcome;
    HostInputEvents events;
    for (const clap::ParamInfo& info : infos) {
        events.AddValue(0, info.id, RandomValue(info, rng), clap::kCoreEventSpace + 1, info.cookie);
    }
    if (!pair.Start(outcome)) {
        return outcome;
    }
    const std::string problem = foreign.Block(kBlock, &events) + plain.Block(kBlock);
    if (!problem.empty()) {
        return Fail(problem);
    }
    for (const clap::ParamInfo& info : infos) {
        if (foreign.plug.Value(info.id) != info.default_value) {
            return Fail(DescribeParam(info) + " follows an event of another event space");
        }
    }
    return foreign.rendered == plain.rendered ? Pass() : Fail("events of another event space change the sound");
}

Outcome ParamSetWrongNamespace(const Subject& s)
{
    return WithPair(s, IgnoresForeignEvents);
}

// Blocks with parameter events from `pick`, which adds events for one block.
Outcome ParamFuzz(const Subject& s,
                  const std::function<void(const std::vector<clap::ParamInfo>&, std::mt19937_64&, uint32_t,
                                           HostInputEvents&)>& pick)
{
    Session<float> session(s);
    if (!session.error.empty()) {
        return Fail(session.error);
    }
    Outcome outcome;
    if (Lacks(session.plug, session.plug.params, clap::kExtParams, outcome)) {
        return outcome;
    }
    std::string error;
    const std::vector<clap::ParamInfo> infos = session.plug.ParamInfos(&error);
    if (!error.empty() || !session.Start()) {
        return Fail(error + session.error);
    }
    std::mt19937_64 rng(kSeed);
    for (int round = 0; round < kFuzzRounds; ++round) {
        for (int b = 0; b < kFuzzBlocks; ++b) {
            HostInputEvents events;
            pick(infos, rng, kBlock, events);
            const std::string problem = session.Block(kBlock, &events);
            if (!problem.empty()) {
                return Fail("round " + std::to_string(round) + ": " + problem);
            }
        }
    }
    return Pass();
}

Outcome ParamFuzzBasic(const Subject& s)
{
    return ParamFuzz(s, [](const auto& infos, std::mt19937_64& rng, uint32_t, HostInputEvents& events) {
        for (const clap::ParamInfo& info : infos) {
            events.AddValue(0, info.id, RandomValue(info, rng), clap::kCoreEventSpace, info.cookie);
        }
    });
}

Outcome ParamFuzzBounds(const Subject& s)
{
    return ParamFuzz(s, [](const auto& infos, std::mt19937_64& rng, uint32_t, HostInputEvents& events) {
        for (const clap::ParamInfo& info : infos) {
            events.AddValue(0, info.id, rng() % 2 ? info.max_value : info.min_value, clap::kCoreEventSpace,
                            info.cookie);
        }
    });
}

// Changes at random frames in time order.
std::vector<uint32_t> SortedTimes(std::mt19937_64& rng, size_t count, uint32_t frames)
{
    std::vector<uint32_t> times;
    for (size_t i = 0; i < count; ++i) {
        times.push_back(static_cast<uint32_t>(rng() % frames));
    }
    std::sort(times.begin(), times.end());
    return times;
}

Outcome ParamFuzzSampleAccurate(const Subject& s)
{
    return ParamFuzz(s, [](const auto& infos, std::mt19937_64& rng, uint32_t frames, HostInputEvents& events) {
        if (infos.empty()) {
            return;
        }
        for (uint32_t time : SortedTimes(rng, 8, frames)) {
            const clap::ParamInfo& info = infos[rng() % infos.size()];
            events.AddValue(time, info.id, RandomValue(info, rng), clap::kCoreEventSpace, info.cookie);
        }
    });
}

Outcome ParamFuzzModulation(const Subject& s)
{
    return ParamFuzz(s, [](const auto& infos, std::mt19937_64& rng, uint32_t frames, HostInputEvents& events) {
        std::vector<const clap::ParamInfo*> modulatable;
        for (const clap::ParamInfo& info : infos) {
            if (info.flags & clap::kParamIsModulatable) {
                modulatable.push_back(&info);
            }
        }
        if (modulatable.empty()) {
            return;
        }
        for (uint32_t time : SortedTimes(rng, 8, frames)) {
            const clap::ParamInfo& info = *modulatable[rng() % modulatable.size()];
            const double span = info.max_value - info.min_value;
            events.AddModulation(time, info.id, std::uniform_real_distribution<double>(-span, span)(rng), info.cookie);
        }
    });
}

Outcome ParamConversions(const Subject& s)
{
    const ClapInstance plug(s.file, s.id);
    Outcome outcome;
    std::vector<clap::ParamInfo> infos;
    if (!ParamsOf(plug, infos, outcome)) {
        return outcome;
    }
    std::mt19937_64 rng(kSeed);
    size_t withText = 0;
    for (const clap::ParamInfo& info : infos) {
        char probe[clap::kNameSize] = {};
        withText += plug.params->value_to_text(plug.plugin, info.id, info.default_value, probe, sizeof probe) ? 1 : 0;
    }
    if (withText != 0 && withText != infos.size()) {
        return Fail("value_to_text works for " + std::to_string(withText) + " of " + std::to_string(infos.size()) +
                    " parameters, not all or none");
    }
    for (const clap::ParamInfo& info : withText == 0 ? std::vector<clap::ParamInfo>() : infos) {
        for (double value : {info.min_value, info.max_value, info.default_value, RandomValue(info, rng),
                             RandomValue(info, rng)}) {
            const std::string shown = plug.ValueText(info.id, value);
            double back = 0.0;
            if (shown.empty() || !plug.TextValue(info.id, shown, back)) {
                return Fail(DescribeParam(info) + ": the text '" + shown + "' of " + std::to_string(value) +
                            " does not read back");
            }
            if (plug.ValueText(info.id, back) != shown) {
                return Fail(DescribeParam(info) + ": '" + shown + "' reads back as " + std::to_string(back) + ", shown '" +
                            plug.ValueText(info.id, back) + "'");
            }
        }
    }
    return Pass();
}

Outcome ParamDefaultValues(const Subject& s)
{
    const ClapInstance plug(s.file, s.id);
    Outcome outcome;
    std::vector<clap::ParamInfo> infos;
    if (!ParamsOf(plug, infos, outcome)) {
        return outcome;
    }
    for (const clap::ParamInfo& info : infos) {
        double value = 0.0;
        if (!std::isfinite(info.min_value) || !std::isfinite(info.max_value) || info.min_value > info.max_value ||
            !(info.default_value >= info.min_value && info.default_value <= info.max_value)) {
            return Fail(DescribeParam(info) + " has its default outside its range, or no finite range");
        }
        if ((info.flags & clap::kParamIsEnum) && !(info.flags & clap::kParamIsStepped)) {
            return Fail(DescribeParam(info) + " is an enum but not stepped");
        }
        if (!plug.params->get_value(plug.plugin, info.id, &value) || value != info.default_value) {
            return Fail(DescribeParam(info) + " starts at " + std::to_string(value) + ", not its default " +
                        std::to_string(info.default_value));
        }
    }
    return Pass();
}

// ---- state --------------------------------------------------------------------------------

// An instance with random values set through flush, and its saved state.
struct Tweaked {
    explicit Tweaked(const Subject& s) : plug(s.file, s.id)
    {
        if (!plug.Ok() || plug.params == nullptr) {
            error = plug.Ok() ? "" : plug.Error();
            return;
        }
        infos = plug.ParamInfos(&error);
        std::mt19937_64 rng(kSeed);
        HostInputEvents events;
        for (const clap::ParamInfo& info : infos) {
            events.AddValue(0, info.id, RandomValue(info, rng), clap::kCoreEventSpace, info.cookie);
        }
        plug.Flush(&events, nullptr);
    }
    ClapInstance plug;
    std::vector<clap::ParamInfo> infos;
    std::string error;
};

bool LacksState(const ClapInstance& plug, Outcome& outcome)
{
    if (!plug.Ok()) {
        outcome = Fail(plug.Error());
        return true;
    }
    return Lacks(plug, plug.state, clap::kExtState, outcome);
}

Outcome StateInvalidEmpty(const Subject& s)
{
    ClapInstance plug(s.file, s.id);
    Outcome outcome;
    if (LacksState(plug, outcome)) {
        return outcome;
    }
    const std::vector<uint8_t> before = plug.State();
    if (plug.LoadState({})) {
        return Fail("an empty state loads");
    }
    return plug.State() == before ? Pass() : Fail("a refused empty state changes the state");
}

Outcome StateInvalidRandom(const Subject& s)
{
    ClapInstance plug(s.file, s.id);
    Outcome outcome;
    if (LacksState(plug, outcome)) {
        return outcome;
    }
    std::string error;
    const std::vector<clap::ParamInfo> infos = plug.ParamInfos(&error);
    std::mt19937_64 rng(kSeed);
    std::vector<uint8_t> noise(kRandomStateBytes);
    for (int round = 0; round < kRandomStates; ++round) {
        for (uint8_t& b : noise) {
            b = static_cast<uint8_t>(rng());
        }
        plug.LoadState(noise);
        if (plug.params != nullptr) {
            const std::string wrong = plug.ValueOutOfRange(infos);
            error += wrong.empty() ? "" : wrong + " after random bytes were loaded as a state";
        }
        if (!error.empty()) {
            return Fail(error);
        }
    }
    return Pass();
}

// The tweaked state loaded into a fresh instance, read through `piece`-byte reads.
Outcome Reproduce(const Subject& s, size_t piece, bool compareBytes)
{
    Tweaked first(s);
    Outcome outcome;
    if (!first.error.empty()) {
        return Fail(first.error);
    }
    if (LacksState(first.plug, outcome)) {
        return outcome;
    }
    const std::vector<uint8_t> saved = first.plug.State(piece);
    if (saved.empty()) {
        return Fail("state.save refuses, or writes nothing");
    }
    if (piece != 0 && saved != first.plug.State()) {
        return Fail("a state written " + std::to_string(piece) + " bytes at a time differs from one written at once");
    }
    ClapInstance second(s.file, s.id);
    if (!second.LoadState(saved, piece)) {
        return Fail("a fresh instance refuses the state of another");
    }
    for (const clap::ParamInfo& info : first.infos) {
        if (second.Value(info.id) != first.plug.Value(info.id)) {
            return Fail(DescribeParam(info) + " does not come back through the state");
        }
    }
    if (compareBytes && second.State() != saved) {
        return Fail("the state saved after loading it differs from the one loaded");
    }
    return Pass();
}

Outcome StateReproducibilityBasic(const Subject& s)
{
    return Reproduce(s, 0, false);
}

Outcome StateReproducibilityBinary(const Subject& s)
{
    return Reproduce(s, 0, true);
}

Outcome StateReproducibilityBuffered(const Subject& s)
{
    return Reproduce(s, 3, true);
}

// ---- transport ----------------------------------------------------------------------------

int64_t Fixed(double value)
{
    return static_cast<int64_t>(std::llround(value * clap::kFixedPointFactor));
}

clap::EventTransport RandomTransport(std::mt19937_64& rng)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    clap::EventTransport t = {};
    t.flags = static_cast<uint32_t>(rng() % 256);
    t.song_pos_beats = Fixed(unit(rng) * 10000.0 - 100.0);
    t.song_pos_seconds = Fixed(unit(rng) * 5000.0 - 50.0);
    t.tempo = 1.0 + unit(rng) * 998.0;
    t.tempo_inc = (unit(rng) - 0.5) * 0.01;
    t.loop_start_beats = Fixed(unit(rng) * 100.0);
    t.loop_end_beats = Fixed(unit(rng) * 100.0);
    t.loop_start_seconds = Fixed(unit(rng) * 50.0);
    t.loop_end_seconds = Fixed(unit(rng) * 50.0);
    t.bar_start = Fixed(unit(rng) * 1000.0);
    t.bar_number = static_cast<int32_t>(rng() % 2000) - 10;
    t.tsig_num = static_cast<uint16_t>(1 + rng() % 16);
    t.tsig_denom = static_cast<uint16_t>(1u << (rng() % 5));
    return t;
}

Outcome TransportNull(const Subject& s)
{
    return RenderRun<float>(s, Repeat(kBlock, kBlocks));
}

// Blocks each with a random transport, and with `insideBlocks` random transport events too.
Outcome FuzzTransport(const Subject& s, size_t insideBlocks)
{
    Session<float> session(s);
    if (!session.Start()) {
        return Fail(session.error);
    }
    std::mt19937_64 rng(kSeed);
    for (int b = 0; b < kFuzzRounds; ++b) {
        const clap::EventTransport transport = RandomTransport(rng);
        HostInputEvents events;
        for (uint32_t time : SortedTimes(rng, insideBlocks, kBlock)) {
            events.AddTransport(time, RandomTransport(rng));
        }
        const std::string problem = session.Block(kBlock, &events, &transport);
        if (!problem.empty()) {
            return Fail(problem);
        }
    }
    return Pass();
}

Outcome TransportFuzz(const Subject& s)
{
    return FuzzTransport(s, 0);
}

Outcome TransportFuzzSampleAccurate(const Subject& s)
{
    return FuzzTransport(s, 4);
}

struct FileCheck {
    const char* name;
    Outcome (*run)(const ClapFile&);
};

struct PluginCheck {
    const char* name;
    Outcome (*run)(const Subject&);
};

const FileCheck kFileChecks[] = {
    {"query-nonexistent-factory", QueryNonexistentFactory},
    {"create-id-with-trailing-garbage", CreateIdWithTrailingGarbage},
    {"scan-rtld-now", ScanRtldNow},
    {"scan-time", ScanTime},
    {"preset-discovery-crawl", PresetDiscoveryCrawl},
    {"preset-discovery-descriptor-consistency", PresetDiscoveryDescriptorConsistency},
};

const PluginCheck kPluginChecks[] = {
    {"preset-discovery-load", PresetDiscoveryLoad},
    {"descriptor-consistency", DescriptorConsistency},
    {"features-categories", FeaturesCategories},
    {"features-duplicates", FeaturesDuplicates},
    {"process-audio-basic-out-of-place", AudioOutOfPlace<float>},
    {"process-audio-basic-in-place", AudioInPlace<float>},
    {"process-audio-double-out-of-place", AudioOutOfPlace<double>},
    {"process-audio-double-in-place", AudioInPlace<double>},
    {"process-audio-denormals", AudioDenormals},
    {"process-sleep-constant-mask", SleepConstantMask},
    {"process-sleep-process-status", SleepProcessStatus},
    {"process-note-out-of-place-basic", NoteBasic},
    {"process-note-inconsistent", NoteInconsistent},
    {"process-note-wildcard", NoteWildcard},
    {"process-varying-sample-rates", VaryingSampleRates},
    {"process-varying-block-sizes", VaryingBlockSizes},
    {"process-random-block-sizes", RandomBlockSizes},
    {"process-reset-reactivate", ResetReactivate},
    {"layout-audio-ports-activation", AudioPortsActivation},
    {"layout-audio-ports-config", AudioPortsConfig},
    {"layout-configurable-audio-ports", ConfigurableAudioPorts},
    {"param-set-events", ParamSetEvents},
    {"param-set-no-cookies", ParamSetNoCookies},
    {"param-set-wrong-namespace", ParamSetWrongNamespace},
    {"param-fuzz-basic", ParamFuzzBasic},
    {"param-fuzz-bounds", ParamFuzzBounds},
    {"param-fuzz-sample-accurate", ParamFuzzSampleAccurate},
    {"param-fuzz-modulation", ParamFuzzModulation},
    {"param-conversions", ParamConversions},
    {"param-default-values", ParamDefaultValues},
    {"state-invalid-empty", StateInvalidEmpty},
    {"state-invalid-random", StateInvalidRandom},
    {"state-reproducibility-basic", StateReproducibilityBasic},
    {"state-reproducibility-binary", StateReproducibilityBinary},
    {"state-reproducibility-buffered", StateReproducibilityBuffered},
    {"transport-null", TransportNull},
    {"transport-fuzz", TransportFuzz},
    {"transport-fuzz-sample-accurate", TransportFuzzSampleAccurate},
};

// One check through the caller's hooks. A check that throws (out of memory, say) fails with
// the reason instead of ending the run.
template <typename Run>
void Record(const char* name, const std::string& label, Run run, const ClapCheckHooks& hooks,
            std::vector<ClapCheckResult>& results)
{
    ClapCheckResult result{label, false, ""};
    const auto check = [&] {
        try {
            const Outcome outcome = run();
            result.passed = outcome.passed;
            result.detail = outcome.detail;
        } catch (const std::exception& e) {
            result.detail = e.what();
        }
    };
    if (hooks.around) {
        hooks.around(name, check);
    } else {
        check();
    }
    if (hooks.report) {
        hooks.report(result);
    }
    results.push_back(result);
}

std::vector<std::string> PluginIds(const ClapFile& file)
{
    std::vector<std::string> ids;
    for (uint32_t i = 0; i < file.Factory()->get_plugin_count(file.Factory()); ++i) {
        const clap::PluginDescriptor* d = file.Factory()->get_plugin_descriptor(file.Factory(), i);
        ids.push_back(d != nullptr ? Text(d->id) : "");
    }
    return ids;
}
}  // namespace

std::vector<std::string> ClapCheckNames()
{
    std::vector<std::string> names;
    for (const FileCheck& check : kFileChecks) {
        names.emplace_back(check.name);
    }
    for (const PluginCheck& check : kPluginChecks) {
        names.emplace_back(check.name);
    }
    return names;
}

std::vector<ClapCheckResult> RunClapChecks(const std::string& path, const ClapCheckHooks& hooks)
{
    const ClapFile file(path);
    std::vector<ClapCheckResult> results;
    if (!file.Loaded()) {
        for (const std::string& name : ClapCheckNames()) {
            Record(name.c_str(), name, [&] { return Fail(file.Error()); }, hooks, results);
        }
        return results;
    }
    for (const FileCheck& check : kFileChecks) {
        Record(check.name, check.name, [&] { return check.run(file); }, hooks, results);
    }
    const std::vector<std::string> ids = PluginIds(file);
    for (const std::string& id : ids) {
        const Subject subject{file, id};
        const std::string suffix = ids.size() > 1 ? " [" + id + "]" : "";
        for (const PluginCheck& check : kPluginChecks) {
            Record(check.name, check.name + suffix, [&] { return check.run(subject); }, hooks, results);
        }
    }
    return results;
}
