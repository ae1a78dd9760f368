// The chain's fast path written once for any vector width. Each instruction set's source file
// defines a lanes type (its register, mask and the few operations that differ) and includes
// this; everything here has internal linkage, so no copy built for a wide target can stand in
// for another at link time.
//
// Every lane does the plain loop's operations in the same order; branches become masks that
// pick between results computed in full.
#pragma once

#include <emmintrin.h>

#include "effect/antialias_step.h"
#include "effect/chain_kernels.h"

// One slice is inlined whole into the loop over slices, so the history and the constants stay in
// registers across the two passes.
namespace {

template <class V>
struct LaneConstants {
    using Reg = typename V::Reg;
    Reg gain, threshold, flip, multiplier;
    Reg drive, scale, drivePlusOne, driveMinusOne, inverseDrive;
    Reg keep, dry, zero, one, half, intMax, intMin;
    float stepSize;
    bool foldBefore, foldAfter;

    explicit LaneConstants(const ChainCoefficients& c)
        : gain(V::Set(c.foldGain)), threshold(V::Set(c.threshold)), flip(V::Set(c.flipThreshold)),
          multiplier(V::Set(c.foldMultiplier)), drive(V::Set(c.drive)), scale(V::Set(c.outputScale)),
          drivePlusOne(V::Set(c.drivePlusOne)), driveMinusOne(V::Set(c.driveMinusOne)),
          inverseDrive(V::Set(c.inverseDrive)), keep(V::Set(c.keep)), dry(V::Set(c.dry)), zero(V::Set(0.0)),
          one(V::Set(1.0)), half(V::Set(0.5)), intMax(V::Set(2147483647.0)), intMin(V::Set(-2147483648.0)),
          stepSize(c.driveFloat), foldBefore(c.foldBefore), foldAfter(c.foldAfter)
    {
    }
};

template <class V>
[[gnu::always_inline]] inline typename V::Reg Fold(const LaneConstants<V>& k, typename V::Reg x)
{
    x = V::Mul(k.gain, x);
    const auto above = V::Both(V::Gt(x, k.zero), V::Gt(x, k.threshold));
    const auto below = V::Both(V::Lt(x, k.zero), V::Gt(V::Abs(x), k.flip));
    const auto high = V::Add(V::Mul(V::Sub(x, k.threshold), k.multiplier), k.threshold);
    const auto low = V::Sub(V::Mul(V::Sub(k.flip, V::Abs(x)), k.multiplier), k.flip);
    return V::Select(above, high, V::Select(below, low, x));
}

// Rounds half away from zero, clamps to the 32-bit range, multiplies the step count by the
// step size in float; NaN lanes give 0.
template <class V>
[[gnu::always_inline]] inline typename V::Reg Decimate(const LaneConstants<V>& k, typename V::Reg y)
{
    const auto u = V::Mul(k.inverseDrive, y);
    auto rounded = V::Select(V::Ge(u, k.zero), V::Add(u, k.half), V::Sub(u, k.half));
    rounded = V::Min(k.intMax, rounded);
    rounded = V::Max(k.intMin, rounded);
    return V::KeepWhere(V::Ordered(u, u), V::ScaledSteps(rounded, k.stepSize));
}

// Algorithm 1 (Fat), 2 (Weak), 3 (the decimator); anything else passes through.
template <class V, int Algorithm>
[[gnu::always_inline]] inline typename V::Reg Curve(const LaneConstants<V>& k, typename V::Reg y)
{
    if constexpr (Algorithm == 1) {
        const auto num = V::Mul(k.drivePlusOne, y);
        return V::Mul(V::Div(num, V::Add(V::Mul(k.drive, V::Abs(y)), k.one)), k.scale);
    } else if constexpr (Algorithm == 2) {
        const auto a = V::Abs(y);
        const auto num = V::Mul(V::Add(k.drive, a), y);
        const auto den = V::Add(V::Add(V::Mul(y, y), V::Mul(k.driveMinusOne, a)), k.one);
        return V::Mul(V::Div(num, den), k.scale);
    } else if constexpr (Algorithm == 3) {
        return Decimate<V>(k, y);
    } else {
        return y;
    }
}

template <class V, int Algorithm>
[[gnu::always_inline]] inline typename V::Reg WeightedShape(const LaneConstants<V>& k, typename V::Reg y)
{
    if (k.foldBefore) {
        y = Fold<V>(k, y);
    }
    y = Curve<V, Algorithm>(k, y);
    if (k.foldAfter) {
        y = Fold<V>(k, y);
    }
    return V::Mul(k.keep, y);
}

template <class V, int Algorithm>
[[gnu::always_inline]] inline void ShapeLanes(const LaneConstants<V>& k, typename V::Reg left, typename V::Reg right,
                                              double* shaped, double* dry)
{
    V::StorePairs(shaped, WeightedShape<V, Algorithm>(k, left), WeightedShape<V, Algorithm>(k, right));
    V::StorePairs(dry, V::Mul(k.dry, left), V::Mul(k.dry, right));
}

template <class V, int Algorithm>
[[gnu::always_inline]] inline void ShapeGroups(const LaneConstants<V>& k, const double* inL, const double* inR,
                                               int frames, double* shaped, double* dry)
{
    int i = 0;
    for (; i + V::kWidth <= frames; i += V::kWidth) {
        ShapeLanes<V, Algorithm>(k, V::Load(inL + i), V::Load(inR + i), shaped + 2 * i, dry + 2 * i);
    }
    if (i < frames) {
        // The partial group reads only the frames there are; its extra pairs land in the
        // scratch padding.
        ShapeLanes<V, Algorithm>(k, V::LoadFirst(inL + i, frames - i), V::LoadFirst(inR + i, frames - i),
                                 shaped + 2 * i, dry + 2 * i);
    }
}

// The last two outputs of both channels, (left, right) in one register each.
struct PairHistory {
    __m128d last;
    __m128d older;
};

template <int Mode>
[[gnu::always_inline]] inline PairHistory MixSlice(const ChainScratch& scratch, int frames, __m128d round,
                                                   __m128d wetGain, double* outL, double* outR, PairHistory history)
{
    __m128d last = history.last;
    __m128d older = history.older;
    // Fresh copies the register allocator treats apart from the history it keeps across the
    // shaping pass: GCC 12 otherwise leaves the history on the stack in some of these loops,
    // adding a store and a load to every frame's serial path.
    asm("" : "+x"(last), "+x"(older));
    for (int f = 0; f < frames; ++f) {
        const __m128d y = RoundAndAntialias<Mode>(_mm_load_pd(scratch.shaped + 2 * f), round, last, older);
        const __m128d out = _mm_add_pd(_mm_mul_pd(wetGain, y), _mm_load_pd(scratch.dry + 2 * f));
        _mm_storel_pd(&outL[f], out);
        _mm_storeh_pd(&outR[f], out);
    }
    return {last, older};
}

template <class V, int Algorithm, int Mode>
void RunSlices(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
               ChainHistory& history, ChainScratch& scratch)
{
    const LaneConstants<V> k(c);
    const __m128d round = _mm_set1_pd(c.round);
    const __m128d wetGain = _mm_set_pd(c.wetRight, c.wetLeft);
    PairHistory pair = {_mm_loadu_pd(history.last), _mm_loadu_pd(history.older)};
    for (int done = 0; done < frames; done += kChainSliceFrames) {
        const int n = frames - done < kChainSliceFrames ? frames - done : kChainSliceFrames;
        ShapeGroups<V, Algorithm>(k, inputs[0] + done, inputs[1] + done, n, scratch.shaped, scratch.dry);
        pair = MixSlice<Mode>(scratch, n, round, wetGain, outputs[0] + done, outputs[1] + done, pair);
    }
    _mm_storeu_pd(history.last, pair.last);
    _mm_storeu_pd(history.older, pair.older);
}

// Modes other than x2, x2+ and x3 leave the signal as Off does.
template <class V, int Algorithm>
void RunModes(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
              ChainHistory& history, ChainScratch& scratch)
{
    switch (c.antialias) {
    case 1:
        RunSlices<V, Algorithm, 1>(c, inputs, outputs, frames, history, scratch);
        break;
    case 2:
        RunSlices<V, Algorithm, 2>(c, inputs, outputs, frames, history, scratch);
        break;
    case 3:
        RunSlices<V, Algorithm, 3>(c, inputs, outputs, frames, history, scratch);
        break;
    default:
        RunSlices<V, Algorithm, 0>(c, inputs, outputs, frames, history, scratch);
        break;
    }
}

template <class V>
void RunChain(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
              ChainHistory& history, ChainScratch& scratch)
{
    switch (c.algorithm) {
    case 1:
        RunModes<V, 1>(c, inputs, outputs, frames, history, scratch);
        break;
    case 2:
        RunModes<V, 2>(c, inputs, outputs, frames, history, scratch);
        break;
    case 3:
        RunModes<V, 3>(c, inputs, outputs, frames, history, scratch);
        break;
    default:
        RunModes<V, 0>(c, inputs, outputs, frames, history, scratch);
        break;
    }
}

}  // namespace
