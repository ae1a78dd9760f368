// The pixel combiners (internal to the raster library; tests use them too). Each
// merges one value (a Pixel32 word: its channels and alpha) into one destination pixel with a
// weight w (0..256). All arithmetic is int32, every division truncates toward zero.
#pragma once

#include <cstdint>

#include "raster/raster_bitmap.h"

namespace raster_detail {

inline int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

inline int Channel(Pixel32 p, int shift)
{
    return static_cast<int>((p >> shift) & 0xFF);
}

inline Pixel32 Pack(int b, int g, int r, int a)
{
    return static_cast<Pixel32>(b & 0xFF) | static_cast<Pixel32>(g & 0xFF) << 8 |
           static_cast<Pixel32>(r & 0xFF) << 16 | static_cast<Pixel32>(a & 0xFF) << 24;
}

// Applies F(d, s, w) to each of the four channels (alpha with the source alpha sa, which
// FillRect sets to the weight, so it may be 256).
template <class F>
inline Pixel32 EachChannel(Pixel32 d, Pixel32 s, int sa, int w)
{
    return Pack(F::Apply(Channel(d, 0), Channel(s, 0), w), F::Apply(Channel(d, 8), Channel(s, 8), w),
                F::Apply(Channel(d, 16), Channel(s, 16), w), F::Apply(Channel(d, 24), sa, w));
}

struct CopyChannel {
    static int Apply(int d, int s, int w) { return s + (d - s) * (256 - w) / 256; }
};
struct AddChannel {
    static int Apply(int d, int s, int w) { return Clamp255(d + s * w / 256); }
};
struct DodgeChannel {
    static int Apply(int d, int s, int w)
    {
        const int t = s * w / 256;
        if (t > 254) {
            return Clamp255(d * 256);
        }
        return Clamp255(d * 256 / (256 - t));
    }
};
struct MultiplyChannel {
    static int Apply(int d, int s, int w) { return (d * (s * w + (256 - w) * 256)) >> 16; }
};
struct OverlayChannel {
    static int Apply(int d, int s, int w)
    {
        const int x = (s - 128) * w;
        return Clamp255(((x - x * d / 256 + 32768) * d) >> 15);
    }
};

// HSV adjust: d's hue, saturation and value shifted by s's red, green and blue; alpha = sa.
Pixel32 HsvAdjust(Pixel32 d, Pixel32 s, int sa, int w);

// The combiners: Combine(d, s, sa, w) -> new destination word, where s gives the colour
// channels and sa the source alpha (for Blit the alpha byte of s).
struct CopyOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int w) { return EachChannel<CopyChannel>(d, s, sa, w); }
};
struct AddOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int w) { return EachChannel<AddChannel>(d, s, sa, w); }
};
struct DodgeOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int w) { return EachChannel<DodgeChannel>(d, s, sa, w); }
};
struct MultiplyOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int w) { return EachChannel<MultiplyChannel>(d, s, sa, w); }
};
struct OverlayOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int w) { return EachChannel<OverlayChannel>(d, s, sa, w); }
};
struct HsvOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int w) { return HsvAdjust(d, s, sa, w); }
};

// The weight scaled by the source alpha: k = w * (sa + 1) / 256.
inline int AlphaWeight(int sa, int w)
{
    return w * (sa + 1) / 256;
}

// Copy with source alpha at w = 256: the whole-pixel form.
struct CopyAlphaFullOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int)
    {
        if (sa == 0) {
            return d;
        }
        if (sa == 255) {
            return (s & 0x00FFFFFFu) | 0xFF000000u;
        }
        const int m = 255 - sa;
        auto mix = [m](int dc, int sc) { return sc + (dc - sc) * m / 256; };
        return Pack(mix(Channel(d, 0), Channel(s, 0)), mix(Channel(d, 8), Channel(s, 8)),
                    mix(Channel(d, 16), Channel(s, 16)), Channel(d, 24) + sa > 255 ? 255 : Channel(d, 24) + sa);
    }
};
// Copy with source alpha, w < 256: the k form.
struct CopyAlphaOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int w)
    {
        if (sa == 0) {
            return d;
        }
        const int k = AlphaWeight(sa, w);
        auto mix = [k](int dc, int sc) { return sc + (dc - sc) * (256 - k) / 256; };
        return Pack(mix(Channel(d, 0), Channel(s, 0)), mix(Channel(d, 8), Channel(s, 8)),
                    mix(Channel(d, 16), Channel(s, 16)), Channel(d, 24) + k > 255 ? 255 : Channel(d, 24) + k);
    }
};
// The other operations with source alpha: the plain combiner with k; those marked with an
// early exit leave the pixel unchanged where the source alpha is 0.
template <class Op, bool kEarlyExit>
struct WithAlphaOp {
    static Pixel32 Combine(Pixel32 d, Pixel32 s, int sa, int w)
    {
        if (kEarlyExit && sa == 0) {
            return d;
        }
        return Op::Combine(d, s, sa, AlphaWeight(sa, w));
    }
};
using AddAlphaOp = WithAlphaOp<AddOp, true>;
using DodgeAlphaOp = WithAlphaOp<DodgeOp, false>;
using MultiplyAlphaOp = WithAlphaOp<MultiplyOp, true>;
using OverlayAlphaOp = WithAlphaOp<OverlayOp, false>;
using HsvAlphaOp = WithAlphaOp<HsvOp, false>;

