#include "clap_commands.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "clap_host.h"
#include "files.h"
#include "host_error.h"
#include "parameters.h"

namespace {
const char kClapSuffix[] = ".clap";
constexpr uint32_t kStereo = 2;

// The file's first plug-in, initialised, with its presets; or a one-line error.
struct OpenClap {
    explicit OpenClap(const std::string& path) : path(path), file(path), plug(file)
    {
        if (!plug.Ok()) {
            throw HostError(path + ": " + plug.Error());
        }
        presets = DiscoverPresets(file, presetErrors);
    }

    std::vector<std::string> PresetNames() const
    {
        std::vector<std::string> names;
        for (const ClapPreset& preset : presets) {
            names.push_back(preset.name);
        }
        return names;
    }

    std::vector<std::string> ParameterNames() const
    {
        std::vector<std::string> names;
        for (uint32_t i = 0; i < plug.ParamCount(); ++i) {
            names.emplace_back(plug.ParamAt(i).name);
        }
        return names;
    }

    std::string path;
    ClapFile file;
    ClapInstance plug;
    std::vector<ClapPreset> presets;
    std::vector<std::string> presetErrors;
};

void PrintPorts(const ClapInstance& plug)
{
    for (bool input : {true, false}) {
        const uint32_t count = plug.ports != nullptr ? plug.ports->count(plug.plugin, input) : 0;
        clap::AudioPortInfo info = {};
        const uint32_t channels = count > 0 && plug.ports->get(plug.plugin, 0, input, &info) ? info.channel_count : 0;
        std::printf("%-13s %u audio port%s, the first with %u channels%s\n", input ? "inputs" : "outputs", count,
                    count == 1 ? "" : "s", channels, (info.flags & clap::kPortSupports64Bits) ? " (64-bit capable)" : "");
    }
}

void PrintParameters(const ClapInstance& plug)
{
    std::printf("\nparameters (ID, name, display text, value, range, flags):\n");
    for (uint32_t i = 0; i < plug.ParamCount(); ++i) {
        const clap::ParamInfo info = plug.ParamAt(i);
        const double value = plug.Value(info.id);
        std::printf("  %10u  %-20s %-22s %g  %g..%g%s%s\n", info.id, info.name, plug.ValueText(info.id, value).c_str(),
                    value, info.min_value, info.max_value, (info.flags & clap::kParamIsStepped) ? " stepped" : "",
                    (info.flags & clap::kParamIsEnum) ? " enum" : "");
    }
}

// A typed value as the plug-in reads it, or a normalised one with the suffix n.
double ParseValue(const OpenClap& open, const clap::ParamInfo& info, const std::string& value)
{
    double number = 0.0;
    if (value.size() > 1 && value.back() == 'n' && IsNumber(value.substr(0, value.size() - 1), &number)) {
        if (number < 0.0 || number > 1.0) {
            throw HostError("value " + value + " is out of range (normalised values are 0n to 1n)");
        }
        return info.min_value + number * (info.max_value - info.min_value);
    }
    if (IsNumber(value, &number) && (number < info.min_value || number > info.max_value)) {
        throw HostError("value " + value + " for " + info.name + " is out of range (" +
                        open.plug.ValueText(info.id, info.min_value) + " to " +
                        open.plug.ValueText(info.id, info.max_value) + ")");
    }
    if (!open.plug.TextValue(info.id, value, number)) {
        throw HostError(std::string(info.name) + " does not take the value '" + value + "'");
    }
    return number;
}

// The order is state, program, then the --sets; the values reach the plug-in through flush.
void ApplyClapSettings(OpenClap& open, const Arguments& arguments)
{
    if (arguments.Has("state")) {
        const std::string file = arguments.Text("state", "");
        if (!open.plug.LoadState(ReadFileBytes(file))) {
            throw HostError(open.path + " refused the state in " + file);
        }
    }
    if (arguments.Has("program")) {
        const int preset = FindNamed(arguments.Text("program", ""), open.PresetNames(), "program", open.path);
        if (!open.plug.LoadPreset(open.presets[static_cast<size_t>(preset)])) {
            throw HostError(open.path + " refused its own preset " + open.presets[static_cast<size_t>(preset)].name);
        }
    }
    HostInputEvents changes;
    for (const std::string& setting : arguments.Texts("set")) {
        const size_t equals = setting.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw HostError("--set '" + setting + "' is not of the form PARAM=VALUE");
        }
        const int index = FindNamed(setting.substr(0, equals), open.ParameterNames(), "parameter", open.path);
        const clap::ParamInfo info = open.plug.ParamAt(static_cast<uint32_t>(index));
        changes.AddValue(0, info.id, ParseValue(open, info, setting.substr(equals + 1)));
    }
    if (open.plug.params != nullptr) {
        open.plug.Flush(&changes, nullptr);
    }
}

