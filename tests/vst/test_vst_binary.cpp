// The built plug-in binary driven through the VST 2.4 interface, as a host drives it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <xmmintrin.h>

#include "test_host.h"
#include "vst/vendor_extensions.h"

namespace {

constexpr int kParams = 11;

class VstBinary : public testing::Test {
protected:
    void SetUp() override
    {
        effect = host.Open();
        ASSERT_NE(effect, nullptr) << "could not load " << TestHost::PluginPath();
    }

    AEffect* OpenedInstance()
    {
        AEffect* e = host.Open();
        host.Dispatch(e, effOpen);
        host.Dispatch(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
        host.Dispatch(e, effSetBlockSize, 0, 512);
        host.Dispatch(e, effMainsChanged, 0, 1);
        return e;
    }

    std::string Display(AEffect* e, int index) { return host.Text(e, effGetParamDisplay, index); }

    TestHost host;
    AEffect* effect = nullptr;
};

std::vector<float> Signal(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> s(n);
    for (float& v : s) {
        v = dist(rng);
    }
    return s;
}

struct FloatRun {
    std::vector<float> inL, inR, outL, outR;
    float* in[2];
    float* out[2];
    FloatRun(size_t n, unsigned seed) : inL(Signal(n, seed)), inR(Signal(n, seed + 1)), outL(n), outR(n)
    {
        in[0] = inL.data();
        in[1] = inR.data();
        out[0] = outL.data();
        out[1] = outR.data();
    }
};

}  // namespace

TEST_F(VstBinary, EffectRecordOfAFreshInstance)
{
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->numPrograms, 25);
    EXPECT_EQ(effect->numParams, kParams);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags & ~effFlagsHasEditor, 0x18 | 0x1000);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->uniqueID, 0x6163646C);
    EXPECT_EQ(effect->version, 10000);
    EXPECT_NE(effect->object, nullptr);

    AEffect* second = host.Open("main");
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, effect);
    EXPECT_NE(second->object, effect->object);
    EXPECT_EQ(second->uniqueID, effect->uniqueID);
}

TEST_F(VstBinary, IdentityAndCapabilities)
{
    EXPECT_EQ(host.Text(effect, effGetEffectName), "Ruckstone");
    EXPECT_EQ(host.Text(effect, effGetVendorString), "Tolvi");
    EXPECT_EQ(host.Text(effect, effGetProductString), "");
    EXPECT_EQ(host.Dispatch(effect, effGetVendorVersion), 10000);
    EXPECT_EQ(host.Dispatch(effect, effGetVstVersion), 2400);
    EXPECT_EQ(host.Dispatch(effect, effIdentify), 0x4E764566);
    EXPECT_EQ(host.Dispatch(effect, effGetPlugCategory), kPlugCategEffect);
    EXPECT_EQ(host.Dispatch(effect, effCanBeAutomated, 3), 1);
    char timeInfo[] = "receiveVstTimeInfo";
    char longer[] = "receiveVstTimeInfoX";
    char extensions[] = "hasVendorExtensions";
    char midi[] = "receiveVstMidiEvent";
    EXPECT_EQ(host.Dispatch(effect, effCanDo, 0, 0, timeInfo), 1);
    EXPECT_EQ(host.Dispatch(effect, effCanDo, 0, 0, longer), 0);
    EXPECT_EQ(host.Dispatch(effect, effCanDo, 0, 0, extensions), 0xBEEF0000);
    EXPECT_EQ(host.Dispatch(effect, effCanDo, 0, 0, midi), 0);
    EXPECT_EQ(host.Dispatch(effect, effCanDo), 0);
    EXPECT_EQ(host.Dispatch(effect, effGetTailSize), 0);
    EXPECT_EQ(host.Dispatch(effect, 70), 0);
    EXPECT_EQ(host.Dispatch(effect, 12345), 0);
}

