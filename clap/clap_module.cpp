#include "clap_module.h"

#include <cstring>

ClapModule::ClapModule(const IClapClass& cls)
    : pluginClass(cls), factory{{PluginCount, Descriptor, Create}, this}, presets(cls)
{
}

bool ClapModule::Init(const char*)
{
    std::lock_guard<std::mutex> guard(lock);
    ++users;
    return true;
}

void ClapModule::Deinit()
{
    std::lock_guard<std::mutex> guard(lock);
    if (users > 0) {
        --users;
    }
}

const void* ClapModule::Factory(const char* id) const
{
    if (id != nullptr && std::strcmp(id, clap::kPluginFactoryId) == 0) {
        return &factory.table;
    }
    if (id != nullptr && (std::strcmp(id, clap::kPresetDiscoveryFactoryId) == 0 ||
                          std::strcmp(id, clap::kPresetDiscoveryFactoryCompatId) == 0)) {
        return presets.Factory();
    }
    return nullptr;
}

const ClapModule& ClapModule::Owner(const clap::PluginFactory* table)
{
    return *reinterpret_cast<const FactoryTable*>(table)->owner;
}

uint32_t CLAP_CALL ClapModule::PluginCount(const clap::PluginFactory*)
{
    return 1;
}

const clap::PluginDescriptor* CLAP_CALL ClapModule::Descriptor(const clap::PluginFactory* table, uint32_t index)
{
    return table != nullptr && index == 0 ? Owner(table).pluginClass.descriptor : nullptr;
}

const clap::Plugin* CLAP_CALL ClapModule::Create(const clap::PluginFactory* table, const clap::Host* host,
                                                 const char* id)
{
    if (table == nullptr || host == nullptr || id == nullptr ||
        !clap::VersionIsCompatible(host->clap_version)) {
        return nullptr;
    }
    const IClapClass& cls = Owner(table).pluginClass;
    if (std::strcmp(id, cls.descriptor->id) != 0) {
        return nullptr;
    }
    return CreateClapPlugin(cls, host);
}
