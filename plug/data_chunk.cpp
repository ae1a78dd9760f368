#include "data_chunk.h"

#include <climits>
#include <cstring>

namespace {
void EncodeLittleEndian(uint64_t v, uint8_t* out, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint64_t DecodeLittleEndian(const uint8_t* in, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v |= static_cast<uint64_t>(in[i]) << (8 * i);
    }
    return v;
}
}  // namespace

uint8_t* IDataChunk::Grow(int n)
{
    const int old = buffer.Size();
    if (n < 0 || old > INT_MAX - n) {
        return nullptr;
    }
    buffer.SetSize(old + n, true);
    return buffer.Size() == old + n ? buffer.Data() + old : nullptr;
}

bool IDataChunk::Fits(int pos, int n) const
{
    return pos >= 0 && static_cast<int64_t>(pos) + n <= buffer.Size();
}

bool IDataChunk::PutInt32(int32_t v)
{
    uint8_t* at = Grow(4);
    if (at) {
        EncodeLittleEndian(static_cast<uint32_t>(v), at, 4);
    }
    return at != nullptr;
}

bool IDataChunk::PutDouble(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    uint8_t* at = Grow(8);
    if (at) {
        EncodeLittleEndian(bits, at, 8);
    }
    return at != nullptr;
}

bool IDataChunk::PutByte(uint8_t b)
{
    uint8_t* at = Grow(1);
    if (at) {
        *at = b;
    }
    return at != nullptr;
}

bool IDataChunk::PutBytes(const void* bytes, int n)
{
    if (n == 0) {
        return true;
    }
    if (bytes == nullptr) {
        return false;
    }
    uint8_t* at = Grow(n);
    if (at) {
        std::memcpy(at, bytes, static_cast<size_t>(n));
    }
    return at != nullptr;
}

bool IDataChunk::PutText(const char* text)
{
    const size_t length = text ? std::strlen(text) : 0;
    if (length > static_cast<size_t>(INT_MAX - 4)) {
        return false;
    }
    const int n = static_cast<int>(length);
    // Length and bytes go in together, so a failure never leaves a dangling length.
    uint8_t* at = Grow(4 + n);
    if (at) {
        EncodeLittleEndian(static_cast<uint32_t>(n), at, 4);
        if (n > 0) {
            std::memcpy(at + 4, text, length);
        }
    }
    return at != nullptr;
}

bool IDataChunk::PutHeader()
{
    buffer.SetSize(0, true);
    return PutInt32(kProgramMagic) && PutInt32(kChunkVersion);
}

int IDataChunk::SetSizeZeroed(int n)
{
    const int old = buffer.Size();
    buffer.SetSize(n, true);
    if (old < buffer.Size()) {
        std::memset(buffer.Data() + old, 0, static_cast<size_t>(buffer.Size() - old));
    }
    return old;
}

int IDataChunk::GetInt32(int32_t& out, int pos) const
{
    if (!Fits(pos, 4)) {
        return -1;
    }
    out = static_cast<int32_t>(static_cast<uint32_t>(DecodeLittleEndian(buffer.Data() + pos, 4)));
    return pos + 4;
}

int IDataChunk::GetDouble(double& out, int pos) const
{
    if (!Fits(pos, 8)) {
        return -1;
    }
    const uint64_t bits = DecodeLittleEndian(buffer.Data() + pos, 8);
    std::memcpy(&out, &bits, sizeof out);
    return pos + 8;
}

int IDataChunk::GetByte(uint8_t& out, int pos) const
{
    if (!Fits(pos, 1)) {
        return -1;
    }
    out = buffer.Data()[pos];
    return pos + 1;
}

int IDataChunk::GetText(ITextBuffer& out, int pos) const
{
    int32_t length = 0;
    const int start = GetInt32(length, pos);
    if (start < 0 || length < 0 || !Fits(start, length)) {
        return -1;
    }
    if (length == 0) {
        out.SetText("");
    } else {
        out.SetText(reinterpret_cast<const char*>(buffer.Data() + start), length);
    }
    return start + length;
}
