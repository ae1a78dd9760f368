// ruckhost stress --sequence: host action scripts, random from a seed or read from a file,
// played against a plug-in with every check of the script player.
#pragma once

#include <cstdint>
#include <string>

class PluginLibrary;

struct SequenceSettings {
    double seconds = 10.0;
    uint64_t seed = 1;
    bool strict = false;
    std::string scriptFile;   // play this one script instead of random ones
    std::string keepFile;     // each random script is written here before it plays
};

// Prints a summary and returns 0 when every check held; throws HostError otherwise.
int RunSequenceStress(const PluginLibrary& library, const SequenceSettings& settings);
