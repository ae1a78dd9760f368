// A module whose VST2 entry point returns no plug-in, as a failing plug-in's does.
#include "vst/vst_abi.h"

#ifdef _WIN32
#define TEST_EXPORT __declspec(dllexport)
#else
#define TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TEST_EXPORT AEffect* VSTPluginMain(audioMasterCallback)
{
    return nullptr;
}
