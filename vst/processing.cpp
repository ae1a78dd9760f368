// The audio callbacks: host float buffers converted through the pins' double scratch,
// or host double buffers handed straight to the effect.
#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

#include "denormals.h"
#include "vst_plugin.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
}

// Frames every pin's scratch can hold: the block size, unless an allocation fell short.
int IVstPlugin::ScratchFrames() const
{
    int frames = INT_MAX;
    for (int i = 0; i < InputPinCount(); ++i) {
        frames = std::min(frames, InputPin(i)->scratch.Size() / static_cast<int>(sizeof(double)));
    }
    for (int i = 0; i < OutputPinCount(); ++i) {
        frames = std::min(frames, OutputPin(i)->scratch.Size() / static_cast<int>(sizeof(double)));
    }
    return frames;
}

void IVstPlugin::ProcessFloatSlice(float** inputs, float** outputs, int offset, int frames, bool accumulate)
{
    int next = 0;
    for (int i = 0; i < InputPinCount(); ++i) {
        IInputPin& pin = *InputPin(i);
        if (!pin.connected) {
            continue;
        }
        const float* source = inputs ? inputs[next++] : nullptr;
        double* scratch = pin.Samples();
        for (int f = 0; f < frames; ++f) {
            scratch[f] = source ? source[offset + f] : 0.0;
        }
        *pin.slot = scratch;
    }
    next = 0;
    for (int i = 0; i < OutputPinCount(); ++i) {
        IOutputPin& pin = *OutputPin(i);
        if (pin.connected) {
            pin.hostDestination = outputs ? outputs[next++] : nullptr;
            *pin.slot = pin.Samples();
        }
    }
    ProcessBlock(InputPinCount() > 0 ? InputPointers() : nullptr,
                 OutputPinCount() > 0 ? OutputPointers() : nullptr, frames);
    for (int i = 0; i < OutputPinCount(); ++i) {
        IOutputPin& pin = *OutputPin(i);
        if (!pin.connected || pin.hostDestination == nullptr) {
            continue;
        }
        const double* result = *pin.slot;
        float* destination = pin.hostDestination + offset;
        for (int f = 0; f < frames; ++f) {
            const float converted = static_cast<float>(result[f]);
            destination[f] = accumulate ? destination[f] + converted : converted;
        }
    }
}

void IVstPlugin::ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate)
{
    Guard guard(Lock());
    ScopedFlushDenormals flush;
    if (MidiMode() != 0) {
        CallHost(audioMasterWantMidi);
    }
    // More frames than the scratch holds are processed in slices, never past its end.
    const int slice = ScratchFrames();
    if (slice <= 0) {
        return;
    }
    for (int done = 0; done < frames; done += slice) {
        ProcessFloatSlice(inputs, outputs, done, std::min(slice, frames - done), accumulate);
    }
}

void IVstPlugin::ProcessDouble(double** inputs, double** outputs, int frames)
{
    Guard guard(Lock());
    ScopedFlushDenormals flush;
    if (MidiMode() != 0) {
        CallHost(audioMasterWantMidi);
    }
    // A missing host buffer is stood in for by the pin's scratch, which bounds the frames.
    bool complete = true;
    int next = 0;
    for (int i = 0; i < InputPinCount(); ++i) {
        IInputPin& pin = *InputPin(i);
        if (pin.connected) {
            double* host = inputs ? inputs[next++] : nullptr;
            complete = complete && host != nullptr;
            *pin.slot = host ? host : pin.Samples();
        }
    }
    next = 0;
    for (int i = 0; i < OutputPinCount(); ++i) {
        IOutputPin& pin = *OutputPin(i);
        if (pin.connected) {
            double* host = outputs ? outputs[next++] : nullptr;
            complete = complete && host != nullptr;
            *pin.slot = host ? host : pin.Samples();
        }
    }
    if (!complete) {
        frames = std::min(frames, ScratchFrames());
    }
    ProcessBlock(InputPinCount() > 0 ? InputPointers() : nullptr,
                 OutputPinCount() > 0 ? OutputPointers() : nullptr, frames);
}
