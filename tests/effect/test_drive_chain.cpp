#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "effect/drive_chain.h"
#include "vst/denormals.h"

namespace {

// Plain values in parameter order: the neutral chain (Off everywhere, Mix 100).
using Settings = std::array<int, kParamCount>;
constexpr Settings kNeutral = {0, 50, 0, 10, -16, -16, -20, 0, 0, 0, 100};
constexpr Settings kDefaults = {1, 50, 0, 10, -16, -16, -20, 10, 0, 0, 90};

void Apply(DriveChain& chain, const Settings& s)
{
    for (int i = 0; i < kParamCount; ++i) {
        chain.OnParameterChange(i, s[i]);
    }
}

struct Stereo {
    std::vector<double> left, right;
    explicit Stereo(size_t n = 0) : left(n), right(n) {}
    double* ptrs[2];
    double** Ptrs()
    {
        ptrs[0] = left.data();
        ptrs[1] = right.data();
        return ptrs;
    }
};

constexpr SimdPath kAllPaths[] = {SimdPath::kSse2, SimdPath::kAvx2, SimdPath::kAvx512};

const char* PathName(SimdPath path)
{
    static const char* const names[] = {"SSE2", "AVX2", "AVX-512"};
    return names[static_cast<int>(path)];
}

// The fast path's instruction sets this CPU runs; the others are named in the test output.
std::vector<SimdPath> RunnablePaths()
{
    std::vector<SimdPath> paths;
    for (SimdPath path : kAllPaths) {
        if (DriveChain::CpuRuns(path)) {
            paths.push_back(path);
        } else {
            std::printf("%s not run: this CPU lacks it\n", PathName(path));
        }
    }
    return paths;
}

Stereo Render(const Settings& s, Stereo in, bool plain = false, SimdPath path = SimdPath::kSse2)
{
    DriveChain chain;
    Apply(chain, s);
    chain.UsePath(path);
    Stereo out(in.left.size());
    if (plain) {
        chain.ProcessPlain(in.Ptrs(), out.Ptrs(), static_cast<int>(in.left.size()));
    } else {
        chain.ProcessBlock(in.Ptrs(), out.Ptrs(), static_cast<int>(in.left.size()));
    }
    return out;
}

Stereo Mono(std::initializer_list<double> samples)
{
    Stereo s;
    s.left = samples;
    s.right = samples;
    return s;
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The same bits, or NaN on both sides: which NaN an addition or multiplication of two NaNs
// keeps depends on the operand order the compiler picks for the plain loop's commutative
// operations, which C++ leaves open.
bool SameSample(double a, double b)
{
    return SameBits(a, b) || (std::isnan(a) && std::isnan(b));
}

// The processing formulas evaluated one sample at a time, written from the formulas
// themselves (not from the implementation) as an independent witness.
struct Witness {
    float k = 0, s = 0, gain = 1, mul = 0, r = 0, pan = 0, wet = 0, dry = 1;
    double thr = 0, flip = 0;
    int alg = 0, aa = 0, fold = 0;
    double last[2] = {0, 0}, older[2] = {0, 0};

    explicit Witness(const Settings& p)
    {
        alg = p[0];
        const float a = static_cast<float>(p[1]);
        const float d = a * 0.01f;
        if (alg == 1) {
            const float t = (2.0f * d - d * d) * 0.699f + 0.3f;
            k = 2.0f * t / (1.0f - t);
            s = 0.55f - a * 0.0044f;
        } else if (alg == 2) {
            k = 1.0f - ((2.0f * d - d * d) * 0.8f + 0.2f);
            s = a * 0.06f + 1.0f;
        } else if (alg == 3) {
            k = a * 0.0024999f + 0.00001f;
        }
        fold = p[2];
        gain = static_cast<float>(p[3]) * 0.15f + 1.0f;
        thr = std::pow(10.0, p[4] * 0.05);
        flip = std::pow(10.0, p[5] * 0.05);
        const float m = p[6] >= 0 ? p[6] * 0.02f : (p[6] + 100) * 0.02f - 2.0f;
        mul = m / gain;
        const float rd = p[7] * 0.01f, re = (p[7] + 100) * 0.01f;
        r = p[7] >= 0 ? (2.0f * rd - rd * rd) * 0.999f : re * re * 0.96f - 0.96f;
        aa = p[8];
        pan = p[9] * 0.01f;
        wet = p[10] * 0.01f;
        dry = 1.0f - wet;
    }
    double Fold(double x) const
    {
        x = gain * x;
        if (x > 0 && x > thr) return (x - thr) * static_cast<double>(mul) + thr;
        if (x < 0 && -x > flip) return (flip + x) * static_cast<double>(mul) - flip;
        return x;
    }
    double Curve(double y) const
    {
        if (alg == 1) return (static_cast<float>(k + 1.0f) * y) / (k * std::fabs(y) + 1.0) * s;
        if (alg == 2) return ((k + std::fabs(y)) * y) / (y * y + static_cast<float>(k - 1.0f) * std::fabs(y) + 1.0) * s;
        if (alg == 3) {
            const double u = static_cast<double>(1.0f / k) * y;
            const int n = static_cast<int>(u >= 0 ? u + 0.5 : u - 0.5);
            return static_cast<float>(static_cast<float>(n) * k);
        }
        return y;
    }
    void Frame(double inL, double inR, double& outL, double& outR)
    {
        double y[2] = {inL, inR};
        for (int c = 0; c < 2; ++c) {
            if (fold == 1) y[c] = Fold(y[c]);
            y[c] = Curve(y[c]);
            if (fold == 2) y[c] = Fold(y[c]);
            y[c] = static_cast<double>(1.0f - r) * y[c] + static_cast<double>(r) * last[c];
        }
        if (aa == 1) for (int c = 0; c < 2; ++c) y[c] = (y[c] + last[c]) * 0.5;
        if (aa == 2) for (int c = 0; c < 2; ++c) y[c] = (y[c] + older[c]) * 0.5;
        if (aa == 3) {
            y[0] = (y[0] + older[0] + last[0]) * 0.3333333333333333;
            y[1] = (last[1] + y[1] + older[1]) * 0.3333333333333333;
        }
        if (aa >= 2) std::memcpy(older, last, sizeof last);
        std::memcpy(last, y, sizeof y);
        outL = static_cast<double>(1.0f - pan) * wet * y[0] + static_cast<double>(dry) * inL;
        outR = static_cast<double>(1.0f + pan) * wet * y[1] + static_cast<double>(dry) * inR;
    }
};

Stereo Noise(size_t n, unsigned seed, double scale)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-scale, scale);
    Stereo s(n);
    for (size_t i = 0; i < n; ++i) {
        s.left[i] = dist(rng);
        s.right[i] = dist(rng);
    }
    return s;
}

