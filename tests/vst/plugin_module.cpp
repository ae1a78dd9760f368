#include "plugin_module.h"

#ifdef _WIN32
#include <windows.h>

namespace {
// Under Wine a Unix path is reached through drive Z:.
std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}
}  // namespace

PluginModule::PluginModule(const std::string& path)
    : handle(LoadLibraryA(WindowsPath(path).c_str()))
{
}

PluginModule::~PluginModule()
{
    if (handle) {
        FreeLibrary(static_cast<HMODULE>(handle));
    }
}

VstEntry PluginModule::Entry(const char* name) const
{
    if (handle == nullptr) {
        return nullptr;
    }
    // GetProcAddress answers a generic function pointer; go through void* to the real type.
    void* address = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
    return reinterpret_cast<VstEntry>(address);
}
#else
#include <dlfcn.h>

PluginModule::PluginModule(const std::string& path) : handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}

PluginModule::~PluginModule()
{
    if (handle) {
        dlclose(handle);
    }
}

VstEntry PluginModule::Entry(const char* name) const
{
    return handle ? reinterpret_cast<VstEntry>(dlsym(handle, name)) : nullptr;
}
#endif
