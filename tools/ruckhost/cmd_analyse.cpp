// ruckhost curve and ruckhost spectrum: what a plug-in does to a signal, measured through
// the plug-in itself and written as CSV for plotting. `curve` sends a slow ramp and
// records output against input (the static transfer curve); `spectrum` sends a sine and
// measures the level of each harmonic.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>

#include "commands.h"
#include "files.h"
#include "host_error.h"
#include "hosted_plugin.h"
#include "options.h"
#include "render.h"
#include "settings.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 48000;
constexpr double kRampFrom = -2.0;
constexpr double kRampTo = 2.0;
// The sine settles for this long before the measured part.
constexpr double kSettleSeconds = 0.25;
constexpr double kMeasureSeconds = 0.5;
constexpr double kSilenceDb = -200.0;

std::vector<OptionSpec> AnalyseOptions(std::vector<OptionSpec> own)
{
    std::vector<OptionSpec> options = kSettingOptions;
    options.insert(options.end(), own.begin(), own.end());
    return options;
}

// The signal duplicated to both channels, through the plug-in in double precision (or
// single when it has no double path); the left output comes back.
std::vector<double> Process(const Arguments& arguments, const std::vector<double>& signal)
{
    const OpenedPlugin plugin(arguments.Positionals()[0]);
    ApplySettings(*plugin, arguments);
    Audio input;
    input.sampleRate = kRate;
    input.channels.assign(2, signal);
    RenderSettings settings;
    settings.doublePrecision = plugin->ProcessesDouble();
    return RenderAudio(*plugin, input, settings).channels[0];
}

void WriteCsv(const std::string& path, const std::string& text)
{
    WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string Row(double a, double b)
{
    char line[64];
    std::snprintf(line, sizeof line, "%.6f,%.9g\n", a, b);
    return line;
}

// The level of one frequency in dB relative to full scale, from a whole number of its periods.
double LevelDb(const std::vector<double>& samples, size_t from, size_t count, double frequency)
{
    double re = 0.0;
    double im = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const double phase = 2.0 * kPi * frequency * static_cast<double>(i) / kRate;
        re += samples[from + i] * std::cos(phase);
        im -= samples[from + i] * std::sin(phase);
    }
    const double amplitude = 2.0 * std::hypot(re, im) / static_cast<double>(count);
    return amplitude > 0.0 ? std::max(20.0 * std::log10(amplitude), kSilenceDb) : kSilenceDb;
}
}  // namespace

int RunCurve(const std::vector<std::string>& args)
{
    const Arguments arguments(args, AnalyseOptions({{"points", true, false}, {"seconds", true, false}}));
    arguments.ExpectPositionals(2, 2, "ruckhost curve PLUGIN OUT.csv [options]");
    const long points = arguments.Integer("points", 401, 2, 100000);
    const double seconds = arguments.Number("seconds", 2.0, 0.01, 60.0);
    const size_t frames = static_cast<size_t>(seconds * kRate);
    std::vector<double> ramp(frames);
    for (size_t i = 0; i < frames; ++i) {
        ramp[i] = kRampFrom + (kRampTo - kRampFrom) * static_cast<double>(i) / static_cast<double>(frames - 1);
    }
    const std::vector<double> out = Process(arguments, ramp);
    std::string csv = "input,output\n";
    for (long p = 0; p < points; ++p) {
        const size_t i = static_cast<size_t>(static_cast<double>(p) * static_cast<double>(frames - 1) / (points - 1));
        csv += Row(ramp[i], out[i]);
    }
    WriteCsv(arguments.Positionals()[1], csv);
    return 0;
}

int RunSpectrum(const std::vector<std::string>& args)
{
    const Arguments arguments(args, AnalyseOptions({{"frequency", true, false}, {"level", true, false}}));
    arguments.ExpectPositionals(2, 2, "ruckhost spectrum PLUGIN OUT.csv [options]");
    const long frequency = arguments.Integer("frequency", 1000, 20, kRate / 4);
    const double amplitude = std::pow(10.0, arguments.Number("level", -6.0, -120.0, 0.0) / 20.0);
    // Whole periods only, so every harmonic falls exactly on its own frequency.
    const size_t period = static_cast<size_t>(kRate / std::gcd(static_cast<long>(kRate), frequency));
    const size_t settle = static_cast<size_t>(kSettleSeconds * kRate);
    const size_t count = std::max<size_t>(period, static_cast<size_t>(kMeasureSeconds * kRate) / period * period);
    std::vector<double> sine(settle + count);
    for (size_t i = 0; i < sine.size(); ++i) {
        sine[i] = amplitude * std::sin(2.0 * kPi * static_cast<double>(frequency) * static_cast<double>(i) / kRate);
    }
    const std::vector<double> out = Process(arguments, sine);
    std::string csv = "harmonic,frequency_hz,level_dbfs\n";
    for (long h = 1; h * frequency < kRate / 2; ++h) {
        char line[80];
        std::snprintf(line, sizeof line, "%ld,%ld,%.2f\n", h, h * frequency,
                      LevelDb(out, settle, count, static_cast<double>(h * frequency)));
        csv += line;
    }
    WriteCsv(arguments.Positionals()[1], csv);
    return 0;
}
