#include "factory_presets.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {
constexpr const char kKeyPrefix[] = "factory/";
constexpr size_t kKeyRoom = 32;
constexpr int kMaxProgramDigits = 6;

struct Provider {
    clap::PresetDiscoveryProvider table;
    const IClapClass* pluginClass;
    const clap::PresetDiscoveryIndexer* indexer;
};

const Provider& ProviderOf(const clap::PresetDiscoveryProvider* provider)
{
    return *static_cast<const Provider*>(provider->provider_data);
}

bool CLAP_CALL InitProvider(const clap::PresetDiscoveryProvider* provider)
{
    const clap::PresetDiscoveryIndexer* indexer = ProviderOf(provider).indexer;
    const clap::PresetDiscoveryLocation factory = {clap::kPresetIsFactoryContent, "Factory",
                                                   clap::kPresetLocationPlugin, nullptr};
    return indexer != nullptr && indexer->declare_location != nullptr && indexer->declare_location(indexer, &factory);
}

void CLAP_CALL DestroyProvider(const clap::PresetDiscoveryProvider* provider)
{
    delete static_cast<const Provider*>(provider->provider_data);
}

// Every filled program of a fresh instance, in program order.
bool CLAP_CALL Metadata(const clap::PresetDiscoveryProvider* provider, uint32_t kind, const char* location,
                        const clap::PresetDiscoveryMetadataReceiver* receiver)
{
    if (receiver == nullptr) {
        return false;
    }
    if (kind != clap::kPresetLocationPlugin || location != nullptr) {
        receiver->on_error(receiver, 0, "Ruckstone keeps its presets inside the plug-in");
        return false;
    }
    const IClapClass& cls = *ProviderOf(provider).pluginClass;
    std::unique_ptr<IClapPlugin> effect(MakeReadyInstance(cls.make, nullptr));
    if (!effect) {
        receiver->on_error(receiver, 0, "out of memory");
        return false;
    }
    const clap::UniversalPluginId plugin = {"clap", cls.descriptor->id};
    for (int i = 0; i < effect->ProgramCount(); ++i) {
        if (!effect->Program(i)->filled) {
            continue;
        }
        char key[kKeyRoom];
        LoadKeyOf(i, key, sizeof key);
        if (!receiver->begin_preset(receiver, effect->ProgramName(i), key)) {
            break;
        }
        receiver->add_plugin_id(receiver, &plugin);
        receiver->set_flags(receiver, clap::kPresetIsFactoryContent);
    }
    effect->CloseEditorBeforeDelete();
    return true;
}

const void* CLAP_CALL ProviderExtension(const clap::PresetDiscoveryProvider*, const char*)
{
    return nullptr;
}
}  // namespace

void LoadKeyOf(int program, char* out, size_t outSize)
{
    std::snprintf(out, outSize, "%s%d", kKeyPrefix, program);
}

int ProgramOfLoadKey(const char* key)
{
    const size_t prefix = sizeof kKeyPrefix - 1;
    if (key == nullptr || std::strncmp(key, kKeyPrefix, prefix) != 0) {
        return -1;
    }
    const char* digits = key + prefix;
    const size_t count = std::strlen(digits);
    if (count == 0 || count > kMaxProgramDigits || (count > 1 && digits[0] == '0')) {
        return -1;
    }
    int program = 0;
    for (const char* d = digits; *d != 0; ++d) {
        if (*d < '0' || *d > '9') {
            return -1;
        }
        program = program * 10 + (*d - '0');
    }
    return program;
}

ClapPresetDiscovery::ClapPresetDiscovery(const IClapClass& cls)
    : pluginClass(cls),
      providerId(std::string(cls.descriptor->id) + ".factory-presets"),
      descriptor{clap::kVersion, providerId.c_str(), cls.descriptor->name, cls.descriptor->vendor},
      factory{{Count, Descriptor, Create}, this}
{
}

const ClapPresetDiscovery& ClapPresetDiscovery::Owner(const clap::PresetDiscoveryFactory* table)
{
    return *reinterpret_cast<const FactoryTable*>(table)->owner;
}

uint32_t CLAP_CALL ClapPresetDiscovery::Count(const clap::PresetDiscoveryFactory*)
{
    return 1;
}

const clap::PresetDiscoveryProviderDescriptor* CLAP_CALL ClapPresetDiscovery::Descriptor(
    const clap::PresetDiscoveryFactory* table, uint32_t index)
{
    return table != nullptr && index == 0 ? &Owner(table).descriptor : nullptr;
}

const clap::PresetDiscoveryProvider* CLAP_CALL ClapPresetDiscovery::Create(
    const clap::PresetDiscoveryFactory* table, const clap::PresetDiscoveryIndexer* indexer, const char* id)
{
    if (table == nullptr || id == nullptr || std::strcmp(id, Owner(table).descriptor.id) != 0) {
        return nullptr;
    }
    const ClapPresetDiscovery& owner = Owner(table);
    auto* provider = new (std::nothrow) Provider{};
    if (provider == nullptr) {
        return nullptr;
    }
    provider->table = {&owner.descriptor, provider, InitProvider, DestroyProvider, Metadata, ProviderExtension};
    provider->pluginClass = &owner.pluginClass;
    provider->indexer = indexer;
    return &provider->table;
}
