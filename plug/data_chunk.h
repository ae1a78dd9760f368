// A serialised byte stream: values appended little-endian and packed, read back by
// position. State, program and bank chunks are built from it.
#pragma once

#include <cstdint>

#include "grow_buffer.h"

class IDataChunk {
public:
    static constexpr int32_t kProgramMagic = 0x70666674;
    static constexpr int32_t kChunkVersion = 0x00010000;

    IDataChunk() = default;

    // Appends; each put writes all of its bytes or nothing and reports which.
    bool PutInt32(int32_t v);
    bool PutDouble(double v);
    bool PutByte(uint8_t b);
    bool PutBytes(const void* bytes, int n);
    bool PutText(const char* text);
    // Empties the chunk and writes the magic and version.
    bool PutHeader();
    // Resizes; bytes added by growth are zeroed. Returns the old size.
    int SetSizeZeroed(int n);

    // Readers return the position after the value, or -1 when it does not fit.
    int GetInt32(int32_t& out, int pos) const;
    int GetDouble(double& out, int pos) const;
    int GetByte(uint8_t& out, int pos) const;
    int GetText(ITextBuffer& out, int pos) const;

    uint8_t* SetSize(int n, bool allowShrink) { return buffer.SetSize(n, allowShrink); }
    uint8_t* Data() const { return buffer.Data(); }
    int Size() const { return buffer.Size(); }

private:
    uint8_t* Grow(int n);
    bool Fits(int pos, int n) const;

    IGrowBuffer buffer;
};
