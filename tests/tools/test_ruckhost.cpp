// ruckhost against our own plug-in binary, in-process through the same code as the
// executable: renders agree with the effect's own arithmetic, settings and states
// reproduce renders, and every kind of bad input fails with one line and no output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "effect/ruckstone.h"
#include "files.h"
#include "tool_test_support.h"
#include "wav.h"

namespace {
const std::string kPlugin = RUCK_PLUGIN_PATH;
constexpr int kRate = kRenderRate;
constexpr size_t kFrames = kRenderFrames;
constexpr int kFactoryPrograms = 17;

// The effect object built in this process, its chain fed the whole signal in one call:
// what the plug-in must compute, without the host's blocks, pins or float conversions.
Audio Reference(const Audio& input, int program, bool floatPath)
{
    VSTCLASS effect(nullptr);
    effect.Dispatch(effOpen, 0, 0, nullptr, 0.0f);
    effect.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(input.sampleRate));
    effect.Dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);
    effect.Dispatch(effSetProgram, 0, program, nullptr, 0.0f);
    const size_t frames = input.Frames();
    // A mono file reaches the chain's first channel; the second is silent.
    std::vector<double> in[2] = {input.channels[0], input.channels.size() > 1 ? input.channels[1]
                                                                              : std::vector<double>(frames)};
    std::vector<double> out[2] = {std::vector<double>(frames), std::vector<double>(frames)};
    double* inputs[2] = {in[0].data(), in[1].data()};
    double* outputs[2] = {out[0].data(), out[1].data()};
    effect.ProcessBlock(inputs, outputs, static_cast<int>(frames));
    Audio result;
    result.sampleRate = input.sampleRate;
    for (size_t c = 0; c < input.channels.size(); ++c) {
        result.channels.push_back(out[c]);
        if (floatPath) {
            for (double& v : result.channels.back()) {
                v = static_cast<float>(v);
            }
        }
    }
    return result;
}

std::string ProgramName(int program)
{
    VSTCLASS effect(nullptr);
    char name[64] = {};
    effect.Dispatch(effGetProgramNameIndexed, program, 0, name, 0.0f);
    return name;
}

class RuckhostRender : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        // As stored: the float file is what ruckhost reads.
        input = ReadWav(in).audio;
    }

    Audio Render(std::vector<std::string> options, const std::string& source = "")
    {
        return RenderTest::Render(kPlugin, std::move(options), source);
    }

    Audio input;
};

TEST_F(RuckhostRender, FactoryProgramsMatchTheEffectsOwnArithmetic)
{
    for (int program = 0; program < kFactoryPrograms; ++program) {
        const std::string name = ProgramName(program);
        const Audio single = Render({"--program", name, "--format", "float"});
        EXPECT_EQ(single.channels, Reference(input, program, true).channels) << name;
        const Audio twice = Render({"--program", name, "--double", "--format", "float64"});
        EXPECT_EQ(twice.channels, Reference(input, program, false).channels) << name;
    }
}

TEST_F(RuckhostRender, BlockSizeAndToldRateLeaveTheResultAlone)
{
    const Audio plain = Render({"--program", "Decimator"});
    for (const char* block : {"1", "333", "4096", "65536"}) {
        EXPECT_EQ(Render({"--program", "Decimator", "--block", block}).channels, plain.channels) << block;
    }
    const Audio told = Render({"--program", "Decimator", "--rate", "96000"});
    EXPECT_EQ(told.sampleRate, kRate);
    EXPECT_EQ(told.channels, plain.channels);
}

TEST_F(RuckhostRender, MonoFileGoesThroughTheMonoArrangement)
{
    Audio mono = input;
    mono.channels.resize(1);
    const std::string monoFile = folder.File("mono.wav");
    WriteWav(monoFile, mono, SampleFormat::Float32);
    const Audio rendered = Render({"--program", "Hard guitar"}, monoFile);
    ASSERT_EQ(rendered.channels.size(), 1u);
    EXPECT_EQ(rendered.channels, Reference(mono, 11, true).channels);
}

