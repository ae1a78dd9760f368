// Audio for a CLAP plug-in as it declares its ports: the port list read on the main thread,
// and buffers for blocks through every port at once, in either sample size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "clap_host.h"

struct ClapPorts {
    std::vector<clap::AudioPortInfo> inputs;
    std::vector<clap::AudioPortInfo> outputs;
    // Every port takes 64-bit samples.
    bool All64() const;
    // How a port's information is wrong (a get refused, a channel count out of reason), or empty.
    std::string error;
};

// The ports now; none when the plug-in offers no audio-ports extension (an error when it
// offers one with a function left out).
ClapPorts ReadPorts(const ClapInstance& plug);

// Buffers of `Sample` (float or double) for blocks of up to `maxFrames` frames. In place,
// an output port shares its channels with the input port named as its in-place pair.
template <typename Sample>
class ClapAudio {
public:
    ClapAudio(const ClapPorts& ports, uint32_t maxFrames, bool inPlace = false);

    // sample(channel, frame) for every input channel, channels counted across the ports.
    template <typename Source>
    void Fill(uint32_t frames, Source sample)
    {
        for (size_t c = 0; c < inputs.size(); ++c) {
            for (uint32_t i = 0; i < frames; ++i) {
                inputs[c][i] = static_cast<Sample>(sample(c, i));
            }
        }
    }
    // Marks every input channel constant (the host's hint for silence), or none.
    void MarkInputsConstant(bool constant);
    // Any port shares buffers.
    bool SharesBuffers() const { return sharing; }

    int32_t Process(ClapInstance& plug, uint32_t frames, const HostInputEvents* in = nullptr,
                    HostOutputEvents* out = nullptr, const clap::EventTransport* transport = nullptr);

    // Where the first NaN or infinite output sample is (and subnormal ones when asked), or empty.
    std::string BadOutput(uint32_t frames, bool subnormalsToo) const;
    // An output channel the plug-in marked constant that is not, or empty.
    std::string FalseConstantMark(uint32_t frames) const;
    // The output samples of the last block, channel after channel.
    std::vector<double> Output(uint32_t frames) const;
    uint32_t MaxFrames() const { return maxFrames; }

private:
    void Describe(std::vector<clap::AudioBuffer>& buffers, std::vector<std::vector<Sample*>>& pointers,
                  const std::vector<clap::AudioPortInfo>& ports, std::vector<std::vector<Sample>>& channels);

    uint32_t maxFrames;
    bool sharing = false;
    std::vector<std::vector<Sample>> inputs;
    std::vector<std::vector<Sample>> outputs;
    std::vector<std::vector<Sample*>> inputPointers;
    std::vector<std::vector<Sample*>> outputPointers;
    std::vector<clap::AudioBuffer> inputBuffers;
    std::vector<clap::AudioBuffer> outputBuffers;
    // Per output channel, the channel it reads back from (its own or a shared input's).
    std::vector<const Sample*> outputChannels;
};
