#include "vst3_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "files.h"
#include "host_error.h"
#include "parameters.h"
#include "vst3_host.h"

using namespace vst3;

namespace {
const char kBundleSuffix[] = ".vst3";

// The four words of a class ID as hosts write them, from its bytes in this platform's order.
std::string IdText(const char* cid)
{
    const auto* b = reinterpret_cast<const uint8_t*>(cid);
#ifdef _WIN32
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
#else
    const int order[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
#endif
    std::string text;
    char hex[3];
    for (int i : order) {
        std::snprintf(hex, sizeof hex, "%02X", b[i]);
        text += hex;
    }
    return text;
}

// An instance of the bundle's first effect, or a one-line error.
struct OpenVst3 {
    explicit OpenVst3(const std::string& path) : path(path), bundle(path), plug(bundle)
    {
        if (!plug.Ok()) {
            throw HostError(path + ": " + plug.Error());
        }
    }

    // The program selector among the parameters, or -1.
    int ProgramParameter()
    {
        for (int i = 0; i < plug.ParameterCount(); ++i) {
            if (plug.ParameterAt(i).flags & kIsProgramChange) {
                return i;
            }
        }
        return -1;
    }

    std::vector<std::string> ProgramNames()
    {
        std::vector<std::string> names;
        const int selector = ProgramParameter();
        if (selector < 0) {
            return names;
        }
        const ParameterInfo info = plug.ParameterAt(selector);
        for (int i = 0; i <= info.stepCount; ++i) {
            names.push_back(plug.ValueText(info.id, info.stepCount > 0 ? static_cast<double>(i) / info.stepCount : 0.0));
        }
        return names;
    }

    std::vector<std::string> ParameterTitles()
    {
        std::vector<std::string> titles;
        for (int i = 0; i < plug.ParameterCount(); ++i) {
            titles.push_back(FromUtf16(plug.ParameterAt(i).title, 128));
        }
        return titles;
    }

    std::string path;
    Vst3Bundle bundle;
    Vst3Instance plug;
};

void PrintClasses(const Vst3Bundle& bundle)
{
    void* face = nullptr;
    PluginFactory* factory = bundle.Factory();
    auto* factory2 = factory->queryInterface(kPluginFactory2Iid.Data(), &face) == kResultOk
                         ? static_cast<PluginFactory2*>(face)
                         : nullptr;
    PFactoryInfo vendor = {};
    factory->getFactoryInfo(&vendor);
    std::printf("vendor        %s\n", vendor.vendor);
    for (int32_t i = 0; i < factory->countClasses(); ++i) {
        PClassInfo2 info = {};
        if (factory2 != nullptr && factory2->getClassInfo2(i, &info) == kResultOk) {
            std::printf("class %d       %s \"%s\" %s, version %s%s%s\n", i, IdText(info.cid).c_str(), info.name,
                        info.category, info.version, info.subCategories[0] != 0 ? ", " : "", info.subCategories);
        }
    }
    if (factory2 != nullptr) {
        factory2->release();
    }
}

void PrintBuses(Vst3Instance& plug)
{
    for (int32_t dir : {kInput, kOutput}) {
        BusInfo bus = {};
        const int count = plug.component->getBusCount(kAudio, dir);
        const int channels = count > 0 && plug.component->getBusInfo(kAudio, dir, 0, &bus) == kResultOk
                                 ? bus.channelCount
                                 : 0;
        std::printf("%-13s %d audio bus%s, the first with %d channels\n", dir == kInput ? "inputs" : "outputs",
                    count, count == 1 ? "" : "es", channels);
    }
}

void PrintParameters(Vst3Instance& plug)
{
    std::printf("\nparameters (ID, name, display text, units, normalised value, steps):\n");
    for (int i = 0; i < plug.ParameterCount(); ++i) {
        const ParameterInfo info = plug.ParameterAt(i);
        const double value = plug.controller->getParamNormalized(info.id);
        std::printf("  %10u  %-20s %-22s %-8s %.6f %d\n", info.id, FromUtf16(info.title, 128).c_str(),
                    plug.ValueText(info.id, value).c_str(), FromUtf16(info.units, 128).c_str(), value,
                    info.stepCount);
    }
}

bool SameWord(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

// Finds a parameter by title or ID and turns the typed value into a normalised one.
std::pair<ParamID, double> ParseSetting(OpenVst3& open, const std::string& setting)
{
    const size_t equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw HostError("--set '" + setting + "' is not of the form PARAM=VALUE");
    }
    const int index = FindNamed(setting.substr(0, equals), open.ParameterTitles(), "parameter", open.path);
    const ParameterInfo info = open.plug.ParameterAt(index);
    const std::string value = setting.substr(equals + 1);
    double normalized = 0.0;
    if (value.size() > 1 && value.back() == 'n' && IsNumber(value.substr(0, value.size() - 1), &normalized)) {
        if (normalized < 0.0 || normalized > 1.0) {
            throw HostError("value " + value + " is out of range (normalised values are 0n to 1n)");
        }
        return {info.id, normalized};
    }
    const std::string title = FromUtf16(info.title, 128);
    double number = 0.0;
    if (IsNumber(value, &number)) {
        const double low = open.plug.controller->normalizedParamToPlain(info.id, 0.0);
        const double high = open.plug.controller->normalizedParamToPlain(info.id, 1.0);
        if (number < std::min(low, high) || number > std::max(low, high)) {
            throw HostError("value " + value + " for " + title + " is out of range (" + open.plug.ValueText(info.id, 0.0) +
                            " to " + open.plug.ValueText(info.id, 1.0) + ")");
        }
    }
    // A word must come back as itself (a plug-in may read an unknown word as a number);
    // failing that, a stepped parameter's texts are searched ignoring case.
    const bool taken = open.plug.ValueFromText(info.id, value, normalized);
    if (taken && (IsNumber(value) || SameWord(open.plug.ValueText(info.id, normalized), value))) {
        return {info.id, normalized};
    }
    for (int32_t step = 0; step <= info.stepCount && !IsNumber(value); ++step) {
        normalized = info.stepCount > 0 ? static_cast<double>(step) / info.stepCount : 0.0;
        if (SameWord(open.plug.ValueText(info.id, normalized), value)) {
            return {info.id, normalized};
        }
    }
    throw HostError(title + " does not take the value '" + value + "'");
}

// The settings as the controller takes them from a host, and as changes at the start of
// the first block for the processor; the order is state, program, then the --sets.
void ApplyVst3Settings(OpenVst3& open, const Arguments& arguments, HostParameterChanges& changes)
{
    if (arguments.Has("state")) {
        const std::string file = arguments.Text("state", "");
        if (!open.plug.SetState(ReadFileBytes(file))) {
            throw HostError(open.path + " refused the state in " + file);
        }
    }
    std::vector<std::pair<ParamID, double>> settings;
    if (arguments.Has("program")) {
        const int selector = open.ProgramParameter();
        const std::vector<std::string> names = open.ProgramNames();
        const int program = FindNamed(arguments.Text("program", ""), names, "program", open.path);
        const ParameterInfo info = open.plug.ParameterAt(selector);
        settings.emplace_back(info.id, info.stepCount > 0 ? static_cast<double>(program) / info.stepCount : 0.0);
    }
    for (const std::string& setting : arguments.Texts("set")) {
        settings.push_back(ParseSetting(open, setting));
    }
    for (const auto& [id, value] : settings) {
        open.plug.controller->setParamNormalized(id, value);
        changes.Add(id, 0, value);
    }
}

template <typename T>
void RenderBlocks(Vst3Instance& plug, const Audio& input, Audio& output, int block, IParameterChanges* changes)
{
    const size_t channels = output.channels.size();
    std::vector<std::vector<T>> in(channels, std::vector<T>(static_cast<size_t>(block)));
    std::vector<std::vector<T>> out = in;
    std::vector<T*> inPointers;
    std::vector<T*> outPointers;
    for (size_t c = 0; c < channels; ++c) {
        inPointers.push_back(in[c].data());
        outPointers.push_back(out[c].data());
    }
    for (size_t done = 0; done < input.Frames(); done += static_cast<size_t>(block)) {
        const size_t n = std::min(input.Frames() - done, static_cast<size_t>(block));
        for (size_t c = 0; c < channels; ++c) {
            const std::vector<double>& source = input.channels[c % input.channels.size()];
            std::copy(source.begin() + done, source.begin() + done + n, in[c].begin());
        }
        tresult result;
        if constexpr (sizeof(T) == sizeof(double)) {
            result = plug.Process64(inPointers.data(), outPointers.data(), static_cast<int>(channels), static_cast<int>(n), changes);
        } else {
            result = plug.Process32(inPointers.data(), outPointers.data(), static_cast<int>(channels), static_cast<int>(n), changes);
        }
        if (result != kResultOk) {
            throw HostError("the plug-in failed to process a block");
        }
        changes = nullptr;
        for (size_t c = 0; c < channels; ++c) {
            std::copy(out[c].begin(), out[c].begin() + n, output.channels[c].begin() + done);
        }
    }
}
}  // namespace

bool IsVst3Path(const std::string& path)
{
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    return trimmed.size() > 5 && trimmed.compare(trimmed.size() - 5, 5, kBundleSuffix) == 0;
}

int RunVst3Info(const std::string& path)
{
    OpenVst3 open(path);
    std::printf("plug-in       %s (VST3)\n", path.c_str());
    std::printf("module        %s\n", Vst3Bundle::ModulePath(path).c_str());
    PrintClasses(open.bundle);
    PrintBuses(open.plug);
    const std::vector<std::string> programs = open.ProgramNames();
    std::printf("parameters    %d\n", open.plug.ParameterCount());
    std::printf("programs      %zu\n", programs.size());
    std::printf("latency       %u samples\n", open.plug.processor->getLatencySamples());
    PrintParameters(open.plug);
    std::printf("\nprograms:\n");
    for (size_t i = 0; i < programs.size(); ++i) {
        std::printf("  %3zu  %s\n", i, programs[i].c_str());
    }
    return 0;
}

void RenderVst3(const Arguments& arguments, const RenderSettings& settings, const WavFile& input,
                SampleFormat format, const std::string& out)
{
    const size_t channels = input.audio.channels.size();
    if (channels < 1 || channels > 2) {
        throw HostError("the input has " + std::to_string(channels) + " channels; ruckhost renders mono and stereo");
    }
    OpenVst3 open(arguments.Positionals()[0]);
    HostParameterChanges changes;
    ApplyVst3Settings(open, arguments, changes);
    const double rate = settings.sampleRate > 0.0 ? settings.sampleRate : input.audio.sampleRate;
    if (!open.plug.Start(rate, settings.blockSize, settings.doublePrecision,
                         channels == 1 ? kSpeakerMono : kSpeakerStereo)) {
        throw HostError(open.path + ": " + open.plug.Error());
    }
    Audio output;
    output.sampleRate = input.audio.sampleRate;
    output.channels.assign(channels, std::vector<double>(input.audio.Frames()));
    if (settings.doublePrecision) {
        RenderBlocks<double>(open.plug, input.audio, output, settings.blockSize, &changes);
    } else {
        RenderBlocks<float>(open.plug, input.audio, output, settings.blockSize, &changes);
    }
    open.plug.Stop();
    if (arguments.Has("save-state")) {
        WriteFileAtomically(arguments.Text("save-state", ""), open.plug.State());
    }
    WriteWav(out, output, format);
    std::printf("rendered %zu frames (%zu channels, %d Hz) through %s (VST3) into %s\n", input.audio.Frames(),
                channels, output.sampleRate, open.path.c_str(), out.c_str());
}
