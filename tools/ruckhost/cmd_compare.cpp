// ruckhost compare: two renders sample by sample, or two folders of them by file name.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include "commands.h"
#include "host_error.h"
#include "options.h"
#include "wav.h"

namespace {
namespace fs = std::filesystem;

// The largest difference of two files of the same shape from frame `from` on; refuses
// different shapes.
double LargestDifference(const std::string& a, const std::string& b, double fromSeconds)
{
    const Audio x = ReadWav(a).audio;
    const Audio y = ReadWav(b).audio;
    if (x.channels.size() != y.channels.size() || x.Frames() != y.Frames() || x.sampleRate != y.sampleRate) {
        throw HostError(a + " and " + b + " differ in channels, length or rate");
    }
    double largest = 0.0;
    const auto from = static_cast<size_t>(fromSeconds * x.sampleRate);
    for (size_t c = 0; c < x.channels.size(); ++c) {
        for (size_t i = from; i < x.Frames(); ++i) {
            largest = std::max(largest, std::fabs(x.channels[c][i] - y.channels[c][i]));
        }
    }
    return largest;
}

std::set<std::string> WavNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".wav") {
            names.insert(entry.path().filename().string());
        }
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> Pairs(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (!fs::is_directory(a, ec) || !fs::is_directory(b, ec)) {
        return {{a, b}};
    }
    const std::set<std::string> names = WavNames(a);
    if (names.empty() || names != WavNames(b)) {
        throw HostError("folders " + a + " and " + b + " do not hold the same WAV files");
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& name : names) {
        pairs.emplace_back((fs::path(a) / name).string(), (fs::path(b) / name).string());
    }
    return pairs;
}
}  // namespace

int RunCompare(const std::vector<std::string>& args)
{
    const Arguments arguments(args, {{"tolerance", true, false}, {"from", true, false}});
    arguments.ExpectPositionals(2, 2, "ruckhost compare A B [--tolerance T] [--from S]");
    const double tolerance = arguments.Number("tolerance", 1e-9, 0.0, 1e9);
    const double from = arguments.Number("from", 0.0, 0.0, 86400.0);
    int failures = 0;
    for (const auto& [a, b] : Pairs(arguments.Positionals()[0], arguments.Positionals()[1])) {
        const double difference = LargestDifference(a, b, from);
        const bool same = difference <= tolerance;
        failures += same ? 0 : 1;
        std::printf("%-40s largest difference %.3g %s\n", fs::path(a).filename().string().c_str(), difference,
                    same ? "(agree)" : "(DIFFER)");
    }
    if (failures > 0) {
        throw HostError(std::to_string(failures) + " file(s) differ by more than " + arguments.Text("tolerance", "1e-9"));
    }
    return 0;
}
