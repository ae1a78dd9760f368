// ruckhost render: a WAV file through a plug-in with a program, settings or a state.
#include <cstdio>

#include "commands.h"
#include "files.h"
#include "hosted_plugin.h"
#include "options.h"
#include "render.h"
#include "settings.h"

namespace {
// The settings, plus how to render and where the state goes.
std::vector<OptionSpec> RenderOptions()
{
    std::vector<OptionSpec> options = kSettingOptions;
    options.insert(options.end(), {{"block", true, false},      {"double", false, false}, {"save-state", true, false}, {"save-preset", true, false},
                                   {"rate", true, false},       {"format", true, false}});
    return options;
}

constexpr long kMaxBlock = 65536;
constexpr double kMinRate = 1000.0;
constexpr double kMaxRate = 768000.0;

bool IsBankPath(const std::string& path)
{
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".fxb") == 0;
}
}  // namespace

int RunRender(const std::vector<std::string>& args)
{
    const Arguments arguments(args, RenderOptions());
    arguments.ExpectPositionals(3, 3, "ruckhost render PLUGIN IN.wav OUT.wav [options]");
    const std::string& out = arguments.Positionals()[2];
    RenderSettings settings;
    settings.blockSize = static_cast<int>(arguments.Integer("block", 512, 1, kMaxBlock));
    settings.doublePrecision = arguments.Has("double");
    settings.sampleRate = arguments.Number("rate", 0.0, kMinRate, kMaxRate);
    const WavFile input = ReadWav(arguments.Positionals()[1]);
    const SampleFormat format =
        arguments.Has("format") ? ParseSampleFormat(arguments.Text("format", "")) : input.format;
    const OpenedPlugin plugin(arguments.Positionals()[0]);
    ApplySettings(*plugin, arguments);
    const Audio output = RenderAudio(*plugin, input.audio, settings);
    if (arguments.Has("save-state")) {
        WriteFileAtomically(arguments.Text("save-state", ""), plugin->SaveState());
    }
    if (arguments.Has("save-preset")) {
        const std::string file = arguments.Text("save-preset", "");
        WriteFileAtomically(file, plugin->SavePresetFile(IsBankPath(file)));
    }
    WriteWav(out, output, format);
    std::printf("rendered %zu frames (%zu to %zu channels, %d Hz) through %s into %s\n", input.audio.Frames(),
                input.audio.channels.size(), output.channels.size(), output.sampleRate, plugin->Path().c_str(),
                out.c_str());
    return 0;
}
