// The CLAP module's exported entry and what its factory says about Ruckstone.
#include "clap/clap_module.h"
#include "effect/ruckstone.h"

namespace {
IClapPlugin* MakeRuckstone(const clap::Host* host)
{
    try {
        return new VSTCLASS(host);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const char* const kFeatures[] = {"audio-effect", "distortion", "stereo", nullptr};

// The plug-in id: hosts store it in their projects and preset lists, so it never changes.
constexpr const char* kRuckstoneClapId = "audio.tolvi.ruckstone";

const clap::PluginDescriptor kDescriptor = {
    clap::kVersion,
    kRuckstoneClapId,
    "Ruckstone",
    "Tolvi",
    "https://tolvi.audio/ruckstone/",
    "",
    "",
    RUCK_PROJECT_VERSION,
    "A stereo distortion",
    kFeatures,
};

ClapModule module({&kDescriptor, MakeRuckstone});

bool CLAP_CALL Init(const char* path)
{
    return module.Init(path);
}

void CLAP_CALL Deinit()
{
    module.Deinit();
}

const void* CLAP_CALL Factory(const char* id)
{
    return module.Factory(id);
}
}  // namespace

#ifdef _WIN32
#define RUCK_EXPORT __declspec(dllexport)
#else
#define RUCK_EXPORT __attribute__((visibility("default")))
#endif

extern "C" RUCK_EXPORT const clap::PluginEntry clap_entry = {clap::kVersion, Init, Deinit, Factory};
