#include "clap_audio.h"

#include <algorithm>
#include <cmath>

namespace {
// More ports or channels than this is taken as a broken answer, not a layout.
constexpr uint32_t kMostPorts = 64;
constexpr uint32_t kMostChannels = 64;

std::vector<clap::AudioPortInfo> ReadDirection(const ClapInstance& plug, bool input, std::string& error)
{
    std::vector<clap::AudioPortInfo> list;
    const uint32_t count = plug.ports->count(plug.plugin, input);
    const char* side = input ? "input" : "output";
    if (count > kMostPorts) {
        error = std::to_string(count) + " " + side + " ports";
        return list;
    }
    for (uint32_t i = 0; i < count; ++i) {
        clap::AudioPortInfo info = {};
        if (!plug.ports->get(plug.plugin, i, input, &info)) {
            error = std::string("audio_ports.get refuses ") + side + " port " + std::to_string(i);
            return {};
        }
        if (info.channel_count > kMostChannels) {
            error = std::string(side) + " port " + std::to_string(i) + " has " + std::to_string(info.channel_count) +
                    " channels";
            return {};
        }
        list.push_back(info);
    }
    return list;
}

void SetData(clap::AudioBuffer& buffer, float** channels)
{
    buffer.data32 = channels;
}

void SetData(clap::AudioBuffer& buffer, double** channels)
{
    buffer.data64 = channels;
}
}  // namespace

bool ClapPorts::All64() const
{
    for (const auto* list : {&inputs, &outputs}) {
        for (const clap::AudioPortInfo& port : *list) {
            if ((port.flags & clap::kPortSupports64Bits) == 0) {
                return false;
            }
        }
    }
    return true;
}

ClapPorts ReadPorts(const ClapInstance& plug)
{
    ClapPorts ports;
    const auto& broken = plug.incompleteExtensions;
    if (std::find(broken.begin(), broken.end(), clap::kExtAudioPorts) != broken.end()) {
        ports.error = std::string(clap::kExtAudioPorts) + " is offered with a function left out";
    }
    if (plug.ports != nullptr) {
        ports.inputs = ReadDirection(plug, true, ports.error);
        ports.outputs = ReadDirection(plug, false, ports.error);
    }
    return ports;
}

template <typename Sample>
ClapAudio<Sample>::ClapAudio(const ClapPorts& ports, uint32_t frames, bool inPlace) : maxFrames(frames)
{
    Describe(inputBuffers, inputPointers, ports.inputs, inputs);
    Describe(outputBuffers, outputPointers, ports.outputs, outputs);
    for (size_t o = 0; o < ports.outputs.size(); ++o) {
        for (size_t i = 0; inPlace && i < ports.inputs.size(); ++i) {
            if (ports.outputs[o].in_place_pair == ports.inputs[i].id &&
                ports.outputs[o].channel_count == ports.inputs[i].channel_count) {
                std::copy(inputPointers[i].begin(), inputPointers[i].end(), outputPointers[o].begin());
                sharing = true;
            }
        }
        for (Sample* channel : outputPointers[o]) {
            outputChannels.push_back(channel);
        }
    }
}

template <typename Sample>
void ClapAudio<Sample>::Describe(std::vector<clap::AudioBuffer>& buffers, std::vector<std::vector<Sample*>>& pointers,
                                 const std::vector<clap::AudioPortInfo>& ports,
                                 std::vector<std::vector<Sample>>& channels)
{
    for (const clap::AudioPortInfo& port : ports) {
        pointers.emplace_back();
        for (uint32_t c = 0; c < port.channel_count; ++c) {
            channels.emplace_back(maxFrames);
            pointers.back().push_back(channels.back().data());
        }
    }
    for (auto& list : pointers) {
        clap::AudioBuffer buffer = {};
        buffer.channel_count = static_cast<uint32_t>(list.size());
        SetData(buffer, list.data());
        buffers.push_back(buffer);
    }
}

template <typename Sample>
void ClapAudio<Sample>::MarkInputsConstant(bool constant)
{
    for (clap::AudioBuffer& buffer : inputBuffers) {
        buffer.constant_mask = constant ? ~uint64_t{0} : 0;
    }
}

template <typename Sample>
int32_t ClapAudio<Sample>::Process(ClapInstance& plug, uint32_t frames, const HostInputEvents* in,
                                   HostOutputEvents* out, const clap::EventTransport* transport)
{
    for (clap::AudioBuffer& buffer : outputBuffers) {
        buffer.constant_mask = 0;
    }
    return plug.ProcessBuffers(inputBuffers.data(), static_cast<uint32_t>(inputBuffers.size()), outputBuffers.data(),
                               static_cast<uint32_t>(outputBuffers.size()), frames, in, out, transport);
}

template <typename Sample>
std::string ClapAudio<Sample>::BadOutput(uint32_t frames, bool subnormalsToo) const
{
    for (size_t c = 0; c < outputChannels.size(); ++c) {
        for (uint32_t i = 0; i < frames; ++i) {
            const Sample s = outputChannels[c][i];
            if (!std::isfinite(s) || (subnormalsToo && std::fpclassify(s) == FP_SUBNORMAL)) {
                return (std::isfinite(s) ? "subnormal" : "non-finite") + std::string(" output (") +
                       std::to_string(static_cast<double>(s)) + ") at channel " + std::to_string(c) + " frame " +
                       std::to_string(i) + " of a block of " + std::to_string(frames);
            }
        }
    }
    return "";
}

template <typename Sample>
std::string ClapAudio<Sample>::FalseConstantMark(uint32_t frames) const
{
    size_t c = 0;
    for (size_t port = 0; port < outputBuffers.size(); ++port) {
        for (uint32_t k = 0; k < outputBuffers[port].channel_count; ++k, ++c) {
            if (k >= 64 || (outputBuffers[port].constant_mask & (uint64_t{1} << k)) == 0) {
                continue;
            }
            for (uint32_t i = 1; i < frames; ++i) {
                if (outputChannels[c][i] != outputChannels[c][0]) {
                    return "output port " + std::to_string(port) + " channel " + std::to_string(k) +
                           " is marked constant but changes at frame " + std::to_string(i);
                }
            }
        }
    }
    return "";
}

template <typename Sample>
std::vector<double> ClapAudio<Sample>::Output(uint32_t frames) const
{
    std::vector<double> samples;
    for (const Sample* channel : outputChannels) {
        samples.insert(samples.end(), channel, channel + frames);
    }
    return samples;
}

template class ClapAudio<float>;
template class ClapAudio<double>;
