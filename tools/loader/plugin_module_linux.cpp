#include <dlfcn.h>

#include "plugin_module.h"

PluginModule::PluginModule(const std::string& path) : handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
{
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = reason ? reason : "cannot load " + path;
    }
}

PluginModule::~PluginModule()
{
    if (handle) {
        dlclose(handle);
    }
}

void* PluginModule::Symbol(const char* name) const
{
    return handle ? dlsym(handle, name) : nullptr;
}

VstEntry PluginModule::Entry(const char* name) const
{
    return reinterpret_cast<VstEntry>(Symbol(name));
}
