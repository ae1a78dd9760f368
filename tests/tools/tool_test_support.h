// Helpers for the ruckhost tests: a scratch folder per test, synthetic audio, and
// ruckhost commands run in-process with their exit code and printed lines.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "wav.h"

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string File(const std::string& name) const { return (path / name).string(); }

private:
    std::filesystem::path path;
};

struct CommandResult {
    int code = 0;
    std::string out;
    std::string err;
    // The last line ruckhost wrote to stderr (the plug-in may print before it).
    std::string Message() const;
};

CommandResult RunCaptured(const std::vector<std::string>& args);

// A stereo test signal: two detuned saw-like tones with some noise, 0.8 of full scale.
Audio TestSignal(int sampleRate, size_t frames, size_t channels = 2);
bool FileExists(const std::string& path);

// The test signal RenderTest renders.
constexpr int kRenderRate = 44100;
constexpr size_t kRenderFrames = 11025;

// Renders through `ruckhost render` of a stereo test signal (written as a float WAV at set-up)
// into a scratch folder, for the tests that compare plug-ins and formats.
class RenderTest : public testing::Test {
protected:
    void SetUp() override;
    // `plugin` renders `source` (the test signal when empty) with the options; the file it wrote.
    Audio Render(const std::string& plugin, std::vector<std::string> options, const std::string& source = "");
    // `plugin` refuses the render with one line naming the problem, and writes no output.
    void ExpectRenderRefused(const std::string& plugin, std::vector<std::string> options, const std::string& message);

    ScratchFolder folder;
    std::string in = folder.File("in.wav");
    std::string out = folder.File("out.wav");
};
