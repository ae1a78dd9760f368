// Plug-in state files of ruckhost: the plug-in's program chunk when it gives one, else
// its normalised parameter values, tagged with the plug-in's unique ID.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin_host.h"

std::vector<uint8_t> SaveState(const PluginInstance& plugin);
// Refuses files of another kind or plug-in, damaged files and states the plug-in refuses.
// `name` is how messages refer to the bytes.
void LoadState(const PluginInstance& plugin, const std::vector<uint8_t>& bytes, const std::string& name);
