// The plug-in module's exported entry points: VSTPluginMain, and main for older hosts.
#include "effect/ruckstone.h"

namespace {
IVstPlugin* MakeRuckstone(audioMasterCallback host)
{
    return new VSTCLASS(host);
}
}  // namespace

#ifdef _WIN32
#define RUCK_EXPORT __declspec(dllexport)
#else
#define RUCK_EXPORT __attribute__((visibility("default")))
#endif

extern "C" RUCK_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
    return CreateVstEffect(host, MakeRuckstone);
}

#ifndef _WIN32
// The same entry under the name "main" (a C++ function may not be called main; on
// Windows the module definition file adds the alias instead).
extern "C" RUCK_EXPORT AEffect* LegacyMain(audioMasterCallback host) __asm__("main");
extern "C" AEffect* LegacyMain(audioMasterCallback host)
{
    return VSTPluginMain(host);
}
#endif
