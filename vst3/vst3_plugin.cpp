#include "vst3_plugin.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
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
