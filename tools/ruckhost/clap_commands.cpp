#include "clap_commands.h"

#include <cstdio>
#include <vector>

#include "clap/snapshot_extension.h"
#include "clap_host.h"
#include "host_error.h"
#include "options.h"
#include "parameters.h"

namespace {
const char kClapSuffix[] = ".clap";
constexpr uint32_t kStereo = 2;
constexpr double kInfoRate = 44100.0;
constexpr uint32_t kInfoBlock = 512;

class ClapLoaded final : public PluginFile {
public:
    explicit ClapLoaded(const std::string& path) : path(path), file(path)
    {
        if (!file.Loaded()) {
            throw HostError(file.Error());  // names the file
        }
    }
    const std::string& Path() const override { return path; }
    const ClapFile& File() const { return file; }
    std::unique_ptr<HostedPlugin> Open() const override;

private:
    std::string path;
    ClapFile file;
};

// The file's first plug-in, initialised; its presets are discovered when first asked for.
class ClapPlugin final : public HostedPlugin {
public:
    ClapPlugin(const std::string& path, const ClapFile& file) : HostedPlugin(path), file(file), plug(file)
    {
        if (!plug.Ok()) {
            throw HostError(path + ": " + plug.Error());
        }
    }

    const char* Format() const override { return "CLAP"; }

    const std::vector<ClapPreset>& Presets()
    {
        if (!discovered) {
            presets = DiscoverPresets(file, presetErrors);
            discovered = true;
        }
        return presets;
    }

    std::vector<std::string> ProgramNames() override
    {
        std::vector<std::string> names;
        for (const ClapPreset& preset : Presets()) {
            names.push_back(preset.name);
        }
        return names;
    }

    void SelectProgram(int index) override
    {
        const ClapPreset& preset = Presets().at(static_cast<size_t>(index));
        if (!plug.LoadPreset(preset)) {
            throw HostError(Path() + " refused its own preset " + preset.name);
        }
    }

    std::vector<std::string> ParameterNames() override
    {
        std::vector<std::string> names;
        for (uint32_t i = 0; i < plug.ParamCount(); ++i) {
            names.emplace_back(plug.ParamAt(i).name);
        }
        return names;
    }

    void SetParameter(int index, const std::string& value) override
    {
        const clap::ParamInfo info = plug.ParamAt(static_cast<uint32_t>(index));
        HostInputEvents change;
        change.AddValue(0, info.id, PlainValue(info, value));
        plug.Flush(&change, nullptr);
    }

    std::vector<uint8_t> SaveState() override { return OwnState(plug.State()); }

    void LoadState(const std::vector<uint8_t>& bytes, const std::string& name) override
    {
        CheckStateTaken(plug.LoadState(bytes), name);
    }

    void CheckRenderable(size_t channels, bool doublePrecision) const override
    {
        if (MainChannels() == 1 && channels == 2) {
            throw HostError(Path() + " takes a mono input, but the input is stereo");
        }
        if (doublePrecision && !ProcessesDouble()) {
            throw HostError(Path() + " has no double-precision processing (leave out --double)");
        }
    }

    RenderPins Start(size_t inputChannels, double rate, int block, bool) override
    {
        plug.Stop();
        if (inputChannels == 1) {
            SelectMonoConfiguration();
        }
        channels = MainChannels();
        if (!plug.Start(rate, static_cast<uint32_t>(block))) {
            throw HostError(Path() + ": the plug-in refused to activate at " + std::to_string(rate) + " Hz");
        }
        const auto pins = static_cast<int>(channels);
        return {pins, pins, channels};
    }

    void Process(float** inputs, float** outputs, int frames) override
    {
        Check(plug.Process32(inputs, outputs, channels, static_cast<uint32_t>(frames)));
    }

    void Process(double** inputs, double** outputs, int frames) override
    {
        Check(plug.Process64(inputs, outputs, channels, static_cast<uint32_t>(frames)));
    }

    void Stop() override { plug.Stop(); }

    bool ProcessesDouble() const override
    {
        return (Port(true).flags & Port(false).flags & clap::kPortSupports64Bits) != 0;
    }

    FacePixels PaintFace() override
    {
        const auto* snapshot = static_cast<const clap::PluginRuckSnapshot*>(
            plug.plugin->get_extension(plug.plugin, clap::kExtRuckSnapshot));
        uint32_t width = 0;
        uint32_t height = 0;
        if (snapshot == nullptr || !snapshot->size(plug.plugin, &width, &height)) {
            throw HostError(Path() + " offers no Ruckstone snapshot extension (" + clap::kExtRuckSnapshot + ")");
        }
        FacePixels face = BlankFace(*this, width, height);
        if (!snapshot->paint(plug.plugin, width, height, face.pixels.data())) {
            throw HostError(Path() + " does not paint its editor for snapshots");
        }
        return face;
    }

