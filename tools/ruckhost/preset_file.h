// VST 2.4 preset files as bytes: .fxp (one program) and .fxb (a bank), big-endian, each
// as a parameter list (FxCk, FxBk) or as the plug-in's opaque chunk (FPCh, FBCh).
// Decoding checks the whole file before anything is returned and never reads past its end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PresetProgram {
    std::string name;
    std::vector<float> values;  // normalised parameter values; empty in a chunk program file
};

struct Preset {
    bool bank = false;
    bool opaque = false;  // the chunk forms FPCh and FBCh
    int32_t pluginId = 0;
    int32_t pluginVersion = 0;
    // A program file's parameter count, a bank's program count.
    int32_t count = 0;
    // The bank's current program (format version 2); -1 when the file names none.
    int32_t currentProgram = -1;
    // A program file: its one program. A parameter bank: every program. A chunk bank: none.
    std::vector<PresetProgram> programs;
    std::vector<uint8_t> chunk;  // the chunk forms only
};

// Program names hold at most this many characters in the file.
constexpr size_t kPresetNameChars = 27;

// Refuses anything that is not a whole, undamaged preset file with a message naming
// the problem; `name` is how the message refers to the bytes.
Preset DecodePreset(const std::vector<uint8_t>& bytes, const std::string& name);
// Program names longer than kPresetNameChars are cut.
std::vector<uint8_t> EncodePreset(const Preset& preset);
