#include "plugin_instance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "clap/factory_presets.h"
#include "clap/param_text.h"
#include "clap/plugin_gui.h"
#include "clap/state_streams.h"
#include "plug/host_slices.h"
#include "vst/denormals.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// The main ports, in and out: stereo, or mono where the host selects that layout (the
// mono input feeds the left channel, the right one hears silence, as in VST2 and VST3).
constexpr clap::Id kMainPortId = 0;

struct PortLayout {
    clap::Id id;
    const char* name;
    uint32_t channels;
    const char* portType;
};
const PortLayout kLayouts[] = {{0, "Stereo", 2, clap::kPortStereo}, {1, "Mono", 1, clap::kPortMono}};

const PortLayout* LayoutWithId(clap::Id id)
{
    for (const PortLayout& layout : kLayouts) {
        if (layout.id == id) {
            return &layout;
        }
    }
    return nullptr;
}

struct Instance {
    clap::Plugin plugin;
    const clap::Host* host;
    IClapMaker make;
    std::unique_ptr<IClapPlugin> effect;
    std::unique_ptr<double[]> defaults;
    IDataChunk stateChunk;
    ClapGui gui;
    const PortLayout* layout = &kLayouts[0];
    bool active = false;
    bool processing = false;
};

Instance& Self(const clap::Plugin* plugin)
{
    return *static_cast<Instance*>(plugin->plugin_data);
}

IClapPlugin* EffectOf(const clap::Plugin* plugin)
{
    return plugin != nullptr ? Self(plugin).effect.get() : nullptr;
}

template <typename Table>
const Table* HostExtension(const clap::Host* host, const char* id)
{
    return host->get_extension != nullptr ? static_cast<const Table*>(host->get_extension(host, id)) : nullptr;
}

// Events of the core space only; a value event moves its parameter. Others (notes,
// modulation, transport) mean nothing to this effect.
void ApplyEvent(IClapPlugin& effect, const clap::EventHeader& event)
{
    if (event.space_id != clap::kCoreEventSpace || event.type != clap::kEventParamValue ||
        event.size < sizeof(clap::EventParamValue)) {
        return;
    }
    const auto& change = reinterpret_cast<const clap::EventParamValue&>(event);
    if (change.param_id < static_cast<clap::Id>(effect.ParameterCount())) {
        effect.SetPlainFromHost(static_cast<int>(change.param_id), change.value);
    }
}

uint32_t EventCount(const clap::InputEvents* events)
{
    return events != nullptr && events->size != nullptr && events->get != nullptr ? events->size(events) : 0;
}

void ApplyAllEvents(IClapPlugin& effect, const clap::InputEvents* events)
{
    const uint32_t count = EventCount(events);
    for (uint32_t i = 0; i < count; ++i) {
        if (const clap::EventHeader* event = events->get(events, i)) {
            ApplyEvent(effect, *event);
        }
    }
}

void RenderSlice(IClapPlugin& effect, uint32_t layoutChannels, const clap::Process& process, int offset, int frames)
{
    if (process.audio_inputs_count < 1 || process.audio_outputs_count < 1 || process.audio_inputs == nullptr ||
        process.audio_outputs == nullptr) {
        return;
    }
    const clap::AudioBuffer& in = process.audio_inputs[0];
    const clap::AudioBuffer& out = process.audio_outputs[0];
    const int channels = static_cast<int>(std::min({in.channel_count, out.channel_count, layoutChannels}));
    if (out.data64 != nullptr) {
        ProcessHostSlice(effect, in.data64, out.data64, channels, offset, frames);
    } else if (out.data32 != nullptr) {
        ProcessHostSlice(effect, in.data32, out.data32, channels, offset, frames);
    }
}

// Lifecycle.
bool CLAP_CALL Init(const clap::Plugin* plugin)
{
    Instance& self = Self(plugin);
    if (self.effect) {
        return true;
    }
    self.effect.reset(MakeReadyInstance(self.make, self.host));
    if (!self.effect) {
        return false;
    }
    const int count = self.effect->ParameterCount();
    self.defaults.reset(new (std::nothrow) double[static_cast<size_t>(count)]);
    if (!self.defaults) {
        self.effect.reset();
        return false;
    }
    for (int i = 0; i < count; ++i) {
        self.defaults[i] = self.effect->Parameter(i)->value;
    }
    self.gui.Bind(plugin, self.host, self.effect.get());
    return true;
}

void CLAP_CALL Destroy(const clap::Plugin* plugin)
{
    Instance* self = &Self(plugin);
    self->gui.Destroy();
    if (self->effect) {
        self->effect->CloseEditorBeforeDelete();
    }
    delete self;
}

