// The font engine where there is no GDI: faces found through fontconfig and rendered with
// FreeType, sized and measured the way GDI sizes a font by its cell height. Only single
// characters are drawn, so every text goes through the glyph cache.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_GASP_H

#include <algorithm>
#include <cmath>
#include <string>

#include "raster/system_font.h"

struct SystemFontObject {
    FT_Face face = nullptr;
    int ascent = 0;
    int lineHeight = 0;
    bool mono = false;
    bool embolden = false;  // a bold request the face lacks
    bool slant = false;     // an italic request the face lacks
    double sine = 0.0;      // of the escapement, the baseline's anticlockwise turn
    double cosine = 1.0;
};

namespace {

// The FreeType library and a private fontconfig configuration (the host may use the
// process's default one) live while any face does.
FT_Library library = nullptr;
FcConfig* fontConfig = nullptr;
int faceCount = 0;

constexpr int kDefaultCellHeight = 16;

bool AcquireEngine()
{
    if (faceCount == 0) {
        fontConfig = FcInitLoadConfigAndFonts();
        if (fontConfig && FT_Init_FreeType(&library) != 0) {
            FcConfigDestroy(fontConfig);
            fontConfig = nullptr;
        }
        if (!fontConfig) {
            library = nullptr;
            return false;
        }
    }
    ++faceCount;
    return true;
}

void ReleaseEngine()
{
    if (--faceCount == 0) {
        FT_Done_FreeType(library);
        FcConfigDestroy(fontConfig);
        library = nullptr;
        fontConfig = nullptr;
    }
}

// The file and face index fontconfig picks for the description, and what that face lacks.
struct FaceChoice {
    std::string file;
    int index = 0;
    bool needsBold = false;
    bool needsSlant = false;
};

bool ChooseFace(const SystemFontDescription& description, FaceChoice* choice)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) {
        return false;
    }
    if (description.face && description.face[0] != 0) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(description.face));
    }
    const int weight = FcWeightFromOpenType(std::clamp(description.weight, 1, 1000));
    const int slant = description.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN;
    FcPatternAddInteger(pattern, FC_WEIGHT, weight);
    FcPatternAddInteger(pattern, FC_SLANT, slant);
    FcConfigSubstitute(fontConfig, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(fontConfig, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) {
        return false;
    }
    FcChar8* file = nullptr;
    const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (found) {
        choice->file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &choice->index);
        int matchedWeight = weight;
        int matchedSlant = slant;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
        FcPatternGetInteger(match, FC_SLANT, 0, &matchedSlant);
        choice->needsBold = weight >= FC_WEIGHT_BOLD && matchedWeight < FC_WEIGHT_DEMIBOLD;
        choice->needsSlant = description.italic && matchedSlant == FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return found;
}

// Sizes the face so that ascent + descent (the Windows metrics when present) fill the cell.
bool SizeFace(SystemFontObject& font, int height)
{
    FT_Face face = font.face;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const double unitAscent = os2 && os2->usWinAscent ? os2->usWinAscent : face->ascender;
    const double unitDescent = os2 && os2->usWinAscent ? os2->usWinDescent : -face->descender;
    const double cell = unitAscent + unitDescent;
    if (cell <= 0 || face->units_per_EM == 0) {
        return false;
    }
    const double em = face->units_per_EM;
    const int pixelsPerEm =
        height > 0 ? static_cast<int>(std::lround(height * em / cell)) : (height < 0 ? -height : 0);
    if (pixelsPerEm < 1 || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelsPerEm)) != 0) {
        return false;
    }
    font.ascent = static_cast<int>(std::lround(unitAscent * pixelsPerEm / em));
    font.lineHeight = font.ascent + static_cast<int>(std::lround(unitDescent * pixelsPerEm / em));
    return true;
}

// Without a quality request the face's own table decides, as GDI does: many faces ask for
// no smoothing at small sizes.
bool WantsMono(FT_Face face, FontQuality quality)
{
    switch (quality) {
    case FontQuality::NonAntialiased: return true;
    case FontQuality::Antialiased:
    case FontQuality::ClearType: return false;
    case FontQuality::Default: break;
    }
    const FT_Int gasp = FT_Get_Gasp(face, face->size->metrics.y_ppem);
    return gasp != FT_GASP_NO_TABLE && !(gasp & FT_GASP_DO_GRAY);
}

// Turns a loaded outline anticlockwise by the font's escapement about its pen, then moves it
// by (dx, dy) pixels (FreeType's y points up).
void TurnOutline(const SystemFontObject& font, FT_Outline& outline, double dx, double dy)
{
    constexpr double kOne = 65536.0;
    FT_Matrix turn = {static_cast<FT_Fixed>(std::lround(font.cosine * kOne)),
                      static_cast<FT_Fixed>(std::lround(-font.sine * kOne)),
                      static_cast<FT_Fixed>(std::lround(font.sine * kOne)),
                      static_cast<FT_Fixed>(std::lround(font.cosine * kOne))};
    FT_Outline_Transform(&outline, &turn);
    FT_Outline_Translate(&outline, static_cast<FT_Pos>(std::lround(dx * 64.0)),
                         static_cast<FT_Pos>(std::lround(dy * 64.0)));
}

