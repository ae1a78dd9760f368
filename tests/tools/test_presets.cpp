// Standard preset files: the byte layout of all four forms, every factory program and the
// bank through export and back into a fresh instance, and the refusals of damaged files.
#include <gtest/gtest.h>

#include <filesystem>

#include "files.h"
#include "host_error.h"
#include "preset.h"
#include "preset_file.h"
#include "render.h"
#include "tool_test_support.h"

namespace {
const std::string kPlugin = RUCK_PLUGIN_PATH;
constexpr int kRate = 44100;
constexpr int kFactoryPrograms = 17;

std::vector<float> Values(const PluginInstance& plugin)
{
    std::vector<float> values;
    for (int i = 0; i < plugin.ParameterCount(); ++i) {
        values.push_back(plugin.GetParameter(i));
    }
    return values;
}

std::string FactoryFile(const std::string& folder, int program)
{
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d ", program + 1);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) {
            return entry.path().string();
        }
    }
    return "";
}

Preset SamplePreset(bool bank, bool opaque)
{
    Preset p;
    p.bank = bank;
    p.opaque = opaque;
    p.pluginId = 0x61626364;
    p.pluginVersion = 10203;
    p.count = bank ? 2 : 3;
    p.currentProgram = bank ? 1 : -1;
    if (opaque) {
        p.chunk = {1, 2, 3, 4, 5};
    }
    if (!opaque || !bank) {
        p.programs.push_back({"First", opaque ? std::vector<float>{} : std::vector<float>{0.0f, 0.25f, 1.0f}});
    }
    if (bank && !opaque) {
        p.programs.push_back({"A name longer than twenty-seven characters", {0.5f, 0.75f, 0.125f}});
    }
    return p;
}
}  // namespace

TEST(PresetFile, ProgramListHasTheStandardBigEndianLayout)
{
    const std::vector<uint8_t> bytes = EncodePreset(SamplePreset(false, false));
    ASSERT_EQ(bytes.size(), 56u + 3 * 4);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "CcnK");
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + 4, bytes.begin() + 8)), (std::vector<uint8_t>{0, 0, 0, 60}));
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), std::string("FxCk\0\0\0\1", 8));
    EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 20), "abcd");
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + 20, bytes.begin() + 28)),
              (std::vector<uint8_t>{0, 0, 0x27, 0xDB, 0, 0, 0, 3}));
    EXPECT_EQ(std::string(bytes.begin() + 28, bytes.begin() + 34), std::string("First\0", 6));
    // 0.25f is 0x3E800000, 1.0f 0x3F800000.
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + 60, bytes.end())),
              (std::vector<uint8_t>{0x3E, 0x80, 0, 0, 0x3F, 0x80, 0, 0}));
}

TEST(PresetFile, AllFourFormsComeBackAsWritten)
{
    for (const bool bank : {false, true}) {
        for (const bool opaque : {false, true}) {
            const Preset written = SamplePreset(bank, opaque);
            const std::vector<uint8_t> bytes = EncodePreset(written);
            const std::string kind(bytes.begin() + 8, bytes.begin() + 12);
            EXPECT_EQ(kind, bank ? (opaque ? "FBCh" : "FxBk") : (opaque ? "FPCh" : "FxCk"));
            const Preset read = DecodePreset(bytes, kind);
            EXPECT_EQ(read.bank, bank);
            EXPECT_EQ(read.opaque, opaque);
            EXPECT_EQ(read.pluginId, written.pluginId);
            EXPECT_EQ(read.pluginVersion, written.pluginVersion);
            EXPECT_EQ(read.count, written.count);
            EXPECT_EQ(read.currentProgram, written.currentProgram);
            EXPECT_EQ(read.chunk, written.chunk);
            ASSERT_EQ(read.programs.size(), written.programs.size()) << kind;
            for (size_t i = 0; i < read.programs.size(); ++i) {
                EXPECT_EQ(read.programs[i].name, written.programs[i].name.substr(0, kPresetNameChars));
                EXPECT_EQ(read.programs[i].values, written.programs[i].values);
            }
            EXPECT_EQ(EncodePreset(read), bytes) << kind;
        }
    }
}

TEST(PresetFile, EveryCutAndDamageIsRefused)
{
    for (const bool bank : {false, true}) {
        for (const bool opaque : {false, true}) {
            const std::vector<uint8_t> bytes = EncodePreset(SamplePreset(bank, opaque));
            for (size_t size = 0; size < bytes.size(); ++size) {
                EXPECT_THROW(DecodePreset(std::vector<uint8_t>(bytes.begin(), bytes.begin() + size), "cut"), HostError)
                    << size;
            }
            std::vector<uint8_t> longer = bytes;
            longer.push_back(0);
            EXPECT_THROW(DecodePreset(longer, "long"), HostError);
        }
    }
    const std::vector<uint8_t> good = EncodePreset(SamplePreset(false, false));
    const struct {
        size_t at;
        uint8_t byte;
        const char* message;
    } damages[] = {{0, 'X', "not a VST preset file (no CcnK header)"},
                   {8, 'X', "unknown kind 'XxCk'"},
                   {15, 9, "unknown preset format version 9"},
                   {24, 0x80, "parameter count is negative"},
                   {27, 2, "4 bytes follow the end"},
                   {60, 0x7F, "parameter value outside 0..1"},
                   {64, 0xFF, "parameter value outside 0..1"}};
    for (const auto& damage : damages) {
        std::vector<uint8_t> bytes = good;
        bytes[damage.at] = damage.byte;
        try {
            DecodePreset(bytes, "bad.fxp");
            ADD_FAILURE() << damage.message;
        } catch (const HostError& e) {
            EXPECT_NE(std::string(e.what()).find(damage.message), std::string::npos) << e.what();
        }
    }
}

