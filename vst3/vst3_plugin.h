// The VST 3 binding's instance base: the host services of the plug-in base answered
// through the edit controller's component handler, program selection without slot
// writes, and the host transport for the block being processed.
#pragma once

#include "plug/effect_base.h"
#include "vst3/vst3_abi.h"

// What an instance reports to the host: the edit controller passes these on to its
// component handler. The processor's instance has no link; its edits go nowhere.
class IVst3HostLink {
public:
    virtual void LinkBeginEdit(int index) = 0;
    virtual void LinkPerformEdit(int index, double normalized) = 0;
    virtual void LinkEndEdit(int index) = 0;
    virtual void LinkValuesChanged() = 0;

protected:
    ~IVst3HostLink() = default;
};

class IVst3Plugin;
using IVst3Maker = IVst3Plugin* (*)(IVst3HostLink* host);

class IVst3Plugin : public IEffectBase {
public:
    // The program selector the controller exports besides the effect's parameters, whose
    // IDs are their indices. Fixed for ever: hosts store it in their projects.
    static constexpr uint32_t kProgramParamId = 0x50726F67;  // 'Prog'

    IVst3Plugin(IVst3HostLink* host, int parameterCount, const char* channelConfigs, int programCount,
                const char* effectName, const char* productName, const char* vendorName,
                int32_t vendorVersion, int32_t uniqueId, int32_t vendorId, int latency, int32_t midiMode,
                bool doesChunks, bool isInstrument);

    // Host services.
    void BeginEdit(int index) override;
    void BeginWheelEdit(int index) override;
    void AutomateParameter(int index, double normalized) override;
    void EndEdit(int index) override;
    void RefreshHostDisplay() override;
    int32_t HostSamplePosition() override;
    double HostTempo() override;
    void HostTimeSignature(int& numerator, int& denominator) override;
    void EditorResized() override {}
    void AdaptToHost() override {}
    bool SendMidi(const IMidiMessage&) override { return false; }
    bool SendSysEx(const ISysExMessage&) override { return false; }

    // The processor's instance never shows a face; it lets its editor go.
    void DropEditor();

    // Program i is the normalised value i / (count - 1); any value maps to the nearest below.
    int ProgramForNormalized(double normalized) const;
    double NormalizedForProgram(int index) const;
    // The plain value a normalised one gives, snapped as setting it would, and its text.
    double PlainOf(int index, double normalized);
    void FormatNormalized(int index, double normalized, char* out, size_t outSize);

    // The host's transport for the block being processed (null outside processing).
    void SetProcessContext(const vst3::ProcessContext* context) { processContext = context; }

private:
    IVst3HostLink* host;
    const vst3::ProcessContext* processContext = nullptr;
};

// A new instance from the maker with its programs and coefficients in place, as a host
// finds a VST2 instance after opening it; null when memory runs out.
IVst3Plugin* MakeReadyInstance(IVst3Maker make, IVst3HostLink* host);