    const ClapFile& file;
    ClapInstance plug;
    std::vector<std::string> presetErrors;

private:
    // A typed value as the plug-in reads it, or a normalised one with the suffix n.
    double PlainValue(const clap::ParamInfo& info, const std::string& value) const
    {
        double number = 0.0;
        if (IsNormalizedValue(value, info.name, number)) {
            return info.min_value + number * (info.max_value - info.min_value);
        }
        if (IsNumber(value, &number) && (number < info.min_value || number > info.max_value)) {
            throw HostError("value " + value + " for " + info.name + " is out of range (" +
                            plug.ValueText(info.id, info.min_value) + " to " + plug.ValueText(info.id, info.max_value) +
                            ")");
        }
        if (!plug.TextValue(info.id, value, number)) {
            throw HostError(std::string(info.name) + " does not take the value '" + value + "'");
        }
        return number;
    }

    clap::AudioPortInfo Port(bool input) const
    {
        clap::AudioPortInfo info = {};
        if (plug.ports == nullptr || !plug.ports->get(plug.plugin, 0, input, &info)) {
            info.channel_count = 0;
        }
        return info;
    }

    // A stereo plug-in's configuration of one mono port each way, where it offers one (the
    // mono support a VST2 plug-in announces); else the ports stay as they are.
    void SelectMonoConfiguration()
    {
        const auto* configurations = static_cast<const clap::PluginAudioPortsConfig*>(
            plug.plugin->get_extension(plug.plugin, clap::kExtAudioPortsConfig));
        const uint32_t count = configurations != nullptr ? configurations->count(plug.plugin) : 0;
        for (uint32_t i = 0; i < count; ++i) {
            clap::AudioPortsConfig c = {};
            if (configurations->get(plug.plugin, i, &c) && c.input_port_count == 1 && c.output_port_count == 1 &&
                c.has_main_input && c.has_main_output && c.main_input_channel_count == 1 &&
                c.main_output_channel_count == 1) {
                configurations->select(plug.plugin, c.id);
                return;
            }
        }
    }

    // The channels of the one input and one output port ruckhost renders through: mono or
    // stereo, the same both ways. Other layouts (side chains, instruments) are refused.
    uint32_t MainChannels() const
    {
        const uint32_t inputs = plug.ports != nullptr ? plug.ports->count(plug.plugin, true) : 0;
        const uint32_t outputs = plug.ports != nullptr ? plug.ports->count(plug.plugin, false) : 0;
        const uint32_t in = Port(true).channel_count;
        const uint32_t out = Port(false).channel_count;
        if (inputs != 1 || outputs != 1 || in != out || in < 1 || in > kStereo) {
            throw HostError(Path() + " has " + std::to_string(inputs) + " input and " + std::to_string(outputs) +
                            " output ports (" + std::to_string(in) + " and " + std::to_string(out) +
                            " channels first); ruckhost renders through one mono or stereo port each way");
        }
        return in;
    }

    static void Check(int32_t status)
    {
        if (status == clap::kProcessError) {
            throw HostError("the plug-in failed to process a block");
        }
    }

    std::vector<ClapPreset> presets;
    bool discovered = false;
    uint32_t channels = kStereo;
};

std::unique_ptr<HostedPlugin> ClapLoaded::Open() const
{
    return std::make_unique<ClapPlugin>(path, file);
}

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

}  // namespace

bool IsClapPath(const std::string& path)
{
    const size_t suffix = sizeof kClapSuffix - 1;
    return path.size() > suffix && path.compare(path.size() - suffix, suffix, kClapSuffix) == 0;
}

int RunClapInfo(const std::string& path)
{
    const ClapLoaded loaded(path);
    ClapPlugin open(path, loaded.File());
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
    const std::vector<ClapPreset>& presets = open.Presets();
    std::printf("parameters    %u\n", open.plug.ParamCount());
    std::printf("presets       %zu\n", presets.size());
    // Latency is asked of an active plug-in, on the main thread: activated, not processing.
    const clap::Plugin* plugin = open.plug.plugin;
    if (latency != nullptr && plugin->activate(plugin, kInfoRate, 1, kInfoBlock)) {
        std::printf("latency       %u samples\n", latency->get(plugin));
        plugin->deactivate(plugin);
    }
    PrintParameters(open.plug);
    std::printf("\npresets:\n");
    for (size_t i = 0; i < presets.size(); ++i) {
        std::printf("  %3zu  %-24s %s\n", i, presets[i].name.c_str(), presets[i].key.c_str());
    }
    for (const std::string& error : open.presetErrors) {
        std::printf("preset discovery: %s\n", error.c_str());
    }
    return 0;
}

std::unique_ptr<PluginFile> LoadClapFile(const std::string& path)
{
    return std::make_unique<ClapLoaded>(path);
}
