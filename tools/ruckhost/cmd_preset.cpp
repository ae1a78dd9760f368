// ruckhost preset export: every program of a plug-in as a .fxp file and its bank as a .fxb.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "commands.h"
#include "files.h"
#include "host_error.h"
#include "options.h"
#include "preset.h"

namespace {
// A name made safe as a file name on every system: letters, digits, space, '-', '_', '.'.
std::string FileNameFor(const std::string& name, const std::string& fallback)
{
    std::string safe;
    for (char c : name) {
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '-' || c == '_' || c == '.';
        safe += plain ? c : '_';
    }
    while (!safe.empty() && (safe.back() == ' ' || safe.back() == '.')) {
        safe.pop_back();
    }
    return safe.empty() ? fallback : safe;
}

void MakeFolder(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder)) {
        throw HostError("cannot create the folder " + folder + (ec ? ": " + ec.message() : ""));
    }
}

int RunExport(const std::vector<std::string>& positionals)
{
    const std::string& folder = positionals[2];
    const PluginLibrary library(positionals[1]);
    const PluginInstance plugin(library);
    MakeFolder(folder);
    const int programs = plugin.ProgramCount();
    for (int i = 0; i < programs; ++i) {
        plugin.SelectProgram(i);
        char number[16];
        std::snprintf(number, sizeof number, "%02d ", i + 1);
        const std::string file = folder + "/" + number + FileNameFor(plugin.Text(effGetProgramName), "program") + ".fxp";
        WriteFileAtomically(file, SaveProgramPreset(plugin));
    }
    plugin.SelectProgram(0);
    const std::string bank = folder + "/" + FileNameFor(plugin.Text(effGetEffectName), "bank") + ".fxb";
    WriteFileAtomically(bank, SaveBankPreset(plugin));
    std::printf("wrote %d program file%s (.fxp) and the bank %s into %s\n", programs, programs == 1 ? "" : "s",
                std::filesystem::path(bank).filename().string().c_str(), folder.c_str());
    return 0;
}
}  // namespace

int RunPreset(const std::vector<std::string>& args)
{
    const Arguments arguments(args, {});
    const std::string usage = "ruckhost preset export PLUGIN DIR";
    arguments.ExpectPositionals(1, 3, usage);
    if (arguments.Positionals()[0] != "export") {
        throw HostError("unknown preset action '" + arguments.Positionals()[0] + "'; usage: " + usage);
    }
    arguments.ExpectPositionals(3, 3, usage);
    return RunExport(arguments.Positionals());
}
