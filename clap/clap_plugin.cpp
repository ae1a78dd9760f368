#include "clap_plugin.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
}  // namespace

IClapPlugin::IClapPlugin(const clap::Host* clapHost, int parameterCount, const char* channelConfigs,
                         int programCount, const char* effectName, const char* productName,
                         const char* vendorName, int32_t vendorVersion, int32_t uniqueId, int32_t vendorId,
                         int latency, int32_t midiMode, bool doesChunks, bool isInstrument)
    : IEffectBase(parameterCount, channelConfigs, programCount, effectName, productName, vendorName,
                  vendorVersion, uniqueId, vendorId, latency, midiMode, doesChunks, isInstrument),
      host(clapHost)
{
    if (host != nullptr && host->get_extension != nullptr) {
        hostParams = static_cast<const clap::HostParams*>(host->get_extension(host, clap::kExtParams));
    }
    SetInputConnections(0, InputPinCount(), true);
    SetOutputConnections(0, OutputPinCount(), true);
    ChangeBlockSize(1024);
}

IClapPlugin* MakeReadyInstance(IClapMaker make, const clap::Host* host)
{
    IClapPlugin* effect = make(host);
    if (effect != nullptr) {
        effect->EnsureOneProgram();
        effect->NotifyAllParameters();
    }
    return effect;
}

void IClapPlugin::QueueEdit(uint16_t type, int index, double value)
{
    {
        Guard guard(Lock());
        if (index < 0 || index >= ParameterCount()) {
            return;
        }
        const auto param = static_cast<clap::Id>(index);
        QueuedEdit* last = editCount > 0 ? &edits[editCount - 1] : nullptr;
        if (type == clap::kEventParamValue && last != nullptr && last->type == type && last->param == param) {
            last->value = value;
        } else if (editCount < kEditQueueLength) {
            edits[editCount++] = QueuedEdit{type, param, value};
        }
    }
    // Edits come from the editor on the main thread: the host may be asked for a flush there.
    if (hostParams != nullptr && hostParams->request_flush != nullptr) {
        hostParams->request_flush(host);
    }
}

void IClapPlugin::BeginEdit(int index)
{
    EndPendingWheelEdit();
    QueueEdit(clap::kEventParamGestureBegin, index, 0.0);
}

void IClapPlugin::BeginWheelEdit(int index)
{
    Guard guard(Lock());
    if (index != PendingWheelParam()) {
        BeginEdit(index);
    }
}

void IClapPlugin::AutomateParameter(int index, double)
{
    // The parameter already holds the plain value the normalised one became.
    const IParameter* parameter = Parameter(index);
    QueueEdit(clap::kEventParamValue, index, parameter != nullptr ? parameter->value : 0.0);
}

void IClapPlugin::EndEdit(int index)
{
    QueueEdit(clap::kEventParamGestureEnd, index, 0.0);
}

void IClapPlugin::RefreshHostDisplay()
{
    valuesChanged = true;
    if (host != nullptr && host->request_callback != nullptr) {
        host->request_callback(host);
    }
}

void IClapPlugin::SendQueuedEdits(const clap::OutputEvents* out, uint32_t time)
{
    Guard guard(Lock());
    for (int i = 0; i < editCount && out != nullptr && out->try_push != nullptr; ++i) {
        const QueuedEdit& edit = edits[i];
        if (edit.type == clap::kEventParamValue) {
            clap::EventParamValue event = {};
            event.header = {sizeof event, time, clap::kCoreEventSpace, edit.type, clap::kEventIsLive};
            event.param_id = edit.param;
            event.note_id = -1;
            event.port_index = event.channel = event.key = -1;
            event.value = edit.value;
            out->try_push(out, &event.header);
        } else {
            clap::EventParamGesture event = {};
            event.header = {sizeof event, time, clap::kCoreEventSpace, edit.type, clap::kEventIsLive};
            event.param_id = edit.param;
            out->try_push(out, &event.header);
        }
    }
    editCount = 0;
}

void IClapPlugin::SetPlainFromHost(int index, double plain)
{
    Guard guard(Lock());
    IParameter* parameter = Parameter(index);
    if (parameter == nullptr || !std::isfinite(plain)) {
        return;
    }
    double value = std::clamp(plain, parameter->min, parameter->max);
    if (IsIntegerLike(parameter->type)) {
        value = std::trunc(value);
    }
    parameter->value = value;
    if (IAttachedView* view = EditorView()) {
        view->SetControlsFromParam(index, value, false);
    }
    OnParameterChange(index);
}

int32_t IClapPlugin::HostSamplePosition()
{
    if (transport == nullptr || !(transport->flags & clap::kTransportHasSecondsTimeline) || !(SampleRate() > 0.0)) {
        return 0;
    }
    const double samples = transport->song_pos_seconds / clap::kFixedPointFactor * SampleRate();
    return samples > 0.0 ? static_cast<int32_t>(std::min<double>(samples, INT32_MAX)) : 0;
}

double IClapPlugin::HostTempo()
{
    if (transport == nullptr || !(transport->flags & clap::kTransportHasTempo) || !(transport->tempo >= 0.0)) {
        return 0.0;
    }
    return transport->tempo;
}

void IClapPlugin::HostTimeSignature(int& numerator, int& denominator)
{
    numerator = 0;
    denominator = 0;
    if (transport != nullptr && (transport->flags & clap::kTransportHasTimeSignature)) {
        numerator = transport->tsig_num;
        denominator = transport->tsig_denom;
    }
}
