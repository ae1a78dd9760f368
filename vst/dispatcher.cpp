// The dispatcher: every host request other than processing and parameter access.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "plug/parameter.h"
#include "vst/vendor_extensions.h"
#include "vst_plugin.h"

namespace {
// The answer to effIdentify: the four letters 'NvEf'.
constexpr VstIntPtr kIdentifyAnswer = 0x4E764566;
// The interface version implemented, 2.4.
constexpr VstIntPtr kVstVersion = 2400;
// The answer of a vendor request for a parameter extension that was handled.
constexpr VstIntPtr kVendorHandled = 0xBEEF;
// The answer to the capability texts "hasVendorExtensions" and "hasVendorViewAsConfig".
constexpr VstIntPtr kVendorCanDo = 0xBEEF0000;
// Vendor indices of the parameter extensions; each is the opcode number of the request it
// extends, and the request's value is the parameter index.
// The display text of the normalised value in opt, written to ptr.
constexpr VstInt32 kVendorParamDisplay = effGetParamDisplay;
// Whether the parameter has just two states.
constexpr VstInt32 kVendorParamTwoState = effGetParamName;
// The text at ptr replaced by the normalised value it stands for.
constexpr VstInt32 kVendorTextToNormalized = effString2Parameter;
// Vendor index and value ('stCA', 'Whee') with which a host forwards a mouse-wheel turn
// over the editor; opt is the number of steps.
constexpr VstInt32 kWheelIndex = 0x73744341;
constexpr VstIntPtr kWheelValue = 0x57686565;

void CopyToHost(void* ptr, const char* text, size_t bytes)
{
    CopyTextField(static_cast<char*>(ptr), bytes, text);
}

int ClampToInt(VstIntPtr v)
{
    return v < INT32_MIN || v > INT32_MAX ? -1 : static_cast<int>(v);
}

// Requests a host makes from its audio thread, next to the processing calls.
bool IsAudioSideRequest(VstInt32 opcode)
{
    return opcode == effProcessEvents || opcode == effStartProcess || opcode == effStopProcess;
}

// Requests answered by the editor view: the window's lifecycle, idle, a snapshot of the face
// and a wheel the host forwards.
bool IsEditorRequest(VstInt32 opcode, VstInt32 index)
{
    switch (opcode) {
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
        return true;
    case effVendorSpecific:
        return index == kRuckSnapshotIndex || index == kWheelIndex;
    default:
        return false;
    }
}
}  // namespace

VstIntPtr IVstPlugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (!IsAudioSideRequest(opcode) && opcode != effClose) {
        RefreshHostDisplayIfStale();
    }
    // The editor's requests and closing take the view's own lock rather than the instance
    // lock: painting and window-system calls never keep the audio thread waiting.
    if (IsEditorRequest(opcode, index)) {
        return DispatchEditor(opcode, index, value, ptr, opt);
    }
    if (opcode == effClose) {
        CloseEditorBeforeDelete();
        delete this;
        return 0;
    }
    std::lock_guard<std::recursive_mutex> guard(Lock());
    switch (opcode) {
    case effOpen:
        AdaptToHost();
        NotifyAllParameters();
        return 0;
    case effSetProgram:
    case effGetProgram:
    case effSetProgramName:
    case effGetProgramName:
    case effGetProgramNameIndexed:
        return DispatchProgram(opcode, index, value, ptr);
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
        return DispatchParameterText(opcode, index, ptr);
    case effSetSampleRate:
        ChangeSampleRate(opt);
        OnReset();
        return 0;
    case effSetBlockSize:
        if (value > 0 && value <= INT32_MAX) {
            ChangeBlockSize(static_cast<int>(value));
        }
        OnReset();
        return 0;
    case effMainsChanged:
        OnActivate(value != 0);
        if (value == 0) {
            OnReset();
        }
        return 0;
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
    case effSetChunk:
        return DispatchChunk(opcode, index, value, ptr);
    case effProcessEvents:
        return ProcessEvents(static_cast<const VstEvents*>(ptr));
    case effCanBeAutomated:
        return 1;
    case effString2Parameter:
        return StringToParameter(index, static_cast<const char*>(ptr));
    case effGetInputProperties:
    case effGetOutputProperties:
        return PinProperties(opcode == effGetInputProperties, index, static_cast<VstPinProperties*>(ptr));
    case effGetPlugCategory:
        return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;
    case effSetSpeakerArrangement:
        return SetSpeakerArrangement(value, ptr);
    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString:
        return DispatchIdentity(opcode, ptr);
    case effGetVendorVersion:
        return VendorVersion(true);
    case effVendorSpecific:
        return VendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return CanDo(static_cast<const char*>(ptr));
    case effGetVstVersion:
        return kVstVersion;
    case effGetMidiKeyName:
        return MidiKeyNameFor(static_cast<MidiKeyName*>(ptr));
    case effGetSpeakerArrangement:
        return SpeakerArrangements(value, ptr);
    default:
        return 0;
    }
}

