// A CLAP module's entry: counted init and deinit, the plug-in factory that lists one
// plug-in class and makes its instances, and the discovery factory for its presets.
#pragma once

#include <mutex>

#include "clap/factory_presets.h"
#include "clap/plugin_instance.h"

class ClapModule {
public:
    explicit ClapModule(const IClapClass& pluginClass);

    // Repeated inits are counted; only the last deinit returns the module to its start.
    bool Init(const char* path);
    void Deinit();
    // The factory table for the id, or null for ids this module does not know.
    const void* Factory(const char* id) const;

private:
    struct FactoryTable {
        clap::PluginFactory table;
        const ClapModule* owner;
    };
    static const ClapModule& Owner(const clap::PluginFactory* factory);
    static uint32_t CLAP_CALL PluginCount(const clap::PluginFactory* factory);
    static const clap::PluginDescriptor* CLAP_CALL Descriptor(const clap::PluginFactory* factory, uint32_t index);
    static const clap::Plugin* CLAP_CALL Create(const clap::PluginFactory* factory, const clap::Host* host,
                                                const char* id);

    IClapClass pluginClass;
    FactoryTable factory;
    ClapPresetDiscovery presets;
    std::mutex lock;
    int users = 0;
};
