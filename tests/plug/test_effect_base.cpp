#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "test_effect.h"

using ruck::test::FakeView;
using ruck::test::HostEvent;
using ruck::test::TestEffect;

TEST(EffectBase, ChannelConfigsGivePinsAndTheirSlots)
{
    TestEffect plug;
    EXPECT_EQ(plug.IdentifyHost(), -1);
    ASSERT_EQ(plug.ChannelConfigCount(), 2);
    EXPECT_EQ(plug.ChannelConfig(1)->inputs, 2);
    EXPECT_EQ(plug.InputPinCount(), 2);
    EXPECT_EQ(plug.OutputPinCount(), 2);
    EXPECT_TRUE(plug.HasChannelConfig(1, -1));
    EXPECT_TRUE(plug.HasChannelConfig(-1, 2));
    EXPECT_FALSE(plug.HasChannelConfig(3, -1));
    EXPECT_FALSE(plug.InputPin(0)->connected);
    EXPECT_EQ(plug.InputPin(1)->slot, plug.InputPointers() + 1);
    EXPECT_EQ(plug.OutputPin(0)->slot, plug.OutputPointers());
}

TEST(EffectBase, ChannelTextVariants)
{
    TestEffect wide("2-6");
    EXPECT_EQ(wide.InputPinCount(), 2);
    EXPECT_EQ(wide.OutputPinCount(), 6);

    TestEffect odd("4 x-1 3-");
    ASSERT_EQ(odd.ChannelConfigCount(), 3);
    EXPECT_EQ(odd.ChannelConfig(0)->inputs, 4);
    EXPECT_EQ(odd.ChannelConfig(0)->outputs, 0);
    EXPECT_EQ(odd.ChannelConfig(1)->inputs, 0);
    EXPECT_EQ(odd.ChannelConfig(1)->outputs, 0);
    EXPECT_EQ(odd.ChannelConfig(2)->inputs, 3);

    TestEffect none(nullptr);
    EXPECT_EQ(none.ChannelConfigCount(), 0);
    EXPECT_EQ(none.InputPointers(), nullptr);
    EXPECT_FALSE(none.HasChannelConfig(-1, -1));

    TestEffect huge("99999999999-1");
    EXPECT_EQ(huge.InputPinCount(), 0);
}

TEST(EffectBase, BlockSizeZeroFillsOnlyOnChange)
{
    TestEffect plug;
    plug.ChangeBlockSize(4);
    ASSERT_EQ(plug.InputPin(0)->scratch.Size(), 32);
    plug.InputPin(0)->Samples()[2] = 0.5;
    plug.ChangeBlockSize(4);
    EXPECT_EQ(plug.InputPin(0)->Samples()[2], 0.5);
    plug.ChangeBlockSize(8);
    EXPECT_EQ(plug.BlockSize(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(plug.InputPin(0)->Samples()[i], 0.0);
        EXPECT_EQ(plug.OutputPin(1)->Samples()[i], 0.0);
    }
    plug.ChangeBlockSize(-3);
    EXPECT_EQ(plug.BlockSize(), 0);
    EXPECT_EQ(plug.InputPointers()[0], nullptr);
}

TEST(EffectBase, DisconnectedPinsReadTheirOwnSilenceAfterResize)
{
    TestEffect plug;
    plug.SetInputConnections(0, 2, true);
    plug.SetOutputConnections(0, 2, true);
    plug.ChangeBlockSize(16);
    plug.InputPin(1)->Samples()[0] = 0.75;  // the last block converted into the scratch
    plug.SetInputConnections(1, 100, false);
    EXPECT_FALSE(plug.InputPin(1)->connected);
    EXPECT_TRUE(plug.InputPin(0)->connected);
    EXPECT_EQ(plug.InputPointers()[1], plug.InputPin(1)->Samples());
    EXPECT_EQ(plug.InputPointers()[1][0], 0.0);

    // Growing moves the scratch: the slot must follow it, never keep the freed block.
    plug.ChangeBlockSize(100000);
    EXPECT_EQ(plug.InputPointers()[1], plug.InputPin(1)->Samples());
    plug.ProcessBlock(plug.InputPointers(), plug.OutputPointers(), 100000);
    EXPECT_EQ(plug.OutputPointers()[1][99999], 0.0);

    plug.SetInputConnections(-5, 6, false);  // start below 0 touches only pin 0
    EXPECT_FALSE(plug.InputPin(0)->connected);
    plug.SetInputConnections(1, INT32_MAX, true);
    EXPECT_TRUE(plug.InputPin(1)->connected);
}

TEST(EffectBase, DefaultProcessingCopiesPairsAndSilencesTheRest)
{
    TestEffect plug("1-3");
    double in[2] = {0.5, -0.25};
    double out[3][2] = {{9, 9}, {9, 9}, {9, 9}};
    double* inputs[1] = {in};
    double* outputs[3] = {out[0], out[1], out[2]};
    plug.ProcessBlock(inputs, outputs, 2);
    EXPECT_EQ(out[0][1], -0.25);
    EXPECT_EQ(out[1][0], 0.0);
    EXPECT_EQ(out[2][1], 0.0);
    plug.ProcessBlock(nullptr, outputs, 2);
    EXPECT_EQ(out[0][0], 0.0);
}

TEST(EffectBase, VendorVersionAndMidiList)
{
    TestEffect plug;
    EXPECT_EQ(plug.VendorVersion(false), 0x10000);
    EXPECT_EQ(plug.VendorVersion(true), 10000);
    EXPECT_TRUE(plug.SendMidiList(nullptr, 0));
    const IMidiMessage messages[3] = {{0, 0x90, 60, 100}, {0, 0, 0, 0}, {0, 0x80, 60, 0}};
    EXPECT_FALSE(plug.SendMidiList(messages, 3));
    EXPECT_EQ(plug.sent.size(), 3u);  // a failure does not stop the rest
    char key[8] = "junk";
    EXPECT_FALSE(plug.KeyNameForHost(60, key, sizeof key));
    EXPECT_STREQ(key, "");
}

TEST(EffectBase, AttachEditorPushesNormalisedValuesThenOwnsTheView)
{
    TestEffect plug;
    plug.AttachEditor(nullptr);
    EXPECT_EQ(plug.EditorView(), nullptr);
    auto* view = new FakeView();
    plug.AttachEditor(view);
    EXPECT_EQ(plug.EditorView(), view);
    EXPECT_TRUE(view->backBufferReady);
    ASSERT_EQ(view->pushes.size(), 11u);
    EXPECT_EQ(view->pushes[10].value, 0.9);  // Mix 90 of 0..100
    EXPECT_TRUE(view->pushes[10].normalized);
    EXPECT_EQ(view->pushes[4].value, 0.75);  // Threshold -16 of -64..0
}

TEST(EffectBase, HostWritesReachViewFirstAndRefuseNonFiniteValues)
{
    TestEffect plug;
    auto* view = new FakeView();
    plug.AttachEditor(view);
    view->pushes.clear();
    plug.SetParameterFromHost(1, 0.5);
    EXPECT_EQ(plug.Parameter(1)->value, 50.0);
    ASSERT_EQ(view->pushes.size(), 1u);
    EXPECT_EQ(plug.changes, std::vector<int>{1});
    EXPECT_TRUE(plug.host.empty());  // the host is not echoed its own write
    EXPECT_EQ(plug.HostParameterValue(1), 0.5);
    EXPECT_EQ(plug.HostParameterValue(11), 0.0);

    plug.SetParameterFromHost(1, std::numeric_limits<double>::quiet_NaN());
    plug.SetParameterFromHost(1, std::numeric_limits<double>::infinity());
    plug.SetParameterFromHost(11, 0.5);
    EXPECT_EQ(plug.Parameter(1)->value, 50.0);
    EXPECT_EQ(view->pushes.size(), 1u);
    plug.SetParameterFromHost(4, -2.0);
    EXPECT_EQ(plug.Parameter(4)->value, -64.0);
    EXPECT_EQ(view->pushes.back().value, 0.0);
}

TEST(EffectBase, EditorChangeAutomatesTheHost)
{
    TestEffect plug;
    plug.SetParameterFromEditor(10, 0.5);
    EXPECT_EQ(plug.Parameter(10)->value, 50.0);
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"automate", 10}}));
    EXPECT_EQ(plug.changes, std::vector<int>{10});
    plug.SetParameterFromEditor(10, std::nan(""));
    EXPECT_EQ(plug.host.size(), 1u);
}

