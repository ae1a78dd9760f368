// Rounding to the nearest integer with halves away from zero, shared by the sound and the
// editor's layout.
#pragma once

// Rounds in the value's own precision (a float as a float); the value must be finite and
// within the int range.
template <typename Real>
int RoundHalfAway(Real v)
{
    return static_cast<int>(v >= Real(0) ? v + Real(0.5) : v - Real(0.5));
}
