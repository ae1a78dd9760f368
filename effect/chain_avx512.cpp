// The chain's fast path, shaping eight frames at a time; built for AVX-512F (never FMA) and
// called only when the CPU reports AVX-512F.
// GCC 12's own AVX-512 header reads a deliberately undefined register and warns about it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

#include "effect/chain_lanes.h"

namespace {
struct Avx512Lanes {
    using Reg = __m512d;
    using Mask = __mmask8;
    static constexpr int kWidth = 8;

    static Reg Set(double v) { return _mm512_set1_pd(v); }
    static Reg Load(const double* p) { return _mm512_loadu_pd(p); }
    // The first count (< 8) doubles, zeros after them.
    static Reg LoadFirst(const double* p, int count)
    {
        return _mm512_maskz_loadu_pd(static_cast<Mask>((1u << count) - 1u), p);
    }
    static Reg Add(Reg a, Reg b) { return _mm512_add_pd(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm512_sub_pd(a, b); }
    static Reg Mul(Reg a, Reg b) { return _mm512_mul_pd(a, b); }
    static Reg Div(Reg a, Reg b) { return _mm512_div_pd(a, b); }
    static Reg Min(Reg a, Reg b) { return _mm512_min_pd(a, b); }
    static Reg Max(Reg a, Reg b) { return _mm512_max_pd(a, b); }
    static Reg Abs(Reg v) { return _mm512_abs_pd(v); }
    static Mask Gt(Reg a, Reg b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static Mask Lt(Reg a, Reg b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static Mask Ge(Reg a, Reg b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static Mask Ordered(Reg a, Reg b) { return _mm512_cmp_pd_mask(a, b, _CMP_ORD_Q); }
    static Mask Both(Mask a, Mask b) { return static_cast<Mask>(a & b); }
    // a where the mask is set, b elsewhere.
    static Reg Select(Mask m, Reg a, Reg b) { return _mm512_mask_blend_pd(m, b, a); }
    static Reg KeepWhere(Mask m, Reg v) { return _mm512_maskz_mov_pd(m, v); }
    static Reg ScaledSteps(Reg rounded, float step)
    {
        const __m256 steps = _mm256_cvtepi32_ps(_mm512_cvttpd_epi32(rounded));
        return _mm512_cvtps_pd(_mm256_mul_ps(steps, _mm256_set1_ps(step)));
    }
    // (l0 r0 .. l3 r3) then (l4 r4 .. l7 r7).
    static void StorePairs(double* dst, Reg left, Reg right)
    {
        const __m512i low = _mm512_set_epi64(11, 3, 10, 2, 9, 1, 8, 0);
        const __m512i high = _mm512_set_epi64(15, 7, 14, 6, 13, 5, 12, 4);
        _mm512_storeu_pd(dst, _mm512_permutex2var_pd(left, low, right));
        _mm512_storeu_pd(dst + 8, _mm512_permutex2var_pd(left, high, right));
    }
};
}  // namespace

void RunChainAvx512(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
                    ChainHistory& history, ChainScratch& scratch)
{
    RunChain<Avx512Lanes>(c, inputs, outputs, frames, history, scratch);
}
