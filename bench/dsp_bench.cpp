// Cost of the effect's audio chain per stereo frame: the fast path on each instruction set
// against the plain per-frame loop and against the floor, the Round/Antialias recurrence alone,
// in the same run; and the denormal case with and without flushing.
#include <benchmark/benchmark.h>
#include <emmintrin.h>

#include <cmath>
#include <random>
#include <vector>

#include "effect/antialias_step.h"
#include "effect/drive_chain.h"
#include "vst/denormals.h"

namespace {
constexpr int kBlock = 512;

struct Buffers {
    std::vector<double> inL, inR, outL, outR;
    double* in[2];
    double* out[2];
    explicit Buffers(double scale) : inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock)
    {
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> dist(-scale, scale);
        for (int i = 0; i < kBlock; ++i) {
            inL[i] = dist(rng);
            inR[i] = dist(rng);
        }
        in[0] = inL.data();
        in[1] = inR.data();
        out[0] = outL.data();
        out[1] = outR.data();
    }
};

// Algorithm and Antialias mode from the benchmark arguments, Round on, fold before the curve.
DriveChain ChainFor(int algorithm, int round = 10, int antialias = 3)
{
    const double values[kParamCount] = {double(algorithm), 70, 1, 40, -16, -16, -20, double(round),
                                        double(antialias), 0, 90};
    DriveChain chain;
    for (int i = 0; i < kParamCount; ++i) {
        chain.OnParameterChange(i, values[i]);
    }
    return chain;
}

// Reported as seconds per stereo frame ("5.1n" is 5.1 ns).
void PerFrame(benchmark::State& state)
{
    state.counters["per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlock,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PlainLoop(benchmark::State& state)
{
    DriveChain chain = ChainFor(static_cast<int>(state.range(0)), 10, static_cast<int>(state.range(1)));
    Buffers b(1.0);
    for (auto _ : state) {
        chain.ProcessPlain(b.in, b.out, kBlock);
        benchmark::DoNotOptimize(b.outL.data());
    }
    PerFrame(state);
}

void BM_FastPath(benchmark::State& state)
{
    DriveChain chain = ChainFor(static_cast<int>(state.range(0)), 10, static_cast<int>(state.range(1)));
    if (!chain.UsePath(static_cast<SimdPath>(state.range(2)))) {
        state.SkipWithError("this CPU lacks the instruction set");
        return;
    }
    Buffers b(1.0);
    for (auto _ : state) {
        chain.ProcessBlock(b.in, b.out, kBlock);
        benchmark::DoNotOptimize(b.outL.data());
    }
    PerFrame(state);
}

// The serial part alone: the fast path's own recurrence step (both channels in one SSE2
// register, the plain loop's operations in its order), reading ready-weighted samples and
// writing the results. The full chain cannot run faster than this.
template <int Mode>
void RecurrenceOnly(const double* shaped, double* out, __m128d round, __m128d& last, __m128d& older)
{
    for (int f = 0; f < kBlock; ++f) {
        _mm_store_pd(out + 2 * f, RoundAndAntialias<Mode>(_mm_load_pd(shaped + 2 * f), round, last, older));
    }
}

template <int Mode>
void BM_RecurrenceFloor(benchmark::State& state)
{
    Buffers b(1.0);
    alignas(16) double shaped[2 * kBlock];
    alignas(16) double out[2 * kBlock];
    for (int i = 0; i < kBlock; ++i) {
        shaped[2 * i] = b.inL[i];
        shaped[2 * i + 1] = b.inR[i];
    }
    const __m128d round = _mm_set1_pd(0.18981);
    __m128d last = _mm_setzero_pd();
    __m128d older = _mm_setzero_pd();
    for (auto _ : state) {
        RecurrenceOnly<Mode>(shaped, out, round, last, older);
        benchmark::DoNotOptimize(out);
    }
    PerFrame(state);
}

// Silence after loud signal with Round at +100: the history decays into denormals.
void Denormals(benchmark::State& state, bool flush)
{
    DriveChain chain = ChainFor(0, 100, 0);
    Buffers loud(1.0e3);
    Buffers silence(0.0);
    chain.ProcessBlock(loud.in, loud.out, kBlock);
    for (int i = 0; i < 2000; ++i) {
        chain.ProcessBlock(silence.in, silence.out, kBlock);
    }
    for (auto _ : state) {
        if (flush) {
            ScopedFlushDenormals guard;
            chain.ProcessBlock(silence.in, silence.out, kBlock);
        } else {
            chain.ProcessBlock(silence.in, silence.out, kBlock);
        }
        benchmark::DoNotOptimize(silence.outL.data());
    }
    PerFrame(state);
}

void BM_SilenceAfterSignal_Unflushed(benchmark::State& state)
{
    Denormals(state, false);
}

void BM_SilenceAfterSignal_Flushed(benchmark::State& state)
{
    Denormals(state, true);
}
}  // namespace

BENCHMARK_TEMPLATE(BM_RecurrenceFloor, 0)->Name("BM_RecurrenceFloor/antialias:0");
BENCHMARK_TEMPLATE(BM_RecurrenceFloor, 1)->Name("BM_RecurrenceFloor/antialias:1");
BENCHMARK_TEMPLATE(BM_RecurrenceFloor, 2)->Name("BM_RecurrenceFloor/antialias:2");
BENCHMARK_TEMPLATE(BM_RecurrenceFloor, 3)->Name("BM_RecurrenceFloor/antialias:3");
BENCHMARK(BM_PlainLoop)->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2, 3}})->ArgNames({"algorithm", "antialias"});
// Path 0 is SSE2, 1 AVX2, 2 AVX-512.
BENCHMARK(BM_FastPath)
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 2}})
    ->ArgNames({"algorithm", "antialias", "path"});
BENCHMARK(BM_SilenceAfterSignal_Unflushed);
BENCHMARK(BM_SilenceAfterSignal_Flushed);

BENCHMARK_MAIN();
