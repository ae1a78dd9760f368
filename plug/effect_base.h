// The host-independent plug-in instance: identity, parameters, programs, channel pins,
// the attached editor view and the one lock that serialises host, audio and editor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>

#include "data_chunk.h"
#include "grow_buffer.h"
#include "parameter.h"
#include "attached_view.h"

// One supported (inputs, outputs) pair of channel counts.
struct IChannelConfig {
    int32_t inputs = 0;
    int32_t outputs = 0;
};

// One input channel: its entry in the input pointer array and a scratch block of doubles.
struct IInputPin {
    bool connected = false;
    double** slot = nullptr;
    IGrowBuffer scratch;

    double* Samples() const { return reinterpret_cast<double*>(scratch.Data()); }
};

// One output channel; hostDestination is where the binding converts the block back to.
struct IOutputPin {
    bool connected = false;
    double** slot = nullptr;
    float* hostDestination = nullptr;
    IGrowBuffer scratch;

    double* Samples() const { return reinterpret_cast<double*>(scratch.Data()); }
};

struct IMidiMessage {
    int32_t offset = 0;  // frames into the block
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct ISysExMessage {
    int32_t offset = 0;
    int32_t size = 0;
    const uint8_t* data = nullptr;
};

// A named program: unfilled, or holding one plain value per parameter.
struct IProgramSlot {
    static constexpr int kNameField = 256;

    bool filled = false;
    char name[kNameField] = {};
    IDataChunk values;
};

class IEffectBase {
public:
    static constexpr int kNameField = 128;
    // Channel counts beyond this are refused when the configuration text is parsed.
    static constexpr int kMaxPins = 1024;

    IEffectBase(int parameterCount, const char* channelConfigs, int programCount,
                const char* effectName, const char* productName, const char* vendorName,
                int32_t vendorVersion, int32_t uniqueId, int32_t vendorId, int latency,
                int32_t midiMode, bool doesChunks, bool isInstrument);
    IEffectBase(const IEffectBase&) = delete;
    IEffectBase& operator=(const IEffectBase&) = delete;

    // Operations an effect or a host binding replaces, in their fixed order.
    virtual ~IEffectBase();
    virtual void OnReset();
    virtual void OnParameterChange(int index);
    virtual void ProcessBlock(double** inputs, double** outputs, int frames);
    virtual void OnEditorOpen() {}
    virtual void OnEditorClose() {}
    virtual void ReservedHookA() {}
    virtual void OnActivate(bool active);
    virtual void OnMidiMessage(const IMidiMessage&) {}
    virtual void OnSysExMessage(const ISysExMessage&) {}
    virtual bool KeyNameForHost(int key, char* name, size_t nameSize);
    virtual bool WriteState(IDataChunk& chunk);
    virtual int ReadState(const IDataChunk& chunk, int pos);
    virtual void BeginEdit(int index) = 0;
    virtual void BeginWheelEdit(int index) = 0;
    virtual void AutomateParameter(int index, double normalized) = 0;
    virtual void EndEdit(int index) = 0;
    virtual void RefreshHostDisplay() = 0;
    virtual int32_t HostSamplePosition() = 0;
    virtual double HostTempo() = 0;
    virtual void HostTimeSignature(int& numerator, int& denominator) = 0;
    virtual int32_t IdentifyHost() { return hostCode; }
    virtual void EditorResized() = 0;
    virtual void ReservedHookB() {}
    virtual void AdaptToHost() = 0;
    // Takes ownership of the view (a null view is ignored) after pushing every value to it.
    virtual void AttachEditor(IAttachedView* view);
    virtual void ChangeBlockSize(int frames);
    virtual void ChangeLatency(int samples) { latency = samples; }
    virtual bool SendMidi(const IMidiMessage& message) = 0;
    virtual bool SendMidiList(const IMidiMessage* messages, int count);
    virtual bool SendSysEx(const ISysExMessage& message) = 0;
    virtual bool WriteParameters(IDataChunk& chunk);
    // Reads a whole parameter block or nothing: returns the position after it, or -1.
    virtual int ReadParameters(const IDataChunk& chunk, int pos);
    virtual bool WriteBank(IDataChunk& chunk);
    // Reads every slot of a bank or nothing: returns the position after it, or -1.
    virtual int ReadBank(const IDataChunk& chunk, int pos);
    // Where ReadState would end on this data, without changing anything; -1 when it
    // would fail. An effect that overrides ReadState overrides this alongside.
    virtual int CheckState(const IDataChunk& chunk, int pos) const;

    // Parameter traffic.
    void SetParameterFromHost(int index, double normalized);
    double HostParameterValue(int index);
    void SetParameterFromEditor(int index, double normalized);
    void ScheduleWheelEditEnd(int index);
    void EndPendingWheelEdit();
    void NotifyAllParameters();
    // Closes the editor's window while every override of the instance is still alive, just
    // before it is deleted; a pending wheel gesture is ended first, the host still listening.
    void CloseEditorBeforeDelete();
    void PushParametersToEditor();

