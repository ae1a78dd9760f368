#include "x_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace {
std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv)
{
    std::vector<char*> pointers;
    for (const std::string& a : argv) {
        pointers.push_back(const_cast<char*>(a.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

// The display number Xvfb writes to the descriptor once it accepts clients.
std::string ReadDisplayNumber(int fd)
{
    std::string number;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n') {
        number += c;
    }
    return number;
}
}  // namespace

XvfbServer::XvfbServer(const std::vector<std::string>& extraArgs)
{
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x800x24",
                                     "-nolisten", "tcp"};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> args = ArgumentPointers(argv);
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) {
        // Dies with the test, however the test ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(1);
        }
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execvp("Xvfb", args.data());
        _exit(127);
    }
    close(fds[1]);
    const std::string number = pid > 0 ? ReadDisplayNumber(fds[0]) : "";
    close(fds[0]);
    if (number.empty()) {
        return;
    }
    display = ":" + number;
    setenv("DISPLAY", display.c_str(), 1);
}

XvfbServer::~XvfbServer()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

int RunProgram(const std::vector<std::string>& argv)
{
    std::vector<char*> args = ArgumentPointers(argv);
    pid_t child = 0;
    if (posix_spawnp(&child, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
