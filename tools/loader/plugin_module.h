// Loads a plug-in binary the way a host does and finds its entry points:
// dlopen on Linux, LoadLibrary on Windows (a Unix path under Wine is reached via Z:).
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
    // Why loading failed, in the system's words; empty once loaded.
    const std::string& Error() const { return error; }
    VstEntry Entry(const char* name) const;
    // Any exported symbol by name, or null.
    void* Symbol(const char* name) const;

private:
    void* handle = nullptr;
    std::string error;
};
