#include "state_streams.h"

namespace {
constexpr uint64_t kReadPiece = 4096;
}

bool ReadWhole(const clap::InputStream* stream, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (stream == nullptr || stream->read == nullptr) {
        return false;
    }
    for (;;) {
        const size_t held = bytes.size();
        if (held > kMaxStateBytes) {
            return false;
        }
        bytes.resize(held + kReadPiece);
        const int64_t got = stream->read(stream, bytes.data() + held, kReadPiece);
        if (got < 0 || static_cast<uint64_t>(got) > kReadPiece) {
            return false;
        }
        bytes.resize(held + static_cast<size_t>(got));
        if (got == 0) {
            return true;
        }
    }
}

bool WriteWhole(const clap::OutputStream* stream, const uint8_t* bytes, int64_t size)
{
    if (stream == nullptr || stream->write == nullptr || size < 0) {
        return false;
    }
    for (int64_t done = 0; done < size;) {
        const int64_t wrote = stream->write(stream, bytes + done, static_cast<uint64_t>(size - done));
        if (wrote <= 0 || wrote > size - done) {
            return false;
        }
        done += wrote;
    }
    return true;
}
