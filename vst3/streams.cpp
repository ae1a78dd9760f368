#include "streams.h"

namespace vst3 {

namespace {
constexpr int32_t kReadPiece = 4096;
}

bool ReadToEnd(IBStream* stream, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (stream == nullptr) {
        return false;
    }
    for (;;) {
        const size_t held = bytes.size();
        if (held > static_cast<size_t>(kMaxStateBytes)) {
            return false;
        }
        bytes.resize(held + kReadPiece);
        // Hosts differ in what a short read at the end answers; the count is what tells.
        int32_t got = 0;
        stream->read(bytes.data() + held, kReadPiece, &got);
        if (got < 0 || got > kReadPiece) {
            return false;
        }
        bytes.resize(held + static_cast<size_t>(got));
        if (got == 0) {
            return true;
        }
    }
}

tresult RestoreFrom(IBStream* stream, IVst3Plugin* effect, IDataChunk& chunk)
{
    std::vector<uint8_t> bytes;
    if (effect == nullptr) {
        return kNotInitialized;
    }
    if (!ReadToEnd(stream, bytes)) {
        return kInvalidArgument;
    }
    return effect->RestoreChunk(chunk, bytes.data(), static_cast<int64_t>(bytes.size()), false) ? kResultOk
                                                                                                : kInvalidArgument;
}

bool WriteAll(IBStream* stream, const uint8_t* bytes, int32_t size)
{
    if (stream == nullptr || size < 0) {
        return false;
    }
    int32_t written = 0;
    const tresult result = stream->write(const_cast<uint8_t*>(bytes), size, &written);
    return result == kResultOk && written == size;
}

}  // namespace vst3
