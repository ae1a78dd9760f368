// Test doubles for the plug-in base: an effect with the real effect's eleven parameters
// whose host binding records every notification, a recording editor view, and a
// snapshot of everything a chunk restore may touch. Shared by the tests and the fuzzer.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "plug/effect_base.h"

namespace ruck::test {

// One call the base made on the view.
struct ViewCall {
    int index;
    double value;
    bool normalized;
};

class FakeView : public IAttachedView {
public:
    explicit FakeView(int frameRate = 24) : frameRate(frameRate) {}

    void SetControlsFromParam(int index, double value, bool normalized) override
    {
        pushes.push_back({index, value, normalized});
    }
    void StartGestureCountdown(int ticks) override { countdown = ticks; }
    void CancelGestureCountdown() override { countdown = 0; }
    void PrepareBackBuffer() override { backBufferReady = true; }
    int FrameRate() const override { return frameRate; }
    int Width() const override { return 454; }
    int Height() const override { return 296; }
    bool OpenWindow(void*) override { return true; }
    void CloseWindow() override {}
    int HostWheel(float) override { return 0; }
    bool Snapshot(uint32_t*, int, int) override { return false; }

    // One tick of the editor's timer; at the end of the countdown the gesture ends.
    void Tick(IEffectBase& plug)
    {
        if (countdown > 0 && --countdown == 0) {
            plug.EndPendingWheelEdit();
        }
    }

    int frameRate;
    int countdown = 0;
    bool backBufferReady = false;
    std::vector<ViewCall> pushes;
};

// What the fake binding told the host, in order: "begin 3", "automate 3", "end 3".
struct HostEvent {
    std::string kind;
    int index;
    bool operator==(const HostEvent& other) const { return kind == other.kind && index == other.index; }
};

class TestEffect : public IEffectBase {
public:
    static constexpr int kParams = 11;
    static constexpr int kPrograms = 25;

    explicit TestEffect(const char* channels = "1-1 2-2", int programCount = kPrograms)
        : IEffectBase(kParams, channels, programCount, "Ruckstone", "", "Tolvi", 0x10000,
                      0x6163646C, 0x546F6C76, 0, 0, false, false)
    {
        DefineParameters();
    }

    // The default program and a few factory programs, as an effect's constructor makes them.
    void MakeFactoryPrograms()
    {
        MakeProgramFromCurrent("---- default ----", 1);
        MakeProgramFromValues("Nice guitar", {1, 80, 2, 88, -64, -18, 60, -45, 2, 0, 100});
        MakeProgramFromValues("Decimator", {3, 80, 1, 60, -10, -64, 0, -20, 2, 0, 90});
    }

    void OnParameterChange(int index) override
    {
        IEffectBase::OnParameterChange(index);
        changes.push_back(index);
    }
    void BeginEdit(int index) override
    {
        EndPendingWheelEdit();
        host.push_back({"begin", index});
    }
    void BeginWheelEdit(int index) override
    {
        std::lock_guard<std::recursive_mutex> guard(Lock());
        if (index == pendingWheelParam) {
            return;
        }
        EndPendingWheelEdit();
        host.push_back({"begin", index});
    }
    void AutomateParameter(int index, double) override { host.push_back({"automate", index}); }
    void EndEdit(int index) override { host.push_back({"end", index}); }
    void RefreshHostDisplay() override {}
    int32_t HostSamplePosition() override { return 0; }
    double HostTempo() override { return 0.0; }
    void HostTimeSignature(int& numerator, int& denominator) override { numerator = denominator = 0; }
    void EditorResized() override { ++editorResizes; }
    void AdaptToHost() override {}
    bool SendMidi(const IMidiMessage& message) override
    {
        sent.push_back(message.status);
        return message.status != 0;
    }
    bool SendSysEx(const ISysExMessage&) override { return false; }

    std::vector<int> changes;
    std::vector<HostEvent> host;
    std::vector<int> sent;
    int editorResizes = 0;

private:
    void DefineEnum(int index, const char* name, int defaultValue, std::vector<const char*> texts)
    {
        Parameter(index)->DefineEnum(name, defaultValue, static_cast<int>(texts.size()), "");
        for (size_t v = 0; v < texts.size(); ++v) {
            Parameter(index)->AddValueText(static_cast<int>(v), texts[v]);
        }
    }

    void DefineParameters()
    {
        DefineEnum(0, "Algorithm", 1, {"Off", "Overdrive Fat", "Overdrive Weak", "Decimator"});
        Parameter(1)->DefineInt("Amount", 50, 0, 100, "%");
        DefineEnum(2, "Foldback", 0, {"Off", "Before", "After"});
        Parameter(3)->DefineInt("Gain", 10, 0, 100, "%");
        Parameter(4)->DefineInt("Threshold", -16, -64, 0, "dB");
        Parameter(5)->DefineInt("Flip Thresh", -16, -64, 0, "dB");
        Parameter(6)->DefineInt("Multiply", -20, -100, 100, "%");
        Parameter(7)->DefineInt("Round", 10, -100, 100, "%");
        DefineEnum(8, "Antialias", 0, {"Off", "x2", ",x2+", "x3"});
        Parameter(9)->DefineInt("Pan", 0, -100, 100, "%");
        Parameter(10)->DefineInt("Mix", 90, 0, 100, "%");
    }
};

// Everything a chunk restore can change, for before/after comparisons.
struct Snapshot {
    std::vector<double> values;
    std::vector<std::string> names;
    std::vector<bool> filled;
    std::vector<std::string> stored;
    int currentProgram = 0;

    bool operator==(const Snapshot& o) const
    {
        return values == o.values && names == o.names && filled == o.filled && stored == o.stored &&
               currentProgram == o.currentProgram;
    }
    bool operator!=(const Snapshot& o) const { return !(*this == o); }
};

// Stored values count only for filled slots: an unfilled slot's leftovers are never read.
inline Snapshot Capture(const IEffectBase& plug)
{
    Snapshot s;
    for (int i = 0; i < plug.ParameterCount(); ++i) {
        s.values.push_back(plug.Parameter(i)->value);
    }
    for (int i = 0; i < plug.ProgramCount(); ++i) {
        const IProgramSlot& slot = *plug.Program(i);
        s.names.emplace_back(slot.name);
        s.filled.push_back(slot.filled);
        const char* bytes = reinterpret_cast<const char*>(slot.values.Data());
        s.stored.emplace_back(slot.filled && bytes ? std::string(bytes, slot.values.Size()) : "");
    }
    s.currentProgram = plug.CurrentProgram();
    return s;
}

inline std::vector<uint8_t> Bytes(const IDataChunk& chunk)
{
    return std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Size());
}

}  // namespace ruck::test
