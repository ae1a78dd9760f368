#include "preset_file.h"

#include <algorithm>
#include <cstring>

#include "host_error.h"

namespace {
constexpr char kFileMagic[] = "CcnK";
constexpr char kProgramList[] = "FxCk";
constexpr char kProgramChunk[] = "FPCh";
constexpr char kBankList[] = "FxBk";
constexpr char kBankChunk[] = "FBCh";
constexpr size_t kTagBytes = 4;
constexpr size_t kNameBytes = 28;
// Magic and size, the two fields that byteSize does not count.
constexpr size_t kOuterBytes = 8;
// What every program record needs at least: the header up to and including its name.
constexpr size_t kProgramHeaderBytes = 56;
// A bank's reserved space after its program count; format version 2 keeps the current
// program in its first four bytes.
constexpr size_t kBankReservedBytes = 128;
constexpr int32_t kProgramFormat = 1;
constexpr int32_t kBankFormat = 2;

// Big-endian fields read in order; a read past the end is refused as a cut file.
class Reader {
public:
    Reader(const std::vector<uint8_t>& data, const std::string& name) : bytes(data), file(name) {}

    size_t Left() const { return bytes.size() - at; }
    const std::string& File() const { return file; }

    uint32_t U32(const char* what)
    {
        Need(4, what);
        const uint8_t* p = bytes.data() + at;
        at += 4;
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
    }

    int32_t Count(const char* what)
    {
        const int32_t v = static_cast<int32_t>(U32(what));
        if (v < 0) {
            throw HostError(file + " is damaged: its " + what + " is negative (" + std::to_string(v) + ")");
        }
        return v;
    }

    std::string Tag(const char* what)
    {
        Need(kTagBytes, what);
        const std::string tag(bytes.begin() + at, bytes.begin() + at + kTagBytes);
        at += kTagBytes;
        return tag;
    }

    std::string Name()
    {
        Need(kNameBytes, "program name");
        const char* p = reinterpret_cast<const char*>(bytes.data() + at);
        at += kNameBytes;
        return std::string(p, strnlen(p, kNameBytes));
    }

    std::vector<uint8_t> Bytes(size_t n, const char* what)
    {
        Need(n, what);
        at += n;
        return std::vector<uint8_t>(bytes.begin() + (at - n), bytes.begin() + at);
    }

    void Skip(size_t n, const char* what)
    {
        Need(n, what);
        at += n;
    }

private:
    void Need(size_t n, const char* what) const
    {
        if (Left() < n) {
            throw HostError(file + " is cut short: it ends inside its " + what);
        }
    }

