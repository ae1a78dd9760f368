// ruckhost validate: the checks CLAP validators make, run on a .clap file, one line each.
#include <cstdio>

#include "activity.h"
#include "clap_checks.h"
#include "clap_commands.h"
#include "commands.h"
#include "host_error.h"
#include "options.h"

namespace {
void PrintResult(const ClapCheckResult& result)
{
    if (result.passed) {
        std::printf("ok %s%s\n", result.name.c_str(), result.detail.empty() ? "" : (" (" + result.detail + ")").c_str());
    } else {
        std::printf("FAIL %s: %s\n", result.name.c_str(), result.detail.c_str());
    }
    // Printed as it comes, so that a crash report follows the last check that finished.
    std::fflush(stdout);
}
}  // namespace

int RunValidate(const std::vector<std::string>& args)
{
    const Arguments arguments(args, {{"hang-limit", true, false}});
    arguments.ExpectPositionals(1, 1, "ruckhost validate PLUGIN.clap [--hang-limit S]");
    const std::string path = arguments.Positionals()[0];
    if (!IsClapPath(path)) {
        throw HostError("validate takes a CLAP plug-in (a path ending in .clap): " + path);
    }
    const HangWatch watch(arguments.Number("hang-limit", 30.0, 0.1, 3600.0));
    ClapCheckHooks hooks;
    hooks.around = [](const char* name, const std::function<void()>& check) {
        const Activity activity(name);
        check();
    };
    hooks.report = PrintResult;
    size_t failed = 0;
    const std::vector<ClapCheckResult> results = RunClapChecks(path, hooks);
    for (const ClapCheckResult& result : results) {
        failed += result.passed ? 0 : 1;
    }
    std::printf("validate: %s: %zu checks, %zu failed\n", path.c_str(), results.size(), failed);
    return failed == 0 ? 0 : 1;
}