    // Channels and timing.
    // Frames every pin's scratch can hold: the block size, unless an allocation fell short.
    int ScratchFrames() const;
    // Runs ProcessBlock on the pins' pointer arrays, wherever the binding pointed them.
    void ProcessPins(int frames);
    void ChangeSampleRate(double rate);
    void SetInputConnections(int start, int count, bool connected);
    void SetOutputConnections(int start, int count, bool connected);
    bool HasChannelConfig(int inputs, int outputs) const;
    int32_t VendorVersion(bool asDecimal) const;

    // Programs.
    void MakeProgramFromCurrent(const char* name, int count);
    // Fills the first unfilled slot with one value per parameter; integer-like parameters
    // keep the value's whole part. False when no slot is free or values are missing.
    bool MakeProgramFromValues(const char* name, const double* values, int count);
    bool MakeProgramFromValues(const char* name, std::initializer_list<double> values);
    void EnsureOneProgram();
    bool SelectProgram(int index);
    // Loads a filled program's values and makes it current; an unfilled slot only becomes
    // current (it has no values of its own). Writes no slot, allocates nothing.
    bool ApplyProgram(int index);
    void StoreCurrentProgram(const char* name);
    const char* ProgramName(int index) const;
    void NextUserProgramName(char* out, size_t outSize) const;

    // Chunks exchanged with the host. SaveChunk leaves the bytes in the chunk; a restore
    // applies the data only when all of it is valid and otherwise changes nothing.
    bool SaveChunk(IDataChunk& chunk, bool isBank);
    bool RestoreChunk(IDataChunk& chunk, const void* bytes, int64_t size, bool isBank);

    // Validation of the two chunk bodies: the position after them, or -1.
    int CheckParameters(const IDataChunk& chunk, int pos) const;
    int CheckBank(const IDataChunk& chunk, int pos) const;

    std::recursive_mutex& Lock() { return lock; }

    IParameter* Parameter(int index) const { return parameters.Get(index); }
    int ParameterCount() const { return parameters.Count(); }
    IProgramSlot* Program(int index) const { return programs.Get(index); }
    int ProgramCount() const { return programs.Count(); }
    int CurrentProgram() const { return currentProgram; }
    int PendingWheelParam() const { return pendingWheelParam; }
    const IChannelConfig* ChannelConfig(int index) const { return channelConfigs.Get(index); }
    int ChannelConfigCount() const { return channelConfigs.Count(); }
    IInputPin* InputPin(int index) const { return inputPins.Get(index); }
    IOutputPin* OutputPin(int index) const { return outputPins.Get(index); }
    int InputPinCount() const { return inputPins.Count(); }
    int OutputPinCount() const { return outputPins.Count(); }
    // The arrays handed to ProcessBlock; null when there are no pins of that kind.
    double** InputPointers() const { return reinterpret_cast<double**>(inputPointers.Data()); }
    double** OutputPointers() const { return reinterpret_cast<double**>(outputPointers.Data()); }
    IAttachedView* EditorView() const { return editorView.get(); }
    double SampleRate() const { return sampleRate; }
    int BlockSize() const { return blockSize; }
    int Latency() const { return latency; }
    const char* EffectName() const { return effectName; }
    const char* ProductName() const { return productName; }
    const char* VendorName() const { return vendorName; }
    int32_t UniqueId() const { return uniqueId; }
    int32_t VendorId() const { return vendorId; }
    int32_t HostVersion() const { return hostVersion; }
    int32_t MidiMode() const { return midiMode; }
    bool DoesChunks() const { return doesChunks; }
    bool IsInstrument() const { return isInstrument; }

protected:
    IPtrList<IChannelConfig> channelConfigs;
    IPtrList<IParameter> parameters;
    IPtrList<IProgramSlot> programs;
    int32_t currentProgram = 0;
    int32_t pendingWheelParam = -1;
    std::recursive_mutex lock;
    char effectName[kNameField] = {};
    char productName[kNameField] = {};
    char vendorName[kNameField] = {};
    int32_t uniqueId;
    int32_t vendorId;
    int32_t vendorVersion;
    int32_t hostCode = -1;
    int32_t hostVersion = 0;
    bool doesChunks;
    bool isInstrument;
    int32_t midiMode;
    double sampleRate = 44100.0;
    int32_t blockSize = 0;
    int32_t latency;
    std::unique_ptr<IAttachedView> editorView;
    IGrowBuffer inputPointers;
    IGrowBuffer outputPointers;
    IPtrList<IInputPin> inputPins;
    IPtrList<IOutputPin> outputPins;

private:
    void DeleteOwnedLists();
    void ParseChannelConfigs(const char* text);
    void CreatePins();
    bool ResizeScratch(int frames);
    void PointPinsAtScratch();
    IProgramSlot* FirstUnfilledProgram() const;
    bool StoreValuesInto(IProgramSlot& slot);
    bool StoreParameterValues(IProgramSlot& slot, const double* values);
    void ReadParameterBlock(const IDataChunk& chunk, int pos);
    int ApplyBankSlot(IProgramSlot& slot, const IDataChunk& chunk, int pos);
};
