// Filling the glyph cache: one character rendered white on black by the system font engine
// into the glyph scratch surface, its coverage trimmed into glyphData, then turned and
// thresholded as the font's flags ask.
#include <algorithm>
#include <vector>

#include "raster/dib_bitmap.h"
#include "raster/font_state.h"
#include "raster/raster_font.h"

namespace {

constexpr int kLargestRenderedLine = 1023;
constexpr std::uint8_t kFull = 255;
constexpr std::uint8_t kEffect = 128;

// Coverage of one scratch pixel: its red byte.
std::uint8_t CoverageAt(const Pixel32* row, int x, bool invert)
{
    const auto red = static_cast<std::uint8_t>(row[x] >> 16);
    return invert ? static_cast<std::uint8_t>(255 - red) : red;
}

// The smallest rectangle of the box holding all its ink; right <= left when there is none.
RasterRect FindInk(RasterBitmap& scratch, const RasterRect& box, bool invert)
{
    RasterRect ink = {box.right, box.bottom, box.left, box.top};
    for (int y = box.top; y < box.bottom; ++y) {
        const Pixel32* row = RasterRow(scratch, y);
        for (int x = box.left; x < box.right; ++x) {
            if (CoverageAt(row, x, invert) != 0) {
                ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                       std::max(ink.bottom, y + 1)};
            }
        }
    }
    return ink;
}

void Threshold(std::uint8_t* coverage, int count)
{
    for (int i = 0; i < count; ++i) {
        coverage[i] = coverage[i] > 130 ? kFull : 0;
    }
}

// Marks empty pixels next to full ones (by the given neighbour offsets) with the effect value.
template <int N>
void MarkNeighbours(std::uint8_t* coverage, int width, int height, const int (&dx)[N], const int (&dy)[N])
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t& pixel = coverage[y * width + x];
            if (pixel != 0) {
                continue;
            }
            for (int i = 0; i < N; ++i) {
                const int nx = x + dx[i];
                const int ny = y + dy[i];
                if (nx >= 0 && ny >= 0 && nx < width && ny < height && coverage[ny * width + nx] == kFull) {
                    pixel = kEffect;
                    break;
                }
            }
        }
    }
}

}  // namespace

GlyphRecord* CachedFont::RenderGlyph(int code)
{
    if (lineHeight > kLargestRenderedLine || !systemFont || code < 0 || code > 0xFFFF) {
        return nullptr;
    }
    GlyphRecord* record = LookUpGlyph(code);
    if (!record) {
        record = (fontFlags & FontAsciiOnly) ? nullptr : AddExtendedGlyph(code);
        if (!record) {
            return nullptr;
        }
    }
    *record = {};
    record->code = static_cast<std::uint16_t>(code);
    record->dataOffset = -1;
    DibBitmap* scratch = GlyphScratch(std::max(lineHeight, 1) * 2 + 8);
    if (!scratch) {
        return record;
    }
    const auto unit = static_cast<std::uint16_t>(code);
    const int margin = lineHeight < 16 ? 0 : lineHeight / 16;
    const int penColumn = margin + 2;
    const SystemCharSize size = MeasureSystemChar(systemFont, *scratch, unit);
    if (size.width < 1 || size.height < 1) {
        return record;
    }
    // An upright character is drawn with its pen on the box's top edge and keeps every row
    // and at least its advance; a turned one may reach its cell's diagonal from its pen in any
    // direction, so it is drawn in the middle of a larger box and keeps only its ink.
    int penX = penColumn;
    int penY = 0;
    RasterRect box = {0, 0, size.width + 2 * margin + 4, size.height};
    RasterRect keep = {penColumn, 0, penColumn + size.width, size.height};
    if (turned) {
        const int reach = size.width + size.height + margin + 2;
        scratch = GlyphScratch(2 * reach);
        if (!scratch) {
            return record;
        }
        penX = penY = reach;
        box = {0, 0, 2 * reach, 2 * reach};
        keep = {reach, reach, reach + 1, reach + 1};
    }
    box.right = std::min(box.right, scratch->Width());
    box.bottom = std::min(box.bottom, scratch->Height());
    FillRect(scratch, 0, 0, box.right, box.bottom, 0, 1.0f, BlendCopy);
    DrawSystemChar(systemFont, *scratch, unit, penX, penY, box.right, box.bottom);
    if (fontFlags & FontBlur) {
        BlurRect(scratch, scratch, 0, 0, 0, 0, box.right, box.bottom);
    }
    record->advance = size.width;
    if (!StoreCoverage(*record, *scratch, box, keep, penX, penY)) {
        *record = {};
        record->code = unit;
        record->dataOffset = -1;
        return record;
    }
    if (fontFlags & FontVertical) {
        TurnCoverage(*record);
    }
    ApplyCoverageEffects(*record);
    return record;
}

