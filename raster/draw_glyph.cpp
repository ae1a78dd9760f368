// Composing one cached glyph onto a surface: its coverage weights the font's colour, which
// is merged with the operation byte of the font's blend mode.
#include <algorithm>
#include <cstdint>

#include "raster/combiners.h"
#include "raster/raster_font.h"

using namespace raster_detail;

namespace {

// The destination pixels a glyph covers, and where they start in its bitmap.
struct GlyphArea {
    int left;
    int top;
    int width;
    int height;
    int glyphX;
    int glyphY;
};

bool ClipGlyph(int x, int y, int width, int height, const RasterRect& clip, RasterBitmap& dest, GlyphArea* area)
{
    const std::int64_t left = std::max<std::int64_t>({x, clip.left, 0});
    const std::int64_t top = std::max<std::int64_t>({y, clip.top, 0});
    const std::int64_t right =
        std::min<std::int64_t>({static_cast<std::int64_t>(x) + width, clip.right, dest.Width()});
    const std::int64_t bottom =
        std::min<std::int64_t>({static_cast<std::int64_t>(y) + height, clip.bottom, dest.Height()});
    if (right <= left || bottom <= top) {
        return false;
    }
    *area = {static_cast<int>(left),
             static_cast<int>(top),
             static_cast<int>(right - left),
             static_cast<int>(bottom - top),
             static_cast<int>(left - x),
             static_cast<int>(top - y)};
    return true;
}

// Calls pixel(destination word, coverage) for every covered pixel of the area.
template <class Pixel>
void ForEachCovered(RasterBitmap& dest, const GlyphArea& area, const std::uint8_t* coverage, int glyphWidth,
                    Pixel pixel)
{
    for (int row = 0; row < area.height; ++row) {
        Pixel32* d = RasterRow(dest, area.top + row) + area.left;
        const std::uint8_t* c = coverage + (area.glyphY + row) * glyphWidth + area.glyphX;
        for (int i = 0; i < area.width; ++i) {
            if (c[i] != 0) {
                pixel(d[i], c[i]);
            }
        }
    }
}

// The three ways coverage becomes a weight and a value.
struct SmoothRule {
    Pixel32 colour;
    int w;
    int Weight(int coverage) const { return w == 256 ? coverage + 1 : std::min(256, w * coverage / 256); }
    Pixel32 Value(int) const { return colour; }
};
struct MonoRule {
    Pixel32 colour;
    int w;
    int Weight(int) const { return w; }
    Pixel32 Value(int) const { return colour; }
};
struct EffectRule {
    Pixel32 colour;
    Pixel32 effect;
    int w;
    int Weight(int) const { return w; }
    Pixel32 Value(int coverage) const { return coverage == 255 ? colour : effect; }
};

template <class Op, class Rule>
void Compose(RasterBitmap& dest, const GlyphArea& area, const std::uint8_t* coverage, int glyphWidth,
             const Rule& rule)
{
    ForEachCovered(dest, area, coverage, glyphWidth, [&rule](Pixel32& d, int c) {
        d = Op::Combine(d, rule.Value(c), 255, rule.Weight(c));
    });
}

template <class Rule>
void ComposeWithOperation(int operation, RasterBitmap& dest, const GlyphArea& area, const std::uint8_t* coverage,
                          int glyphWidth, const Rule& rule)
{
    switch (operation) {
    case BlendCopy: Compose<CopyOp>(dest, area, coverage, glyphWidth, rule); break;
    case BlendAdd: Compose<AddOp>(dest, area, coverage, glyphWidth, rule); break;
    case BlendDodge: Compose<DodgeOp>(dest, area, coverage, glyphWidth, rule); break;
    case BlendMultiply: Compose<MultiplyOp>(dest, area, coverage, glyphWidth, rule); break;
    case BlendOverlay: Compose<OverlayOp>(dest, area, coverage, glyphWidth, rule); break;
    case BlendHsvAdjust: Compose<HsvOp>(dest, area, coverage, glyphWidth, rule); break;
    default: break;
    }
}

// opacity x 256 truncated; kept below the size where weight x coverage could overflow.
int RawWeight(float opacity)
{
    if (!(opacity > 0.0f)) {
        return 0;
    }
    return opacity >= 65536.0f / 256.0f ? 65536 : static_cast<int>(opacity * 256.0f);
}

}  // namespace

bool CachedFont::DrawGlyph(RasterBitmap* dest, int code, int x, int y, const RasterRect& clip)
{
    const GlyphRecord* glyph = FindGlyph(code);
    const std::uint8_t* coverage = glyph ? GlyphCoverage(*glyph) : nullptr;
    if (!coverage || !dest || !dest->Pixels()) {
        return false;
    }
    if (!(fontFlags & FontVertical)) {
        x -= glyph->bearing;
        y -= glyph->rise;
    } else {
        y += (fontFlags & FontBottomUp) ? glyph->bearing : -glyph->bearing;
    }
    GlyphArea area;
    if (!ClipGlyph(x, y, glyph->width, glyph->height, clip, *dest, &area)) {
        return false;
    }
    if (backgroundMode == BackgroundOpaque) {
        FillRect(dest, area.left, area.top, area.width, area.height, backgroundColour, opacity,
                 blendMode & ~BlendUseSourceAlpha);
    }
    // An exact copy writes the colour words as they are; combining takes them as opaque.
    const int operation = blendMode & 0xFF;
    const Pixel32 colour = textColour | 0xFF000000u;
    const int w = RawWeight(opacity);
    const bool exactCopy = opacity == 1.0f && operation == BlendCopy;
    if (fontFlags & (FontShadow | FontOutline)) {
        const Pixel32 effect = effectColour | 0xFF000000u;
        if (exactCopy) {
            ForEachCovered(*dest, area, coverage, glyph->width,
                           [this](Pixel32& d, int c) { d = c == 255 ? textColour : effectColour; });
        } else if (w > 0) {
            ComposeWithOperation(operation, *dest, area, coverage, glyph->width,
                                 EffectRule{colour, effect, std::min(w, 256)});
        }
    } else if (fontFlags & FontMono) {
        if (exactCopy) {
            ForEachCovered(*dest, area, coverage, glyph->width, [this](Pixel32& d, int) { d = textColour; });
        } else if (w > 0) {
            ComposeWithOperation(operation, *dest, area, coverage, glyph->width, MonoRule{colour, std::min(w, 256)});
        }
    } else if (w > 0) {
        ComposeWithOperation(operation, *dest, area, coverage, glyph->width, SmoothRule{colour, w});
    }
    return true;
}
