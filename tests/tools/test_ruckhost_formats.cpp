// ruckhost with the three forms of Ruckstone from one build: the VST3 and CLAP forms give the
// VST2 form's demo renders, mono renders, measurements and face bit for bit, restore their
// saved states, export their programs as states that sound as the programs, and refuse what
// their format cannot do with one line and nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files.h"
#include "tool_test_support.h"

namespace {
const std::string kVst2 = RUCK_PLUGIN_PATH;
const std::string kVst3 = RUCK_VST3_BUNDLE_PATH;
const std::string kClap = RUCK_CLAP_PATH;
constexpr int kRate = 44100;

// The bytes a command wrote into `out`, after it succeeded.
std::vector<uint8_t> Written(std::vector<std::string> args, const std::string& out)
{
    const CommandResult result = RunCaptured(args);
    EXPECT_EQ(result.code, 0) << result.err;
    return FileExists(out) ? ReadFileBytes(out) : std::vector<uint8_t>{};
}

void ExpectRefused(const std::vector<std::string>& args, const std::string& message, const std::string& out)
{
    const CommandResult result = RunCaptured(args);
    EXPECT_EQ(result.code, 1) << args[0];
    EXPECT_NE(result.Message().find(message), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_FALSE(FileExists(out)) << out;
}
}  // namespace

TEST(RuckhostFormats, DemoRendersAreTheSameBitsInEveryFormat)
{
    ScratchFolder folder;
    for (const std::string& plugin : {kVst2, kVst3, kClap}) {
        const std::string demo = folder.File(std::filesystem::path(plugin).extension().string().substr(1));
        const CommandResult result = RunCaptured({"demo", demo, "--plugin", plugin});
        ASSERT_EQ(result.code, 0) << result.err;
    }
    const std::string vst2 = folder.File(std::filesystem::path(kVst2).extension().string().substr(1));
    for (const char* other : {"vst3", "clap"}) {
        const CommandResult compared = RunCaptured({"compare", vst2, folder.File(other), "--tolerance", "0"});
        EXPECT_EQ(compared.code, 0) << other << ": " << compared.out;
        EXPECT_NE(compared.out.find("hard-guitar.wav"), std::string::npos);
    }
}

TEST(RuckhostFormats, CurveSpectrumAndFaceAreTheSameInEveryFormat)
{
    ScratchFolder folder;
    const std::string out = folder.File("out");
    const std::vector<std::string> settings = {"--program", "Hard guitar", "--set", "Amount=80", "--set", "Mix=0.5n"};
    for (const char* command : {"curve", "spectrum"}) {
        std::vector<std::string> args = {command, kVst2, out};
        args.insert(args.end(), settings.begin(), settings.end());
        const std::vector<uint8_t> viaVst2 = Written(args, out);
        ASSERT_FALSE(viaVst2.empty());
        for (const std::string& plugin : {kVst3, kClap}) {
            args[1] = plugin;
            EXPECT_EQ(Written(args, out), viaVst2) << command << " " << plugin;
        }
    }
    std::vector<std::string> snapshot = {"snapshot", kVst2, out};
    snapshot.insert(snapshot.end(), settings.begin(), settings.end());
    const std::vector<uint8_t> face = Written(snapshot, out);
    ASSERT_FALSE(face.empty());
    for (const std::string& plugin : {kVst3, kClap}) {
        snapshot[1] = plugin;
        EXPECT_EQ(Written(snapshot, out), face) << plugin;
    }
}

TEST(RuckhostFormats, ExportedStatesSoundAsTheirPrograms)
{
    ScratchFolder folder;
    const std::string in = folder.File("in.wav");
    const std::string out = folder.File("out.wav");
    WriteWav(in, TestSignal(kRate, 4096), SampleFormat::Float32);
    const auto render = [&](const std::string& plugin, const std::string& option, const std::string& value) {
        return Written({"render", plugin, in, out, option, value, "--double", "--format", "float64"}, out);
    };
    for (const auto& [plugin, count] : {std::pair<std::string, size_t>{kVst3, 25}, {kClap, 17}}) {
        const std::string exported = folder.File("exported");
        std::filesystem::remove_all(exported);
        ASSERT_EQ(RunCaptured({"preset", "export", plugin, exported}).code, 0) << plugin;
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(exported)) {
            files += entry.path().extension() == ".state";
        }
        EXPECT_EQ(files, count) << plugin;
        for (const char* program : {"01 ---- default ----", "03 Nice guitar 2", "16 Decimator bass 2"}) {
            const std::string state = exported + "/" + program + ".state";
            ASSERT_TRUE(FileExists(state)) << state;
            EXPECT_EQ(render(plugin, "--state", state), render(kVst2, "--program", std::string(program).substr(3)))
                << plugin << " " << program;
        }
    }
}

