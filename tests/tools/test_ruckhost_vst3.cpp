// ruckhost with the VST3 bundle, in-process: every factory program and settings render the
// same bits through both formats, info describes it, and bad input fails cleanly.
#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "tool_test_support.h"
#include "wav.h"

namespace {
const std::string kVst2 = RUCK_PLUGIN_PATH;
const std::string kVst3 = RUCK_VST3_BUNDLE_PATH;
constexpr int kPrograms = 25;

using RuckhostVst3 = RenderTest;

TEST_F(RuckhostVst3, EveryFactoryProgramSoundsTheSameInBothFormats)
{
    for (int program = 0; program < kPrograms; ++program) {
        const std::vector<std::string> options = {"--program", std::to_string(program), "--double", "--block", "512",
                                                  "--format", "float64"};
        EXPECT_EQ(Render(kVst3, options).channels, Render(kVst2, options).channels) << program;
    }
    const std::vector<std::string> single = {"--program", "Hard guitar", "--format", "float"};
    EXPECT_EQ(Render(kVst3, single).channels, Render(kVst2, single).channels);
}

TEST_F(RuckhostVst3, SettingsAsInTheVst2Module)
{
    const std::vector<std::string> settings = {"--set", "Algorithm=Decimator", "--set", "flip thresh=-30",
                                               "--set", "Antialias=,x2+", "--set", "Mix=0.5n"};
    EXPECT_EQ(Render(kVst3, settings).channels, Render(kVst2, settings).channels);
}

TEST_F(RuckhostVst3, InfoShowsClassesParametersAndPrograms)
{
    const CommandResult result = RunCaptured({"info", kVst3});
    ASSERT_EQ(result.code, 0) << result.err;
    for (const char* text : {"22F7B8D705596335457AFEC8C6B207AD \"Ruckstone\" Audio Module Class", "Fx|Distortion",
                             "vendor        Tolvi", "parameters    12", "programs      25", "Flip Thresh",
                             "Overdrive Fat", "Decimator bass 2", "- 25 -"}) {
        EXPECT_NE(result.out.find(text), std::string::npos) << text;
    }
}

TEST_F(RuckhostVst3, BadInputIsRefused)
{
    ExpectRenderRefused(kVst3, {"--set", "Mix=500"}, "value 500 for Mix is out of range (0 to 100)");
    ExpectRenderRefused(kVst3, {"--set", "Algorithm=Nope"}, "Algorithm does not take the value 'Nope'");
    ExpectRenderRefused(kVst3, {"--set", "Volume=3"}, "has no parameter named 'Volume'");
    ExpectRenderRefused(kVst3, {"--program", "99"}, "program index 99 is out of range");
    const std::string damaged = folder.File("damaged.state");
    WriteFileAtomically(damaged, std::vector<uint8_t>(5, 0xEE));
    ExpectRenderRefused(kVst3, {"--state", damaged}, "refused the state in " + damaged);
    const CommandResult missing = RunCaptured({"info", folder.File("Missing.vst3")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.Message().find("Missing.vst3"), std::string::npos);
}
}  // namespace
