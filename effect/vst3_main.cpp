// What the VST 3 module's factory says about Ruckstone (the entry points are in vst3/module_entry.h).
#include "effect/ruckstone.h"
#include "vst3/module_entry.h"

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
}  // namespace

Vst3Factory& ModuleFactory()
{
    static Vst3Factory factory(kRuckstoneClasses);
    return factory;
}