// Loads a character's outline with the font's synthetic style applied; false when missing.
bool LoadChar(SystemFontObject& font, std::uint16_t code)
{
    const FT_Int32 target = font.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
    if (FT_Load_Char(font.face, code, FT_LOAD_DEFAULT | target) != 0) {
        return false;
    }
    FT_GlyphSlot slot = font.face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
        return true;
    }
    if (font.slant) {
        FT_Matrix shear = {0x10000, 0x3800, 0, 0x10000};  // about 12 degrees
        FT_Outline_Transform(&slot->outline, &shear);
    }
    if (font.embolden) {
        const FT_Pos strength = font.face->size->metrics.x_ppem * 2;  // 1/32 of the em, in 1/64 pixel
        FT_Outline_EmboldenXY(&slot->outline, strength, 0);
        slot->advance.x += strength;
    }
    return true;
}

void WriteCoverage(RasterBitmap& scratch, int x, int y, int limitWidth, int limitHeight, int coverage)
{
    if (x < 0 || y < 0 || x >= limitWidth || y >= limitHeight || coverage == 0) {
        return;
    }
    const auto c = static_cast<Pixel32>(coverage);
    RasterRow(scratch, y)[x] = 0xFF000000u | c << 16 | c << 8 | c;
}

}  // namespace

SystemFontHandle CreateSystemFont(const SystemFontDescription& description)
{
    if (!AcquireEngine()) {
        return nullptr;
    }
    FaceChoice choice;
    if (!ChooseFace(description, &choice)) {
        ReleaseEngine();
        return nullptr;
    }
    auto* font = new SystemFontObject;
    font->embolden = choice.needsBold;
    font->slant = choice.needsSlant;
    const int height = description.height == 0 ? kDefaultCellHeight : description.height;
    if (FT_New_Face(library, choice.file.c_str(), choice.index, &font->face) != 0 || !SizeFace(*font, height)) {
        DeleteSystemFont(font);
        return nullptr;
    }
    font->mono = WantsMono(font->face, description.quality);
    if (description.escapement % 3600 != 0) {
        const double angle = description.escapement * 3.14159265358979323846 / 1800.0;
        font->sine = std::sin(angle);
        font->cosine = std::cos(angle);
    }
    return font;
}

void DeleteSystemFont(SystemFontHandle font)
{
    if (!font) {
        return;
    }
    if (font->face) {
        FT_Done_Face(font->face);
    }
    delete font;
    ReleaseEngine();
}

void PrepareGlyphSurface(RasterBitmap&)
{
}

int SystemFontLineHeight(SystemFontHandle font, RasterBitmap&)
{
    return font ? font->lineHeight : 0;
}

SystemTextDirection SystemFontDirection(SystemFontHandle font)
{
    return font ? SystemTextDirection{font->cosine, -font->sine} : SystemTextDirection{1.0, 0.0};
}

SystemCharSize MeasureSystemChar(SystemFontHandle font, RasterBitmap&, std::uint16_t code)
{
    if (!font || !LoadChar(*font, code)) {
        return {0, 0};
    }
    return {static_cast<int>((font->face->glyph->advance.x + 32) >> 6), font->lineHeight};
}

void DrawSystemChar(SystemFontHandle font, RasterBitmap& scratch, std::uint16_t code, int x, int y, int limitWidth,
                    int limitHeight)
{
    if (!font) {
        return;
    }
    // The pen sits on the baseline, the ascent below the cell's corner along the turned
    // vertical; the transform carries its fraction of a pixel.
    const double penX = x + font->ascent * font->sine;
    const double penY = y + font->ascent * font->cosine;
    const double wholeX = std::floor(penX);
    const double wholeY = std::floor(penY);
    if (!LoadChar(*font, code)) {
        return;
    }
    FT_GlyphSlot loaded = font->face->glyph;
    if (loaded->format == FT_GLYPH_FORMAT_OUTLINE && (font->sine != 0.0 || font->cosine != 1.0)) {
        TurnOutline(*font, loaded->outline, penX - wholeX, wholeY - penY);
    }
    if (FT_Render_Glyph(loaded, font->mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
        return;
    }
    const FT_GlyphSlot slot = font->face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int left = static_cast<int>(wholeX) + slot->bitmap_left;
    const int top = static_cast<int>(wholeY) - slot->bitmap_top;
    limitWidth = std::min(limitWidth, scratch.Width());
    limitHeight = std::min(limitHeight, scratch.Height());
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* bits = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const int coverage = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                     ? ((bits[column >> 3] >> (7 - (column & 7))) & 1) * 255
                                     : bits[column];
            WriteCoverage(scratch, left + static_cast<int>(column), top + static_cast<int>(row), limitWidth,
                          limitHeight, coverage);
        }
    }
}

bool HasSystemTextEngine()
{
    return false;
}

int DrawSystemText(const SystemTextRequest&)
{
    return 0;
}

bool ProbeWine()
{
    return false;
}
