#include <csignal>
#include <cstring>
#include <unistd.h>

#include <climits>

#include "activity.h"
#include "platform.h"

namespace {
void WriteText(const char* text)
{
    const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

const char* SignalName(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return "segmentation fault";
    case SIGBUS:
        return "bus error";
    case SIGFPE:
        return "arithmetic exception";
    case SIGILL:
        return "illegal instruction";
    default:
        return "abort";
    }
}

[[maybe_unused]] void ReportCrash(int signal)
{
    WriteText("ruckhost: the plug-in crashed (");
    WriteText(SignalName(signal));
    WriteText(") during: ");
    WriteText(CurrentActivity());
    WriteText("\n");
    _exit(kCrashExitCode);
}
}  // namespace

std::string ExecutableDirectory()
{
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string text(path, static_cast<size_t>(length));
    const size_t slash = text.find_last_of('/');
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

void InstallCrashReport()
{
#if !defined(__SANITIZE_ADDRESS__)
    struct sigaction action = {};
    action.sa_handler = ReportCrash;
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        sigaction(signal, &action, nullptr);
    }
#endif
}

std::string PluginFileName(const std::string& stem)
{
    return stem + ".so";
}
