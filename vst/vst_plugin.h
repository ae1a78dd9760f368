// The VST 2.4 binding: an instance with its embedded effect record, the dispatcher,
// the processing and parameter callbacks, and the host services through the host callback.
#pragma once

#include "plug/effect_base.h"
#include "vst/vst_abi.h"

class IVstPlugin : public IEffectBase {
public:
    IVstPlugin(audioMasterCallback host, int parameterCount, const char* channelConfigs,
               int programCount, const char* effectName, const char* productName,
               const char* vendorName, int32_t vendorVersion, int32_t uniqueId, int32_t vendorId,
               int latency, int32_t midiMode, bool doesChunks, bool isInstrument);
    ~IVstPlugin() override;

    AEffect* Effect() { return &effect; }
    static IVstPlugin* FromEffect(AEffect* e);

    // Host services.
    void BeginEdit(int index) override;
    void BeginWheelEdit(int index) override;
    void AutomateParameter(int index, double normalized) override;
    void EndEdit(int index) override;
    void RefreshHostDisplay() override;
    int32_t HostSamplePosition() override;
    double HostTempo() override;
    void HostTimeSignature(int& numerator, int& denominator) override;
    int32_t IdentifyHost() override;
    void EditorResized() override;
    void AdaptToHost() override;
    void AttachEditor(IAttachedView* view) override;
    void ChangeLatency(int samples) override;
    bool SendMidi(const IMidiMessage& message) override;
    bool SendSysEx(const ISysExMessage& message) override;

    // Host identification: the product text mapped to a host code through name fragments.
    void SetHostIdentity(const char* product, int32_t packedVersion);
    static int32_t LookUpHostCode(const char* product);

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void ProcessFloat(float** inputs, float** outputs, int frames, bool accumulate);
    void ProcessDouble(double** inputs, double** outputs, int frames);

private:
    VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    const VstTimeInfo* HostTime(VstInt32 wanted);
    // Hands the host one event, as a list of one; true when the host took it.
    bool SendEventToHost(VstEvent* event);
    void FillEffectRecord();
    void RefreshHostDisplayIfStale();
    void SetArrangementsFromPins();

    VstIntPtr DispatchProgram(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr);
    VstIntPtr DispatchParameterText(VstInt32 opcode, VstInt32 index, void* ptr);
    VstIntPtr DispatchEditor(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void RunEditorHook(void (IVstPlugin::*hook)());
    VstIntPtr DispatchChunk(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr);
    VstIntPtr DispatchIdentity(VstInt32 opcode, void* ptr);
    VstIntPtr StringToParameter(VstInt32 index, const char* text);
    VstIntPtr ProcessEvents(const VstEvents* events);
    VstIntPtr PinProperties(bool input, VstInt32 index, VstPinProperties* properties);
    VstIntPtr SetSpeakerArrangement(VstIntPtr input, void* output);
    VstIntPtr VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr CanDo(const char* text) const;
    VstIntPtr MidiKeyNameFor(MidiKeyName* key);
    VstIntPtr SpeakerArrangements(VstIntPtr inputOut, void* outputOut);

    void AskForMidiIfWanted();
    void ProcessFloatSlice(float** inputs, float** outputs, int offset, int frames, bool accumulate);
    void ProcessDoubleSlice(double** inputs, double** outputs, int offset, int frames);

    ERect editorRect = {};
    audioMasterCallback hostCallback;
    VstSpeakerArrangement inputArrangement = {};
    VstSpeakerArrangement outputArrangement = {};
    bool hostAdapted = false;
    bool hostDisplayStale = false;
    IDataChunk programChunk;
    IDataChunk bankChunk;
    AEffect effect = {};
};

// Creates one instance under the process-wide creation lock and hands back its effect
// record, or null when construction fails. The factory builds the effect class.
AEffect* CreateVstEffect(audioMasterCallback host, IVstPlugin* (*factory)(audioMasterCallback));
