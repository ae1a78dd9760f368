// The processing callbacks never touch the heap: the heap calls the audio thread makes inside
// a processing call, counted across the whole process (the loaded plug-in's calls too).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "heap_watch.h"
#include "plugin_module.h"
#include "test_host.h"

namespace {
constexpr int kParams = 11;
constexpr int kPrograms = 25;

// The host's answers to the plug-in do not count (they are the host's business).
VstIntPtr QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    const HeapWatchPause pause;
    return opcode == audioMasterVersion ? 2400 : 0;
}

class Allocations : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(entry, nullptr) << "could not load " << TestHost::PluginPath(); }
    void TearDown() override
    {
        for (AEffect* e : open) {
            e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
        }
    }

    AEffect* Started(int blockSize)
    {
        AEffect* e = entry(QuietHost);
        open.push_back(e);
        e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        e->dispatcher(e, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
        e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
        return e;
    }

    // One block through each of the three callbacks, none of which may touch the heap.
    void ExpectNoHeapCalls(AEffect* e, int frames, const std::string& when)
    {
        WatchedBlock b(frames);
        const char* const kPaths[] = {"processReplacing", "process", "processDoubleReplacing"};
        for (int path = 0; path < 3; ++path) {
            HeapWatch watch;
            if (path == 0) {
                e->processReplacing(e, b.floatIn, b.floatOut, frames);
            } else if (path == 1) {
                e->process(e, b.floatIn, b.floatOut, frames);
            } else {
                e->processDoubleReplacing(e, b.doubleIn, b.doubleOut, frames);
            }
            const long calls = watch.Stop();
            EXPECT_EQ(calls, 0) << kPaths[path] << " " << when << ": " << calls << " heap calls, the first from "
                                << watch.FirstCaller();
        }
    }

    PluginModule module{TestHost::PluginPath()};
    VstEntry entry = module.Entry("VSTPluginMain");
    std::vector<AEffect*> open;
};
}  // namespace

// The count reaches into the loaded module: its first bank chunk grows a buffer.
TEST_F(Allocations, TheCountSeesThePlugInAllocate)
{
    AEffect* e = Started(512);
    void* data = nullptr;
    HeapWatch watch;
    e->dispatcher(e, effGetChunk, 0, 0, &data, 0.0f);
    EXPECT_GE(watch.Stop(), 1);
}

TEST_F(Allocations, NoneInTheFirstBlocksAfterOpenOrABlockSizeChange)
{
    ExpectNoHeapCalls(Started(512), 512, "in the first block after open");
    AEffect* e = Started(256);
    ExpectNoHeapCalls(e, 256, "at the announced block size");
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetBlockSize, 0, 2048, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    ExpectNoHeapCalls(e, 2048, "after the block size grew");
    ExpectNoHeapCalls(e, 4096, "with more frames than the block size");
    ExpectNoHeapCalls(e, 1, "with a single frame");
}

TEST_F(Allocations, NoneInAnyFactoryProgram)
{
    AEffect* e = Started(512);
    for (int program = 0; program < kPrograms; ++program) {
        e->dispatcher(e, effSetProgram, 0, program, nullptr, 0.0f);
        ExpectNoHeapCalls(e, 512, "in program " + std::to_string(program));
    }
}

TEST_F(Allocations, NoneAfterAStateLoad)
{
    AEffect* source = Started(512);
    source->dispatcher(source, effSetProgram, 0, 2, nullptr, 0.0f);
    source->setParameter(source, 4, 0.3f);
    void* data = nullptr;
    for (VstInt32 bank : {1, 0}) {
        const VstIntPtr size = source->dispatcher(source, effGetChunk, bank, 0, &data, 0.0f);
        ASSERT_GT(size, 0);
        std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        AEffect* e = Started(512);
        ASSERT_EQ(e->dispatcher(e, effSetChunk, bank, size, chunk.data(), 0.0f), 1);
        ExpectNoHeapCalls(e, 512, bank ? "after a state chunk was loaded" : "after a bank chunk was loaded");
    }
    AEffect* e = Started(512);
    for (int i = 0; i < kParams; ++i) {
        e->setParameter(e, i, source->getParameter(source, i));
    }
    ExpectNoHeapCalls(e, 512, "after every parameter was restored");
}
