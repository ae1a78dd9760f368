#include "wav.h"

#include <cmath>
#include <cstring>

#include "files.h"
#include "host_error.h"

namespace {
constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagExtensible = 0xFFFE;
constexpr int kMaxChannels = 64;
constexpr uint32_t kMaxSampleRate = 4000000;
constexpr double kPcm16Scale = 32768.0;
constexpr double kPcm24Scale = 8388608.0;

uint32_t Read16(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t Read32(const uint8_t* p)
{
    return Read16(p) | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Append16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Append32(std::vector<uint8_t>& out, uint32_t v)
{
    Append16(out, v & 0xFFFF);
    Append16(out, v >> 16);
}

void AppendTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

int BytesPerSample(SampleFormat format)
{
    switch (format) {
    case SampleFormat::Pcm16:
        return 2;
    case SampleFormat::Pcm24:
        return 3;
    case SampleFormat::Float32:
        return 4;
    case SampleFormat::Float64:
        return 8;
    }
    return 0;
}

struct FormatChunk {
    uint16_t tag = 0;
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t blockAlign = 0;
    uint32_t bits = 0;
};

struct Chunks {
    const uint8_t* format = nullptr;
    uint32_t formatSize = 0;
    const uint8_t* data = nullptr;
    uint32_t dataSize = 0;
};

// Walks the RIFF chunks; every declared size is checked against what the file holds.
Chunks FindChunks(const std::vector<uint8_t>& bytes, const std::string& name)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        throw HostError(name + " is not a WAV file (no RIFF/WAVE header)");
    }
    Chunks chunks;
    size_t pos = 12;
    while (bytes.size() - pos >= 8) {
        const uint8_t* header = bytes.data() + pos;
        const uint32_t size = Read32(header + 4);
        if (size > bytes.size() - pos - 8) {
            throw HostError(name + " is cut short: its '" + std::string(reinterpret_cast<const char*>(header), 4) +
                            "' chunk declares " + std::to_string(size) + " bytes, " +
                            std::to_string(bytes.size() - pos - 8) + " are present");
        }
        if (std::memcmp(header, "fmt ", 4) == 0 && chunks.format == nullptr) {
            chunks.format = header + 8;
            chunks.formatSize = size;
        } else if (std::memcmp(header, "data", 4) == 0 && chunks.data == nullptr) {
            chunks.data = header + 8;
            chunks.dataSize = size;
        }
        pos += 8 + size + (size & 1);
        if (pos > bytes.size()) {
            break;
        }
    }
    if (chunks.format == nullptr) {
        throw HostError(name + " has no 'fmt ' chunk");
    }
    if (chunks.data == nullptr) {
        throw HostError(name + " has no 'data' chunk (cut short?)");
    }
    return chunks;
}

FormatChunk ParseFormat(const Chunks& chunks, const std::string& name)
{
    if (chunks.formatSize < 16) {
        throw HostError(name + " has a 'fmt ' chunk of only " + std::to_string(chunks.formatSize) + " bytes");
    }
    const uint8_t* p = chunks.format;
    FormatChunk f;
    f.tag = static_cast<uint16_t>(Read16(p));
    f.channels = Read16(p + 2);
    f.sampleRate = Read32(p + 4);
    f.blockAlign = Read16(p + 12);
    f.bits = Read16(p + 14);
    if (f.tag == kTagExtensible) {
        if (chunks.formatSize < 40) {
            throw HostError(name + " has an extensible 'fmt ' chunk of only " + std::to_string(chunks.formatSize) +
                            " bytes");
        }
        f.tag = static_cast<uint16_t>(Read16(p + 24));  // the sub-format GUID starts with the tag
    }
    return f;
}

SampleFormat FormatOf(const FormatChunk& f, const std::string& name)
{
    if (f.tag == kTagPcm && f.bits == 16) {
        return SampleFormat::Pcm16;
    }
    if (f.tag == kTagPcm && f.bits == 24) {
        return SampleFormat::Pcm24;
    }
    if (f.tag == kTagFloat && f.bits == 32) {
        return SampleFormat::Float32;
    }
    if (f.tag == kTagFloat && f.bits == 64) {
        return SampleFormat::Float64;
    }
    const std::string kind = f.tag == kTagPcm ? "PCM" : f.tag == kTagFloat ? "float" : "format tag " + std::to_string(f.tag);
    throw HostError(name + " holds " + std::to_string(f.bits) + "-bit " + kind +
                    " samples; supported are PCM 16/24-bit and float 32/64-bit");
}

void CheckLayout(const FormatChunk& f, SampleFormat format, uint32_t dataSize, const std::string& name)
{
    if (f.channels < 1 || f.channels > kMaxChannels) {
        throw HostError(name + " declares " + std::to_string(f.channels) + " channels");
    }
    if (f.sampleRate < 1 || f.sampleRate > kMaxSampleRate) {
        throw HostError(name + " declares a sample rate of " + std::to_string(f.sampleRate) + " Hz");
    }
    if (f.blockAlign != f.channels * static_cast<uint32_t>(BytesPerSample(format))) {
        throw HostError(name + " declares " + std::to_string(f.blockAlign) + " bytes per frame, which does not fit " +
                        std::to_string(f.channels) + " channels of " + std::to_string(f.bits) + " bits");
    }
    if (dataSize % f.blockAlign != 0) {
        throw HostError(name + " is cut short: its data ends inside a frame");
    }
}

double DecodeSample(const uint8_t* p, SampleFormat format)
{
    switch (format) {
    case SampleFormat::Pcm16:
        return static_cast<int16_t>(Read16(p)) / kPcm16Scale;
    case SampleFormat::Pcm24: {
        const int32_t v = static_cast<int32_t>(Read16(p) << 8 | uint32_t(p[2]) << 24) >> 8;
        return v / kPcm24Scale;
    }
    case SampleFormat::Float32: {
        const uint32_t bits = Read32(p);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    case SampleFormat::Float64: {
        const uint64_t bits = uint64_t(Read32(p)) | uint64_t(Read32(p + 4)) << 32;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    }
    return 0.0;
}

int32_t QuantiseSample(double v, double scale)
{
    const double scaled = std::nearbyint(v * scale);
    if (!(scaled > -scale)) {
        return static_cast<int32_t>(-scale);
    }
    return static_cast<int32_t>(scaled < scale - 1.0 ? scaled : scale - 1.0);
}

void EncodeSample(std::vector<uint8_t>& out, double v, SampleFormat format)
{
    switch (format) {
    case SampleFormat::Pcm16:
        Append16(out, static_cast<uint32_t>(QuantiseSample(v, kPcm16Scale)) & 0xFFFF);
        return;
    case SampleFormat::Pcm24: {
        const uint32_t q = static_cast<uint32_t>(QuantiseSample(v, kPcm24Scale));
        Append16(out, q & 0xFFFF);
        out.push_back(uint8_t(q >> 16));
        return;
    }
    case SampleFormat::Float32: {
        const float f = static_cast<float>(v);
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        Append32(out, bits);
        return;
    }
    case SampleFormat::Float64: {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        Append32(out, static_cast<uint32_t>(bits));
        Append32(out, static_cast<uint32_t>(bits >> 32));
        return;
    }
    }
}
}  // namespace

WavFile DecodeWav(const std::vector<uint8_t>& bytes, const std::string& name)
{
    const Chunks chunks = FindChunks(bytes, name);
    const FormatChunk f = ParseFormat(chunks, name);
    WavFile file;
    file.format = FormatOf(f, name);
    CheckLayout(f, file.format, chunks.dataSize, name);
    const size_t frames = chunks.dataSize / f.blockAlign;
    const int width = BytesPerSample(file.format);
    file.audio.sampleRate = static_cast<int>(f.sampleRate);
    file.audio.channels.assign(f.channels, std::vector<double>(frames));
    const uint8_t* p = chunks.data;
    for (size_t i = 0; i < frames; ++i) {
        for (auto& channel : file.audio.channels) {
            channel[i] = DecodeSample(p, file.format);
            if (!std::isfinite(channel[i])) {
                throw HostError(name + " holds a non-finite sample at frame " + std::to_string(i));
            }
            p += width;
        }
    }
    return file;
}

std::vector<uint8_t> EncodeWav(const Audio& audio, SampleFormat format)
{
    const uint64_t channels = audio.channels.size();
    const uint64_t blockAlign = channels * BytesPerSample(format);
    const uint64_t dataSize = blockAlign * audio.Frames();
    if (channels < 1 || channels > kMaxChannels) {
        throw HostError("cannot write a WAV file of " + std::to_string(channels) + " channels");
    }
    for (const auto& channel : audio.channels) {
        if (channel.size() != audio.Frames()) {
            throw HostError("cannot write channels of different lengths");
        }
    }
    if (dataSize + 44 > 0xFFFFFFFFu) {
        throw HostError("the result is too long for a WAV file (over 4 GiB)");
    }
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(dataSize) + 44);
    AppendTag(out, "RIFF");
    Append32(out, static_cast<uint32_t>(36 + dataSize));
    AppendTag(out, "WAVE");
    AppendTag(out, "fmt ");
    Append32(out, 16);
    const bool isFloat = format == SampleFormat::Float32 || format == SampleFormat::Float64;
    Append16(out, isFloat ? kTagFloat : kTagPcm);
    Append16(out, static_cast<uint32_t>(channels));
    Append32(out, static_cast<uint32_t>(audio.sampleRate));
    Append32(out, static_cast<uint32_t>(audio.sampleRate * blockAlign));
    Append16(out, static_cast<uint32_t>(blockAlign));
    Append16(out, static_cast<uint32_t>(BytesPerSample(format) * 8));
    AppendTag(out, "data");
    Append32(out, static_cast<uint32_t>(dataSize));
    for (size_t i = 0; i < audio.Frames(); ++i) {
        for (const auto& channel : audio.channels) {
            EncodeSample(out, channel[i], format);
        }
    }
    return out;
}

WavFile ReadWav(const std::string& path)
{
    return DecodeWav(ReadFileBytes(path), path);
}

void WriteWav(const std::string& path, const Audio& audio, SampleFormat format)
{
    WriteFileAtomically(path, EncodeWav(audio, format));
}

SampleFormat ParseSampleFormat(const std::string& text)
{
    for (SampleFormat f : {SampleFormat::Pcm16, SampleFormat::Pcm24, SampleFormat::Float32, SampleFormat::Float64}) {
        if (text == SampleFormatName(f)) {
            return f;
        }
    }
    throw HostError("unknown sample format '" + text + "' (use pcm16, pcm24, float or float64)");
}

const char* SampleFormatName(SampleFormat format)
{
    switch (format) {
    case SampleFormat::Pcm16:
        return "pcm16";
    case SampleFormat::Pcm24:
        return "pcm24";
    case SampleFormat::Float32:
        return "float";
    case SampleFormat::Float64:
        return "float64";
    }
    return "?";
}