TEST(PresetFile, ChunkPluginsSaveAndLoadTheirChunks)
{
    const PluginLibrary library(RUCK_CHUNK_PLUGIN_PATH);
    const PluginInstance source(library);
    source.SetParameter(0, 0.25f);
    for (const bool bank : {false, true}) {
        const std::vector<uint8_t> bytes = bank ? SaveBankPreset(source) : SaveProgramPreset(source);
        const Preset preset = DecodePreset(bytes, "chunk");
        EXPECT_TRUE(preset.opaque);
        EXPECT_EQ(preset.chunk, source.GetChunk(bank));
        const PluginInstance target(library);
        LoadPreset(target, bytes, "chunk");
        EXPECT_EQ(target.GetParameter(0), 0.25f);
    }
}

class PresetRoundTrip : public testing::Test {
protected:
    void SetUp() override
    {
        WriteWav(in, input, SampleFormat::Float32);
        const CommandResult result = RunCaptured({"preset", "export", kPlugin, exported});
        ASSERT_EQ(result.code, 0) << result.err;
    }

    std::vector<std::vector<double>> Render(std::vector<std::string> options)
    {
        std::vector<std::string> args = {"render", kPlugin, in, out};
        args.insert(args.end(), options.begin(), options.end());
        const CommandResult result = RunCaptured(args);
        EXPECT_EQ(result.code, 0) << result.err;
        return ReadWav(out).audio.channels;
    }

    const Audio input = TestSignal(kRate, 4096);
    ScratchFolder folder;
    std::string in = folder.File("in.wav");
    std::string out = folder.File("out.wav");
    std::string exported = folder.File("presets");
    const PluginLibrary library{kPlugin};
};

TEST_F(PresetRoundTrip, EveryFactoryProgramComesBackWithItsValuesAndSound)
{
    for (int program = 0; program < kFactoryPrograms; ++program) {
        const std::string file = FactoryFile(exported, program);
        ASSERT_FALSE(file.empty()) << program;
        PluginInstance factory(library);
        factory.SelectProgram(program);
        PluginInstance loaded(library);
        LoadPreset(loaded, ReadFileBytes(file), file);
        EXPECT_EQ(Values(loaded), Values(factory)) << file;
        EXPECT_EQ(loaded.Text(effGetProgramName), factory.Text(effGetProgramName));
        EXPECT_EQ(RenderAudio(loaded, input, {}).channels, RenderAudio(factory, input, {}).channels) << file;
    }
}

TEST_F(PresetRoundTrip, TheBankRestoresEveryProgram)
{
    const std::string bank = exported + "/Ruckstone.fxb";
    const PluginInstance exporter(library);
    const PluginInstance loaded(library);
    loaded.SetParameter(3, 0.9f);
    loaded.Dispatch(effSetProgram, 0, 5);
    const std::vector<uint8_t> bytes = ReadFileBytes(bank);
    LoadPreset(loaded, bytes, bank);
    EXPECT_EQ(loaded.CurrentProgram(), 0);
    EXPECT_EQ(SaveBankPreset(loaded), bytes);
    for (int program = 0; program < loaded.ProgramCount(); ++program) {
        loaded.SelectProgram(program);
        exporter.SelectProgram(program);
        EXPECT_EQ(Values(loaded), Values(exporter)) << program;
        EXPECT_EQ(loaded.Text(effGetProgramName), exporter.Text(effGetProgramName)) << program;
    }
}

TEST_F(PresetRoundTrip, SavedPresetGivesTheSameRender)
{
    const std::string saved = folder.File("tweaked.fxp");
    const auto tweaked = Render({"--program", "Hard guitar", "--set", "Round=33", "--save-preset", saved});
    EXPECT_EQ(Render({"--preset", saved}), tweaked);
    EXPECT_NE(Render({"--program", "Hard guitar"}), tweaked);
    const std::string bank = folder.File("tweaked.fxb");
    Render({"--program", "Hard guitar", "--set", "Round=33", "--save-preset", bank});
    EXPECT_TRUE(DecodePreset(ReadFileBytes(bank), bank).bank);
    EXPECT_EQ(Render({"--preset", bank}), tweaked);
}
