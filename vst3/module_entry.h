// The exported entry points of a VST 3 module, around the factory the module defines as
// ModuleFactory(). Included by exactly one source file of each module.
#pragma once

#include "vst3/plugin_factory.h"

#ifdef _WIN32
#define RUCK_VST3_EXPORT __declspec(dllexport)
#else
#define RUCK_VST3_EXPORT __attribute__((visibility("default")))
#endif

Vst3Factory& ModuleFactory();

extern "C" RUCK_VST3_EXPORT vst3::PluginFactory* GetPluginFactory()
{
    Vst3Factory& factory = ModuleFactory();
    factory.addRef();
    return &factory;
}

// The module keeps no state of its own to set up or tear down.
#ifdef _WIN32
extern "C" RUCK_VST3_EXPORT bool InitDll()
{
    return true;
}

extern "C" RUCK_VST3_EXPORT bool ExitDll()
{
    return true;
}
#else
extern "C" RUCK_VST3_EXPORT bool ModuleEntry(void*)
{
    return true;
}

extern "C" RUCK_VST3_EXPORT bool ModuleExit()
{
    return true;
}
#endif