TEST_F(VstBinary, ParameterTextsAndValues)
{
    const char* names[kParams] = {"Algorithm", "Amount", "Foldback", "Gain", "Threshold", "Flip Thresh",
                                  "Multiply",  "Round",  "Antialias", "Pan", "Mix"};
    const char* labels[kParams] = {"", "%", "", "%", "dB", "dB", "%", "%", "", "%", "%"};
    const char* shown[kParams] = {"Overdrive Fat", "50", "Off", "10", "-16", "-16",
                                  "-20",           "10", "Off", "0",  "90"};
    for (int i = 0; i < kParams; ++i) {
        EXPECT_EQ(host.Text(effect, effGetParamName, i), names[i]);
        EXPECT_EQ(host.Text(effect, effGetParamLabel, i), labels[i]);
        EXPECT_EQ(Display(effect, i), shown[i]);
    }
    EXPECT_NEAR(effect->getParameter(effect, 10), 0.9f, 1e-7);
    EXPECT_EQ(effect->getParameter(effect, 4), 0.75f);
    EXPECT_EQ(effect->getParameter(effect, kParams), 0.0f);
    EXPECT_EQ(effect->getParameter(effect, -1), 0.0f);

    effect->setParameter(effect, 4, 0.5f);
    EXPECT_EQ(Display(effect, 4), "-32");
    effect->setParameter(effect, 9, 0.5f);
    EXPECT_EQ(Display(effect, 9), "0");
    effect->setParameter(effect, 1, std::nanf(""));
    effect->setParameter(effect, kParams, 0.5f);
    EXPECT_EQ(Display(effect, 1), "50");
    effect->setParameter(effect, 1, -3.0f);
    EXPECT_EQ(Display(effect, 1), "0");
    // Invalid indices write nothing.
    EXPECT_EQ(host.Text(effect, effGetParamName, kParams), std::string(255, 'Z'));
}

TEST_F(VstBinary, TypedValuesAndVendorExtensions)
{
    char decimator[] = "Decimator";
    EXPECT_EQ(host.Dispatch(effect, effString2Parameter, 0, 0, decimator), 1);
    EXPECT_EQ(Display(effect, 0), "Decimator");
    char typed[] = "12.5";
    EXPECT_EQ(host.Dispatch(effect, effString2Parameter, 1, 0, typed), 1);
    EXPECT_EQ(Display(effect, 1), "13");  // snapped to the step, as a reloaded project has it
    for (const char* bad : {"nan", "inf", "-inf"}) {
        std::string text = bad;
        EXPECT_EQ(host.Dispatch(effect, effString2Parameter, 1, 0, &text[0]), 0) << bad;
    }
    EXPECT_EQ(Display(effect, 1), "13");
    EXPECT_EQ(host.Dispatch(effect, effString2Parameter, 1), 1);
    EXPECT_EQ(host.Dispatch(effect, effString2Parameter, kParams, 0, typed), 0);

    char fifty[32] = "50";
    EXPECT_EQ(host.Dispatch(effect, effVendorSpecific, effString2Parameter, 1, fifty), 0xBEEF);
    EXPECT_STREQ(fifty, "0.50000000000000000");
    char shown[32] = {};
    EXPECT_EQ(host.Dispatch(effect, effVendorSpecific, effGetParamDisplay, 0, shown, 1.0f), 0xBEEF);
    EXPECT_STREQ(shown, "Decimator");
    EXPECT_EQ(host.Dispatch(effect, effVendorSpecific, effGetParamName, 2), 0);  // three states
    EXPECT_EQ(host.Dispatch(effect, effVendorSpecific, 0x73744341, 0x57686565), 0);
}

