// The CLAP 1.2 binary interface as Ruckstone and its host tools use it: plain C records of
// function pointers, ids and constants. Written for this project; layouts are checked below.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#define CLAP_CALL __cdecl
#else
#define CLAP_CALL
#endif

namespace clap {

using Id = uint32_t;
constexpr Id kInvalidId = UINT32_MAX;
constexpr size_t kNameSize = 256;
constexpr size_t kPathSize = 1024;

struct Version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};
// What this project was written against.
constexpr Version kVersion = {1, 2, 10};
inline bool VersionIsCompatible(const Version& v)
{
    return v.major >= 1;
}

struct Host;
struct Plugin;

struct PluginEntry {
    Version clap_version;
    bool(CLAP_CALL* init)(const char* plugin_path);
    void(CLAP_CALL* deinit)();
    const void*(CLAP_CALL* get_factory)(const char* factory_id);
};

struct PluginDescriptor {
    Version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;
};

constexpr const char* kPluginFactoryId = "clap.plugin-factory";
struct PluginFactory {
    uint32_t(CLAP_CALL* get_plugin_count)(const PluginFactory* factory);
    const PluginDescriptor*(CLAP_CALL* get_plugin_descriptor)(const PluginFactory* factory, uint32_t index);
    const Plugin*(CLAP_CALL* create_plugin)(const PluginFactory* factory, const Host* host, const char* plugin_id);
};

struct Host {
    Version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(CLAP_CALL* get_extension)(const Host* host, const char* extension_id);
    void(CLAP_CALL* request_restart)(const Host* host);
    void(CLAP_CALL* request_process)(const Host* host);
    void(CLAP_CALL* request_callback)(const Host* host);
};

// Events.
constexpr uint16_t kCoreEventSpace = 0;
enum EventType : uint16_t {
    kEventNoteOn = 0,
    kEventNoteOff = 1,
    kEventNoteChoke = 2,
    kEventParamValue = 5,
    kEventParamMod = 6,
    kEventParamGestureBegin = 7,
    kEventParamGestureEnd = 8,
    kEventTransport = 9,
};
constexpr uint32_t kEventIsLive = 1;

struct EventHeader {
    uint32_t size;
    uint32_t time;
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
};

struct EventParamValue {
    EventHeader header;
    Id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};

struct EventNote {
    EventHeader header;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double velocity;
};

struct EventParamGesture {
    EventHeader header;
    Id param_id;
};

enum TransportFlags : uint32_t {
    kTransportHasTempo = 1,
    kTransportHasBeatsTimeline = 2,
    kTransportHasSecondsTimeline = 4,
    kTransportHasTimeSignature = 8,
    kTransportIsPlaying = 16,
};
struct EventTransport {
    EventHeader header;
    uint32_t flags;
    int64_t song_pos_beats;
    int64_t song_pos_seconds;
    double tempo;
    double tempo_inc;
    int64_t loop_start_beats;
    int64_t loop_end_beats;
    int64_t loop_start_seconds;
    int64_t loop_end_seconds;
    int64_t bar_start;
    int32_t bar_number;
    uint16_t tsig_num;
    uint16_t tsig_denom;
};
// Fixed-point song positions: value * 2^31.
constexpr double kFixedPointFactor = 2147483648.0;

struct InputEvents {
    void* ctx;
    uint32_t(CLAP_CALL* size)(const InputEvents* list);
    const EventHeader*(CLAP_CALL* get)(const InputEvents* list, uint32_t index);
};

struct OutputEvents {
    void* ctx;
    bool(CLAP_CALL* try_push)(const OutputEvents* list, const EventHeader* event);
};

