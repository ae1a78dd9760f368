// In-process checks of the binding and the effect that the binary interface cannot reach.
#include <gtest/gtest.h>

#include <string>

#include "effect/ruckstone.h"

namespace {
std::string Diagnostic(double v)
{
    char text[32];
    FormatDiagnosticNumber(v, text, sizeof text);
    return text;
}
}  // namespace

TEST(HostIdentification, FragmentsInTableOrder)
{
    EXPECT_EQ(IVstPlugin::LookUpHostCode("REAPER"), 1);
    EXPECT_EQ(IVstPlugin::LookUpHostCode("Cubase Pro"), 3);
    EXPECT_EQ(IVstPlugin::LookUpHostCode("Nuendo"), 4);
    EXPECT_EQ(IVstPlugin::LookUpHostCode("nuendo and cubase"), 3);
    EXPECT_EQ(IVstPlugin::LookUpHostCode("Oliver's host"), 9);
    EXPECT_EQ(IVstPlugin::LookUpHostCode("Ardour"), 27);
    EXPECT_EQ(IVstPlugin::LookUpHostCode(""), 0);
    EXPECT_EQ(IVstPlugin::LookUpHostCode(nullptr), 0);
    EXPECT_EQ(IVstPlugin::LookUpHostCode("Some Host"), 0);
}

TEST(DiagnosticLine, NumberFormats)
{
    EXPECT_EQ(Diagnostic(90.0), "90");
    EXPECT_EQ(Diagnostic(-16.0), "-16");
    EXPECT_EQ(Diagnostic(1e-30), "0");
    EXPECT_EQ(Diagnostic(12.5), "12.5");
    EXPECT_EQ(Diagnostic(-0.25), "-0.25");
    EXPECT_EQ(Diagnostic(0.1), "0.1");
    EXPECT_EQ(Diagnostic(1.0 / 3.0), "0.33333333333");
}

TEST(HostServices, WithoutAHostCallbackEveryRequestIsSkipped)
{
    VSTCLASS effect(nullptr);
    AEffect* e = effect.Effect();
    EXPECT_EQ(e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(effect.IdentifyHost(), 0);
    EXPECT_EQ(effect.HostSamplePosition(), 0);
    EXPECT_EQ(effect.HostTempo(), 0.0);
    int num = 7, den = 7;
    effect.HostTimeSignature(num, den);
    EXPECT_EQ(num, 0);
    EXPECT_FALSE(effect.SendMidi(IMidiMessage{}));
    effect.BeginEdit(1);
    effect.EndEdit(1);
    effect.ChangeLatency(64);
    EXPECT_EQ(e->initialDelay, 64);
}
