// The CLAP binding's instance base: the host services of the plug-in base answered through
// the host's CLAP interfaces. Editor edits wait in a fixed queue until the next process or
// flush call carries them to the host as gesture and value events; values are plain.
#pragma once

#include <atomic>

#include "clap/clap_abi.h"
#include "plug/effect_base.h"

class IClapPlugin;
using IClapMaker = IClapPlugin* (*)(const clap::Host* host);

class IClapPlugin : public IEffectBase {
public:
    // Editor edits held between two process or flush calls; more are dropped, except that
    // a value replaces the parameter's value queued just before it.
    static constexpr int kEditQueueLength = 256;

    IClapPlugin(const clap::Host* host, int parameterCount, const char* channelConfigs, int programCount,
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

    // A plain value from the host: held to the range, whole numbers for stepped parameters.
    void SetPlainFromHost(int index, double plain);

    // The host's transport for the block being processed (null outside processing).
    void SetTransport(const clap::EventTransport* now) { transport = now; }
    // Pushes the queued editor edits to the host's list at the given frame, oldest first.
    void SendQueuedEdits(const clap::OutputEvents* out, uint32_t time);
    // True once after RefreshHostDisplay: the host should read every value again.
    bool TakeValuesChanged() { return valuesChanged.exchange(false); }

private:
    struct QueuedEdit {
        uint16_t type;
        clap::Id param;
        double value;
    };
    void QueueEdit(uint16_t type, int index, double value);

    const clap::Host* host;
    const clap::HostParams* hostParams = nullptr;
    const clap::EventTransport* transport = nullptr;
    QueuedEdit edits[kEditQueueLength] = {};
    int editCount = 0;
    std::atomic<bool> valuesChanged{false};
};

// A new instance from the maker with its programs and coefficients in place, as a host
// finds a VST2 instance after opening it; null when memory runs out.
IClapPlugin* MakeReadyInstance(IClapMaker make, const clap::Host* host);
