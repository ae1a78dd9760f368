// What --state, --preset, --program and --set ask of an instance, applied in that order so that
// later steps refine earlier ones (shared by render and snapshot).
#pragma once

#include <string>
#include <vector>

#include "options.h"
#include "plugin_host.h"

// The options of the three settings, for a command's own list.
extern const std::vector<OptionSpec> kSettingOptions;

void ApplySettings(const PluginInstance& plugin, const Arguments& arguments);
