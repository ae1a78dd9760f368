// The VST3 bundle through its binary interface only: factory and classes, buses, state,
// parameter texts, programs, sample-accurate changes, both sample sizes and the editor
// view; and renders compared bit for bit with the VST2 module of the same build.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "reference_render.h"
#include "vst3_host.h"

using namespace vst3;

namespace {
constexpr int kParams = 11;
constexpr int kPrograms = 25;
constexpr ParamID kProgramParam = 0x50726F67;
constexpr ParamID kMix = 10;
constexpr int kBlock = kReferenceBlock;
constexpr double kRate = kReferenceRate;

// The class IDs hosts keep in their projects; these values may never change.
const Uid kProcessorId = MakeUid(0x22F7B8D7, 0x05596335, 0x457AFEC8, 0xC6B207AD);
const Uid kControllerId = MakeUid(0x86EB63E5, 0xB1636EE2, 0x663A93C1, 0x926A5BE0);

// Through the VST3 bundle; the changes go in the first block.
Channels RenderVst3(Vst3Instance& plug, const Channels& input, HostParameterChanges* firstBlockChanges = nullptr)
{
    return RenderInBlocks(input, kBlock, [&](double** in, double** out, uint32_t n, bool first) {
        EXPECT_EQ(plug.Process64(in, out, 2, static_cast<int>(n), first ? firstBlockChanges : nullptr), kResultOk);
    });
}

class Vst3Binary : public FormatBinaryTest<Vst3Bundle, Vst3Instance> {
protected:
    Vst3Binary() : FormatBinaryTest(RUCK_VST3_BUNDLE_PATH) {}
};

TEST_F(Vst3Binary, FactoryDescribesProcessorAndController)
{
    PluginFactory* factory = file.Factory();
    void* face = nullptr;
    ASSERT_EQ(factory->queryInterface(kPluginFactory3Iid.Data(), &face), kResultOk);
    auto* factory3 = static_cast<PluginFactory3*>(face);
    factory3->release();
    EXPECT_EQ(factory->queryInterface(kComponentIid.Data(), &face), kNoInterface);
    EXPECT_EQ(face, nullptr);

    PFactoryInfo info = {};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Tolvi");
    EXPECT_EQ(info.flags, kFactoryUnicode);

    ASSERT_EQ(factory->countClasses(), 2);
    PClassInfo2 processor = {};
    PClassInfoW controller = {};
    ASSERT_EQ(factory3->getClassInfo2(0, &processor), kResultOk);
    ASSERT_EQ(factory3->getClassInfoUnicode(1, &controller), kResultOk);
    EXPECT_TRUE(kProcessorId.Is(processor.cid));
    EXPECT_STREQ(processor.category, "Audio Module Class");
    EXPECT_STREQ(processor.name, "Ruckstone");
    EXPECT_STREQ(processor.subCategories, "Fx|Distortion");
    EXPECT_STREQ(processor.vendor, "Tolvi");
    EXPECT_STREQ(processor.version, RUCK_PROJECT_VERSION);
    EXPECT_TRUE(kControllerId.Is(controller.cid));
    EXPECT_STREQ(controller.category, "Component Controller Class");
    EXPECT_EQ(FromUtf16(controller.name, 64), "Ruckstone");
    EXPECT_NE(factory3->getClassInfo2(2, &processor), kResultOk);

    EXPECT_EQ(factory->createInstance(kComponentIid.Data(), kComponentIid.Data(), &face), kNoInterface);
    EXPECT_EQ(face, nullptr);

    // The description hosts may read instead of loading the module says the same.
    std::ifstream file(std::string(RUCK_VST3_BUNDLE_PATH) + "/Contents/Resources/moduleinfo.json");
    std::stringstream json;
    json << file.rdbuf();
    EXPECT_NE(json.str().find("\"CID\": \"22F7B8D705596335457AFEC8C6B207AD\""), std::string::npos);
    EXPECT_NE(json.str().find("\"CID\": \"86EB63E5B1636EE2663A93C1926A5BE0\""), std::string::npos);
    EXPECT_NE(json.str().find("\"Version\": \"" RUCK_PROJECT_VERSION "\""), std::string::npos);
}

TEST_F(Vst3Binary, BusesStereoOrMono)
{
    EXPECT_EQ(plug.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(plug.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(plug.component->getBusCount(kEvent, kInput), 0);
    BusInfo bus = {};
    ASSERT_EQ(plug.component->getBusInfo(kAudio, kOutput, 0, &bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 2);
    EXPECT_NE(FromUtf16(bus.name, 128), "");
    EXPECT_NE(plug.component->getBusInfo(kAudio, kOutput, 1, &bus), kResultOk);

    SpeakerArrangement mono = kSpeakerMono;
    SpeakerArrangement stereo = kSpeakerStereo;
    SpeakerArrangement surround = 0x3F;
    EXPECT_EQ(plug.processor->setBusArrangements(&mono, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(plug.processor->setBusArrangements(&surround, 1, &surround, 1), kResultFalse);
    EXPECT_EQ(plug.processor->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    SpeakerArrangement now = 0;
    ASSERT_EQ(plug.processor->getBusArrangement(kOutput, 0, &now), kResultOk);
    EXPECT_EQ(now, kSpeakerMono);
    ASSERT_EQ(plug.component->getBusInfo(kAudio, kInput, 0, &bus), kResultOk);
    EXPECT_EQ(bus.channelCount, 1);

    // Mono processes the one channel in place, within the block, and the signal changes.
    ASSERT_TRUE(plug.Start(kRate, 64, true, kSpeakerMono));
    std::vector<double> samples(64, 0.5);
    double* channel[1] = {samples.data()};
    EXPECT_EQ(plug.Process64(channel, channel, 1, 64), kResultOk);
    EXPECT_NE(samples[10], 0.5);
    EXPECT_TRUE(std::isfinite(samples[63]));
}

TEST_F(Vst3Binary, StateIsTheVst2StateChunkAndRestoresWhole)
{
    ASSERT_TRUE(plug.Start(kRate, kBlock, true, kSpeakerStereo));
    HostParameterChanges changes;
    changes.Add(kMix, 0, 0.25);
    changes.Add(1, 0, 0.75);
    ASSERT_EQ(plug.Process64(nullptr, nullptr, 0, 0, &changes), kResultOk);
    const std::vector<uint8_t> state = plug.State();

    AEffect* e = OpenVst2Reference(vst2);
    e->setParameter(e, kMix, 0.25f);
    e->setParameter(e, 1, 0.75f);
    EXPECT_EQ(vst2.Chunk(e, false), state);

    Vst3Instance other(file);
    ASSERT_TRUE(other.SetState(state));
    EXPECT_EQ(other.State(), state);
    EXPECT_DOUBLE_EQ(other.controller->getParamNormalized(kMix), 0.25);
    EXPECT_DOUBLE_EQ(other.controller->getParamNormalized(1), 0.75);

    // Damaged states are refused by both halves and change nothing.
    const std::vector<uint8_t> before = other.State();
    std::vector<uint8_t> truncated(state.begin(), state.end() - 3);
    std::vector<uint8_t> notANumber = state;
    const double nan = std::nan("");
    std::memcpy(notANumber.data() + notANumber.size() - sizeof nan, &nan, sizeof nan);
    for (const auto& bad : {truncated, notANumber, std::vector<uint8_t>()}) {
        HostStream forProcessor(bad);
        HostStream forController(bad);
        EXPECT_NE(other.component->setState(&forProcessor), kResultOk);
        EXPECT_NE(other.controller->setComponentState(&forController), kResultOk);
        EXPECT_EQ(other.State(), before);
        EXPECT_DOUBLE_EQ(other.controller->getParamNormalized(kMix), 0.25);
    }
}

TEST_F(Vst3Binary, ParametersMatchTheVst2ModuleBothWays)
{
    AEffect* e = OpenVst2Reference(vst2);
    ASSERT_EQ(plug.ParameterCount(), kParams + 1);
    for (int i = 0; i < kParams; ++i) {
        const ParameterInfo info = plug.ParameterAt(i);
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        EXPECT_EQ(FromUtf16(info.title, 128), vst2.Text(e, effGetParamName, i));
        EXPECT_EQ(FromUtf16(info.units, 128), vst2.Text(e, effGetParamLabel, i));
        EXPECT_TRUE(info.flags & kCanAutomate);
        EXPECT_GT(info.stepCount, 0) << "every Ruckstone parameter is stepped";
        EXPECT_FLOAT_EQ(static_cast<float>(info.defaultNormalizedValue), e->getParameter(e, i));
        for (double v : {0.0, 0.013, 0.25, 0.5, 0.505, 0.66, 0.999, 1.0}) {
            e->setParameter(e, i, static_cast<float>(v));
            const double sent = static_cast<float>(v);
            const std::string text = plug.ValueText(static_cast<ParamID>(i), sent);
            EXPECT_EQ(text, vst2.Text(e, effGetParamDisplay, i)) << "parameter " << i << " at " << v;
            double back = -1.0;
            ASSERT_TRUE(plug.ValueFromText(static_cast<ParamID>(i), text, back)) << text;
            EXPECT_EQ(plug.ValueText(static_cast<ParamID>(i), back), text);
        }
    }
    double ignored = 0.0;
    EXPECT_FALSE(plug.ValueFromText(99, "1", ignored));
}

TEST_F(Vst3Binary, ProgramListAndProgramChanges)
{
    AEffect* e = OpenVst2Reference(vst2);
    const ParameterInfo info = plug.ParameterAt(kParams);
    EXPECT_EQ(info.id, kProgramParam);
    EXPECT_EQ(info.stepCount, kPrograms - 1);
    EXPECT_TRUE(info.flags & kIsProgramChange);

    void* face = nullptr;
    ASSERT_EQ(plug.controller->queryInterface(kUnitInfoIid.Data(), &face), kResultOk);
    auto* units = static_cast<IUnitInfo*>(face);
    ProgramListInfo list = {};
    ASSERT_EQ(units->getProgramListInfo(0, &list), kResultOk);
    EXPECT_EQ(list.programCount, kPrograms);
    UnitInfo root = {};
    ASSERT_EQ(units->getUnitInfo(0, &root), kResultOk);
    EXPECT_EQ(root.programListId, list.id);
    for (int p = 0; p < kPrograms; ++p) {
        char16 name[128] = {};
        ASSERT_EQ(units->getProgramName(list.id, p, name), kResultOk);
        EXPECT_EQ(FromUtf16(name, 128), vst2.Text(e, effGetProgramNameIndexed, p));
        EXPECT_EQ(plug.ValueText(kProgramParam, p / 24.0), FromUtf16(name, 128));
    }
    units->release();

    // Each half applies a program itself; the processor reports the values it brought, at
    // the change's offset, and nothing calls back into the host from its program request.
    ASSERT_EQ(plug.controller->setParamNormalized(kProgramParam, 10 / 24.0), kResultOk);
    e->dispatcher(e, effSetProgram, 0, 10, nullptr, 0.0f);
    ASSERT_TRUE(plug.Start(kRate, kBlock, true, kSpeakerStereo));
    HostParameterChanges program;
    HostParameterChanges reported;
    program.Add(kProgramParam, 7, 10 / 24.0);
    ASSERT_EQ(plug.Process64(nullptr, nullptr, 0, 0, &program, &reported), kResultOk);
    ASSERT_EQ(reported.getParameterCount(), kParams);
    for (int i = 0; i < kParams; ++i) {
        EXPECT_FLOAT_EQ(static_cast<float>(plug.controller->getParamNormalized(static_cast<ParamID>(i))),
                        e->getParameter(e, i));
        const auto& queue = *reported.queues[static_cast<size_t>(i)];
        EXPECT_EQ(queue.id, static_cast<ParamID>(i));
        ASSERT_EQ(queue.points.size(), 1u);
        EXPECT_EQ(queue.points[0].first, 0) << "a flush call has no frames: offsets fall to 0";
        EXPECT_FLOAT_EQ(static_cast<float>(queue.points[0].second), e->getParameter(e, i));
    }
    EXPECT_TRUE(plug.handler.edits.empty());
}

TEST_F(Vst3Binary, EveryFactoryProgramSoundsAsInTheVst2Module)
{
    const auto input = TestSignal(kBlock * 6 + 100);
    for (int p = 0; p < kPrograms; ++p) {
        Vst3Instance three(file);
        ASSERT_TRUE(three.Start(kRate, kBlock, true, kSpeakerStereo));
        HostParameterChanges program;
        program.Add(kProgramParam, 0, p / 24.0);
        const auto viaVst3 = RenderVst3(three, input, &program);

        AEffect* two = OpenVst2Reference(vst2);
        two->dispatcher(two, effSetProgram, 0, p, nullptr, 0.0f);
        const auto viaVst2 = RenderVst2(two, input);
        vst2.Close(two);
        EXPECT_TRUE(SameBits(viaVst3, viaVst2)) << "program " << p;
    }
}

TEST_F(Vst3Binary, ChangesInsideABlockApplyAtTheirOffsets)
{
    const auto input = TestSignal(kBlock);
    const int offset = 200;
    Vst3Instance split(file);
    ASSERT_TRUE(plug.Start(kRate, kBlock, true, kSpeakerStereo));
    ASSERT_TRUE(split.Start(kRate, kBlock, true, kSpeakerStereo));

    HostParameterChanges inside;
    inside.Add(kMix, offset, 0.3);
    inside.Add(1, offset + 50, 0.9);
    const auto whole = RenderVst3(plug, input, &inside);

    // The same as three calls cut at the change points, each change at offset 0.
    std::vector<std::vector<double>> parts(2, std::vector<double>(kBlock));
    const int cuts[] = {0, offset, offset + 50, kBlock};
    for (int k = 0; k < 3; ++k) {
        HostParameterChanges atStart;
        if (k == 1) {
            atStart.Add(kMix, 0, 0.3);
        } else if (k == 2) {
            atStart.Add(1, 0, 0.9);
        }
        double* in[2] = {const_cast<double*>(input[0].data()) + cuts[k], const_cast<double*>(input[1].data()) + cuts[k]};
        double* out[2] = {parts[0].data() + cuts[k], parts[1].data() + cuts[k]};
        ASSERT_EQ(split.Process64(in, out, 2, cuts[k + 1] - cuts[k], &atStart), kResultOk);
    }
    EXPECT_TRUE(SameBits(whole, parts));

    // And not the block-level answer: before the offset the old Mix still sounds.
    Vst3Instance blockLevel(file);
    ASSERT_TRUE(blockLevel.Start(kRate, kBlock, true, kSpeakerStereo));
    HostParameterChanges atZero;
    atZero.Add(kMix, 0, 0.3);
    const auto early = RenderVst3(blockLevel, input, &atZero);
    EXPECT_NE(early[0][offset / 2], whole[0][offset / 2]);
}

TEST_F(Vst3Binary, SinglePrecisionAgreesWithDoublePrecision)
{
    const int frames = 3000;
    BothSizesBlock block(frames);
    Vst3Instance single(file);
    ASSERT_TRUE(plug.Start(kRate, frames, true, kSpeakerStereo));
    ASSERT_TRUE(single.Start(kRate, frames, false, kSpeakerStereo));
    HostParameterChanges program;
    program.Add(kProgramParam, 0, 10 / 24.0);
    ASSERT_EQ(plug.Process64(block.in64, block.out64, 2, frames, &program), kResultOk);
    ASSERT_EQ(single.Process32(block.in32, block.out32, 2, frames, &program), kResultOk);
    EXPECT_EQ(block.FirstDifference(), "");
}

TEST_F(Vst3Binary, EditorViewWithoutAWindow)
{
    PlugView* view = plug.controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(plug.controller->createView("other"), nullptr);
#ifdef _WIN32
    EXPECT_EQ(view->isPlatformTypeSupported("HWND"), kResultTrue);
#else
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultTrue);
#endif
    EXPECT_EQ(view->isPlatformTypeSupported("NSView"), kResultFalse);
    ViewRect size = {};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, 454);
    EXPECT_EQ(size.bottom - size.top, 296);
    void* face = nullptr;
    ASSERT_EQ(view->queryInterface(kPlugViewContentScaleSupportIid.Data(), &face), kResultOk);
    auto* scale = static_cast<PlugViewContentScaleSupport*>(face);
    EXPECT_EQ(scale->setContentScaleFactor(2.0f), kResultOk);
    EXPECT_NE(scale->setContentScaleFactor(-1.0f), kResultOk);
    scale->release();
    EXPECT_EQ(view->attached(nullptr, "HWND"), kInvalidArgument);
    EXPECT_EQ(view->release(), 0u);
    EXPECT_TRUE(plug.handler.edits.empty());
}
}  // namespace
