// Ruckstone's own VST 3 interface on its edit controller, beside the published ones: the
// editor's face painted by the plug-in's drawing code without a window, as the VST2 vendor
// request 'RkSn' and the CLAP snapshot extension do. Hosts that know it (ruckhost snapshot)
// ask the controller for it through queryInterface; both calls come on the main thread.
#pragma once

#include "vst3/vst3_abi.h"

namespace vst3 {

// Fixed for ever: hosts ask for the interface by this ID.
constexpr Uid kRuckSnapshotIid = MakeUid(0x7A1C8FBF, 0xF1F144BC, 0xA975BF32, 0xAC8C4D16);

class IRuckSnapshot : public FUnknown {
public:
    // The face's size in pixels; kResultFalse when the plug-in shows none.
    virtual tresult getFaceSize(int32_t* width, int32_t* height) = 0;
    // Paints the whole face into width * height pixels, 0xAARRGGBB top row first;
    // kResultFalse, with nothing written, unless the size is the one getFaceSize gives.
    virtual tresult paintFace(int32_t width, int32_t height, uint32_t* pixels) = 0;
};

}  // namespace vst3
