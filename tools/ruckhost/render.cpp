#include "render.h"

#include <algorithm>
#include <vector>

#include "host_error.h"
#include "hosted_vst2.h"

namespace {
// Per-channel block buffers and the pointer array the plug-in receives; never empty,
// so a plug-in with no pins of a kind still gets a valid array.
template <typename T>
class ChannelBuffers {
public:
    ChannelBuffers(int channels, int frames)
        : data(static_cast<size_t>(std::max(channels, 1)), std::vector<T>(static_cast<size_t>(frames)))
    {
        for (auto& channel : data) {
            pointers.push_back(channel.data());
        }
    }
    T** Pointers() { return pointers.data(); }
    std::vector<T>& operator[](size_t c) { return data[c]; }

private:
    std::vector<std::vector<T>> data;
    std::vector<T*> pointers;
};

template <typename T, typename Process>
void RenderBlocks(const Audio& input, Audio& output, int inputs, int outputs, int block, Process process)
{
    ChannelBuffers<T> in(inputs, block);
    ChannelBuffers<T> out(outputs, block);
    const size_t frames = input.Frames();
    const size_t fileChannels = input.channels.size();
    for (size_t done = 0; done < frames; done += static_cast<size_t>(block)) {
        const int n = static_cast<int>(std::min(frames - done, static_cast<size_t>(block)));
        for (int c = 0; c < inputs; ++c) {
            const std::vector<double>& source = input.channels[static_cast<size_t>(c) % fileChannels];
            std::copy(source.begin() + done, source.begin() + done + n, in[c].begin());
        }
        for (int c = 0; c < outputs; ++c) {
            std::fill(out[c].begin(), out[c].end(), T(0));
        }
        process(in.Pointers(), out.Pointers(), n);
        for (size_t c = 0; c < output.channels.size(); ++c) {
            std::copy(out[c].begin(), out[c].begin() + n, output.channels[c].begin() + done);
        }
    }
}
}  // namespace

Audio RenderAudio(HostedPlugin& plugin, const Audio& input, const RenderSettings& settings)
{
    const size_t channels = input.channels.size();
    if (channels < 1 || channels > 2) {
        throw HostError("the input has " + std::to_string(channels) + " channels; ruckhost renders mono and stereo");
    }
    plugin.CheckRenderable(channels, settings.doublePrecision);
    const double rate = settings.sampleRate > 0.0 ? settings.sampleRate : input.sampleRate;
    const RenderPins pins = plugin.Start(channels, rate, settings.blockSize, settings.doublePrecision);
    Audio output;
    output.sampleRate = input.sampleRate;
    output.channels.assign(pins.channels, std::vector<double>(input.Frames()));
    if (settings.doublePrecision) {
        RenderBlocks<double>(input, output, pins.inputs, pins.outputs, settings.blockSize,
                             [&](double** in, double** out, int n) { plugin.Process(in, out, n); });
    } else {
        RenderBlocks<float>(input, output, pins.inputs, pins.outputs, settings.blockSize,
                            [&](float** in, float** out, int n) { plugin.Process(in, out, n); });
    }
    plugin.Stop();
    return output;
}

Audio RenderAudio(PluginInstance& plugin, const Audio& input, const RenderSettings& settings)
{
    Vst2Plugin hosted(plugin);
    return RenderAudio(hosted, input, settings);
}
