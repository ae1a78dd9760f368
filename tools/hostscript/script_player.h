// Plays a host action script against a VST2 plug-in through its entry point and effect
// record, as a host does, with a host callback that records what the plug-in asks, and
// checks after every step what hosts rely on: finite output for finite input, nothing
// written outside the frames and channels given, texts terminated within their bounds,
// parameter values in 0..1, and a saved state that comes back whole and sounds the same.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host_script.h"
#include "vst/vst_abi.h"

using PluginEntry = AEffect* (*)(audioMasterCallback);

template <typename T>
struct BlockBuffers;

struct PlayerOptions {
    // Also holds the plug-in to promises of this project beyond what hosts may expect
    // of any plug-in (texts within our bounds, inputs left alone, a refused chunk changes
    // nothing); otherwise those are kept as notes.
    bool strict = false;
    // Opens the editor without a parent window (for runs without a display) and sends
    // idle and close whether or not it opened; otherwise only the editor's size is asked.
    bool headlessEditor = false;
};

struct PlayCounts {
    long steps = 0;
    long instances = 0;
    long blocks = 0;
    long frames = 0;
    long hostRequests = 0;
};

class ScriptPlayer {
public:
    static constexpr int kSlots = 2;

    ScriptPlayer(PluginEntry entry, PlayerOptions options);
    ~ScriptPlayer();
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;

    // Plays the next action; false once a check failed (see Failure) or nothing is left.
    bool Step(ScriptReader& script);
    // Plays every action; true when all checks held.
    bool Play(const uint8_t* data, size_t size);
    // The action Step would play next, without reading it.
    static HostAction NextAction(const ScriptReader& script);

    const std::string& Failure() const { return failure; }
    const std::vector<std::string>& Notes() const { return notes; }
    long NoteCount() const { return noteCount; }
    const PlayCounts& Counts() const { return counts; }

private:
    struct Instance {
        AEffect* effect = nullptr;
        bool rateSet = false;
        float sampleRate = 0.0f;
        bool blockSet = false;
        VstIntPtr blockSize = 0;
        bool arrangementSet = false;
        ArrangementKind inputKind = ArrangementKind::None;
        ArrangementKind outputKind = ArrangementKind::None;
        VstIntPtr precision = -1;
        bool mainsOn = false;
        bool started = false;
        bool editorOpen = false;
    };

    static VstIntPtr HostCallback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt);
    VstIntPtr Answer(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    void Play(HostAction action, ScriptReader& script);
    AEffect* Create();
    Instance& Current();
    AEffect* Effect() { return Current().effect; }
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    void CloseSlot(int slot, bool polite);
    int BlockFrames();

    void SwitchInstance(ScriptReader& script);
    void SetArrangement(Instance& instance, ArrangementKind input, ArrangementKind output);
    void ProcessState(ScriptReader& script);
    void Process(ScriptReader& script);
    struct BlockRequest {
        ProcessPath path = ProcessPath::Replacing;
        int frames = 0;
        BufferLayout layout = BufferLayout::Separate;
        uint8_t which = 0;
        SignalKind signal = SignalKind::Silence;
        uint8_t seed = 0;
    };
    template <typename T>
    void ProcessWith(const BlockRequest& request);
    template <typename T>
    void CheckBlock(const BlockBuffers<T>& buffers, const std::vector<std::vector<T>>& inputCopies, bool outputsGiven,
                    const BlockRequest& request);
    void SetParameter(ScriptReader& script);
    void Program(ScriptReader& script);
    void Texts(ScriptReader& script);
    void ChunkMutation(ScriptReader& script);
    void SetChunk(VstInt32 index, std::vector<uint8_t> bytes);
    void StringToParameter(ScriptReader& script);
    void CanDo(ScriptReader& script);
    void VendorSpecific(ScriptReader& script);
    void Editor(ScriptReader& script);
    void Query(ScriptReader& script);
    void SendEvents(ScriptReader& script);
    void StateCheck();

    int PickIndex(ScriptReader& script, int count);
    std::vector<uint8_t> GetChunk(AEffect* e, bool bank);
    struct SavedState {
        std::vector<uint8_t> chunk;  // the program chunk, for plug-ins that keep chunks
        std::vector<float> parameters;
    };
    SavedState SaveState(AEffect* e);
    void RestoreState(AEffect* e, const SavedState& state);
    AEffect* Twin(const Instance& original, const SavedState& state);
    void ReplaySetup(const Instance& from, AEffect* to);
    std::vector<float> RenderBlock(AEffect* e, int frames);

    void CheckParameters();
    void CheckText(const std::vector<char>& buffer, size_t bound, const std::string& what);
    void Require(bool condition, const std::string& message);
    void Promise(bool condition, const std::string& message);

    PluginEntry entry;
    PlayerOptions options;
    std::array<Instance, kSlots> slots;
    int current = 0;
    double samplePosition = 0.0;
    VstTimeInfo timeInfo = {};
    std::string hostProduct;
    std::string failure;
    std::string callbackFailure;
    std::vector<std::string> notes;
    long noteCount = 0;
    PlayCounts counts;
};
