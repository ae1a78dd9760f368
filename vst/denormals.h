// Flushes denormal numbers to zero for the lifetime of the guard and restores the
// caller's floating-point mode afterwards (x86-64 MXCSR: FTZ and DAZ bits).
#pragma once

#include <xmmintrin.h>

class ScopedFlushDenormals {
public:
    ScopedFlushDenormals() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
    ~ScopedFlushDenormals() { _mm_setcsr(saved); }
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved;
};
