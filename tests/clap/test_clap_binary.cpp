// Ruckstone.clap through its binary interface only: entry and factory, lifecycle orders,
// parameter texts, state, sample-accurate events, both sample sizes and the editor's frame;
// renders compared bit for bit with the VST2 module of the same build; and the checks
// CLAP validators make (tools/claphost/clap_checks), which must all pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "clap_checks.h"
#include "clap_host.h"
#include "reference_render.h"

namespace {
constexpr uint32_t kParams = 11;
constexpr int kPrograms = 25;
constexpr clap::Id kMix = 10;
constexpr clap::Id kAmount = 1;
constexpr uint32_t kBlock = kReferenceBlock;
constexpr double kRate = kReferenceRate;
// The id hosts store in projects and preset lists; it may never change.
constexpr const char* kPluginId = "audio.tolvi.ruckstone";

#ifdef _WIN32
constexpr const char* kWindowApi = "win32";
#else
constexpr const char* kWindowApi = "x11";
#endif

Channels RenderClap(ClapInstance& plug, const Channels& input, uint32_t block = kBlock)
{
    return RenderInBlocks(input, block, [&](double** in, double** out, uint32_t n, bool) {
        EXPECT_EQ(plug.Process64(in, out, 2, n), clap::kProcessContinue);
    });
}

bool AllFiniteAndNormal(const Channels& channels)
{
    for (const auto& channel : channels) {
        for (double s : channel) {
            if (!std::isfinite(s) || (s != 0.0 && std::fpclassify(s) == FP_SUBNORMAL)) {
                return false;
            }
        }
    }
    return true;
}

class ClapBinary : public FormatBinaryTest<ClapFile, ClapInstance> {
protected:
    ClapBinary() : FormatBinaryTest(RUCK_CLAP_PATH) {}
};

TEST_F(ClapBinary, EntryFactoryAndDescriptor)
{
    const clap::PluginEntry* entry = file.Entry();
    EXPECT_EQ(entry->clap_version.major, 1u);
    // Initialising again is counted, not refused.
    ASSERT_TRUE(entry->init(RUCK_CLAP_PATH));
    entry->deinit();

    const clap::PluginFactory* factory = file.Factory();
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap::PluginDescriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->id, kPluginId);
    EXPECT_STREQ(d->name, "Ruckstone");
    EXPECT_STREQ(d->vendor, "Tolvi");
    EXPECT_STREQ(d->version, RUCK_PROJECT_VERSION);
    std::vector<std::string> features;
    for (const char* const* f = d->features; *f != nullptr; ++f) {
        features.emplace_back(*f);
    }
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "distortion", "stereo"}));
    EXPECT_EQ(plug.plugin->desc, d);

    clap::Host host = {clap::kVersion, nullptr, "h", "", "", "1", nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(factory->create_plugin(factory, &host, "audio.tolvi.ruckston"), nullptr);

    // One stereo main port each way, 64-bit capable.
    ASSERT_NE(plug.ports, nullptr);
    for (bool input : {true, false}) {
        ASSERT_EQ(plug.ports->count(plug.plugin, input), 1u);
        clap::AudioPortInfo port = {};
        ASSERT_TRUE(plug.ports->get(plug.plugin, 0, input, &port));
        EXPECT_EQ(port.channel_count, 2u);
        EXPECT_STREQ(port.port_type, "stereo");
        EXPECT_TRUE(port.flags & clap::kPortIsMain);
        EXPECT_TRUE(port.flags & clap::kPortSupports64Bits);
        EXPECT_FALSE(plug.ports->get(plug.plugin, 1, input, &port));
    }
    const auto* latency = static_cast<const clap::PluginLatency*>(plug.plugin->get_extension(plug.plugin, "clap.latency"));
    ASSERT_NE(latency, nullptr);
    EXPECT_EQ(latency->get(plug.plugin), 0u);
    EXPECT_EQ(plug.plugin->get_extension(plug.plugin, "clap.note-ports"), nullptr);
}

