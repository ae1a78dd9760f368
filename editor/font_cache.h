// The process-wide cache of the editor's fonts, keyed by size, orientation, style, quality and face.
// Fonts are made once per process, shared by every instance, and freed when the module unloads.
#pragma once

class CachedFont;

// Longest face name the cache tells apart; longer names compare by this prefix.
constexpr int kFontCacheFaceLength = 36;

// The cached font for the description, made and cached when absent: a system font of
// `size` pixels, turned by `orientation` degrees, bold with style bit 0, italic with bit 1,
// quality 0 default, 1 no anti-aliasing, 2 anti-aliased, 3 ClearType (others as 1).
// Null when the font cannot be made (nothing is cached then).
CachedFont* FindOrCreateFont(int size, int orientation, int style, int quality, const char* face);
