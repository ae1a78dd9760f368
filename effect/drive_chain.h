// The effect's sound: coefficients computed from the eleven parameter values, and the
// per-frame chain (foldback, curve, foldback, Round, Antialias, pan and mix).
#pragma once

#include <cstdint>

#include "effect/chain_kernels.h"

enum RuckParam : int {
    kAlgorithm = 0,
    kAmount,
    kFoldback,
    kGain,
    kThreshold,
    kFlipThresh,
    kMultiply,
    kRound,
    kAntialias,
    kPan,
    kMix,
    kParamCount
};

// The instruction sets the fast path is built for.
enum class SimdPath : int { kSse2, kAvx2, kAvx512 };

class DriveChain {
public:
    DriveChain();

    // Recomputes the coefficients that depend on one parameter's plain value.
    // Non-finite values are ignored; values far outside every range are held.
    void OnParameterChange(int index, double value);

    // Processes two channels; nothing happens for frames <= 0. Picks the fast path
    // whenever it gives the same bits as ProcessPlain.
    void ProcessBlock(double** inputs, double** outputs, int frames);
    // The straightforward per-frame loop: the reference for the fast path.
    void ProcessPlain(double** inputs, double** outputs, int frames);

    // Whether this CPU and its operating system run the instruction set.
    static bool CpuRuns(SimdPath path);
    // Switches the fast path's instruction set (the widest the CPU runs is chosen at
    // construction); refused, with no change, when the CPU lacks it.
    bool UsePath(SimdPath path);

    double LastOut(int channel) const { return lastOut[channel]; }
    double OlderOut(int channel) const { return olderOut[channel]; }

private:
    void UpdateDriveCoefficients(float a, int alg);
    double FoldSample(double x) const;
    double CurveSample(double y) const;
    double ShapeSample(double y) const;
    ChainCoefficients CurrentCoefficients() const;
    void ProcessFast(double** inputs, double** outputs, int frames);
    void ResetNonFiniteHistory();

    double threshold = 0.0;
    double flipThreshold = 0.0;
    double lastOut[2] = {0.0, 0.0};
    double olderOut[2] = {0.0, 0.0};
    float driveCoeff = 0.0f;
    float outputScale = 0.0f;
    float foldGain = 1.0f;
    float foldMultiplier = 0.0f;
    float roundCoeff = 0.0f;
    float pan = 0.0f;
    float wet = 0.0f;
    float dry = 1.0f;
    int16_t algorithm = 0;
    int16_t antialiasMode = 0;
    int16_t amount = 0;
    bool foldBefore = false;
    bool foldAfter = false;
    ChainKernel fastKernel;
    ChainScratch scratch;
};
