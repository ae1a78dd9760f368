// CachedFont: its settings, the glyph cache's records, and RenderText with its choice
// between the system text engine and the glyph cache.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "raster/dib_bitmap.h"
#include "raster/font_state.h"
#include "raster/raster_font.h"

namespace {

// Asks a surface whether it is one the system engine cannot draw into (other pixel formats).
constexpr int kQueryForeignSurface = 0x59555678;

// Font flags under which texts always go through the glyph cache.
constexpr int kGlyphOnlyFontFlags =
    FontVertical | FontBottomUp | FontAsciiOnly | FontBlur | FontInvert | FontMono | FontShadow | FontOutline;

constexpr TextFormat kAlignment = TextCenter | TextRight | TextVCenter | TextBottom;

constexpr int kGlyphRecordSize = static_cast<int>(sizeof(GlyphRecord));

// The font's opacity for the length of one call.
class OpacityOverride {
public:
    OpacityOverride(float& opacity, float value) : target(opacity), saved(opacity) { target = value; }
    ~OpacityOverride() { target = saved; }
    OpacityOverride(const OpacityOverride&) = delete;
    OpacityOverride& operator=(const OpacityOverride&) = delete;

private:
    float& target;
    float saved;
};

RasterRect Intersect(const RasterRect& a, const RasterRect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const RasterRect& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

}  // namespace

// Extent of a text from its start: how far right and how far down its glyphs reach.
struct CachedFont::TextMetrics {
    int width = 0;
    int height = 0;
};

// Where a glyph is drawn, from the text's start: its pen, and the distance along its line
// before it and that line's offset (as an upright text would lay them out).
struct CachedFont::PenPlace {
    int x;
    int y;
    int along;
    int line;
};

CachedFont::CachedFont()
{
    FontCreated();
}

CachedFont::~CachedFont()
{
    if ((fontFlags & FontOwnsSystemFont) && systemFont) {
        DeleteSystemFont(systemFont);
    }
    FontDestroyed();
}

void CachedFont::SetFromSystemFont(SystemFontHandle font, int flags)
{
    if ((fontFlags & FontOwnsSystemFont) && systemFont && systemFont != font) {
        DeleteSystemFont(systemFont);
    }
    fontFlags = flags;
    systemFont = font;
    lineHeight = 0;
    direction = SystemFontDirection(font);
    turned = direction.x != 1.0 || direction.y != 0.0;
    if (font) {
        DibBitmap* scratch = GlyphScratch(256);
        lineHeight = scratch ? SystemFontLineHeight(font, *scratch) : 0;
    }
    ClearGlyphCache();
    if (flags & FontAsciiOnly) {
        for (int code = 0; code < 128; ++code) {
            RenderGlyph(code);
        }
    }
}

Pixel32 CachedFont::SetTextColour(Pixel32 colour)
{
    return std::exchange(textColour, colour);
}

Pixel32 CachedFont::SetBackgroundColour(Pixel32 colour)
{
    return std::exchange(backgroundColour, colour);
}

Pixel32 CachedFont::SetEffectColour(Pixel32 colour)
{
    return std::exchange(effectColour, colour);
}

int CachedFont::SetBackgroundMode(int mode)
{
    return std::exchange(backgroundMode, mode);
}

void CachedFont::SetCombineMode(BlendMode mode, float newOpacity)
{
    blendMode = mode;
    opacity = newOpacity;
}

void CachedFont::ClearGlyphCache()
{
    std::memset(asciiGlyphs, 0, sizeof(asciiGlyphs));
    extendedGlyphs.SetSize(0, true);
    glyphData.SetSize(0, true);
}

const GlyphRecord* CachedFont::FindGlyph(int code) const
{
    if (code >= 0 && code < 128) {
        return &asciiGlyphs[code];
    }
    if (code < 0 || code > 0xFFFF) {
        return nullptr;
    }
    const auto* first = reinterpret_cast<const GlyphRecord*>(extendedGlyphs.Data());
    const GlyphRecord* last = first + extendedGlyphs.Size() / kGlyphRecordSize;
    const GlyphRecord* found = std::lower_bound(
        first, last, code, [](const GlyphRecord& record, int wanted) { return record.code < wanted; });
    return found != last && found->code == code ? found : nullptr;
}

GlyphRecord* CachedFont::LookUpGlyph(int code)
{
    return const_cast<GlyphRecord*>(FindGlyph(code));
}

const std::uint8_t* CachedFont::GlyphCoverage(const GlyphRecord& record) const
{
    if (record.dataOffset <= 0 || record.width <= 0 || record.height <= 0) {
        return nullptr;
    }
    const std::int64_t end = static_cast<std::int64_t>(record.dataOffset) - 1 +
                             static_cast<std::int64_t>(record.width) * record.height;
    if (end > glyphData.Size()) {
        return nullptr;
    }
    return glyphData.Data() + record.dataOffset - 1;
}

GlyphRecord* CachedFont::AddExtendedGlyph(int code)
{
    const int count = extendedGlyphs.Size() / kGlyphRecordSize;
    auto* records =
        reinterpret_cast<GlyphRecord*>(extendedGlyphs.SetSize((count + 1) * kGlyphRecordSize, false));
    if (!records || extendedGlyphs.Size() != (count + 1) * kGlyphRecordSize) {
        extendedGlyphs.SetSize(count * kGlyphRecordSize, false);
        return nullptr;
    }
    GlyphRecord added = {};
    added.code = static_cast<std::uint16_t>(code);
    GlyphRecord* end = records + count;
    GlyphRecord* at = std::upper_bound(records, end, added.code, [](std::uint16_t wanted, const GlyphRecord& r) {
        return wanted < r.code;
    });
    std::move_backward(at, end, end + 1);
    *at = added;
    return at;
}

int CachedFont::RenderText(RasterBitmap* dest, const char* text, int length, RasterRect* rect, TextFormat format)
{
    if (!text || !rect || (!dest && !(format & TextCalcRect))) {
        return 0;
    }
    if (UsesSystemEngine(dest, format)) {
        return RenderSystemText(dest, text, length, rect, format & ~TextForceGlyphs);
    }
    return RenderGlyphText(dest, text, length, rect, format & ~TextForceGlyphs);
}

bool CachedFont::UsesSystemEngine(RasterBitmap* dest, TextFormat format) const
{
    if (!HasSystemTextEngine() || (dest && dest->Query(kQueryForeignSurface, nullptr) != 0)) {
        return false;
    }
    if (lineHeight >= 256) {
        return true;
    }
    return (fontFlags & FontPreferNative) && systemFont && !(format & TextForceGlyphs) &&
           !(format & TextScaleByColourAlpha) && !(fontFlags & kGlyphOnlyFontFlags) &&
           (lineSpacing == 0 || (format & TextSingleLine)) && !WineDetected();
}

int CachedFont::RenderSystemText(RasterBitmap* dest, const char* text, int length, RasterRect* rect,
                                 TextFormat format)
{
    const SystemTextRequest request = {systemFont, dest,           text,       length,  rect,      format,
                                       textColour, backgroundMode, backgroundColour, opacity, lineHeight};
    return DrawSystemText(request);
}

int CachedFont::RenderGlyphText(RasterBitmap* dest, const char* text, int length, RasterRect* rect,
                                TextFormat format)
{
    const bool vertical = fontFlags & FontVertical;
    const bool bottomUp = vertical && (fontFlags & FontBottomUp);
    if (format & TextCalcRect) {
        const TextMetrics size = MeasureGlyphText(text, length, format);
        rect->right = rect->left + size.width;
        rect->bottom = rect->top + size.height;
        return vertical ? size.width : size.height;
    }
    float callOpacity = opacity;
    if (format & TextScaleByColourAlpha) {
        callOpacity *= static_cast<float>(textColour >> 24) * static_cast<float>(0.00392156862745098);
    }
    if (!(callOpacity > 0.0f)) {
        return 0;
    }
    int x = rect->left;
    int y = rect->top;
    if ((format & kAlignment) || bottomUp) {
        const TextMetrics size = MeasureGlyphText(text, length, format & TextSingleLine);
        if (format & TextCenter) {
            x = rect->left + (rect->right - rect->left - size.width) / 2;
        } else if (format & TextRight) {
            x = rect->right - size.width;
        }
        if (format & TextVCenter) {
            y = rect->top + (rect->bottom - rect->top - size.height) / 2;
        } else if (format & TextBottom) {
            y = rect->bottom - size.height;
        }
        if (bottomUp) {
            y += size.height;
        }
    }
    RasterRect clip = {0, 0, dest->Width(), dest->Height()};
    if (!(format & TextNoClip)) {
        clip = Intersect(clip, *rect);
    }
    if (IsEmpty(clip) || !dest->Pixels()) {
        return 0;
    }
    OpacityOverride scaled(opacity, callOpacity);
    return DrawGlyphText(dest, text, length, x, y, clip, format);
}

const GlyphRecord* CachedFont::DrawableGlyph(int code)
{
    const GlyphRecord* record = LookUpGlyph(code);
    if (!record || record->dataOffset == 0) {
        record = RenderGlyph(code);
    }
    return record && GlyphCoverage(*record) ? record : nullptr;
}

CachedFont::PenPlace CachedFont::PenAt(int along, int line, bool vertical) const
{
    if (vertical) {
        return {line, along, along, line};
    }
    if (!turned) {
        return {along, line, along, line};
    }
    // A turned line runs from its start along the turned baseline.
    return {static_cast<int>(std::lround(along * direction.x)),
            line + static_cast<int>(std::lround(along * direction.y)), along, line};
}

template <class Visit>
void CachedFont::ForEachGlyph(const char* text, int length, TextFormat format, bool upwards, Visit visit)
{
    const bool vertical = fontFlags & FontVertical;
    const int lineStep = lineSpacing + lineHeight;
    int line = 0;
    int along = 0;
    int used = 0;
    while ((length == -1 || used < length) && text[used] != 0) {
        int bytes = 1;
        int code = DecodeUtf8Char(text + used, length == -1 ? -1 : length - used, &bytes);
        used += bytes;
        if (code == '\r') {
            continue;
        }
        if (code == '\n') {
            if (!(format & TextSingleLine)) {
                line += lineStep;
                along = 0;
                continue;
            }
            code = ' ';
        }
        const GlyphRecord* record = DrawableGlyph(code);
        if (!record) {
            continue;
        }
        visit(*record, PenAt(along, line, vertical));
        along += vertical && upwards ? -record->advance : record->advance;
    }
}

CachedFont::TextMetrics CachedFont::MeasureGlyphText(const char* text, int length, TextFormat format)
{
    const bool vertical = fontFlags & FontVertical;
    TextMetrics size;
    ForEachGlyph(text, length, format, false, [&](const GlyphRecord& glyph, const PenPlace& pen) {
        if (vertical) {
            size.height = std::max({size.height, pen.y + glyph.advance, pen.y + glyph.height - glyph.bearing});
            size.width = std::max(size.width, pen.x + glyph.width);
        } else if (turned) {
            // Measured upright, as the system engine measures a turned text.
            size.width = std::max(size.width, pen.along + glyph.advance);
            size.height = std::max(size.height, pen.line + lineHeight);
        } else {
            size.width = std::max({size.width, pen.x + glyph.advance, pen.x + glyph.width - glyph.bearing});
            size.height = std::max(size.height, pen.y + glyph.height);
        }
    });
    return size;
}

int CachedFont::DrawGlyphText(RasterBitmap* dest, const char* text, int length, int x, int y,
                              const RasterRect& clip, TextFormat format)
{
    const bool vertical = fontFlags & FontVertical;
    const bool bottomUp = vertical && (fontFlags & FontBottomUp);
    int extent = 0;
    ForEachGlyph(text, length, format, bottomUp, [&](const GlyphRecord& glyph, const PenPlace& pen) {
        const int glyphX = x + pen.x;
        const int glyphY = y + pen.y - (bottomUp ? glyph.height : 0);
        if (DrawGlyph(dest, glyph.code, glyphX, glyphY, clip)) {
            extent = std::max(extent, vertical ? glyphX + glyph.width - x : glyphY - glyph.rise + glyph.height - y);
        }
    });
    return extent;
}