TEST_F(RuckhostRender, OutputFormatsFollowTheInputOrTheOption)
{
    WriteWav(in, input, SampleFormat::Pcm16);
    Render({});
    EXPECT_EQ(ReadWav(out).format, SampleFormat::Pcm16);
    Render({"--format", "pcm24"});
    EXPECT_EQ(ReadWav(out).format, SampleFormat::Pcm24);
}

TEST_F(RuckhostRender, SettingsByNameIndexTextAndNormalisedValueAgree)
{
    const Audio byName = Render({"--set", "Algorithm=Decimator", "--set", "Amount=70", "--set", "flip thresh=-30",
                                 "--set", "Antialias=,x2+", "--set", "Mix=0.5n"});
    const Audio byIndex =
        Render({"--set", "0=1n", "--set", "1=0.7n", "--set", "5=-30", "--set", "8=2", "--set", "10=50"});
    EXPECT_EQ(byName.channels, byIndex.channels);
    EXPECT_NE(byName.channels, Render({}).channels);
}

TEST_F(RuckhostRender, SavedStateGivesTheSameRender)
{
    const std::string state = folder.File("hard.state");
    const Audio tweaked = Render({"--program", "Hard guitar", "--set", "Round=33", "--set", "Pan=-40",
                                  "--save-state", state});
    EXPECT_EQ(Render({"--state", state}).channels, tweaked.channels);
    // A program chosen after the state wins over it.
    EXPECT_EQ(Render({"--state", state, "--program", "Nice guitar"}).channels,
              Render({"--program", "Nice guitar"}).channels);
    EXPECT_NE(Render({"--program", "Hard guitar"}).channels, tweaked.channels);
}

TEST(RuckhostInfo, ShowsTheRecordParametersAndPrograms)
{
    const CommandResult result = RunCaptured({"info", kPlugin});
    ASSERT_EQ(result.code, 0) << result.err;
    for (const char* text : {"effect name   Ruckstone", "vendor        Tolvi", "acdl (0x6163646C)",
                             "flags         0x1019 (editor, mono, replacing, double)",
                             "version       " RUCK_PROJECT_VERSION " (vendor version 10000, record version 10000)", "parameters    11",
                             "programs      25", "Flip Thresh", "Overdrive Fat", "dB", "Decimator bass 2",
                             "- 25 -"}) {
        EXPECT_NE(result.out.find(text), std::string::npos) << text;
    }
}

// A plug-in named by its bare file name is the one in the current folder.
TEST(RuckhostInfo, TakesAPlugInInTheCurrentFolderByItsName)
{
    const std::filesystem::path plugin(kPlugin);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(plugin.parent_path());
    const CommandResult result = RunCaptured({"info", plugin.filename().string()});
    std::filesystem::current_path(before);
    EXPECT_EQ(result.code, 0) << result.err;
}

TEST(RuckhostDemo, WritesTheInputAndFourDifferentRendersThatCompare)
{
    ScratchFolder folder;
    const std::string demo = folder.File("demo");
    const CommandResult result = RunCaptured({"demo", demo, "--plugin", kPlugin});
    ASSERT_EQ(result.code, 0) << result.err;
    std::map<std::string, Audio> files;
    for (const char* name : {"input", "default", "nice-guitar", "hard-guitar", "decimator-bass"}) {
        const WavFile file = ReadWav(demo + "/" + name + ".wav");
        EXPECT_EQ(file.format, SampleFormat::Float64);
        EXPECT_GE(file.audio.Frames(), 4u * kRate);
        files[name] = file.audio;
    }
    for (const auto& [name, audio] : files) {
        for (const auto& [other, otherAudio] : files) {
            EXPECT_TRUE(name == other || audio.channels != otherAudio.channels) << name << " = " << other;
        }
    }
    EXPECT_EQ(RunCaptured({"compare", demo, demo, "--tolerance", "0"}).code, 0);
    const std::string copy = folder.File("copy");
    std::filesystem::copy(demo, copy);
    Audio louder = files["default"];
    louder.channels[1][1000] += 1e-6;
    WriteWav(copy + "/default.wav", louder, SampleFormat::Float64);
    const CommandResult differ = RunCaptured({"compare", demo, copy});
    EXPECT_EQ(differ.code, 1);
    EXPECT_NE(differ.out.find("default.wav"), std::string::npos);
    EXPECT_EQ(RunCaptured({"compare", demo, copy, "--tolerance", "1e-5"}).code, 0);
    EXPECT_EQ(RunCaptured({"compare", demo, copy, "--from", "0.02"}).code, 1);
    EXPECT_EQ(RunCaptured({"compare", demo, copy, "--from", "0.03"}).code, 0);
}

