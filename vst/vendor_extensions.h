// Requests this plug-in answers through effVendorSpecific beyond the published interface.
#pragma once

#include <cstdint>

#include "vst/vst_abi.h"

// Index 'RkSn': paint the editor's whole face into the host's buffer. ptr points at a
// RuckSnapshot whose width and height must equal the editor's (effEditGetRect); the
// answer is 1 when the pixels were written, 0 otherwise.
constexpr VstInt32 kRuckSnapshotIndex = 0x526B536E;

struct RuckSnapshot {
    int32_t width;
    int32_t height;
    uint32_t* pixels;  // width * height pixels, 0xAARRGGBB, top row first
};
