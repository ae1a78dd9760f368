// Standard preset files with an opened plug-in: its current program or its whole bank
// saved as .fxp / .fxb, and such a file applied to it once every check has passed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugin_host.h"

// The chunk forms when the plug-in declares chunks, else the parameter lists.
std::vector<uint8_t> SaveProgramPreset(const PluginInstance& plugin);
// Every program, each selected in turn (as a host does); the current one is selected again.
std::vector<uint8_t> SaveBankPreset(const PluginInstance& plugin);

// A program file goes into the current program, a bank into all programs. Refuses
// damaged files and presets of another plug-in or shape before touching the plug-in;
// `name` is how messages refer to the bytes.
void LoadPreset(const PluginInstance& plugin, const std::vector<uint8_t>& bytes, const std::string& name);