std::vector<std::vector<double>> ReadCsv(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');) {
            row.push_back(std::stod(field));
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(RuckhostAnalyse, CurveAndSpectrumMeasureThePlugin)
{
    ScratchFolder folder;
    const std::string csv = folder.File("out.csv");
    // Everything neutral: the curve is the ramp itself, the spectrum the sine alone.
    const std::vector<std::string> neutral = {"--set", "Algorithm=Off", "--set", "Round=0", "--set", "Mix=100"};
    std::vector<std::string> args = {"curve", kPlugin, csv, "--points", "5"};
    args.insert(args.end(), neutral.begin(), neutral.end());
    ASSERT_EQ(RunCaptured(args).code, 0);
    const auto curve = ReadCsv(csv);
    ASSERT_EQ(curve.size(), 5u);
    EXPECT_EQ(curve.front()[0], -2.0);
    EXPECT_EQ(curve.back()[0], 2.0);
    for (const auto& row : curve) {
        EXPECT_NEAR(row[1], row[0], 1e-6);
    }
    args = {"spectrum", kPlugin, csv};
    args.insert(args.end(), neutral.begin(), neutral.end());
    ASSERT_EQ(RunCaptured(args).code, 0);
    auto spectrum = ReadCsv(csv);
    ASSERT_EQ(spectrum.size(), 23u);
    EXPECT_NEAR(spectrum[0][2], -6.0, 0.01);
    EXPECT_LT(spectrum[2][2], -120.0);
    ASSERT_EQ(RunCaptured({"spectrum", kPlugin, csv, "--program", "Hard guitar"}).code, 0);
    spectrum = ReadCsv(csv);
    EXPECT_EQ(spectrum[2][1], 3000.0);
    EXPECT_GT(spectrum[2][2], -40.0);  // a strong third harmonic
    const CommandResult refused = RunCaptured({"spectrum", kPlugin, csv, "--frequency", "30000"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.Message().find("--frequency 30000 is out of range"), std::string::npos) << refused.err;
}

// Every bad input: exit 1, one line naming the problem, and no output file at all.
class RuckhostBadInput : public testing::Test {
protected:
    void SetUp() override
    {
        WriteWav(names["{in}"], TestSignal(kRate, 2000), SampleFormat::Pcm16);
        WriteWav(names["{surround}"], TestSignal(kRate, 100, 3), SampleFormat::Pcm16);
        std::ofstream(names["{text}"]) << "this is not audio\n";
        std::vector<uint8_t> wav = ReadFileBytes(names["{in}"]);
        wav.resize(wav.size() / 2);
        WriteFileAtomically(names["{short}"], wav);
        ASSERT_EQ(RunCaptured({"render", kPlugin, names["{in}"], names["{ok}"], "--save-state", names["{state}"]})
                      .code,
                  0);
        std::vector<uint8_t> state = ReadFileBytes(names["{state}"]);
        WriteFileAtomically(names["{cut-state}"], std::vector<uint8_t>(state.begin(), state.end() - 3));
        std::copy_n("XXXX", 4, state.begin() + 8);
        WriteFileAtomically(names["{foreign-state}"], state);
        std::filesystem::remove(names["{ok}"]);
    }

    void ExpectFailure(std::vector<std::string> args, const std::string& fragment)
    {
        for (std::string& arg : args) {
            for (const auto& [key, path] : names) {
                const size_t at = arg.find(key);
                if (at != std::string::npos) {
                    arg.replace(at, key.size(), path);
                }
            }
        }
        const CommandResult result = RunCaptured(args);
        const std::string line = args[0] + " ... " + fragment;
        EXPECT_EQ(result.code, 1) << line;
        EXPECT_EQ(result.Message().rfind("ruckhost: ", 0), 0u) << line << ": " << result.err;
        EXPECT_NE(result.Message().find(fragment), std::string::npos) << result.Message();
        size_t lines = 0;
        for (size_t at = result.err.find("ruckhost: "); at != std::string::npos;
             at = result.err.find("ruckhost: ", at + 1)) {
            ++lines;
        }
        EXPECT_EQ(lines, 1u) << result.err;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.File(""))) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name != "out.wav" && name.find(".partial") == std::string::npos) << line << ": " << name;
        }
    }

    // A render of {in} into {out} with the given options.
    void ExpectRenderFailure(std::vector<std::string> options, const std::string& fragment)
    {
        std::vector<std::string> args = {"render", "{plugin}", "{in}", "{out}"};
        args.insert(args.end(), options.begin(), options.end());
        ExpectFailure(args, fragment);
    }

    ScratchFolder folder;
    std::map<std::string, std::string> names = {
        {"{in}", folder.File("in.wav")},
        {"{surround}", folder.File("surround.wav")},
        {"{text}", folder.File("text.wav")},
        {"{short}", folder.File("short.wav")},
        {"{ok}", folder.File("ok.wav")},
        {"{out}", folder.File("out.wav")},
        {"{missing}", folder.File("missing")},
        {"{folder}", folder.File("")},
        {"{state}", folder.File("saved.state")},
        {"{cut-state}", folder.File("cut.state")},
        {"{foreign-state}", folder.File("foreign.state")},
        {"{null-entry}", RUCK_NULL_ENTRY_PATH},
        {"{no-entry}", RUCK_NO_ENTRY_PATH},
        {"{plugin}", kPlugin},
    };
};

