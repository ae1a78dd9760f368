// The HSV-adjust combiner, the weight of an opacity, and the row loops of Blit.
#include "raster/combiners.h"

#include <array>

namespace raster_detail {

namespace {

// T[0] = 0, T[x] = floor(65536 / x) - 1.
constexpr std::array<std::uint16_t, 256> MakeReciprocals()
{
    std::array<std::uint16_t, 256> table{};
    for (int x = 1; x < 256; ++x) {
        table[static_cast<std::size_t>(x)] = static_cast<std::uint16_t>(65536 / x - 1);
    }
    return table;
}
constexpr std::array<std::uint16_t, 256> kReciprocal = MakeReciprocals();

template <class Op>
void BlendRow(Pixel32* d, const Pixel32* s, int n, int w)
{
    for (int i = 0; i < n; ++i) {
        d[i] = Op::Combine(d[i], s[i], Channel(s[i], 24), w);
    }
}

}  // namespace

Pixel32 HsvAdjust(Pixel32 d, Pixel32 s, int sa, int w)
{
    const int red = Channel(d, 16);
    const int green = Channel(d, 8);
    const int blue = Channel(d, 0);
    int mx;
    int mn;
    int base;
    int diff;
    const bool redLargest = !(red < green) && blue < red;
    const bool greenLargest = red < green && blue < green;
    if (redLargest) {
        mx = red;
        mn = green < blue ? green : blue;
        base = green < blue ? 383 : 0;
        diff = green - blue;
    } else if (greenLargest) {
        mx = green;
        mn = red < blue ? red : blue;
        base = 128;
        diff = blue - red;
    } else {
        mx = blue;
        mn = red < green ? red : green;
        base = 256;
        diff = red - green;
    }
    const int delta = mx - mn;
    const int sr = Channel(s, 16);
    const int sg = Channel(s, 8);
    const int sb = Channel(s, 0);
    int hue = base + diff * (kReciprocal[static_cast<std::size_t>(delta)] + 1) / 1024 + w * (sr + sr / 2 - 192) / 256;
    if (hue < 0) {
        hue += 384;
    } else if (hue > 383) {
        hue -= 384;
    }
    const int sat = Clamp255(delta * kReciprocal[static_cast<std::size_t>(mx)] / 256 + w * (sg - 128) / 128);
    const int val = Clamp255(mx + w * (sb - 128) / 128);

    const int m = (256 - sat) * val / 256;
    const int sector = hue / 64;
    const int within = hue - 64 * sector;
    const int rising = (val * (16384 - (64 - within) * sat) / 16384) & 0xFF;
    const int falling = (val * (16384 - within * sat) / 16384) & 0xFF;
    int r;
    int g;
    int b;
    switch (sector) {
    case 0: r = val; g = rising; b = m; break;
    case 1: r = falling; g = val; b = m; break;
    case 2: r = m; g = val; b = rising; break;
    case 3: r = m; g = falling; b = val; break;
    case 4: r = rising; g = m; b = val; break;
    default: r = val; g = m; b = falling; break;
    }
    return Pack(b, g, r, sa);
}

int WeightOf(float opacity)
{
    if (!(opacity > 0.0f)) {
        return 0;  // zero, negative or NaN
    }
    if (opacity >= 1.0f) {
        return 256;
    }
    return static_cast<int>(opacity * 256.0f);
}

void CopyAlphaFullRowPlain(Pixel32* d, const Pixel32* s, int n, int w)
{
    BlendRow<CopyAlphaFullOp>(d, s, n, w);
}

void HalfRowPlain(Pixel32* d, const Pixel32* s, int n, int)
{
    for (int i = 0; i < n; ++i) {
        d[i] = MixHalf(s[i], d[i]);
    }
}

void FillRowPlain(Pixel32* d, Pixel32 c, int n)
{
    for (int i = 0; i < n; ++i) {
        d[i] = c;
    }
}

Pixel32 BilinearPlain(Pixel32 p00, Pixel32 p10, Pixel32 p01, Pixel32 p11, int fx, int fy)
{
    const int fxy = static_cast<int>((static_cast<std::uint32_t>(fx) * static_cast<std::uint32_t>(fy)) >> 16);
    const int w00 = 65536 - fx - fy + fxy;
    const int w10 = fx - fxy;
    const int w01 = fy - fxy;
    auto mix = [&](int shift) {
        return (Channel(p00, shift) * w00 + Channel(p10, shift) * w10 + Channel(p01, shift) * w01 +
                Channel(p11, shift) * fxy) >> 16;
    };
    return Pack(mix(0), mix(8), mix(16), mix(24));
}

BlendRowFn BlitRowFor(int operation, bool sourceAlpha, int w)
{
    if (sourceAlpha && operation == 0 && w >= 256) {
        return CopyAlphaFullRowFast;
    }
    BlendRowFn row = nullptr;
    WithCombiner(operation, sourceAlpha, w >= 256, [&](auto tag) { row = BlendRow<typename decltype(tag)::type>; });
    return row;
}

}  // namespace raster_detail
