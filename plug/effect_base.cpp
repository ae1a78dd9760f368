#include "effect_base.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// Reads a leading decimal integer; no digits, or a count outside 0..kMaxPins, read as 0.
int32_t ReadChannelCount(const char*& p, const char* end)
{
    char digits[16] = {};
    size_t n = 0;
    while (p < end && n + 1 < sizeof digits && (std::isdigit(static_cast<unsigned char>(*p)) ||
                                                 (n == 0 && (*p == '-' || *p == '+')))) {
        digits[n++] = *p++;
    }
    const long v = std::strtol(digits, nullptr, 10);
    return v >= 0 && v <= IEffectBase::kMaxPins ? static_cast<int32_t>(v) : 0;
}

// "in-out": both counts; a token that is not two hyphen-joined integers gives zeros.
IChannelConfig ParseChannelToken(const char* p, const char* end)
{
    IChannelConfig config;
    config.inputs = ReadChannelCount(p, end);
    if (p < end && *p == '-') {
        ++p;
        config.outputs = ReadChannelCount(p, end);
    }
    if (p != end) {
        config = IChannelConfig();
    }
    return config;
}

// A pointer slot reads its pin's own scratch: silence unless the binding fed it.
template <typename Pin>
void PointAtOwnScratch(Pin& pin)
{
    if (pin.slot != nullptr) {
        *pin.slot = pin.Samples();
    }
}

template <typename Pin>
void Disconnect(Pin& pin)
{
    pin.connected = false;
    if (pin.scratch.Size() > 0) {
        std::memset(pin.scratch.Data(), 0, static_cast<size_t>(pin.scratch.Size()));
    }
    PointAtOwnScratch(pin);
}

template <typename Pin>
void SetConnections(const IPtrList<Pin>& pins, int start, int count, bool connected)
{
    const int64_t end = std::min<int64_t>(static_cast<int64_t>(start) + count, pins.Count());
    for (int64_t i = std::max(start, 0); i < end; ++i) {
        Pin& pin = *pins.Get(static_cast<int>(i));
        if (connected) {
            pin.connected = true;
        } else {
            Disconnect(pin);
        }
    }
}

template <typename Pin>
bool ResizeScratchOf(const IPtrList<Pin>& pins, int bytes)
{
    bool whole = true;
    for (int i = 0; i < pins.Count(); ++i) {
        IGrowBuffer& scratch = pins.Get(i)->scratch;
        scratch.SetSize(bytes, true);
        whole = whole && scratch.Size() == bytes;
        if (scratch.Size() > 0) {
            std::memset(scratch.Data(), 0, static_cast<size_t>(scratch.Size()));
        }
    }
    return whole;
}

// Hands `item` to `list`. A list that cannot grow (memory ran out) fails the construction
// of the whole effect, which the entry points answer with null, rather than leaving an
// effect with fewer parameters, programs or pins than it declares.
template <typename T>
void AddOrFail(IPtrList<T>& list, T* item)
{
    if (!list.Add(item)) {
        delete item;
        throw std::bad_alloc();
    }
}

template <typename Pin>
void AddPins(IPtrList<Pin>& pins, IGrowBuffer& pointers, int count)
{
    pointers.SetSize(count * static_cast<int>(sizeof(double*)), false);
    auto** slots = reinterpret_cast<double**>(pointers.Data());
    if (pointers.Size() < count * static_cast<int>(sizeof(double*))) {
        throw std::bad_alloc();
    }
    for (int i = 0; i < count; ++i) {
        auto* pin = new Pin();
        pin->slot = slots + i;
        PointAtOwnScratch(*pin);
        AddOrFail(pins, pin);
    }
}

// Normalised values from outside: non-finite ones are refused, negative ones held at 0.
bool UsableNormalized(double& normalized)
{
    if (!std::isfinite(normalized)) {
        return false;
    }
    normalized = std::max(normalized, 0.0);
    return true;
}
}  // namespace

IEffectBase::IEffectBase(int parameterCount, const char* channelText, int programCount,
                         const char* effect, const char* product, const char* vendor,
                         int32_t version, int32_t unique, int32_t vendorCode, int latencySamples,
                         int32_t midi, bool chunks, bool instrument)
    : uniqueId(unique), vendorId(vendorCode), vendorVersion(version), doesChunks(chunks),
      isInstrument(instrument), midiMode(midi), latency(latencySamples)
{
    try {
        for (int i = 0; i < parameterCount; ++i) {
            AddOrFail(parameters, new IParameter());
        }
        for (int i = 0; i < programCount; ++i) {
            auto* slot = new IProgramSlot();
            std::snprintf(slot->name, sizeof slot->name, "- %d -", i + 1);
            AddOrFail(programs, slot);
        }
        ParseChannelConfigs(channelText);
        CreatePins();
    } catch (...) {
        DeleteOwnedLists();
        throw;
    }
    CopyTextField(effectName, sizeof effectName, effect);
    CopyTextField(productName, sizeof productName, product);
    CopyTextField(vendorName, sizeof vendorName, vendor);
}

