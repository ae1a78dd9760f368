// Cost of the effect's audio chain per stereo frame: the fast path against the plain
// per-frame loop in the same run, and the denormal case with and without flushing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

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
    Buffers b(1.0);
    for (auto _ : state) {
        chain.ProcessBlock(b.in, b.out, kBlock);
        benchmark::DoNotOptimize(b.outL.data());
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

BENCHMARK(BM_PlainLoop)->ArgsProduct({{0, 1, 2, 3}, {1, 3}})->ArgNames({"algorithm", "antialias"});
BENCHMARK(BM_FastPath)->ArgsProduct({{0, 1, 2, 3}, {1, 3}})->ArgNames({"algorithm", "antialias"});
BENCHMARK(BM_SilenceAfterSignal_Unflushed);
BENCHMARK(BM_SilenceAfterSignal_Flushed);

BENCHMARK_MAIN();
