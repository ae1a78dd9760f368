#include "vst3_plugin.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// The host channel for the next connected pin, or null when the bus has no more.
template <typename Sample>
Sample* NextChannel(Sample** channels, int count, int& next)
{
    Sample* channel = channels != nullptr && next < count ? channels[next] : nullptr;
    ++next;
    return channel;
}
}  // namespace

IVst3Plugin::IVst3Plugin(IVst3HostLink* hostLink, int parameterCount, const char* channelConfigs,
                         int programCount, const char* effectName, const char* productName,
                         const char* vendorName, int32_t vendorVersion, int32_t uniqueId, int32_t vendorId,
                         int latency, int32_t midiMode, bool doesChunks, bool isInstrument)
    : IEffectBase(parameterCount, channelConfigs, programCount, effectName, productName, vendorName,
                  vendorVersion, uniqueId, vendorId, latency, midiMode, doesChunks, isInstrument),
      host(hostLink)
{
    SetInputConnections(0, InputPinCount(), true);
    SetOutputConnections(0, OutputPinCount(), true);
    ChangeBlockSize(1024);
}

IVst3Plugin* MakeReadyInstance(IVst3Maker make, IVst3HostLink* host)
{
    IVst3Plugin* effect = make(host);
    if (effect != nullptr) {
        effect->EnsureOneProgram();
        effect->NotifyAllParameters();
    }
    return effect;
}

void IVst3Plugin::BeginEdit(int index)
{
    EndPendingWheelEdit();
    if (host != nullptr) {
        host->LinkBeginEdit(index);
    }
}

void IVst3Plugin::BeginWheelEdit(int index)
{
    Guard guard(Lock());
    if (index != pendingWheelParam) {
        BeginEdit(index);
    }
}

void IVst3Plugin::AutomateParameter(int index, double normalized)
{
    if (host != nullptr) {
        host->LinkPerformEdit(index, normalized);
    }
}

void IVst3Plugin::EndEdit(int index)
{
    if (host != nullptr) {
        host->LinkEndEdit(index);
    }
}

void IVst3Plugin::RefreshHostDisplay()
{
    if (host != nullptr) {
        host->LinkValuesChanged();
    }
}

int32_t IVst3Plugin::HostSamplePosition()
{
    if (processContext == nullptr || processContext->projectTimeSamples < 0) {
        return 0;
    }
    return static_cast<int32_t>(std::min<int64_t>(processContext->projectTimeSamples, INT32_MAX));
}

double IVst3Plugin::HostTempo()
{
    if (processContext == nullptr || !(processContext->state & vst3::kTempoValid) ||
        !(processContext->tempo >= 0.0)) {
        return 0.0;
    }
    return processContext->tempo;
}

void IVst3Plugin::HostTimeSignature(int& numerator, int& denominator)
{
    numerator = 0;
    denominator = 0;
    if (processContext != nullptr && (processContext->state & vst3::kTimeSigValid) &&
        processContext->timeSigNumerator >= 0 && processContext->timeSigDenominator >= 0) {
        numerator = processContext->timeSigNumerator;
        denominator = processContext->timeSigDenominator;
    }
}

// The window closes under the view's own lock, never under the instance lock (the editor's
// fallback thread takes them in the other order); the view leaves the instance under it.
void IVst3Plugin::DropEditor()
{
    CloseEditorBeforeDelete();
    std::unique_ptr<IAttachedView> dropped;
    {
        Guard guard(Lock());
        dropped = std::move(editorView);
    }
}

bool IVst3Plugin::ApplyProgram(int index)
{
    Guard guard(Lock());
    const IProgramSlot* slot = Program(index);
    if (slot == nullptr || (slot->filled && ReadParameters(slot->values, 0) < 0)) {
        return false;
    }
    currentProgram = index;
    PushParametersToEditor();
    return true;
}

int IVst3Plugin::ProgramForNormalized(double normalized) const
{
    const int count = ProgramCount();
    if (count <= 1 || !(normalized > 0.0)) {
        return 0;
    }
    return static_cast<int>(std::min<double>(count - 1, std::floor(normalized * count)));
}

double IVst3Plugin::NormalizedForProgram(int index) const
{
    const int count = ProgramCount();
    return count > 1 ? static_cast<double>(std::clamp(index, 0, count - 1)) / (count - 1) : 0.0;
}

double IVst3Plugin::PlainOf(int index, double normalized)
{
    Guard guard(Lock());
    const IParameter* parameter = Parameter(index);
    if (parameter == nullptr) {
        return 0.0;
    }
    // The parameter's own mapping, tried on a stand-in of its range (the parameter itself
    // never changes, whoever is reading it): the value shown is the value a host would set.
    IParameter probe;
    probe.type = parameter->type;
    probe.min = parameter->min;
    probe.max = parameter->max;
    probe.step = parameter->step;
    probe.shape = parameter->shape;
    probe.SetFromNormalized(std::isfinite(normalized) ? std::clamp(normalized, 0.0, 1.0) : 0.0);
    return probe.value;
}

void IVst3Plugin::FormatNormalized(int index, double normalized, char* out, size_t outSize)
{
    Guard guard(Lock());
    if (const IParameter* parameter = Parameter(index)) {
        parameter->FormatValue(PlainOf(index, normalized), false, out, outSize);
    } else if (out != nullptr && outSize > 0) {
        out[0] = 0;
    }
}

void IVst3Plugin::ProcessSlice32(float** inputs, float** outputs, int channels, int offset, int frames)
{
    const int part = ScratchFrames();
    for (int done = 0; part > 0 && done < frames; done += part) {
        ProcessPart32(inputs, outputs, channels, offset + done, std::min(part, frames - done));
    }
}

void IVst3Plugin::ProcessSlice64(double** inputs, double** outputs, int channels, int offset, int frames)
{
    const int part = ScratchFrames();
    for (int done = 0; part > 0 && done < frames; done += part) {
        ProcessPart64(inputs, outputs, channels, offset + done, std::min(part, frames - done));
    }
}

void IVst3Plugin::ProcessPart32(float** inputs, float** outputs, int channels, int offset, int frames)
{
    int next = 0;
    for (int i = 0; i < InputPinCount(); ++i) {
        IInputPin& pin = *InputPin(i);
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
    for (int i = 0; i < OutputPinCount(); ++i) {
        IOutputPin& pin = *OutputPin(i);
        pin.hostDestination = pin.connected ? NextChannel(outputs, channels, next) : nullptr;
        *pin.slot = pin.Samples();
    }
    ProcessPins(frames);
    for (int i = 0; i < OutputPinCount(); ++i) {
        const IOutputPin& pin = *OutputPin(i);
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

void IVst3Plugin::ProcessPart64(double** inputs, double** outputs, int channels, int offset, int frames)
{
    int next = 0;
    for (int i = 0; i < InputPinCount(); ++i) {
        IInputPin& pin = *InputPin(i);
        double* host = pin.connected ? NextChannel(inputs, channels, next) : nullptr;
        *pin.slot = host ? host + offset : pin.Samples();
    }
    next = 0;
    for (int i = 0; i < OutputPinCount(); ++i) {
        IOutputPin& pin = *OutputPin(i);
        double* host = pin.connected ? NextChannel(outputs, channels, next) : nullptr;
        *pin.slot = host ? host + offset : pin.Samples();
    }
    ProcessPins(frames);
}
