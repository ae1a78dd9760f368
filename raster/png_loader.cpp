// PNG decoding. libpng reports errors with longjmp, so the function that calls
// setjmp (DecodeGuarded) holds no C++ object with a destructor: everything it must release
// after a jump lives in the plain DecodeState record.
#include "raster/png_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "raster/utf8_file.h"

ImageLoaderRecord* imageLoaders = nullptr;

namespace {

// Images whose pixels would need more than this many bytes are refused before any allocation
// (libpng's own limit is 1,000,000 x 1,000,000 pixels, far beyond any surface we can make).
constexpr std::uint64_t kMaxImageBytes = 256u << 20;

struct MemoryReader {
    const unsigned char* position;
    std::int32_t left;
};

// Everything DecodeGuarded must clean up after a libpng error. Plain data only.
struct DecodeState {
    MemoryReader reader;
    std::FILE* file;            // file input, or null for memory input
    RasterBitmap* target;       // given by the caller, never deleted here
    RasterBitmap* made;         // made here; deleted on failure
    png_bytep* rows;            // row-pointer array (malloc)
};

// The libpng read callback: zero the request, then copy what is left of the data. A request
// that runs past the end is reported to libpng as an error at once (after the zeroing)
// instead of being answered with zeros: a damaged length field could otherwise make libpng
// skip through gigabytes of zeros before failing.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    std::memset(out, 0, count);
    const std::size_t left = reader && reader->left > 0 ? static_cast<std::size_t>(reader->left) : 0;
    const std::size_t take = count < left ? count : left;
    if (take > 0) {
        std::memcpy(out, reader->position, take);
        reader->position += take;
        reader->left -= static_cast<std::int32_t>(take);
    }
    if (take < count) {
        png_error(png, "read past the end of the data");
    }
}

