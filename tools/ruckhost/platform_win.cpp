#include <windows.h>

#include <cstdio>

#include "activity.h"
#include "platform.h"

namespace {
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    const auto* record = info ? info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "ruckhost: the plug-in crashed (exception 0x%08lx) during: %s\n",
                 record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul, CurrentActivity());
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
