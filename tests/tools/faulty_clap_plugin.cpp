// A small CLAP plug-in with one deliberate fault, chosen when it is built (RUCK_FAULT): it
// hangs, puts out NaN, gives a state that does not come back, or hands over extension
// tables with functions left out. The CLAP stress and checks must catch each one.
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "clap/clap_abi.h"

#ifdef _WIN32
#define TEST_EXPORT __declspec(dllexport)
#else
#define TEST_EXPORT __attribute__((visibility("default")))
#endif

#define FAULT_HANG 1
#define FAULT_NAN 2
#define FAULT_STATE 3
#define FAULT_HOLES 4

namespace {
// Blocks processed before the fault shows, so the run is well under way.
constexpr int kHealthyBlocks = 200;
constexpr uint32_t kChannels = 2;

struct Faulty {
    clap::Plugin plugin = {};
    float gain = 0.5f;
    int blocks = 0;
    bool loaded = false;
};

Faulty& Self(const clap::Plugin* plugin)
{
    return *static_cast<Faulty*>(plugin->plugin_data);
}

const char* const kFeatures[] = {"audio-effect", "stereo", nullptr};
const clap::PluginDescriptor kDescriptor = {clap::kVersion, "audio.tolvi.faulty", "Faulty", "Tolvi", "", "", "",
                                            "1.0.0",        "a plug-in with a fault", kFeatures};

bool CLAP_CALL Init(const clap::Plugin*)
{
    return true;
}

void CLAP_CALL Destroy(const clap::Plugin* plugin)
{
    delete &Self(plugin);
}

bool CLAP_CALL Activate(const clap::Plugin*, double, uint32_t, uint32_t)
{
    return true;
}

void CLAP_CALL Nothing(const clap::Plugin*) {}

bool CLAP_CALL StartProcessing(const clap::Plugin*)
{
    return true;
}

int32_t CLAP_CALL Process(const clap::Plugin* plugin, const clap::Process* process)
{
    Faulty& f = Self(plugin);
    const bool faulty = ++f.blocks >= kHealthyBlocks;
    while (RUCK_FAULT == FAULT_HANG && faulty) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    for (uint32_t port = 0; port < process->audio_outputs_count && port < process->audio_inputs_count; ++port) {
        const clap::AudioBuffer& in = process->audio_inputs[port];
        const clap::AudioBuffer& out = process->audio_outputs[port];
        for (uint32_t c = 0; c < out.channel_count && c < in.channel_count && in.data32 && out.data32; ++c) {
            for (uint32_t i = 0; i < process->frames_count; ++i) {
                out.data32[c][i] = RUCK_FAULT == FAULT_NAN && faulty ? NAN : in.data32[c][i] * f.gain;
            }
        }
    }
    return clap::kProcessContinue;
}

uint32_t CLAP_CALL PortCount(const clap::Plugin*, bool)
{
    return 1;
}

bool CLAP_CALL PortGet(const clap::Plugin*, uint32_t index, bool, clap::AudioPortInfo* info)
{
    if (index != 0 || info == nullptr) {
        return false;
    }
    *info = {};
    std::strcpy(info->name, "main");
    info->flags = clap::kPortIsMain;
    info->channel_count = kChannels;
    info->port_type = clap::kPortStereo;
    info->in_place_pair = 0;
    return true;
}

// The state is the gain and, with the state fault, whether it was ever loaded.
bool CLAP_CALL Save(const clap::Plugin* plugin, const clap::OutputStream* stream)
{
    const Faulty& f = Self(plugin);
    uint8_t bytes[sizeof f.gain + 1];
    std::memcpy(bytes, &f.gain, sizeof f.gain);
    bytes[sizeof f.gain] = RUCK_FAULT == FAULT_STATE && f.loaded ? 1 : 0;
    uint64_t put = 0;
    int64_t n = 1;
    while (put < sizeof bytes && n > 0) {
        n = stream->write(stream, bytes + put, sizeof bytes - put);
        put += n > 0 ? static_cast<uint64_t>(n) : 0;
    }
    return put == sizeof bytes;
}

bool CLAP_CALL Load(const clap::Plugin* plugin, const clap::InputStream* stream)
{
    Faulty& f = Self(plugin);
    uint8_t bytes[sizeof f.gain + 1];
    uint64_t got = 0;
    int64_t n = 1;
    while (got < sizeof bytes && n > 0) {
        n = stream->read(stream, bytes + got, sizeof bytes - got);
        got += n > 0 ? static_cast<uint64_t>(n) : 0;
    }
    float gain = 0.0f;
    std::memcpy(&gain, bytes, sizeof gain);
    if (got != sizeof bytes || !(gain >= 0.0f && gain <= 1.0f)) {
        return false;
    }
    f.gain = gain;
    f.loaded = true;
    return true;
}

const clap::PluginAudioPorts kPorts = {PortCount, RUCK_FAULT == FAULT_HOLES ? nullptr : PortGet};
const clap::PluginState kState = {Save, Load};

const void* CLAP_CALL Extension(const clap::Plugin*, const char* id)
{
    if (std::strcmp(id, clap::kExtAudioPorts) == 0) {
        return &kPorts;
    }
    if (std::strcmp(id, clap::kExtState) == 0) {
        return &kState;
    }
    return nullptr;
}

uint32_t CLAP_CALL PluginCount(const clap::PluginFactory*)
{
    return 1;
}

const clap::PluginDescriptor* CLAP_CALL Descriptor(const clap::PluginFactory*, uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

const clap::Plugin* CLAP_CALL Create(const clap::PluginFactory*, const clap::Host*, const char* id)
{
    if (id == nullptr || std::strcmp(id, kDescriptor.id) != 0) {
        return nullptr;
    }
    auto* f = new Faulty;
    f->plugin = {&kDescriptor, f,       Init,    Destroy, Activate,  Nothing,
                 StartProcessing, Nothing, Nothing, Process, Extension, Nothing};
    return &f->plugin;
}

const clap::PluginFactory kFactory = {PluginCount, Descriptor, Create};

bool CLAP_CALL EntryInit(const char*)
{
    return true;
}

void CLAP_CALL EntryDeinit() {}

const void* CLAP_CALL Factory(const char* id)
{
    return std::strcmp(id, clap::kPluginFactoryId) == 0 ? &kFactory : nullptr;
}
}  // namespace

extern "C" TEST_EXPORT const clap::PluginEntry clap_entry = {clap::kVersion, EntryInit, EntryDeinit, Factory};
