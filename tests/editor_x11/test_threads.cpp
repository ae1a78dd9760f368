// The editor beside a host's audio thread: every parameter automated at 64-frame blocks
// while the editor repaints and a knob is dragged. Built with ThreadSanitizer, any race
// between the painter and the audio thread is reported; natively the face must end up
// showing the last values.
#include <atomic>
#include <thread>
#include <vector>

#include "editor_fixture.h"

namespace {
constexpr int kBlock = 64;
constexpr int kAmountX = 67;
constexpr int kAmountY = 160;

class EditorThreads : public LinuxEditor {};

// The value a sweep gives a parameter in a block.
float SweepValue(int block, int param)
{
    return static_cast<float>((block * 7 + param * 13) % 101) / 100.0f;
}
}  // namespace

TEST_F(EditorThreads, AudioThreadAutomatesEveryParameterWhileTheEditorRepaints)
{
    std::atomic<bool> running{true};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> inL(kBlock, 0.25f), inR(kBlock, -0.25f), outL(kBlock), outR(kBlock);
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), outR.data()};
        for (int block = 0; running.load(); ++block) {
            for (int p = 0; p < kParamCount; ++p) {
                effect->setParameter(effect, p, SweepValue(block, p));
            }
            effect->processReplacing(effect, in, out, kBlock);
            blocks.store(block + 1);
        }
    });
    ASSERT_TRUE(Xdo("mousemove " + At(kAmountX, kAmountY) + " mousedown 1 mousemove " +
                    At(kAmountX, kAmountY - 30) + " mouseup 1"));
    host->IdleFor(1200);
    running.store(false);
    audio.join();
    ASSERT_GT(blocks.load(), 100);

    const int last = blocks.load() - 1;
    for (int p = 0; p < kParamCount; ++p) {
        mirror.SetParameter(p, SweepValue(last, p));
    }
    EXPECT_EQ(DifferencesFromMirror(), 0);
}
