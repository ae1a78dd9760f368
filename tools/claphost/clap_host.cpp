#include "clap_host.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <type_traits>

namespace {
template <typename Record>
std::vector<uint8_t> BytesOf(const Record& record)
{
    std::vector<uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

// A table of functions the plug-in handed over, or null when it left any function out.
template <typename Table>
const Table* Complete(const void* table)
{
    static_assert(sizeof(Table) % sizeof(uintptr_t) == 0, "a table of pointers");
    if (table == nullptr) {
        return nullptr;
    }
    uintptr_t slots[sizeof(Table) / sizeof(uintptr_t)];
    std::memcpy(slots, table, sizeof slots);
    return std::find(std::begin(slots), std::end(slots), uintptr_t{0}) == std::end(slots)
               ? static_cast<const Table*>(table)
               : nullptr;
}

// The plug-in's own functions, every one of which a host calls.
bool HasEveryFunction(const clap::Plugin& p)
{
    return p.init != nullptr && p.destroy != nullptr && p.activate != nullptr && p.deactivate != nullptr &&
           p.start_processing != nullptr && p.stop_processing != nullptr && p.reset != nullptr &&
           p.process != nullptr && p.get_extension != nullptr && p.on_main_thread != nullptr;
}

template <typename Sample>
clap::AudioBuffer BufferOf(Sample** channels, uint32_t count);

template <>
clap::AudioBuffer BufferOf(float** channels, uint32_t count)
{
    return clap::AudioBuffer{channels, nullptr, count, 0, 0};
}

template <>
clap::AudioBuffer BufferOf(double** channels, uint32_t count)
{
    return clap::AudioBuffer{nullptr, channels, count, 0, 0};
}
}  // namespace

HostInputEvents::HostInputEvents() : list{this, Size, Get} {}

void HostInputEvents::AddValue(uint32_t time, clap::Id param, double value, uint16_t space, void* cookie)
{
    clap::EventParamValue event = {};
    event.header = {sizeof event, time, space, clap::kEventParamValue, 0};
    event.param_id = param;
    event.cookie = cookie;
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = value;
    events.push_back(BytesOf(event));
}

void HostInputEvents::AddModulation(uint32_t time, clap::Id param, double amount, void* cookie)
{
    AddValue(time, param, amount, clap::kCoreEventSpace, cookie);
    reinterpret_cast<clap::EventHeader*>(events.back().data())->type = clap::kEventParamMod;
}

void HostInputEvents::AddNote(uint32_t time, uint16_t type, int32_t noteId, int16_t channel, int16_t key,
                              double velocity)
{
    clap::EventNote event = {};
    event.header = {sizeof event, time, clap::kCoreEventSpace, type, 0};
    event.note_id = noteId;
    event.port_index = 0;
    event.channel = channel;
    event.key = key;
    event.velocity = velocity;
    events.push_back(BytesOf(event));
}

void HostInputEvents::AddTransport(uint32_t time, const clap::EventTransport& transport)
{
    clap::EventTransport event = transport;
    event.header = {sizeof event, time, clap::kCoreEventSpace, clap::kEventTransport, 0};
    events.push_back(BytesOf(event));
}

void HostInputEvents::AddGesture(uint32_t time, clap::Id param, bool begin)
{
    clap::EventParamGesture event = {};
    event.header = {sizeof event, time, clap::kCoreEventSpace,
                    static_cast<uint16_t>(begin ? clap::kEventParamGestureBegin : clap::kEventParamGestureEnd), 0};
    event.param_id = param;
    events.push_back(BytesOf(event));
}

uint32_t CLAP_CALL HostInputEvents::Size(const clap::InputEvents* list)
{
    return static_cast<uint32_t>(static_cast<const HostInputEvents*>(list->ctx)->events.size());
}

const clap::EventHeader* CLAP_CALL HostInputEvents::Get(const clap::InputEvents* list, uint32_t index)
{
    const auto& events = static_cast<const HostInputEvents*>(list->ctx)->events;
    return index < events.size() ? reinterpret_cast<const clap::EventHeader*>(events[index].data()) : nullptr;
}

HostOutputEvents::HostOutputEvents() : list{this, TryPush} {}

bool CLAP_CALL HostOutputEvents::TryPush(const clap::OutputEvents* list, const clap::EventHeader* event)
{
    if (event == nullptr || event->size < sizeof(clap::EventHeader)) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(event);
    static_cast<HostOutputEvents*>(list->ctx)->events.emplace_back(bytes, bytes + event->size);
    return true;
}

std::vector<const clap::EventHeader*> HostOutputEvents::Events() const
{
    std::vector<const clap::EventHeader*> headers;
    for (const auto& event : events) {
        headers.push_back(reinterpret_cast<const clap::EventHeader*>(event.data()));
    }
    return headers;
}

HostStreams::HostStreams(size_t readPiece) : piece(readPiece), input{this, Read}, output{this, Write} {}

const clap::InputStream* HostStreams::Input(const std::vector<uint8_t>& bytes)
{
    source = &bytes;
    position = 0;
    return &input;
}

const clap::OutputStream* HostStreams::Output()
{
    written.clear();
    return &output;
}

int64_t CLAP_CALL HostStreams::Read(const clap::InputStream* stream, void* buffer, uint64_t size)
{
    auto& self = *static_cast<HostStreams*>(stream->ctx);
    uint64_t count = std::min<uint64_t>(size, self.source->size() - self.position);
    if (self.piece > 0) {
        count = std::min<uint64_t>(count, self.piece);
    }
    if (count > 0) {
        std::memcpy(buffer, self.source->data() + self.position, static_cast<size_t>(count));
    }
    self.position += static_cast<size_t>(count);
    return static_cast<int64_t>(count);
}

int64_t CLAP_CALL HostStreams::Write(const clap::OutputStream* stream, const void* buffer, uint64_t size)
{
    auto& self = *static_cast<HostStreams*>(stream->ctx);
    const uint64_t count = self.piece > 0 ? std::min<uint64_t>(size, self.piece) : size;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    self.written.insert(self.written.end(), bytes, bytes + count);
    return static_cast<int64_t>(count);
}

ClapFile::ClapFile(const std::string& file) : path(file)
{
    module = std::make_unique<PluginModule>(path);
    if (!module->Loaded()) {
        error = module->Error();
        return;
    }
    entry = static_cast<const clap::PluginEntry*>(module->Symbol("clap_entry"));
    if (entry == nullptr || !clap::VersionIsCompatible(entry->clap_version)) {
        error = path + ": no clap_entry of a released CLAP version";
        return;
    }
    if (entry->init == nullptr || entry->deinit == nullptr || entry->get_factory == nullptr) {
        error = path + ": clap_entry leaves a function out";
        return;
    }
    initialised = entry->init(path.c_str());
    if (!initialised) {
        error = path + ": the module's init refused to start";
        return;
    }
    factory = Complete<clap::PluginFactory>(entry->get_factory(clap::kPluginFactoryId));
    if (factory == nullptr || factory->get_plugin_count(factory) == 0) {
        error = path + ": no plug-in factory, or an empty or incomplete one";
        factory = nullptr;
    }
}

ClapFile::~ClapFile()
{
    if (initialised) {
        entry->deinit();
    }
}

const clap::PluginDescriptor* ClapFile::FirstDescriptor() const
{
    return factory != nullptr ? factory->get_plugin_descriptor(factory, 0) : nullptr;
}

ClapInstance::ClapInstance(const ClapFile& file, const std::string& id)
    : host{clap::kVersion, this,           "ruckhost",      "Tolvi",         "", "1.0",
           HostExtension,  RequestRestart, RequestProcess, RequestCallback}
{
    const clap::PluginDescriptor* first = file.FirstDescriptor();
    if (!file.Loaded() || first == nullptr) {
        error = file.Loaded() ? "no plug-in in the file" : file.Error();
        return;
    }
    plugin = file.Factory()->create_plugin(file.Factory(), &host, id.empty() ? first->id : id.c_str());
    if (plugin == nullptr) {
        error = "the factory made no plug-in for " + (id.empty() ? std::string(first->id) : id);
        return;
    }
    if (!HasEveryFunction(*plugin)) {
        error = "the plug-in leaves one of its own functions out";
        // Without a destroy there is no way to free it; with one, it is freed as usual.
        plugin = plugin->destroy != nullptr ? plugin : nullptr;
        return;
    }
    if (!plugin->init(plugin)) {
        error = "the plug-in's init failed";
        return;
    }
    FindExtensions();
}

void ClapInstance::FindExtensions()
{
    const auto find = [this](auto*& table, const char* id, const char* compat) {
        using Table = std::remove_const_t<std::remove_pointer_t<std::remove_reference_t<decltype(table)>>>;
        const void* given = plugin->get_extension(plugin, id);
        if (given == nullptr && compat != nullptr) {
            given = plugin->get_extension(plugin, compat);
        }
        table = Complete<Table>(given);
        if (given != nullptr && table == nullptr) {
            incompleteExtensions.emplace_back(id);
        }
    };
    find(params, clap::kExtParams, nullptr);
    find(state, clap::kExtState, nullptr);
    find(ports, clap::kExtAudioPorts, nullptr);
    find(gui, clap::kExtGui, nullptr);
    find(timerSupport, clap::kExtTimerSupport, nullptr);
    find(fdSupport, clap::kExtPosixFdSupport, nullptr);
    find(presetLoad, clap::kExtPresetLoad, clap::kExtPresetLoadCompat);
}

ClapInstance::~ClapInstance()
{
    if (plugin != nullptr) {
        Stop();
        plugin->destroy(plugin);
    }
}

bool ClapInstance::Start(double rate, uint32_t maxBlock)
{
    Stop();
    return Activate(rate, 1, maxBlock) && StartProcessing();
}

void ClapInstance::Stop()
{
    StopProcessing();
    Deactivate();
}

bool ClapInstance::Activate(double rate, uint32_t minBlock, uint32_t maxBlock)
{
    active = active || plugin->activate(plugin, rate, minBlock, maxBlock);
    return active;
}

void ClapInstance::Deactivate()
{
    if (active) {
        plugin->deactivate(plugin);
        active = false;
    }
}

bool ClapInstance::StartProcessing()
{
    processing = processing || (active && plugin->start_processing(plugin));
    return processing;
}

void ClapInstance::StopProcessing()
{
    if (processing) {
        plugin->stop_processing(plugin);
        processing = false;
    }
}

template <typename Sample>
int32_t ClapInstance::Process(Sample** inputs, Sample** outputs, uint32_t channels, uint32_t frames,
                              const HostInputEvents* in, HostOutputEvents* out)
{
    const clap::AudioBuffer input = BufferOf(inputs, channels);
    clap::AudioBuffer output = BufferOf(outputs, channels);
    return ProcessBuffers(&input, 1, &output, 1, frames, in, out);
}

int32_t ClapInstance::ProcessBuffers(const clap::AudioBuffer* inputs, uint32_t inputCount, clap::AudioBuffer* outputs,
                                     uint32_t outputCount, uint32_t frames, const HostInputEvents* in,
                                     HostOutputEvents* out, const clap::EventTransport* transport)
{
    static const HostInputEvents kNoEvents;
    HostOutputEvents dropped;
    const clap::Process process = {steadyTime,  frames,      transport,
                                   inputs,      outputs,     inputCount,
                                   outputCount, (in != nullptr ? in : &kNoEvents)->List(),
                                   (out != nullptr ? out : &dropped)->List()};
    steadyTime += frames;
    return plugin->process(plugin, &process);
}

int32_t ClapInstance::Process64(double** inputs, double** outputs, uint32_t channels, uint32_t frames,
                                const HostInputEvents* in, HostOutputEvents* out)
{
    return Process(inputs, outputs, channels, frames, in, out);
}

int32_t ClapInstance::Process32(float** inputs, float** outputs, uint32_t channels, uint32_t frames,
                                const HostInputEvents* in, HostOutputEvents* out)
{
    return Process(inputs, outputs, channels, frames, in, out);
}

void ClapInstance::Flush(const HostInputEvents* in, HostOutputEvents* out)
{
    static const HostInputEvents kNoEvents;
    HostOutputEvents dropped;
    if (params == nullptr) {
        return;
    }
    params->flush(plugin, (in != nullptr ? in : &kNoEvents)->List(), (out != nullptr ? out : &dropped)->List());
}

std::vector<uint8_t> ClapInstance::State(size_t piece)
{
    HostStreams streams(piece);
    if (state == nullptr || !state->save(plugin, streams.Output())) {
        return {};
    }
    return streams.written;
}

bool ClapInstance::LoadState(const std::vector<uint8_t>& bytes, size_t piece)
{
    HostStreams streams(piece);
    return state != nullptr && state->load(plugin, streams.Input(bytes));
}

bool ClapInstance::LoadPreset(const ClapPreset& preset)
{
    return presetLoad != nullptr &&
           presetLoad->from_location(plugin, preset.kind, preset.location.empty() ? nullptr : preset.location.c_str(),
                                     preset.key.c_str());
}

uint32_t ClapInstance::ParamCount() const
{
    return params != nullptr ? params->count(plugin) : 0;
}

clap::ParamInfo ClapInstance::ParamAt(uint32_t index) const
{
    clap::ParamInfo info = {};
    if (params == nullptr || !params->get_info(plugin, index, &info)) {
        info.id = clap::kInvalidId;
    }
    return info;
}

std::vector<clap::ParamInfo> ClapInstance::ParamInfos(std::string* error) const
{
    std::vector<clap::ParamInfo> infos;
    for (uint32_t i = 0; i < ParamCount(); ++i) {
        infos.push_back(ParamAt(i));
        if (infos.back().id == clap::kInvalidId && error != nullptr) {
            *error = "params.get_info refuses index " + std::to_string(i);
        }
    }
    return infos;
}

std::string ClapInstance::ValueOutOfRange(const std::vector<clap::ParamInfo>& infos) const
{
    for (const clap::ParamInfo& info : infos) {
        double value = 0.0;
        if (params == nullptr || !params->get_value(plugin, info.id, &value) || !(value >= info.min_value) ||
            !(value <= info.max_value)) {
            return DescribeParam(info) + " reads " + std::to_string(value) + ", outside " +
                   std::to_string(info.min_value) + ".." + std::to_string(info.max_value);
        }
    }
    return "";
}

double RandomValue(const clap::ParamInfo& info, std::mt19937_64& rng)
{
    const double value = std::uniform_real_distribution<double>(info.min_value, info.max_value)(rng);
    return (info.flags & clap::kParamIsStepped) ? std::clamp(std::round(value), info.min_value, info.max_value)
                                                 : value;
}

std::string DescribeParam(const clap::ParamInfo& info)
{
    return "parameter " + std::to_string(info.id) + " '" + std::string(info.name, strnlen(info.name, sizeof info.name)) +
           "'";
}

double ClapInstance::Value(clap::Id id) const
{
    double value = 0.0;
    return params != nullptr && params->get_value(plugin, id, &value) ? value : 0.0;
}

std::string ClapInstance::ValueText(clap::Id id, double value) const
{
    char text[clap::kNameSize] = {};
    return params != nullptr && params->value_to_text(plugin, id, value, text, sizeof text) ? text : "";
}

bool ClapInstance::TextValue(clap::Id id, const std::string& text, double& value) const
{
    return params != nullptr && params->text_to_value(plugin, id, text.c_str(), &value);
}

ClapInstance& ClapInstance::Of(const clap::Host* host)
{
    return *static_cast<ClapInstance*>(host->host_data);
}

const void* CLAP_CALL ClapInstance::HostExtension(const clap::Host*, const char* id)
{
    static const clap::HostParams params = {Rescan, Clear, RequestFlush};
    static const clap::HostTimerSupport timers = {RegisterTimer, UnregisterTimer};
    static const clap::HostPresetLoad presets = {PresetError, PresetLoaded};
    static const clap::HostPosixFdSupport descriptors = {RegisterFd, ModifyFd, UnregisterFd};
    if (id != nullptr && std::strcmp(id, clap::kExtPosixFdSupport) == 0) {
        return &descriptors;
    }
    if (id != nullptr && std::strcmp(id, clap::kExtPresetLoad) == 0) {
        return &presets;
    }
    if (id != nullptr && std::strcmp(id, clap::kExtParams) == 0) {
        return &params;
    }
    if (id != nullptr && std::strcmp(id, clap::kExtTimerSupport) == 0) {
        return &timers;
    }
    return nullptr;
}

void CLAP_CALL ClapInstance::RequestRestart(const clap::Host*) {}

void CLAP_CALL ClapInstance::RequestProcess(const clap::Host*) {}

void CLAP_CALL ClapInstance::RequestCallback(const clap::Host* host)
{
    ++Of(host).callbackRequests;
}

void CLAP_CALL ClapInstance::Rescan(const clap::Host* host, uint32_t flags)
{
    Of(host).rescans.push_back(flags);
}

void CLAP_CALL ClapInstance::Clear(const clap::Host*, clap::Id, uint32_t) {}

void CLAP_CALL ClapInstance::RequestFlush(const clap::Host* host)
{
    ++Of(host).flushRequests;
}

bool CLAP_CALL ClapInstance::RegisterTimer(const clap::Host* host, uint32_t, clap::Id* id)
{
    ClapInstance& self = Of(host);
    if (id == nullptr) {
        return false;
    }
    *id = self.nextTimer++;
    self.timers.push_back(*id);
    return true;
}

bool CLAP_CALL ClapInstance::UnregisterTimer(const clap::Host* host, clap::Id id)
{
    auto& timers = Of(host).timers;
    const auto found = std::find(timers.begin(), timers.end(), id);
    if (found == timers.end()) {
        return false;
    }
    timers.erase(found);
    return true;
}

bool CLAP_CALL ClapInstance::RegisterFd(const clap::Host* host, int fd, uint32_t)
{
    Of(host).descriptors.push_back(fd);
    return true;
}

bool CLAP_CALL ClapInstance::ModifyFd(const clap::Host* host, int fd, uint32_t)
{
    const auto& descriptors = Of(host).descriptors;
    return std::find(descriptors.begin(), descriptors.end(), fd) != descriptors.end();
}

bool CLAP_CALL ClapInstance::UnregisterFd(const clap::Host* host, int fd)
{
    auto& descriptors = Of(host).descriptors;
    const auto found = std::find(descriptors.begin(), descriptors.end(), fd);
    if (found == descriptors.end()) {
        return false;
    }
    descriptors.erase(found);
    return true;
}

void CLAP_CALL ClapInstance::PresetError(const clap::Host* host, uint32_t, const char*, const char* key, int32_t,
                                         const char* message)
{
    Of(host).presetErrors.push_back(std::string(key != nullptr ? key : "") + ": " + (message != nullptr ? message : ""));
}

void CLAP_CALL ClapInstance::PresetLoaded(const clap::Host* host, uint32_t, const char*, const char* key)
{
    Of(host).presetsLoaded.emplace_back(key != nullptr ? key : "");
}

namespace {
// The host's indexer and metadata receiver for one discovery run.
struct Discovery {
    std::vector<clap::PresetDiscoveryLocation> locations;
    std::vector<std::string> locationPaths;
    std::vector<ClapPreset> presets;
    std::vector<std::string>* errors = nullptr;
    uint32_t kind = 0;
    std::string location;
};

Discovery& DiscoveryOf(const void* data)
{
    return *static_cast<Discovery*>(const_cast<void*>(data));
}

bool CLAP_CALL DeclareFiletype(const clap::PresetDiscoveryIndexer*, const void*)
{
    return true;
}

bool CLAP_CALL DeclareLocation(const clap::PresetDiscoveryIndexer* indexer, const clap::PresetDiscoveryLocation* at)
{
    if (at == nullptr || at->name == nullptr || (at->kind == clap::kPresetLocationPlugin) != (at->location == nullptr)) {
        return false;
    }
    Discovery& run = DiscoveryOf(indexer->indexer_data);
    run.locations.push_back(*at);
    run.locationPaths.emplace_back(at->location != nullptr ? at->location : "");
    return true;
}

bool CLAP_CALL DeclareSoundpack(const clap::PresetDiscoveryIndexer*, const void*)
{
    return true;
}

const void* CLAP_CALL IndexerExtension(const clap::PresetDiscoveryIndexer*, const char*)
{
    return nullptr;
}

void CLAP_CALL OnError(const clap::PresetDiscoveryMetadataReceiver* receiver, int32_t, const char* message)
{
    DiscoveryOf(receiver->receiver_data).errors->emplace_back(message != nullptr ? message : "(no message)");
}

bool CLAP_CALL BeginPreset(const clap::PresetDiscoveryMetadataReceiver* receiver, const char* name, const char* key)
{
    Discovery& run = DiscoveryOf(receiver->receiver_data);
    run.presets.push_back(ClapPreset{name != nullptr ? name : "", key != nullptr ? key : "", run.kind, run.location, {}});
    return true;
}

void CLAP_CALL AddPluginId(const clap::PresetDiscoveryMetadataReceiver* receiver, const clap::UniversalPluginId* id)
{
    Discovery& run = DiscoveryOf(receiver->receiver_data);
    if (!run.presets.empty() && id != nullptr && id->abi != nullptr && id->id != nullptr) {
        run.presets.back().pluginIds.push_back(std::string(id->abi) + ":" + id->id);
    }
}

void CLAP_CALL IgnoreText(const clap::PresetDiscoveryMetadataReceiver*, const char*) {}
void CLAP_CALL IgnoreFlags(const clap::PresetDiscoveryMetadataReceiver*, uint32_t) {}
void CLAP_CALL IgnoreTimes(const clap::PresetDiscoveryMetadataReceiver*, uint64_t, uint64_t) {}
void CLAP_CALL IgnorePair(const clap::PresetDiscoveryMetadataReceiver*, const char*, const char*) {}

clap::PresetDiscoveryIndexer IndexerFor(Discovery& run)
{
    return {clap::kVersion,  "ruckhost",      "Tolvi",          "", "1.0", &run, DeclareFiletype,
            DeclareLocation, DeclareSoundpack, IndexerExtension};
}

void CrawlProvider(const clap::PresetDiscoveryFactory* factory, uint32_t index, Discovery& run)
{
    const clap::PresetDiscoveryProviderDescriptor* descriptor = factory->get_descriptor(factory, index);
    const clap::PresetDiscoveryIndexer indexer = IndexerFor(run);
    const clap::PresetDiscoveryProvider* provider =
        descriptor != nullptr ? factory->create(factory, &indexer, descriptor->id) : nullptr;
    if (provider == nullptr) {
        run.errors->push_back("the discovery factory made no provider " + std::to_string(index));
        return;
    }
    if (provider->init == nullptr || provider->destroy == nullptr || provider->get_metadata == nullptr) {
        run.errors->push_back(std::string(descriptor->id) + ": the provider leaves a function out");
        return;
    }
    if (!provider->init(provider)) {
        run.errors->push_back(std::string(descriptor->id) + ": init failed");
    }
    const clap::PresetDiscoveryMetadataReceiver receiver = {&run,        OnError,     BeginPreset, AddPluginId,
                                                             IgnoreText,  IgnoreFlags, IgnoreText,  IgnoreText,
                                                             IgnoreTimes, IgnoreText,  IgnorePair};
    for (size_t i = 0; i < run.locations.size(); ++i) {
        run.kind = run.locations[i].kind;
        run.location = run.locationPaths[i];
        if (!provider->get_metadata(provider, run.kind, run.location.empty() ? nullptr : run.location.c_str(),
                                    &receiver)) {
            run.errors->push_back(std::string(descriptor->id) + ": get_metadata failed for location " +
                                  run.locations[i].name);
        }
    }
    provider->destroy(provider);
    run.locations.clear();
    run.locationPaths.clear();
}
}  // namespace

const clap::PresetDiscoveryFactory* DiscoveryFactory(const ClapFile& file)
{
    if (!file.Loaded()) {
        return nullptr;
    }
    const void* factory = file.Entry()->get_factory(clap::kPresetDiscoveryFactoryId);
    if (factory == nullptr) {
        factory = file.Entry()->get_factory(clap::kPresetDiscoveryFactoryCompatId);
    }
    return Complete<clap::PresetDiscoveryFactory>(factory);
}

std::vector<std::string> ProviderDescriptorMismatches(const ClapFile& file)
{
    std::vector<std::string> mismatches;
    const clap::PresetDiscoveryFactory* factory = DiscoveryFactory(file);
    Discovery run;
    run.errors = &mismatches;
    const clap::PresetDiscoveryIndexer indexer = IndexerFor(run);
    const auto text = [](const char* t) { return std::string(t != nullptr ? t : ""); };
    for (uint32_t i = 0; factory != nullptr && i < factory->count(factory); ++i) {
        const clap::PresetDiscoveryProviderDescriptor* listed = factory->get_descriptor(factory, i);
        const clap::PresetDiscoveryProvider* provider =
            listed != nullptr && listed->id != nullptr ? factory->create(factory, &indexer, listed->id) : nullptr;
        if (provider == nullptr) {
            mismatches.push_back("the discovery factory makes no provider " + std::to_string(i));
            continue;
        }
        const clap::PresetDiscoveryProviderDescriptor* own = provider->desc;
        if (own == nullptr || text(own->id) != text(listed->id) || text(own->name) != text(listed->name) ||
            text(own->vendor) != text(listed->vendor)) {
            mismatches.push_back(text(listed->id) + ": the provider describes itself differently from the factory");
        }
        if (provider->destroy != nullptr) {
            provider->destroy(provider);
        }
    }
    return mismatches;
}

std::vector<ClapPreset> DiscoverPresets(const ClapFile& file, std::vector<std::string>& errors)
{
    Discovery run;
    run.errors = &errors;
    if (file.Entry() == nullptr) {
        return {};
    }
    const clap::PresetDiscoveryFactory* factory = DiscoveryFactory(file);
    for (uint32_t i = 0; factory != nullptr && i < factory->count(factory); ++i) {
        CrawlProvider(factory, i, run);
    }
    return run.presets;
}
