#include "drive_chain.h"

#include <algorithm>
#include <cmath>

#include <emmintrin.h>

namespace {
constexpr double kThird = 0.3333333333333333;
// Larger than any parameter range; keeps restored oddities away from int overflow.
constexpr double kValueLimit = 1.0e6;

// The decimator's step count, held inside the 32-bit range for huge inputs.
int32_t QuantiseSteps(double u)
{
    if (!(u == u)) {
        return 0;
    }
    const double rounded = u >= 0.0 ? u + 0.5 : u - 0.5;
    if (rounded >= 2147483647.0) {
        return INT32_MAX;
    }
    if (rounded <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(rounded);
}
}  // namespace

int RoundHalfAway(double v)
{
    return static_cast<int>(v >= 0.0 ? v + 0.5 : v - 0.5);
}

void DriveChain::UpdateDriveCoefficients(float a, int alg)
{
    switch (alg) {
    case 1: {
        const float d = a * 0.01f;
        const float t = (2.0f * d - d * d) * 0.699f + 0.3f;
        driveCoeff = 2.0f * t / (1.0f - t);
        outputScale = 0.55f - a * 0.0044f;
        break;
    }
    case 2: {
        const float d = a * 0.01f;
        driveCoeff = 1.0f - ((2.0f * d - d * d) * 0.8f + 0.2f);
        outputScale = a * 0.06f + 1.0f;
        break;
    }
    case 3:
        driveCoeff = a * 0.0024999f + 0.00001f;
        break;
    default:
        break;
    }
}

void DriveChain::OnParameterChange(int index, double value)
{
    if (!std::isfinite(value)) {
        return;
    }
    const int b = RoundHalfAway(std::clamp(value, -kValueLimit, kValueLimit));
    const float bf = static_cast<float>(b);
    switch (index) {
    case kAlgorithm:
        algorithm = static_cast<int16_t>(b);
        UpdateDriveCoefficients(amount, b);
        break;
    case kAmount:
        amount = static_cast<int16_t>(b);
        UpdateDriveCoefficients(bf, algorithm);
        break;
    case kFoldback:
        foldBefore = b == 1;
        foldAfter = b == 2;
        break;
    case kGain:
        foldGain = bf * 0.15f + 1.0f;
        break;
    case kThreshold:
        threshold = std::pow(10.0, b * 0.05);
        break;
    case kFlipThresh:
        flipThreshold = std::pow(10.0, b * 0.05);
        break;
    case kMultiply: {
        const float m = b >= 0 ? bf * 0.02f : (bf + 100.0f) * 0.02f - 2.0f;
        foldMultiplier = m / foldGain;
        break;
    }
    case kRound:
        if (b >= 0) {
            const float d = bf * 0.01f;
            roundCoeff = (2.0f * d - d * d) * 0.999f;
        } else {
            const float e = (bf + 100.0f) * 0.01f;
            roundCoeff = e * e * 0.96f - 0.96f;
        }
        break;
    case kAntialias:
        antialiasMode = static_cast<int16_t>(b);
        break;
    case kPan:
        pan = bf * 0.01f;
        break;
    case kMix:
        wet = bf * 0.01f;
        dry = 1.0f - wet;
        break;
    default:
        break;
    }
}

double DriveChain::FoldSample(double x) const
{
    x = static_cast<double>(foldGain) * x;
    const double m = foldMultiplier;
    if (x > 0.0 && x > threshold) {
        return (x - threshold) * m + threshold;
    }
    if (x < 0.0 && std::fabs(x) > flipThreshold) {
        return (flipThreshold - std::fabs(x)) * m - flipThreshold;
    }
    return x;
}

double DriveChain::CurveSample(double y) const
{
    const double k = driveCoeff;
    const double s = outputScale;
    switch (algorithm) {
    case 1: {
        const double kPlusOne = driveCoeff + 1.0f;
        return (kPlusOne * y) / (k * std::fabs(y) + 1.0) * s;
    }
    case 2: {
        const double kMinusOne = driveCoeff - 1.0f;
        return ((k + std::fabs(y)) * y) / (y * y + kMinusOne * std::fabs(y) + 1.0) * s;
    }
    case 3: {
        const double inverse = 1.0f / driveCoeff;
        const int32_t n = QuantiseSteps(inverse * y);
        return static_cast<float>(n) * driveCoeff;
    }
    default:
        return y;
    }
}

// Everything before the Round stage: it depends on the input sample alone.
double DriveChain::ShapeSample(double y) const
{
    if (foldBefore) {
        y = FoldSample(y);
    }
    y = CurveSample(y);
    if (foldAfter) {
        y = FoldSample(y);
    }
    return y;
}

void DriveChain::ResetNonFiniteHistory()
{
    for (int c = 0; c < 2; ++c) {
        if (!std::isfinite(lastOut[c]) || !std::isfinite(olderOut[c])) {
            lastOut[c] = 0.0;
            olderOut[c] = 0.0;
        }
    }
}

void DriveChain::ProcessPlain(double** inputs, double** outputs, int frames)
{
    const double keep = 1.0f - roundCoeff;
    const double r = roundCoeff;
    const double wetLeft = 1.0f - pan;
    const double wetRight = 1.0f + pan;
    const double w = wet;
    const double d = dry;
    for (int i = 0; i < frames; ++i) {
        double y[2];
        for (int c = 0; c < 2; ++c) {
            y[c] = inputs[c][i];
            outputs[c][i] = y[c];
        }
        for (int c = 0; c < 2; ++c) {
            y[c] = ShapeSample(y[c]);
            y[c] = keep * y[c] + r * lastOut[c];
        }
        switch (antialiasMode) {
        case 1:
            for (int c = 0; c < 2; ++c) {
                y[c] = (y[c] + lastOut[c]) * 0.5;
            }
            break;
        case 2:
            for (int c = 0; c < 2; ++c) {
                y[c] = (y[c] + olderOut[c]) * 0.5;
            }
            break;
        case 3:
            y[0] = (y[0] + olderOut[0] + lastOut[0]) * kThird;
            y[1] = (lastOut[1] + y[1] + olderOut[1]) * kThird;
            break;
        default:
            break;
        }
        if (antialiasMode == 2 || antialiasMode == 3) {
            olderOut[0] = lastOut[0];
            olderOut[1] = lastOut[1];
        }
        lastOut[0] = y[0];
        lastOut[1] = y[1];
        outputs[0][i] = wetLeft * w * y[0] + d * inputs[0][i];
        outputs[1][i] = wetRight * w * y[1] + d * inputs[1][i];
    }
    ResetNonFiniteHistory();
}

namespace {
inline __m128d Abs(__m128d v)
{
    return _mm_andnot_pd(_mm_set1_pd(-0.0), v);
}

// Picks a where the mask is set, b elsewhere.
inline __m128d Select(__m128d mask, __m128d a, __m128d b)
{
    return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}
}  // namespace

// Both channels in one SSE2 register. Every lane computes the plain loop's operations in
// the same order; branches become masks that pick between results computed in full.
__m128d DriveChain::FoldPair(__m128d x) const
{
    const __m128d zero = _mm_setzero_pd();
    const __m128d m = _mm_set1_pd(foldMultiplier);
    const __m128d thr = _mm_set1_pd(threshold);
    const __m128d flip = _mm_set1_pd(flipThreshold);
    x = _mm_mul_pd(_mm_set1_pd(foldGain), x);
    const __m128d above = _mm_and_pd(_mm_cmpgt_pd(x, zero), _mm_cmpgt_pd(x, thr));
    const __m128d below = _mm_and_pd(_mm_cmplt_pd(x, zero), _mm_cmpgt_pd(Abs(x), flip));
    const __m128d high = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(x, thr), m), thr);
    const __m128d low = _mm_sub_pd(_mm_mul_pd(_mm_sub_pd(flip, Abs(x)), m), flip);
    return Select(above, high, Select(below, low, x));
}

