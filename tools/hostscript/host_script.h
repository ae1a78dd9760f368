// Host action scripts: a byte string read as a sequence of host requests and their
// arguments. Fuzzer inputs, ruckhost's seeded random scripts and the call orders of real
// hosts are read the same way, and every byte string is a valid script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One host request per action; the bytes after it choose its arguments.
enum class HostAction : uint8_t {
    SwitchInstance,     // slot (byte & 1) becomes current; an empty slot gets a new instance
    CloseInstance,      // polite (byte & 1: editor closed, stopped, suspended first) or abrupt
    Open,               // effOpen again
    SampleRate,         // rate choice
    BlockSize,          // size choice
    Arrangement,        // input kind, output kind (ArrangementKind)
    Mains,              // value choice
    ProcessState,       // ProcessStateRequest
    Process,            // ProcessPath, frames choice, BufferLayout (+ channel), SignalKind, seed
    SetParameter,       // index choice, value choice
    Program,            // ProgramRequest and its arguments
    Texts,              // TextRequest, index choice
    ChunkMutation,      // a chunk of either instance, changed by a ChunkDamage, then set
    ChunkBytes,         // index choice, blob: bytes set as a chunk as they are
    StringToParameter,  // index choice, text
    CanDo,              // text
    VendorSpecific,     // index choice, value choice, VendorPointer, opt choice
    Editor,             // EditorRequest
    Query,              // QueryRequest and its arguments
    StateCheck,         // state saved, restored here and into a fresh twin: same next block
    Count
};

enum class ArrangementKind : uint8_t { None, Mono, Stereo, Empty, Eight, Negative, Huge, Count };
enum class ProcessStateRequest : uint8_t { Start, Stop, Precision32, Precision64, Count };
enum class ProcessPath : uint8_t { Replacing, Accumulating, Double, Count };
enum class BufferLayout : uint8_t { Separate, InPlace, Crossed, NullChannel, NullArrays, Count };
enum class SignalKind : uint8_t { Silence, Noise, Dc, Loud, Denormal, Count };
enum class ProgramRequest : uint8_t { Select, Get, Rename, Name, IndexedName, Count };
enum class TextRequest : uint8_t { ParamName, ParamLabel, ParamDisplay, EffectName, Vendor, Product, Count };
enum class ChunkDamage : uint8_t { None, Truncate, FlipByte, Field, FieldBigEndian, Append, Count };
enum class VendorPointer : uint8_t { Null, Text, Snapshot, Count };
enum class EditorRequest : uint8_t { GetRect, GetRectNull, Open, Idle, Close, Count };
enum class QueryRequest : uint8_t {
    TailSize, Category, VstVersion, Identify, CanBeAutomated, InputPin, OutputPin, Arrangements,
    KeyName, Idle, Bypass, Events, Count
};

// A choice byte below this picks from the kind's table of typical and hostile values;
// from it on, a raw value follows (a 4-byte word, bounded where a host would bound it).
constexpr uint8_t kRawChoice = 0xF0;

// Reads a script front to back; past its end every read gives zeros.
class ScriptReader {
public:
    ScriptReader(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool AtEnd() const { return pos >= size; }
    size_t Remaining() const { return AtEnd() ? 0 : size - pos; }
    uint8_t Byte();
    uint32_t Word();
    float Float();
    // A length and that many bytes, cut to what the script still holds. The length is a
    // byte; 255 means a word follows with the length (at most 1 MiB).
    std::string Text();
    std::vector<uint8_t> Blob();

private:
    size_t Length();

    const uint8_t* data;
    size_t size;
    size_t pos = 0;
};

// Builds scripts for the call orders of known hosts and for regression cases.
class ScriptWriter {
public:
    ScriptWriter& Act(HostAction action) { return Byte(static_cast<uint8_t>(action)); }
    template <typename Enum>
    ScriptWriter& Pick(Enum value)
    {
        return Byte(static_cast<uint8_t>(value));
    }
    ScriptWriter& Byte(uint8_t value);
    ScriptWriter& Word(uint32_t value);
    // A choice given as its raw value.
    ScriptWriter& RawWord(uint32_t value) { return Byte(kRawChoice).Word(value); }
    ScriptWriter& RawFloat(float value);
    ScriptWriter& Text(const std::string& text);
    ScriptWriter& Blob(const std::vector<uint8_t>& bytes);
    const std::vector<uint8_t>& Bytes() const { return bytes; }

private:
    ScriptWriter& Length(size_t length);

    std::vector<uint8_t> bytes;
};

// A literal naming the action, for reports.
const char* HostActionName(HostAction action);
