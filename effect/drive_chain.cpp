#include "drive_chain.h"

#include <algorithm>
#include <cmath>

#include "plug/rounding.h"

namespace {
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
            y[0] = (y[0] + olderOut[0] + lastOut[0]) * kAntialiasThird;
            y[1] = (lastOut[1] + y[1] + olderOut[1]) * kAntialiasThird;
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
ChainKernel KernelFor(SimdPath path)
{
    switch (path) {
    case SimdPath::kAvx512:
        return RunChainAvx512;
    case SimdPath::kAvx2:
        return RunChainAvx2;
    default:
        return RunChainSse2;
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

DriveChain::DriveChain() : fastKernel(KernelFor(kWidestPath)) {}

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
    fastKernel = KernelFor(path);
    return true;
}

ChainCoefficients DriveChain::CurrentCoefficients() const
{
    ChainCoefficients c;
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
    c.round = roundCoeff;
    c.wetLeft = static_cast<double>(1.0f - pan) * static_cast<double>(wet);
    c.wetRight = static_cast<double>(1.0f + pan) * static_cast<double>(wet);
    c.dry = dry;
    c.algorithm = algorithm;
    c.antialias = antialiasMode;
    c.foldBefore = foldBefore;
    c.foldAfter = foldAfter;
    return c;
}

void DriveChain::ProcessFast(double** inputs, double** outputs, int frames)
{
    ChainHistory history = {{lastOut[0], lastOut[1]}, {olderOut[0], olderOut[1]}};
    fastKernel(CurrentCoefficients(), inputs, outputs, frames, history, scratch);
    for (int c = 0; c < 2; ++c) {
        lastOut[c] = history.last[c];
        olderOut[c] = history.older[c];
    }
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
