// Loads a VST2 plug-in binary the way a host does and finds its entry point.
#pragma once

#include <string>

#include "vst/vst_abi.h"

using VstEntry = AEffect* (*)(audioMasterCallback);

class PluginModule {
public:
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool Loaded() const { return handle != nullptr; }
    VstEntry Entry(const char* name) const;

private:
    void* handle = nullptr;
};
