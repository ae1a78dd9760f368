// The combiner formulas written out once more, plainly and per channel, as the reference
// the library's results are checked against.
#pragma once

#include <cstdint>

#include "raster/raster_bitmap.h"

namespace raster_test {

inline int Byte(Pixel32 p, int index)
{
    return static_cast<int>((p >> (8 * index)) & 0xFF);
}

inline Pixel32 Word(const int c[4])
{
    return static_cast<Pixel32>(c[0] & 255) | static_cast<Pixel32>(c[1] & 255) << 8 |
           static_cast<Pixel32>(c[2] & 255) << 16 | static_cast<Pixel32>(c[3] & 255) << 24;
}

inline int Clamp(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// One channel of operations 0 to 4 without source alpha.
inline int RefChannel(int op, int d, int s, int w)
{
    switch (op) {
    case 0:
        return s + (d - s) * (256 - w) / 256;
    case 1:
        return Clamp(d + s * w / 256);
    case 2: {
        const int t = s * w / 256;
        return t > 254 ? Clamp(d * 256) : Clamp(d * 256 / (256 - t));
    }
    case 3:
        return (d * (s * w + (256 - w) * 256)) >> 16;
    default: {
        const int x = (s - 128) * w;
        return Clamp(((x - x * d / 256 + 32768) * d) >> 15);
    }
    }
}

// HSV adjust: the destination to hue, saturation and value, shifted by the source's red,
// green and blue, and back to red, green and blue.
inline Pixel32 RefHsv(Pixel32 dest, Pixel32 src, int sa, int w)
{
    const int r = Byte(dest, 2), g = Byte(dest, 1), b = Byte(dest, 0);
    auto table = [](int x) { return x == 0 ? 0 : 65536 / x - 1; };
    int largest;  // 0 red, 1 green, 2 blue
    if (r < g) {
        largest = b < g ? 1 : 2;
    } else {
        largest = b < r ? 0 : 2;
    }
    const int mx = largest == 0 ? r : largest == 1 ? g : b;
    int mn = r;
    if (g < mn) mn = g;
    if (b < mn) mn = b;
    const int delta = mx - mn;
    int base;
    int diff;
    if (largest == 0) {
        base = g < b ? 383 : 0;
        diff = g - b;
    } else if (largest == 1) {
        base = 128;
        diff = b - r;
    } else {
        base = 256;
        diff = r - g;
    }
    const int R = Byte(src, 2), G = Byte(src, 1), B = Byte(src, 0);
    int H = base + diff * (table(delta) + 1) / 1024 + w * (R + R / 2 - 192) / 256;
    if (H < 0) H += 384;
    if (H > 383) H -= 384;
    const int S = Clamp(delta * table(mx) / 256 + w * (G - 128) / 128);
    const int V = Clamp(mx + w * (B - 128) / 128);
    const int m = (256 - S) * V / 256;
    const int n = H / 64;
    const int d = H - 64 * n;
    const int up = (V * (16384 - (64 - d) * S) / 16384) & 255;
    const int down = (V * (16384 - d * S) / 16384) & 255;
    const int rgb[6][3] = {{V, up, m}, {down, V, m}, {m, V, up}, {m, down, V}, {up, m, V}, {V, m, down}};
    const int c[4] = {rgb[n][2], rgb[n][1], rgb[n][0], sa};
    return Word(c);
}

// Any operation without source alpha; the alpha channel uses sa.
inline Pixel32 RefPlain(int op, Pixel32 d, Pixel32 s, int sa, int w)
{
    if (op == 5) {
        return RefHsv(d, s, sa, w);
    }
    int c[4];
    for (int i = 0; i < 3; ++i) {
        c[i] = RefChannel(op, Byte(d, i), Byte(s, i), w);
    }
    c[3] = RefChannel(op, Byte(d, 3), sa, w);
    return Word(c);
}

// Any operation with BlendUseSourceAlpha (Blit, RotatedBlit).
inline Pixel32 RefSourceAlpha(int op, Pixel32 d, Pixel32 s, int w)
{
    const int sa = Byte(s, 3);
    if (op == 0 && w == 256) {
        if (sa == 0) return d;
        if (sa == 255) return (s & 0xFFFFFFu) | 0xFF000000u;
        int c[4];
        for (int i = 0; i < 3; ++i) c[i] = Byte(s, i) + (Byte(d, i) - Byte(s, i)) * (255 - sa) / 256;
        c[3] = Byte(d, 3) + sa > 255 ? 255 : Byte(d, 3) + sa;
        return Word(c);
    }
    const bool earlyExit = op == 0 || op == 1 || op == 3;
    if (earlyExit && sa == 0) return d;
    const int k = w * (sa + 1) / 256;
    if (op == 0) {
        int c[4];
        for (int i = 0; i < 3; ++i) c[i] = Byte(s, i) + (Byte(d, i) - Byte(s, i)) * (256 - k) / 256;
        c[3] = Byte(d, 3) + k > 255 ? 255 : Byte(d, 3) + k;
        return Word(c);
    }
    return RefPlain(op, d, s, sa, k);
}

}  // namespace raster_test
