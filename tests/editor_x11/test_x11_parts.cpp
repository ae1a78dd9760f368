// The Linux editor's parts that need no server: X keys as the editor's key codes, and
// the in-place entry's editing rules.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "editor/editor_view.h"
#include "editor/x11_keys.h"
#include "editor/x11_text_entry.h"

namespace {
int CodeFor(unsigned long keysym)
{
    return KeyCodeForVirtualKey(VirtualKeyForKeysym(keysym));
}
}  // namespace

TEST(X11Keys, MapToTheSameCodesAsTheWindowsKeys)
{
    EXPECT_EQ(CodeFor(XK_space), kKeySpace);
    EXPECT_EQ(CodeFor(XK_Up), kKeyUp);
    EXPECT_EQ(CodeFor(XK_Down), kKeyDown);
    EXPECT_EQ(CodeFor(XK_Left), kKeyLeft);
    EXPECT_EQ(CodeFor(XK_Right), kKeyRight);
    EXPECT_EQ(CodeFor(XK_0), kKeyDigit0);
    EXPECT_EQ(CodeFor(XK_9), kKeyDigit0 + 9);
    EXPECT_EQ(CodeFor(XK_a), kKeyLetterA);
    EXPECT_EQ(CodeFor(XK_Z), kKeyLetterA + 25);
    for (unsigned long unmapped : {XK_F1, XK_KP_1, XK_KP_Up, XK_Return, XK_Escape, XK_minus, XK_eacute}) {
        EXPECT_EQ(CodeFor(unmapped), -1) << unmapped;
    }
}

TEST(InPlaceEdit, TypingReplacesTheSelectedTextThenEdits)
{
    auto edit = InPlaceEntry::MakeEdit(100, 50, 32, "10");
    EXPECT_EQ(edit->Place().left, 84);
    EXPECT_EQ(edit->Place().top, 42);
    EXPECT_EQ(edit->Place().Height(), InPlaceEntry::kEditHeight);
    EXPECT_EQ(edit->Key(XK_7, "7"), InPlaceEntry::kTyped);
    EXPECT_EQ(edit->Text(), "7");
    edit->Key(XK_5, "5");
    edit->Key(XK_Left, "");
    edit->Key(XK_BackSpace, "\b");
    edit->Key(XK_period, ".");
    EXPECT_EQ(edit->Text(), ".5");
    edit->Key(XK_Delete, "");
    EXPECT_EQ(edit->Text(), ".");
    edit->Key(XK_Home, "");
    edit->Key(XK_minus, "-");
    EXPECT_EQ(edit->Text(), "-.");
    EXPECT_EQ(edit->Key(XK_F1, ""), InPlaceEntry::kTyped);
    EXPECT_EQ(edit->Key(XK_Return, "\r"), InPlaceEntry::kCommit);
    EXPECT_EQ(edit->Text(), "-.");
}

TEST(InPlaceEdit, DrawsSelectionThenCaretWithinItsBox)
{
    auto edit = InPlaceEntry::MakeEdit(40, 40, 40, "42");
    RasterBitmap& selected = edit->Draw();
    ASSERT_EQ(selected.Width(), 40);
    ASSERT_EQ(selected.Height(), 16);
    int highlighted = 0;
    for (int x = 0; x < 40; ++x) {
        highlighted += (selected.Pixels()[8 * selected.StridePixels() + x] & 0xFFFFFF) == 0x3367D6 ? 1 : 0;
    }
    EXPECT_GT(highlighted, 3);
    edit->Key(XK_End, "");
    RasterBitmap& plain = edit->Draw();
    for (int x = 0; x < 40; ++x) {
        EXPECT_NE(plain.Pixels()[8 * plain.StridePixels() + x] & 0xFFFFFF, 0x3367D6u);
    }
}

TEST(InPlaceList, PicksByPressOrArrowsAndKnowsItsRows)
{
    auto list = InPlaceEntry::MakeList(100, 20, {"Off", "Before", "After"}, 1);
    EXPECT_EQ(list->Place().Width(), 8 * 6 + 24);
    EXPECT_EQ(list->Place().Height(), 3 * InPlaceEntry::kRowHeight + 2);
    EXPECT_EQ(list->Text(), "Before");
    EXPECT_EQ(list->Key(XK_Down, ""), InPlaceEntry::kCommit);
    EXPECT_EQ(list->Text(), "After");
    EXPECT_EQ(list->Key(XK_Down, ""), InPlaceEntry::kTyped);  // already the last
    EXPECT_EQ(list->Press(5, 1 + 5), InPlaceEntry::kCommit);
    EXPECT_EQ(list->Text(), "Off");
    EXPECT_EQ(list->Press(5, 1 + 3 * InPlaceEntry::kRowHeight + 1), InPlaceEntry::kIgnored);
    EXPECT_EQ(InPlaceEntry::MakeList(0, 0, {"a"}, -1)->Text(), "");
}