// A program or a restored state changes values behind the host's back; a host that keeps
// its own copy of them (a bridge to another process does) is told at the start of its next
// request from its user-interface side: never inside the request that made the change, which
// the host may be waiting on, never from the audio side, and never under the instance lock.
void IVstPlugin::RefreshHostDisplayIfStale()
{
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        if (!hostDisplayStale) {
            return;
        }
        hostDisplayStale = false;
    }
    RefreshHostDisplay();
}

VstIntPtr IVstPlugin::DispatchProgram(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr)
{
    switch (opcode) {
    case effSetProgram:
        StoreCurrentProgram(nullptr);
        SelectProgram(ClampToInt(value));
        hostDisplayStale = true;
        return 0;
    case effGetProgram:
        return CurrentProgram();
    case effSetProgramName:
        if (ptr) {
            StoreCurrentProgram(static_cast<const char*>(ptr));
        }
        return 0;
    case effGetProgramName:
        if (ptr) {
            CopyToHost(ptr, ProgramName(CurrentProgram()), kProgramNameBytes);
        }
        return 0;
    default:  // effGetProgramNameIndexed
        if (ptr == nullptr) {
            return 0;
        }
        CopyToHost(ptr, ProgramName(index), kProgramNameBytes);
        return static_cast<const char*>(ptr)[0] != 0 ? 1 : 0;
    }
}

VstIntPtr IVstPlugin::DispatchParameterText(VstInt32 opcode, VstInt32 index, void* ptr)
{
    const IParameter* parameter = Parameter(index);
    if (parameter == nullptr || ptr == nullptr) {
        return 0;
    }
    if (opcode == effGetParamLabel) {
        CopyToHost(ptr, parameter->Label(), kParamNameBytes);
    } else if (opcode == effGetParamName) {
        CopyToHost(ptr, parameter->Name(), kParamNameBytes);
    } else {
        parameter->FormatValue(parameter->value, false, static_cast<char*>(ptr), kParamDisplayBytes);
    }
    return 0;
}

VstIntPtr IVstPlugin::DispatchEditor(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    IAttachedView* view = EditorView();
    if (view == nullptr) {
        return 0;
    }
    switch (opcode) {
    case effEditGetRect: {
        if (ptr == nullptr) {
            return 0;
        }
        std::lock_guard<std::recursive_mutex> guard(Lock());
        *static_cast<ERect**>(ptr) = &editorRect;
        return 1;
    }
    case effEditOpen:
        if (!view->OpenWindow(ptr)) {
            return 0;
        }
        RunEditorHook(&IVstPlugin::OnEditorOpen);
        return 1;
    case effEditIdle:
        view->Idle();
        return 0;
    case effEditClose:
        RunEditorHook(&IVstPlugin::OnEditorClose);
        view->CloseWindow();
        return 1;
    default:  // effVendorSpecific: a snapshot of the face, or a wheel the host forwards
        if (index == kWheelIndex) {
            return value == kWheelValue ? view->HostWheel(opt) : 0;
        }
        const auto* snapshot = static_cast<const RuckSnapshot*>(ptr);
        return snapshot && view->Snapshot(snapshot->pixels, snapshot->width, snapshot->height) ? 1 : 0;
    }
}

// The effect's editor hooks run under the instance lock, like every other override.
void IVstPlugin::RunEditorHook(void (IVstPlugin::*hook)())
{
    std::lock_guard<std::recursive_mutex> guard(Lock());
    (this->*hook)();
}

VstIntPtr IVstPlugin::DispatchChunk(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr)
{
    const bool isBank = index == 0;
    IDataChunk& chunk = isBank ? bankChunk : programChunk;
    if (ptr == nullptr) {
        return 0;
    }
    if (opcode == effSetChunk) {
        const bool restored = value >= 0 && RestoreChunk(chunk, ptr, value, isBank);
        hostDisplayStale = hostDisplayStale || restored;
        return restored ? 1 : 0;
    }
    if (!SaveChunk(chunk, isBank) || chunk.Size() == 0) {
        return 0;
    }
    *static_cast<void**>(ptr) = chunk.Data();
    return chunk.Size();
}

VstIntPtr IVstPlugin::DispatchIdentity(VstInt32 opcode, void* ptr)
{
    if (ptr == nullptr) {
        return 0;
    }
    if (opcode == effGetEffectName) {
        CopyToHost(ptr, EffectName(), kEffectNameBytes);
    } else if (opcode == effGetVendorString) {
        CopyToHost(ptr, VendorName(), kVendorStringBytes);
    } else {
        CopyToHost(ptr, ProductName(), kVendorStringBytes);
    }
    return 1;
}

VstIntPtr IVstPlugin::StringToParameter(VstInt32 index, const char* text)
{
    IParameter* parameter = Parameter(index);
    if (parameter == nullptr) {
        return 0;
    }
    if (text == nullptr) {
        return 1;
    }
    const double v = parameter->ParseValue(text);
    if (!std::isfinite(v)) {
        return 0;
    }
    // On the parameter's grid, as a host's saved value would come back: a typed 12.5 on an
    // integer parameter is 13 now and after the project is reloaded.
    const double held = parameter->Snapped(std::fmin(std::fmax(v, parameter->min), parameter->max));
    if (IAttachedView* view = EditorView()) {
        view->SetControlsFromParam(index, held, false);
    }
    parameter->value = held;
    OnParameterChange(index);
    return 1;
}

