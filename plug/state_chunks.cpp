// The state and bank chunks: writing them for the host, and restoring them only when
// the whole of the data is valid, so a damaged chunk never half-loads a project.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>

#include "effect_base.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// Where the chunk body starts (-1: a magic too short for its version) and its version.
struct ChunkHeader {
    int start = 0;
    int32_t version = 0;
};

ChunkHeader ReadHeader(const IDataChunk& chunk)
{
    ChunkHeader header;
    int32_t magic = 0;
    if (chunk.GetInt32(magic, 0) < 0 || magic != IDataChunk::kProgramMagic) {
        return header;  // a bare parameter block
    }
    header.start = chunk.GetInt32(header.version, 4);
    if (header.start < 0) {
        header.version = 0;
    }
    return header;
}

// Position after a length-prefixed text, or -1 when it does not fit.
int SkipText(const IDataChunk& chunk, int pos)
{
    int32_t length = 0;
    pos = chunk.GetInt32(length, pos);
    if (pos < 0 || length < 0 || static_cast<int64_t>(pos) + length > chunk.Size()) {
        return -1;
    }
    return pos + length;
}

bool Overlaps(const void* bytes, int64_t size, const IDataChunk& chunk)
{
    const auto* first = static_cast<const uint8_t*>(bytes);
    const uint8_t* held = chunk.Data();
    if (held == nullptr || size <= 0) {
        return false;
    }
    std::less<const uint8_t*> before;
    return before(first, held + chunk.Size()) && before(held, first + size);
}

// Copies the host's bytes into the chunk. The host may hand back the very bytes it got
// from this chunk, which resizing could free, so those are staged first.
bool TakeBytes(IDataChunk& chunk, const void* bytes, int64_t size)
{
    if (size < 0 || size > INT_MAX || (bytes == nullptr && size > 0)) {
        return false;
    }
    const int n = static_cast<int>(size);
    IDataChunk staged;
    if (Overlaps(bytes, size, chunk)) {
        if (!staged.PutBytes(bytes, n)) {
            return false;
        }
        bytes = staged.Data();
    }
    chunk.SetSizeZeroed(n);
    if (chunk.Size() != n) {
        return false;
    }
    if (n > 0) {
        std::memcpy(chunk.Data(), bytes, static_cast<size_t>(n));
    }
    return true;
}
}  // namespace

bool IEffectBase::WriteParameters(IDataChunk& chunk)
{
    Guard guard(lock);
    for (int i = 0; i < ParameterCount(); ++i) {
        if (!chunk.PutDouble(Parameter(i)->value)) {
            return false;
        }
    }
    return true;
}

int IEffectBase::CheckParameters(const IDataChunk& chunk, int pos) const
{
    for (int i = 0; i < ParameterCount() && pos >= 0; ++i) {
        double v = 0.0;
        pos = chunk.GetDouble(v, pos);
        if (!std::isfinite(v)) {
            return -1;
        }
    }
    return pos;
}

int IEffectBase::ReadParameters(const IDataChunk& chunk, int pos)
{
    Guard guard(lock);
    const int end = CheckParameters(chunk, pos);
    if (end < 0) {
        return -1;
    }
    ReadParameterBlock(chunk, pos);
    return end;
}

void IEffectBase::ReadParameterBlock(const IDataChunk& chunk, int pos)
{
    for (int i = 0; i < ParameterCount(); ++i) {
        IParameter& parameter = *Parameter(i);
        double v = 0.0;
        pos = chunk.GetDouble(v, pos);
        parameter.value = std::clamp(v, parameter.min, parameter.max);
    }
    NotifyAllParameters();
}

bool IEffectBase::WriteBank(IDataChunk& chunk)
{
    Guard guard(lock);
    for (int i = 0; i < ProgramCount(); ++i) {
        const IProgramSlot& slot = *Program(i);
        if (!chunk.PutText(slot.name) || !chunk.PutByte(slot.filled ? 1 : 0) ||
            (slot.filled && !chunk.PutBytes(slot.values.Data(), slot.values.Size()))) {
            return false;
        }
    }
    return true;
}

int IEffectBase::CheckBank(const IDataChunk& chunk, int pos) const
{
    for (int i = 0; i < ProgramCount() && pos >= 0; ++i) {
        uint8_t filled = 0;
        pos = chunk.GetByte(filled, SkipText(chunk, pos));
        if (pos >= 0 && filled != 0) {
            pos = CheckParameters(chunk, pos);
        }
    }
    return pos;
}

int IEffectBase::ApplyBankSlot(IProgramSlot& slot, const IDataChunk& chunk, int pos)
{
    ITextBuffer name;
    uint8_t filled = 0;
    pos = chunk.GetByte(filled, chunk.GetText(name, pos));
    CopyTextField(slot.name, sizeof slot.name, name.Text());
    slot.filled = filled != 0;
    if (slot.filled) {
        pos = ReadParameters(chunk, pos);
        if (pos > 0) {
            StoreValuesInto(slot);
        }
    }
    return pos;
}

int IEffectBase::ReadBank(const IDataChunk& chunk, int pos)
{
    Guard guard(lock);
    if (CheckBank(chunk, pos) < 0) {
        return -1;
    }
    for (int i = 0; i < ProgramCount(); ++i) {
        pos = ApplyBankSlot(*Program(i), chunk, pos);
    }
    // An unfilled current program is filled here, as a new user preset.
    SelectProgram(currentProgram);
    return pos;
}

bool IEffectBase::SaveChunk(IDataChunk& chunk, bool isBank)
{
    Guard guard(lock);
    if (!chunk.PutHeader()) {
        return false;
    }
    bool written;
    if (isBank) {
        StoreCurrentProgram(nullptr);
        written = WriteBank(chunk);
    } else {
        written = WriteState(chunk);
    }
    return written && chunk.Size() > 0;
}

bool IEffectBase::RestoreChunk(IDataChunk& chunk, const void* bytes, int64_t size, bool isBank)
{
    Guard guard(lock);
    if (!TakeBytes(chunk, bytes, size)) {
        return false;
    }
    const ChunkHeader header = ReadHeader(chunk);
    const bool asBank = isBank && header.version >= IDataChunk::kChunkVersion;
    int pos;
    if (asBank) {
        pos = ReadBank(chunk, header.start);
    } else if (CheckState(chunk, header.start) >= 0) {
        pos = ReadState(chunk, header.start);
        StoreCurrentProgram(nullptr);  // the current program takes the restored values
    } else {
        pos = -1;
    }
    if (pos < 0) {
        return false;
    }
    PushParametersToEditor();
    return true;
}
