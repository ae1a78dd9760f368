// ruckhost demo: the demo riff rendered through several factory programs of Ruckstone, in
// any of its formats.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "demo_signal.h"
#include "host_error.h"
#include "hosted_plugin.h"
#include "options.h"
#include "parameters.h"
#include "platform.h"
#include "render.h"

namespace {
namespace fs = std::filesystem;

constexpr int kDemoRate = 44100;
constexpr double kDemoSeconds = 6.0;
constexpr const char* kDemoPrograms[] = {"---- default ----", "Nice guitar", "Hard guitar", "Decimator bass"};

// "---- default ----" -> "default", "Nice guitar" -> "nice-guitar".
std::string FileStem(const std::string& name)
{
    std::string stem;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            stem += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!stem.empty() && stem.back() != '-') {
            stem += '-';
        }
    }
    while (!stem.empty() && stem.back() == '-') {
        stem.pop_back();
    }
    return stem.empty() ? "program" : stem;
}

double PeakDb(const Audio& audio)
{
    double peak = 0.0;
    for (const auto& channel : audio.channels) {
        for (double v : channel) {
            peak = std::max(peak, std::fabs(v));
        }
    }
    return peak > 0.0 ? 20.0 * std::log10(peak) : -INFINITY;
}

void WriteAndReport(const fs::path& path, const Audio& audio, const std::string& what)
{
    WriteWav(path.string(), audio, SampleFormat::Float64);
    std::printf("  %-22s %-22s peak %6.1f dBFS\n", path.filename().string().c_str(), what.c_str(), PeakDb(audio));
}
}  // namespace

int RunDemo(const std::vector<std::string>& args)
{
    const Arguments arguments(args, {{"plugin", true, false}});
    arguments.ExpectPositionals(1, 1, "ruckhost demo OUTDIR [--plugin PATH]");
    const fs::path folder = arguments.Positionals()[0];
    const std::string pluginPath =
        arguments.Text("plugin", (fs::path(ExecutableDirectory()) / PluginFileName("Ruckstone")).string());
    const std::unique_ptr<PluginFile> file = LoadPluginFile(pluginPath);
    // Every program is found before anything is written.
    const std::vector<std::string> names = file->Open()->ProgramNames();
    std::vector<int> programs;
    for (const char* program : kDemoPrograms) {
        programs.push_back(FindNamed(program, names, "program", file->Path()));
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        throw HostError("cannot create the folder " + folder.string());
    }
    const Audio input = SynthesiseDemoRiff(kDemoRate, kDemoSeconds);
    std::printf("ruckhost demo: %s through %s, %.0f s of stereo at %d Hz, 64-bit float WAVs\n",
                folder.string().c_str(), file->Path().c_str(), kDemoSeconds, kDemoRate);
    WriteAndReport(folder / "input.wav", input, "(the dry riff)");
    RenderSettings settings;
    settings.doublePrecision = true;
    for (size_t i = 0; i < programs.size(); ++i) {
        const std::unique_ptr<HostedPlugin> plugin = file->Open();
        plugin->SelectProgram(programs[i]);
        const std::string name = kDemoPrograms[i];
        WriteAndReport(folder / (FileStem(name) + ".wav"), RenderAudio(*plugin, input, settings), "\"" + name + "\"");
    }
    return 0;
}
