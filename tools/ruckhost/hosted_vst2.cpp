#include "hosted_vst2.h"

#include <algorithm>

#include "host_error.h"
#include "parameters.h"
#include "preset.h"
#include "state.h"
#include "vst/vendor_extensions.h"

namespace {
// Asks a stereo plug-in that announces mono support to take one channel in and out.
bool AcceptsMonoArrangement(const PluginInstance& plugin)
{
    if (!plugin.HasFlag(effFlagsCanMono)) {
        return false;
    }
    VstSpeakerArrangement in = {};
    VstSpeakerArrangement out = {};
    in.type = out.type = kSpeakerArrMono;
    in.numChannels = out.numChannels = 1;
    return plugin.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out) != 0;
}

class Vst2File final : public PluginFile {
public:
    explicit Vst2File(const std::string& path) : library(path) {}
    const std::string& Path() const override { return library.Path(); }
    std::unique_ptr<HostedPlugin> Open() const override { return std::make_unique<Vst2Plugin>(library); }

private:
    PluginLibrary library;
};
}  // namespace

Vst2Plugin::Vst2Plugin(PluginInstance& instance) : HostedPlugin(instance.Path()), plugin(instance) {}

Vst2Plugin::Vst2Plugin(const PluginLibrary& library)
    : HostedPlugin(library.Path()), owned(std::make_unique<PluginInstance>(library)), plugin(*owned)
{
}

std::vector<std::string> Vst2Plugin::ProgramNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < plugin.ProgramCount(); ++i) {
        names.push_back(plugin.ProgramName(i));
    }
    return names;
}

void Vst2Plugin::SelectProgram(int index)
{
    plugin.SelectProgram(index);
}

std::vector<std::string> Vst2Plugin::ParameterNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < plugin.ParameterCount(); ++i) {
        names.push_back(plugin.ParameterName(i));
    }
    return names;
}

void Vst2Plugin::SetParameter(int index, const std::string& value)
{
    SetParameterValue(plugin, index, value);
}

std::vector<uint8_t> Vst2Plugin::SaveState()
{
    return ::SaveState(plugin);
}

void Vst2Plugin::LoadState(const std::vector<uint8_t>& bytes, const std::string& name)
{
    ::LoadState(plugin, bytes, name);
}

void Vst2Plugin::LoadPresetFile(const std::vector<uint8_t>& bytes, const std::string& name)
{
    LoadPreset(plugin, bytes, name);
}

std::vector<uint8_t> Vst2Plugin::SavePresetFile(bool bank)
{
    return bank ? SaveBankPreset(plugin) : SaveProgramPreset(plugin);
}

void Vst2Plugin::CheckRenderable(size_t channels, bool doublePrecision) const
{
    if (plugin.Outputs() < 1) {
        throw HostError(plugin.Path() + " has no audio outputs");
    }
    if (plugin.Inputs() == 1 && channels == 2) {
        throw HostError(plugin.Path() + " takes a mono input, but the input is stereo");
    }
    if (doublePrecision && !plugin.HasFlag(effFlagsCanDoubleReplacing)) {
        throw HostError(plugin.Path() + " has no double-precision processing (leave out --double)");
    }
}

// A mono input goes through the plug-in's mono support where it has one.
RenderPins Vst2Plugin::Start(size_t channels, double rate, int block, bool doublePrecision)
{
    plugin.Stop();
    const bool mono = channels == 1 && (plugin.Outputs() == 1 || AcceptsMonoArrangement(plugin));
    plugin.Start(rate, block, doublePrecision);
    return {plugin.Inputs(), plugin.Outputs(), mono ? 1 : static_cast<size_t>(std::min(plugin.Outputs(), 2))};
}

void Vst2Plugin::Process(float** inputs, float** outputs, int frames)
{
    plugin.ProcessFloat(inputs, outputs, frames);
}

void Vst2Plugin::Process(double** inputs, double** outputs, int frames)
{
    plugin.ProcessDouble(inputs, outputs, frames);
}

void Vst2Plugin::Stop()
{
    plugin.Stop();
}

bool Vst2Plugin::ProcessesDouble() const
{
    return plugin.HasFlag(effFlagsCanDoubleReplacing);
}

FacePixels Vst2Plugin::PaintFace()
{
    ERect* rect = nullptr;
    if (!plugin.HasFlag(effFlagsHasEditor) || plugin.Dispatch(effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) {
        throw HostError(plugin.Path() + " has no editor");
    }
    FacePixels face = BlankFace(*this, rect->right - rect->left, rect->bottom - rect->top);
    RuckSnapshot snapshot = {face.width, face.height, face.pixels.data()};
    if (plugin.Dispatch(effVendorSpecific, kRuckSnapshotIndex, 0, &snapshot) != 1) {
        throw HostError(plugin.Path() + " does not paint its editor for snapshots");
    }
    return face;
}

std::unique_ptr<PluginFile> LoadVst2File(const std::string& path)
{
    return std::make_unique<Vst2File>(path);
}
