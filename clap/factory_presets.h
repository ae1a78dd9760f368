// The effect's filled programs as CLAP factory presets: the discovery factory hosts index
// them through (no instance needed) and the load keys that preset-load takes back.
#pragma once

#include <cstddef>
#include <string>

#include "clap/plugin_instance.h"

// Program i is published under the key "factory/<i>", stable across versions.
void LoadKeyOf(int program, char* out, size_t outSize);
// The program a key names, or -1 for a key that names none.
int ProgramOfLoadKey(const char* key);

class ClapPresetDiscovery {
public:
    explicit ClapPresetDiscovery(const IClapClass& pluginClass);

    const void* Factory() const { return &factory.table; }

private:
    struct FactoryTable {
        clap::PresetDiscoveryFactory table;
        const ClapPresetDiscovery* owner;
    };
    static const ClapPresetDiscovery& Owner(const clap::PresetDiscoveryFactory* factory);
    static uint32_t CLAP_CALL Count(const clap::PresetDiscoveryFactory* factory);
    static const clap::PresetDiscoveryProviderDescriptor* CLAP_CALL Descriptor(
        const clap::PresetDiscoveryFactory* factory, uint32_t index);
    static const clap::PresetDiscoveryProvider* CLAP_CALL Create(const clap::PresetDiscoveryFactory* factory,
                                                                 const clap::PresetDiscoveryIndexer* indexer,
                                                                 const char* id);

    IClapClass pluginClass;
    std::string providerId;
    clap::PresetDiscoveryProviderDescriptor descriptor;
    FactoryTable factory;
};