template <typename T>
void RenderBlocks(ClapInstance& plug, const Audio& input, Audio& output, uint32_t block)
{
    std::vector<std::vector<T>> in(kStereo, std::vector<T>(block));
    std::vector<std::vector<T>> out = in;
    T* inPointers[kStereo] = {in[0].data(), in[1].data()};
    T* outPointers[kStereo] = {out[0].data(), out[1].data()};
    for (size_t done = 0; done < input.Frames(); done += block) {
        const size_t n = std::min(input.Frames() - done, static_cast<size_t>(block));
        for (size_t c = 0; c < kStereo; ++c) {
            const std::vector<double>& source = input.channels[c % input.channels.size()];
            std::copy(source.begin() + done, source.begin() + done + n, in[c].begin());
        }
        int32_t status;
        if constexpr (sizeof(T) == sizeof(double)) {
            status = plug.Process64(inPointers, outPointers, kStereo, static_cast<uint32_t>(n));
        } else {
            status = plug.Process32(inPointers, outPointers, kStereo, static_cast<uint32_t>(n));
        }
        if (status == clap::kProcessError) {
            throw HostError("the plug-in failed to process a block");
        }
        for (size_t c = 0; c < kStereo; ++c) {
            std::copy(out[c].begin(), out[c].begin() + n, output.channels[c].begin() + done);
        }
    }
}
}  // namespace

bool IsClapPath(const std::string& path)
{
    const size_t suffix = sizeof kClapSuffix - 1;
    return path.size() > suffix && path.compare(path.size() - suffix, suffix, kClapSuffix) == 0;
}

int RunClapInfo(const std::string& path)
{
    OpenClap open(path);
    const clap::PluginDescriptor* d = open.file.FirstDescriptor();
    std::printf("plug-in       %s (CLAP %u.%u.%u)\n", path.c_str(), open.file.Entry()->clap_version.major,
                open.file.Entry()->clap_version.minor, open.file.Entry()->clap_version.revision);
    std::printf("id            %s\n", d->id);
    std::printf("name          %s\n", d->name);
    std::printf("vendor        %s\n", d->vendor != nullptr ? d->vendor : "");
    std::printf("version       %s\n", d->version != nullptr ? d->version : "");
    std::string features;
    for (const char* const* f = d->features; f != nullptr && *f != nullptr; ++f) {
        features += (features.empty() ? "" : ", ") + std::string(*f);
    }
    std::printf("features      %s\n", features.c_str());
    PrintPorts(open.plug);
    const auto* latency =
        static_cast<const clap::PluginLatency*>(open.plug.plugin->get_extension(open.plug.plugin, clap::kExtLatency));
    std::printf("parameters    %u\n", open.plug.ParamCount());
    std::printf("presets       %zu\n", open.presets.size());
    if (latency != nullptr && open.plug.Start(44100.0, 512)) {
        std::printf("latency       %u samples\n", latency->get(open.plug.plugin));
        open.plug.Stop();
    }
    PrintParameters(open.plug);
    std::printf("\npresets:\n");
    for (size_t i = 0; i < open.presets.size(); ++i) {
        std::printf("  %3zu  %-24s %s\n", i, open.presets[i].name.c_str(), open.presets[i].key.c_str());
    }
    for (const std::string& error : open.presetErrors) {
        std::printf("preset discovery: %s\n", error.c_str());
    }
    return 0;
}

void RenderClap(const Arguments& arguments, const RenderSettings& settings, const WavFile& input, SampleFormat format,
                const std::string& out)
{
    const size_t channels = input.audio.channels.size();
    if (channels < 1 || channels > kStereo) {
        throw HostError("the input has " + std::to_string(channels) + " channels; ruckhost renders mono and stereo");
    }
    if (arguments.Has("preset") || arguments.Has("save-preset")) {
        throw HostError("--preset and --save-preset take VST2 preset files; for a CLAP plug-in use --program or --state");
    }
    OpenClap open(arguments.Positionals()[0]);
    ApplyClapSettings(open, arguments);
    const double rate = settings.sampleRate > 0.0 ? settings.sampleRate : input.audio.sampleRate;
    const auto block = static_cast<uint32_t>(settings.blockSize);
    if (!open.plug.Start(rate, block)) {
        throw HostError(open.path + ": the plug-in refused to activate at " + std::to_string(rate) + " Hz");
    }
    Audio output;
    output.sampleRate = input.audio.sampleRate;
    output.channels.assign(kStereo, std::vector<double>(input.audio.Frames()));
    if (settings.doublePrecision) {
        RenderBlocks<double>(open.plug, input.audio, output, block);
    } else {
        RenderBlocks<float>(open.plug, input.audio, output, block);
    }
    open.plug.Stop();
    if (arguments.Has("save-state")) {
        WriteFileAtomically(arguments.Text("save-state", ""), open.plug.State());
    }
    WriteWav(out, output, format);
    std::printf("rendered %zu frames (%zu to 2 channels, %d Hz) through %s (CLAP) into %s\n", input.audio.Frames(),
                channels, output.sampleRate, open.path.c_str(), out.c_str());
}