    const std::vector<uint8_t>& bytes;
    std::string file;
    size_t at = 0;
};

float Normalised(uint32_t bits, const std::string& file)
{
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (!(v >= 0.0f && v <= 1.0f)) {
        throw HostError(file + " is damaged: it holds a parameter value outside 0..1");
    }
    return v;
}

int32_t FormatVersion(Reader& r)
{
    const int32_t version = static_cast<int32_t>(r.U32("format version"));
    if (version < 1 || version > kBankFormat) {
        throw HostError(r.File() + " has an unknown preset format version " + std::to_string(version));
    }
    return version;
}

// The fields after the kind tag of a program record, up to and including its name.
void ReadProgramHeader(Reader& r, Preset& preset)
{
    FormatVersion(r);
    preset.pluginId = static_cast<int32_t>(r.U32("plug-in ID"));
    preset.pluginVersion = static_cast<int32_t>(r.U32("plug-in version"));
    preset.count = r.Count("parameter count");
    preset.programs.push_back({r.Name(), {}});
}

std::vector<float> ReadValues(Reader& r, int32_t count)
{
    if (r.Left() / 4 < static_cast<size_t>(count)) {
        throw HostError(r.File() + " is cut short: it ends inside its parameter values");
    }
    std::vector<float> values(static_cast<size_t>(count));
    for (float& v : values) {
        v = Normalised(r.U32("parameter values"), r.File());
    }
    return values;
}

std::vector<uint8_t> ReadChunk(Reader& r)
{
    const int32_t size = r.Count("chunk size");
    return r.Bytes(static_cast<size_t>(size), "chunk");
}

void ReadProgramFile(Reader& r, Preset& preset)
{
    ReadProgramHeader(r, preset);
    if (preset.opaque) {
        preset.chunk = ReadChunk(r);
    } else {
        preset.programs[0].values = ReadValues(r, preset.count);
    }
}

// One parameter-list program record inside a bank; it must be of the bank's plug-in.
PresetProgram ReadBankProgram(Reader& r, const Preset& bank, size_t index)
{
    const std::string which = "program " + std::to_string(index + 1) + " of the bank";
    if (r.Tag("program header") != kFileMagic) {
        throw HostError(r.File() + " is damaged: " + which + " has no CcnK header");
    }
    r.U32("program size");
    if (r.Tag("program kind") != kProgramList) {
        throw HostError(r.File() + " is damaged: " + which + " is not a parameter list (FxCk)");
    }
    Preset program;
    ReadProgramHeader(r, program);
    if (program.pluginId != bank.pluginId) {
        throw HostError(r.File() + " is damaged: " + which + " is of another plug-in than the bank");
    }
    program.programs[0].values = ReadValues(r, program.count);
    return program.programs[0];
}

void ReadBankFile(Reader& r, Preset& preset)
{
    const int32_t version = FormatVersion(r);
    preset.pluginId = static_cast<int32_t>(r.U32("plug-in ID"));
    preset.pluginVersion = static_cast<int32_t>(r.U32("plug-in version"));
    preset.count = r.Count("program count");
    const int32_t current = static_cast<int32_t>(r.U32("reserved header space"));
    r.Skip(kBankReservedBytes - 4, "reserved header space");
    preset.currentProgram = version >= kBankFormat && current >= 0 && current < preset.count ? current : -1;
    if (preset.opaque) {
        preset.chunk = ReadChunk(r);
        return;
    }
    if (r.Left() / kProgramHeaderBytes < static_cast<size_t>(preset.count)) {
        throw HostError(r.File() + " is cut short: it ends before its " + std::to_string(preset.count) +
                        " programs");
    }
    for (size_t i = 0; i < static_cast<size_t>(preset.count); ++i) {
        preset.programs.push_back(ReadBankProgram(r, preset, i));
    }
}

// Big-endian fields appended in order.
class Writer {
public:
    void U32(uint32_t v)
    {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<uint8_t>(v >> shift));
        }
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void Tag(const char* tag) { bytes.insert(bytes.end(), tag, tag + kTagBytes); }
    void Name(const std::string& name)
    {
        const size_t n = std::min(name.size(), kPresetNameChars);
        bytes.insert(bytes.end(), name.begin(), name.begin() + n);
        bytes.resize(bytes.size() + kNameBytes - n, 0);
    }
    void Zeros(size_t n) { bytes.resize(bytes.size() + n, 0); }
    void Bytes(const std::vector<uint8_t>& data) { bytes.insert(bytes.end(), data.begin(), data.end()); }
    void Values(const std::vector<float>& values)
    {
        for (float v : values) {
            uint32_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            U32(bits);
        }
    }
    void Chunk(const std::vector<uint8_t>& chunk)
    {
        if (chunk.size() > 0x7FFFFFFFu) {
            throw HostError("a chunk of over 2 GiB does not fit a preset file");
        }
        I32(static_cast<int32_t>(chunk.size()));
        Bytes(chunk);
    }
    // Opens a record: its magic, a size to be filled by Close, its kind.
    size_t Open(const char* kind)
    {
        const size_t start = bytes.size();
        Tag(kFileMagic);
        U32(0);
        Tag(kind);
        return start;
    }
    void Close(size_t start)
    {
        const uint32_t size = static_cast<uint32_t>(bytes.size() - start - kOuterBytes);
        for (int i = 0; i < 4; ++i) {
            bytes[start + 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
        }
    }

    std::vector<uint8_t> bytes;
};

void WriteProgramRecord(Writer& w, const Preset& preset, const PresetProgram& program, bool opaque)
{
    const size_t start = w.Open(opaque ? kProgramChunk : kProgramList);
    w.I32(kProgramFormat);
    w.I32(preset.pluginId);
    w.I32(preset.pluginVersion);
    w.I32(opaque ? preset.count : static_cast<int32_t>(program.values.size()));
    w.Name(program.name);
    if (opaque) {
        w.Chunk(preset.chunk);
    } else {
        w.Values(program.values);
    }
    w.Close(start);
}

void WriteBank(Writer& w, const Preset& preset)
{
    const size_t start = w.Open(preset.opaque ? kBankChunk : kBankList);
    w.I32(kBankFormat);
    w.I32(preset.pluginId);
    w.I32(preset.pluginVersion);
    w.I32(preset.opaque ? preset.count : static_cast<int32_t>(preset.programs.size()));
    w.I32(preset.currentProgram < 0 ? 0 : preset.currentProgram);
    w.Zeros(kBankReservedBytes - 4);
    if (preset.opaque) {
        w.Chunk(preset.chunk);
    } else {
        for (const PresetProgram& program : preset.programs) {
            WriteProgramRecord(w, preset, program, false);
        }
    }
    w.Close(start);
}
}  // namespace

Preset DecodePreset(const std::vector<uint8_t>& bytes, const std::string& name)
{
    if (bytes.size() < kOuterBytes + kTagBytes || std::memcmp(bytes.data(), kFileMagic, kTagBytes) != 0) {
        throw HostError(name + " is not a VST preset file (no CcnK header)");
    }
    Reader r(bytes, name);
    r.Skip(kOuterBytes, "header");
    const std::string kind = r.Tag("kind");
    Preset preset;
    preset.opaque = kind == kProgramChunk || kind == kBankChunk;
    preset.bank = kind == kBankList || kind == kBankChunk;
    if (kind == kProgramList || kind == kProgramChunk) {
        ReadProgramFile(r, preset);
    } else if (preset.bank) {
        ReadBankFile(r, preset);
    } else {
        throw HostError(name + " is not a VST preset file (unknown kind '" + kind + "')");
    }
    if (r.Left() != 0) {
        throw HostError(name + " is damaged: " + std::to_string(r.Left()) + " bytes follow the end of its preset");
    }
    return preset;
}

std::vector<uint8_t> EncodePreset(const Preset& preset)
{
    Writer w;
    if (preset.bank) {
        WriteBank(w, preset);
    } else {
        WriteProgramRecord(w, preset, preset.programs.empty() ? PresetProgram{} : preset.programs[0],
                           preset.opaque);
    }
    return w.bytes;
}