TEST(EffectBase, WheelStepsFormOneGestureEndedByTheCountdown)
{
    TestEffect plug;
    auto* view = new FakeView(24);
    plug.AttachEditor(view);
    for (int step = 0; step < 2; ++step) {
        plug.BeginWheelEdit(3);
        plug.SetParameterFromEditor(3, 0.2);
        plug.ScheduleWheelEditEnd(3);
        EXPECT_EQ(view->countdown, 12);
    }
    for (int tick = 0; tick < 11; ++tick) {
        view->Tick(plug);
    }
    EXPECT_EQ(plug.PendingWheelParam(), 3);
    view->Tick(plug);
    EXPECT_EQ(plug.PendingWheelParam(), -1);
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"begin", 3}, {"automate", 3}, {"automate", 3}, {"end", 3}}));
}

TEST(EffectBase, WheelOnSecondParameterOrClickEndsThePendingGesture)
{
    TestEffect plug;
    auto* view = new FakeView(1);
    plug.AttachEditor(view);
    plug.BeginWheelEdit(3);
    plug.ScheduleWheelEditEnd(3);
    EXPECT_EQ(view->countdown, 1);  // never below one tick
    plug.BeginWheelEdit(5);
    plug.ScheduleWheelEditEnd(5);
    plug.BeginEdit(7);
    EXPECT_EQ(view->countdown, 0);
    EXPECT_EQ(plug.host,
              (std::vector<HostEvent>{{"begin", 3}, {"end", 3}, {"begin", 5}, {"end", 5}, {"begin", 7}}));
}

TEST(EffectBase, ClosingTheInstanceEndsAPendingWheelGesture)
{
    TestEffect plug;
    plug.AttachEditor(new FakeView(24));
    plug.BeginWheelEdit(4);
    plug.ScheduleWheelEditEnd(4);
    plug.CloseEditorBeforeDelete();
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"begin", 4}, {"end", 4}}));
    EXPECT_EQ(plug.PendingWheelParam(), -1);
}

TEST(EffectBase, WheelWithoutViewEndsAtOnce)
{
    TestEffect plug;
    plug.BeginWheelEdit(2);
    plug.ScheduleWheelEditEnd(2);
    EXPECT_EQ(plug.PendingWheelParam(), -1);
    EXPECT_EQ(plug.host, (std::vector<HostEvent>{{"begin", 2}, {"end", 2}}));
}