VstIntPtr IVstPlugin::ProcessEvents(const VstEvents* events)
{
    if (events == nullptr) {
        return 0;
    }
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        if (event == nullptr) {
            continue;
        }
        if (event->type == kVstMidiType) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
            IMidiMessage message;
            message.offset = midi->deltaFrames;
            message.status = static_cast<uint8_t>(midi->midiData[0]);
            message.data1 = static_cast<uint8_t>(midi->midiData[1]);
            message.data2 = static_cast<uint8_t>(midi->midiData[2]);
            OnMidiMessage(message);
        } else if (event->type == kVstSysExType) {
            const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
            ISysExMessage message;
            message.offset = sysex->deltaFrames;
            message.size = sysex->dumpBytes;
            message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
            OnSysExMessage(message);
        }
    }
    return 1;
}

VstIntPtr IVstPlugin::PinProperties(bool input, VstInt32 index, VstPinProperties* properties)
{
    const int pins = input ? InputPinCount() : OutputPinCount();
    if (properties == nullptr || index < 0 || index >= pins) {
        return 0;
    }
    properties->flags = kVstPinIsActive;
    if (index % 2 == 0 && index < pins - 1) {
        properties->flags |= kVstPinIsStereo;
    }
    std::snprintf(properties->label, kPinLabelBytes, input ? "Input %d" : "Output %d", index + 1);
    return 1;
}

VstIntPtr IVstPlugin::SetSpeakerArrangement(VstIntPtr input, void* output)
{
    if (const auto* in = reinterpret_cast<const VstSpeakerArrangement*>(input)) {
        SetInputConnections(0, in->numChannels, true);
        SetInputConnections(in->numChannels, InputPinCount() - in->numChannels, false);
    }
    if (const auto* out = static_cast<const VstSpeakerArrangement*>(output)) {
        SetOutputConnections(0, out->numChannels, true);
        SetOutputConnections(out->numChannels, OutputPinCount() - out->numChannels, false);
    }
    return 1;
}

VstIntPtr IVstPlugin::VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    const IParameter* parameter = Parameter(ClampToInt(value));
    switch (index) {
    case kVendorParamDisplay:
        if (ptr == nullptr) {
            return 0;
        }
        if (parameter) {
            parameter->FormatValue(opt, true, static_cast<char*>(ptr), kParamDisplayBytes);
        }
        return kVendorHandled;
    case kVendorParamTwoState: {
        if (parameter == nullptr) {
            return 0;
        }
        const bool twoState = parameter->type == kTypeBool ||
                              ((parameter->type == kTypeInt || parameter->type == kTypeEnum) &&
                               std::fabs(parameter->max - parameter->min) < 1.5);
        return twoState ? kVendorHandled : 0;
    }
    case kVendorTextToNormalized: {
        if (ptr == nullptr || parameter == nullptr) {
            return 0;
        }
        char* text = static_cast<char*>(ptr);
        if (text[0] != 0) {
            const double normalized = parameter->NormalizedOf(parameter->ParseValue(text));
            std::snprintf(text, kParamDisplayBytes, "%.17f", normalized);
        }
        return kVendorHandled;
    }
    default:
        return 0;
    }
}

VstIntPtr IVstPlugin::CanDo(const char* text) const
{
    if (text == nullptr) {
        return 0;
    }
    const int32_t mode = MidiMode();
    const auto is = [text](const char* name) { return std::strcmp(text, name) == 0; };
    if (is("receiveVstTimeInfo")) {
        return 1;
    }
    if (is("sendVstEvents") || is("sendVstMidiEvent")) {
        return mode != 0 && (mode & 1) ? 1 : 0;
    }
    if (is("receiveVstEvents") || is("receiveVstMidiEvent")) {
        return mode != 0 && mode <= 2 ? 1 : 0;
    }
    if (is("hasVendorExtensions") || is("hasVendorViewAsConfig")) {
        return kVendorCanDo;
    }
    return 0;
}

VstIntPtr IVstPlugin::MidiKeyNameFor(MidiKeyName* key)
{
    if (key == nullptr) {
        return 0;
    }
    key->keyName[0] = 0;
    return KeyNameForHost(key->thisKeyNumber, key->keyName, sizeof key->keyName) ? 1 : 0;
}

VstIntPtr IVstPlugin::SpeakerArrangements(VstIntPtr inputOut, void* outputOut)
{
    if (inputOut != 0) {
        *reinterpret_cast<VstSpeakerArrangement**>(inputOut) = &inputArrangement;
    }
    if (outputOut != nullptr) {
        *static_cast<VstSpeakerArrangement**>(outputOut) = &outputArrangement;
    }
    return 1;
}
