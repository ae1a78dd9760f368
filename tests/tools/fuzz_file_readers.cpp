// Feeds arbitrary bytes to ruckhost's file readers: standard preset files and WAV files.
// A reader may only refuse with its one error type; what it accepts must encode again
// into a file that reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "host_error.h"
#include "preset_file.h"
#include "wav.h"

namespace {
void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "file reader fuzz: %s\n", what);
        std::abort();
    }
}

void ReadPreset(const std::vector<uint8_t>& bytes)
{
    try {
        const std::vector<uint8_t> written = EncodePreset(DecodePreset(bytes, "fuzz"));
        Require(EncodePreset(DecodePreset(written, "again")) == written, "a preset does not read back as written");
    } catch (const HostError&) {
    }
}

void ReadWavFile(const std::vector<uint8_t>& bytes)
{
    try {
        const WavFile wav = DecodeWav(bytes, "fuzz");
        const WavFile again = DecodeWav(EncodeWav(wav.audio, wav.format), "again");
        Require(again.format == wav.format && again.audio.sampleRate == wav.audio.sampleRate &&
                    again.audio.channels.size() == wav.audio.channels.size() &&
                    again.audio.Frames() == wav.audio.Frames(),
                "a WAV file does not read back in its shape");
    } catch (const HostError&) {
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    ReadPreset(bytes);
    ReadWavFile(bytes);
    return 0;
}
