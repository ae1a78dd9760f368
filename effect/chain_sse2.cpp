// The chain's fast path, shaping two frames at a time: the SSE2 baseline every x86-64 CPU runs.
#include <emmintrin.h>

#include "effect/chain_lanes.h"

namespace {
struct Sse2Lanes {
    using Reg = __m128d;
    using Mask = __m128d;
    static constexpr int kWidth = 2;

    static Reg Set(double v) { return _mm_set1_pd(v); }
    static Reg Load(const double* p) { return _mm_loadu_pd(p); }
    // The first count (< 2) doubles, zeros after them.
    static Reg LoadFirst(const double* p, int) { return _mm_load_sd(p); }
    static Reg Add(Reg a, Reg b) { return _mm_add_pd(a, b); }
    static Reg Sub(Reg a, Reg b) { return _mm_sub_pd(a, b); }
    static Reg Mul(Reg a, Reg b) { return _mm_mul_pd(a, b); }
    static Reg Div(Reg a, Reg b) { return _mm_div_pd(a, b); }
    static Reg Min(Reg a, Reg b) { return _mm_min_pd(a, b); }
    static Reg Max(Reg a, Reg b) { return _mm_max_pd(a, b); }
    static Reg Abs(Reg v) { return _mm_andnot_pd(_mm_set1_pd(-0.0), v); }
    static Mask Gt(Reg a, Reg b) { return _mm_cmpgt_pd(a, b); }
    static Mask Lt(Reg a, Reg b) { return _mm_cmplt_pd(a, b); }
    static Mask Ge(Reg a, Reg b) { return _mm_cmpge_pd(a, b); }
    static Mask Ordered(Reg a, Reg b) { return _mm_cmpord_pd(a, b); }
    static Mask Both(Mask a, Mask b) { return _mm_and_pd(a, b); }
    // a where the mask is set, b elsewhere.
    static Reg Select(Mask m, Reg a, Reg b) { return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b)); }
    static Reg KeepWhere(Mask m, Reg v) { return _mm_and_pd(m, v); }
    static Reg ScaledSteps(Reg rounded, float step)
    {
        const __m128 steps = _mm_cvtepi32_ps(_mm_cvttpd_epi32(rounded));
        return _mm_cvtps_pd(_mm_mul_ps(steps, _mm_set1_ps(step)));
    }
    static void StorePairs(double* dst, Reg left, Reg right)
    {
        _mm_storeu_pd(dst, _mm_unpacklo_pd(left, right));
        _mm_storeu_pd(dst + 2, _mm_unpackhi_pd(left, right));
    }
};
}  // namespace

void RunChainSse2(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
                  ChainHistory& history, ChainScratch& scratch)
{
    RunChain<Sse2Lanes>(c, inputs, outputs, frames, history, scratch);
}
