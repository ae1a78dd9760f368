// The platform's font engine behind CachedFont: fonts made from a description, single
// characters rendered white on black into a scratch surface, whole texts where the platform
// can draw them (GDI on Windows; FreeType and fontconfig elsewhere, characters only).
#pragma once

#include <cstdint>

#include "raster/blend.h"
#include "raster/raster_bitmap.h"

// An HFONT on Windows; the engine's own face object elsewhere.
struct SystemFontObject;
using SystemFontHandle = SystemFontObject*;

enum class FontQuality { Default, NonAntialiased, Antialiased, ClearType };

struct SystemFontDescription {
    int height = 0;       // cell height in pixels (ascent + descent)
    int width = 0;        // 0: the face's own proportions
    int escapement = 0;   // tenths of a degree
    int orientation = 0;  // tenths of a degree
    int weight = 400;     // 400 normal, 700 bold
    bool italic = false;
    FontQuality quality = FontQuality::Default;
    const char* face = "";
};

// Null when the platform cannot make the font.
SystemFontHandle CreateSystemFont(const SystemFontDescription& description);
void DeleteSystemFont(SystemFontHandle font);

// Sets a scratch surface up for character rendering: white text on an opaque black background.
void PrepareGlyphSurface(RasterBitmap& scratch);
// The height of the font's lines (its text metrics' height); 0 when it cannot be read.
int SystemFontLineHeight(SystemFontHandle font, RasterBitmap& scratch);

// The direction a font's text runs in, as a unit step in surface coordinates (y down): (1, 0)
// unless the font was made with an escapement, which turns it anticlockwise.
struct SystemTextDirection {
    double x;
    double y;
};
SystemTextDirection SystemFontDirection(SystemFontHandle font);

struct SystemCharSize {
    int width;   // the advance along the baseline
    int height;  // the line's height
};
SystemCharSize MeasureSystemChar(SystemFontHandle font, RasterBitmap& scratch, std::uint16_t code);
// Draws one character white on black, its cell's top-left corner at (x, y): a turned font's
// character is turned about that corner. Nothing is drawn beyond limitWidth x limitHeight.
void DrawSystemChar(SystemFontHandle font, RasterBitmap& scratch, std::uint16_t code, int x, int y,
                    int limitWidth, int limitHeight);

// Whether the platform draws whole texts itself (otherwise every text goes through the glyph cache).
bool HasSystemTextEngine();

struct SystemTextRequest {
    SystemFontHandle font;
    RasterBitmap* dest;  // null: measuring only
    const char* text;    // UTF-8
    int length;          // bytes, -1 up to the NUL
    RasterRect* rect;    // set to the measured size with the measuring flag
    std::uint32_t format;
    Pixel32 colour;
    int backgroundMode;
    Pixel32 backgroundColour;
    float opacity;
    int lineHeight;
};
// Draws or measures a whole text with the system engine; returns the engine's result (the
// text's height), 0 when nothing could be drawn.
int DrawSystemText(const SystemTextRequest& request);

// Whether the process runs under the Wine compatibility layer (asks the registry each call).
bool ProbeWine();
