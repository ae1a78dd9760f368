// Host automation, program and chunk requests and audio blocks from three threads at
// once; run under ThreadSanitizer, which fails the test on any data race.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "test_effect.h"

namespace {
using Clock = std::chrono::steady_clock;
using ruck::test::TestEffect;

constexpr int kFrames = 64;

// Counts parameter changes instead of recording them, so a long run stays small.
class BusyEffect : public TestEffect {
public:
    void OnParameterChange(int index) override
    {
        IEffectBase::OnParameterChange(index);
        ++changeCount;
    }
    long changeCount = 0;
};

template <typename Step>
std::thread RunUntil(Clock::time_point end, std::atomic<long>& rounds, Step step)
{
    return std::thread([end, &rounds, step]() mutable {
        std::mt19937 random(static_cast<unsigned>(rounds.load()));
        while (Clock::now() < end) {
            step(random);
            ++rounds;
        }
    });
}
}  // namespace

TEST(EffectThreads, AutomationProgramsChunksAndAudioShareTheLock)
{
    BusyEffect plug;
    plug.MakeFactoryPrograms();
    plug.SetInputConnections(0, 2, true);
    plug.SetOutputConnections(0, 2, true);
    plug.ChangeBlockSize(kFrames);
    IDataChunk seed;
    ASSERT_TRUE(plug.SaveChunk(seed, true));
    const std::vector<uint8_t> bank = ruck::test::Bytes(seed);

    std::atomic<long> automation{1}, requests{2}, blocks{3};
    const Clock::time_point end = Clock::now() + std::chrono::seconds(5);
    std::thread host = RunUntil(end, automation, [&](std::mt19937& random) {
        const int index = static_cast<int>(random() % TestEffect::kParams);
        plug.SetParameterFromHost(index, (random() % 1001) / 1000.0);
        EXPECT_LE(plug.HostParameterValue(index), 1.0);
    });
    std::thread dispatcher = RunUntil(end, requests, [&](std::mt19937& random) {
        std::lock_guard<std::recursive_mutex> guard(plug.Lock());
        plug.StoreCurrentProgram(nullptr);
        plug.SelectProgram(static_cast<int>(random() % TestEffect::kPrograms));
        IDataChunk chunk;
        EXPECT_TRUE(plug.SaveChunk(chunk, random() % 2 == 0));
        EXPECT_TRUE(plug.RestoreChunk(chunk, bank.data(), static_cast<int64_t>(bank.size()), true));
    });
    std::thread audio = RunUntil(end, blocks, [&](std::mt19937& random) {
        std::lock_guard<std::recursive_mutex> guard(plug.Lock());
        plug.InputPin(0)->Samples()[0] = static_cast<double>(random() % 100);
        plug.ProcessBlock(plug.InputPointers(), plug.OutputPointers(), kFrames);
        EXPECT_EQ(plug.OutputPin(0)->Samples()[0], plug.InputPin(0)->Samples()[0]);
    });
    host.join();
    dispatcher.join();
    audio.join();

    EXPECT_GT(automation.load(), 100);
    EXPECT_GT(requests.load(), 100);
    EXPECT_GT(blocks.load(), 100);
    IDataChunk state;
    EXPECT_TRUE(plug.SaveChunk(state, false));
    EXPECT_EQ(state.Size(), 96);
}