Settings RandomSettings(std::mt19937& rng)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    return {pick(0, 3), pick(0, 100), pick(0, 2), pick(0, 100), pick(-64, 0), pick(-64, 0),
            pick(-100, 100), pick(-100, 100), pick(0, 3), pick(-100, 100), pick(0, 100)};
}

// Noise in stretches of ordinary, loud, huge, tiny (products fall below the normal range) and
// denormal scale, with NaNs and infinities here and there.
Stereo AwkwardInput(size_t n, std::mt19937& rng)
{
    constexpr double kScales[] = {1.0, 4.0, 1.0e306, 1.0e-306, 1.0e-310};
    constexpr double kNonFinite[] = {std::numeric_limits<double>::quiet_NaN(),
                                     std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity()};
    Stereo s(n);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> pick(0, 4);
    double scale = 1.0;
    for (size_t i = 0; i < n; ++i) {
        if (i % 97 == 0) {
            scale = kScales[pick(rng)];
        }
        s.left[i] = unit(rng) * scale;
        s.right[i] = unit(rng) * scale;
        if (pick(rng) == 0 && pick(rng) == 0 && pick(rng) == 0) {
            (i % 2 ? s.left : s.right)[i] = kNonFinite[pick(rng) % 3];
        }
    }
    return s;
}

}  // namespace

