// For the tests that compare another plug-in format with the VST2 module of the same build:
// a loud, bright stereo test signal, rendering it in host blocks, the VST2 module opened as
// the reference, comparison bit for bit, and the fixture such tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "test_host.h"

using Channels = std::vector<std::vector<double>>;

constexpr double kReferenceRate = 44100.0;
constexpr int kReferenceBlock = 512;

// Two channels: harmonics and a little noise on the left, a sine on the right.
inline Channels TestSignal(size_t frames)
{
    constexpr double kTwoPi = 6.283185307179586;
    Channels channels(2, std::vector<double>(frames));
    uint32_t noise = 12345;
    for (size_t i = 0; i < frames; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double t = static_cast<double>(i) / kReferenceRate;
        channels[0][i] = 0.6 * std::sin(kTwoPi * 110.0 * t) + 0.3 * std::sin(kTwoPi * 331.0 * t) +
                         (noise >> 8) / 16777216.0 * 0.05;
        channels[1][i] = 0.8 * std::sin(kTwoPi * 220.0 * t + 0.5);
    }
    return channels;
}

// The whole signal in host blocks of `block` frames; process(in, out, frames, first) renders one.
template <typename Process>
Channels RenderInBlocks(const Channels& input, uint32_t block, Process process)
{
    const auto frames = static_cast<uint32_t>(input[0].size());
    Channels output(2, std::vector<double>(frames));
    for (uint32_t done = 0; done < frames; done += block) {
        double* in[2] = {const_cast<double*>(input[0].data()) + done, const_cast<double*>(input[1].data()) + done};
        double* out[2] = {output[0].data() + done, output[1].data() + done};
        process(in, out, std::min(block, frames - done), done == 0);
    }
    return output;
}

inline bool SameBits(const Channels& a, const Channels& b)
{
    for (size_t c = 0; c < a.size(); ++c) {
        if (a[c].size() != b[c].size() ||
            std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(double)) != 0) {
            return false;
        }
    }
    return true;
}

// A VST2 instance from `host`, opened and on at the reference rate and block size.
inline AEffect* OpenVst2Reference(TestHost& host)
{
    AEffect* e = host.Open();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kReferenceRate));
    e->dispatcher(e, effSetBlockSize, 0, kReferenceBlock, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    return e;
}

// The signal through the VST2 instance's double path in reference blocks.
inline Channels RenderVst2(AEffect* effect, const Channels& input)
{
    return RenderInBlocks(input, kReferenceBlock, [&](double** in, double** out, uint32_t n, bool) {
        effect->processDoubleReplacing(effect, in, out, static_cast<VstInt32>(n));
    });
}

// The fixture of one format's binary tests: the plug-in file loaded, one instance of it, and a
// VST2 host for the reference renders.
template <typename File, typename Instance>
class FormatBinaryTest : public testing::Test {
protected:
    explicit FormatBinaryTest(const char* path) : file(path), plug(file) {}

    void SetUp() override
    {
        ASSERT_TRUE(file.Loaded()) << file.Error();
        ASSERT_TRUE(plug.Ok()) << plug.Error();
    }

    File file;
    Instance plug;
    TestHost vst2;
};
