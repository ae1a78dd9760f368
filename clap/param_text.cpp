#include "param_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
constexpr size_t kTextRoom = 256;

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool StartsWithNumber(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
        ++text;
    }
    if (*text == '+' || *text == '-') {
        ++text;
    }
    if (*text == '.') {
        ++text;
    }
    return *text >= '0' && *text <= '9';
}
}  // namespace

bool FormatParamText(const IParameter& parameter, double plain, char* out, uint32_t capacity)
{
    if (out == nullptr || capacity == 0) {
        return false;
    }
    char text[kTextRoom] = {};
    parameter.FormatValue(plain, false, text, sizeof text);
    int listed = 0;
    const bool isValueText = parameter.ValueTextCount() > 0 && parameter.ValueForText(text, listed);
    if (!isValueText && parameter.Label()[0] != 0) {
        const size_t used = std::strlen(text);
        std::snprintf(text + used, sizeof text - used, " %s", parameter.Label());
    }
    size_t length = std::min<size_t>(std::strlen(text), capacity - 1);
    while (length > 0 && IsContinuationByte(text[length])) {
        --length;
    }
    std::memcpy(out, text, length);
    out[length] = 0;
    return true;
}

bool ParseParamText(const IParameter& parameter, const char* text, double& plain)
{
    int listed = 0;
    const bool isValueText = parameter.ValueTextCount() > 0 && parameter.ValueForText(text, listed);
    if (!isValueText && !StartsWithNumber(text)) {
        return false;
    }
    const double value = parameter.ParseValue(text);
    if (!std::isfinite(value)) {
        return false;
    }
    plain = std::clamp(value, parameter.min, parameter.max);
    return true;
}
