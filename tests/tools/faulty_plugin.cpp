// A small plug-in with one deliberate fault, chosen when it is built (RUCK_FAULT): it
// crashes, hangs, puts out NaN, or gives a state that does not come back. The stress
// test must catch each one.
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "vst/vst_abi.h"

#ifdef _WIN32
#define TEST_EXPORT __declspec(dllexport)
#else
#define TEST_EXPORT __attribute__((visibility("default")))
#endif

#define FAULT_CRASH 1
#define FAULT_HANG 2
#define FAULT_NAN 3
#define FAULT_STATE 4

namespace {
// Blocks processed before the fault shows, so the run is well under way.
constexpr int kHealthyBlocks = 200;

struct Faulty {
    AEffect effect = {};
    float gain = 0.5f;
    int blocks = 0;
    int saves = 0;
    char chunk[8] = {};
};

Faulty* From(AEffect* e)
{
    return static_cast<Faulty*>(e->object);
}

void ShowFault(Faulty& f)
{
    if (++f.blocks < kHealthyBlocks) {
        return;
    }
#if RUCK_FAULT == FAULT_CRASH
    *static_cast<volatile int*>(nullptr) = 1;
#elif RUCK_FAULT == FAULT_HANG
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
#endif
}

void Process(AEffect* e, float** in, float** out, VstInt32 frames)
{
    Faulty& f = *From(e);
    ShowFault(f);
    for (int c = 0; c < 2; ++c) {
        for (VstInt32 i = 0; i < frames; ++i) {
            out[c][i] = RUCK_FAULT == FAULT_NAN && f.blocks >= kHealthyBlocks ? NAN : in[c][i] * f.gain;
        }
    }
}

// The gain, then a save counter that makes every save differ when the state is the fault.
VstIntPtr GetChunk(Faulty& f, void* ptr)
{
    const int saves = RUCK_FAULT == FAULT_STATE ? ++f.saves : 0;
    std::memcpy(f.chunk, &f.gain, sizeof f.gain);
    std::memcpy(f.chunk + sizeof f.gain, &saves, sizeof saves);
    *static_cast<void**>(ptr) = f.chunk;
    return sizeof f.chunk;
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32, VstIntPtr value, void* ptr, float)
{
    Faulty& f = *From(e);
    switch (opcode) {
    case effClose:
        delete &f;
        return 0;
    case effGetChunk:
        return ptr ? GetChunk(f, ptr) : 0;
    case effSetChunk:
        if (ptr == nullptr || value != sizeof f.chunk) {
            return 0;
        }
        std::memcpy(&f.gain, ptr, sizeof(float));
        return 1;
    default:
        return 0;
    }
}

void SetParameter(AEffect* e, VstInt32 index, float value)
{
    if (index == 0) {
        From(e)->gain = value;
    }
}

float GetParameter(AEffect* e, VstInt32 index)
{
    return index == 0 ? From(e)->gain : 0.0f;
}
}  // namespace

extern "C" TEST_EXPORT AEffect* VSTPluginMain(audioMasterCallback)
{
    auto* f = new Faulty;
    AEffect& e = f->effect;
    e.magic = kEffectMagic;
    e.dispatcher = Dispatch;
    e.setParameter = SetParameter;
    e.getParameter = GetParameter;
    e.processReplacing = Process;
    e.numPrograms = 1;
    e.numParams = 1;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsProgramChunks;
    e.object = f;
    e.uniqueID = 0x46617574;
    return &e;
}
