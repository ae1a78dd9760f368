#include "vst_plugin.h"

#include <cmath>
#include <climits>
#include <mutex>
#include <new>

#include "plug/host_codes.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// Hosts that feed only the first stereo pair of inputs and read only the first pair of
// outputs: the other inputs get silence, the other outputs count as connected.
bool UsesOnlyFirstStereoPair(int32_t host)
{
    return host == kHostForte || host == kHostAudition || host == kHostOrion || host == kHostSawStudio;
}

VstIntPtr DispatcherCallback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt)
{
    IVstPlugin* plugin = IVstPlugin::FromEffect(e);
    return plugin ? plugin->Dispatch(opcode, index, value, ptr, opt) : 0;
}

void ProcessCallback(AEffect* e, float** inputs, float** outputs, VstInt32 frames)
{
    if (IVstPlugin* plugin = IVstPlugin::FromEffect(e)) {
        plugin->ProcessFloat(inputs, outputs, frames, true);
    }
}

void ProcessReplacingCallback(AEffect* e, float** inputs, float** outputs, VstInt32 frames)
{
    if (IVstPlugin* plugin = IVstPlugin::FromEffect(e)) {
        plugin->ProcessFloat(inputs, outputs, frames, false);
    }
}

void ProcessDoubleCallback(AEffect* e, double** inputs, double** outputs, VstInt32 frames)
{
    if (IVstPlugin* plugin = IVstPlugin::FromEffect(e)) {
        plugin->ProcessDouble(inputs, outputs, frames);
    }
}

void SetParameterCallback(AEffect* e, VstInt32 index, float value)
{
    if (IVstPlugin* plugin = IVstPlugin::FromEffect(e)) {
        plugin->SetParameterFromHost(index, value);
    }
}

float GetParameterCallback(AEffect* e, VstInt32 index)
{
    IVstPlugin* plugin = IVstPlugin::FromEffect(e);
    return plugin ? static_cast<float>(plugin->HostParameterValue(index)) : 0.0f;
}

VstInt32 ArrangementType(int channels)
{
    switch (channels) {
    case 0:
        return kSpeakerArrEmpty;
    case 1:
        return kSpeakerArrMono;
    case 2:
        return kSpeakerArrStereo;
    default:
        return kSpeakerArrUserDefined;
    }
}
}  // namespace

IVstPlugin::IVstPlugin(audioMasterCallback host, int parameterCount, const char* channelConfigs,
                       int programCount, const char* effectName, const char* productName,
                       const char* vendorName, int32_t vendorVersion, int32_t uniqueId,
                       int32_t vendorId, int latency, int32_t midiMode, bool doesChunks,
                       bool isInstrument)
    : IEffectBase(parameterCount, channelConfigs, programCount, effectName, productName, vendorName,
                  vendorVersion, uniqueId, vendorId, latency, midiMode, doesChunks, isInstrument),
      hostCallback(host)
{
    FillEffectRecord();
    SetArrangementsFromPins();
    SetInputConnections(0, InputPinCount(), true);
    SetOutputConnections(0, OutputPinCount(), true);
    ChangeBlockSize(1024);
}

IVstPlugin::~IVstPlugin()
{
    bankChunk.SetSize(0, true);
    programChunk.SetSize(0, true);
}

IVstPlugin* IVstPlugin::FromEffect(AEffect* e)
{
    return e ? static_cast<IVstPlugin*>(e->object) : nullptr;
}

void IVstPlugin::FillEffectRecord()
{
    effect = AEffect{};
    effect.magic = kEffectMagic;
    effect.dispatcher = DispatcherCallback;
    effect.process = ProcessCallback;
    effect.setParameter = SetParameterCallback;
    effect.getParameter = GetParameterCallback;
    effect.numPrograms = ProgramCount();
    effect.numParams = ParameterCount();
    effect.numInputs = InputPinCount();
    effect.numOutputs = OutputPinCount();
    effect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    if (DoesChunks()) {
        effect.flags |= effFlagsProgramChunks;
    }
    if (HasChannelConfig(1, -1)) {
        effect.flags |= effFlagsCanMono;
    }
    if (IsInstrument()) {
        effect.flags |= effFlagsIsSynth;
    }
    effect.initialDelay = Latency();
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = UniqueId();
    effect.version = VendorVersion(true);
    effect.processReplacing = ProcessReplacingCallback;
    effect.processDoubleReplacing = ProcessDoubleCallback;
}

void IVstPlugin::SetArrangementsFromPins()
{
    inputArrangement.numChannels = InputPinCount();
    inputArrangement.type = ArrangementType(InputPinCount());
    outputArrangement.numChannels = OutputPinCount();
    outputArrangement.type = ArrangementType(OutputPinCount());
    effect.numInputs = InputPinCount();
    effect.numOutputs = OutputPinCount();
}

