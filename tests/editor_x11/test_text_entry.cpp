// Typing or picking an exact value after a right click, in the Linux editor's own
// in-place entry: commit by Enter, by a pick or by a left click elsewhere; cancel by a
// right click; applied on the next redraw tick.
#include "editor_fixture.h"

namespace {
constexpr int kGainKnob = 5;
constexpr int kGainX = 169;
constexpr int kGainY = 163;
constexpr int kSwitchX = 68;
constexpr int kSwitchY = 95;
constexpr uint32_t kHighlight = 0x3367D6;

class TextEntry : public LinuxEditor {
protected:
    // The entry's window inside the editor, or 0.
    Window Entry()
    {
        const std::vector<Window> children = host->Children(Editor());
        return children.size() == 1 ? children[0] : 0;
    }
    void RightClick(int x, int y)
    {
        ASSERT_TRUE(Xdo("mousemove " + At(x, y) + " click 3"));
        host->IdleFor(100);
    }
};
}  // namespace

TEST_F(TextEntry, ListOnASwitchShowsTheCurrentTextAndAPickApplies)
{
    RightClick(kSwitchX, kSwitchY);
    ASSERT_NE(Entry(), 0u);
    // Off, Overdrive Fat (current, highlighted), Overdrive Weak, Decimator; 18-pixel rows.
    const std::vector<uint32_t> list = host->Pixels(Entry(), 136, 74);
    ASSERT_EQ(list.size(), 136u * 74u);
    EXPECT_EQ(list[(1 + 18 + 2) * 136 + 2], kHighlight);
    EXPECT_NE(list[(1 + 2) * 136 + 2], kHighlight);
    host->ClearRequests();

    ASSERT_TRUE(Xdo("mousemove " + At(kSwitchX, kSwitchY + 1 + 3 * 18 + 9) + " click 1"));
    host->IdleFor(150);
    EXPECT_EQ(Entry(), 0u);
    EXPECT_FLOAT_EQ(Param(kAlgorithm), 1.0f);
    const auto automated = host->Requests(effect, audioMasterAutomate);
    ASSERT_EQ(automated.size(), 2u);  // the pick, then the value pushed again as the entry closes
    EXPECT_EQ(Count(audioMasterBeginEdit), 2);  // each inside an edit of its own
    EXPECT_EQ(Count(audioMasterEndEdit), 2);
    mirror.SetParameter(kAlgorithm, 1.0f);
    EXPECT_EQ(DifferencesFromMirror(), 0);
}

TEST_F(TextEntry, TypedValueIsAppliedByEnter)
{
    RightClick(kGainX, kGainY);
    ASSERT_NE(Entry(), 0u);
    ASSERT_TRUE(Xdo("type 785"));
    ASSERT_TRUE(Xdo("key BackSpace Return"));
    host->IdleFor(150);
    EXPECT_EQ(Entry(), 0u);
    EXPECT_FLOAT_EQ(Param(kGain), 0.78f);
    IEditorView& face = mirror.View();
    face.ApplyEnteredText(face.Control(kGainKnob), face.Plug()->Parameter(kGain), "78");
    EXPECT_EQ(DifferencesFromMirror(), 0);
}

TEST_F(TextEntry, NumberOutsideTheRangeAppliesTheRangesEnd)
{
    RightClick(kGainX, kGainY);
    ASSERT_TRUE(Xdo("type -- -6"));
    ASSERT_TRUE(Xdo("key Return"));
    host->IdleFor(150);
    EXPECT_FLOAT_EQ(Param(kGain), 0.0f);
}

TEST_F(TextEntry, RightClickCancelsAndTheValueIsSentOnceUnchanged)
{
    const float before = Param(kGain);
    RightClick(kGainX, kGainY);
    ASSERT_TRUE(Xdo("type 55"));
    host->ClearRequests();
    RightClick(kSwitchX, kSwitchY);  // cancels only: no list opens
    host->IdleFor(100);
    EXPECT_EQ(Entry(), 0u);
    EXPECT_FLOAT_EQ(Param(kGain), before);
    const auto automated = host->Requests(effect, audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, kGain);
    EXPECT_EQ(Count(audioMasterBeginEdit), 1);  // around the value sent again, and nothing for the release
    EXPECT_EQ(Count(audioMasterEndEdit), 1);
    EXPECT_EQ(DifferencesFromMirror(), 0);
}

TEST_F(TextEntry, LeftClickElsewhereCommitsAndActsOnTheControlThere)
{
    RightClick(kGainX, kGainY);
    ASSERT_TRUE(Xdo("type 33"));
    ASSERT_TRUE(Xdo("mousemove " + At(kSwitchX, kSwitchY) + " click 1"));
    host->IdleFor(150);
    EXPECT_EQ(Entry(), 0u);
    EXPECT_FLOAT_EQ(Param(kGain), 0.33f);
    EXPECT_NEAR(Param(kAlgorithm), 2.0f / 3.0f, 1e-6);  // Overdrive Fat stepped to Overdrive Weak
}

TEST_F(TextEntry, ClosingTheEditorDropsAnOpenEntryUnapplied)
{
    RightClick(kGainX, kGainY);
    ASSERT_TRUE(Xdo("type 99"));
    host->Dispatch(effect, effEditClose);
    EXPECT_TRUE(host->Children(parent).empty());
    EXPECT_FLOAT_EQ(Param(kGain), 0.1f);
    ASSERT_TRUE(host->OpenEditor(effect, parent));
    host->IdleFor(100);
    EXPECT_EQ(Entry(), 0u);
}
