// Parameter values as CLAP hosts show and read them: the VST2 display text with its unit,
// cut to the host's buffer on a character boundary, and typed text read back.
#pragma once

#include <cstdint>

#include "plug/parameter.h"

// False when nothing fits (capacity 0); otherwise the text, terminated, in out.
bool FormatParamText(const IParameter& parameter, double plain, char* out, uint32_t capacity);
// A value text, or a number with or without the unit, held to the range; false when the
// text holds neither.
bool ParseParamText(const IParameter& parameter, const char* text, double& plain);
