// For the tests that compare another plug-in format with the VST2 module of the same build:
// a loud, bright stereo test signal, rendering it in host blocks, the VST2 module opened as
// the reference, comparison bit for bit, and the fixture such tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
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

// The test signal rounded to float, so that both sample sizes carry the same values, with
// output buffers and the channel pointers a 64-bit and a 32-bit processing call take.
struct BothSizesBlock {
    explicit BothSizesBlock(size_t frames)
        : input64(TestSignal(frames)), output64(2, std::vector<double>(frames)), input32(2),
          output32(2, std::vector<float>(frames))
    {
        for (size_t c = 0; c < 2; ++c) {
            for (double& s : input64[c]) {
                s = static_cast<float>(s);
            }
            input32[c].assign(input64[c].begin(), input64[c].end());
            in64[c] = input64[c].data();
            out64[c] = output64[c].data();
            in32[c] = input32[c].data();
            out32[c] = output32[c].data();
        }
    }

    // Where the 32-bit output first differs from the 64-bit output rounded to float; "" if nowhere.
    std::string FirstDifference() const
    {
        for (size_t c = 0; c < 2; ++c) {
            for (size_t i = 0; i < output32[c].size(); ++i) {
                if (output32[c][i] != static_cast<float>(output64[c][i])) {
                    return "channel " + std::to_string(c) + " frame " + std::to_string(i);
                }
            }
        }
        return "";
    }

    Channels input64;
    Channels output64;
    std::vector<std::vector<float>> input32;
    std::vector<std::vector<float>> output32;
    double* in64[2] = {};
    double* out64[2] = {};
    float* in32[2] = {};
    float* out32[2] = {};
};

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