// Keeps the part of the box that holds the ink or the keep area, whichever reaches further,
// and records where it starts from the pen.
bool CachedFont::StoreCoverage(GlyphRecord& record, RasterBitmap& scratch, const RasterRect& box,
                               const RasterRect& keep, int penX, int penY)
{
    const bool invert = fontFlags & FontInvert;
    const RasterRect ink = FindInk(scratch, box, invert);
    const int left = std::min(ink.left, keep.left);
    const int top = std::min(ink.top, keep.top);
    const int right = std::min(std::max(ink.right, keep.right), box.right);
    const int bottom = std::min(std::max(ink.bottom, keep.bottom), box.bottom);
    const int width = right - left;
    const int height = bottom - top;
    const int offset = glyphData.Size();
    std::uint8_t* data = glyphData.SetSize(offset + width * height, false);
    if (width < 1 || height < 1 || !data || glyphData.Size() != offset + width * height) {
        glyphData.SetSize(offset, false);
        return false;
    }
    std::uint8_t* out = data + offset;
    for (int y = top; y < bottom; ++y) {
        const Pixel32* row = RasterRow(scratch, y);
        for (int x = left; x < right; ++x) {
            *out++ = CoverageAt(row, x, invert);
        }
    }
    record.dataOffset = offset + 1;
    record.width = width;
    record.height = height;
    record.bearing = penX - left;
    record.rise = penY - top;
    return true;
}

// A quarter turn clockwise (the glyph's left side on top, for text running down), or
// anticlockwise for bottom-up text; width and height change places.
void CachedFont::TurnCoverage(GlyphRecord& record)
{
    std::uint8_t* bitmap = glyphData.Data() + record.dataOffset - 1;
    const int w = record.width;
    const int h = record.height;
    const std::vector<std::uint8_t> original(bitmap, bitmap + w * h);
    const bool anticlockwise = fontFlags & FontBottomUp;
    for (int y = 0; y < w; ++y) {
        for (int x = 0; x < h; ++x) {
            const int sourceX = anticlockwise ? w - 1 - y : y;
            const int sourceY = anticlockwise ? x : h - 1 - x;
            bitmap[y * h + x] = original[sourceY * w + sourceX];
        }
    }
    record.width = h;
    record.height = w;
}

void CachedFont::ApplyCoverageEffects(GlyphRecord& record)
{
    if (!(fontFlags & (FontMono | FontShadow | FontOutline))) {
        return;
    }
    std::uint8_t* bitmap = glyphData.Data() + record.dataOffset - 1;
    Threshold(bitmap, record.width * record.height);
    if (fontFlags & FontShadow) {
        static const int dx[3] = {-1, -1, 0};
        static const int dy[3] = {0, -1, -1};
        MarkNeighbours(bitmap, record.width, record.height, dx, dy);
    } else if (fontFlags & FontOutline) {
        static const int dx[4] = {0, 0, -1, 1};
        static const int dy[4] = {-1, 1, 0, 0};
        MarkNeighbours(bitmap, record.width, record.height, dx, dy);
    }
}
