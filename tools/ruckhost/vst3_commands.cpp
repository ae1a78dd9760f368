#include "vst3_commands.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "host_error.h"
#include "options.h"
#include "parameters.h"
#include "vst3/snapshot_interface.h"
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

// An instance of the bundle's first effect, or a one-line error. Program and settings go
// to the controller as a host sets them, and wait as changes for the processor's next block.
class Vst3Plugin final : public HostedPlugin {
public:
    Vst3Plugin(const std::string& path, const Vst3Bundle& bundle) : HostedPlugin(path), bundle(bundle), plug(bundle)
    {
        if (!plug.Ok()) {
            throw HostError(path + ": " + plug.Error());
        }
    }

    const char* Format() const override { return "VST3"; }

    std::vector<std::string> ProgramNames() override
    {
        std::vector<std::string> names;
        const int selector = ProgramSelector();
        if (selector < 0) {
            return names;
        }
        const ParameterInfo info = plug.ParameterAt(selector);
        for (int i = 0; i <= info.stepCount; ++i) {
            names.push_back(plug.ValueText(info.id, StepValue(info, i)));
        }
        return names;
    }

    void SelectProgram(int index) override
    {
        const int selector = ProgramSelector();
        if (selector < 0) {
            throw HostError(Path() + " has no program list");
        }
        const ParameterInfo info = plug.ParameterAt(selector);
        Change(info.id, StepValue(info, index));
    }

    std::vector<std::string> ParameterNames() override
    {
        std::vector<std::string> titles;
        for (int i = 0; i < plug.ParameterCount(); ++i) {
            titles.push_back(FromUtf16(plug.ParameterAt(i).title, kTextUnits));
        }
        return titles;
    }

    void SetParameter(int index, const std::string& value) override
    {
        const ParameterInfo info = plug.ParameterAt(index);
        Change(info.id, Normalized(info, value));
    }

    std::vector<uint8_t> SaveState() override
    {
        if (pending.getParameterCount() > 0) {
            FlushPending();
        }
        return OwnState(plug.State());
    }

    void LoadState(const std::vector<uint8_t>& bytes, const std::string& name) override
    {
        CheckStateTaken(plug.SetState(bytes), name);
        pending.Clear();
    }

    RenderPins Start(size_t channels, double rate, int block, bool doublePrecision) override
    {
        if (!plug.Start(rate, block, doublePrecision, channels == 1 ? kSpeakerMono : kSpeakerStereo)) {
            throw HostError(Path() + ": " + plug.Error());
        }
        pins = static_cast<int>(channels);
        return {pins, pins, channels};
    }

    void Process(float** inputs, float** outputs, int frames) override
    {
        Check(plug.Process32(inputs, outputs, pins, frames, Changes()));
        pending.Clear();
    }

    void Process(double** inputs, double** outputs, int frames) override
    {
        Check(plug.Process64(inputs, outputs, pins, frames, Changes()));
        pending.Clear();
    }

    void Stop() override { plug.Stop(); }

    bool ProcessesDouble() const override { return plug.processor->canProcessSampleSize(kSample64) == kResultOk; }

    // Through Ruckstone's own interface on the controller.
    FacePixels PaintFace() override
    {
        void* object = nullptr;
        if (plug.controller->queryInterface(kRuckSnapshotIid.Data(), &object) != kResultOk || object == nullptr) {
            throw HostError(Path() + " offers no Ruckstone snapshot interface on its controller");
        }
        auto* snapshot = static_cast<IRuckSnapshot*>(object);
        int32_t width = 0;
        int32_t height = 0;
        FacePixels face;
        const bool sized = snapshot->getFaceSize(&width, &height) == kResultOk;
        if (sized) {
            face = BlankFace(*this, width, height);
        }
        const bool painted = sized && snapshot->paintFace(width, height, face.pixels.data()) == kResultOk;
        snapshot->release();
        if (!painted) {
            throw HostError(Path() + " does not paint its editor for snapshots");
        }
        return face;
    }

    const Vst3Bundle& bundle;
    Vst3Instance plug;

private:
    static constexpr size_t kTextUnits = 128;
    static constexpr double kFlushRate = 44100.0;
    static constexpr int kFlushBlock = 512;

    // The program selector among the parameters, or -1.
    int ProgramSelector()
    {
        for (int i = 0; i < plug.ParameterCount(); ++i) {
            if (plug.ParameterAt(i).flags & kIsProgramChange) {
                return i;
            }
        }
        return -1;
    }

    static double StepValue(const ParameterInfo& info, int step)
    {
        return info.stepCount > 0 ? static_cast<double>(step) / info.stepCount : 0.0;
    }

    // A typed value as the controller reads it. A word must come back as itself (a plug-in
    // may read an unknown word as a number); failing that, a stepped parameter's texts are
    // searched ignoring case.
    double Normalized(const ParameterInfo& info, const std::string& value)
    {
        const std::string title = FromUtf16(info.title, kTextUnits);
        double normalized = 0.0;
        if (IsNormalizedValue(value, title, normalized)) {
            return normalized;
        }
        double number = 0.0;
        const bool numeric = IsNumber(value, &number);
        if (numeric) {
            const double low = plug.controller->normalizedParamToPlain(info.id, 0.0);
            const double high = plug.controller->normalizedParamToPlain(info.id, 1.0);
            if (number < std::min(low, high) || number > std::max(low, high)) {
                throw HostError("value " + value + " for " + title + " is out of range (" + plug.ValueText(info.id, 0.0) +
                                " to " + plug.ValueText(info.id, 1.0) + ")");
            }
        }
        if (plug.ValueFromText(info.id, value, normalized) &&
            (numeric || SameText(plug.ValueText(info.id, normalized), value))) {
            return normalized;
        }
        for (int32_t step = 0; step <= info.stepCount && !numeric; ++step) {
            if (SameText(plug.ValueText(info.id, StepValue(info, step)), value)) {
                return StepValue(info, step);
            }
        }
        throw HostError(title + " does not take the value '" + value + "'");
    }

    void Change(ParamID id, double normalized)
    {
        plug.controller->setParamNormalized(id, normalized);
        pending.Add(id, 0, normalized);
    }

    IParameterChanges* Changes() { return pending.getParameterCount() > 0 ? &pending : nullptr; }

    // The pending changes to the processor without audio, as hosts flush parameters.
    void FlushPending()
    {
        Start(2, kFlushRate, kFlushBlock, false);
        Check(plug.Flush(&pending));
        pending.Clear();
        Stop();
    }

    static void Check(tresult result)
    {
        if (result != kResultOk) {
            throw HostError("the plug-in failed to process a block");
        }
    }

    HostParameterChanges pending;
    int pins = 2;
};

class Vst3File final : public PluginFile {
public:
    explicit Vst3File(const std::string& path) : path(path), bundle(path)
    {
        if (!bundle.Loaded()) {
            throw HostError(path + ": " + bundle.Error());
        }
    }
    const std::string& Path() const override { return path; }
    const Vst3Bundle& Bundle() const { return bundle; }
    std::unique_ptr<HostedPlugin> Open() const override { return std::make_unique<Vst3Plugin>(path, bundle); }

private:
    std::string path;
    Vst3Bundle bundle;
};

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
    const Vst3File file(path);
    Vst3Plugin open(path, file.Bundle());
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

std::unique_ptr<PluginFile> LoadVst3File(const std::string& path)
{
    return std::make_unique<Vst3File>(path);
}
