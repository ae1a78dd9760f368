// Ruckstone.clap's process never touches the heap: the heap calls the audio thread makes
// inside process, with parameter events, in every factory preset, at both sample sizes,
// after a state load and after reactivation with a larger block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clap_host.h"
#include "heap_watch.h"

namespace {
constexpr uint32_t kParams = 11;
constexpr uint32_t kBlock = 512;
constexpr uint32_t kLargerBlock = 2048;
constexpr double kRate = 48000.0;
// The events of a block land this many frames apart, one per parameter.
constexpr uint32_t kEventSpacing = 37;
constexpr double kEventPosition = 0.7;

class ClapAllocations : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(file.Loaded()) << file.Error();
        ASSERT_TRUE(plug.Ok()) << plug.Error();
        ASSERT_TRUE(plug.Start(kRate, kBlock));
        for (uint32_t i = 0; i < kParams; ++i) {
            const clap::ParamInfo info = plug.ParamAt(i);
            moves.AddValue(i * kEventSpacing, info.id,
                           info.min_value + kEventPosition * (info.max_value - info.min_value));
        }
    }

    // One block at each sample size, neither of which may touch the heap.
    void ExpectNoHeapCalls(uint32_t frames, const HostInputEvents* events, const std::string& when)
    {
        WatchedBlock b(static_cast<int>(frames));
        for (const bool wide : {false, true}) {
            HeapWatch watch;
            const int32_t status = wide ? plug.Process64(b.doubleIn, b.doubleOut, 2, frames, events)
                                        : plug.Process32(b.floatIn, b.floatOut, 2, frames, events);
            const long calls = watch.Stop();
            EXPECT_EQ(status, clap::kProcessContinue);
            EXPECT_EQ(calls, 0) << (wide ? "64" : "32") << "-bit process " << when << ": " << calls
                                << " heap calls, the first from " << watch.FirstCaller();
        }
    }

    ClapFile file{RUCK_CLAP_PATH};
    ClapInstance plug{file};
    HostInputEvents moves;
};

TEST_F(ClapAllocations, NoneWithParameterEventsInAnyFactoryPreset)
{
    std::vector<std::string> errors;
    const std::vector<ClapPreset> presets = DiscoverPresets(file, errors);
    ASSERT_FALSE(presets.empty());
    ExpectNoHeapCalls(kBlock, &moves, "in the first block");
    for (const ClapPreset& preset : presets) {
        ASSERT_TRUE(plug.LoadPreset(preset)) << preset.name;
        ExpectNoHeapCalls(kBlock, &moves, "in preset " + preset.name);
    }
}

TEST_F(ClapAllocations, NoneAfterAStateLoadOrAReactivation)
{
    ExpectNoHeapCalls(kBlock, &moves, "before");
    ASSERT_TRUE(plug.LoadState(plug.State()));
    ExpectNoHeapCalls(kBlock, nullptr, "after a state load");
    ASSERT_TRUE(plug.Start(kRate, kLargerBlock));
    ExpectNoHeapCalls(kLargerBlock, &moves, "after reactivation with a larger block");
    ExpectNoHeapCalls(1, nullptr, "with a single frame");
}
}  // namespace
