// The checks CLAP validators make, as one library: each check has the validator's name, runs
// on a .clap file through its binary interface only and passes, or fails with a one-line
// reason. ruckhost validate prints them; our own tests expect Ruckstone to pass every one.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ClapCheckResult {
    std::string name;
    bool passed = false;
    // Why it failed, or a note on a pass (a check that does not apply, a warning).
    std::string detail;
};

// The names of every check, in the order they run.
std::vector<std::string> ClapCheckNames();

// How a caller follows a run: `around` is given each check by its name and must call it
// (to time or label it); `report` hears each result as soon as it is known.
struct ClapCheckHooks {
    std::function<void(const char* name, const std::function<void()>& check)> around;
    std::function<void(const ClapCheckResult&)> report;
};

// Every check on the file; checks that take an instance run for each plug-in in it (the
// plug-in's id is then added to the name when the file holds more than one).
std::vector<ClapCheckResult> RunClapChecks(const std::string& path, const ClapCheckHooks& hooks = {});