TEST_F(VstBinary, ProgramsAndTheirNames)
{
    EXPECT_EQ(host.Text(effect, effGetProgramName), "---- default ----");
    const char* factory[] = {"---- default ----", "Nice guitar", "Nice guitar 2", "Simple drive",
                             "Clip before", "Clip after", "Clip on upside", "Inverted foldback",
                             "Foldback before drive", "Foldback after drive", "Negative round",
                             "Hard guitar", "Weak guitar", "Decimator", "Decimator bass",
                             "Decimator bass 2", "Drive bass 2"};
    for (int i = 0; i < 25; ++i) {
        const std::string expected = i < 17 ? factory[i] : "- " + std::to_string(i + 1) + " -";
        EXPECT_EQ(host.Text(effect, effGetProgramNameIndexed, i), expected);
    }
    EXPECT_EQ(host.Text(effect, effGetProgramNameIndexed, 30), "");
    char name[64];
    EXPECT_EQ(host.Dispatch(effect, effGetProgramNameIndexed, 30, 0, name), 0);

    host.Dispatch(effect, effSetProgram, 0, 9);
    EXPECT_EQ(host.Dispatch(effect, effGetProgram), 9);
    EXPECT_EQ(Display(effect, 6), "-90");
    EXPECT_EQ(Display(effect, 7), "-50");
    EXPECT_EQ(Display(effect, 8), ",x2+");

    // Tweaks survive switching away and back.
    effect->setParameter(effect, 1, 0.25f);
    host.Dispatch(effect, effSetProgram, 0, 2);
    host.Dispatch(effect, effSetProgram, 0, 9);
    EXPECT_EQ(Display(effect, 1), "25");

    // Unfilled slots become user presets holding the current values.
    host.Dispatch(effect, effSetProgram, 0, 17);
    EXPECT_EQ(host.Text(effect, effGetProgramName), "user preset 1");
    EXPECT_EQ(Display(effect, 1), "25");
    host.Dispatch(effect, effSetProgram, 0, 18);
    EXPECT_EQ(host.Text(effect, effGetProgramName), "user preset 2");
    host.Dispatch(effect, effSetProgram, 0, 99);
    EXPECT_EQ(host.Dispatch(effect, effGetProgram), 18);

    char renamed[] = "My sound";
    host.Dispatch(effect, effSetProgramName, 0, 0, renamed);
    EXPECT_EQ(host.Text(effect, effGetProgramName), "My sound");
    const std::string longName(80, 'q');
    host.Dispatch(effect, effSetProgramName, 0, 0, const_cast<char*>(longName.c_str()));
    EXPECT_EQ(host.Text(effect, effGetProgramName), std::string(23, 'q'));
}

