// Helpers of the raster tests: encoding PNG images in memory with libpng, and a module
// handle for the test executable's own resources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/module_resources.h"
#include "raster/raster_bitmap.h"

namespace raster_test {

struct PngDescription {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType = 6;  // PNG_COLOR_TYPE_RGB_ALPHA
    bool interlaced = false;
    std::vector<std::uint8_t> rowBytes;      // height rows of packed samples, as libpng wants them
    std::vector<std::uint8_t> paletteRgb;    // palette images: 3 bytes per entry
    std::vector<std::uint8_t> transparency;  // tRNS: palette alphas, or a grey/RGB 16-bit key
};

// Encodes the description as a PNG; empty on failure.
std::vector<std::uint8_t> EncodePng(const PngDescription& desc);


// The module holding the images as resources (the test executable on Windows).
ModuleHandle ThisModule();

std::vector<std::uint8_t> ReadFile(const std::string& path);

}  // namespace raster_test
