#include "hosted_plugin.h"

#include "clap_commands.h"
#include "host_error.h"
#include "hosted_vst2.h"
#include "vst3_commands.h"

void HostedPlugin::CheckPresetFiles() const
{
    if (!TakesPresetFiles()) {
        throw HostError(std::string("--preset and --save-preset take VST2 preset files; for a ") + Format() +
                        " plug-in use --program or --state");
    }
}

void HostedPlugin::LoadPresetFile(const std::vector<uint8_t>&, const std::string&)
{
    CheckPresetFiles();
}

std::vector<uint8_t> HostedPlugin::SavePresetFile(bool)
{
    CheckPresetFiles();
    return {};
}

void HostedPlugin::CheckRenderable(size_t, bool) const {}

std::vector<uint8_t> HostedPlugin::OwnState(std::vector<uint8_t> bytes) const
{
    if (bytes.empty()) {
        throw HostError(Path() + " gave no state");
    }
    return bytes;
}

void HostedPlugin::CheckStateTaken(bool taken, const std::string& name) const
{
    if (!taken) {
        throw HostError(Path() + " refused the state in " + name);
    }
}

FacePixels BlankFace(const HostedPlugin& plugin, long width, long height)
{
    constexpr long kMaxEditorSide = 8192;
    if (width <= 0 || height <= 0 || width > kMaxEditorSide || height > kMaxEditorSide) {
        throw HostError(plugin.Path() + " reports an editor size of " + std::to_string(width) + " x " +
                        std::to_string(height));
    }
    FacePixels face;
    face.width = static_cast<int>(width);
    face.height = static_cast<int>(height);
    face.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    return face;
}

std::unique_ptr<PluginFile> LoadPluginFile(const std::string& path)
{
    if (IsVst3Path(path)) {
        return LoadVst3File(path);
    }
    if (IsClapPath(path)) {
        return LoadClapFile(path);
    }
    return LoadVst2File(path);
}
