// One automatable setting: its plain value and range, the normalised 0..1 view that
// hosts and editors exchange, snapping to steps, and the texts shown for values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "grow_buffer.h"

enum ParameterType : int32_t {
    kTypeNone = 0,
    kTypeBool = 1,
    kTypeInt = 2,
    kTypeEnum = 3,
    kTypeDouble = 4,
};

// Types Bool, Int and Enum hold whole numbers and snap to their step.
bool IsIntegerLike(int32_t type);

struct IParameter {
    static constexpr int kTextField = 32;
    static constexpr int kValueTextEntry = 36;  // int32 value + 32-byte text

    int32_t type = kTypeNone;
    double value = 0.0;
    double min = 0.0;
    double max = 1.0;
    double step = 1.0;
    double shape = 1.0;
    int32_t displayPrecision = 0;
    char name[kTextField] = {};
    char label[kTextField] = {};
    bool negateDisplay = false;
    IGrowBuffer valueTexts{IGrowBuffer::kPageGranularity};

    void DefineDouble(const char* name, double defaultValue, double minValue, double maxValue,
                      double step, const char* label);
    void DefineInt(const char* name, int defaultValue, int minValue, int maxValue, const char* label);
    void DefineEnum(const char* name, int defaultValue, int valueCount, const char* label);
    bool AddValueText(int value, const char* text);

    // Maps a normalised value onto the range, snapping integer-like types. A non-finite
    // value is refused (returns false, nothing changes); negative values count as 0.
    bool SetFromNormalized(double n);
    // A plain value on the parameter's grid: integer-like types snap to their step.
    double Snapped(double v) const;
    double NormalizedOf(double v) const;
    double Normalized() const { return NormalizedOf(value); }
    void Bounds(double& outMin, double& outMax) const;
    const char* Name() const { return name; }
    const char* Label() const { return label; }

    int ValueTextCount() const;
    const char* ValueText(int v) const;
    bool ValueForText(const char* text, int& outValue) const;
    // The display text of a plain (or normalised) value, cut to outSize - 1 characters.
    void FormatValue(double v, bool isNormalized, char* out, size_t outSize) const;
    // A typed text read back as a plain value (a value text's number, or the leading number).
    double ParseValue(const char* text) const;

private:
    double FromNormalized(double n) const;
    const char* EntryText(int index) const;
    int32_t EntryValue(int index) const;
};

// Copies text into a fixed field of fieldSize bytes, cutting it to fit and terminating.
void CopyTextField(char* field, size_t fieldSize, const char* text);
