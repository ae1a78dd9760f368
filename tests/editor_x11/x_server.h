// A private Xvfb for one test: started on a free display number it picks itself, killed
// when the test ends (and by the kernel if the test process dies first).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class XvfbServer {
public:
    // Starts Xvfb with extra arguments and points DISPLAY at it.
    explicit XvfbServer(const std::vector<std::string>& extraArgs = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return !display.empty(); }
    const std::string& Display() const { return display; }

private:
    pid_t pid = -1;
    std::string display;
};

// Runs a program to its end with the given arguments; its exit status (-1 if it did not start).
int RunProgram(const std::vector<std::string>& argv);
