// The VST 3 module's exported entry points and what its factory says about Ruckstone.
#include "effect/ruckstone.h"
#include "vst3/plugin_factory.h"

namespace {
IVst3Plugin* MakeRuckstone(IVst3HostLink* host)
{
    try {
        return new VSTCLASS(host);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The class IDs are the MD5 sums of "Tolvi Ruckstone VST3 processor" and "Tolvi Ruckstone
// VST3 controller", taken once. Hosts store them in projects: they must never change.
const IVst3ClassInfo kRuckstoneClasses = {
    "Ruckstone",
    "Tolvi",
    "https://tolvi.audio/ruckstone/",
    "",
    RUCK_PROJECT_VERSION,
    "Fx|Distortion",
    vst3::MakeUid(0x22F7B8D7, 0x05596335, 0x457AFEC8, 0xC6B207AD),
    vst3::MakeUid(0x86EB63E5, 0xB1636EE2, 0x663A93C1, 0x926A5BE0),
    MakeRuckstone,
};

Vst3Factory factory(kRuckstoneClasses);
}  // namespace

#ifdef _WIN32
#define RUCK_EXPORT __declspec(dllexport)
#else
#define RUCK_EXPORT __attribute__((visibility("default")))
#endif

extern "C" RUCK_EXPORT vst3::PluginFactory* GetPluginFactory()
{
    factory.addRef();
    return &factory;
}

// The module keeps no state of its own to set up or tear down.
#ifdef _WIN32
extern "C" RUCK_EXPORT bool InitDll()
{
    return true;
}

extern "C" RUCK_EXPORT bool ExitDll()
{
    return true;
}
#else
extern "C" RUCK_EXPORT bool ModuleEntry(void*)
{
    return true;
}

extern "C" RUCK_EXPORT bool ModuleExit()
{
    return true;
}
#endif
