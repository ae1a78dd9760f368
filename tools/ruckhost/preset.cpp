#include "preset.h"

#include "host_error.h"
#include "preset_file.h"

namespace {
bool DeclaresChunks(const PluginInstance& plugin)
{
    return plugin.HasFlag(effFlagsProgramChunks);
}

Preset Identity(const PluginInstance& plugin, bool bank)
{
    Preset preset;
    preset.bank = bank;
    preset.opaque = DeclaresChunks(plugin);
    preset.pluginId = plugin.Effect()->uniqueID;
    preset.pluginVersion = plugin.Effect()->version;
    preset.count = bank ? plugin.ProgramCount() : plugin.ParameterCount();
    return preset;
}

PresetProgram CurrentProgram(const PluginInstance& plugin)
{
    PresetProgram program;
    program.name = plugin.Text(effGetProgramName);
    for (int i = 0; i < plugin.ParameterCount(); ++i) {
        program.values.push_back(plugin.GetParameter(i));
    }
    return program;
}

std::vector<uint8_t> PluginChunk(const PluginInstance& plugin, bool bank)
{
    std::vector<uint8_t> chunk = plugin.GetChunk(bank);
    if (chunk.empty()) {
        throw HostError(plugin.Path() + " declares chunks but gave none");
    }
    return chunk;
}

void CheckFits(const PluginInstance& plugin, const Preset& preset, const std::string& name)
{
    const VstInt32 id = plugin.Effect()->uniqueID;
    if (preset.pluginId != id) {
        throw HostError(name + " is a preset of plug-in '" + UniqueIdText(preset.pluginId) + "', not of " +
                        plugin.Path() + " ('" + UniqueIdText(id) + "')");
    }
    if (preset.opaque && !DeclaresChunks(plugin)) {
        throw HostError(name + " holds a chunk, but " + plugin.Path() + " takes its presets as parameters");
    }
    if (preset.bank && preset.count != plugin.ProgramCount()) {
        throw HostError(name + " holds " + std::to_string(preset.count) + " programs; " + plugin.Path() + " has " +
                        std::to_string(plugin.ProgramCount()));
    }
    for (const PresetProgram& program : preset.programs) {
        if (!preset.opaque && program.values.size() != static_cast<size_t>(plugin.ParameterCount())) {
            throw HostError(name + " holds " + std::to_string(program.values.size()) + " parameter values; " +
                            plugin.Path() + " has " + std::to_string(plugin.ParameterCount()));
        }
    }
}

// The values, then the name: a plug-in keeps both in its current program.
void ApplyProgram(const PluginInstance& plugin, const PresetProgram& program)
{
    for (size_t i = 0; i < program.values.size(); ++i) {
        plugin.SetParameter(static_cast<int>(i), program.values[i]);
    }
    if (!program.name.empty()) {
        std::string name = program.name;
        plugin.Dispatch(effSetProgramName, 0, 0, name.data());
    }
}

void ApplyBank(const PluginInstance& plugin, const Preset& preset)
{
    const int current = preset.currentProgram >= 0 ? preset.currentProgram : plugin.CurrentProgram();
    for (size_t i = 0; i < preset.programs.size(); ++i) {
        plugin.SelectProgram(static_cast<int>(i));
        ApplyProgram(plugin, preset.programs[i]);
    }
    plugin.SelectProgram(current);
}
}  // namespace

std::vector<uint8_t> SaveProgramPreset(const PluginInstance& plugin)
{
    Preset preset = Identity(plugin, false);
    preset.programs.push_back(CurrentProgram(plugin));
    if (preset.opaque) {
        preset.programs[0].values.clear();
        preset.chunk = PluginChunk(plugin, false);
    }
    return EncodePreset(preset);
}

std::vector<uint8_t> SaveBankPreset(const PluginInstance& plugin)
{
    Preset preset = Identity(plugin, true);
    preset.currentProgram = plugin.CurrentProgram();
    if (preset.opaque) {
        preset.chunk = PluginChunk(plugin, true);
        return EncodePreset(preset);
    }
    for (int i = 0; i < plugin.ProgramCount(); ++i) {
        plugin.SelectProgram(i);
        preset.programs.push_back(CurrentProgram(plugin));
    }
    plugin.SelectProgram(preset.currentProgram);
    return EncodePreset(preset);
}

void LoadPreset(const PluginInstance& plugin, const std::vector<uint8_t>& bytes, const std::string& name)
{
    const Preset preset = DecodePreset(bytes, name);
    CheckFits(plugin, preset, name);
    if (preset.opaque) {
        if (!plugin.SetChunk(preset.chunk, preset.bank)) {
            throw HostError(plugin.Path() + " refused the chunk in " + name);
        }
        if (!preset.bank) {
            ApplyProgram(plugin, {preset.programs[0].name, {}});
        }
    } else if (preset.bank) {
        ApplyBank(plugin, preset);
    } else {
        ApplyProgram(plugin, preset.programs[0]);
    }
}
