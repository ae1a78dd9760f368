#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "test_effect.h"

using ruck::test::Capture;
using ruck::test::FakeView;
using ruck::test::TestEffect;

namespace {
std::vector<double> Stored(const IProgramSlot& slot)
{
    std::vector<double> values;
    for (int pos = 0; pos >= 0 && pos < slot.values.Size();) {
        double v = 0.0;
        pos = slot.values.GetDouble(v, pos);
        values.push_back(v);
    }
    return values;
}

std::vector<double> Current(const IEffectBase& plug)
{
    std::vector<double> values;
    for (int i = 0; i < plug.ParameterCount(); ++i) {
        values.push_back(plug.Parameter(i)->value);
    }
    return values;
}

const std::vector<double> kDefaults = {1, 50, 0, 10, -16, -16, -20, 10, 0, 0, 90};
}  // namespace

TEST(Programs, FreshSlotsCarryPlaceholderNames)
{
    TestEffect plug;
    EXPECT_STREQ(plug.ProgramName(0), "- 1 -");
    EXPECT_STREQ(plug.ProgramName(24), "- 25 -");
    EXPECT_STREQ(plug.ProgramName(25), "");
    EXPECT_STREQ(plug.ProgramName(-1), "");
    EXPECT_FALSE(plug.Program(0)->filled);
    EXPECT_EQ(plug.CurrentProgram(), 0);
}

TEST(Programs, FactoryProgramsFillSlotsInOrderWithoutTouchingParameters)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    EXPECT_STREQ(plug.ProgramName(0), "---- default ----");
    EXPECT_STREQ(plug.ProgramName(2), "Decimator");
    EXPECT_STREQ(plug.ProgramName(3), "- 4 -");
    EXPECT_EQ(Stored(*plug.Program(0)), kDefaults);
    EXPECT_EQ(Stored(*plug.Program(1)), (std::vector<double>{1, 80, 2, 88, -64, -18, 60, -45, 2, 0, 100}));
    EXPECT_EQ(Current(plug), kDefaults);
    EXPECT_TRUE(plug.changes.empty());
}

TEST(Programs, ValuesForIntegerParametersKeepTheirWholePart)
{
    TestEffect plug;
    plug.Parameter(1)->type = kTypeDouble;
    EXPECT_TRUE(plug.MakeProgramFromValues("x", {2.9, 12.5, -1.5, 1e300, -1e300, std::nan(""), 0, 0, 0, 0, 0}));
    const std::vector<double> stored = Stored(*plug.Program(0));
    EXPECT_EQ(stored[0], 2.0);
    EXPECT_EQ(stored[1], 12.5);  // real-valued parameter: as given
    EXPECT_EQ(stored[2], -1.0);
    EXPECT_EQ(stored[3], 2147483647.0);
    EXPECT_EQ(stored[4], -2147483648.0);
    EXPECT_EQ(stored[5], 0.0);
}

TEST(Programs, MakingStopsWhenSlotsOrValuesRunOut)
{
    TestEffect plug("1-1", 2);
    EXPECT_FALSE(plug.MakeProgramFromValues("short", {1, 2, 3}));
    EXPECT_FALSE(plug.Program(0)->filled);
    plug.MakeProgramFromCurrent(nullptr, 5);
    EXPECT_STREQ(plug.ProgramName(1), "Default");
    EXPECT_FALSE(plug.MakeProgramFromValues("late", {1, 50, 0, 10, -16, -16, -20, 10, 0, 0, 90}));
    EXPECT_STREQ(plug.ProgramName(0), "Default");
}

TEST(Programs, EnsureOneProgramOnlyWhenNoneDeclared)
{
    TestEffect none("1-1", 0);
    none.EnsureOneProgram();
    ASSERT_EQ(none.ProgramCount(), 1);
    EXPECT_STREQ(none.ProgramName(0), "Default");
    EXPECT_TRUE(none.Program(0)->filled);
    none.EnsureOneProgram();
    EXPECT_EQ(none.ProgramCount(), 1);

    TestEffect some;
    some.EnsureOneProgram();
    EXPECT_FALSE(some.Program(0)->filled);
}

TEST(Programs, SelectingAnUnfilledSlotMakesAUserPreset)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    plug.SetParameterFromHost(1, 0.25);
    plug.changes.clear();
    EXPECT_TRUE(plug.SelectProgram(17));
    EXPECT_STREQ(plug.ProgramName(17), "user preset 1");
    EXPECT_EQ(Stored(*plug.Program(17))[1], 25.0);
    EXPECT_EQ(plug.CurrentProgram(), 17);
    EXPECT_TRUE(plug.changes.empty());
    EXPECT_TRUE(plug.SelectProgram(18));
    EXPECT_STREQ(plug.ProgramName(18), "user preset 2");
}

TEST(Programs, SelectingAFilledSlotLoadsAndAnnouncesIt)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    auto* view = new FakeView();
    plug.AttachEditor(view);
    view->pushes.clear();
    EXPECT_TRUE(plug.SelectProgram(2));
    EXPECT_EQ(Current(plug), (std::vector<double>{3, 80, 1, 60, -10, -64, 0, -20, 2, 0, 90}));
    EXPECT_EQ(plug.changes.size(), 11u);
    ASSERT_EQ(view->pushes.size(), 11u);
    EXPECT_EQ(view->pushes[0].value, 3.0);
    EXPECT_FALSE(view->pushes[0].normalized);
}

TEST(Programs, SelectingOutOfRangeChangesNothing)
{
    TestEffect plug;
    const auto before = Capture(plug);
    EXPECT_FALSE(plug.SelectProgram(25));
    EXPECT_FALSE(plug.SelectProgram(-1));
    EXPECT_EQ(Capture(plug), before);
}

TEST(Programs, SelectingASlotWithDamagedValuesFailsWithoutChange)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    plug.Program(1)->values.SetSize(3 * 8 + 3, true);  // as after a write that ran out of memory
    const auto before = Capture(plug);
    EXPECT_FALSE(plug.SelectProgram(1));
    EXPECT_EQ(Capture(plug), before);
    EXPECT_TRUE(plug.changes.empty());
}

TEST(Programs, StoreCurrentProgramRenamesOnlyWithAText)
{
    TestEffect plug;
    plug.MakeFactoryPrograms();
    plug.SelectProgram(1);
    plug.SetParameterFromHost(10, 0.0);
    plug.StoreCurrentProgram("");
    EXPECT_STREQ(plug.ProgramName(1), "Nice guitar");
    EXPECT_EQ(Stored(*plug.Program(1))[10], 0.0);

    const std::string longName(400, 'L');
    plug.StoreCurrentProgram(longName.c_str());
    EXPECT_EQ(std::string(plug.ProgramName(1)), longName.substr(0, 255));

    plug.SelectProgram(20);
    plug.Program(20)->filled = false;
    plug.StoreCurrentProgram("kept unfilled");
    EXPECT_FALSE(plug.Program(20)->filled);
}

TEST(Programs, UserPresetNumberCountsEveryNameContainingIt)
{
    TestEffect plug;
    plug.StoreCurrentProgram("my user preset");
    plug.SelectProgram(3);
    EXPECT_STREQ(plug.ProgramName(3), "user preset 2");
    plug.StoreCurrentProgram("User Preset");  // case matters
    char next[16];
    plug.NextUserProgramName(next, sizeof next);
    EXPECT_STREQ(next, "user preset 2");
    plug.NextUserProgramName(next, 6);
    EXPECT_STREQ(next, "user ");
}
