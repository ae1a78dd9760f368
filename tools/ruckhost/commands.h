// The ruckhost commands. RunRuckhost is the whole program but for main(): it picks the
// command, shows help, and turns every error into one line and a non-zero exit.
#pragma once

#include <string>
#include <vector>

int RunRuckhost(const std::vector<std::string>& args);

// One command each; `args` are the words after the command's name.
int RunInfo(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunStress(const std::vector<std::string>& args);
int RunBench(const std::vector<std::string>& args);
int RunDemo(const std::vector<std::string>& args);
int RunCompare(const std::vector<std::string>& args);
int RunSnapshot(const std::vector<std::string>& args);
int RunPreset(const std::vector<std::string>& args);
int RunCurve(const std::vector<std::string>& args);
int RunSpectrum(const std::vector<std::string>& args);
int RunValidate(const std::vector<std::string>& args);
