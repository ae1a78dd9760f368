// Parameters and programs picked by name or index, and parameter values given as the
// user types them: a display text or number (through effString2Parameter) or a
// normalised value with the suffix "n".
#pragma once

#include <string>
#include <vector>

#include "plugin_host.h"

// An index, or a name (exact, else ignoring case); refuses unknown names and indices.
int FindParameter(const PluginInstance& plugin, const std::string& key);
int FindProgram(const PluginInstance& plugin, const std::string& key);
// The same lookup in a list of names: `kind` and `path` name them in messages.
int FindNamed(const std::string& key, const std::vector<std::string>& names, const std::string& kind,
              const std::string& path);

// Refuses values out of the parameter's range and texts it does not take.
void SetParameterValue(const PluginInstance& plugin, int index, const std::string& value);

// "NAME=VALUE" from --set, applied to the instance.
void ApplySetting(const PluginInstance& plugin, const std::string& setting);
