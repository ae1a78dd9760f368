#include "debug_output.h"

#include <windows.h>

void DebugOutput(const char* line)
{
    OutputDebugStringA(line);
}
