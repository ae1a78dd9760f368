#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plug/grow_buffer.h"

TEST(GrowBuffer, PageRoundedCapacities)
{
    struct Case {
        int request;
        int capacity;
    };
    const Case cases[] = {{1, 4000},      {3999, 4000},       {4000, 8096},          {8095, 8096},
                          {10000, 12192}, {100000, 147360}, {20000000, 24190880}};
    for (const Case& c : cases) {
        IGrowBuffer b;
        b.SetSize(c.request, false);
        EXPECT_EQ(b.Capacity(), c.capacity) << "request " << c.request;
        EXPECT_EQ(b.Size(), c.request);
    }
}

TEST(GrowBuffer, ShrinkKeepsStorageUntilWellBelowCapacity)
{
    IGrowBuffer b;
    b.SetSize(8000, false);
    ASSERT_EQ(b.Capacity(), 8096);
    b.Data()[4999] = 42;
    b.SetSize(5000, true);
    EXPECT_EQ(b.Capacity(), 8096);
    EXPECT_EQ(b.Data()[4999], 42);
    b.SetSize(0, true);
    EXPECT_EQ(b.Capacity(), 0);
    EXPECT_EQ(b.Data(), nullptr);
}

TEST(GrowBuffer, ZeroSizeWithoutShrinkKeepsStorageButAnswersNull)
{
    IGrowBuffer b;
    b.SetSize(100, false);
    EXPECT_EQ(b.SetSize(0, false), nullptr);
    EXPECT_EQ(b.Capacity(), 4000);
    EXPECT_EQ(b.Data(), nullptr);
    b.SetSize(50, false);
    b.SetSize(-5, false);
    EXPECT_EQ(b.Size(), 0);
}

TEST(GrowBuffer, GrowthKeepsContents)
{
    IGrowBuffer b;
    uint8_t* p = b.SetSize(3000, false);
    for (int i = 0; i < 3000; ++i) {
        p[i] = static_cast<uint8_t>(i * 7);
    }
    p = b.SetSize(50000, false);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(p[i], static_cast<uint8_t>(i * 7));
    }
}

TEST(GrowBuffer, ImpossibleSizeChangesNothing)
{
    IGrowBuffer b;
    b.SetSize(16, false);
    b.Data()[0] = 9;
    b.SetSize(2147483000, false);  // the page rounding would overflow 32 bits
    EXPECT_EQ(b.Size(), 16);
    EXPECT_EQ(b.Data()[0], 9);
}

namespace {
struct Tracked {
    explicit Tracked(std::vector<int>& log, int id) : log(log), id(id) {}
    ~Tracked() { log.push_back(id); }
    std::vector<int>& log;
    int id;
};
}  // namespace

TEST(PtrList, OwnsObjectsAndDeletesLastToFirst)
{
    std::vector<int> deleted;
    {
        IPtrList<Tracked> list;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(list.Add(new Tracked(deleted, i)));
        }
        EXPECT_EQ(list.Count(), 3);
        EXPECT_EQ(list.Get(1)->id, 1);
        EXPECT_EQ(list.Get(3), nullptr);
        EXPECT_EQ(list.Get(-1), nullptr);
    }
    EXPECT_EQ(deleted, (std::vector<int>{2, 1, 0}));
}

TEST(PtrList, EmptyListAnswersNull)
{
    IPtrList<int> list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Get(0), nullptr);
}

TEST(TextBuffer, SetTextRules)
{
    ITextBuffer t;
    EXPECT_STREQ(t.Text(), "");
    EXPECT_EQ(t.Size(), 0);
    t.SetText("abcdefghij");
    EXPECT_EQ(t.Size(), 11);
    EXPECT_EQ(t.Capacity(), 139);
    t.SetText(nullptr);
    EXPECT_STREQ(t.Text(), "");
    EXPECT_EQ(t.Size(), 1);
    t.SetText("");
    EXPECT_EQ(t.Size(), 1);
    t.SetText("abcdef", 3);
    EXPECT_STREQ(t.Text(), "abc");
    t.SetText("ab\0cd", 5);
    EXPECT_STREQ(t.Text(), "ab");
}

TEST(TextBuffer, CopiesFromItsOwnStorageAcrossGrowth)
{
    ITextBuffer t;
    t.SetText("0123456789");
    // Grow from a source inside the buffer: the copy must survive the block moving.
    std::string longer(300, 'x');
    t.SetText(longer.c_str());
    t.SetText(t.Text() + 290);
    EXPECT_STREQ(t.Text(), "xxxxxxxxxx");
    t.SetText("abcdefgh");
    t.SetText(t.Text() + 2, 3);
    EXPECT_STREQ(t.Text(), "cde");
}

TEST(TextBuffer, SetFormattedCutsToMaxLength)
{
    ITextBuffer t;
    t.SetFormatted(5, "%d", 1234567);
    EXPECT_STREQ(t.Text(), "12345");
    EXPECT_EQ(t.Size(), 6);
    t.SetFormatted(16, "%s %d", "user preset", 3);
    EXPECT_STREQ(t.Text(), "user preset 3");
    t.SetFormatted(4, "%s", "");
    EXPECT_STREQ(t.Text(), "");
}
