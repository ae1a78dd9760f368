// The audio callbacks: host float buffers converted through the pins' double scratch,
// or host double buffers handed straight to the effect. Wherever a pin's scratch stands in
// for a host buffer, the call is processed in slices the scratch can hold, so any frame
// count is safe with any pin connected or not.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "denormals.h"
#include "vst_plugin.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// Calls bind(pin, buffer) for every connected pin, pairing each with the host's next
// channel buffer in order (null where the host passed no array or no buffer).
template <typename Pin, typename Sample, typename Bind>
void ForEachConnected(const IPtrList<Pin>& pins, Sample** host, Bind bind)
{
    int next = 0;
    for (int i = 0; i < pins.Count(); ++i) {
        Pin& pin = *pins.Get(i);
        if (pin.connected) {
            bind(pin, host ? host[next++] : nullptr);
        }
    }
}

// True when a pin's scratch would stand in for a host buffer: a disconnected pin, or a
// connected one the host gave no buffer for.
template <typename Pin, typename Sample>
bool AnyScratchStandIn(const IPtrList<Pin>& pins, Sample** host)
{
    bool standIn = false;
    int next = 0;
    for (int i = 0; i < pins.Count(); ++i) {
        const Pin& pin = *pins.Get(i);
        const Sample* buffer = pin.connected && host ? host[next++] : nullptr;
        standIn = standIn || buffer == nullptr;
    }
    return standIn;
}
}  // namespace

void IVstPlugin::AskForMidiIfWanted()
{
    if (MidiMode() != 0) {
        CallHost(audioMasterWantMidi);
    }
}

void IVstPlugin::ProcessFloatSlice(float** inputs, float** outputs, int offset, int frames, bool accumulate)
{
    ForEachConnected(inputPins, inputs, [&](IInputPin& pin, const float* source) {
        double* scratch = pin.Samples();
        for (int f = 0; f < frames; ++f) {
            scratch[f] = source ? source[offset + f] : 0.0;
        }
        *pin.slot = scratch;
    });
    ForEachConnected(outputPins, outputs, [](IOutputPin& pin, float* destination) {
        pin.hostDestination = destination;
        *pin.slot = pin.Samples();
    });
    ProcessPins(frames);
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
    AskForMidiIfWanted();
    const int slice = ScratchFrames();
    if (slice <= 0) {
        return;
    }
    for (int done = 0; done < frames; done += slice) {
        ProcessFloatSlice(inputs, outputs, done, std::min(slice, frames - done), accumulate);
    }
}

void IVstPlugin::ProcessDoubleSlice(double** inputs, double** outputs, int offset, int frames)
{
    // A connected input the host gave no buffer for reads silence, as on the float path.
    ForEachConnected(inputPins, inputs, [&](IInputPin& pin, double* source) {
        if (source == nullptr) {
            std::fill(pin.Samples(), pin.Samples() + frames, 0.0);
        }
        *pin.slot = source ? source + offset : pin.Samples();
    });
    ForEachConnected(outputPins, outputs, [&](IOutputPin& pin, double* destination) {
        *pin.slot = destination ? destination + offset : pin.Samples();
    });
    ProcessPins(frames);
}

void IVstPlugin::ProcessDouble(double** inputs, double** outputs, int frames)
{
    Guard guard(Lock());
    ScopedFlushDenormals flush;
    AskForMidiIfWanted();
    // With every pin on a host buffer the effect runs the whole call in one piece; a
    // scratch standing in bounds each piece to what it holds.
    const bool standIn = AnyScratchStandIn(inputPins, inputs) || AnyScratchStandIn(outputPins, outputs);
    const int slice = standIn ? ScratchFrames() : frames;
    if (slice <= 0) {
        return;
    }
    for (int done = 0; done < frames; done += slice) {
        ProcessDoubleSlice(inputs, outputs, done, std::min(slice, frames - done));
    }
}
