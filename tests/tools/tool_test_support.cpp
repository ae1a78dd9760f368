#include "tool_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "commands.h"

namespace fs = std::filesystem;

namespace {
std::atomic<int> folderCount{0};
}

ScratchFolder::ScratchFolder()
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    // Suite and test name: tests of the same name in other suites may run at the same time.
    const std::string name = std::string("ruckhost-") + (info ? info->test_suite_name() : "suite") + "-" +
                             (info ? info->name() : "test") + "-" + std::to_string(folderCount++);
    path = fs::temp_directory_path() / name;
    fs::remove_all(path);
    fs::create_directories(path);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::string CommandResult::Message() const
{
    std::string text = err;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    const size_t newline = text.find_last_of('\n');
    return newline == std::string::npos ? text : text.substr(newline + 1);
}

CommandResult RunCaptured(const std::vector<std::string>& args)
{
    CommandResult result;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    result.code = RunRuckhost(args);
    std::fflush(stdout);
    std::fflush(stderr);
    result.err = testing::internal::GetCapturedStderr();
    result.out = testing::internal::GetCapturedStdout();
    return result;
}

Audio TestSignal(int sampleRate, size_t frames, size_t channels)
{
    Audio audio;
    audio.sampleRate = sampleRate;
    audio.channels.assign(channels, std::vector<double>(frames));
    uint32_t noise = 12345;
    for (size_t c = 0; c < channels; ++c) {
        double phase = 0.0;
        const double step = (0.011 + 0.003 * static_cast<double>(c)) * 2.0;
        for (size_t i = 0; i < frames; ++i) {
            phase += step;
            if (phase > 1.0) {
                phase -= 2.0;
            }
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(noise >> 8) / 8388608.0 - 1.0) * 0.05;
            audio.channels[c][i] = 0.75 * phase + hiss;
        }
    }
    return audio;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

void RenderTest::SetUp()
{
    WriteWav(in, TestSignal(kRenderRate, kRenderFrames), SampleFormat::Float32);
}

Audio RenderTest::Render(const std::string& plugin, std::vector<std::string> options, const std::string& source)
{
    std::vector<std::string> args = {"render", plugin, source.empty() ? in : source, out};
    args.insert(args.end(), options.begin(), options.end());
    const CommandResult result = RunCaptured(args);
    EXPECT_EQ(result.code, 0) << result.err;
    return ReadWav(out).audio;
}

void RenderTest::ExpectRenderRefused(const std::string& plugin, std::vector<std::string> options,
                                     const std::string& message)
{
    std::vector<std::string> args = {"render", plugin, in, out};
    args.insert(args.end(), options.begin(), options.end());
    const CommandResult result = RunCaptured(args);
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.Message().find(message), std::string::npos) << result.Message();
    EXPECT_FALSE(FileExists(out));
}