TEST(RuckhostFormats, BenchTimesEveryFormatSideBySide)
{
    const CommandResult result = RunCaptured({"bench", kVst2, kVst3, kClap, "--seconds", "0.2", "--rounds", "1"});
    ASSERT_EQ(result.code, 0) << result.err;
    for (const std::string& plugin : {kVst2, kVst3, kClap}) {
        EXPECT_NE(result.out.find(plugin), std::string::npos) << plugin;
    }
}

TEST(RuckhostFormats, WhatAFormatCannotDoIsRefused)
{
    ScratchFolder folder;
    const std::string in = folder.File("in.wav");
    const std::string out = folder.File("out.wav");
    const std::string state = folder.File("saved.state");
    WriteWav(in, TestSignal(kRate, 1000), SampleFormat::Float32);
    ExpectRefused({"render", kVst3, in, out, "--preset", in}, "for a VST3 plug-in use --program or --state", out);
    ExpectRefused({"render", kClap, in, out, "--save-state", state, "--save-preset", folder.File("p.fxp")},
                  "for a CLAP plug-in use --program or --state", out);
    EXPECT_FALSE(FileExists(state));
    ExpectRefused({"curve", kClap, out, "--program", "No such"}, "has no program named 'No such'", out);
    ExpectRefused({"spectrum", kVst3, out, "--set", "Mix=2n"}, "value 2n for Mix is out of range", out);
    ExpectRefused({"preset", "export", folder.File("Missing.clap"), folder.File("p")}, "Missing.clap", out);
    EXPECT_FALSE(FileExists(folder.File("p")));
    ExpectRefused({"demo", folder.File("demo"), "--plugin", folder.File("Missing.vst3")}, "Missing.vst3", out);
}

using RuckhostFormatRenders = RenderTest;

// A mono file goes through each form's mono arrangement and gives the VST2 module's bits.
TEST_F(RuckhostFormatRenders, MonoFilesSoundAsInTheVst2Module)
{
    const std::string mono = folder.File("mono.wav");
    WriteWav(mono, TestSignal(kRenderRate, kRenderFrames, 1), SampleFormat::Float32);
    const Audio viaVst2 = Render(kVst2, {"--program", "Nice guitar"}, mono);
    for (const std::string& plugin : {kVst3, kClap}) {
        const Audio viaOther = Render(plugin, {"--program", "Nice guitar"}, mono);
        ASSERT_EQ(viaOther.channels.size(), 1u) << plugin;
        EXPECT_EQ(viaOther.channels, viaVst2.channels) << plugin;
    }
}

TEST_F(RuckhostFormatRenders, SavedStatesGiveTheSameRender)
{
    for (const std::string& plugin : {kVst3, kClap}) {
        const std::string state = folder.File("saved.state");
        const Audio tweaked = Render(plugin, {"--program", "Hard guitar", "--set", "Round=33", "--save-state", state});
        EXPECT_EQ(Render(plugin, {"--state", state}).channels, tweaked.channels) << plugin;
        EXPECT_NE(Render(plugin, {"--program", "Hard guitar"}).channels, tweaked.channels) << plugin;
    }
}
