// Whole-file reading and writing for ruckhost. A written file appears complete or not at
// all: the bytes go to a temporary name beside it, which is renamed over the target.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);
