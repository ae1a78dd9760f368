#include "host_slices.h"

#include <algorithm>

#include "plug/effect_base.h"

namespace {
// The host channel for the next connected pin, or null when the bus has no more.
template <typename Sample>
Sample* NextChannel(Sample** channels, int count, int& next)
{
    Sample* channel = channels != nullptr && next < count ? channels[next] : nullptr;
    ++next;
    return channel;
}

void ProcessPart(IEffectBase& effect, float** inputs, float** outputs, int channels, int offset, int frames)
{
    int next = 0;
    for (int i = 0; i < effect.InputPinCount(); ++i) {
        IInputPin& pin = *effect.InputPin(i);
        if (!pin.connected) {
            continue;
        }
        const float* source = NextChannel(inputs, channels, next);
        double* scratch = pin.Samples();
        for (int f = 0; f < frames; ++f) {
            scratch[f] = source ? source[offset + f] : 0.0;
        }
        *pin.slot = scratch;
    }
    next = 0;
    for (int i = 0; i < effect.OutputPinCount(); ++i) {
        IOutputPin& pin = *effect.OutputPin(i);
        pin.hostDestination = pin.connected ? NextChannel(outputs, channels, next) : nullptr;
        *pin.slot = pin.Samples();
    }
    effect.ProcessPins(frames);
    for (int i = 0; i < effect.OutputPinCount(); ++i) {
        const IOutputPin& pin = *effect.OutputPin(i);
        if (pin.hostDestination == nullptr) {
            continue;
        }
        const double* result = pin.Samples();
        float* destination = pin.hostDestination + offset;
        for (int f = 0; f < frames; ++f) {
            destination[f] = static_cast<float>(result[f]);
        }
    }
}

void ProcessPart(IEffectBase& effect, double** inputs, double** outputs, int channels, int offset, int frames)
{
    int next = 0;
    for (int i = 0; i < effect.InputPinCount(); ++i) {
        IInputPin& pin = *effect.InputPin(i);
        double* host = pin.connected ? NextChannel(inputs, channels, next) : nullptr;
        *pin.slot = host ? host + offset : pin.Samples();
    }
    next = 0;
    for (int i = 0; i < effect.OutputPinCount(); ++i) {
        IOutputPin& pin = *effect.OutputPin(i);
        double* host = pin.connected ? NextChannel(outputs, channels, next) : nullptr;
        *pin.slot = host ? host + offset : pin.Samples();
    }
    effect.ProcessPins(frames);
}

template <typename Sample>
void ProcessInParts(IEffectBase& effect, Sample** inputs, Sample** outputs, int channels, int offset, int frames)
{
    const int part = effect.ScratchFrames();
    for (int done = 0; part > 0 && done < frames; done += part) {
        ProcessPart(effect, inputs, outputs, channels, offset + done, std::min(part, frames - done));
    }
}
}  // namespace

void ProcessHostSlice(IEffectBase& effect, float** inputs, float** outputs, int channels, int offset, int frames)
{
    ProcessInParts(effect, inputs, outputs, channels, offset, frames);
}

void ProcessHostSlice(IEffectBase& effect, double** inputs, double** outputs, int channels, int offset, int frames)
{
    ProcessInParts(effect, inputs, outputs, channels, offset, frames);
}