struct AudioBuffer {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

struct Process {
    int64_t steady_time;
    uint32_t frames_count;
    const EventTransport* transport;
    const AudioBuffer* audio_inputs;
    AudioBuffer* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const InputEvents* in_events;
    const OutputEvents* out_events;
};

enum ProcessStatus : int32_t {
    kProcessError = 0,
    kProcessContinue = 1,
    kProcessContinueIfNotQuiet = 2,
    kProcessTail = 3,
    kProcessSleep = 4,
};

struct Plugin {
    const PluginDescriptor* desc;
    void* plugin_data;
    bool(CLAP_CALL* init)(const Plugin* plugin);
    void(CLAP_CALL* destroy)(const Plugin* plugin);
    bool(CLAP_CALL* activate)(const Plugin* plugin, double sample_rate, uint32_t min_frames, uint32_t max_frames);
    void(CLAP_CALL* deactivate)(const Plugin* plugin);
    bool(CLAP_CALL* start_processing)(const Plugin* plugin);
    void(CLAP_CALL* stop_processing)(const Plugin* plugin);
    void(CLAP_CALL* reset)(const Plugin* plugin);
    int32_t(CLAP_CALL* process)(const Plugin* plugin, const Process* process);
    const void*(CLAP_CALL* get_extension)(const Plugin* plugin, const char* id);
    void(CLAP_CALL* on_main_thread)(const Plugin* plugin);
};

// audio-ports
constexpr const char* kExtAudioPorts = "clap.audio-ports";
enum AudioPortFlags : uint32_t {
    kPortIsMain = 1,
    kPortSupports64Bits = 2,
    kPortPrefers64Bits = 4,
    kPortRequiresCommonSampleSize = 8,
};
constexpr const char* kPortStereo = "stereo";
constexpr const char* kPortMono = "mono";
struct AudioPortInfo {
    Id id;
    char name[kNameSize];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;
    Id in_place_pair;
};
struct PluginAudioPorts {
    uint32_t(CLAP_CALL* count)(const Plugin* plugin, bool is_input);
    bool(CLAP_CALL* get)(const Plugin* plugin, uint32_t index, bool is_input, AudioPortInfo* info);
};

// audio-ports-config and its info companion
constexpr const char* kExtAudioPortsConfig = "clap.audio-ports-config";
constexpr const char* kExtAudioPortsConfigInfo = "clap.audio-ports-config-info/1";
constexpr const char* kExtAudioPortsConfigInfoCompat = "clap.audio-ports-config-info/draft-0";
struct AudioPortsConfig {
    Id id;
    char name[kNameSize];
    uint32_t input_port_count;
    uint32_t output_port_count;
    bool has_main_input;
    uint32_t main_input_channel_count;
    const char* main_input_port_type;
    bool has_main_output;
    uint32_t main_output_channel_count;
    const char* main_output_port_type;
};
struct PluginAudioPortsConfig {
    uint32_t(CLAP_CALL* count)(const Plugin* plugin);
    bool(CLAP_CALL* get)(const Plugin* plugin, uint32_t index, AudioPortsConfig* config);
    bool(CLAP_CALL* select)(const Plugin* plugin, Id config_id);
};
struct PluginAudioPortsConfigInfo {
    Id(CLAP_CALL* current_config)(const Plugin* plugin);
    bool(CLAP_CALL* get)(const Plugin* plugin, Id config_id, uint32_t port_index, bool is_input, AudioPortInfo* info);
};

// configurable-audio-ports: the host asks for a layout instead of picking one from a list
constexpr const char* kExtConfigurableAudioPorts = "clap.configurable-audio-ports/1";
constexpr const char* kExtConfigurableAudioPortsCompat = "clap.configurable-audio-ports.draft1";
struct AudioPortConfigurationRequest {
    bool is_input;
    uint32_t port_index;
    uint32_t channel_count;
    const char* port_type;
    const void* port_details;
};
struct PluginConfigurableAudioPorts {
    bool(CLAP_CALL* can_apply_configuration)(const Plugin* plugin, const AudioPortConfigurationRequest* requests,
                                             uint32_t request_count);
    bool(CLAP_CALL* apply_configuration)(const Plugin* plugin, const AudioPortConfigurationRequest* requests,
                                         uint32_t request_count);
};

// params
constexpr const char* kExtParams = "clap.params";
enum ParamFlags : uint32_t {
    kParamIsStepped = 1,
    kParamIsPeriodic = 2,
    kParamIsHidden = 4,
    kParamIsReadonly = 8,
    kParamIsBypass = 16,
    kParamIsAutomatable = 32,
    kParamIsModulatable = 1024,
    kParamRequiresProcess = 32768,
    kParamIsEnum = 65536,
};
struct ParamInfo {
    Id id;
    uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double min_value;
    double max_value;
    double default_value;
};
struct PluginParams {
    uint32_t(CLAP_CALL* count)(const Plugin* plugin);
    bool(CLAP_CALL* get_info)(const Plugin* plugin, uint32_t param_index, ParamInfo* info);
    bool(CLAP_CALL* get_value)(const Plugin* plugin, Id param_id, double* out_value);
    bool(CLAP_CALL* value_to_text)(const Plugin* plugin, Id param_id, double value, char* out_buffer,
                                   uint32_t out_buffer_capacity);
    bool(CLAP_CALL* text_to_value)(const Plugin* plugin, Id param_id, const char* text, double* out_value);
    void(CLAP_CALL* flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};
enum ParamRescanFlags : uint32_t {
    kParamRescanValues = 1,
    kParamRescanText = 2,
    kParamRescanInfo = 4,
    kParamRescanAll = 8,
};
struct HostParams {
    void(CLAP_CALL* rescan)(const Host* host, uint32_t flags);
    void(CLAP_CALL* clear)(const Host* host, Id param_id, uint32_t flags);
    void(CLAP_CALL* request_flush)(const Host* host);
};

// state
constexpr const char* kExtState = "clap.state";
struct InputStream {
    void* ctx;
    int64_t(CLAP_CALL* read)(const InputStream* stream, void* buffer, uint64_t size);
};
struct OutputStream {
    void* ctx;
    int64_t(CLAP_CALL* write)(const OutputStream* stream, const void* buffer, uint64_t size);
};
struct PluginState {
    bool(CLAP_CALL* save)(const Plugin* plugin, const OutputStream* stream);
    bool(CLAP_CALL* load)(const Plugin* plugin, const InputStream* stream);
};
struct HostState {
    void(CLAP_CALL* mark_dirty)(const Host* host);
};

// latency
constexpr const char* kExtLatency = "clap.latency";
struct PluginLatency {
    uint32_t(CLAP_CALL* get)(const Plugin* plugin);
};

// gui
constexpr const char* kExtGui = "clap.gui";
constexpr const char* kWindowApiWin32 = "win32";
constexpr const char* kWindowApiX11 = "x11";
struct Window {
    const char* api;
    union {
        void* cocoa;
        void* uikit;
        unsigned long x11;
        void* win32;
        void* ptr;
    };
};
struct GuiResizeHints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};
struct PluginGui {
    bool(CLAP_CALL* is_api_supported)(const Plugin* plugin, const char* api, bool is_floating);
    bool(CLAP_CALL* get_preferred_api)(const Plugin* plugin, const char** api, bool* is_floating);
    bool(CLAP_CALL* create)(const Plugin* plugin, const char* api, bool is_floating);
    void(CLAP_CALL* destroy)(const Plugin* plugin);
    bool(CLAP_CALL* set_scale)(const Plugin* plugin, double scale);
    bool(CLAP_CALL* get_size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    bool(CLAP_CALL* can_resize)(const Plugin* plugin);
    bool(CLAP_CALL* get_resize_hints)(const Plugin* plugin, GuiResizeHints* hints);
    bool(CLAP_CALL* adjust_size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    bool(CLAP_CALL* set_size)(const Plugin* plugin, uint32_t width, uint32_t height);
    bool(CLAP_CALL* set_parent)(const Plugin* plugin, const Window* window);
    bool(CLAP_CALL* set_transient)(const Plugin* plugin, const Window* window);
    void(CLAP_CALL* suggest_title)(const Plugin* plugin, const char* title);
    bool(CLAP_CALL* show)(const Plugin* plugin);
    bool(CLAP_CALL* hide)(const Plugin* plugin);
};

// timer-support and posix-fd-support
constexpr const char* kExtTimerSupport = "clap.timer-support";
struct PluginTimerSupport {
    void(CLAP_CALL* on_timer)(const Plugin* plugin, Id timer_id);
};
struct HostTimerSupport {
    bool(CLAP_CALL* register_timer)(const Host* host, uint32_t period_ms, Id* timer_id);
    bool(CLAP_CALL* unregister_timer)(const Host* host, Id timer_id);
};
constexpr const char* kExtPosixFdSupport = "clap.posix-fd-support";
enum PosixFdFlags : uint32_t {
    kFdRead = 1,
    kFdWrite = 2,
    kFdError = 4,
};
struct PluginPosixFdSupport {
    void(CLAP_CALL* on_fd)(const Plugin* plugin, int fd, uint32_t flags);
};
struct HostPosixFdSupport {
    bool(CLAP_CALL* register_fd)(const Host* host, int fd, uint32_t flags);
    bool(CLAP_CALL* modify_fd)(const Host* host, int fd, uint32_t flags);
    bool(CLAP_CALL* unregister_fd)(const Host* host, int fd);
};

// Factory presets: the discovery factory a host indexes them with, and preset-load.
constexpr const char* kPresetDiscoveryFactoryId = "clap.preset-discovery-factory/2";
constexpr const char* kPresetDiscoveryFactoryCompatId = "clap.preset-discovery-factory/draft-2";
constexpr const char* kExtPresetLoad = "clap.preset-load/2";
constexpr const char* kExtPresetLoadCompat = "clap.preset-load.draft/2";
enum PresetLocationKind : uint32_t {
    kPresetLocationFile = 0,
    kPresetLocationPlugin = 1,
};
constexpr uint32_t kPresetIsFactoryContent = 1;

struct PresetDiscoveryIndexer;
struct PresetDiscoveryProvider;
struct PresetDiscoveryMetadataReceiver;

struct PresetDiscoveryProviderDescriptor {
    Version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
};
struct PresetDiscoveryFactory {
    uint32_t(CLAP_CALL* count)(const PresetDiscoveryFactory* factory);
    const PresetDiscoveryProviderDescriptor*(CLAP_CALL* get_descriptor)(const PresetDiscoveryFactory* factory,
                                                                         uint32_t index);
    const PresetDiscoveryProvider*(CLAP_CALL* create)(const PresetDiscoveryFactory* factory,
                                                       const PresetDiscoveryIndexer* indexer, const char* provider_id);
};
struct PresetDiscoveryProvider {
    const PresetDiscoveryProviderDescriptor* desc;
    void* provider_data;
    bool(CLAP_CALL* init)(const PresetDiscoveryProvider* provider);
    void(CLAP_CALL* destroy)(const PresetDiscoveryProvider* provider);
    bool(CLAP_CALL* get_metadata)(const PresetDiscoveryProvider* provider, uint32_t location_kind,
                                  const char* location, const PresetDiscoveryMetadataReceiver* receiver);
    const void*(CLAP_CALL* get_extension)(const PresetDiscoveryProvider* provider, const char* id);
};
struct PresetDiscoveryLocation {
    uint32_t flags;
    const char* name;
    uint32_t kind;
    const char* location;
};
struct PresetDiscoveryIndexer {
    Version clap_version;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    void* indexer_data;
    bool(CLAP_CALL* declare_filetype)(const PresetDiscoveryIndexer* indexer, const void* filetype);
    bool(CLAP_CALL* declare_location)(const PresetDiscoveryIndexer* indexer, const PresetDiscoveryLocation* location);
    bool(CLAP_CALL* declare_soundpack)(const PresetDiscoveryIndexer* indexer, const void* soundpack);
    const void*(CLAP_CALL* get_extension)(const PresetDiscoveryIndexer* indexer, const char* id);
};
struct UniversalPluginId {
    const char* abi;
    const char* id;
};
struct PresetDiscoveryMetadataReceiver {
    void* receiver_data;
    void(CLAP_CALL* on_error)(const PresetDiscoveryMetadataReceiver* receiver, int32_t os_error, const char* message);
    bool(CLAP_CALL* begin_preset)(const PresetDiscoveryMetadataReceiver* receiver, const char* name,
                                  const char* load_key);
    void(CLAP_CALL* add_plugin_id)(const PresetDiscoveryMetadataReceiver* receiver, const UniversalPluginId* id);
    void(CLAP_CALL* set_soundpack_id)(const PresetDiscoveryMetadataReceiver* receiver, const char* id);
    void(CLAP_CALL* set_flags)(const PresetDiscoveryMetadataReceiver* receiver, uint32_t flags);
    void(CLAP_CALL* add_creator)(const PresetDiscoveryMetadataReceiver* receiver, const char* creator);
    void(CLAP_CALL* set_description)(const PresetDiscoveryMetadataReceiver* receiver, const char* description);
    void(CLAP_CALL* set_timestamps)(const PresetDiscoveryMetadataReceiver* receiver, uint64_t created,
                                    uint64_t modified);
    void(CLAP_CALL* add_feature)(const PresetDiscoveryMetadataReceiver* receiver, const char* feature);
    void(CLAP_CALL* add_extra_info)(const PresetDiscoveryMetadataReceiver* receiver, const char* key,
                                    const char* value);
};
struct PluginPresetLoad {
    bool(CLAP_CALL* from_location)(const Plugin* plugin, uint32_t location_kind, const char* location,
                                   const char* load_key);
};
struct HostPresetLoad {
    void(CLAP_CALL* on_error)(const Host* host, uint32_t location_kind, const char* location, const char* load_key,
                              int32_t os_error, const char* message);
    void(CLAP_CALL* loaded)(const Host* host, uint32_t location_kind, const char* location, const char* load_key);
};

// Layouts as the interface fixes them.
static_assert(sizeof(PluginEntry) == 40 && offsetof(PluginEntry, init) == 16, "clap_plugin_entry");
static_assert(sizeof(PluginDescriptor) == 88 && offsetof(PluginDescriptor, features) == 80, "descriptor");
static_assert(sizeof(Plugin) == 96 && offsetof(Plugin, on_main_thread) == 88, "clap_plugin");
static_assert(sizeof(Host) == 88 && offsetof(Host, request_callback) == 80, "clap_host");
static_assert(sizeof(Process) == 64 && offsetof(Process, out_events) == 56, "clap_process");
static_assert(sizeof(AudioBuffer) == 32, "clap_audio_buffer");
static_assert(sizeof(EventHeader) == 16, "clap_event_header");
static_assert(sizeof(EventParamValue) == 56 && offsetof(EventParamValue, value) == 48, "param value event");
static_assert(sizeof(EventParamGesture) == 20, "gesture event");
static_assert(sizeof(EventNote) == 40 && offsetof(EventNote, velocity) == 32, "note event");
static_assert(sizeof(AudioPortConfigurationRequest) == 32 && sizeof(PluginConfigurableAudioPorts) == 16,
              "configurable audio ports");
static_assert(sizeof(EventTransport) == 104 && offsetof(EventTransport, tsig_denom) == 102, "transport event");
static_assert(sizeof(AudioPortInfo) == 288 && offsetof(AudioPortInfo, port_type) == 272, "audio port info");
static_assert(sizeof(AudioPortsConfig) == 304 && offsetof(AudioPortsConfig, main_output_port_type) == 296,
              "audio ports config");
static_assert(sizeof(ParamInfo) == 1320 && offsetof(ParamInfo, default_value) == 1312, "param info");
static_assert(sizeof(PluginParams) == 48 && sizeof(PluginGui) == 120, "params and gui tables");
static_assert(sizeof(PresetDiscoveryProvider) == 48 && sizeof(PresetDiscoveryIndexer) == 88, "preset discovery");
static_assert(sizeof(PresetDiscoveryLocation) == 32 && sizeof(PresetDiscoveryMetadataReceiver) == 88, "preset records");
static_assert(sizeof(PresetDiscoveryProviderDescriptor) == 40, "provider descriptor");
static_assert(sizeof(Window) == 16 && sizeof(GuiResizeHints) == 12, "window records");

}  // namespace clap
