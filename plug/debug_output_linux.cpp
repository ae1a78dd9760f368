#include "debug_output.h"

#include <cstdio>
#include <cstdlib>

void DebugOutput(const char* line)
{
    if (std::getenv("RUCKSTONE_DEBUG") != nullptr) {
        std::fprintf(stderr, "%s\n", line);
    }
}
