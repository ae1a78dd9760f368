#include "host_script.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t kLongLength = 255;
constexpr uint32_t kMaxLength = 1 << 20;
}  // namespace

uint8_t ScriptReader::Byte()
{
    return AtEnd() ? 0 : data[pos++];
}

uint32_t ScriptReader::Word()
{
    uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        value |= static_cast<uint32_t>(Byte()) << shift;
    }
    return value;
}

float ScriptReader::Float()
{
    const uint32_t bits = Word();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

size_t ScriptReader::Length()
{
    size_t length = Byte();
    if (length == kLongLength) {
        length = Word() % (kMaxLength + 1);
    }
    // Only now: the word read above shortens what remains.
    return std::min(length, Remaining());
}

std::string ScriptReader::Text()
{
    const size_t length = Length();
    std::string text(reinterpret_cast<const char*>(data + pos), length);
    pos += length;
    return text;
}

std::vector<uint8_t> ScriptReader::Blob()
{
    const size_t length = Length();
    std::vector<uint8_t> blob(data + pos, data + pos + length);
    pos += length;
    return blob;
}

ScriptWriter& ScriptWriter::Byte(uint8_t value)
{
    bytes.push_back(value);
    return *this;
}

ScriptWriter& ScriptWriter::Word(uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        Byte(static_cast<uint8_t>(value >> shift));
    }
    return *this;
}

ScriptWriter& ScriptWriter::RawFloat(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return RawWord(bits);
}

ScriptWriter& ScriptWriter::Length(size_t length)
{
    if (length < kLongLength) {
        return Byte(static_cast<uint8_t>(length));
    }
    return Byte(kLongLength).Word(static_cast<uint32_t>(length));
}

ScriptWriter& ScriptWriter::Text(const std::string& text)
{
    Length(text.size());
    bytes.insert(bytes.end(), text.begin(), text.end());
    return *this;
}

ScriptWriter& ScriptWriter::Blob(const std::vector<uint8_t>& blob)
{
    Length(blob.size());
    bytes.insert(bytes.end(), blob.begin(), blob.end());
    return *this;
}

const char* HostActionName(HostAction action)
{
    static const char* const kNames[] = {
        "creating or switching instances", "effClose", "effOpen", "effSetSampleRate", "effSetBlockSize",
        "effSetSpeakerArrangement", "effMainsChanged", "effStartProcess, effStopProcess or effSetProcessPrecision",
        "processing a block", "setParameter and getParameter", "program requests", "parameter and identity texts",
        "effSetChunk with a damaged chunk", "effSetChunk with script bytes", "effString2Parameter", "effCanDo",
        "effVendorSpecific", "editor requests", "queries and events", "a saved state restored into a fresh twin",
    };
    static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(HostAction::Count), "one name each");
    const auto index = static_cast<size_t>(action);
    return index < static_cast<size_t>(HostAction::Count) ? kNames[index] : "nothing";
}
