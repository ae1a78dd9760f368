// ruckhost preset export: every program of a VST2 plug-in as a .fxp file and its bank as a
// .fxb; every program of a VST3 or CLAP plug-in as a state file.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "clap_commands.h"
#include "commands.h"
#include "files.h"
#include "host_error.h"
#include "hosted_plugin.h"
#include "options.h"
#include "preset.h"
#include "vst3_commands.h"

namespace {
constexpr const char* kStateSuffix = ".state";

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

// "01 NAME.fxp" for the first program, and so on.
std::string ProgramFile(const std::string& folder, int index, const std::string& name, const char* suffix)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d ", index + 1);
    return folder + "/" + number + FileNameFor(name, "program") + suffix;
}

// VST2: the standard preset files, each program and the bank.
int ExportPresetFiles(const std::string& path, const std::string& folder)
{
    const PluginLibrary library(path);
    const PluginInstance plugin(library);
    MakeFolder(folder);
    const int programs = plugin.ProgramCount();
    for (int i = 0; i < programs; ++i) {
        plugin.SelectProgram(i);
        WriteFileAtomically(ProgramFile(folder, i, plugin.Text(effGetProgramName), ".fxp"), SaveProgramPreset(plugin));
    }
    plugin.SelectProgram(0);
    const std::string bank = folder + "/" + FileNameFor(plugin.Text(effGetEffectName), "bank") + ".fxb";
    WriteFileAtomically(bank, SaveBankPreset(plugin));
    std::printf("wrote %d program file%s (.fxp) and the bank %s into %s\n", programs, programs == 1 ? "" : "s",
                std::filesystem::path(bank).filename().string().c_str(), folder.c_str());
    return 0;
}

// VST3 and CLAP have no preset file tied to a VST2 ID: each program (preset) is saved as
// the state --state reads, from an instance that has just loaded it.
int ExportStates(const std::string& path, const std::string& folder)
{
    const std::unique_ptr<PluginFile> file = LoadPluginFile(path);
    const std::vector<std::string> names = file->Open()->ProgramNames();
    if (names.empty()) {
        throw HostError(path + " has no programs to export");
    }
    MakeFolder(folder);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::unique_ptr<HostedPlugin> plugin = file->Open();
        plugin->SelectProgram(static_cast<int>(i));
        WriteFileAtomically(ProgramFile(folder, static_cast<int>(i), names[i], kStateSuffix), plugin->SaveState());
    }
    std::printf("wrote %zu state file%s (%s) into %s\n", names.size(), names.size() == 1 ? "" : "s", kStateSuffix,
                folder.c_str());
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
    const std::string& path = arguments.Positionals()[1];
    const std::string& folder = arguments.Positionals()[2];
    return IsVst3Path(path) || IsClapPath(path) ? ExportStates(path, folder) : ExportPresetFiles(path, folder);
}