VstIntPtr IVstPlugin::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return hostCallback ? hostCallback(&effect, opcode, index, value, ptr, opt) : 0;
}

void IVstPlugin::BeginEdit(int index)
{
    EndPendingWheelEdit();
    CallHost(audioMasterBeginEdit, index);
}

void IVstPlugin::BeginWheelEdit(int index)
{
    Guard guard(Lock());
    if (index == pendingWheelParam) {
        return;
    }
    EndPendingWheelEdit();
    CallHost(audioMasterBeginEdit, index);
}

void IVstPlugin::AutomateParameter(int index, double normalized)
{
    CallHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IVstPlugin::EndEdit(int index)
{
    CallHost(audioMasterEndEdit, index);
}

void IVstPlugin::RefreshHostDisplay()
{
    CallHost(audioMasterUpdateDisplay);
}

const VstTimeInfo* IVstPlugin::HostTime(VstInt32 wanted)
{
    return reinterpret_cast<const VstTimeInfo*>(CallHost(audioMasterGetTime, 0, wanted));
}

int32_t IVstPlugin::HostSamplePosition()
{
    const VstTimeInfo* time = HostTime(0);
    if (time == nullptr || !(time->samplePos >= 0.0)) {
        return 0;
    }
    const double nearest = time->samplePos + 0.5;
    return nearest >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(nearest);
}

double IVstPlugin::HostTempo()
{
    const VstTimeInfo* time = HostTime(kVstTempoValid);
    if (time == nullptr || !(time->flags & kVstTempoValid) || !(time->tempo >= 0.0)) {
        return 0.0;
    }
    return time->tempo;
}

void IVstPlugin::HostTimeSignature(int& numerator, int& denominator)
{
    numerator = 0;
    denominator = 0;
    const VstTimeInfo* time = HostTime(kVstTimeSigValid);
    if (time && (time->flags & kVstTimeSigValid) && time->timeSigNumerator >= 0 &&
        time->timeSigDenominator >= 0) {
        numerator = time->timeSigNumerator;
        denominator = time->timeSigDenominator;
    }
}

void IVstPlugin::EditorResized()
{
    if (IAttachedView* view = EditorView()) {
        editorRect = ERect{0, 0, static_cast<int16_t>(view->Height()), static_cast<int16_t>(view->Width())};
    }
}

void IVstPlugin::AttachEditor(IAttachedView* view)
{
    if (view == nullptr) {
        return;
    }
    IEffectBase::AttachEditor(view);
    effect.flags |= effFlagsHasEditor;
    EditorResized();
}

void IVstPlugin::ChangeLatency(int samples)
{
    IEffectBase::ChangeLatency(samples);
    effect.initialDelay = samples;
}

bool IVstPlugin::SendMidi(const IMidiMessage& message)
{
    VstMidiEvent event = {};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = message.offset;
    event.midiData[0] = static_cast<char>(message.status);
    event.midiData[1] = static_cast<char>(message.data1);
    event.midiData[2] = static_cast<char>(message.data2);
    return SendEventToHost(reinterpret_cast<VstEvent*>(&event));
}

bool IVstPlugin::SendSysEx(const ISysExMessage& message)
{
    VstMidiSysexEvent event = {};
    event.type = kVstSysExType;
    event.byteSize = sizeof(VstMidiSysexEvent);
    event.deltaFrames = message.offset;
    event.dumpBytes = message.size;
    event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(message.data));
    return SendEventToHost(reinterpret_cast<VstEvent*>(&event));
}

bool IVstPlugin::SendEventToHost(VstEvent* event)
{
    VstEvents list = {};
    list.numEvents = 1;
    list.events[0] = event;
    return CallHost(audioMasterProcessEvents, 0, 0, &list) == 1;
}

void IVstPlugin::AdaptToHost()
{
    if (hostAdapted) {
        return;
    }
    hostAdapted = true;
    if (UsesOnlyFirstStereoPair(IdentifyHost())) {
        SetInputConnections(2, InputPinCount() - 2, false);
        SetOutputConnections(2, OutputPinCount() - 2, true);
    }
    SetArrangementsFromPins();
}

AEffect* CreateVstEffect(audioMasterCallback host, IVstPlugin* (*factory)(audioMasterCallback))
{
    static std::mutex entryLock;
    std::lock_guard<std::mutex> guard(entryLock);
    IVstPlugin* plugin = nullptr;
    try {
        plugin = factory(host);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (plugin == nullptr) {
        return nullptr;
    }
    plugin->EnsureOneProgram();
    AEffect* e = plugin->Effect();
    if (e->numPrograms < 1) {
        e->numPrograms = 1;
    }
    return e;
}