TEST_F(ClapBinary, MonoLayoutOnRequest)
{
    const auto* configs = static_cast<const clap::PluginAudioPortsConfig*>(
        plug.plugin->get_extension(plug.plugin, clap::kExtAudioPortsConfig));
    const auto* info = static_cast<const clap::PluginAudioPortsConfigInfo*>(
        plug.plugin->get_extension(plug.plugin, clap::kExtAudioPortsConfigInfo));
    ASSERT_NE(configs, nullptr);
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(configs->count(plug.plugin), 2u);
    clap::AudioPortsConfig mono = {};
    ASSERT_TRUE(configs->get(plug.plugin, 1, &mono));
    EXPECT_EQ(mono.main_input_channel_count, 1u);
    EXPECT_STREQ(mono.main_output_port_type, "mono");
    EXPECT_EQ(info->current_config(plug.plugin), 0u);

    ASSERT_TRUE(plug.Start(kRate, kBlock));
    EXPECT_FALSE(configs->select(plug.plugin, mono.id)) << "only while inactive";
    plug.Stop();
    EXPECT_FALSE(configs->select(plug.plugin, 7));
    ASSERT_TRUE(configs->select(plug.plugin, mono.id));
    EXPECT_EQ(info->current_config(plug.plugin), mono.id);
    for (bool input : {true, false}) {
        clap::AudioPortInfo now = {};
        clap::AudioPortInfo listed = {};
        ASSERT_TRUE(plug.ports->get(plug.plugin, 0, input, &now));
        ASSERT_TRUE(info->get(plug.plugin, mono.id, 0, input, &listed));
        EXPECT_EQ(now.channel_count, 1u);
        EXPECT_STREQ(now.port_type, "mono");
        EXPECT_EQ(std::memcmp(&now, &listed, sizeof now), 0);
    }

    // The one channel sounds as the left channel of a stereo instance whose right is silent.
    const auto input = TestSignal(kBlock * 2);
    ClapInstance stereo(file);
    ASSERT_TRUE(plug.Start(kRate, kBlock));
    ASSERT_TRUE(stereo.Start(kRate, kBlock));
    const Channels leftOnly = {input[0], std::vector<double>(input[0].size())};
    const Channels viaStereo = RenderClap(stereo, leftOnly);
    Channels viaMono(2, std::vector<double>(input[0].size()));
    for (uint32_t done = 0; done < input[0].size(); done += kBlock) {
        double* in[1] = {const_cast<double*>(input[0].data()) + done};
        double* out[1] = {viaMono[0].data() + done};
        ASSERT_EQ(plug.Process64(in, out, 1, kBlock), clap::kProcessContinue);
    }
    EXPECT_EQ(std::memcmp(viaMono[0].data(), viaStereo[0].data(), input[0].size() * sizeof(double)), 0);
}

TEST_F(ClapBinary, LifecycleOrders)
{
    const auto input = TestSignal(kBlock * 3);
    ASSERT_TRUE(plug.Start(kRate, kBlock));
    HostInputEvents loud;
    loud.AddValue(0, kAmount, 90);
    plug.Flush(&loud, nullptr);
    RenderClap(plug, input);
    plug.Stop();
    ASSERT_TRUE(plug.Start(kRate, kBlock));
    const auto first = RenderClap(plug, input);

    // Activate and deactivate again and again, stop and start processing, reset: the same
    // sound each time from a cleared state.
    for (int round = 0; round < 3; ++round) {
        plug.Stop();
        ASSERT_TRUE(plug.Start(kRate, kBlock));
        EXPECT_TRUE(SameBits(RenderClap(plug, input), first)) << "round " << round;
        plug.plugin->stop_processing(plug.plugin);
        ASSERT_TRUE(plug.plugin->start_processing(plug.plugin));
        plug.plugin->reset(plug.plugin);
        EXPECT_TRUE(SameBits(RenderClap(plug, input), first)) << "after reset, round " << round;
    }
    EXPECT_DOUBLE_EQ(plug.Value(kAmount), 90.0) << "reset keeps values";
    // Activating an active instance is refused; a new rate takes a new activation.
    EXPECT_FALSE(plug.plugin->activate(plug.plugin, kRate, 1, kBlock));
    plug.Stop();
    EXPECT_FALSE(plug.plugin->activate(plug.plugin, 0.0, 1, kBlock));
    ASSERT_TRUE(plug.Start(96000.0, 64));
    EXPECT_TRUE(AllFiniteAndNormal(RenderClap(plug, input, 64)));
}

