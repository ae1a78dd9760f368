// ruckhost: a VST 2.4 host for the command line (see commands.h).
#include "commands.h"
#include "platform.h"

int main(int argc, char** argv)
{
    InstallCrashReport();
    return RunRuckhost(std::vector<std::string>(argv + 1, argv + argc));
}
