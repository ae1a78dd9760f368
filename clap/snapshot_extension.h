// Ruckstone's own CLAP extension, beside the published ones: the editor's face painted by
// the plug-in's drawing code without a window, as the VST2 vendor request 'RkSn' does. Hosts
// that know it (ruckhost snapshot) ask for it by id; both calls come on the main thread.
#pragma once

#include "clap/clap_abi.h"

namespace clap {

constexpr const char* kExtRuckSnapshot = "audio.tolvi.ruckstone.snapshot/1";
struct PluginRuckSnapshot {
    // The face's size in pixels; false when the plug-in shows none.
    bool(CLAP_CALL* size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    // Paints the whole face into width * height pixels, 0xAARRGGBB top row first; false,
    // with nothing written, unless the size is the one `size` gives.
    bool(CLAP_CALL* paint)(const Plugin* plugin, uint32_t width, uint32_t height, uint32_t* pixels);
};

}  // namespace clap
