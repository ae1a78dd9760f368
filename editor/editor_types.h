// Small value types shared by the editor view and its controls: rectangles, colours,
// mouse-key state, image handles, text styles and blend choices.
#pragma once

#include <cstdint>

#include "raster/raster_bitmap.h"

class CachedFont;

// A rectangle in editor pixels; right and bottom are exclusive. All zeros is empty.
struct IBounds {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    // The smallest rectangle holding both; an empty side gives the other.
    IBounds Union(const IBounds& other) const;
    // The common part; empty (all zeros) when they do not overlap.
    IBounds Intersect(const IBounds& other) const;
    // True when the two overlap by at least one pixel.
    bool Overlaps(const IBounds& other) const;
};

struct IArgb {
    int32_t a = 255;
    int32_t r = 0;
    int32_t g = 0;
    int32_t b = 0;

    Pixel32 Packed() const
    {
        return (static_cast<Pixel32>(a & 255) << 24) | (static_cast<Pixel32>(r & 255) << 16) |
               (static_cast<Pixel32>(g & 255) << 8) | static_cast<Pixel32>(b & 255);
    }
};

// Button and modifier state with a mouse event; each 0 or 1.
struct IMouseKeys {
    uint8_t left = 0;
    uint8_t right = 0;
    uint8_t shift = 0;
    uint8_t control = 0;
    uint8_t alt = 0;
};

// The bit of a platform's button-and-modifier flags that stands for each key; 0 for a key
// the flags do not carry.
struct IMouseKeyMasks {
    uint32_t left;
    uint32_t right;
    uint32_t shift;
    uint32_t control;
    uint32_t alt;
};

// The keys whose bits are set in flags.
IMouseKeys MouseKeysFromFlags(uint32_t flags, const IMouseKeyMasks& masks);

// An image owned by the view's image cache; frames are equal slices of it.
struct IImageStrip {
    RasterBitmap* bitmap = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t frames = 1;
};

// How a text is drawn: face, pixel size, colour, style bits (1 bold, 2 italic),
// alignment (0 left, 1 centred, 2 right), orientation in degrees and quality.
struct ITextStyle {
    char face[32] = "Arial";
    int32_t size = 12;
    IArgb colour = {255, 0, 0, 0};
    int32_t style = 0;
    int32_t alignment = 0;
    int32_t orientation = 0;
    int32_t quality = 0;
    CachedFont* cachedFont = nullptr;
};

// Blend method 0..3 (source alpha, plain copy, add, dodge) and weight (opacity).
struct IBlend {
    int32_t method = 0;
    float weight = 1.0f;
};

// Keys as the controls see them (KeyDown codes).
enum IKeyCode : int {
    kKeySpace = 0,
    kKeyUp = 1,
    kKeyDown = 2,
    kKeyLeft = 3,
    kKeyRight = 4,
    kKeyDigit0 = 5,   // digits 0..9 are 5..14
    kKeyLetterA = 15  // letters A..Z are 15..40
};
