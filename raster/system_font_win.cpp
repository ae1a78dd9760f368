// The font engine on Windows: GDI fonts, characters and whole texts drawn with DrawTextW
// (or DrawTextA for plain bytes) into a DIB section's device context, and the Wine probe.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/dib_bitmap.h"
#include "raster/font_state.h"
#include "raster/raster_font.h"
#include "raster/system_font.h"

static_assert(TextCenter == DT_CENTER && TextRight == DT_RIGHT && TextVCenter == DT_VCENTER &&
                  TextBottom == DT_BOTTOM && TextSingleLine == DT_SINGLELINE && TextNoClip == DT_NOCLIP &&
                  TextCalcRect == DT_CALCRECT && TextNoPrefix == DT_NOPREFIX,
              "text format bits are the DT_ values");
static_assert(BackgroundTransparent == TRANSPARENT && BackgroundOpaque == OPAQUE, "background modes");

namespace {

constexpr UINT kAlignment = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;
// The format bits that are the font's own and mean nothing to DrawText.
constexpr UINT kOwnFormatBits = TextScaleByColourAlpha | TextForceGlyphs;
// Texts shorter than kLocalLimit units are converted on the stack.
constexpr int kLocalUnits = 1024;
constexpr int kLocalLimit = 1000;

HFONT AsFont(SystemFontHandle font)
{
    return reinterpret_cast<HFONT>(font);
}

// A font selected into a device context for the length of a scope.
class SelectedFont {
public:
    SelectedFont(HDC dc, SystemFontHandle font) : dc(dc), previous(SelectObject(dc, AsFont(font))) {}
    ~SelectedFont()
    {
        if (previous) {
            SelectObject(dc, previous);
        }
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};

// A UTF-8 text as UTF-16 when it holds multi-byte sequences; otherwise (or when the
// conversion fails) the bytes are drawn as they are.
class WideText {
public:
    WideText(const char* text, int length)
    {
        if (!HasMultiByteUtf8(text, length)) {
            return;
        }
        const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
        if (needed <= 0) {
            return;
        }
        wchar_t* buffer = local;
        if (needed >= kLocalLimit) {
            heap.resize(static_cast<std::size_t>(needed) + 32);
            buffer = heap.data();
        }
        const int made = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, buffer, needed);
        if (made > 0) {
            units = buffer;
            count = length == -1 ? made - 1 : made;  // without the terminating NUL
        }
    }
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;

