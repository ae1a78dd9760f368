#include "stress_sequence.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "activity.h"
#include "files.h"
#include "host_error.h"
#include "plugin_host.h"
#include "script_player.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr size_t kScriptBytes = 8192;

struct SequenceTotals {
    long scripts = 0;
    PlayCounts counts;
    std::map<std::string, long> notes;
};

std::vector<uint8_t> RandomScript(std::mt19937_64& rng)
{
    std::vector<uint8_t> script(kScriptBytes);
    for (uint8_t& b : script) {
        b = static_cast<uint8_t>(rng());
    }
    return script;
}

// Plays one script, naming each step for crash and hang reports; throws on a failed check.
void PlayScript(const PluginLibrary& library, const std::vector<uint8_t>& script, bool strict,
                const std::string& label, SequenceTotals& totals)
{
    PlayerOptions options;
    options.strict = strict;
    auto player = std::make_unique<ScriptPlayer>(library.Entry(), options);
    ScriptReader reader(script.data(), script.size());
    bool more = true;
    while (more) {
        Activity activity(HostActionName(ScriptPlayer::NextAction(reader)));
        more = player->Step(reader);
    }
    if (!player->Failure().empty()) {
        throw HostError("stress: " + label + ", " + player->Failure());
    }
    const PlayCounts& counts = player->Counts();
    ++totals.scripts;
    totals.counts.steps += counts.steps;
    totals.counts.instances += counts.instances;
    totals.counts.blocks += counts.blocks;
    totals.counts.frames += counts.frames;
    totals.counts.hostRequests += counts.hostRequests;
    for (const std::string& note : player->Notes()) {
        ++totals.notes[note];
    }
    Activity closing("closing the script's instances (effClose)");
    player.reset();
}
}  // namespace

int RunSequenceStress(const PluginLibrary& library, const SequenceSettings& settings)
{
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(settings.seconds));
    SequenceTotals totals;
    if (!settings.scriptFile.empty()) {
        PlayScript(library, ReadFileBytes(settings.scriptFile), settings.strict, settings.scriptFile, totals);
    } else {
        std::mt19937_64 rng(settings.seed);
        do {
            const std::vector<uint8_t> script = RandomScript(rng);
            if (!settings.keepFile.empty()) {
                // Saved before playing, so that a crash leaves it behind too.
                WriteFileAtomically(settings.keepFile, script);
            }
            PlayScript(library, script, settings.strict,
                       "seed " + std::to_string(settings.seed) + " script " + std::to_string(totals.scripts + 1), totals);
        } while (Clock::now() < deadline);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const PlayCounts& c = totals.counts;
    std::printf("stress --sequence: %s held every check over %ld scripts in %.1f s: %ld steps, %ld instances, %ld "
                "blocks (%ld frames), %ld host requests\n",
                library.Path().c_str(), totals.scripts, seconds, c.steps, c.instances, c.blocks, c.frames,
                c.hostRequests);
    for (const auto& [note, scripts] : totals.notes) {
        std::printf("  note (in %ld scripts): %s\n", scripts, note.c_str());
    }
    return 0;
}
