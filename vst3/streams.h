// Whole states through a host's byte stream: read to its end (up to a limit) or written out.
#pragma once

#include <cstdint>
#include <vector>

#include "vst3/vst3_abi.h"

namespace vst3 {

// Far beyond any state this plug-in writes; a longer stream is refused, not read.
constexpr int32_t kMaxStateBytes = 1 << 20;

// Everything from the stream's position to its end; false on a read error or when the
// stream holds more than kMaxStateBytes.
bool ReadToEnd(IBStream* stream, std::vector<uint8_t>& bytes);
bool WriteAll(IBStream* stream, const uint8_t* bytes, int32_t size);

}  // namespace vst3
