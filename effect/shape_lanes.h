// The frame-independent stages written once for any vector width. Each instruction set's source
// file defines a lanes type (its register, mask and the few operations that differ) and includes
// this; everything here has internal linkage, so no copy built for a wide target can stand in
// for another at link time.
//
// Every lane does the plain loop's operations in the same order; branches become masks that
// pick between results computed in full.
#pragma once

#include "effect/shape_kernels.h"

namespace {

template <class V>
struct LaneConstants {
    using Reg = typename V::Reg;
    Reg gain, threshold, flip, multiplier;
    Reg drive, scale, drivePlusOne, driveMinusOne, inverseDrive;
    Reg keep, dry, zero, one, half, intMax, intMin;
    float stepSize;
    bool foldBefore, foldAfter;

    explicit LaneConstants(const ShapeCoefficients& c)
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
typename V::Reg Fold(const LaneConstants<V>& k, typename V::Reg x)
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
typename V::Reg Decimate(const LaneConstants<V>& k, typename V::Reg y)
{
    const auto u = V::Mul(k.inverseDrive, y);
    auto rounded = V::Select(V::Ge(u, k.zero), V::Add(u, k.half), V::Sub(u, k.half));
    rounded = V::Min(k.intMax, rounded);
    rounded = V::Max(k.intMin, rounded);
    return V::KeepWhere(V::Ordered(u, u), V::ScaledSteps(rounded, k.stepSize));
}

// Algorithm 1 (Fat), 2 (Weak), 3 (the decimator); anything else passes through.
template <class V, int Algorithm>
typename V::Reg Curve(const LaneConstants<V>& k, typename V::Reg y)
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
typename V::Reg WeightedShape(const LaneConstants<V>& k, typename V::Reg y)
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
void ShapeGroup(const LaneConstants<V>& k, const double* inL, const double* inR, double* shaped, double* dry)
{
    const auto left = V::Load(inL);
    const auto right = V::Load(inR);
    V::StorePairs(shaped, WeightedShape<V, Algorithm>(k, left), WeightedShape<V, Algorithm>(k, right));
    V::StorePairs(dry, V::Mul(k.dry, left), V::Mul(k.dry, right));
}

template <class V, int Algorithm>
void ShapeGroups(const LaneConstants<V>& k, const double* inL, const double* inR, int frames, double* shaped,
                 double* dry)
{
    int i = 0;
    for (; i + V::kWidth <= frames; i += V::kWidth) {
        ShapeGroup<V, Algorithm>(k, inL + i, inR + i, shaped + 2 * i, dry + 2 * i);
    }
    if (i < frames) {
        // The partial group from zero-padded copies; its extra pairs land in the scratch padding.
        double padL[V::kWidth] = {};
        double padR[V::kWidth] = {};
        for (int j = 0; i + j < frames; ++j) {
            padL[j] = inL[i + j];
            padR[j] = inR[i + j];
        }
        ShapeGroup<V, Algorithm>(k, padL, padR, shaped + 2 * i, dry + 2 * i);
    }
}

template <class V>
void ShapeSlice(const ShapeCoefficients& c, const double* inL, const double* inR, int frames, double* shaped,
                double* dry)
{
    const LaneConstants<V> k(c);
    switch (c.algorithm) {
    case 1:
        ShapeGroups<V, 1>(k, inL, inR, frames, shaped, dry);
        break;
    case 2:
        ShapeGroups<V, 2>(k, inL, inR, frames, shaped, dry);
        break;
    case 3:
        ShapeGroups<V, 3>(k, inL, inR, frames, shaped, dry);
        break;
    default:
        ShapeGroups<V, 0>(k, inL, inR, frames, shaped, dry);
        break;
    }
}

}  // namespace