// The decimator's rounding and 32-bit clamping as in QuantiseSteps; NaN lanes give 0.
__m128d DriveChain::DecimatePair(__m128d y) const
{
    const __m128d u = _mm_mul_pd(_mm_set1_pd(1.0f / driveCoeff), y);
    const __m128d half = _mm_set1_pd(0.5);
    __m128d rounded = Select(_mm_cmpge_pd(u, _mm_setzero_pd()), _mm_add_pd(u, half), _mm_sub_pd(u, half));
    rounded = _mm_min_pd(_mm_set1_pd(2147483647.0), rounded);
    rounded = _mm_max_pd(_mm_set1_pd(-2147483648.0), rounded);
    const __m128 steps = _mm_cvtepi32_ps(_mm_cvttpd_epi32(rounded));
    const __m128d result = _mm_cvtps_pd(_mm_mul_ps(steps, _mm_set1_ps(driveCoeff)));
    return _mm_and_pd(_mm_cmpord_pd(u, u), result);
}

__m128d DriveChain::CurvePair(__m128d y) const
{
    const __m128d k = _mm_set1_pd(driveCoeff);
    const __m128d s = _mm_set1_pd(outputScale);
    const __m128d one = _mm_set1_pd(1.0);
    switch (algorithm) {
    case 1: {
        const __m128d kPlusOne = _mm_set1_pd(driveCoeff + 1.0f);
        const __m128d num = _mm_mul_pd(kPlusOne, y);
        return _mm_mul_pd(_mm_div_pd(num, _mm_add_pd(_mm_mul_pd(k, Abs(y)), one)), s);
    }
    case 2: {
        const __m128d kMinusOne = _mm_set1_pd(driveCoeff - 1.0f);
        const __m128d a = Abs(y);
        const __m128d num = _mm_mul_pd(_mm_add_pd(k, a), y);
        const __m128d den = _mm_add_pd(_mm_add_pd(_mm_mul_pd(y, y), _mm_mul_pd(kMinusOne, a)), one);
        return _mm_mul_pd(_mm_div_pd(num, den), s);
    }
    case 3:
        return DecimatePair(y);
    default:
        return y;
    }
}

