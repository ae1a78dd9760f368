#include "settings.h"

#include "files.h"
#include "parameters.h"
#include "preset.h"
#include "state.h"

const std::vector<OptionSpec> kSettingOptions = {
    {"program", true, false}, {"set", true, true}, {"state", true, false}, {"preset", true, false}};

void ApplySettings(const PluginInstance& plugin, const Arguments& arguments)
{
    if (arguments.Has("state")) {
        const std::string file = arguments.Text("state", "");
        LoadState(plugin, ReadFileBytes(file), file);
    }
    if (arguments.Has("preset")) {
        const std::string file = arguments.Text("preset", "");
        LoadPreset(plugin, ReadFileBytes(file), file);
    }
    if (arguments.Has("program")) {
        plugin.SelectProgram(FindProgram(plugin, arguments.Text("program", "")));
    }
    for (const std::string& setting : arguments.Texts("set")) {
        ApplySetting(plugin, setting);
    }
}
