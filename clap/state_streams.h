// The host's CLAP byte streams read to their end and written whole, a piece at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "clap/clap_abi.h"

// States beyond this size are refused rather than read.
constexpr uint64_t kMaxStateBytes = 1 << 20;

// False on a stream error or a stream longer than kMaxStateBytes.
bool ReadWhole(const clap::InputStream* stream, std::vector<uint8_t>& bytes);
bool WriteWhole(const clap::OutputStream* stream, const uint8_t* bytes, int64_t size);
