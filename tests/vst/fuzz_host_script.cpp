// Ruckstone driven by host action scripts: every input is a script (tools/hostscript),
// played through the plug-in's entry function and effect record with every hostile
// request a host could make; a broken check ends the run with its message.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "effect/ruckstone.h"
#include "script_player.h"

namespace {
// What the module's exported VSTPluginMain does, linked in so that coverage covers the plug-in.
AEffect* RuckstoneEntry(audioMasterCallback host)
{
    return CreateVstEffect(host, [](audioMasterCallback h) -> IVstPlugin* { return new VSTCLASS(h); });
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // No display: opening the editor must fail cleanly, as it does on a headless machine.
    unsetenv("DISPLAY");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PlayerOptions options;
    options.strict = true;
    options.headlessEditor = true;
    ScriptPlayer player(RuckstoneEntry, options);
    if (!player.Play(data, size)) {
        std::fprintf(stderr, "host script fuzz: %s\n", player.Failure().c_str());
        std::abort();
    }
    return 0;
}
