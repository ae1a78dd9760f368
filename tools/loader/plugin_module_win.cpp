#include <windows.h>

#include "plugin_module.h"

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

std::string SystemMessage(DWORD code)
{
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "Windows error " + std::to_string(code) : message;
}
}  // namespace

PluginModule::PluginModule(const std::string& path)
{
    // No "cannot find DLL" dialog box: the failure comes back as an error code.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    handle = LoadLibraryA(WindowsPath(path).c_str());
    const DWORD code = GetLastError();
    SetErrorMode(oldMode);
    if (handle == nullptr) {
        error = path + ": " + SystemMessage(code);
    }
}

PluginModule::~PluginModule()
{
    if (handle) {
        FreeLibrary(static_cast<HMODULE>(handle));
    }
}

void* PluginModule::Symbol(const char* name) const
{
    if (handle == nullptr) {
        return nullptr;
    }
    // GetProcAddress answers a generic function pointer; go through void* to the real type.
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

VstEntry PluginModule::Entry(const char* name) const
{
    return reinterpret_cast<VstEntry>(Symbol(name));
}