IEffectBase::~IEffectBase()
{
    // The binding's overrides are gone by now, so a pending wheel gesture cannot be
    // reported any more; the view must not try while it closes its window.
    pendingWheelParam = -1;
    editorView.reset();
    DeleteOwnedLists();
}

void IEffectBase::DeleteOwnedLists()
{
    parameters.DeleteAll();
    programs.DeleteAll();
    inputPins.DeleteAll();
    outputPins.DeleteAll();
    channelConfigs.DeleteAll();
}

void IEffectBase::ParseChannelConfigs(const char* text)
{
    if (text == nullptr) {
        return;
    }
    const char* p = text;
    while (*p != 0) {
        const char* end = std::strchr(p, ' ');
        if (end == nullptr) {
            end = p + std::strlen(p);
        }
        if (end > p) {
            AddOrFail(channelConfigs, new IChannelConfig(ParseChannelToken(p, end)));
        }
        p = *end == ' ' ? end + 1 : end;
    }
}

void IEffectBase::CreatePins()
{
    int inputs = 0;
    int outputs = 0;
    for (int i = 0; i < channelConfigs.Count(); ++i) {
        inputs = std::max(inputs, channelConfigs.Get(i)->inputs);
        outputs = std::max(outputs, channelConfigs.Get(i)->outputs);
    }
    AddPins(inputPins, inputPointers, inputs);
    AddPins(outputPins, outputPointers, outputs);
}

void IEffectBase::OnReset()
{
    Guard guard(lock);
}

void IEffectBase::OnParameterChange(int)
{
    Guard guard(lock);
}

void IEffectBase::OnActivate(bool)
{
    Guard guard(lock);
}

void IEffectBase::ProcessBlock(double** inputs, double** outputs, int frames)
{
    if (outputs == nullptr || frames <= 0) {
        return;
    }
    const int through = inputs == nullptr ? 0 : std::min(InputPinCount(), OutputPinCount());
    const size_t bytes = static_cast<size_t>(frames) * sizeof(double);
    for (int i = 0; i < OutputPinCount(); ++i) {
        if (outputs[i] == nullptr) {
            continue;
        }
        if (i < through && inputs[i] != nullptr) {
            std::memmove(outputs[i], inputs[i], bytes);
        } else {
            std::memset(outputs[i], 0, bytes);
        }
    }
}

bool IEffectBase::KeyNameForHost(int, char* name, size_t nameSize)
{
    CopyTextField(name, nameSize, "");
    return false;
}

bool IEffectBase::WriteState(IDataChunk& chunk)
{
    return WriteParameters(chunk);
}

int IEffectBase::ReadState(const IDataChunk& chunk, int pos)
{
    return ReadParameters(chunk, pos);
}

int IEffectBase::CheckState(const IDataChunk& chunk, int pos) const
{
    return CheckParameters(chunk, pos);
}

void IEffectBase::AttachEditor(IAttachedView* view)
{
    // Owned from the start, so that running out of memory while it is prepared deletes it.
    std::unique_ptr<IAttachedView> owned(view);
    if (owned == nullptr) {
        return;
    }
    Guard guard(lock);
    for (int i = 0; i < ParameterCount(); ++i) {
        owned->SetControlsFromParam(i, Parameter(i)->Normalized(), true);
    }
    owned->PrepareBackBuffer();
    editorView = std::move(owned);
}

void IEffectBase::ChangeBlockSize(int frames)
{
    Guard guard(lock);
    frames = std::max(frames, 0);
    if (frames == blockSize || frames > INT32_MAX / static_cast<int>(sizeof(double))) {
        return;
    }
    // A block size the scratch cannot hold would let processing run past it.
    if (ResizeScratch(frames)) {
        blockSize = frames;
    } else {
        ResizeScratch(blockSize);
    }
    PointPinsAtScratch();
}

int IEffectBase::ScratchFrames() const
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

void IEffectBase::ProcessPins(int frames)
{
    ProcessBlock(InputPinCount() > 0 ? InputPointers() : nullptr,
                 OutputPinCount() > 0 ? OutputPointers() : nullptr, frames);
}