TEST_F(RuckhostBadInput, AudioFiles)
{
    ExpectFailure({"render", "{plugin}", "{missing}.wav", "{out}"}, "cannot open");
    ExpectFailure({"render", "{plugin}", "{folder}", "{out}"}, "is a directory");
    ExpectFailure({"render", "{plugin}", "{text}", "{out}"}, "is not a WAV file");
    ExpectFailure({"render", "{plugin}", "{short}", "{out}"}, "is cut short");
    ExpectFailure({"render", "{plugin}", "{surround}", "{out}"}, "the input has 3 channels");
    ExpectFailure({"render", "{plugin}", "{in}", "{missing}/out.wav"}, "cannot create");
    ExpectFailure({"compare", "{in}", "{text}"}, "is not a WAV file");
}

TEST_F(RuckhostBadInput, PluginBinaries)
{
    ExpectFailure({"render", "{missing}.so", "{in}", "{out}"}, "cannot load plug-in");
    ExpectFailure({"render", "{text}", "{in}", "{out}"}, "cannot load plug-in");
    ExpectFailure({"render", "{no-entry}", "{in}", "{out}"}, "is not a VST2 plug-in (no VSTPluginMain or main");
    ExpectFailure({"render", "{null-entry}", "{in}", "{out}"}, "the entry point returned no plug-in (null)");
    ExpectFailure({"info", "{null-entry}"}, "returned no plug-in");
    ExpectFailure({"stress", "{no-entry}", "--seconds", "1"}, "is not a VST2 plug-in");
    ExpectFailure({"bench", "{plugin}", "{null-entry}"}, "returned no plug-in");
    ExpectFailure({"demo", "{folder}/demo", "--plugin", "{no-entry}"}, "is not a VST2 plug-in");
}

TEST_F(RuckhostBadInput, ProgramsParametersAndValues)
{
    ExpectRenderFailure({"--program", "Clean"}, "has no program named 'Clean'");
    ExpectRenderFailure({"--program", "25"}, "program index 25 is out of range");
    ExpectRenderFailure({"--program", "-1"}, "program index -1 is out of range");
    ExpectRenderFailure({"--set", "Volume=3"}, "has no parameter named 'Volume'");
    ExpectRenderFailure({"--set", "11=0.5n"}, "parameter index 11 is out of range");
    ExpectRenderFailure({"--set", "Amount=150"}, "value 150 for Amount is out of range (0 to 100)");
    ExpectRenderFailure({"--set", "Threshold=-70"}, "value -70 for Threshold is out of range (-64 to 0)");
    ExpectRenderFailure({"--set", "Mix=1.5n"}, "value 1.5n for Mix is out of range (normalised values are 0n to 1n)");
    ExpectRenderFailure({"--set", "Algorithm=Fuzz"}, "Algorithm does not take the value 'Fuzz'");
    ExpectRenderFailure({"--set", "Amount="}, "Amount does not take the value ''");
    ExpectRenderFailure({"--set", "Amount"}, "--set 'Amount' is not of the form PARAM=VALUE");
}

