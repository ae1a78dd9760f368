// The host's side of CLAP for ruckhost and the binary tests: a .clap file loaded and entered
// as hosts do it, the event lists and byte streams a host lends a plug-in, and one
// plug-in instance created, initialised and driven through its extensions.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "clap/clap_abi.h"
#include "plugin_module.h"

// Events for one process or flush call, kept in time order as added (the caller adds in order).
class HostInputEvents {
public:
    HostInputEvents();
    void AddValue(uint32_t time, clap::Id param, double value, uint16_t space = clap::kCoreEventSpace,
                  void* cookie = nullptr);
    void AddModulation(uint32_t time, clap::Id param, double amount, void* cookie = nullptr);
    void AddGesture(uint32_t time, clap::Id param, bool begin);
    // A note event (on, off or choke); -1 fields are wildcards.
    void AddNote(uint32_t time, uint16_t type, int32_t noteId, int16_t channel, int16_t key, double velocity);
    void AddTransport(uint32_t time, const clap::EventTransport& transport);
    void Clear() { events.clear(); }
    const clap::InputEvents* List() const { return &list; }
    size_t Count() const { return events.size(); }

private:
    static uint32_t CLAP_CALL Size(const clap::InputEvents* list);
    static const clap::EventHeader* CLAP_CALL Get(const clap::InputEvents* list, uint32_t index);
    std::vector<std::vector<uint8_t>> events;
    clap::InputEvents list;
};

// What a plug-in pushed, copied.
class HostOutputEvents {
public:
    HostOutputEvents();
    const clap::OutputEvents* List() const { return &list; }
    // The headers of the pushed events, oldest first.
    std::vector<const clap::EventHeader*> Events() const;
    void Clear() { events.clear(); }

private:
    static bool CLAP_CALL TryPush(const clap::OutputEvents* list, const clap::EventHeader* event);
    std::vector<std::vector<uint8_t>> events;
    clap::OutputEvents list;
};

// A byte stream that gives or takes at most `piece` bytes a call (0 = all at once).
class HostStreams {
public:
    explicit HostStreams(size_t piece = 0);
    const clap::InputStream* Input(const std::vector<uint8_t>& bytes);
    const clap::OutputStream* Output();
    std::vector<uint8_t> written;

private:
    static int64_t CLAP_CALL Read(const clap::InputStream* stream, void* buffer, uint64_t size);
    static int64_t CLAP_CALL Write(const clap::OutputStream* stream, const void* buffer, uint64_t size);
    size_t piece;
    const std::vector<uint8_t>* source = nullptr;
    size_t position = 0;
    clap::InputStream input;
    clap::OutputStream output;
};

// A .clap file loaded, its entry initialised, and its plug-in factory.
class ClapFile {
public:
    explicit ClapFile(const std::string& path);
    ~ClapFile();
    ClapFile(const ClapFile&) = delete;
    ClapFile& operator=(const ClapFile&) = delete;

    bool Loaded() const { return factory != nullptr; }
    const std::string& Path() const { return path; }
    const std::string& Error() const { return error; }
    const clap::PluginEntry* Entry() const { return entry; }
    const clap::PluginFactory* Factory() const { return factory; }
    // The first plug-in's descriptor, or null.
    const clap::PluginDescriptor* FirstDescriptor() const;

private:
    std::string path;
    std::unique_ptr<PluginModule> module;
    const clap::PluginEntry* entry = nullptr;
    const clap::PluginFactory* factory = nullptr;
    bool initialised = false;
    std::string error;
};

// One preset a discovery provider published, at a location it declared.
struct ClapPreset {
    std::string name;
    std::string key;
    uint32_t kind = 0;
    std::string location;  // empty for presets inside the plug-in
    std::vector<std::string> pluginIds;
};

// A random value in the parameter's range, a whole one when the parameter is stepped.
double RandomValue(const clap::ParamInfo& info, std::mt19937_64& rng);
// "parameter ID 'NAME'", for messages.
std::string DescribeParam(const clap::ParamInfo& info);

// The file's preset discovery factory, or null when it has none (or an incomplete one).
const clap::PresetDiscoveryFactory* DiscoveryFactory(const ClapFile& file);

// Providers whose own descriptor differs from the one their factory lists, one line each.
std::vector<std::string> ProviderDescriptorMismatches(const ClapFile& file);

// Every preset the file's discovery providers publish; errors they report go to `errors`.
std::vector<ClapPreset> DiscoverPresets(const ClapFile& file, std::vector<std::string>& errors);

// One plug-in instance as a host runs it; the host's answers are recorded for checks.
class ClapInstance {
public:
    // The plug-in with the id, or the file's first when id is empty.
    explicit ClapInstance(const ClapFile& file, const std::string& id = "");
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    bool Ok() const { return error.empty(); }
    const std::string& Error() const { return error; }