bool IEffectBase::ResizeScratch(int frames)
{
    const int bytes = frames * static_cast<int>(sizeof(double));
    const bool inputsWhole = ResizeScratchOf(inputPins, bytes);
    return ResizeScratchOf(outputPins, bytes) && inputsWhole;
}

void IEffectBase::PointPinsAtScratch()
{
    // Resizing moves the scratch blocks; no slot may keep the old address. Connected
    // pins are pointed at the host's buffers again by every processing call.
    for (int i = 0; i < InputPinCount(); ++i) {
        PointAtOwnScratch(*InputPin(i));
    }
    for (int i = 0; i < OutputPinCount(); ++i) {
        PointAtOwnScratch(*OutputPin(i));
    }
}

bool IEffectBase::SendMidiList(const IMidiMessage* messages, int count)
{
    bool all = true;
    for (int i = 0; messages != nullptr && i < count; ++i) {
        all = SendMidi(messages[i]) && all;
    }
    return all;
}

void IEffectBase::SetParameterFromHost(int index, double normalized)
{
    Guard guard(lock);
    IParameter* parameter = Parameter(index);
    if (parameter == nullptr || !UsableNormalized(normalized)) {
        return;
    }
    if (editorView) {
        editorView->SetControlsFromParam(index, normalized, true);
    }
    parameter->SetFromNormalized(normalized);
    OnParameterChange(index);
}

double IEffectBase::HostParameterValue(int index)
{
    Guard guard(lock);
    const IParameter* parameter = Parameter(index);
    return parameter != nullptr ? parameter->Normalized() : 0.0;
}

void IEffectBase::SetParameterFromEditor(int index, double normalized)
{
    Guard guard(lock);
    IParameter* parameter = Parameter(index);
    if (parameter == nullptr || !UsableNormalized(normalized)) {
        return;
    }
    parameter->SetFromNormalized(normalized);
    AutomateParameter(index, normalized);
    OnParameterChange(index);
}

void IEffectBase::ScheduleWheelEditEnd(int index)
{
    Guard guard(lock);
    if (!editorView) {
        EndEdit(index);
        return;
    }
    pendingWheelParam = index;
    editorView->StartGestureCountdown(std::max(1, editorView->FrameRate() / 2));
}

void IEffectBase::EndPendingWheelEdit()
{
    Guard guard(lock);
    if (editorView) {
        editorView->CancelGestureCountdown();
    }
    const int pending = pendingWheelParam;
    pendingWheelParam = -1;
    if (pending >= 0) {
        EndEdit(pending);
    }
}

void IEffectBase::CloseEditorBeforeDelete()
{
    // The host is still listening: a pending wheel gesture ends as it would on any close.
    EndPendingWheelEdit();
    // Outside the instance lock: closing the window is the view's work, under its own lock.
    if (editorView) {
        editorView->CloseWindow();
    }
}

void IEffectBase::NotifyAllParameters()
{
    Guard guard(lock);
    for (int i = 0; i < ParameterCount(); ++i) {
        OnParameterChange(i);
    }
}

void IEffectBase::PushParametersToEditor()
{
    Guard guard(lock);
    if (!editorView) {
        return;
    }
    for (int i = 0; i < ParameterCount(); ++i) {
        editorView->SetControlsFromParam(i, Parameter(i)->value, false);
    }
}

void IEffectBase::ChangeSampleRate(double rate)
{
    Guard guard(lock);
    sampleRate = rate;
}

void IEffectBase::SetInputConnections(int start, int count, bool connected)
{
    Guard guard(lock);
    SetConnections(inputPins, start, count, connected);
}

void IEffectBase::SetOutputConnections(int start, int count, bool connected)
{
    Guard guard(lock);
    SetConnections(outputPins, start, count, connected);
}

bool IEffectBase::HasChannelConfig(int inputs, int outputs) const
{
    for (int i = 0; i < channelConfigs.Count(); ++i) {
        const IChannelConfig& config = *channelConfigs.Get(i);
        if ((inputs == -1 || config.inputs == inputs) && (outputs == -1 || config.outputs == outputs)) {
            return true;
        }
    }
    return false;
}

int32_t IEffectBase::VendorVersion(bool asDecimal) const
{
    if (!asDecimal) {
        return vendorVersion;
    }
    const int32_t major = vendorVersion >> 16;
    const int32_t minor = (vendorVersion >> 8) & 0xff;
    const int32_t patch = vendorVersion & 0xff;
    return major * 10000 + minor * 100 + patch;
}
