#include "demo_signal.h"

#include <cstdint>
#include <iterator>
#include <vector>

namespace {
constexpr double kTempo = 132.0;  // beats per minute; the riff moves in eighth notes

// A minor-pentatonic riff in E (Hz), one note per eighth, and a bass note per beat.
constexpr double kRiff[] = {164.81, 196.00, 220.00, 246.94, 220.00, 196.00, 164.81, 293.66,
                            246.94, 220.00, 196.00, 220.00, 164.81, 164.81, 196.00, 146.83};
constexpr double kBass[] = {82.41, 82.41, 98.00, 73.42, 82.41, 110.00, 98.00, 73.42};

class Noise {
public:
    double Next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
    }

private:
    uint64_t state = 0x5EED;
};

// A plucked string: a delay line of one period filled with noise, averaged as it circulates.
void AddPluck(std::vector<double>& out, size_t start, size_t length, double frequency, int rate, Noise& noise)
{
    const size_t period = static_cast<size_t>(rate / frequency);
    std::vector<double> line(period);
    for (double& v : line) {
        v = noise.Next();
    }
    double previous = 0.0;
    for (size_t i = 0; i < length && start + i < out.size(); ++i) {
        const size_t k = i % period;
        const double v = line[k];
        line[k] = 0.4985 * (v + previous);
        previous = v;
        out[start + i] += 0.35 * v;
    }
}

// A bass note: a sawtooth through a one-pole low-pass, with an exponential decay.
void AddBass(std::vector<double>& out, size_t start, size_t length, double frequency, int rate)
{
    const double step = 2.0 * frequency / rate;
    double phase = 0.0;
    double smooth = 0.0;
    double level = 0.45;
    const double decay = 1.0 - 3.0 / rate;
    for (size_t i = 0; i < length && start + i < out.size(); ++i) {
        phase += step;
        if (phase > 1.0) {
            phase -= 2.0;
        }
        smooth += 0.08 * (phase - smooth);
        out[start + i] += level * smooth;
        level *= decay;
    }
}
}  // namespace

Audio SynthesiseDemoRiff(int sampleRate, double seconds)
{
    const size_t frames = static_cast<size_t>(seconds * sampleRate);
    const size_t eighth = static_cast<size_t>(sampleRate * 30.0 / kTempo);
    std::vector<double> guitar(frames);
    std::vector<double> bass(frames);
    Noise noise;
    for (size_t n = 0; n * eighth < frames; ++n) {
        AddPluck(guitar, n * eighth, 4 * eighth, kRiff[n % std::size(kRiff)], sampleRate, noise);
        if (n % 2 == 0) {
            AddBass(bass, n * eighth, 2 * eighth, kBass[(n / 2) % std::size(kBass)], sampleRate);
        }
    }
    Audio audio;
    audio.sampleRate = sampleRate;
    audio.channels.assign(2, std::vector<double>(frames));
    for (size_t i = 0; i < frames; ++i) {
        // The guitar a little left of centre, the bass in the middle.
        audio.channels[0][i] = 0.6 * guitar[i] + 0.5 * bass[i];
        audio.channels[1][i] = 0.4 * guitar[i] + 0.5 * bass[i];
    }
    return audio;
}
