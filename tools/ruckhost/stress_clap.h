// ruckhost stress for CLAP plug-ins: a bounded torture test that keeps CLAP's thread rules
// (main-thread calls on this thread, processing on an audio thread of its own).
#pragma once

#include <cstdint>
#include <string>

// Prints a summary and returns 0 when every check held; throws HostError otherwise.
int RunClapStress(const std::string& path, double seconds, uint64_t seed);
