// What --state, --preset, --program and --set ask of a plug-in, applied in that order so
// that later steps refine earlier ones (shared by render, snapshot, curve and spectrum).
#pragma once

#include <string>
#include <vector>

#include "hosted_plugin.h"
#include "options.h"

// The options of the settings, for a command's own list.
extern const std::vector<OptionSpec> kSettingOptions;

void ApplySettings(HostedPlugin& plugin, const Arguments& arguments);