TEST_F(RuckhostBadInput, OptionsAndStates)
{
    ExpectRenderFailure({"--block", "0"}, "--block 0 is out of range");
    ExpectRenderFailure({"--block", "many"}, "--block: 'many' is not a whole number");
    ExpectRenderFailure({"--rate", "10"}, "--rate 10 is out of range");
    ExpectRenderFailure({"--format", "pcm8"}, "unknown sample format 'pcm8'");
    ExpectRenderFailure({"--bogus"}, "unknown option --bogus");
    ExpectRenderFailure({"--state", "{text}"}, "is not a ruckhost state file");
    ExpectRenderFailure({"--state", "{cut-state}"}, "is cut short or damaged");
    ExpectRenderFailure({"--state", "{foreign-state}"}, "holds the state of plug-in 'XXXX'");
    ExpectRenderFailure({"--state", "{missing}"}, "cannot open");
    ExpectRenderFailure({"--save-state", "{missing}/s.state"}, "cannot create");
    ExpectFailure({"render", "{plugin}", "{in}"}, "missing arguments; usage: ruckhost render");
    ExpectFailure({"frobnicate"}, "unknown command 'frobnicate'");
}

TEST_F(RuckhostBadInput, PresetFiles)
{
    const std::string good = names["{folder}"] + "/good.fxp";
    ASSERT_EQ(RunCaptured({"render", kPlugin, names["{in}"], names["{ok}"], "--save-preset", good}).code, 0);
    std::filesystem::remove(names["{ok}"]);
    const std::vector<uint8_t> bytes = ReadFileBytes(good);
    // Each damaged copy: a cut, another plug-in's ID, one parameter less, an opaque chunk.
    std::vector<uint8_t> foreign = bytes;
    std::copy_n("XXXX", 4, foreign.begin() + 16);
    std::vector<uint8_t> fewer(bytes.begin(), bytes.end() - 4);
    fewer[27] = 10;
    fewer[7] -= 4;
    std::vector<uint8_t> chunk = bytes;
    std::copy_n("FPCh", 4, chunk.begin() + 8);
    chunk[56] = chunk[57] = chunk[58] = 0;
    chunk[59] = 40;
    const std::map<std::string, std::vector<uint8_t>> files = {{"{cut-fxp}", {bytes.begin(), bytes.end() - 1}},
                                                               {"{foreign-fxp}", foreign},
                                                               {"{fewer-fxp}", fewer},
                                                               {"{chunk-fxp}", chunk}};
    for (const auto& [key, content] : files) {
        names[key] = folder.File(key.substr(1, key.size() - 2) + ".fxp");
        WriteFileAtomically(names[key], content);
    }
    ExpectRenderFailure({"--preset", "{text}"}, "is not a VST preset file (no CcnK header)");
    ExpectRenderFailure({"--preset", "{cut-fxp}"}, "is cut short: it ends inside its parameter values");
    ExpectRenderFailure({"--preset", "{foreign-fxp}"}, "is a preset of plug-in 'XXXX', not of");
    ExpectRenderFailure({"--preset", "{fewer-fxp}"}, "holds 10 parameter values; ");
    ExpectRenderFailure({"--preset", "{chunk-fxp}"}, "holds a chunk, but ");
    ExpectRenderFailure({"--preset", "{missing}"}, "cannot open");
    ExpectRenderFailure({"--save-preset", "{missing}/p.fxp"}, "cannot create");
    ExpectFailure({"preset", "import", "{plugin}", "{folder}/p"}, "unknown preset action 'import'");
    ExpectFailure({"preset", "export", "{no-entry}", "{folder}/p"}, "is not a VST2 plug-in");
    ExpectFailure({"preset", "export", "{plugin}", "{text}/p"}, "cannot create the folder");
}
}  // namespace
