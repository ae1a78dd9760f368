#include <windows.h>

#include <cstdio>
#include <string>

#include "activity.h"
#include "platform.h"

namespace {
// "Ruckstone.dll+0x1a2b": where in which module the fault happened.
std::string CodeLocation(void* address)
{
    HMODULE module = nullptr;
    char path[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module)) {
        GetModuleFileNameA(module, path, MAX_PATH);
    }
    const std::string name(path);
    char offset[32];
    std::snprintf(offset, sizeof offset, "+0x%llx",
                  static_cast<unsigned long long>(static_cast<char*>(address) - reinterpret_cast<char*>(module)));
    return name.substr(name.find_last_of("\\/") + 1) + offset;
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    const auto* record = info ? info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "ruckhost: the plug-in crashed (exception 0x%08lx at %s) during: %s\n",
                 record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul,
                 record ? CodeLocation(record->ExceptionAddress).c_str() : "?", CurrentActivity());
    std::fflush(stderr);
    // Under Wine a crashing process can otherwise exit with 0.
    TerminateProcess(GetCurrentProcess(), kCrashExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

std::string ExecutableDirectory()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length);
    const size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

void InstallCrashReport()
{
    SetUnhandledExceptionFilter(ReportCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

std::string PluginFileName(const std::string& stem)
{
    return stem + ".dll";
}