TEST(DriveChain, NeutralChainAndDryMixPassInputUnchanged)
{
    const Stereo in = Noise(300, 1, 1.5);
    Settings dryOnly = kDefaults;
    dryOnly[kMix] = 0;
    for (const Settings& s : {kNeutral, dryOnly}) {
        const Stereo out = Render(s, in);
        for (size_t i = 0; i < in.left.size(); ++i) {
            ASSERT_TRUE(SameBits(out.left[i], in.left[i]));
            ASSERT_TRUE(SameBits(out.right[i], in.right[i]));
        }
    }
}

TEST(DriveChain, WorkedCurveNumbers)
{
    Settings fat = kNeutral;
    fat[kAlgorithm] = 1;
    fat[kAmount] = 100;
    // At 1.0 the Fat curve gives exactly its output scale, about 0.11.
    EXPECT_NEAR(Render(fat, Mono({1.0})).left[0], 0.11, 1e-6);
    fat[kAmount] = 0;
    // k ~ 0.857, s = 0.55: 1.0 -> (k + 1) / (k + 1) * s.
    EXPECT_NEAR(Render(fat, Mono({1.0})).left[0], 0.55, 1e-6);
    fat[kAmount] = 50;
    const double k = 2 * 0.82425 / (1 - 0.82425);
    EXPECT_NEAR(Render(fat, Mono({0.5})).left[0], (k + 1) * 0.5 / (k * 0.5 + 1) * 0.33, 1e-4);

    Settings weak = kNeutral;
    weak[kAlgorithm] = 2;
    weak[kAmount] = 100;  // k = 0, s = 7: y|y| / (y^2 - |y| + 1) * 7
    EXPECT_NEAR(Render(weak, Mono({0.5})).left[0], 0.25 / 0.75 * 7, 1e-5);

    Settings decimator = kNeutral;
    decimator[kAlgorithm] = 3;
    decimator[kAmount] = 100;
    const Stereo out = Render(decimator, Mono({0.3, -0.376}));
    EXPECT_NEAR(out.left[0], 0.25, 1e-6);
    EXPECT_NEAR(out.left[1], -0.5, 1e-6);
}

TEST(DriveChain, FoldbackClipsAndFolds)
{
    Settings clip = kNeutral;
    clip[kFoldback] = 1;
    clip[kGain] = 0;
    clip[kThreshold] = 0;
    clip[kFlipThresh] = 0;
    clip[kMultiply] = 0;
    const Stereo out = Render(clip, Mono({3.0, -2.0, 0.5}));
    EXPECT_EQ(out.left[0], 1.0);
    EXPECT_EQ(out.left[1], -1.0);
    EXPECT_EQ(out.left[2], 0.5);

    Settings fold = clip;
    fold[kMultiply] = -100;
    EXPECT_NEAR(Render(fold, Mono({1.2})).left[0], 0.6, 1e-6);  // 0.2 above -> 0.4 below

    // Gain changed after Multiply keeps the old slope until Multiply is handled again.
    DriveChain chain;
    Apply(chain, fold);
    chain.OnParameterChange(kGain, 100);
    Stereo in = Mono({1.2 / 16.0});
    Stereo stale(1);
    chain.ProcessBlock(in.Ptrs(), stale.Ptrs(), 1);
    EXPECT_NEAR(stale.left[0], 1.0 - 0.2 * 2.0, 1e-6);
}