// Asks libpng to expand every colour type and depth to 8-bit bytes A, R, G, B per pixel.
void RequestTransformations(png_structp png, png_infop info, int bitDepth, int colourType)
{
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        colourType |= PNG_COLOR_MASK_ALPHA;
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if (bitDepth < 8) {
        png_set_packing(png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if (colourType & PNG_COLOR_MASK_ALPHA) {
        png_set_swap_alpha(png);
    } else {
        png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
    }
}

// Turns the decoded bytes A, R, G, B into the word 0xAARRGGBB (stored B, G, R, A).
void ConvertToPixel32(RasterBitmap& surface)
{
    const int width = surface.Width();
    for (int y = 0; y < surface.Height(); ++y) {
        Pixel32* row = RasterRow(surface, y);
        for (int x = 0; x < width; ++x) {
            unsigned char bytes[4];
            std::memcpy(bytes, row + x, 4);
            row[x] = static_cast<Pixel32>(bytes[0]) << 24 | static_cast<Pixel32>(bytes[1]) << 16 |
                     static_cast<Pixel32>(bytes[2]) << 8 | static_cast<Pixel32>(bytes[3]);
        }
    }
}

// The surface to decode into, of exactly the image's size, or null.
RasterBitmap* PrepareSurface(DecodeState* state, png_uint_32 width, png_uint_32 height)
{
    if (static_cast<std::uint64_t>(width) * height * 4 > kMaxImageBytes) {
        return nullptr;
    }
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    RasterBitmap* surface = state->target;
    if (surface) {
        surface->Resize(w, h);
    } else {
        state->made = new (std::nothrow) MemoryBitmap(w, h, 4);
        surface = state->made;
    }
    if (!surface || !surface->Pixels() || surface->Width() != w || surface->Height() != h) {
        return nullptr;
    }
    return surface;
}

// Reads the header, prepares the surface and decodes every row into it. Returns the filled
// surface or null; on null, state->made is still to be deleted by the caller (it may have
// been made before a libpng error).
RasterBitmap* DecodeGuarded(DecodeState* state)
{
    png_structp png = png_create_read_struct("1.6.21", nullptr, nullptr, nullptr);
    if (!png) {
        return nullptr;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    std::jmp_buf* jump = png_set_longjmp_fn(png, std::longjmp, 256);
    if (!jump) {
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    if (setjmp(*jump)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    if (state->file) {
        png_init_io(png, state->file);
    } else {
        png_set_read_fn(png, &state->reader, ReadFromMemory);
    }
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    int compression = 0;
    int filter = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, &compression, &filter);
    RequestTransformations(png, info, bitDepth, colourType);

    RasterBitmap* surface = PrepareSurface(state, width, height);
    if (!surface) {
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    state->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (!state->rows) {
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        state->rows[y] = reinterpret_cast<png_bytep>(RasterRow(*surface, static_cast<int>(y)));
    }
    png_read_image(png, state->rows);
    // Read on to the end chunk, so that a stream cut anywhere after the image data (in the
    // last CRC or the end chunk) fails too.
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return surface;
}

// Runs the guarded decode, then releases the rows and the file and converts the pixels or
// deletes a surface made for a failed decode.
RasterBitmap* Decode(DecodeState* state)
{
    RasterBitmap* surface = DecodeGuarded(state);
    std::free(state->rows);
    state->rows = nullptr;
    if (state->file) {
        std::fclose(state->file);
        state->file = nullptr;
    }
    if (!surface) {
        delete state->made;
        state->made = nullptr;
        return nullptr;
    }
    ConvertToPixel32(*surface);
    return surface;
}

bool HasPngExtension(const char* name)
{
    const char* dot = nullptr;
    for (const char* p = name; *p; ++p) {
        if (*p == '.' || *p == '/' || *p == '\\') {
            dot = p;
        }
    }
    if (!dot || *dot != '.') {
        return false;
    }
    const char* ext = dot + 1;
    const char expected[] = "png";
    for (int i = 0; i < 3; ++i) {
        const char c = ext[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != expected[i]) {
            return false;
        }
    }
    return ext[3] == '\0';
}

ImageLoaderRecord pngLoaderRecord = {PngLoaderLoadFile, PngLoaderFilterText, nullptr};

// Static initialisation: the PNG entry links itself in front of the list.
struct PngLoaderRegistration {
    PngLoaderRegistration()
    {
        pngLoaderRecord.next = imageLoaders;
        imageLoaders = &pngLoaderRecord;
    }
} pngLoaderRegistration;

}  // namespace

RasterBitmap* LoadPngFromMemory(const void* data, std::size_t size, RasterBitmap* target)
{
    if (!data || size < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) {
        return nullptr;
    }
    // The reader's count is an int32: a larger block is read as its first 2 GiB (a PNG of
    // our images never comes near; the rest would be past what the reader can count).
    const std::size_t readable = size > 0x7FFFFFFF ? 0x7FFFFFFF : size;
    DecodeState state = {};
    state.reader.position = static_cast<const unsigned char*>(data);
    state.reader.left = static_cast<std::int32_t>(readable);
    state.target = target;
    return Decode(&state);
}

RasterBitmap* LoadPngFromFile(const char* utf8Path, RasterBitmap* target)
{
    if (!utf8Path) {
        return nullptr;
    }
    DecodeState state = {};
    state.file = OpenUtf8File(utf8Path, "rb");
    if (!state.file) {
        return nullptr;
    }
    state.target = target;
    return Decode(&state);
}

RasterBitmap* LoadPngFromResource(ModuleHandle module, int id, RasterBitmap* target)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!FindModuleResource(module, id, "PNG", &data, &size) || size < 8) {
        return nullptr;
    }
    return LoadPngFromMemory(data, size, target);
}

RasterBitmap* PngLoaderLoadFile(const char* fileName, bool checkExtension, RasterBitmap* target)
{
    if (!fileName || (checkExtension && !HasPngExtension(fileName))) {
        return nullptr;
    }
    return LoadPngFromFile(fileName, target);
}

const char* PngLoaderFilterText()
{
    return "PNG files (*.PNG)";
}
