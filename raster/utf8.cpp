// Reading UTF-8 one character at a time for the glyph cache, and the probe that decides
// whether a text needs converting before the system engine draws it.
#include "raster/raster_font.h"

namespace {

bool IsContinuation(unsigned char c)
{
    return c >= 0x80 && c <= 0xBF;
}

// Whether `count` continuation bytes follow the lead byte within the available bytes.
bool ContinuationsFollow(const unsigned char* text, int available, int count)
{
    for (int i = 1; i <= count; ++i) {
        if (available != -1 && i >= available) {
            return false;
        }
        if (!IsContinuation(text[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

int DecodeUtf8Char(const char* text, int available, int* bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    const unsigned char lead = s[0];
    *bytes = 1;
    if (lead >= 0xC2 && lead <= 0xDF && ContinuationsFollow(s, available, 1)) {
        *bytes = 2;
        return ((lead & 0x1F) << 6) | (s[1] & 0x3F);
    }
    if (lead >= 0xE0 && lead <= 0xEF && ContinuationsFollow(s, available, 2)) {
        *bytes = 3;
        return ((lead & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
    }
    if (lead >= 0xF0 && lead <= 0xF4 && ContinuationsFollow(s, available, 3)) {
        *bytes = 4;
        return ' ';
    }
    return lead;
}

bool HasMultiByteUtf8(const char* text, int length)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    for (int i = 0; (length == -1 || i < length) && s[i] != 0; ++i) {
        const int available = length == -1 ? -1 : length - i;
        const bool two = s[i] >= 0xC2 && s[i] <= 0xDF && ContinuationsFollow(s + i, available, 1);
        const bool three = s[i] >= 0xE0 && s[i] <= 0xF4 && ContinuationsFollow(s + i, available, 2);
        if (two || three) {
            return true;
        }
    }
    return false;
}
