// The chain's frame-independent stages (foldback, curve, foldback, the Round stage's input
// weight and the dry part of the mix) for a slice of frames, one entry point per instruction set.
#pragma once

#include <cstdint>

// The coefficients as the plain loop uses them, already widened to double where it widens them.
struct ShapeCoefficients {
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
    double dry;
    int algorithm;
    bool foldBefore;
    bool foldAfter;
};

// The number of frames a slice holds at most; scratch arrays hold pairs (left, right) of
// kShapeSliceFrames + kShapePadFrames frames, since the last vector of a slice may run past it.
constexpr int kShapeSliceFrames = 64;
constexpr int kShapePadFrames = 8;
constexpr int kShapeScratchDoubles = 2 * (kShapeSliceFrames + kShapePadFrames);

// Writes keep * shaped sample and dry * input for frames 0..frames-1 as (left, right) pairs.
using ShapeSliceFn = void (*)(const ShapeCoefficients& c, const double* inL, const double* inR, int frames,
                              double* shaped, double* dry);

void ShapeSliceSse2(const ShapeCoefficients& c, const double* inL, const double* inR, int frames, double* shaped,
                    double* dry);
void ShapeSliceAvx2(const ShapeCoefficients& c, const double* inL, const double* inR, int frames, double* shaped,
                    double* dry);
void ShapeSliceAvx512(const ShapeCoefficients& c, const double* inL, const double* inR, int frames, double* shaped,
                      double* dry);