void DriveChain::ProcessFast(double** inputs, double** outputs, int frames)
{
    const __m128d keep = _mm_set1_pd(1.0f - roundCoeff);
    const __m128d r = _mm_set1_pd(roundCoeff);
    const __m128d half = _mm_set1_pd(0.5);
    const __m128d third = _mm_set1_pd(kThird);
    const __m128d wetGain = _mm_set_pd(static_cast<double>(1.0f + pan) * static_cast<double>(wet),
                                       static_cast<double>(1.0f - pan) * static_cast<double>(wet));
    const __m128d d = _mm_set1_pd(dry);
    __m128d last = _mm_set_pd(lastOut[1], lastOut[0]);
    __m128d older = _mm_set_pd(olderOut[1], olderOut[0]);
    const int mode = antialiasMode;
    const double* inL = inputs[0];
    const double* inR = inputs[1];
    double* outL = outputs[0];
    double* outR = outputs[1];

    for (int f = 0; f < frames; ++f) {
        const __m128d in = _mm_unpacklo_pd(_mm_load_sd(&inL[f]), _mm_load_sd(&inR[f]));
        __m128d y = in;
        if (foldBefore) {
            y = FoldPair(y);
        }
        y = CurvePair(y);
        if (foldAfter) {
            y = FoldPair(y);
        }
        y = _mm_add_pd(_mm_mul_pd(keep, y), _mm_mul_pd(r, last));
        if (mode == 1) {
            y = _mm_mul_pd(_mm_add_pd(y, last), half);
        } else if (mode == 2) {
            y = _mm_mul_pd(_mm_add_pd(y, older), half);
            older = last;
        } else if (mode == 3) {
            // Left adds y, older, last; right adds last, y, older (the same as y + last).
            const __m128d second = _mm_move_sd(last, older);
            const __m128d remaining = _mm_move_sd(older, last);
            y = _mm_mul_pd(_mm_add_pd(_mm_add_pd(y, second), remaining), third);
            older = last;
        }
        last = y;
        const __m128d out = _mm_add_pd(_mm_mul_pd(wetGain, y), _mm_mul_pd(d, in));
        _mm_storel_pd(&outL[f], out);
        _mm_storeh_pd(&outR[f], out);
    }
    _mm_storel_pd(&lastOut[0], last);
    _mm_storeh_pd(&lastOut[1], last);
    _mm_storel_pd(&olderOut[0], older);
    _mm_storeh_pd(&olderOut[1], older);
    ResetNonFiniteHistory();
}

void DriveChain::ProcessBlock(double** inputs, double** outputs, int frames)
{
    if (frames <= 0) {
        return;
    }
    // Crossed channels (an output that is the other channel's input) see the plain
    // loop's per-sample write order; only the plain loop reproduces that.
    const bool crossed = inputs[0] == outputs[1] || inputs[1] == outputs[0];
    if (crossed) {
        ProcessPlain(inputs, outputs, frames);
    } else {
        ProcessFast(inputs, outputs, frames);
    }
}