TEST_F(ClapBinary, ParametersAndTheirTexts)
{
    AEffect* e = OpenVst2Reference(vst2);
    ASSERT_EQ(plug.ParamCount(), kParams);
    for (uint32_t i = 0; i < kParams; ++i) {
        const clap::ParamInfo info = plug.ParamAt(i);
        EXPECT_EQ(info.id, i);
        EXPECT_EQ(std::string(info.name), vst2.Text(e, effGetParamName, static_cast<int>(i)));
        EXPECT_TRUE(info.flags & clap::kParamIsStepped) << "every Ruckstone parameter is stepped";
        EXPECT_TRUE(info.flags & clap::kParamIsAutomatable);
        EXPECT_EQ(plug.Value(i), info.default_value);
        const std::string label = vst2.Text(e, effGetParamLabel, static_cast<int>(i));
        const std::string vst2Text = vst2.Text(e, effGetParamDisplay, static_cast<int>(i));
        const std::string text = plug.ValueText(i, info.default_value);
        EXPECT_TRUE(text == vst2Text || text == vst2Text + " " + label) << text << " / " << vst2Text;
        // Every value to text and back, and text typed without the unit.
        for (double v = info.min_value; v <= info.max_value; v += 1.0) {
            const std::string shown = plug.ValueText(i, v);
            ASSERT_FALSE(shown.empty());
            double back = -1e9;
            ASSERT_TRUE(plug.TextValue(i, shown, back)) << shown;
            EXPECT_EQ(back, v) << "parameter " << i << " text " << shown;
        }
    }
    double ignored = 0.0;
    EXPECT_FALSE(plug.TextValue(kParams, "1", ignored));
    EXPECT_FALSE(plug.TextValue(kMix, "loud", ignored));
    EXPECT_TRUE(plug.TextValue(kMix, "150", ignored));
    EXPECT_EQ(ignored, plug.ParamAt(kMix).max_value) << "typed values are held to the range";
    // A small buffer gets a cut, terminated text; none at all is refused.
    char small[3] = {'x', 'x', 'x'};
    EXPECT_TRUE(plug.params->value_to_text(plug.plugin, kMix, 55, small, sizeof small));
    EXPECT_EQ(std::strlen(small), 2u);
    EXPECT_FALSE(plug.params->value_to_text(plug.plugin, kMix, 55, small, 0));
}

TEST_F(ClapBinary, StateIsTheVst2StateChunkAndRestoresWhole)
{
    HostInputEvents changes;
    changes.AddValue(0, kMix, 40);
    changes.AddValue(0, kAmount, 75);
    plug.Flush(&changes, nullptr);
    const std::vector<uint8_t> state = plug.State();
    ASSERT_FALSE(state.empty());

    AEffect* e = OpenVst2Reference(vst2);
    for (clap::Id id : {kMix, kAmount}) {
        const clap::ParamInfo info = plug.ParamAt(id);
        const double normalized = (plug.Value(id) - info.min_value) / (info.max_value - info.min_value);
        e->setParameter(e, static_cast<VstInt32>(id), static_cast<float>(normalized));
    }
    EXPECT_EQ(vst2.Chunk(e, false), state);

    // Loaded a few bytes at a time, then saved a few bytes at a time: the same bytes.
    ClapInstance other(file);
    ASSERT_TRUE(other.LoadState(state, 3));
    EXPECT_EQ(other.State(5), state);
    EXPECT_DOUBLE_EQ(other.Value(kMix), 40.0);

    // Damaged states are refused and change nothing.
    std::vector<uint8_t> truncated(state.begin(), state.end() - 3);
    std::vector<uint8_t> notANumber = state;
    const double nan = std::nan("");
    std::memcpy(notANumber.data() + notANumber.size() - sizeof nan, &nan, sizeof nan);
    for (const auto& bad : {truncated, notANumber, std::vector<uint8_t>()}) {
        EXPECT_FALSE(other.LoadState(bad));
        EXPECT_EQ(other.State(), state);
    }
}

