#include "web_page_linux.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <mutex>
#include <vector>

extern char** environ;

namespace {
std::mutex launchersMutex;
std::vector<pid_t> launchers;
}  // namespace

bool LaunchBrowser(const char* address)
{
    if (address == nullptr || address[0] == 0 || address[0] == '-') {
        return false;
    }
    char program[] = "xdg-open";
    char* argv[] = {program, const_cast<char*>(address), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) {
        return false;
    }
    std::lock_guard<std::mutex> guard(launchersMutex);
    launchers.push_back(pid);
    return true;
}

void ReapBrowserLaunchers()
{
    std::lock_guard<std::mutex> guard(launchersMutex);
    launchers.erase(std::remove_if(launchers.begin(), launchers.end(),
                                   [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; }),
                    launchers.end());
}
