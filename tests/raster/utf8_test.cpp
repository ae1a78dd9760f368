// Reading UTF-8 for the glyph cache and the multi-byte probe of the system-engine route.
#include <gtest/gtest.h>

#include "raster/raster_font.h"

namespace {

struct Decoded {
    int code;
    int bytes;
};

Decoded Decode(const char* text, int available = -1)
{
    Decoded d = {0, 0};
    d.code = DecodeUtf8Char(text, available, &d.bytes);
    return d;
}

TEST(Utf8, DecodesOneTwoAndThreeByteCharacters)
{
    EXPECT_EQ(Decode("A").code, 'A');
    EXPECT_EQ(Decode("A").bytes, 1);
    EXPECT_EQ(Decode("\xC3\xA9").code, 0xE9);
    EXPECT_EQ(Decode("\xC3\xA9").bytes, 2);
    EXPECT_EQ(Decode("\xE2\x82\xAC").code, 0x20AC);
    EXPECT_EQ(Decode("\xE2\x82\xAC").bytes, 3);
    EXPECT_EQ(Decode("\xEF\xBF\xBF").code, 0xFFFF);
}

TEST(Utf8, FourByteSequencesBecomeASpace)
{
    EXPECT_EQ(Decode("\xF0\x9F\x98\x80").code, ' ');
    EXPECT_EQ(Decode("\xF0\x9F\x98\x80").bytes, 4);
    EXPECT_EQ(Decode("\xF5\x80\x80\x80").code, 0xF5);  // beyond the last lead byte
    EXPECT_EQ(Decode("\xF5\x80\x80\x80").bytes, 1);
}

TEST(Utf8, BrokenSequencesAreTakenByteByByte)
{
    EXPECT_EQ(Decode("\xC0\x80").code, 0xC0);  // overlong lead
    EXPECT_EQ(Decode("\xC0\x80").bytes, 1);
    EXPECT_EQ(Decode("\x80").code, 0x80);  // stray continuation
    EXPECT_EQ(Decode("\xE2\x82").code, 0xE2);  // cut short by the NUL
    EXPECT_EQ(Decode("\xE2\x82").bytes, 1);
    EXPECT_EQ(Decode("\xC3" "A").code, 0xC3);
}

TEST(Utf8, NeverReadsBeyondTheAvailableBytes)
{
    const char text[] = {'\xC3', '\xA9', '\xE2', '\x82', '\xAC'};
    EXPECT_EQ(Decode(text, 1).code, 0xC3);
    EXPECT_EQ(Decode(text, 1).bytes, 1);
    EXPECT_EQ(Decode(text + 2, 2).code, 0xE2);
    EXPECT_EQ(Decode(text + 2, 3).code, 0x20AC);
}

TEST(Utf8, MultiByteProbe)
{
    EXPECT_FALSE(HasMultiByteUtf8(""));
    EXPECT_FALSE(HasMultiByteUtf8("-16dB 50%"));
    EXPECT_TRUE(HasMultiByteUtf8("a\xC3\xA9"));
    EXPECT_TRUE(HasMultiByteUtf8("\xE2\x82\xAC"));
    EXPECT_TRUE(HasMultiByteUtf8("\xF0\x9F\x98"));  // the fourth byte is not looked at
    EXPECT_FALSE(HasMultiByteUtf8("\xC0\x80"));
    EXPECT_FALSE(HasMultiByteUtf8("\x80\xBF"));
    EXPECT_FALSE(HasMultiByteUtf8("\xE2\x82"));
    const char text[] = {'a', '\xC3', '\xA9'};
    EXPECT_FALSE(HasMultiByteUtf8(text, 2));
    EXPECT_TRUE(HasMultiByteUtf8(text, 3));
}

}  // namespace
