// Parameters and programs picked by name or index, and parameter values given as the
// user types them: a display text or number (through effString2Parameter) or a
// normalised value with the suffix "n".
#pragma once

#include <string>
#include <vector>

#include "plugin_host.h"

// An index, or a name in the list (exact, else ignoring case); refuses unknown names and
// indices. `kind` and `path` name them in messages.
int FindNamed(const std::string& key, const std::vector<std::string>& names, const std::string& kind,
              const std::string& path);

// True when `value` is a normalised value with the suffix n (0.5n), which goes to
// `normalized`; refuses one outside 0..1, naming the parameter.
bool IsNormalizedValue(const std::string& value, const std::string& parameter, double& normalized);
// The same text, ignoring case.
bool SameText(const std::string& a, const std::string& b);

// Refuses values out of the parameter's range and texts it does not take.
void SetParameterValue(const PluginInstance& plugin, int index, const std::string& value);
