// Text drawing onto RasterBitmap surfaces. A CachedFont wraps a system font and draws UTF-8
// text either through the platform's whole-text engine or from a per-font cache of 8-bit
// glyph coverage composed in the font's colour, opacity and blend mode.
#pragma once

#include <cstdint>

#include "plug/grow_buffer.h"
#include "raster/blend.h"
#include "raster/raster_bitmap.h"
#include "raster/system_font.h"

// Font flags.
constexpr int FontVertical = 0x1;         // glyphs turned a quarter turn, text advancing downwards
constexpr int FontBottomUp = 0x2;         // with FontVertical: turned the other way, advancing upwards
constexpr int FontAsciiOnly = 0x4;        // only codes 0..127, all rendered when the font is attached
constexpr int FontBlur = 0x10;            // each rendered glyph blurred once before its coverage is taken
constexpr int FontInvert = 0x20;          // coverage inverted
constexpr int FontMono = 0x40;            // coverage above 130 full, the rest empty
constexpr int FontShadow = 0x80;          // mono plus a half-coverage shadow down and to the right
constexpr int FontOutline = 0x100;        // mono plus a half-coverage outline (without FontShadow)
constexpr int FontOwnsSystemFont = 0x200; // the system font is deleted with the font or when replaced
constexpr int FontPreferNative = 0x400;   // whole texts may go through the system text engine

// Text format bits (the values of the Windows DT_ flags of the same meaning).
using TextFormat = std::uint32_t;
constexpr TextFormat TextCenter = 0x1;
constexpr TextFormat TextRight = 0x2;
constexpr TextFormat TextVCenter = 0x4;
constexpr TextFormat TextBottom = 0x8;
constexpr TextFormat TextSingleLine = 0x20;
constexpr TextFormat TextNoClip = 0x100;
constexpr TextFormat TextCalcRect = 0x400;
constexpr TextFormat TextNoPrefix = 0x800;
constexpr TextFormat TextScaleByColourAlpha = 0x40000000;  // opacity scaled by the text colour's alpha
constexpr TextFormat TextForceGlyphs = 0x80000000;         // never the system text engine

// Background modes (the system's values).
constexpr int BackgroundTransparent = 1;
constexpr int BackgroundOpaque = 2;

// One cached glyph: `height` rows of `width` coverage bytes at glyphData[dataOffset - 1].
struct GlyphRecord {
    std::int32_t dataOffset;  // 0 = not rendered yet, -1 = renders to nothing
    std::int32_t width;
    std::int32_t height;
    std::int32_t advance;
    std::uint16_t code;       // a UTF-16 code unit
    std::int32_t bearing;     // the bitmap starts this many pixels before the pen
    std::int32_t rise;        // and this many above it (only a turned font's glyphs rise)
};

class RasterFont {
public:
    virtual ~RasterFont() = default;
    virtual void SetFromSystemFont(SystemFontHandle font, int flags) = 0;
    // The four setters return the previous value.
    virtual Pixel32 SetTextColour(Pixel32 colour) = 0;
    virtual Pixel32 SetBackgroundColour(Pixel32 colour) = 0;
    virtual Pixel32 SetEffectColour(Pixel32 colour) = 0;
    virtual int SetBackgroundMode(int mode) = 0;
    virtual void SetCombineMode(BlendMode mode, float opacity) = 0;
    // Draws (or with TextCalcRect measures into rect) UTF-8 text of length bytes (-1: up to
    // the NUL). Returns the text's height (width for vertical text), 0 when nothing was drawn.
    virtual int RenderText(RasterBitmap* dest, const char* text, int length, RasterRect* rect,
                           TextFormat format) = 0;
    virtual Pixel32 TextColour() const = 0;
    virtual SystemFontHandle SystemFont() const = 0;
    virtual int LineHeight() const = 0;
};