TEST_F(VstBinary, StateAndBankChunksRoundTrip)
{
    effect->setParameter(effect, 1, 0.37f);
    effect->setParameter(effect, 9, 0.8f);
    const std::vector<uint8_t> state = host.Chunk(effect, false);
    ASSERT_EQ(state.size(), 96u);
    EXPECT_EQ(std::vector<uint8_t>(state.begin(), state.begin() + 8),
              (std::vector<uint8_t>{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
    const std::vector<uint8_t> bank = host.Chunk(effect, true);
    ASSERT_GT(bank.size(), 8u);

    AEffect* fresh = OpenedInstance();
    EXPECT_EQ(host.SetChunk(fresh, state, false), 1);
    for (int i = 0; i < kParams; ++i) {
        EXPECT_EQ(fresh->getParameter(fresh, i), effect->getParameter(effect, i)) << i;
    }
    EXPECT_EQ(host.Chunk(fresh, false), state);

    // A bank carries no current program: the instance keeps its own and loads that slot.
    AEffect* other = OpenedInstance();
    EXPECT_EQ(host.SetChunk(other, bank, true), 1);
    EXPECT_EQ(host.Dispatch(other, effGetProgram), 0);
    EXPECT_EQ(host.Chunk(other, true), bank);
    for (int i = 0; i < kParams; ++i) {
        EXPECT_EQ(other->getParameter(other, i), effect->getParameter(effect, i)) << i;
    }
    AEffect* elsewhere = OpenedInstance();
    host.Dispatch(elsewhere, effSetProgram, 0, 5);
    EXPECT_EQ(host.SetChunk(elsewhere, bank, true), 1);
    EXPECT_EQ(host.Dispatch(elsewhere, effGetProgram), 5);
    EXPECT_EQ(Display(elsewhere, 7), "-20");
}

TEST_F(VstBinary, BadChunksChangeNothing)
{
    const std::vector<uint8_t> state = host.Chunk(effect, false);
    const std::vector<uint8_t> bank = host.Chunk(effect, true);
    effect->setParameter(effect, 0, 1.0f);
    const std::vector<uint8_t> before = host.Chunk(effect, false);
    const std::vector<uint8_t> bankBefore = host.Chunk(effect, true);

    EXPECT_EQ(host.Dispatch(effect, effSetChunk, 1, 96, nullptr), 0);
    EXPECT_EQ(host.Dispatch(effect, effSetChunk, 1, -5, const_cast<uint8_t*>(state.data())), 0);
    EXPECT_EQ(host.SetChunk(effect, std::vector<uint8_t>(state.begin(), state.begin() + 3), false), 0);
    for (size_t cut = 1; cut < bank.size(); cut += 7) {
        EXPECT_EQ(host.SetChunk(effect, std::vector<uint8_t>(bank.begin(), bank.begin() + cut), true), 0) << cut;
    }
    EXPECT_EQ(host.Chunk(effect, true), bankBefore);
    EXPECT_EQ(host.Chunk(effect, false), before);
    EXPECT_EQ(Display(effect, 0), "Decimator");
}

TEST_F(VstBinary, HostIdentificationAsksOnce)
{
    host.productString = "REAPER";
    host.vendorVersion = 2003;
    host.Dispatch(effect, effOpen);
    host.Dispatch(effect, effOpen);
    EXPECT_EQ(host.Opcodes(), (std::vector<VstInt32>{audioMasterGetProductString, audioMasterGetVendorVersion}));

    TestHost silent;
    AEffect* e = silent.Open();
    silent.Dispatch(e, effOpen);
    silent.Dispatch(e, effOpen);
    EXPECT_EQ(silent.Opcodes(), (std::vector<VstInt32>{audioMasterGetProductString}));
}

TEST_F(VstBinary, PinsAndSpeakerArrangements)
{
    VstPinProperties pin = {};
    EXPECT_EQ(host.Dispatch(effect, effGetInputProperties, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 3);
    EXPECT_STREQ(pin.label, "Input 1");
    EXPECT_EQ(host.Dispatch(effect, effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_EQ(pin.flags, 1);
    EXPECT_STREQ(pin.label, "Output 2");
    EXPECT_EQ(host.Dispatch(effect, effGetInputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(host.Dispatch(effect, effGetInputProperties, 0), 0);

    VstSpeakerArrangement* in = nullptr;
    VstSpeakerArrangement* out = nullptr;
    EXPECT_EQ(host.Dispatch(effect, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(in->type, kSpeakerArrStereo);
    EXPECT_EQ(out->numChannels, 2);
}

TEST_F(VstBinary, MonoArrangementThenBlockSizeChangeStaysInBounds)
{
    host.Dispatch(effect, effOpen);
    VstSpeakerArrangement mono = {};
    mono.type = kSpeakerArrMono;
    mono.numChannels = 1;
    EXPECT_EQ(host.Dispatch(effect, effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &mono), 1);
    host.Dispatch(effect, effSetBlockSize, 0, 4096);
    host.Dispatch(effect, effSetBlockSize, 0, 64);
    std::vector<float> inL = Signal(64, 3), outL(64, 9.0f);
    float* ins[1] = {inL.data()};
    float* outs[1] = {outL.data()};
    effect->processReplacing(effect, ins, outs, 64);
    for (float v : outL) {
        ASSERT_TRUE(std::isfinite(v));
    }
    double dIn[64] = {}, dOut[64] = {};
    double* dIns[1] = {dIn};
    double* dOuts[1] = {dOut};
    effect->processDoubleReplacing(effect, dIns, dOuts, 64);
}

// A double call far beyond the block size, with the second channel disconnected or its
// buffer missing, runs the first channel exactly as block-sized calls would.
TEST_F(VstBinary, OversizeDoubleCallsWithScratchStandInsMatchBlockSizedCalls)
{
    constexpr int kBlock = 64;
    constexpr int kFrames = 65536;
    VstSpeakerArrangement mono = {};
    mono.type = kSpeakerArrMono;
    mono.numChannels = 1;
    for (bool monoArrangement : {true, false}) {
        AEffect* whole = OpenedInstance();
        AEffect* pieces = OpenedInstance();
        for (AEffect* e : {whole, pieces}) {
            host.Dispatch(e, effSetBlockSize, 0, kBlock);
            host.Dispatch(e, effSetProgram, 0, 11);
            if (monoArrangement) {
                host.Dispatch(e, effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &mono);
            }
        }
        std::vector<double> in(kFrames), outWhole(kFrames), outPieces(kFrames);
        const std::vector<float> signal = Signal(kFrames, 7);
        std::copy(signal.begin(), signal.end(), in.begin());
        double* ins[2] = {in.data(), nullptr};
        double* outs[2] = {outWhole.data(), nullptr};
        whole->processDoubleReplacing(whole, ins, outs, kFrames);
        for (int done = 0; done < kFrames; done += kBlock) {
            double* inPiece[2] = {in.data() + done, nullptr};
            double* outPiece[2] = {outPieces.data() + done, nullptr};
            pieces->processDoubleReplacing(pieces, inPiece, outPiece, kBlock);
        }
        ASSERT_EQ(outWhole, outPieces) << (monoArrangement ? "mono" : "missing buffers");
    }
}

// A host that keeps its own copy of the values (a bridge to another process does) re-reads
// them when told. After a program change or a restored state it is told once, at its next
// request from its user-interface side: not inside the request that made the change, and
// not from processing.
TEST_F(VstBinary, AHostThatCachesValuesIsToldWhenProgramsOrStatesChangeThem)
{
    constexpr int kHardGuitar = 11;
    AEffect* e = OpenedInstance();
    const auto read = [&] {
        std::vector<float> values(kParams);
        for (int i = 0; i < kParams; ++i) {
            values[i] = e->getParameter(e, i);
        }
        return values;
    };
    std::vector<float> cache = read();
    int told = 0;
    bool changing = false;
    host.onRequest = [&](AEffect* from, VstInt32 opcode) {
        if (from == e && opcode == audioMasterUpdateDisplay) {
            EXPECT_FALSE(changing) << "told inside the request that made the change";
            ++told;
            cache = read();
        }
    };
    const std::vector<uint8_t> state = host.Chunk(e, false);

    changing = true;
    host.Dispatch(e, effSetProgram, 0, kHardGuitar);
    changing = false;
    FloatRun run(64, 1);
    e->processReplacing(e, run.in, run.out, 64);
    host.Dispatch(e, effProcessEvents);
    EXPECT_EQ(told, 0);
    host.Dispatch(e, effEditIdle);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(cache, read());
    host.Dispatch(e, effGetProgram);
    EXPECT_EQ(told, 1);

    changing = true;
    ASSERT_EQ(host.SetChunk(e, state, false), 1);
    changing = false;
    host.Dispatch(e, effGetProgramName, 0, 0, std::vector<char>(64).data());
    EXPECT_EQ(told, 2);
    EXPECT_EQ(cache, read());
    host.onRequest = nullptr;
}

TEST_F(VstBinary, FloatPathsMatchTheDoublePath)
{
    AEffect* single = OpenedInstance();
    AEffect* accumulating = OpenedInstance();
    AEffect* dbl = OpenedInstance();
    for (AEffect* e : {single, accumulating, dbl}) {
        host.Dispatch(e, effSetProgram, 0, 11);
    }
    FloatRun a(2000, 5);
    single->processReplacing(single, a.in, a.out, 2000);  // above the block size of 512

    FloatRun b(2000, 5);
    std::fill(b.outL.begin(), b.outL.end(), 0.25f);
    std::fill(b.outR.begin(), b.outR.end(), 0.25f);
    accumulating->process(accumulating, b.in, b.out, 2000);

    std::vector<double> inL(a.inL.begin(), a.inL.end()), inR(a.inR.begin(), a.inR.end());
    std::vector<double> outL(2000), outR(2000);
    double* ins[2] = {inL.data(), inR.data()};
    double* outs[2] = {outL.data(), outR.data()};
    dbl->processDoubleReplacing(dbl, ins, outs, 2000);

    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(a.outL[i], static_cast<float>(outL[i])) << i;
        ASSERT_EQ(a.outR[i], static_cast<float>(outR[i])) << i;
        ASSERT_EQ(b.outL[i], 0.25f + static_cast<float>(outL[i])) << i;
    }
}

TEST_F(VstBinary, ProcessingLeavesTheCallersFloatingPointModeAlone)
{
    AEffect* e = OpenedInstance();
    const unsigned before = _mm_getcsr();
    FloatRun run(256, 1);
    e->processReplacing(e, run.in, run.out, 256);
    EXPECT_EQ(_mm_getcsr(), before);
}

TEST_F(VstBinary, HostCallOrders)
{
    // Rate and block size before open; a chunk asked for during set-up.
    AEffect* early = host.Open();
    host.Dispatch(early, effSetSampleRate, 0, 0, nullptr, 96000.0f);
    host.Dispatch(early, effSetBlockSize, 0, 128);
    const std::vector<uint8_t> setupChunk = host.Chunk(early, false);
    EXPECT_EQ(setupChunk.size(), 96u);
    host.Dispatch(early, effOpen);
    host.Dispatch(early, effMainsChanged, 0, 1);
    FloatRun run(128, 2);
    early->processReplacing(early, run.in, run.out, 128);
    EXPECT_TRUE(std::isfinite(run.outL[127]));

    // A program change right after a bank restore.
    host.Dispatch(effect, effSetProgram, 0, 4);
    const std::vector<uint8_t> bank = host.Chunk(effect, true);
    AEffect* restored = OpenedInstance();
    EXPECT_EQ(host.SetChunk(restored, bank, true), 1);
    host.Dispatch(restored, effSetProgram, 0, 13);
    EXPECT_EQ(Display(restored, 0), "Decimator");
    EXPECT_EQ(host.Text(restored, effGetProgramName), "Decimator");
    host.Dispatch(restored, effMainsChanged, 0, 0);
}

TEST_F(VstBinary, EditorRequestsWithoutAWindow)
{
    ERect* rect = nullptr;
    if (effect->flags & effFlagsHasEditor) {
        EXPECT_EQ(host.Dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, 454);
        EXPECT_EQ(rect->bottom - rect->top, 296);
    } else {
        EXPECT_EQ(host.Dispatch(effect, effEditGetRect, 0, 0, &rect), 0);
        EXPECT_EQ(host.Dispatch(effect, effEditOpen), 0);
        EXPECT_EQ(host.Dispatch(effect, effEditClose), 0);
    }
    EXPECT_EQ(host.Dispatch(effect, effEditIdle), 0);
}

TEST_F(VstBinary, SnapshotOfTheFace)
{
    std::vector<uint32_t> pixels(454 * 296, 0);
    RuckSnapshot wrong = {400, 296, pixels.data()};
    EXPECT_EQ(host.Dispatch(effect, effVendorSpecific, kRuckSnapshotIndex, 0, &wrong), 0);
    EXPECT_EQ(host.Dispatch(effect, effVendorSpecific, kRuckSnapshotIndex), 0);
    RuckSnapshot snapshot = {454, 296, pixels.data()};
    ASSERT_EQ(host.Dispatch(effect, effVendorSpecific, kRuckSnapshotIndex, 0, &snapshot), 1);
    EXPECT_EQ(pixels[0] >> 24, 0xFFu);
    EXPECT_EQ(pixels.back() >> 24, 0xFFu);

    // A host change moves the knob: the Amount knob's area differs afterwards.
    const std::vector<uint32_t> before = pixels;
    effect->setParameter(effect, 1, 1.0f);
    ASSERT_EQ(host.Dispatch(effect, effVendorSpecific, kRuckSnapshotIndex, 0, &snapshot), 1);
    int changed = 0;
    for (int y = 132; y < 218; ++y) {
        for (int x = 34; x < 100; ++x) {
            changed += pixels[y * 454 + x] != before[y * 454 + x];
        }
    }
    EXPECT_GT(changed, 200);
}
