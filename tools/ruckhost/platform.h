// Process services that differ between Linux and Windows (platform_linux.cpp,
// platform_win.cpp).
#pragma once

#include <string>

// The folder of the running ruckhost executable.
std::string ExecutableDirectory();

// A crash inside the plug-in ends the process with kCrashExitCode and one line naming
// the calling thread's activity. Left to the sanitizers when they are built in.
void InstallCrashReport();

// The plug-in binary's file name on this platform: "Ruckstone.so" or "Ruckstone.dll".
std::string PluginFileName(const std::string& stem);