bool CLAP_CALL Activate(const clap::Plugin* plugin, double rate, uint32_t, uint32_t maxFrames)
{
    Instance& self = Self(plugin);
    if (!self.effect || self.active || !(rate > 0.0) || !std::isfinite(rate) || maxFrames < 1 ||
        maxFrames > static_cast<uint32_t>(INT32_MAX)) {
        return false;
    }
    self.effect->ChangeSampleRate(rate);
    self.effect->ChangeBlockSize(static_cast<int>(maxFrames));
    self.effect->OnActivate(true);
    self.active = true;
    return true;
}

void CLAP_CALL Deactivate(const clap::Plugin* plugin)
{
    Instance& self = Self(plugin);
    if (!self.effect || !self.active) {
        return;
    }
    self.effect->OnActivate(false);
    self.effect->OnReset();
    self.active = false;
}

bool CLAP_CALL StartProcessing(const clap::Plugin* plugin)
{
    Instance& self = Self(plugin);
    self.processing = self.active;
    return self.active;
}

void CLAP_CALL StopProcessing(const clap::Plugin* plugin)
{
    Self(plugin).processing = false;
}

void CLAP_CALL Reset(const clap::Plugin* plugin)
{
    if (IClapPlugin* effect = EffectOf(plugin)) {
        effect->OnReset();
    }
}

// The block is cut at every change point; a change at frame 0 comes before any audio, and
// changes timed past the block apply at its end.
int32_t CLAP_CALL ProcessAudio(const clap::Plugin* plugin, const clap::Process* process)
{
    IClapPlugin* effect = EffectOf(plugin);
    const uint32_t layoutChannels = Self(plugin).layout->channels;
    if (effect == nullptr || process == nullptr) {
        return clap::kProcessError;
    }
    Guard guard(effect->Lock());
    ScopedFlushDenormals flush;
    effect->SetTransport(process->transport);
    const int frames = static_cast<int>(std::min<uint32_t>(process->frames_count, INT32_MAX));
    const uint32_t count = EventCount(process->in_events);
    uint32_t next = 0;
    for (int position = 0;;) {
        int upcoming = frames;
        for (; next < count; ++next) {
            const clap::EventHeader* event = process->in_events->get(process->in_events, next);
            if (event == nullptr) {
                continue;
            }
            if (position < frames && event->time > static_cast<uint32_t>(position)) {
                upcoming = static_cast<int>(std::min<uint32_t>(event->time, static_cast<uint32_t>(frames)));
                break;
            }
            ApplyEvent(*effect, *event);
        }
        if (position >= frames) {
            break;
        }
        RenderSlice(*effect, layoutChannels, *process, position, upcoming - position);
        position = upcoming;
    }
    for (uint32_t i = 0; i < process->audio_outputs_count && process->audio_outputs != nullptr; ++i) {
        process->audio_outputs[i].constant_mask = 0;
    }
    effect->SendQueuedEdits(process->out_events, 0);
    effect->SetTransport(nullptr);
    return clap::kProcessContinue;
}

void CLAP_CALL OnMainThread(const clap::Plugin* plugin)
{
    Instance& self = Self(plugin);
    if (!self.effect || !self.effect->TakeValuesChanged()) {
        return;
    }
    const auto* params = HostExtension<clap::HostParams>(self.host, clap::kExtParams);
    if (params != nullptr && params->rescan != nullptr) {
        params->rescan(self.host, clap::kParamRescanValues);
    }
}

// audio-ports
uint32_t CLAP_CALL PortCount(const clap::Plugin*, bool)
{
    return 1;
}

bool FillPortInfo(const PortLayout& layout, uint32_t index, bool isInput, clap::AudioPortInfo* info)
{
    if (index != 0 || info == nullptr) {
        return false;
    }
    *info = clap::AudioPortInfo{};
    info->id = kMainPortId;
    CopyTextField(info->name, sizeof info->name, isInput ? "Input" : "Output");
    info->flags = clap::kPortIsMain | clap::kPortSupports64Bits | clap::kPortRequiresCommonSampleSize;
    info->channel_count = layout.channels;
    info->port_type = layout.portType;
    info->in_place_pair = kMainPortId;
    return true;
}

bool CLAP_CALL PortInfo(const clap::Plugin* plugin, uint32_t index, bool isInput, clap::AudioPortInfo* info)
{
    return FillPortInfo(*Self(plugin).layout, index, isInput, info);
}

const clap::PluginAudioPorts kAudioPorts = {PortCount, PortInfo};

// audio-ports-config: stereo or mono, chosen while inactive.
uint32_t CLAP_CALL LayoutCount(const clap::Plugin*)
{
    return static_cast<uint32_t>(std::size(kLayouts));
}