// Names a combiner type for the generic lambdas handed to WithCombiner.
template <class Op>
struct OpTag {
    using type = Op;
};

// Calls f(OpTag<Combiner>{}) once with the combiner of the operation (0..5) and source-alpha
// use (copy with source alpha: its w = 256 form when fullWeight); false for any other
// operation. The mode is looked at here once; the callee runs a loop for that combiner.
template <class F>
bool WithCombiner(int operation, bool sourceAlpha, bool fullWeight, F&& f)
{
    if (sourceAlpha) {
        switch (operation) {
        case 0:
            if (fullWeight) {
                f(OpTag<CopyAlphaFullOp>{});
            } else {
                f(OpTag<CopyAlphaOp>{});
            }
            return true;
        case 1: f(OpTag<AddAlphaOp>{}); return true;
        case 2: f(OpTag<DodgeAlphaOp>{}); return true;
        case 3: f(OpTag<MultiplyAlphaOp>{}); return true;
        case 4: f(OpTag<OverlayAlphaOp>{}); return true;
        case 5: f(OpTag<HsvAlphaOp>{}); return true;
        default: return false;
        }
    }
    switch (operation) {
    case 0: f(OpTag<CopyOp>{}); return true;
    case 1: f(OpTag<AddOp>{}); return true;
    case 2: f(OpTag<DodgeOp>{}); return true;
    case 3: f(OpTag<MultiplyOp>{}); return true;
    case 4: f(OpTag<OverlayOp>{}); return true;
    case 5: f(OpTag<HsvOp>{}); return true;
    default: return false;
    }
}

// Whole-word exact-opacity forms of plain copy.
inline Pixel32 Half(Pixel32 x)
{
    return (x >> 1) & 0x7F7F7F7Fu;
}
inline Pixel32 Quarter(Pixel32 x)
{
    return (x >> 2) & 0x3F3F3F3Fu;
}
inline Pixel32 Eighth(Pixel32 x)
{
    return (x >> 3) & 0x1F1F1F1Fu;
}
inline Pixel32 MixHalf(Pixel32 c, Pixel32 d)
{
    return Half(c) + Half(d);
}
inline Pixel32 MixQuarter(Pixel32 c, Pixel32 d)  // c/4 + d*3/4
{
    return Quarter(c) + Half(d) + Quarter(d);
}
inline Pixel32 MixThreeQuarters(Pixel32 c, Pixel32 d)  // c*3/4 + d/4
{
    return Half(c) + Quarter(c) + Quarter(d);
}

// The weight of an opacity: opacity x 256 truncated, limited to 0..256.
int WeightOf(float opacity);

// A row operation: combines n source words (or one repeated colour) into n destination words.
using BlendRowFn = void (*)(Pixel32* d, const Pixel32* s, int n, int w);

// Row loops of Blit, by operation (0..5) and source-alpha use; copy entries are the w < 256
// forms (the caller picks the w = 256 forms).
BlendRowFn BlitRowFor(int operation, bool sourceAlpha, int w);
// Plain per-pixel and SSE2 row loops of the hot modes (bit-identical).
void CopyAlphaFullRowPlain(Pixel32* d, const Pixel32* s, int n, int w);
void CopyAlphaFullRowFast(Pixel32* d, const Pixel32* s, int n, int w);
void HalfRowPlain(Pixel32* d, const Pixel32* s, int n, int w);
void HalfRowFast(Pixel32* d, const Pixel32* s, int n, int w);
void FillRowPlain(Pixel32* d, Pixel32 c, int n);
void FillRowFast(Pixel32* d, Pixel32 c, int n);
// Bilinear sample (fx, fy in 0..65535) of four pixels; plain and SSE2 forms.
Pixel32 BilinearPlain(Pixel32 p00, Pixel32 p10, Pixel32 p01, Pixel32 p11, int fx, int fy);
Pixel32 BilinearFast(Pixel32 p00, Pixel32 p10, Pixel32 p01, Pixel32 p11, int fx, int fy);

}  // namespace raster_detail
