// ruckhost against plug-ins we did not write (Debian's dpf-plugins-vst, lsp-plugins-vst and
// the CLAP files of zam-plugins): proof that it is a correct host, not one that fits only
// our plug-in.
#include <gtest/gtest.h>

#include <cmath>

#include "tool_test_support.h"
#include "wav.h"

namespace {
const std::string kDir = RUCK_THIRD_PARTY_DIR;
const std::string kSoulForce = kDir + "/SoulForce-vst.so";           // stereo waveshaper, no chunks
const std::string kBitcrush = kDir + "/MaBitcrush-vst.so";           // one input, two outputs
const std::string kCompressor = kDir + "/lsp-plugins/compressor-stereo.so";  // chunks, 35 parameters
const std::string kClapDir = RUCK_THIRD_PARTY_CLAP_DIR;
const std::string kTube = kClapDir + "/ZamTube.clap";          // mono, 32-bit only, no presets
const std::string kSideChained = kClapDir + "/ZamCompX2.clap";  // stereo, with a side-chain input port

class ThirdParty : public testing::Test {
protected:
    void SetUp() override
    {
        WriteWav(stereo, TestSignal(48000, 24000), SampleFormat::Float32);
        WriteWav(mono, TestSignal(48000, 24000, 1), SampleFormat::Float32);
    }

    Audio Render(const std::string& plugin, const std::string& in, std::vector<std::string> options = {})
    {
        std::vector<std::string> args = {"render", plugin, in, out};
        args.insert(args.end(), options.begin(), options.end());
        const CommandResult result = RunCaptured(args);
        EXPECT_EQ(result.code, 0) << result.Message();
        const Audio audio = ReadWav(out).audio;
        for (const auto& channel : audio.channels) {
            for (double v : channel) {
                EXPECT_TRUE(std::isfinite(v));
            }
        }
        return audio;
    }

    ScratchFolder folder;
    std::string stereo = folder.File("stereo.wav");
    std::string mono = folder.File("mono.wav");
    std::string out = folder.File("out.wav");
};

TEST_F(ThirdParty, InfoShowsNamesParametersAndPrograms)
{
    const struct {
        std::string plugin;
        std::vector<const char*> texts;
    } kCases[] = {
        {kSoulForce, {"effect name   Soul Force", "parameters    4", "Shape", "FBack"}},
        {kBitcrush, {"effect name   MaBitcrush", "inputs        1", "resolution", "bits"}},
        {kCompressor, {"Compressor Stereo", "parameters    35", "chunks", "g_in", "dB"}},
    };
    for (const auto& c : kCases) {
        const CommandResult result = RunCaptured({"info", c.plugin});
        ASSERT_EQ(result.code, 0) << result.Message();
        for (const char* text : c.texts) {
            EXPECT_NE(result.out.find(text), std::string::npos) << c.plugin << ": " << text;
        }
    }
}

TEST_F(ThirdParty, WaveshaperRendersAndFollowsItsParameter)
{
    const Audio input = ReadWav(stereo).audio;
    const Audio plain = Render(kSoulForce, stereo);
    ASSERT_EQ(plain.channels.size(), 2u);
    EXPECT_NE(plain.channels, input.channels);
    EXPECT_NE(Render(kSoulForce, stereo, {"--set", "Shape=0.9n"}).channels, plain.channels);
    EXPECT_EQ(Render(kSoulForce, stereo, {"--block", "100"}).channels, plain.channels);
    const CommandResult noDouble = RunCaptured({"render", kSoulForce, stereo, out, "--double"});
    EXPECT_NE(noDouble.Message().find("has no double-precision processing"), std::string::npos);
}

TEST_F(ThirdParty, MonoInputPluginTakesMonoFilesOnly)
{
    const Audio crushed = Render(kBitcrush, mono);
    EXPECT_EQ(crushed.channels.size(), 2u);
    EXPECT_NE(Render(kBitcrush, mono, {"--set", "resolution=2"}).channels, crushed.channels);
    const CommandResult refused = RunCaptured({"render", kBitcrush, stereo, out});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.Message().find("takes a mono input, but the input is stereo"), std::string::npos);
}

TEST_F(ThirdParty, ClapPluginsRenderThroughTheirOwnPortsOrAreRefusedInOneLine)
{
    const Audio tube = Render(kTube, mono);
    ASSERT_EQ(tube.channels.size(), 1u);
    EXPECT_NE(Render(kTube, mono, {"--set", "Tube Drive=8"}).channels, tube.channels);
    const std::string never = folder.File("never");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } kRefusals[] = {
        {{"render", kTube, stereo, never}, "takes a mono input, but the input is stereo"},
        {{"render", kTube, mono, never, "--double"}, "has no double-precision processing"},
        {{"render", kSideChained, stereo, never}, "renders through one mono or stereo port each way"},
        {{"snapshot", kTube, never}, "offers no Ruckstone snapshot extension"},
        {{"demo", never, "--plugin", kTube}, "has no program named '---- default ----'"},
        {{"preset", "export", kTube, never}, "has no programs to export"},
    };
    for (const auto& refusal : kRefusals) {
        const CommandResult result = RunCaptured(refusal.args);
        EXPECT_EQ(result.code, 1) << refusal.message;
        EXPECT_NE(result.Message().find(refusal.message), std::string::npos) << result.err;
        EXPECT_FALSE(FileExists(never)) << refusal.message;
    }
}

TEST_F(ThirdParty, ChunkStateOfACompressorGivesTheSameRender)
{
    const std::string state = folder.File("compressor.state");
    const Audio tweaked = Render(kCompressor, stereo, {"--set", "g_in=12", "--save-state", state});
    EXPECT_NE(tweaked.channels, Render(kCompressor, stereo).channels);
    EXPECT_EQ(Render(kCompressor, stereo, {"--state", state}).channels, tweaked.channels);
}
}  // namespace
