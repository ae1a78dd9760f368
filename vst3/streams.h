// Whole states through a host's byte stream: read to its end (up to a limit) or written out.
#pragma once

#include <cstdint>
#include <vector>

#include "plug/data_chunk.h"
#include "vst3/vst3_plugin.h"

namespace vst3 {

// Far beyond any state this plug-in writes; a longer stream is refused, not read.
constexpr int32_t kMaxStateBytes = 1 << 20;

// Everything from the stream's position to its end; false on a read error or when the
// stream holds more than kMaxStateBytes.
bool ReadToEnd(IBStream* stream, std::vector<uint8_t>& bytes);
bool WriteAll(IBStream* stream, const uint8_t* bytes, int32_t size);

// The stream's state into the instance through the chunk, whole or not at all.
tresult RestoreFrom(IBStream* stream, IVst3Plugin* effect, IDataChunk& chunk);

}  // namespace vst3
