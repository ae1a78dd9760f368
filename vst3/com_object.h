// The parts every object handed to a VST 3 host shares: its reference count, interface
// lookup by ID, and the 8- and 16-bit text fields of the interface records.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "vst3/vst3_abi.h"

namespace vst3 {

// A new object starts with one reference, owned by its creator.
class RefCount {
public:
    uint32_t Add() { return ++count; }
    uint32_t Drop() { return --count; }
    // Drops a reference; the last one deletes the owner (which befriends this class).
    template <typename Owner>
    uint32_t Release(Owner* owner)
    {
        const uint32_t left = Drop();
        if (left == 0) {
            delete owner;
        }
        return left;
    }

private:
    std::atomic<uint32_t> count{1};
};

struct InterfaceEntry {
    const Uid* id;
    FUnknown* face;
};

// Hands out the face whose ID matches (all 16 bytes), with a reference for the caller;
// otherwise sets *obj to null and answers kNoInterface.
tresult AnswerQuery(const char* iid, void** obj, std::initializer_list<InterfaceEntry> faces);

// Copies text into a fixed 8-bit or UTF-16 field, cut to fit and terminated. The texts
// are ASCII; other bytes pass through as Latin-1.
void CopyText8(char* field, size_t fieldSize, const char* text);
void CopyText16(char16* field, size_t fieldUnits, const char* text);
// A UTF-16 text read back into 8 bits: units beyond Latin-1 become '?'.
void CopyTextFrom16(char* field, size_t fieldSize, const char16* text, size_t maxUnits);

// The same into a whole record field, 8-bit or UTF-16 by the field's type.
template <size_t N>
void CopyText(char (&field)[N], const char* text)
{
    CopyText8(field, N, text);
}

template <size_t N>
void CopyText(char16 (&field)[N], const char* text)
{
    CopyText16(field, N, text);
}

}  // namespace vst3
