// One frame of the Round and Antialias recurrence for both channels, (left, right) in one
// register: the chain's only serial dependency. The fast path and the benchmark that measures
// it alone share it; it has internal linkage, as it is built for several instruction sets.
#pragma once

#include <emmintrin.h>

#include "effect/chain_kernels.h"

namespace {

// Antialias Off (0), x2 (1), x2+ (2) or x3 (3); weighted is the Round stage's weight times the
// shaped sample. Returns the new output and moves the history on.
template <int Mode>
[[gnu::always_inline]] inline __m128d RoundAndAntialias(__m128d weighted, __m128d round, __m128d& last,
                                                        __m128d& older)
{
    __m128d y = _mm_add_pd(weighted, _mm_mul_pd(round, last));
    if constexpr (Mode == 1) {
        y = _mm_mul_pd(_mm_add_pd(y, last), _mm_set1_pd(0.5));
    } else if constexpr (Mode == 2) {
        y = _mm_mul_pd(_mm_add_pd(y, older), _mm_set1_pd(0.5));
        older = last;
    } else if constexpr (Mode == 3) {
        // Left adds y, older, last; right adds last, y, older (the same as y + last).
        const __m128d second = _mm_move_sd(last, older);
        const __m128d remaining = _mm_move_sd(older, last);
        y = _mm_mul_pd(_mm_add_pd(_mm_add_pd(y, second), remaining), _mm_set1_pd(kAntialiasThird));
        older = last;
    }
    last = y;
    return y;
}

}  // namespace
