#include "plugin_host.h"

#include <cstring>
#include <vector>

#include "host_error.h"

namespace {
// Requests an instance makes from inside the entry point, before its record knows us.
thread_local PluginInstance* constructing = nullptr;
// Text buffers handed to the plug-in are far larger than the published limits, which
// many plug-ins exceed.
constexpr size_t kTextBytes = 512;
constexpr char kHostProduct[] = "ruckhost";
constexpr char kHostVendor[] = "Tolvi";
constexpr VstIntPtr kHostVersion = 1000;
constexpr VstIntPtr kAutomationOff = 1;
constexpr VstIntPtr kLanguageEnglish = 1;

// Host strings go into the plug-in's 64-byte buffers.
VstIntPtr CopyText(void* destination, const char* text)
{
    if (destination == nullptr) {
        return 0;
    }
    std::strncpy(static_cast<char*>(destination), text, 63);
    static_cast<char*>(destination)[63] = '\0';
    return 1;
}
}  // namespace

PluginLibrary::PluginLibrary(const std::string& file) : path(file), module(std::make_unique<PluginModule>(file))
{
    if (!module->Loaded()) {
        throw HostError("cannot load plug-in " + module->Error());
    }
    entry = module->Entry("VSTPluginMain");
    if (entry == nullptr) {
        entry = module->Entry("main");
    }
    if (entry == nullptr) {
        throw HostError(path + " is not a VST2 plug-in (no VSTPluginMain or main entry point)");
    }
}

PluginInstance::PluginInstance(const PluginLibrary& library) : path(library.Path())
{
    constructing = this;
    effect = library.Entry()(&PluginInstance::HostCallback);
    constructing = nullptr;
    if (effect == nullptr) {
        throw HostError(path + ": the entry point returned no plug-in (null)");
    }
    if (effect->magic != kEffectMagic) {
        throw HostError(path + ": the entry point returned a record without the VST magic");
    }
    if (effect->dispatcher == nullptr || effect->getParameter == nullptr || effect->setParameter == nullptr ||
        (effect->processReplacing == nullptr && effect->process == nullptr)) {
        throw HostError(path + ": the plug-in's record lacks a callback");
    }
    if (effect->numParams < 0 || effect->numPrograms < 0 || effect->numInputs < 0 || effect->numOutputs < 0) {
        throw HostError(path + ": the plug-in's record has negative counts");
    }
    effect->user = this;
    Dispatch(effOpen);
}

PluginInstance::~PluginInstance()
{
    if (effect) {
        Stop();
        Dispatch(effClose);
    }
}

VstIntPtr PluginInstance::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void PluginInstance::Start(double rate, int frames, bool doublePrecision)
{
    Stop();
    sampleRate = rate;
    blockSize = frames;
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    Dispatch(effSetBlockSize, 0, frames);
    Dispatch(effSetProcessPrecision, 0, doublePrecision ? kVstProcessPrecision64 : kVstProcessPrecision32);
    Dispatch(effMainsChanged, 0, 1);
    Dispatch(effStartProcess);
    started = true;
}

void PluginInstance::Stop()
{
    if (started) {
        Dispatch(effStopProcess);
        Dispatch(effMainsChanged, 0, 0);
        started = false;
    }
}

std::string PluginInstance::Text(VstInt32 opcode, VstInt32 index) const
{
    char text[kTextBytes] = {};
    Dispatch(opcode, index, 0, text);
    text[kTextBytes - 1] = '\0';
    return text;
}

std::string PluginInstance::ProgramName(int index) const
{
    char text[kTextBytes] = {};
    if (Dispatch(effGetProgramNameIndexed, index, 0, text) == 0 && index == CurrentProgram()) {
        Dispatch(effGetProgramName, 0, 0, text);
    }
    text[kTextBytes - 1] = '\0';
    return text;
}

std::vector<uint8_t> PluginInstance::GetChunk(bool bank) const
{
    void* data = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
    if (size <= 0 || data == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

bool PluginInstance::SetChunk(const std::vector<uint8_t>& bytes, bool bank) const
{
    // The plug-in gets its own copy: it may keep the pointer until the call returns only.
    std::vector<uint8_t> copy = bytes;
    return Dispatch(effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(copy.size()),
                    copy.empty() ? nullptr : copy.data()) != 0;
}

void PluginInstance::ProcessFloat(float** inputs, float** outputs, int frames)
{
    if (effect->processReplacing) {
        effect->processReplacing(effect, inputs, outputs, frames);
    } else {
        for (int c = 0; c < Outputs(); ++c) {
            std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
        }
        effect->process(effect, inputs, outputs, frames);
    }
    Advance(frames);
}

void PluginInstance::ProcessDouble(double** inputs, double** outputs, int frames)
{
    if (effect->processDoubleReplacing == nullptr) {
        throw HostError(path + " has no double-precision processing");
    }
    effect->processDoubleReplacing(effect, inputs, outputs, frames);
    Advance(frames);
}

void PluginInstance::Advance(int frames)
{
    samplePosition = samplePosition + frames;
}

VstIntPtr PluginInstance::HostCallback(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                       float opt)
{
    PluginInstance* host = e && e->user ? static_cast<PluginInstance*>(e->user) : constructing;
    if (opcode == audioMasterVersion) {
        return 2400;
    }
    return host ? host->Answer(opcode, index, value, ptr, opt) : 0;
}

VstIntPtr PluginInstance::Answer(VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
    // Each calling thread gets its own record, filled afresh, so answers never race.
    thread_local VstTimeInfo time;
    switch (opcode) {
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(sampleRate.load());
    case audioMasterGetBlockSize:
        return blockSize;
    case audioMasterGetTime:
        time = {};
        time.sampleRate = sampleRate;
        time.samplePos = samplePosition;
        time.tempo = 120.0;
        time.ppqPos = time.samplePos / time.sampleRate * 2.0;
        time.timeSigNumerator = 4;
        time.timeSigDenominator = 4;
        time.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
        return reinterpret_cast<VstIntPtr>(&time);
    case audioMasterGetVendorString:
        return CopyText(ptr, kHostVendor);
    case audioMasterGetProductString:
        return CopyText(ptr, kHostProduct);
    case audioMasterGetVendorVersion:
        return kHostVersion;
    case audioMasterGetAutomationState:
        return kAutomationOff;
    case audioMasterGetLanguage:
        return kLanguageEnglish;
    default:
        return 0;
    }
}

std::string UniqueIdText(VstInt32 id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            return std::to_string(id);
        }
        text += c;
    }
    return text;
}
