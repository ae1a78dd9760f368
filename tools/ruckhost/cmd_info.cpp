// ruckhost info: everything the plug-in tells a host about itself.
#include <cstdio>
#include <string>

#include "clap_commands.h"
#include "commands.h"
#include "options.h"
#include "plugin_host.h"
#include "vst3_commands.h"

namespace {
std::string FlagNames(VstInt32 flags)
{
    static const struct {
        VstInt32 flag;
        const char* name;
    } kNames[] = {{effFlagsHasEditor, "editor"},
                  {effFlagsCanMono, "mono"},
                  {effFlagsCanReplacing, "replacing"},
                  {effFlagsProgramChunks, "chunks"},
                  {effFlagsIsSynth, "synth"},
                  {effFlagsNoSoundInStop, "no-sound-in-stop"},
                  {effFlagsCanDoubleReplacing, "double"}};
    std::string names;
    for (const auto& entry : kNames) {
        if (flags & entry.flag) {
            names += names.empty() ? entry.name : std::string(", ") + entry.name;
        }
    }
    return names;
}

// A decimal vendor version, major * 10000 + minor * 100 + patch, as "major.minor.patch".
std::string VersionText(long version)
{
    return std::to_string(version / 10000) + "." + std::to_string(version % 10000 / 100) + "." +
           std::to_string(version % 100);
}

void PrintRecord(const PluginInstance& plugin)
{
    const AEffect& e = *plugin.Effect();
    std::printf("plug-in       %s\n", plugin.Path().c_str());
    std::printf("effect name   %s\n", plugin.Text(effGetEffectName).c_str());
    std::printf("vendor        %s\n", plugin.Text(effGetVendorString).c_str());
    std::printf("product       %s\n", plugin.Text(effGetProductString).c_str());
    std::printf("unique ID     %s (0x%08X)\n", UniqueIdText(e.uniqueID).c_str(), static_cast<unsigned>(e.uniqueID));
    const long vendorVersion = static_cast<long>(plugin.Dispatch(effGetVendorVersion));
    std::printf("version       %s (vendor version %ld, record version %d)\n", VersionText(vendorVersion).c_str(),
                vendorVersion, e.version);
    std::printf("VST version   %ld\n", static_cast<long>(plugin.Dispatch(effGetVstVersion)));
    std::printf("category      %ld\n", static_cast<long>(plugin.Dispatch(effGetPlugCategory)));
    std::printf("inputs        %d\n", e.numInputs);
    std::printf("outputs       %d\n", e.numOutputs);
    std::printf("parameters    %d\n", e.numParams);
    std::printf("programs      %d (current %d)\n", e.numPrograms, plugin.CurrentProgram());
    std::printf("latency       %d samples\n", e.initialDelay);
    std::printf("flags         0x%X (%s)\n", static_cast<unsigned>(e.flags), FlagNames(e.flags).c_str());
}

void PrintParameters(const PluginInstance& plugin)
{
    std::printf("\nparameters (index, name, display text, label, normalised value):\n");
    for (int i = 0; i < plugin.ParameterCount(); ++i) {
        std::printf("  %3d  %-20s %-18s %-8s %.6f\n", i, plugin.ParameterName(i).c_str(),
                    plugin.ParameterDisplay(i).c_str(), plugin.ParameterLabel(i).c_str(), plugin.GetParameter(i));
    }
}

void PrintPrograms(const PluginInstance& plugin)
{
    std::printf("\nprograms:\n");
    for (int i = 0; i < plugin.ProgramCount(); ++i) {
        std::printf("  %3d  %s\n", i, plugin.ProgramName(i).c_str());
    }
}
}  // namespace

int RunInfo(const std::vector<std::string>& args)
{
    const Arguments arguments(args, {});
    arguments.ExpectPositionals(1, 1, "ruckhost info PLUGIN");
    if (IsVst3Path(arguments.Positionals()[0])) {
        return RunVst3Info(arguments.Positionals()[0]);
    }
    if (IsClapPath(arguments.Positionals()[0])) {
        return RunClapInfo(arguments.Positionals()[0]);
    }
    const PluginLibrary library(arguments.Positionals()[0]);
    const PluginInstance plugin(library);
    PrintRecord(plugin);
    PrintParameters(plugin);
    PrintPrograms(plugin);
    return 0;
}
