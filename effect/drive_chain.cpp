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
// Both channels' history, (left, right) in one register each.
struct History {
    __m128d last;
    __m128d older;
};

struct MixConstants {
    __m128d round;
    __m128d wetGain;
};

// The Round and Antialias recurrence, pan and mix over a slice of shaped pairs, one function
// per Antialias mode so the frame loop carries no switch and keeps the history in registers.
template <int Mode>
void RunRecurrence(const MixConstants& k, const double* shaped, const double* dry, int frames, double* outL,
                   double* outR, History& history)
{
    const __m128d half = _mm_set1_pd(0.5);
    const __m128d third = _mm_set1_pd(kThird);
    __m128d last = history.last;
    __m128d older = history.older;
    for (int f = 0; f < frames; ++f) {
        __m128d y = _mm_add_pd(_mm_load_pd(shaped + 2 * f), _mm_mul_pd(k.round, last));
        if constexpr (Mode == 1) {
            y = _mm_mul_pd(_mm_add_pd(y, last), half);
        } else if constexpr (Mode == 2) {
            y = _mm_mul_pd(_mm_add_pd(y, older), half);
            older = last;
        } else if constexpr (Mode == 3) {
            // Left adds y, older, last; right adds last, y, older (the same as y + last).
            const __m128d second = _mm_move_sd(last, older);
            const __m128d remaining = _mm_move_sd(older, last);
            y = _mm_mul_pd(_mm_add_pd(_mm_add_pd(y, second), remaining), third);
            older = last;
        }
        last = y;
        const __m128d out = _mm_add_pd(_mm_mul_pd(k.wetGain, y), _mm_load_pd(dry + 2 * f));
        _mm_storel_pd(&outL[f], out);
        _mm_storeh_pd(&outR[f], out);
    }
    history.last = last;
    history.older = older;
}

using RecurrenceFn = void (*)(const MixConstants&, const double*, const double*, int, double*, double*, History&);

// Modes other than x2, x2+ and x3 leave the signal as Off does.
RecurrenceFn RecurrenceFor(int mode)
{
    switch (mode) {
    case 1:
        return RunRecurrence<1>;
    case 2:
        return RunRecurrence<2>;
    case 3:
        return RunRecurrence<3>;
    default:
        return RunRecurrence<0>;
    }
}

ShapeSliceFn ShapeKernelFor(SimdPath path)
{
    switch (path) {
    case SimdPath::kAvx512:
        return ShapeSliceAvx512;
    case SimdPath::kAvx2:
        return ShapeSliceAvx2;
    default:
        return ShapeSliceSse2;
    }
}

SimdPath WidestPath()
{
    for (SimdPath path : {SimdPath::kAvx512, SimdPath::kAvx2}) {
        if (DriveChain::CpuRuns(path)) {
            return path;
        }
    }
    return SimdPath::kSse2;
}

// Chosen once, when the module loads.
const SimdPath kWidestPath = WidestPath();
}  // namespace

DriveChain::DriveChain() : shapeSlice(ShapeKernelFor(kWidestPath)) {}

bool DriveChain::CpuRuns(SimdPath path)
{
    __builtin_cpu_init();
    switch (path) {
    case SimdPath::kAvx512:
        return __builtin_cpu_supports("avx512f");
    case SimdPath::kAvx2:
        return __builtin_cpu_supports("avx2");
    default:
        return true;
    }
}

bool DriveChain::UsePath(SimdPath path)
{
    if (!CpuRuns(path)) {
        return false;
    }
    shapeSlice = ShapeKernelFor(path);
    return true;
}

ShapeCoefficients DriveChain::CurrentShapeCoefficients() const
{
    ShapeCoefficients c;
    c.foldGain = foldGain;
    c.threshold = threshold;
    c.flipThreshold = flipThreshold;
    c.foldMultiplier = foldMultiplier;
    c.drive = driveCoeff;
    c.outputScale = outputScale;
    c.drivePlusOne = driveCoeff + 1.0f;
    c.driveMinusOne = driveCoeff - 1.0f;
    c.inverseDrive = 1.0f / driveCoeff;
    c.driveFloat = driveCoeff;
    c.keep = 1.0f - roundCoeff;
    c.dry = dry;
    c.algorithm = algorithm;
    c.foldBefore = foldBefore;
    c.foldAfter = foldAfter;
    return c;
}

// Two passes per slice: the frame-independent stages across frames with the widest vectors,
// then the recurrence, pan and mix with both channels in one register.
void DriveChain::ProcessFast(double** inputs, double** outputs, int frames)
{
    const ShapeCoefficients c = CurrentShapeCoefficients();
    const MixConstants k = {_mm_set1_pd(roundCoeff),
                            _mm_set_pd(static_cast<double>(1.0f + pan) * static_cast<double>(wet),
                                       static_cast<double>(1.0f - pan) * static_cast<double>(wet))};
    const RecurrenceFn recurrence = RecurrenceFor(antialiasMode);
    History history = {_mm_loadu_pd(lastOut), _mm_loadu_pd(olderOut)};
    for (int done = 0; done < frames; done += kShapeSliceFrames) {
        const int n = std::min(kShapeSliceFrames, frames - done);
        shapeSlice(c, inputs[0] + done, inputs[1] + done, n, shapedScratch, dryScratch);
        recurrence(k, shapedScratch, dryScratch, n, outputs[0] + done, outputs[1] + done, history);
    }
    _mm_storeu_pd(lastOut, history.last);
    _mm_storeu_pd(olderOut, history.older);
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