TEST_F(ClapBinary, EveryFactoryProgramSoundsAsInTheVst2Module)
{
    const auto input = TestSignal(kBlock * 6 + 100);
    for (int p = 0; p < kPrograms; ++p) {
        AEffect* two = OpenVst2Reference(vst2);
        two->dispatcher(two, effSetProgram, 0, p, nullptr, 0.0f);
        const std::vector<uint8_t> program = vst2.Chunk(two, false);
        const auto viaVst2 = RenderVst2(two, input);
        vst2.Close(two);

        ClapInstance clap(file);
        ASSERT_TRUE(clap.LoadState(program)) << "program " << p;
        ASSERT_TRUE(clap.Start(kRate, kBlock));
        EXPECT_NE(viaVst2[0][kBlock + 7], input[0][kBlock + 7]) << "program " << p << " changes the sound";
        EXPECT_TRUE(SameBits(RenderClap(clap, input), viaVst2)) << "program " << p;
    }
}

TEST_F(ClapBinary, FactoryProgramsAreDiscoveredAndLoadedAsPresets)
{
    std::vector<std::string> errors;
    const std::vector<ClapPreset> presets = DiscoverPresets(file, errors);
    EXPECT_TRUE(errors.empty()) << errors.front();
    AEffect* e = OpenVst2Reference(vst2);
    int published = 0;
    for (const ClapPreset& preset : presets) {
        EXPECT_EQ(preset.kind, static_cast<uint32_t>(clap::kPresetLocationPlugin));
        EXPECT_EQ(preset.pluginIds, std::vector<std::string>{std::string("clap:") + kPluginId});
        // The key names the VST2 program of the same name; loading it gives that program's state.
        ASSERT_EQ(preset.key.rfind("factory/", 0), 0u) << preset.key;
        const int program = std::stoi(preset.key.substr(8));
        EXPECT_EQ(preset.name, vst2.Text(e, effGetProgramNameIndexed, program));
        e->dispatcher(e, effSetProgram, 0, program, nullptr, 0.0f);
        ASSERT_TRUE(plug.LoadPreset(preset)) << preset.key;
        EXPECT_EQ(plug.State(), vst2.Chunk(e, false)) << preset.key;
        ++published;
    }
    EXPECT_GT(published, 0);
    EXPECT_EQ(plug.presetsLoaded.size(), presets.size());
    EXPECT_TRUE(std::find(plug.rescans.begin(), plug.rescans.end(), clap::kParamRescanValues) != plug.rescans.end());

    // Unknown keys and file locations are refused and reported.
    const std::vector<uint8_t> before = plug.State();
    for (const ClapPreset& bad : {ClapPreset{"", "factory/99", clap::kPresetLocationPlugin, "", {}},
                                  ClapPreset{"", "factory/01", clap::kPresetLocationPlugin, "", {}},
                                  ClapPreset{"", "factory/1", clap::kPresetLocationFile, "/tmp/x.fxp", {}}}) {
        EXPECT_FALSE(plug.LoadPreset(bad)) << bad.key;
    }
    EXPECT_EQ(plug.presetErrors.size(), 3u);
    EXPECT_EQ(plug.State(), before);
}

