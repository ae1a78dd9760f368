#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "plug/data_chunk.h"

namespace {
std::vector<uint8_t> Bytes(const IDataChunk& c)
{
    return std::vector<uint8_t>(c.Data(), c.Data() + c.Size());
}
}  // namespace

TEST(DataChunk, EncodesLittleEndianPacked)
{
    IDataChunk c;
    ASSERT_TRUE(c.PutInt32(-2));
    ASSERT_TRUE(c.PutByte(7));
    ASSERT_TRUE(c.PutDouble(1.0));
    ASSERT_TRUE(c.PutText("abc"));
    const std::vector<uint8_t> expected = {0xFE, 0xFF, 0xFF, 0xFF, 7, 0,   0,   0,   0,  0,
                                           0,    0xF0, 0x3F, 3,    0, 0,   0,   'a', 'b', 'c'};
    EXPECT_EQ(Bytes(c), expected);
}

TEST(DataChunk, HeaderReplacesContents)
{
    IDataChunk c;
    for (int i = 0; i < 2000; ++i) {
        c.PutDouble(i);
    }
    ASSERT_TRUE(c.PutHeader());
    EXPECT_EQ(Bytes(c), (std::vector<uint8_t>{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
}

TEST(DataChunk, ReadsBackWhatWasWritten)
{
    IDataChunk c;
    c.PutInt32(123456789);
    c.PutDouble(-0.1);
    c.PutByte(0x80);
    c.PutText("hello");
    int32_t i = 0;
    double d = 0;
    uint8_t b = 0;
    ITextBuffer t;
    int pos = c.GetInt32(i, 0);
    pos = c.GetDouble(d, pos);
    pos = c.GetByte(b, pos);
    pos = c.GetText(t, pos);
    EXPECT_EQ(i, 123456789);
    EXPECT_EQ(d, -0.1);
    EXPECT_EQ(b, 0x80);
    EXPECT_STREQ(t.Text(), "hello");
    EXPECT_EQ(pos, c.Size());
}

TEST(DataChunk, ReadersNeverPassTheEnd)
{
    IDataChunk c;
    c.SetSizeZeroed(15);
    double d = 5.0;
    EXPECT_EQ(c.GetDouble(d, 8), -1);  // 7 bytes before the end
    EXPECT_EQ(d, 5.0);
    int32_t i = 3;
    EXPECT_EQ(c.GetInt32(i, 12), -1);
    EXPECT_EQ(c.GetInt32(i, -1), -1);
    EXPECT_EQ(c.GetInt32(i, std::numeric_limits<int>::max() - 1), -1);
    uint8_t b;
    EXPECT_EQ(c.GetByte(b, 15), -1);
    EXPECT_EQ(c.GetByte(b, 14), 15);
}

TEST(DataChunk, TextReadingRejectsBadLengths)
{
    ITextBuffer t;
    t.SetText("kept");
    IDataChunk negative;
    negative.PutInt32(-1);
    EXPECT_EQ(negative.GetText(t, 0), -1);
    IDataChunk tooLong;
    tooLong.PutInt32(10);
    tooLong.PutBytes("abc", 3);
    EXPECT_EQ(tooLong.GetText(t, 0), -1);
    IDataChunk huge;
    huge.PutInt32(0x7FFFFFFF);
    EXPECT_EQ(huge.GetText(t, 0), -1);
    EXPECT_STREQ(t.Text(), "kept");

    IDataChunk empty;
    empty.PutInt32(0);
    EXPECT_EQ(empty.GetText(t, 0), 4);
    EXPECT_STREQ(t.Text(), "");

    IDataChunk embeddedNul;
    embeddedNul.PutInt32(4);
    embeddedNul.PutBytes("ab\0d", 4);
    EXPECT_EQ(embeddedNul.GetText(t, 0), 8);
    EXPECT_STREQ(t.Text(), "ab");
}

TEST(DataChunk, SetSizeZeroedClearsOnlyTheGrowth)
{
    IDataChunk c;
    c.PutInt32(-1);
    EXPECT_EQ(c.SetSizeZeroed(12), 4);
    EXPECT_EQ(Bytes(c), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(DataChunk, DoublesKeepEveryBit)
{
    const double values[] = {0.0, -0.0, 1e-310, -1e300, std::numeric_limits<double>::infinity()};
    IDataChunk c;
    for (double v : values) {
        c.PutDouble(v);
    }
    int pos = 0;
    for (double v : values) {
        double r = 0;
        pos = c.GetDouble(r, pos);
        EXPECT_EQ(std::memcmp(&r, &v, sizeof v), 0);
    }
}