class CachedFont : public RasterFont {
public:
    CachedFont();
    ~CachedFont() override;
    CachedFont(const CachedFont&) = delete;
    CachedFont& operator=(const CachedFont&) = delete;

    void SetFromSystemFont(SystemFontHandle font, int flags) override;
    Pixel32 SetTextColour(Pixel32 colour) override;
    Pixel32 SetBackgroundColour(Pixel32 colour) override;
    Pixel32 SetEffectColour(Pixel32 colour) override;
    int SetBackgroundMode(int mode) override;
    void SetCombineMode(BlendMode mode, float opacity) override;
    int RenderText(RasterBitmap* dest, const char* text, int length, RasterRect* rect, TextFormat format) override;
    Pixel32 TextColour() const override { return textColour; }
    SystemFontHandle SystemFont() const override { return systemFont; }
    int LineHeight() const override { return lineHeight; }

    // Draws one cached glyph (never renders it) with its pen at (x, y), clipped to clip.
    // Returns whether any of its box lay inside the clip.
    virtual bool DrawGlyph(RasterBitmap* dest, int code, int x, int y, const RasterRect& clip);

    // The cached record of a code, or null when it has none yet.
    const GlyphRecord* FindGlyph(int code) const;
    // The coverage bytes of a rendered record, or null when it has none.
    const std::uint8_t* GlyphCoverage(const GlyphRecord& record) const;

private:
    struct TextMetrics;
    struct PenPlace;

    GlyphRecord* LookUpGlyph(int code);
    // The record to draw for a code, rendered first when needed; null when it draws nothing.
    const GlyphRecord* DrawableGlyph(int code);
    GlyphRecord* RenderGlyph(int code);
    GlyphRecord* AddExtendedGlyph(int code);
    void ClearGlyphCache();
    bool UsesSystemEngine(RasterBitmap* dest, TextFormat format) const;
    int RenderSystemText(RasterBitmap* dest, const char* text, int length, RasterRect* rect, TextFormat format);
    int RenderGlyphText(RasterBitmap* dest, const char* text, int length, RasterRect* rect, TextFormat format);
    PenPlace PenAt(int along, int line, bool vertical) const;
    template <class Visit>
    void ForEachGlyph(const char* text, int length, TextFormat format, bool upwards, Visit visit);
    TextMetrics MeasureGlyphText(const char* text, int length, TextFormat format);
    int DrawGlyphText(RasterBitmap* dest, const char* text, int length, int x, int y, const RasterRect& clip,
                      TextFormat format);
    bool StoreCoverage(GlyphRecord& record, RasterBitmap& scratch, const RasterRect& box, const RasterRect& keep,
                       int penX, int penY);
    void TurnCoverage(GlyphRecord& record);
    void ApplyCoverageEffects(GlyphRecord& record);

    Pixel32 textColour = 0;
    Pixel32 backgroundColour = 0xFFFFFFFF;
    Pixel32 effectColour = 0xFFFFFFFF;
    std::int32_t backgroundMode = BackgroundTransparent;
    BlendMode blendMode = 0;
    float opacity = 1.0f;
    std::int32_t fontFlags = 0;
    std::int32_t lineHeight = 0;
    std::int32_t lineSpacing = 0;
    GlyphRecord asciiGlyphs[128] = {};
    IGrowBuffer extendedGlyphs{4096};
    IGrowBuffer glyphData{65536};
    SystemFontHandle systemFont = nullptr;
    // The baseline's direction (a unit step, y down) when the system font is turned.
    bool turned = false;
    SystemTextDirection direction = {1.0, 0.0};
};

// Reads one character of UTF-8 from at most `available` bytes at text (-1: up to the NUL;
// at least 1): returns its code (a space for codes beyond 16 bits) and sets *bytes to its length.
int DecodeUtf8Char(const char* text, int available, int* bytes);
// Whether a text of length bytes (-1: up to the NUL) holds a multi-byte UTF-8 sequence.
bool HasMultiByteUtf8(const char* text, int length = -1);