TEST_F(ClapBinary, EventsApplyAtTheirSampleOffsets)
{
    const auto input = TestSignal(kBlock);
    const uint32_t offset = 200;
    ClapInstance split(file);
    ASSERT_TRUE(plug.Start(kRate, kBlock));
    ASSERT_TRUE(split.Start(kRate, kBlock));

    HostInputEvents inside;
    inside.AddValue(offset, kMix, 30);
    inside.AddValue(offset + 50, kAmount, 95);
    inside.AddValue(offset + 60, kAmount, 10, 7);  // another event space: no effect
    Channels whole(2, std::vector<double>(kBlock));
    {
        double* in[2] = {const_cast<double*>(input[0].data()), const_cast<double*>(input[1].data())};
        double* out[2] = {whole[0].data(), whole[1].data()};
        ASSERT_EQ(plug.Process64(in, out, 2, kBlock, &inside), clap::kProcessContinue);
    }
    EXPECT_DOUBLE_EQ(plug.Value(kAmount), 95.0);

    // The same as three calls cut at the change points, each change at frame 0.
    Channels parts(2, std::vector<double>(kBlock));
    const uint32_t cuts[] = {0, offset, offset + 50, kBlock};
    for (int k = 0; k < 3; ++k) {
        HostInputEvents atStart;
        if (k == 1) {
            atStart.AddValue(0, kMix, 30);
        } else if (k == 2) {
            atStart.AddValue(0, kAmount, 95);
        }
        double* in[2] = {const_cast<double*>(input[0].data()) + cuts[k], const_cast<double*>(input[1].data()) + cuts[k]};
        double* out[2] = {parts[0].data() + cuts[k], parts[1].data() + cuts[k]};
        ASSERT_EQ(split.Process64(in, out, 2, cuts[k + 1] - cuts[k], &atStart), clap::kProcessContinue);
    }
    EXPECT_TRUE(SameBits(whole, parts));
}

TEST_F(ClapBinary, SinglePrecisionAgreesWithDoublePrecision)
{
    const uint32_t frames = 3000;
    BothSizesBlock block(frames);
    ClapInstance single(file);
    ASSERT_TRUE(plug.Start(kRate, frames));
    ASSERT_TRUE(single.Start(kRate, frames));
    HostInputEvents drive;
    drive.AddValue(0, kAmount, 85);
    ASSERT_EQ(plug.Process64(block.in64, block.out64, 2, frames, &drive), clap::kProcessContinue);
    ASSERT_EQ(single.Process32(block.in32, block.out32, 2, frames, &drive), clap::kProcessContinue);
    EXPECT_EQ(block.FirstDifference(), "");
}

// The checks CLAP validators make, run on Ruckstone: every one passes.
TEST_F(ClapBinary, ValidatorChecks)
{
    const std::vector<ClapCheckResult> results = RunClapChecks(RUCK_CLAP_PATH);
    EXPECT_EQ(results.size(), ClapCheckNames().size());
    for (const ClapCheckResult& result : results) {
        EXPECT_TRUE(result.passed) << result.name << ": " << result.detail;
    }
}

TEST_F(ClapBinary, EditorIsEmbeddedAndFixedInSize)
{
    ASSERT_NE(plug.gui, nullptr);
    EXPECT_TRUE(plug.gui->is_api_supported(plug.plugin, kWindowApi, false));
    EXPECT_FALSE(plug.gui->is_api_supported(plug.plugin, kWindowApi, true));
    EXPECT_FALSE(plug.gui->is_api_supported(plug.plugin, "cocoa", false));
    ASSERT_TRUE(plug.gui->create(plug.plugin, kWindowApi, false));
    uint32_t width = 0;
    uint32_t height = 0;
    ASSERT_TRUE(plug.gui->get_size(plug.plugin, &width, &height));
    EXPECT_GT(width, 100u);
    EXPECT_GT(height, 100u);
    EXPECT_FALSE(plug.gui->can_resize(plug.plugin));
    EXPECT_TRUE(plug.gui->set_scale(plug.plugin, 2.0));
    EXPECT_FALSE(plug.gui->set_size(plug.plugin, width + 1, height));
    uint32_t askedWidth = width * 2;
    uint32_t askedHeight = height / 2;
    ASSERT_TRUE(plug.gui->adjust_size(plug.plugin, &askedWidth, &askedHeight));
    EXPECT_EQ(askedWidth, width);
    EXPECT_EQ(askedHeight, height);
    plug.gui->destroy(plug.plugin);
}
}  // namespace
