#include <dlfcn.h>

#include "plugin_module.h"

namespace {
// dlopen searches the library path for a bare file name; a user who names a plug-in file
// means the one in the current folder.
std::string FilePath(const std::string& path)
{
    return path.find('/') == std::string::npos ? "./" + path : path;
}
}  // namespace

PluginModule::PluginModule(const std::string& path)
    : handle(dlopen(FilePath(path).c_str(), RTLD_NOW | RTLD_LOCAL))
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
