// SSE2 forms of the hot row loops of the library. Each gives exactly the bits of its plain
// per-pixel twin in combiners.cpp (the tests compare them on random data). Without SSE2
// (a non-x86 build) the plain loops stand in.
#include "raster/combiners.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace raster_detail {

#if defined(__SSE2__)

namespace {

inline __m128i Load(const Pixel32* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store(Pixel32* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// (x * m) >> 8 for the sixteen bytes x, where mLow and mHigh hold m << 8 in the 16-bit lanes
// of bytes 0-7 and 8-15 (x * m < 65536, so the high half of x * (m << 8) is exactly that).
inline __m128i ScaleBytes(__m128i x, __m128i mLow, __m128i mHigh)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_mulhi_epu16(_mm_unpacklo_epi8(x, zero), mLow);
    const __m128i high = _mm_mulhi_epu16(_mm_unpackhi_epi8(x, zero), mHigh);
    return _mm_packus_epi16(low, high);
}

// Four pixels of copy with source alpha at w = 256, correct where no source alpha is 0:
// d = s + (d - s) * (255 - sa) / 256 per colour channel, truncated toward zero, done as
// s + q where d > s and s - q elsewhere, with q = |d - s| * m >> 8 (m = 255 - sa); the second
// as ~(~s + q), which cannot wrap since q <= s. da = min(255, da + sa).
inline __m128i CopyAlphaFull4(__m128i d, __m128i s)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    // m << 8 in every 16-bit lane of its pixel: the alpha byte of ~s moved into the high byte
    // of each lane, then spread over the pixel's four lanes.
    const __m128i notS = _mm_xor_si128(s, _mm_cmpeq_epi32(zero, zero));
    const __m128i lowLanes = _mm_unpacklo_epi8(zero, notS);
    const __m128i highLanes = _mm_unpackhi_epi8(zero, notS);
    const __m128i mLow = _mm_shufflehi_epi16(_mm_shufflelo_epi16(lowLanes, 0xFF), 0xFF);
    const __m128i mHigh = _mm_shufflehi_epi16(_mm_shufflelo_epi16(highLanes, 0xFF), 0xFF);
    const __m128i up = _mm_subs_epu8(d, s);  // d - s where d > s, else 0
    const __m128i notUp = _mm_cmpeq_epi8(up, zero);
    const __m128i scaled = ScaleBytes(_mm_or_si128(up, _mm_subs_epu8(s, d)), mLow, mHigh);
    const __m128i colour = _mm_xor_si128(_mm_add_epi8(_mm_xor_si128(s, notUp), scaled), notUp);
    const __m128i alpha = _mm_and_si128(_mm_adds_epu8(d, s), alphaMask);
    return _mm_or_si128(_mm_andnot_si128(alphaMask, colour), alpha);
}

// Four pixels of any alphas: alpha 0 keeps the destination, 255 replaces it.
inline void CopyAlphaFullGroup(Pixel32* d, __m128i sv)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i sa = _mm_and_si128(sv, alphaMask);
    const __m128i transparent = _mm_cmpeq_epi32(sa, zero);
    const int transparentBits = _mm_movemask_epi8(transparent);
    if (transparentBits == 0xFFFF) {
        return;  // four pixels of alpha 0: the destination stays
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, alphaMask)) == 0xFFFF) {
        Store(d, sv);  // four opaque pixels: replaced
        return;
    }
    const __m128i dv = Load(d);
    const __m128i mixed = CopyAlphaFull4(dv, sv);
    Store(d, transparentBits ? _mm_or_si128(_mm_and_si128(transparent, dv), _mm_andnot_si128(transparent, mixed))
                             : mixed);
}

}  // namespace

void CopyAlphaFullRowFast(Pixel32* d, const Pixel32* s, int n, int w)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    // Eight pixels at a time: two independent chains when none has alpha 0 or 255.
    for (; i + 8 <= n; i += 8) {
        const __m128i s0 = Load(s + i);
        const __m128i s1 = Load(s + i + 4);
        const __m128i a0 = _mm_and_si128(s0, alphaMask);
        const __m128i a1 = _mm_and_si128(s1, alphaMask);
        const __m128i special = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi32(a0, zero), _mm_cmpeq_epi32(a0, alphaMask)),
                                             _mm_or_si128(_mm_cmpeq_epi32(a1, zero), _mm_cmpeq_epi32(a1, alphaMask)));
        if (_mm_movemask_epi8(special) == 0) {
            Store(d + i, CopyAlphaFull4(Load(d + i), s0));
            Store(d + i + 4, CopyAlphaFull4(Load(d + i + 4), s1));
        } else {
            CopyAlphaFullGroup(d + i, s0);
            CopyAlphaFullGroup(d + i + 4, s1);
        }
    }
    for (; i + 4 <= n; i += 4) {
        CopyAlphaFullGroup(d + i, Load(s + i));
    }
    CopyAlphaFullRowPlain(d + i, s + i, n - i, w);
}