bool CLAP_CALL LayoutAt(const clap::Plugin*, uint32_t index, clap::AudioPortsConfig* config)
{
    if (config == nullptr || index >= std::size(kLayouts)) {
        return false;
    }
    const PortLayout& layout = kLayouts[index];
    *config = clap::AudioPortsConfig{};
    config->id = layout.id;
    CopyTextField(config->name, sizeof config->name, layout.name);
    config->input_port_count = 1;
    config->output_port_count = 1;
    config->has_main_input = config->has_main_output = true;
    config->main_input_channel_count = config->main_output_channel_count = layout.channels;
    config->main_input_port_type = config->main_output_port_type = layout.portType;
    return true;
}

bool CLAP_CALL SelectLayout(const clap::Plugin* plugin, clap::Id id)
{
    Instance& self = Self(plugin);
    const PortLayout* layout = LayoutWithId(id);
    if (self.active || layout == nullptr || !self.effect) {
        return false;
    }
    self.layout = layout;
    const auto channels = static_cast<int>(layout->channels);
    IClapPlugin& effect = *self.effect;
    effect.SetInputConnections(0, channels, true);
    effect.SetInputConnections(channels, effect.InputPinCount() - channels, false);
    effect.SetOutputConnections(0, channels, true);
    effect.SetOutputConnections(channels, effect.OutputPinCount() - channels, false);
    return true;
}

const clap::PluginAudioPortsConfig kAudioPortsConfig = {LayoutCount, LayoutAt, SelectLayout};

clap::Id CLAP_CALL CurrentLayout(const clap::Plugin* plugin)
{
    return Self(plugin).layout->id;
}

bool CLAP_CALL LayoutPortInfo(const clap::Plugin*, clap::Id id, uint32_t index, bool isInput,
                              clap::AudioPortInfo* info)
{
    const PortLayout* layout = LayoutWithId(id);
    return layout != nullptr && FillPortInfo(*layout, index, isInput, info);
}

const clap::PluginAudioPortsConfigInfo kAudioPortsConfigInfo = {CurrentLayout, LayoutPortInfo};

// params
uint32_t CLAP_CALL ParamCount(const clap::Plugin* plugin)
{
    IClapPlugin* effect = EffectOf(plugin);
    return effect != nullptr ? static_cast<uint32_t>(effect->ParameterCount()) : 0;
}

bool CLAP_CALL ParamInfo(const clap::Plugin* plugin, uint32_t index, clap::ParamInfo* info)
{
    IClapPlugin* effect = EffectOf(plugin);
    if (effect == nullptr || info == nullptr || index >= ParamCount(plugin)) {
        return false;
    }
    const IParameter& parameter = *effect->Parameter(static_cast<int>(index));
    *info = clap::ParamInfo{};
    info->id = index;
    info->flags = clap::kParamIsAutomatable;
    if (IsIntegerLike(parameter.type)) {
        info->flags |= clap::kParamIsStepped;
    }
    if (parameter.type == kTypeEnum) {
        info->flags |= clap::kParamIsEnum;
    }
    CopyTextField(info->name, sizeof info->name, parameter.Name());
    info->min_value = parameter.min;
    info->max_value = parameter.max;
    info->default_value = Self(plugin).defaults[index];
    return true;
}

bool CLAP_CALL ParamValue(const clap::Plugin* plugin, clap::Id id, double* value)
{
    IClapPlugin* effect = EffectOf(plugin);
    if (effect == nullptr || value == nullptr || id >= ParamCount(plugin)) {
        return false;
    }
    Guard guard(effect->Lock());
    *value = effect->Parameter(static_cast<int>(id))->value;
    return true;
}

bool CLAP_CALL ValueToText(const clap::Plugin* plugin, clap::Id id, double value, char* out, uint32_t capacity)
{
    IClapPlugin* effect = EffectOf(plugin);
    if (effect == nullptr || out == nullptr || capacity == 0 || id >= ParamCount(plugin) || !std::isfinite(value)) {
        return false;
    }
    Guard guard(effect->Lock());
    return FormatParamText(*effect->Parameter(static_cast<int>(id)), value, out, capacity);
}

bool CLAP_CALL TextToValue(const clap::Plugin* plugin, clap::Id id, const char* text, double* value)
{
    IClapPlugin* effect = EffectOf(plugin);
    if (effect == nullptr || text == nullptr || value == nullptr || id >= ParamCount(plugin)) {
        return false;
    }
    Guard guard(effect->Lock());
    return ParseParamText(*effect->Parameter(static_cast<int>(id)), text, *value);
}

void CLAP_CALL Flush(const clap::Plugin* plugin, const clap::InputEvents* in, const clap::OutputEvents* out)
{
    IClapPlugin* effect = EffectOf(plugin);
    if (effect == nullptr) {
        return;
    }
    Guard guard(effect->Lock());
    ApplyAllEvents(*effect, in);
    effect->SendQueuedEdits(out, 0);
}

