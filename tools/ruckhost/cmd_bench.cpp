// ruckhost bench: instantiation time and processing cost of plug-ins (VST2 modules, VST3
// bundles, CLAP files) on one signal.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "commands.h"
#include "demo_signal.h"
#include "hosted_plugin.h"
#include "options.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kBenchRate = 48000;
constexpr int kInstantiations = 20;

struct Figures {
    std::string path;
    double instantiateMs = 0.0;
    double nsPerFrame = 1e300;
};

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The plug-in's float signal, split into blocks ahead of time so the loop only processes.
struct Signal {
    std::vector<std::vector<float>> channels;
    size_t frames = 0;
};

Signal MakeSignal(double seconds)
{
    const Audio riff = SynthesiseDemoRiff(kBenchRate, seconds);
    Signal signal;
    signal.frames = riff.Frames();
    for (const auto& channel : riff.channels) {
        signal.channels.emplace_back(channel.begin(), channel.end());
    }
    return signal;
}

// Seconds for the blocks of the signal through `process`, with output buffers for `outputs`
// channels and input pointers for `inputs`.
template <typename Process>
double TimeBlocks(const Signal& signal, int block, int inputs, int outputs, Process process)
{
    std::vector<std::vector<float>> out(static_cast<size_t>(std::max(outputs, 1)), std::vector<float>(block));
    std::vector<float*> outPointers;
    for (auto& channel : out) {
        outPointers.push_back(channel.data());
    }
    std::vector<float*> inPointers(static_cast<size_t>(std::max(inputs, 1)));
    const auto start = Clock::now();
    for (size_t done = 0; done + static_cast<size_t>(block) <= signal.frames; done += block) {
        for (size_t c = 0; c < inPointers.size(); ++c) {
            inPointers[c] = const_cast<float*>(signal.channels[c % signal.channels.size()].data()) + done;
        }
        process(inPointers.data(), outPointers.data());
    }
    return Since(start);
}

// A fresh instance of the plug-in, started for stereo blocks; the buffers it asks for.
struct Started {
    std::unique_ptr<HostedPlugin> plugin;
    RenderPins pins;
};

Started Start(const PluginFile& file, int block)
{
    Started started{file.Open(), {}};
    started.pins = started.plugin->Start(2, kBenchRate, block, false);
    return started;
}

double Pass(const PluginFile& file, const Signal& signal, int block)
{
    const Started started = Start(file, block);
    HostedPlugin& plugin = *started.plugin;
    return TimeBlocks(signal, block, started.pins.inputs, started.pins.outputs,
                      [&](float** in, float** out) { plugin.Process(in, out, block); });
}

// The median time of creating, opening and starting an instance, closing included.
double InstantiationMs(const PluginFile& file, int block)
{
    std::vector<double> times;
    for (int i = 0; i < kInstantiations; ++i) {
        const auto start = Clock::now();
        Start(file, block);
        times.push_back(Since(start) * 1e3);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}  // namespace

int RunBench(const std::vector<std::string>& args)
{
    const Arguments arguments(args, {{"seconds", true, false}, {"block", true, false}, {"rounds", true, false}});
    arguments.ExpectPositionals(1, 64, "ruckhost bench PLUGIN [PLUGIN ...] [--seconds N] [--block N] [--rounds N]");
    const double seconds = arguments.Number("seconds", 10.0, 0.1, 600.0);
    const int block = static_cast<int>(arguments.Integer("block", 512, 16, 8192));
    const int rounds = static_cast<int>(arguments.Integer("rounds", 5, 1, 100));
    std::vector<std::unique_ptr<PluginFile>> libraries;
    for (const std::string& path : arguments.Positionals()) {
        libraries.push_back(LoadPluginFile(path));
    }
    const Signal signal = MakeSignal(seconds);
    const size_t frames = signal.frames / static_cast<size_t>(block) * static_cast<size_t>(block);
    std::vector<Figures> figures(libraries.size());
    for (size_t i = 0; i < libraries.size(); ++i) {
        figures[i].path = libraries[i]->Path();
        figures[i].instantiateMs = InstantiationMs(*libraries[i], block);
    }
    // Rounds interleave the plug-ins so that every one sees the same machine conditions.
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < libraries.size(); ++i) {
            const double ns = Pass(*libraries[i], signal, block) * 1e9 / static_cast<double>(frames);
            figures[i].nsPerFrame = std::min(figures[i].nsPerFrame, ns);
        }
    }
    std::printf("bench: %.1f s of stereo riff at %d Hz, blocks of %d, best of %d passes\n", seconds, kBenchRate,
                block, rounds);
    std::printf("%-44s %14s %12s %14s %10s\n", "plug-in", "instantiate", "ns/frame", "x real time", "ratio");
    for (const Figures& f : figures) {
        std::printf("%-44s %11.3f ms %12.2f %14.0f %10.2f\n", f.path.c_str(), f.instantiateMs, f.nsPerFrame,
                    1e9 / kBenchRate / f.nsPerFrame, f.nsPerFrame / figures[0].nsPerFrame);
    }
    return 0;
}
