// ruckhost with Ruckstone.clap, in-process: the factory presets and settings render the same
// bits as in the VST2 module, info describes it, and bad input fails cleanly.
#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "tool_test_support.h"
#include "wav.h"

namespace {
const std::string kVst2 = RUCK_PLUGIN_PATH;
const std::string kClap = RUCK_CLAP_PATH;

using RuckhostClap = RenderTest;

TEST_F(RuckhostClap, PresetsAndSettingsSoundAsInTheVst2Module)
{
    for (const char* program : {"Nice guitar", "Decimator bass 2", "Foldback after drive"}) {
        const std::vector<std::string> options = {"--program", program, "--double", "--format", "float64"};
        EXPECT_EQ(Render(kClap, options).channels, Render(kVst2, options).channels) << program;
    }
    const std::vector<std::string> settings = {"--set", "Algorithm=Decimator", "--set", "flip thresh=-30",
                                               "--set", "Antialias=,x2+", "--set", "Mix=0.5n", "--block", "100"};
    EXPECT_EQ(Render(kClap, settings).channels, Render(kVst2, settings).channels);
}

TEST_F(RuckhostClap, InfoShowsDescriptorParametersAndPresets)
{
    const CommandResult result = RunCaptured({"info", kClap});
    ASSERT_EQ(result.code, 0) << result.err;
    for (const char* text : {"id            audio.tolvi.ruckstone", "features      audio-effect, distortion, stereo",
                             "parameters    11", "Flip Thresh", "-16 dB", "Decimator bass 2", "factory/15"}) {
        EXPECT_NE(result.out.find(text), std::string::npos) << text;
    }
}

TEST_F(RuckhostClap, BadInputIsRefused)
{
    ExpectRenderRefused(kClap, {"--set", "Mix=500"}, "value 500 for Mix is out of range (0 % to 100 %)");
    ExpectRenderRefused(kClap, {"--set", "Algorithm=Nope"}, "Algorithm does not take the value 'Nope'");
    ExpectRenderRefused(kClap, {"--set", "Volume=3"}, "has no parameter named 'Volume'");
    ExpectRenderRefused(kClap, {"--program", "99"}, "program index 99 is out of range");
    ExpectRenderRefused(kClap, {"--preset", in}, "for a CLAP plug-in use --program or --state");
    const std::string empty = folder.File("empty.state");
    WriteFileAtomically(empty, {});
    ExpectRenderRefused(kClap, {"--state", empty}, "refused the state in " + empty);
    const CommandResult missing = RunCaptured({"info", folder.File("Missing.clap")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.Message().find("Missing.clap"), std::string::npos);
}
}  // namespace