TEST(DriveChain, RoundAntialiasAndPan)
{
    Settings x2 = kNeutral;
    x2[kAntialias] = 1;
    const Stereo impulse = Render(x2, Mono({1.0, 0.0, 0.0}));
    EXPECT_EQ(impulse.left, (std::vector<double>{0.5, 0.25, 0.125}));

    Settings round = kNeutral;
    round[kRound] = 100;
    const Stereo step = Render(round, Mono({1.0, 1.0}));
    EXPECT_NEAR(step.left[0], 0.001, 1e-6);
    EXPECT_NEAR(step.left[1], 0.001 + 0.999 * 0.001, 1e-6);

    Settings panned = kNeutral;
    panned[kPan] = 100;
    const Stereo out = Render(panned, Mono({0.25}));
    EXPECT_EQ(out.left[0], 0.0);
    EXPECT_EQ(out.right[0], 0.5);
}

TEST(DriveChain, MatchesTheWitnessBitForBit)
{
    const std::vector<SimdPath> paths = RunnablePaths();
    std::mt19937 rng(2024);
    for (int round = 0; round < 200; ++round) {
        const Settings s = RandomSettings(rng);
        const Stereo in = Noise(700, round, round % 3 == 0 ? 4.0 : 1.0);
        const Stereo plain = Render(s, in, true);
        Witness witness(s);
        for (size_t i = 0; i < in.left.size(); ++i) {
            double l, r;
            witness.Frame(in.left[i], in.right[i], l, r);
            ASSERT_TRUE(SameBits(plain.left[i], l) && SameBits(plain.right[i], r))
                << "plain loop, round " << round << " frame " << i;
        }
        for (SimdPath path : paths) {
            const Stereo fast = Render(s, in, false, path);
            ASSERT_EQ(std::memcmp(fast.left.data(), plain.left.data(), 700 * sizeof(double)), 0)
                << PathName(path) << ", round " << round;
            ASSERT_EQ(std::memcmp(fast.right.data(), plain.right.data(), 700 * sizeof(double)), 0)
                << PathName(path) << ", round " << round;
        }
    }
}

// Processing runs with denormals flushed; every path must still give the plain loop's bits,
// in place, over calls of any odd length and parameter changes between them.
TEST(DriveChain, EveryPathMatchesThePlainLoopOnAwkwardStreams)
{
    ScopedFlushDenormals flush;
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> length(0, 2 * kChainSliceFrames);
    std::uniform_int_distribution<int> parameter(0, kParamCount - 1);
    for (SimdPath path : RunnablePaths()) {
        for (int round = 0; round < 40; ++round) {
            const Settings s = RandomSettings(rng);
            DriveChain plain, fast;
            Apply(plain, s);
            Apply(fast, s);
            ASSERT_TRUE(fast.UsePath(path));
            Stereo in = AwkwardInput(3000, rng);
            Stereo expected(in.left.size());
            Stereo buffer = in;
            for (size_t done = 0; done < in.left.size();) {
                const int frames = std::min<int>(2 * length(rng) + 1, static_cast<int>(in.left.size() - done));
                double* source[2] = {in.left.data() + done, in.right.data() + done};
                double* reference[2] = {expected.left.data() + done, expected.right.data() + done};
                double* inPlace[2] = {buffer.left.data() + done, buffer.right.data() + done};
                plain.ProcessPlain(source, reference, frames);
                fast.ProcessBlock(inPlace, inPlace, frames);
                done += static_cast<size_t>(frames);
                const Settings changed = RandomSettings(rng);
                const int index = parameter(rng);
                plain.OnParameterChange(index, changed[index]);
                fast.OnParameterChange(index, changed[index]);
            }
            for (size_t i = 0; i < in.left.size(); ++i) {
                ASSERT_TRUE(SameSample(buffer.left[i], expected.left[i]) &&
                            SameSample(buffer.right[i], expected.right[i]))
                    << PathName(path) << ", round " << round << " frame " << i << ": " << std::hexfloat
                    << buffer.left[i] << " " << buffer.right[i] << " instead of " << expected.left[i] << " "
                    << expected.right[i] << " from " << in.left[i] << " " << in.right[i];
            }
            for (int ch = 0; ch < 2; ++ch) {
                EXPECT_TRUE(SameSample(fast.LastOut(ch), plain.LastOut(ch)) &&
                            SameSample(fast.OlderOut(ch), plain.OlderOut(ch)));
            }
        }
    }
}

