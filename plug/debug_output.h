// The platform's debug output: one line at a time, for developers watching a host.
#pragma once

// On Windows the line goes to the debugger (OutputDebugStringA); on Linux to standard
// error, and only when RUCKSTONE_DEBUG is set, so hosts' consoles stay clean.
void DebugOutput(const char* line);
