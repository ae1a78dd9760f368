// The processing callbacks never touch the heap: this executable replaces malloc, calloc,
// realloc, free and operator new/delete for the whole process (the loaded plug-in's calls
// land here too) and counts the calls made on the audio thread inside a processing call.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "plugin_module.h"
#include "test_host.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void __libc_free(void* ptr);
}

namespace {
thread_local bool counting = false;
thread_local long heapCalls = 0;
thread_local void* firstCaller = nullptr;

void Count(void* caller)
{
    if (counting) {
        if (heapCalls++ == 0) {
            firstCaller = caller;
        }
    }
}
}  // namespace

extern "C" void* malloc(size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* ptr, size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_realloc(ptr, size);
}

extern "C" void free(void* ptr)
{
    if (ptr != nullptr) {
        Count(__builtin_return_address(0));
    }
    __libc_free(ptr);
}

void* operator new(size_t size)
{
    Count(__builtin_return_address(0));
    if (void* p = __libc_malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](size_t size)
{
    return operator new(size);
}

void operator delete(void* ptr) noexcept
{
    free(ptr);
}

void operator delete[](void* ptr) noexcept
{
    free(ptr);
}

void operator delete(void* ptr, size_t) noexcept
{
    free(ptr);
}

void operator delete[](void* ptr, size_t) noexcept
{
    free(ptr);
}

namespace {
constexpr int kParams = 11;
constexpr int kPrograms = 25;

// Heap calls on this thread while one processing call runs; the host's answers to the
// plug-in do not count (they are the host's business).
struct HeapWatch {
    HeapWatch()
    {
        heapCalls = 0;
        firstCaller = nullptr;
        counting = true;
    }
    ~HeapWatch() { counting = false; }
};

VstIntPtr QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    const bool was = counting;
    counting = false;
    const VstIntPtr answer = opcode == audioMasterVersion ? 2400 : 0;
    counting = was;
    return answer;
}

std::string Where(void* caller)
{
    Dl_info info = {};
    if (caller != nullptr && dladdr(caller, &info) != 0 && info.dli_sname != nullptr) {
        return info.dli_sname;
    }
    return "an unnamed caller";
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
        std::vector<float> floats(4 * static_cast<size_t>(frames), 0.25f);
        std::vector<double> doubles(4 * static_cast<size_t>(frames), 0.25);
        float* fin[2] = {&floats[0], &floats[frames]};
        float* fout[2] = {&floats[2 * frames], &floats[3 * frames]};
        double* din[2] = {&doubles[0], &doubles[frames]};
        double* dout[2] = {&doubles[2 * frames], &doubles[3 * frames]};
        const char* const kPaths[] = {"processReplacing", "process", "processDoubleReplacing"};
        for (int path = 0; path < 3; ++path) {
            long calls;
            void* caller;
            {
                HeapWatch watch;
                if (path == 0) {
                    e->processReplacing(e, fin, fout, frames);
                } else if (path == 1) {
                    e->process(e, fin, fout, frames);
                } else {
                    e->processDoubleReplacing(e, din, dout, frames);
                }
                calls = heapCalls;
                caller = firstCaller;
            }
            EXPECT_EQ(calls, 0) << kPaths[path] << " " << when << ": " << calls << " heap calls, the first from "
                                << Where(caller);
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
    long calls;
    {
        HeapWatch watch;
        e->dispatcher(e, effGetChunk, 0, 0, &data, 0.0f);
        calls = heapCalls;
    }
    EXPECT_GE(calls, 1);
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
