#include "settings.h"

#include "files.h"
#include "host_error.h"
#include "parameters.h"

const std::vector<OptionSpec> kSettingOptions = {
    {"program", true, false}, {"set", true, true}, {"state", true, false}, {"preset", true, false}};

namespace {
// "NAME=VALUE" from --set: the parameter by name or index, the value as the user types it.
void ApplySetting(HostedPlugin& plugin, const std::string& setting)
{
    const size_t equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw HostError("--set '" + setting + "' is not of the form PARAM=VALUE");
    }
    const int index = FindNamed(setting.substr(0, equals), plugin.ParameterNames(), "parameter", plugin.Path());
    plugin.SetParameter(index, setting.substr(equals + 1));
}
}  // namespace

void ApplySettings(HostedPlugin& plugin, const Arguments& arguments)
{
    if (arguments.Has("preset") || arguments.Has("save-preset")) {
        plugin.CheckPresetFiles();
    }
    if (arguments.Has("state")) {
        const std::string file = arguments.Text("state", "");
        plugin.LoadState(ReadFileBytes(file), file);
    }
    if (arguments.Has("preset")) {
        const std::string file = arguments.Text("preset", "");
        plugin.LoadPresetFile(ReadFileBytes(file), file);
    }
    if (arguments.Has("program")) {
        const std::string key = arguments.Text("program", "");
        plugin.SelectProgram(FindNamed(key, plugin.ProgramNames(), "program", plugin.Path()));
    }
    for (const std::string& setting : arguments.Texts("set")) {
        ApplySetting(plugin, setting);
    }
}