void HalfRowFast(Pixel32* d, const Pixel32* s, int n, int w)
{
    const __m128i mask = _mm_set1_epi32(0x7F7F7F7F);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i a = _mm_and_si128(_mm_srli_epi32(Load(s + i), 1), mask);
        const __m128i b = _mm_and_si128(_mm_srli_epi32(Load(d + i), 1), mask);
        Store(d + i, _mm_add_epi32(a, b));
    }
    HalfRowPlain(d + i, s + i, n - i, w);
}

void FillRowFast(Pixel32* d, Pixel32 c, int n)
{
    const __m128i v = _mm_set1_epi32(static_cast<int>(c));
    int i = 0;
    // Single pixels up to a 16-byte boundary, then aligned stores, 64 bytes at a time.
    for (; i < n && (reinterpret_cast<std::uintptr_t>(d + i) & 15) != 0; ++i) {
        d[i] = c;
    }
    for (; i + 16 <= n; i += 16) {
        auto* p = reinterpret_cast<__m128i*>(d + i);
        _mm_store_si128(p, v);
        _mm_store_si128(p + 1, v);
        _mm_store_si128(p + 2, v);
        _mm_store_si128(p + 3, v);
    }
    for (; i + 4 <= n; i += 4) {
        Store(d + i, v);
    }
    FillRowPlain(d + i, c, n - i);
}

// Every product and partial sum stays below 2^24 (channel <= 255, weights sum to 65536), so
// single-precision floats compute the integer formula exactly.
Pixel32 BilinearFast(Pixel32 p00, Pixel32 p10, Pixel32 p01, Pixel32 p11, int fx, int fy)
{
    const int fxy = static_cast<int>((static_cast<std::uint32_t>(fx) * static_cast<std::uint32_t>(fy)) >> 16);
    const __m128i zero = _mm_setzero_si128();
    const __m128i pixels01 = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, static_cast<int>(p10), static_cast<int>(p00)), zero);
    const __m128i pixels23 = _mm_unpacklo_epi8(_mm_set_epi32(0, 0, static_cast<int>(p11), static_cast<int>(p01)), zero);
    const __m128 v00 = _mm_cvtepi32_ps(_mm_unpacklo_epi16(pixels01, zero));
    const __m128 v10 = _mm_cvtepi32_ps(_mm_unpackhi_epi16(pixels01, zero));
    const __m128 v01 = _mm_cvtepi32_ps(_mm_unpacklo_epi16(pixels23, zero));
    const __m128 v11 = _mm_cvtepi32_ps(_mm_unpackhi_epi16(pixels23, zero));
    __m128 sum = _mm_mul_ps(v00, _mm_set1_ps(static_cast<float>(65536 - fx - fy + fxy)));
    sum = _mm_add_ps(sum, _mm_mul_ps(v10, _mm_set1_ps(static_cast<float>(fx - fxy))));
    sum = _mm_add_ps(sum, _mm_mul_ps(v01, _mm_set1_ps(static_cast<float>(fy - fxy))));
    sum = _mm_add_ps(sum, _mm_mul_ps(v11, _mm_set1_ps(static_cast<float>(fxy))));
    __m128i result = _mm_srli_epi32(_mm_cvttps_epi32(sum), 16);
    result = _mm_packs_epi32(result, zero);
    result = _mm_packus_epi16(result, zero);
    return static_cast<Pixel32>(_mm_cvtsi128_si32(result));
}

#else

void CopyAlphaFullRowFast(Pixel32* d, const Pixel32* s, int n, int w)
{
    CopyAlphaFullRowPlain(d, s, n, w);
}

void HalfRowFast(Pixel32* d, const Pixel32* s, int n, int w)
{
    HalfRowPlain(d, s, n, w);
}

void FillRowFast(Pixel32* d, Pixel32 c, int n)
{
    FillRowPlain(d, c, n);
}

Pixel32 BilinearFast(Pixel32 p00, Pixel32 p10, Pixel32 p01, Pixel32 p11, int fx, int fy)
{
    return BilinearPlain(p00, p10, p01, p11, fx, fy);
}

#endif

}  // namespace raster_detail
