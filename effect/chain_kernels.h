// The audio chain's fast path, one entry point per instruction set. A block goes through in
// slices: the frame-independent stages (foldback, curve, foldback, the Round stage's input
// weight, the dry part of the mix) across frames with the widest vectors, then the Round and
// Antialias recurrence, pan and mix with both channels in one register.
#pragma once

#include <cstdint>

// The coefficients as the plain loop uses them, already widened to double where it widens them.
struct ChainCoefficients {
    double foldGain;
    double threshold;
    double flipThreshold;
    double foldMultiplier;
    double drive;           // the curve's k
    double outputScale;     // the curve's s
    double drivePlusOne;    // k + 1, summed in float
    double driveMinusOne;   // k - 1, summed in float
    double inverseDrive;    // 1 / k in float: the decimator's step count per unit
    float driveFloat;       // the decimator's step size, multiplied in float
    double keep;            // the Round stage's weight of the new sample
    double round;           // ... and of the previous output
    double wetLeft;         // (1 - pan) * wet
    double wetRight;        // (1 + pan) * wet
    double dry;
    int algorithm;
    int antialias;
    bool foldBefore;
    bool foldAfter;
};

// The previous two outputs per channel (left, right).
struct ChainHistory {
    double last[2];
    double older[2];
};

// The x3 Antialias mode's weight of each of its three outputs.
constexpr double kAntialiasThird = 0.3333333333333333;

// Frames per slice, and room for the last vector of a slice, which may run past it.
constexpr int kChainSliceFrames = 16;
constexpr int kChainPadFrames = 8;

// A slice's shaped samples and dry parts as (left, right) pairs.
struct alignas(64) ChainScratch {
    double shaped[2 * (kChainSliceFrames + kChainPadFrames)];
    double dry[2 * (kChainSliceFrames + kChainPadFrames)];
};

// Processes frames > 0; outputs must not be the other channel's inputs.
using ChainKernel = void (*)(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
                             ChainHistory& history, ChainScratch& scratch);

void RunChainSse2(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
                  ChainHistory& history, ChainScratch& scratch);
void RunChainAvx2(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
                  ChainHistory& history, ChainScratch& scratch);
void RunChainAvx512(const ChainCoefficients& c, double* const* inputs, double* const* outputs, int frames,
                    ChainHistory& history, ChainScratch& scratch);
