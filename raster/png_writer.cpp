#include "png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

#include "raster/utf8_file.h"

namespace {
// Rows converted to R, G, B, A bytes, top row first.
std::vector<png_byte> RgbaRows(RasterBitmap& surface)
{
    const int w = surface.Width();
    const int h = surface.Height();
    std::vector<png_byte> bytes(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const Pixel32* row = RasterRow(surface, y);
        png_byte* out = &bytes[static_cast<size_t>(y) * w * 4];
        for (int x = 0; x < w; ++x) {
            const Pixel32 p = row[x];
            out[4 * x + 0] = static_cast<png_byte>(p >> 16);
            out[4 * x + 1] = static_cast<png_byte>(p >> 8);
            out[4 * x + 2] = static_cast<png_byte>(p);
            out[4 * x + 3] = static_cast<png_byte>(p >> 24);
        }
    }
    return bytes;
}

// Everything with a destructor lives outside: libpng reports errors by longjmp.
bool WriteRows(std::FILE* file, png_bytep* rows, int width, int height)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
}  // namespace

bool SavePngFile(RasterBitmap& surface, const char* utf8Path)
{
    const int w = surface.Width();
    const int h = surface.Height();
    if (w <= 0 || h <= 0 || surface.Pixels() == nullptr || utf8Path == nullptr) {
        return false;
    }
    std::vector<png_byte> bytes = RgbaRows(surface);
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        rows[static_cast<size_t>(y)] = &bytes[static_cast<size_t>(y) * w * 4];
    }
    std::FILE* file = OpenUtf8File(utf8Path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = WriteRows(file, rows.data(), w, h);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(utf8Path);
        return false;
    }
    return true;
}
