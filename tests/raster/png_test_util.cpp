#include "png_test_util.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace raster_test {

namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

// libpng's error path long-jumps back here: this function holds no object with a destructor
// (out and rows belong to the caller).
bool EncodeGuarded(const PngDescription& desc, std::vector<std::uint8_t>* out, png_bytep* rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendToVector, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(desc.width), static_cast<png_uint_32>(desc.height),
                 desc.bitDepth, desc.colourType, desc.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!desc.paletteRgb.empty()) {
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(desc.paletteRgb.data()),
                     static_cast<int>(desc.paletteRgb.size() / 3));
    }
    if (!desc.transparency.empty()) {
        if (desc.colourType == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, desc.transparency.data(), static_cast<int>(desc.transparency.size()), nullptr);
        } else {
            png_color_16 key = {};
            key.gray = static_cast<png_uint_16>(desc.transparency[0] << 8 | desc.transparency[1]);
            key.red = key.gray;
            key.green = key.gray;
            key.blue = key.gray;
            png_set_tRNS(png, info, nullptr, 0, &key);
        }
    }
    png_write_info(png, info);
    if (desc.bitDepth == 16) {
        png_set_swap(png);  // rows are given little-endian
    }
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const PngDescription& desc)
{
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> pixels = desc.rowBytes;
    if (desc.height <= 0 || pixels.empty()) {
        return out;
    }
    const std::size_t rowLength = pixels.size() / static_cast<std::size_t>(desc.height);
    std::vector<png_bytep> rows(static_cast<std::size_t>(desc.height));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = pixels.data() + y * rowLength;
    }
    if (!EncodeGuarded(desc, &out, rows.data())) {
        out.clear();
    }
    return out;
}


ModuleHandle ThisModule()
{
#ifdef _WIN32
    return GetModuleHandleW(nullptr);
#else
    return nullptr;
#endif
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::vector<std::uint8_t> data;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return data;
    }
    unsigned char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        data.insert(data.end(), buffer, buffer + got);
    }
    std::fclose(file);
    return data;
}

}  // namespace raster_test