TEST(DriveChain, InPlaceAndCrossedBuffersMatchThePlainLoop)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        const Settings s = RandomSettings(rng);
        const Stereo in = Noise(600, 100 + round, 1.0);
        const Stereo expected = Render(s, in, true);

        DriveChain inPlace;
        Apply(inPlace, s);
        Stereo buffer = in;
        inPlace.ProcessBlock(buffer.Ptrs(), buffer.Ptrs(), 600);
        EXPECT_EQ(buffer.left, expected.left);
        EXPECT_EQ(buffer.right, expected.right);

        // Output left written into input right: both paths must agree on the aliasing.
        DriveChain crossedA, crossedB;
        Apply(crossedA, s);
        Apply(crossedB, s);
        Stereo a = in, b = in;
        std::vector<double> outRA(600), outRB(600);
        double* inA[2] = {a.left.data(), a.right.data()};
        double* outA[2] = {a.right.data(), outRA.data()};
        double* inB[2] = {b.left.data(), b.right.data()};
        double* outB[2] = {b.right.data(), outRB.data()};
        crossedA.ProcessBlock(inA, outA, 600);
        crossedB.ProcessPlain(inB, outB, 600);
        EXPECT_EQ(a.right, b.right);
        EXPECT_EQ(outRA, outRB);
    }
}

TEST(DriveChain, NonFiniteInputDoesNotPoisonTheHistory)
{
    Settings s = kDefaults;
    s[kRound] = 90;
    s[kAntialias] = 3;
    DriveChain chain;
    Apply(chain, s);
    Stereo bad = Mono({std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()});
    Stereo out(2);
    chain.ProcessBlock(bad.Ptrs(), out.Ptrs(), 2);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(chain.LastOut(c), 0.0);
        EXPECT_EQ(chain.OlderOut(c), 0.0);
    }
    Stereo good = Mono({0.5, 0.5});
    chain.ProcessBlock(good.Ptrs(), out.Ptrs(), 2);
    EXPECT_TRUE(std::isfinite(out.left[1]));
}

TEST(DriveChain, DecimatorStaysBoundedForHugeInputs)
{
    Settings s = kNeutral;
    s[kAlgorithm] = 3;
    s[kAmount] = 0;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Stereo in = Mono({1e9, -1e9, 1e300, -1e300, 21474.83647, -21474.83648, nan, 0.3});
    const Stereo out = Render(s, in);
    const Stereo plain = Render(s, in, true);
    for (size_t i = 0; i < out.left.size(); ++i) {
        EXPECT_TRUE(SameBits(out.left[i], plain.left[i])) << i;
        if (i != 6) {
            EXPECT_TRUE(std::isfinite(out.left[i]));
            EXPECT_LE(std::fabs(out.left[i]), 2147483648.0 * 0.00001 * 1.001);
        }
    }
}

TEST(DriveChain, IgnoresNonFiniteAndHoldsHugeParameterValues)
{
    DriveChain chain;
    Apply(chain, kNeutral);
    chain.OnParameterChange(kMix, std::numeric_limits<double>::quiet_NaN());
    chain.OnParameterChange(kAlgorithm, 1e300);
    chain.OnParameterChange(kParamCount, 1.0);
    chain.OnParameterChange(-1, 1.0);
    Stereo in = Mono({0.25});
    Stereo out(1);
    chain.ProcessBlock(in.Ptrs(), out.Ptrs(), 1);
    EXPECT_EQ(out.left[0], 0.25);  // Mix kept at 100, the odd algorithm passes through
}