    // Activated and processing; Stop undoes both.
    bool Start(double rate, uint32_t maxBlock);
    void Stop();
    // The same in steps, for hosts that call them on their own threads: activation on the
    // main thread, processing starts and stops on the audio thread.
    bool Activate(double rate, uint32_t minBlock, uint32_t maxBlock);
    void Deactivate();
    bool StartProcessing();
    void StopProcessing();
    bool Active() const { return active; }
    bool Processing() const { return processing; }
    int32_t Process64(double** inputs, double** outputs, uint32_t channels, uint32_t frames,
                      const HostInputEvents* in = nullptr, HostOutputEvents* out = nullptr);
    int32_t Process32(float** inputs, float** outputs, uint32_t channels, uint32_t frames,
                      const HostInputEvents* in = nullptr, HostOutputEvents* out = nullptr);
    // One block through any number of ports, with the host's transport or none.
    int32_t ProcessBuffers(const clap::AudioBuffer* inputs, uint32_t inputCount, clap::AudioBuffer* outputs,
                           uint32_t outputCount, uint32_t frames, const HostInputEvents* in = nullptr,
                           HostOutputEvents* out = nullptr, const clap::EventTransport* transport = nullptr);
    // Does nothing when the plug-in has no parameters.
    void Flush(const HostInputEvents* in, HostOutputEvents* out);

    // The state in one piece, or empty when save failed; loading takes `piece` bytes a read.
    std::vector<uint8_t> State(size_t piece = 0);
    bool LoadState(const std::vector<uint8_t>& bytes, size_t piece = 0);

    // Through preset-load; false when the plug-in has no such extension or refuses.
    bool LoadPreset(const ClapPreset& preset);

    uint32_t ParamCount() const;
    clap::ParamInfo ParamAt(uint32_t index) const;
    // Every parameter's information; an index get_info refuses is named in `error`.
    std::vector<clap::ParamInfo> ParamInfos(std::string* error = nullptr) const;
    // The first value outside its range or unreadable, described; empty when all are in range.
    std::string ValueOutOfRange(const std::vector<clap::ParamInfo>& infos) const;
    double Value(clap::Id id) const;
    std::string ValueText(clap::Id id, double value) const;
    bool TextValue(clap::Id id, const std::string& text, double& value) const;

    const clap::Plugin* plugin = nullptr;
    const clap::PluginParams* params = nullptr;
    const clap::PluginState* state = nullptr;
    const clap::PluginAudioPorts* ports = nullptr;
    const clap::PluginGui* gui = nullptr;
    const clap::PluginTimerSupport* timerSupport = nullptr;
    const clap::PluginPosixFdSupport* fdSupport = nullptr;
    const clap::PluginPresetLoad* presetLoad = nullptr;
    // Extensions offered with a function left out: treated as not offered, named here.
    std::vector<std::string> incompleteExtensions;

    // What the plug-in asked of the host.
    int flushRequests = 0;
    int callbackRequests = 0;
    std::vector<uint32_t> rescans;
    std::vector<clap::Id> timers;
    std::vector<int> descriptors;
    std::vector<std::string> presetErrors;
    std::vector<std::string> presetsLoaded;

private:
    template <typename Sample>
    int32_t Process(Sample** inputs, Sample** outputs, uint32_t channels, uint32_t frames,
                    const HostInputEvents* in, HostOutputEvents* out);
    void FindExtensions();
    static ClapInstance& Of(const clap::Host* host);
    static const void* CLAP_CALL HostExtension(const clap::Host* host, const char* id);
    static void CLAP_CALL RequestRestart(const clap::Host* host);
    static void CLAP_CALL RequestProcess(const clap::Host* host);
    static void CLAP_CALL RequestCallback(const clap::Host* host);
    static void CLAP_CALL Rescan(const clap::Host* host, uint32_t flags);
    static void CLAP_CALL Clear(const clap::Host* host, clap::Id param, uint32_t flags);
    static void CLAP_CALL RequestFlush(const clap::Host* host);
    static bool CLAP_CALL RegisterTimer(const clap::Host* host, uint32_t period, clap::Id* id);
    static bool CLAP_CALL UnregisterTimer(const clap::Host* host, clap::Id id);
    static bool CLAP_CALL RegisterFd(const clap::Host* host, int fd, uint32_t flags);
    static bool CLAP_CALL ModifyFd(const clap::Host* host, int fd, uint32_t flags);
    static bool CLAP_CALL UnregisterFd(const clap::Host* host, int fd);
    static void CLAP_CALL PresetError(const clap::Host* host, uint32_t kind, const char* location, const char* key,
                                      int32_t osError, const char* message);
    static void CLAP_CALL PresetLoaded(const clap::Host* host, uint32_t kind, const char* location, const char* key);

    clap::Host host;
    bool active = false;
    bool processing = false;
    int64_t steadyTime = 0;
    uint32_t nextTimer = 1;
    std::string error;
};
