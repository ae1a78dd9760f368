#include "host_script.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t kLongText = 255;
constexpr uint32_t kMaxTextBytes = 4096;
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

std::string ScriptReader::Text()
{
    size_t length = Byte();
    if (length == kLongText) {
        length = Word() % (kMaxTextBytes + 1);
    }
    length = std::min(length, Remaining());
    std::string text(reinterpret_cast<const char*>(data + pos), length);
    pos += length;
    return text;
}

std::vector<uint8_t> ScriptReader::Blob()
{
    const size_t length = std::min<size_t>(Word(), Remaining());
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

ScriptWriter& ScriptWriter::Text(const std::string& text)
{
    if (text.size() < kLongText) {
        Byte(static_cast<uint8_t>(text.size()));
    } else {
        Byte(kLongText).Word(static_cast<uint32_t>(text.size()));
    }
    bytes.insert(bytes.end(), text.begin(), text.end());
    return *this;
}

ScriptWriter& ScriptWriter::Blob(const std::vector<uint8_t>& blob)
{
    Word(static_cast<uint32_t>(blob.size()));
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