    int Draw(HDC dc, const char* text, int length, RECT* rect, UINT format) const
    {
        return units ? DrawTextW(dc, units, count, rect, format) : DrawTextA(dc, text, length, rect, format);
    }

private:
    wchar_t local[kLocalUnits];
    std::vector<wchar_t> heap;
    const wchar_t* units = nullptr;
    int count = 0;
};

BYTE QualityOf(FontQuality quality)
{
    switch (quality) {
    case FontQuality::NonAntialiased: return NONANTIALIASED_QUALITY;
    case FontQuality::Antialiased: return ANTIALIASED_QUALITY;
    case FontQuality::ClearType: return CLEARTYPE_QUALITY;
    case FontQuality::Default: break;
    }
    return DEFAULT_QUALITY;
}

HDC ContextOf(RasterBitmap& surface)
{
    return static_cast<HDC>(surface.DeviceContext());
}

void SetUpContext(HDC dc, const SystemTextRequest& request)
{
    const Pixel32 c = request.colour;
    SetTextColor(dc, RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
    SetBkMode(dc, request.backgroundMode);
    if (request.backgroundMode == OPAQUE) {
        const Pixel32 b = request.backgroundColour;
        SetBkColor(dc, RGB((b >> 16) & 0xFF, (b >> 8) & 0xFF, b & 0xFF));
    }
}

RECT ToRect(const RasterRect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// Drawing straight into the destination's own device context, with the caller's rectangle.
int DrawIntoContext(HDC dc, const WideText& wide, const SystemTextRequest& request)
{
    RECT rect = ToRect(*request.rect);
    SelectedFont selected(dc, request.font);
    SetUpContext(dc, request);
    const int result = wide.Draw(dc, request.text, request.length, &rect, (request.format & ~kOwnFormatBits) | DT_NOPREFIX);
    GdiFlush();
    if (request.format & DT_CALCRECT) {
        *request.rect = {rect.left, rect.top, rect.right, rect.bottom};
    }
    return result;
}

// Where the measured text lands in the destination, and the part of it that may be drawn
// (widened to the left for overhanging glyphs); empty when nothing can be drawn.
struct Placement {
    int x;
    int y;
    RasterRect area;
};

Placement PlaceText(const SystemTextRequest& request, int width, int height)
{
    const RasterRect& r = *request.rect;
    const UINT format = request.format;
    Placement place;
    place.x = (format & DT_RIGHT) ? r.right - width : (format & DT_CENTER) ? (r.left + r.right - width) / 2 : r.left;
    place.y = (format & DT_BOTTOM) ? r.bottom - height : (format & DT_VCENTER) ? (r.top + r.bottom - height) / 2 : r.top;
    RasterRect area = {std::max(place.x, 0), std::max(place.y, 0), std::min(place.x + width, request.dest->Width()),
                       std::min(place.y + height, request.dest->Height())};
    if (!(format & DT_NOCLIP)) {
        area = {std::max(area.left, r.left), std::max(area.top, r.top), std::min(area.right, r.right),
                std::min(area.bottom, r.bottom)};
    }
    if (area.right > area.left && area.bottom > area.top) {
        const int overhang = request.lineHeight < 16 ? 2 : request.lineHeight / 16 + 2;
        area.left -= std::min(area.left, overhang);
    }
    place.area = area;
    return place;
}

// Drawing through the text scratch surface: the destination's pixels under the text are
// copied in, the text drawn over them, and the result composed back at the font's opacity.
int DrawThroughScratch(const WideText& wide, const SystemTextRequest& request)
{
    DibBitmap* scratch = TextScratch();
    if (!scratch || !ContextOf(*scratch)) {
        return 0;
    }
    const UINT format = (request.format & ~(kOwnFormatBits | kAlignment)) | DT_NOPREFIX;
    RECT measured = ToRect(*request.rect);
    int result;
    {
        SelectedFont selected(ContextOf(*scratch), request.font);
        result = wide.Draw(ContextOf(*scratch), request.text, request.length, &measured, format | DT_CALCRECT);
    }
    const int width = measured.right - measured.left;
    const int height = measured.bottom - measured.top;
    if (request.format & DT_CALCRECT) {
        request.rect->right = request.rect->left + width;
        request.rect->bottom = request.rect->top + height;
        return result;
    }
    const Placement place = PlaceText(request, width, height);
    const int areaWidth = place.area.right - place.area.left;
    const int areaHeight = place.area.bottom - place.area.top;
    if (areaWidth <= 0 || areaHeight <= 0) {
        return 0;
    }
    if (scratch->Width() < areaWidth || scratch->Height() < areaHeight) {
        scratch->Resize(std::max(scratch->Width(), areaWidth), std::max(scratch->Height(), areaHeight));
        if (!scratch->Pixels()) {
            return 0;
        }
    }
    HDC dc = ContextOf(*scratch);
    GdiFlush();
    Blit(scratch, request.dest, 0, 0, place.area.left, place.area.top, areaWidth, areaHeight, 1.0f, BlendCopy);
    RECT target = {place.x - place.area.left, place.y - place.area.top, place.x - place.area.left + width,
                   place.y - place.area.top + height};
    {
        SelectedFont selected(dc, request.font);
        SetUpContext(dc, request);
        result = wide.Draw(dc, request.text, request.length, &target, format);
        GdiFlush();
    }
    Blit(request.dest, scratch, place.area.left, place.area.top, 0, 0, areaWidth, areaHeight, request.opacity,
         BlendCopy);
    return result;
}

}  // namespace

SystemFontHandle CreateSystemFont(const SystemFontDescription& description)
{
    wchar_t face[LF_FACESIZE] = {};
    std::vector<wchar_t> wide(256);
    const char* name = description.face ? description.face : "";
    if (MultiByteToWideChar(CP_UTF8, 0, name, -1, wide.data(), static_cast<int>(wide.size())) > 0) {
        std::copy_n(wide.data(), LF_FACESIZE - 1, face);
    }
    HFONT font = CreateFontW(description.height, description.width, description.escapement, description.orientation,
                             description.weight, description.italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, QualityOf(description.quality),
                             DEFAULT_PITCH | FF_DONTCARE, face);
    return reinterpret_cast<SystemFontHandle>(font);
}

void DeleteSystemFont(SystemFontHandle font)
{
    if (font) {
        DeleteObject(AsFont(font));
    }
}

void PrepareGlyphSurface(RasterBitmap& scratch)
{
    HDC dc = ContextOf(scratch);
    if (!dc) {
        return;
    }
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
}

int SystemFontLineHeight(SystemFontHandle font, RasterBitmap& scratch)
{
    HDC dc = ContextOf(scratch);
    if (!dc || !font) {
        return 0;
    }
    SelectedFont selected(dc, font);
    TEXTMETRICW metrics = {};
    return GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : 0;
}

SystemCharSize MeasureSystemChar(SystemFontHandle font, RasterBitmap& scratch, std::uint16_t code)
{
    HDC dc = ContextOf(scratch);
    if (!dc || !font) {
        return {0, 0};
    }
    SelectedFont selected(dc, font);
    const wchar_t unit = code;
    RECT rect = {0, 0, 0, 0};
    DrawTextW(dc, &unit, 1, &rect, DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

SystemTextDirection SystemFontDirection(SystemFontHandle font)
{
    LOGFONTW description = {};
    if (!font || GetObjectW(AsFont(font), sizeof description, &description) == 0 || description.lfEscapement == 0) {
        return {1.0, 0.0};
    }
    const double angle = description.lfEscapement * 3.14159265358979323846 / 1800.0;
    return {std::cos(angle), -std::sin(angle)};
}

void DrawSystemChar(SystemFontHandle font, RasterBitmap& scratch, std::uint16_t code, int x, int y, int limitWidth,
                    int limitHeight)
{
    HDC dc = ContextOf(scratch);
    if (!dc || !font) {
        return;
    }
    SelectedFont selected(dc, font);
    const wchar_t unit = code;
    RECT rect = {x, y, std::min(limitWidth, scratch.Width()), std::min(limitHeight, scratch.Height())};
    DrawTextW(dc, &unit, 1, &rect, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE);
    GdiFlush();
}

bool HasSystemTextEngine()
{
    return true;
}

int DrawSystemText(const SystemTextRequest& request)
{
    if (!request.font) {
        return 0;
    }
    const WideText wide(request.text, request.length);
    HDC dc = request.dest ? ContextOf(*request.dest) : nullptr;
    return dc ? DrawIntoContext(dc, wide, request) : DrawThroughScratch(wide, request);
}

bool ProbeWine()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Wine", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}
