// ruckhost stress for VST3 bundles: a bounded torture test that keeps VST3's thread rules
// (instances, activation, states and queries on this thread, processing on an audio thread).
#pragma once

#include <cstdint>
#include <string>

// Prints a summary and returns 0 when every check held; throws HostError otherwise.
int RunVst3Stress(const std::string& path, double seconds, uint64_t seed);