const clap::PluginParams kParams = {ParamCount, ParamInfo, ParamValue, ValueToText, TextToValue, Flush};

// state: the bytes of the VST2 program chunk.
bool CLAP_CALL SaveState(const clap::Plugin* plugin, const clap::OutputStream* stream)
{
    IClapPlugin* effect = EffectOf(plugin);
    IDataChunk chunk;
    return effect != nullptr && effect->SaveChunk(chunk, false) && WriteWhole(stream, chunk.Data(), chunk.Size());
}

bool CLAP_CALL LoadState(const clap::Plugin* plugin, const clap::InputStream* stream)
{
    IClapPlugin* effect = EffectOf(plugin);
    std::vector<uint8_t> bytes;
    if (effect == nullptr || !ReadWhole(stream, bytes)) {
        return false;
    }
    return effect->RestoreChunk(Self(plugin).stateChunk, bytes.data(), static_cast<int64_t>(bytes.size()), false);
}

const clap::PluginState kState = {SaveState, LoadState};

// latency
uint32_t CLAP_CALL LatencySamples(const clap::Plugin* plugin)
{
    IClapPlugin* effect = EffectOf(plugin);
    return effect != nullptr ? static_cast<uint32_t>(std::max(effect->Latency(), 0)) : 0;
}

const clap::PluginLatency kLatency = {LatencySamples};

// preset-load: the factory programs discovery published.
bool CLAP_CALL LoadPreset(const clap::Plugin* plugin, uint32_t kind, const char* location, const char* key)
{
    Instance& self = Self(plugin);
    const auto* presetHost = HostExtension<clap::HostPresetLoad>(self.host, clap::kExtPresetLoad);
    if (presetHost == nullptr) {
        presetHost = HostExtension<clap::HostPresetLoad>(self.host, clap::kExtPresetLoadCompat);
    }
    const int program = ProgramOfLoadKey(key);
    const IProgramSlot* slot = self.effect && program >= 0 ? self.effect->Program(program) : nullptr;
    if (kind != clap::kPresetLocationPlugin || location != nullptr || slot == nullptr || !slot->filled ||
        !self.effect->ApplyProgram(program)) {
        if (presetHost != nullptr && presetHost->on_error != nullptr) {
            presetHost->on_error(self.host, kind, location, key, 0, "unknown preset");
        }
        return false;
    }
    if (const auto* params = HostExtension<clap::HostParams>(self.host, clap::kExtParams);
        params != nullptr && params->rescan != nullptr) {
        params->rescan(self.host, clap::kParamRescanValues);
    }
    if (presetHost != nullptr && presetHost->loaded != nullptr) {
        presetHost->loaded(self.host, kind, location, key);
    }
    return true;
}

const clap::PluginPresetLoad kPresetLoad = {LoadPreset};

const void* CLAP_CALL Extension(const clap::Plugin* plugin, const char* id)
{
    if (plugin == nullptr || id == nullptr) {
        return nullptr;
    }
    const struct {
        const char* id;
        const void* table;
    } tables[] = {
        {clap::kExtAudioPorts, &kAudioPorts},
        {clap::kExtAudioPortsConfig, &kAudioPortsConfig},
        {clap::kExtAudioPortsConfigInfo, &kAudioPortsConfigInfo},
        {clap::kExtAudioPortsConfigInfoCompat, &kAudioPortsConfigInfo},
        {clap::kExtParams, &kParams},
        {clap::kExtState, &kState},
        {clap::kExtLatency, &kLatency},
        {clap::kExtPresetLoad, &kPresetLoad},
        {clap::kExtPresetLoadCompat, &kPresetLoad},
    };
    for (const auto& entry : tables) {
        if (std::strcmp(id, entry.id) == 0) {
            return entry.table;
        }
    }
    return Self(plugin).gui.Extension(id);
}
}  // namespace

ClapGui& ClapGuiOf(const clap::Plugin* plugin)
{
    return Self(plugin).gui;
}

const clap::Plugin* CreateClapPlugin(const IClapClass& pluginClass, const clap::Host* host)
{
    Instance* self = new (std::nothrow) Instance{};
    if (self == nullptr) {
        return nullptr;
    }
    self->host = host;
    self->make = pluginClass.make;
    self->plugin = clap::Plugin{pluginClass.descriptor,
                                self,
                                Init,
                                Destroy,
                                Activate,
                                Deactivate,
                                StartProcessing,
                                StopProcessing,
                                Reset,
                                ProcessAudio,
                                Extension,
                                OnMainThread};
    return &self->plugin;
}
