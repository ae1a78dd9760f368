// The chain's fast path, shaping four frames at a time; built for AVX2 (never FMA) and called
// only when the CPU reports AVX2.
#include <immintrin.h>

#include "effect/chain_lanes.h"

namespace {
struct Avx2Lanes {
    using Reg = __m256d;
    using Mask = __m256d;
    static constexpr int kWidth = 4;

    static Reg Set(double v) { return _mm256_set1_pd(v); }
    static Reg Load(const double* p) { return _mm256_loadu_pd(p); }
    // The first count (< 4) doubles, zeros after them.
    static Reg LoadFirst(const double* p, int count)
    {
        const __m256i lane = _mm256_set_epi64x(3, 2, 1, 0);
        return _mm256_maskload_pd(p, _mm256_cmpgt_epi64(_mm256_set1_epi64x(count), lane));
    }
    static Reg Add(Reg a, Reg b) { return _mm256_add_pd(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm256_sub_pd(a, b); }
    static Reg Mul(Reg a, Reg b) { return _mm256_mul_pd(a, b); }
    static Reg Div(Reg a, Reg b) { return _mm256_div_pd(a, b); }
    static Reg Min(Reg a, Reg b) { return _mm256_min_pd(a, b); }
    static Reg Max(Reg a, Reg b) { return _mm256_max_pd(a, b); }
    static Reg Abs(Reg v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }
    static Mask Gt(Reg a, Reg b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static Mask Lt(Reg a, Reg b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static Mask Ge(Reg a, Reg b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static Mask Ordered(Reg a, Reg b) { return _mm256_cmp_pd(a, b, _CMP_ORD_Q); }
    static Mask Both(Mask a, Mask b) { return _mm256_and_pd(a, b); }
    // a where the mask is set, b elsewhere.
    static Reg Select(Mask m, Reg a, Reg b) { return _mm256_blendv_pd(b, a, m); }
    static Reg KeepWhere(Mask m, Reg v) { return _mm256_and_pd(m, v); }
    static Reg ScaledSteps(Reg rounded, float step)
    {
        const __m128 steps = _mm_cvtepi32_ps(_mm256_cvttpd_epi32(rounded));
        return _mm256_cvtps_pd(_mm_mul_ps(steps, _mm_set1_ps(step)));
    }
    // (l0 r0 l1 r1) then (l2 r2 l3 r3).
    static void StorePairs(double* dst, Reg left, Reg right)
    {
        const Reg even = _mm256_unpacklo_pd(left, right);
        const Reg odd = _mm256_unpackhi_pd(left, right);
        _mm256_storeu_pd(dst, _mm256_permute2f128_pd(even, odd, 0x20));
        _mm256_storeu_pd(dst + 4, _mm256_permute2f128_pd(even, odd, 0x31));
    }
};
}  // namespace

void RunChainAvx2(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
                  ChainHistory& history, ChainScratch& scratch)
{
    RunChain<Avx2Lanes>(c, inputs, outputs, frames, history, scratch);
}
