// The editor's eleven value read-outs: the band at the bottom of each control where its
// parameter's text is printed (for a selector, its rectangle's bottom), and a typical text.
#pragma once

#include "raster/blend.h"

namespace readouts {

struct Readout {
    RasterRect band;
    const char* text;
    bool selector;  // a selector shows its state in its own image: no band on the face
};

constexpr int kEditorWidth = 454;
constexpr int kEditorHeight = 296;
constexpr int kCount = 11;

// Value style: "Arial", 15 pixels, white at alpha 230, centred.
constexpr int kValueSize = 15;
constexpr Pixel32 kValueColour = 0xE6FFFFFF;

constexpr Readout kReadouts[kCount] = {
    {{16, 91, 121, 106}, "Overdrive Fat", true},  // Algorithm
    {{34, 203, 100, 218}, "50%", false},           // Amount
    {{196, 90, 249, 105}, "Before", true},        // Foldback
    {{140, 197, 198, 212}, "-16dB", false},        // Gain
    {{217, 197, 275, 212}, "75%", false},          // Threshold
    {{295, 197, 353, 212}, "100%", false},         // Flip Thresh
    {{369, 197, 427, 212}, "2.00x", false},        // Multiply
    {{122, 262, 232, 277}, "0.35", false},         // Round
    {{43, 250, 91, 265}, "x2", true},             // Antialias
    {{227, 263, 337, 278}, "C", false},            // Pan
    {{333, 263, 443, 278}, "100%", false},         // Mix
};

}  // namespace readouts
