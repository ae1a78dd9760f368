// A small VST3 plug-in on our VST3 binding with one deliberate fault, chosen when it is built
// (RUCK_FAULT): it hangs, puts out NaN, or gives a state that does not come back. The VST3
// stress must catch each one.
#include <atomic>
#include <chrono>
#include <limits>
#include <new>
#include <thread>

#include "plug/data_chunk.h"
#include "vst3/module_entry.h"
#include "vst3/vst3_plugin.h"

#define FAULT_HANG 1
#define FAULT_NAN 2
#define FAULT_STATE 3

namespace {
// Blocks processed before the fault shows, so the run is well under way.
constexpr int kHealthyBlocks = 200;
constexpr int kChannels = 2;

class FaultyEffect final : public IVst3Plugin {
public:
    explicit FaultyEffect(IVst3HostLink* host)
        : IVst3Plugin(host, 1, "2-2", 1, "Faulty", "", "Tolvi", 1, 0x466C7479, 0x546C7669, 0, 0, false, false)
    {
        Parameter(0)->DefineInt("Gain", 50, 0, 100, "%");
    }

    void ProcessBlock(double** inputs, double** outputs, int frames) override
    {
        const bool faulty = ++blocks > kHealthyBlocks;
        while (RUCK_FAULT == FAULT_HANG && faulty) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        for (int c = 0; c < kChannels; ++c) {
            for (int i = 0; i < frames; ++i) {
                outputs[c][i] = RUCK_FAULT == FAULT_NAN && faulty ? std::numeric_limits<double>::quiet_NaN()
                                                                  : 0.5 * inputs[c][i];
            }
        }
    }

    // With the state fault, every state saved carries a count of the module's saves before it.
    bool WriteState(IDataChunk& chunk) override
    {
        return IVst3Plugin::WriteState(chunk) && (RUCK_FAULT != FAULT_STATE || chunk.PutInt32(++saves));
    }

    int ReadState(const IDataChunk& chunk, int pos) override
    {
        pos = IVst3Plugin::ReadState(chunk, pos);
        int32_t ignored = 0;
        return RUCK_FAULT != FAULT_STATE || pos < 0 ? pos : chunk.GetInt32(ignored, pos);
    }

private:
    static inline std::atomic<int32_t> saves{0};
    int blocks = 0;
};

IVst3Plugin* MakeFaulty(IVst3HostLink* host)
{
    return new (std::nothrow) FaultyEffect(host);
}

const IVst3ClassInfo kFaultyClasses = {
    "Faulty",
    "Tolvi",
    "",
    "",
    "1.0.0",
    "Fx",
    vst3::MakeUid(0x46617531, 0x74795072, 0x6F636573, 0x736F7231),
    vst3::MakeUid(0x46617531, 0x74794374, 0x726C6572, 0x31313131),
    MakeFaulty,
};
}  // namespace

Vst3Factory& ModuleFactory()
{
    static Vst3Factory factory(kFaultyClasses);
    return factory;
}
