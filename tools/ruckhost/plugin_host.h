// A VST 2.4 plug-in driven through its binary interface only, as a host drives it: the
// loaded module, and instances created from its entry point that answer the plug-in's
// requests to the host. Works with any well-behaved VST2 plug-in.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plugin_module.h"

// A plug-in binary loaded once; every instance comes from its entry point.
class PluginLibrary {
public:
    // Refuses a file that cannot be loaded or has no VST2 entry point.
    explicit PluginLibrary(const std::string& path);

    const std::string& Path() const { return path; }
    VstEntry Entry() const { return entry; }

private:
    std::string path;
    std::unique_ptr<PluginModule> module;
    VstEntry entry = nullptr;
};

class PluginInstance {
public:
    // Creates the instance and opens it (effOpen); refuses a null or malformed record.
    explicit PluginInstance(const PluginLibrary& library);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    AEffect* Effect() const { return effect; }
    const std::string& Path() const { return path; }
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;

    // Sample rate, block size, processing precision, then mains on and start of processing.
    void Start(double sampleRate, int blockSize, bool doublePrecision);
    // End of processing and mains off; nothing when not started.
    void Stop();
    bool Started() const { return started; }
    int BlockSize() const { return blockSize; }

    int ParameterCount() const { return effect->numParams; }
    int ProgramCount() const { return effect->numPrograms; }
    int Inputs() const { return effect->numInputs; }
    int Outputs() const { return effect->numOutputs; }
    bool HasFlag(VstInt32 flag) const { return (effect->flags & flag) != 0; }

    std::string Text(VstInt32 opcode, VstInt32 index = 0) const;
    std::string ParameterName(int index) const { return Text(effGetParamName, index); }
    std::string ParameterLabel(int index) const { return Text(effGetParamLabel, index); }
    std::string ParameterDisplay(int index) const { return Text(effGetParamDisplay, index); }
    std::string ProgramName(int index) const;
    float GetParameter(int index) const { return effect->getParameter(effect, index); }
    void SetParameter(int index, float value) const { effect->setParameter(effect, index, value); }
    void SelectProgram(int index) const { Dispatch(effSetProgram, 0, index); }
    int CurrentProgram() const { return static_cast<int>(Dispatch(effGetProgram)); }

    // The program (bank = false) or bank chunk; empty when the plug-in gives none.
    std::vector<uint8_t> GetChunk(bool bank) const;
    bool SetChunk(const std::vector<uint8_t>& bytes, bool bank) const;

    // One block through the replacing (or, lacking it, accumulating) float callback or
    // the double callback; the buffers hold Inputs() and Outputs() channels.
    void ProcessFloat(float** inputs, float** outputs, int frames);
    void ProcessDouble(double** inputs, double** outputs, int frames);

private:
    static VstIntPtr HostCallback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt);
    VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void Advance(int frames);

    std::string path;
    AEffect* effect = nullptr;
    bool started = false;
    int blockSize = 0;
    std::atomic<double> sampleRate{44100.0};
    std::atomic<double> samplePosition{0.0};
};

// The plug-in's unique ID as its four characters when printable, else as a number.
std::string UniqueIdText(VstInt32 id);
