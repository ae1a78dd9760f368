// WAV files as ruckhost reads and writes them: PCM 16 and 24 bits, IEEE float 32 and 64
// bits, any channel count and sample rate. Damaged or unsupported files are refused with
// a message naming the problem, never read past their end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class SampleFormat { Pcm16, Pcm24, Float32, Float64 };

// Samples as doubles in -1..1 (float files may exceed it), one vector per channel.
struct Audio {
    int sampleRate = 44100;
    std::vector<std::vector<double>> channels;

    size_t Frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

struct WavFile {
    Audio audio;
    SampleFormat format = SampleFormat::Float32;
};

// `name` is how messages refer to the bytes (normally the file's path).
WavFile DecodeWav(const std::vector<uint8_t>& bytes, const std::string& name);
std::vector<uint8_t> EncodeWav(const Audio& audio, SampleFormat format);

WavFile ReadWav(const std::string& path);
void WriteWav(const std::string& path, const Audio& audio, SampleFormat format);

// "pcm16", "pcm24", "float" (32-bit) or "float64".
SampleFormat ParseSampleFormat(const std::string& text);
const char* SampleFormatName(SampleFormat format);
