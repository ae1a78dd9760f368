#include "parameter.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

bool IsIntegerLike(int32_t type)
{
    return type == kTypeBool || type == kTypeInt || type == kTypeEnum;
}

void CopyTextField(char* field, size_t fieldSize, const char* text)
{
    if (field == nullptr || fieldSize == 0) {
        return;
    }
    size_t n = 0;
    if (text != nullptr) {
        while (n + 1 < fieldSize && text[n] != 0) {
            ++n;
        }
        std::memcpy(field, text, n);
    }
    field[n] = 0;
}

void IParameter::DefineDouble(const char* newName, double defaultValue, double minValue,
                              double maxValue, double newStep, const char* newLabel)
{
    if (type == kTypeNone) {
        type = kTypeDouble;
    }
    CopyTextField(name, sizeof name, newName);
    CopyTextField(label, sizeof label, newLabel);
    value = defaultValue;
    min = minValue;
    max = maxValue >= minValue + newStep ? maxValue : minValue + newStep;
    step = newStep;
    displayPrecision = 0;
    double scaled = newStep;
    while (scaled != std::floor(scaled) && displayPrecision < 6) {
        ++displayPrecision;
        scaled *= 10.0;
    }
}

void IParameter::DefineInt(const char* newName, int defaultValue, int minValue, int maxValue,
                           const char* newLabel)
{
    if (type == kTypeNone) {
        type = kTypeInt;
    }
    DefineDouble(newName, defaultValue, minValue, maxValue, 1.0, newLabel);
}

void IParameter::DefineEnum(const char* newName, int defaultValue, int valueCount, const char* newLabel)
{
    if (type == kTypeNone) {
        type = kTypeEnum;
    }
    DefineDouble(newName, defaultValue, 0.0, valueCount - 1.0, 1.0, newLabel);
}

bool IParameter::AddValueText(int v, const char* text)
{
    const int old = valueTexts.Size();
    valueTexts.SetSize(old + kValueTextEntry, false);
    if (valueTexts.Size() != old + kValueTextEntry) {
        return false;
    }
    uint8_t* entry = valueTexts.Data() + old;
    const int32_t stored = v;
    std::memcpy(entry, &stored, sizeof stored);
    CopyTextField(reinterpret_cast<char*>(entry + 4), kTextField, text);
    return true;
}

double IParameter::FromNormalized(double n) const
{
    return std::pow(n, shape) * (max - min) + min;
}

double IParameter::Snapped(double v) const
{
    return IsIntegerLike(type) && step > 0.0 ? std::floor(v / step + 0.5) * step : v;
}

bool IParameter::SetFromNormalized(double n)
{
    if (!std::isfinite(n)) {
        return false;
    }
    double v = Snapped(FromNormalized(n < 0.0 ? 0.0 : n));
    if (v >= max) {
        v = max;
    }
    value = v;
    return true;
}

double IParameter::NormalizedOf(double v) const
{
    if (!(max > min)) {
        return 0.0;
    }
    if (v < min) {
        v = min;
    } else if (v > max) {
        v = max;
    } else if (std::isnan(v)) {
        return 0.0;
    }
    return std::pow((v - min) / (max - min), 1.0 / shape);
}

void IParameter::Bounds(double& outMin, double& outMax) const
{
    outMin = min;
    outMax = max;
}

int IParameter::ValueTextCount() const
{
    return valueTexts.Size() / kValueTextEntry;
}

const char* IParameter::EntryText(int index) const
{
    return reinterpret_cast<const char*>(valueTexts.Data() + index * kValueTextEntry + 4);
}

int32_t IParameter::EntryValue(int index) const
{
    int32_t v;
    std::memcpy(&v, valueTexts.Data() + index * kValueTextEntry, sizeof v);
    return v;
}

const char* IParameter::ValueText(int v) const
{
    for (int i = 0; i < ValueTextCount(); ++i) {
        if (EntryValue(i) == v) {
            return EntryText(i);
        }
    }
    return "";
}

bool IParameter::ValueForText(const char* text, int& outValue) const
{
    if (text == nullptr) {
        return false;
    }
    for (int i = 0; i < ValueTextCount(); ++i) {
        if (std::strcmp(EntryText(i), text) == 0) {
            outValue = EntryValue(i);
            return true;
        }
    }
    return false;
}

namespace {
// Whole-number part of v as an int, when it has one that fits.
bool TruncatedInt(double v, int& out)
{
    if (!(v > static_cast<double>(INT_MIN) - 1.0 && v < static_cast<double>(INT_MAX) + 1.0)) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}
}  // namespace

void IParameter::FormatValue(double v, bool isNormalized, char* out, size_t outSize) const
{
    if (out == nullptr || outSize == 0) {
        return;
    }
    if (isNormalized) {
        v = FromNormalized(v);
    }
    int whole = 0;
    if (TruncatedInt(v, whole)) {
        const char* text = ValueTextCount() > 0 ? ValueText(whole) : "";
        if (text[0] != 0) {
            CopyTextField(out, outSize, text);
            return;
        }
    }
    if (negateDisplay) {
        v = -v;
    }
    if (v == 0.0) {
        std::snprintf(out, outSize, "0");
    } else if (displayPrecision == 0) {
        if (TruncatedInt(v, whole)) {
            std::snprintf(out, outSize, "%d", whole);
        } else {
            std::snprintf(out, outSize, "%.0f", std::trunc(v));
        }
    } else {
        std::snprintf(out, outSize, "%.*f", static_cast<int>(displayPrecision), v);
    }
}

double IParameter::ParseValue(const char* text) const
{
    if (text == nullptr) {
        return 0.0;
    }
    int listed = 0;
    if (ValueTextCount() > 0 && ValueForText(text, listed)) {
        return listed;
    }
    // The leading number, read the same way whatever locale the host has set.
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    if (*p == '+') {
        ++p;
    }
    double v = 0.0;
    if (std::from_chars(p, p + std::strlen(p), v).ec != std::errc()) {
        v = 0.0;
    }
    return negateDisplay ? -v : v;
}
