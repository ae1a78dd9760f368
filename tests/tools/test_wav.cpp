// The WAV reader and writer: exact round trips, and every kind of damaged or
// unsupported file refused with a message, never read past its end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "files.h"
#include "host_error.h"
#include "tool_test_support.h"
#include "wav.h"

namespace {
std::string DecodeError(const std::vector<uint8_t>& bytes)
{
    try {
        DecodeWav(bytes, "x.wav");
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

void Put16(std::vector<uint8_t>& bytes, size_t at, uint32_t v)
{
    bytes[at] = static_cast<uint8_t>(v);
    bytes[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t v)
{
    Put16(bytes, at, v & 0xFFFF);
    Put16(bytes, at + 2, v >> 16);
}

// Offsets in the files EncodeWav writes: fmt fields from 20, the data chunk's size at 40.
constexpr size_t kTagAt = 20;
constexpr size_t kChannelsAt = 22;
constexpr size_t kRateAt = 24;
constexpr size_t kBlockAlignAt = 32;
constexpr size_t kBitsAt = 34;
constexpr size_t kDataSizeAt = 40;

std::vector<uint8_t> SmallFile(SampleFormat format = SampleFormat::Pcm16)
{
    return EncodeWav(TestSignal(8000, 10), format);
}
}  // namespace

TEST(WavRoundTrip, EveryFormatAnyRateAndChannelCount)
{
    for (SampleFormat format :
         {SampleFormat::Pcm16, SampleFormat::Pcm24, SampleFormat::Float32, SampleFormat::Float64}) {
        for (int rate : {7, 44100, 192000}) {
            for (size_t channels : {1, 2, 6}) {
                const Audio audio = TestSignal(rate, 300, channels);
                const WavFile once = DecodeWav(EncodeWav(audio, format), "once");
                const WavFile twice = DecodeWav(EncodeWav(once.audio, format), "twice");
                ASSERT_EQ(once.format, format);
                ASSERT_EQ(once.audio.sampleRate, rate);
                ASSERT_EQ(once.audio.channels.size(), channels);
                ASSERT_EQ(once.audio.Frames(), 300u);
                // Quantising is idempotent, and float64 keeps every bit.
                EXPECT_EQ(twice.audio.channels, once.audio.channels) << SampleFormatName(format);
                const double step = format == SampleFormat::Pcm16 ? 1.0 / 32768 : format == SampleFormat::Pcm24 ? 1.0 / 8388608 : 1e-7;
                for (size_t c = 0; c < channels; ++c) {
                    for (size_t i = 0; i < 300; ++i) {
                        ASSERT_NEAR(once.audio.channels[c][i], audio.channels[c][i], step);
                    }
                }
                if (format == SampleFormat::Float64) {
                    EXPECT_EQ(once.audio.channels, audio.channels);
                }
            }
        }
    }
}

TEST(WavRoundTrip, PcmClipsAtFullScaleAndKeepsItsExtremes)
{
    Audio audio;
    audio.sampleRate = 48000;
    audio.channels = {{1.5, -1.5, 1.0, -1.0, 0.5}};
    const Audio pcm16 = DecodeWav(EncodeWav(audio, SampleFormat::Pcm16), "a").audio;
    EXPECT_EQ(pcm16.channels[0], (std::vector<double>{32767.0 / 32768, -1.0, 32767.0 / 32768, -1.0, 0.5}));
    const Audio pcm24 = DecodeWav(EncodeWav(audio, SampleFormat::Pcm24), "a").audio;
    EXPECT_EQ(pcm24.channels[0][1], -1.0);
    EXPECT_EQ(pcm24.channels[0][2], 8388607.0 / 8388608);
    const Audio loud = DecodeWav(EncodeWav(audio, SampleFormat::Float32), "a").audio;
    EXPECT_EQ(loud.channels[0][0], 1.5);
}

TEST(WavRoundTrip, SkipsOtherChunksAndOddPadding)
{
    std::vector<uint8_t> bytes = SmallFile();
    // A 3-byte LIST chunk (padded to 4) between fmt and data.
    const uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    bytes.insert(bytes.begin() + 36, std::begin(list), std::end(list));
    const WavFile file = DecodeWav(bytes, "padded");
    EXPECT_EQ(file.audio.channels, DecodeWav(SmallFile(), "plain").audio.channels);
}

TEST(WavRoundTrip, ExtensibleFloatIsRead)
{
    std::vector<uint8_t> bytes = SmallFile(SampleFormat::Float32);
    // Widen fmt to 40 bytes: tag 0xFFFE, and the sub-format GUID starting with tag 3.
    std::vector<uint8_t> extension(24, 0);
    extension[0] = 22;
    extension[8] = 3;
    bytes.insert(bytes.begin() + 36, extension.begin(), extension.end());
    Put32(bytes, 16, 40);
    Put16(bytes, kTagAt, 0xFFFE);
    const WavFile file = DecodeWav(bytes, "extensible");
    EXPECT_EQ(file.format, SampleFormat::Float32);
    EXPECT_EQ(file.audio.channels, DecodeWav(SmallFile(SampleFormat::Float32), "plain").audio.channels);
}

TEST(WavDamage, EveryTruncationIsRefusedWithoutReadingPastTheEnd)
{
    const std::vector<uint8_t> whole = SmallFile(SampleFormat::Pcm24);
    for (size_t n = 0; n < whole.size(); ++n) {
        const std::string message = DecodeError(std::vector<uint8_t>(whole.begin(), whole.begin() + n));
        ASSERT_FALSE(message.empty()) << "a file cut to " << n << " bytes was read";
        EXPECT_TRUE(message.find("cut short") != std::string::npos ||
                    message.find("not a WAV file") != std::string::npos ||
                    message.find("no 'fmt ' chunk") != std::string::npos)
            << message;
    }
}

TEST(WavDamage, MalformedHeadersNameTheProblem)
{
    const auto damaged = [](size_t at, uint32_t v, bool wide) {
        std::vector<uint8_t> bytes = SmallFile();
        wide ? Put32(bytes, at, v) : Put16(bytes, at, v);
        return DecodeError(bytes);
    };
    EXPECT_NE(damaged(0, 0x46464952 ^ 1, true).find("not a WAV file"), std::string::npos);
    EXPECT_NE(damaged(8, 0x45564157 ^ 1, true).find("not a WAV file"), std::string::npos);
    EXPECT_NE(damaged(kBitsAt, 8, false).find("8-bit PCM"), std::string::npos);
    EXPECT_NE(damaged(kBitsAt, 32, false).find("32-bit PCM"), std::string::npos);
    EXPECT_NE(damaged(kTagAt, 2, false).find("format tag 2"), std::string::npos);
    EXPECT_NE(damaged(kChannelsAt, 0, false).find("declares 0 channels"), std::string::npos);
    EXPECT_NE(damaged(kRateAt, 0, true).find("sample rate of 0"), std::string::npos);
    EXPECT_NE(damaged(kBlockAlignAt, 3, false).find("bytes per frame"), std::string::npos);
    EXPECT_NE(damaged(kDataSizeAt, 0xFFFFFFFF, true).find("cut short"), std::string::npos);
    EXPECT_NE(damaged(kDataSizeAt, 39, true).find("ends inside a frame"), std::string::npos);
    EXPECT_NE(damaged(kTagAt, 0xFFFE, false).find("extensible"), std::string::npos);
    EXPECT_NE(damaged(36, 0x61746164 ^ 1, true).find("no 'data' chunk"), std::string::npos);
    EXPECT_NE(DecodeError({}).find("not a WAV file"), std::string::npos);
    std::vector<uint8_t> shortFormat = SmallFile();
    shortFormat.erase(shortFormat.begin() + 32, shortFormat.begin() + 36);
    Put32(shortFormat, 16, 12);
    EXPECT_NE(DecodeError(shortFormat).find("'fmt ' chunk of only 12 bytes"), std::string::npos);
}

TEST(WavDamage, NonFiniteSamplesAreRefused)
{
    Audio audio;
    audio.channels = {{0.0, std::numeric_limits<double>::quiet_NaN()}};
    EXPECT_NE(DecodeError(EncodeWav(audio, SampleFormat::Float32)).find("non-finite sample at frame 1"),
              std::string::npos);
    audio.channels = {{std::numeric_limits<double>::infinity()}};
    EXPECT_NE(DecodeError(EncodeWav(audio, SampleFormat::Float64)).find("non-finite"), std::string::npos);
}

TEST(WavFiles, MissingUnreadableAndUnwritableFiles)
{
    ScratchFolder folder;
    EXPECT_THROW(ReadWav(folder.File("absent.wav")), HostError);
    EXPECT_THROW(ReadWav(folder.File("")), HostError);
    const std::string target = folder.File("missing-folder/out.wav");
    EXPECT_THROW(WriteWav(target, TestSignal(44100, 10), SampleFormat::Pcm16), HostError);
    EXPECT_FALSE(FileExists(target));
    EXPECT_FALSE(FileExists(target + ".partial"));
    Audio noChannels;
    EXPECT_THROW(WriteWav(folder.File("none.wav"), noChannels, SampleFormat::Pcm16), HostError);
    EXPECT_FALSE(FileExists(folder.File("none.wav")));
}

TEST(WavFiles, WritingReplacesAnExistingFileWhole)
{
    ScratchFolder folder;
    const std::string path = folder.File("out.wav");
    WriteWav(path, TestSignal(44100, 1000), SampleFormat::Pcm24);
    WriteWav(path, TestSignal(22050, 10, 1), SampleFormat::Float32);
    const WavFile file = ReadWav(path);
    EXPECT_EQ(file.audio.sampleRate, 22050);
    EXPECT_EQ(file.audio.Frames(), 10u);
    EXPECT_FALSE(FileExists(path + ".partial"));
}

TEST(WavFiles, SampleFormatNames)
{
    for (const char* name : {"pcm16", "pcm24", "float", "float64"}) {
        EXPECT_STREQ(SampleFormatName(ParseSampleFormat(name)), name);
    }
    EXPECT_THROW(ParseSampleFormat("pcm8"), HostError);
}
