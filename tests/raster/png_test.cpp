// PNG decoding from memory, files and resources; damaged input.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "png_test_util.h"
#include "raster/png_loader.h"

using raster_test::EncodePng;
using raster_test::PngDescription;

namespace {

using Surface = std::unique_ptr<RasterBitmap>;

// Decodes from an exactly sized heap copy, so ASan sees any read past the data.
Surface Decode(const std::vector<std::uint8_t>& bytes, RasterBitmap* target = nullptr)
{
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.empty() ? 1 : bytes.size()]);
    if (!bytes.empty()) {
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    }
    RasterBitmap* result = LoadPngFromMemory(copy.get(), bytes.size(), target);
    if (result == target) {
        return Surface();  // the caller owns its target
    }
    return Surface(result);
}

Pixel32 At(RasterBitmap& s, int x, int y)
{
    return RasterRow(s, y)[x];
}

// A 5 x 3 RGBA image with distinct pixels, alpha varying.
PngDescription SmallRgba()
{
    PngDescription desc;
    desc.width = 5;
    desc.height = 3;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            desc.rowBytes.insert(desc.rowBytes.end(), {static_cast<std::uint8_t>(10 * x), static_cast<std::uint8_t>(20 * y),
                                                       static_cast<std::uint8_t>(x + y), static_cast<std::uint8_t>(50 * x + y)});
        }
    }
    return desc;
}

TEST(PngDecode, RgbaPixelsBecomeStraightArgbWords)
{
    const auto png = EncodePng(SmallRgba());
    ASSERT_FALSE(png.empty());
    Surface s = Decode(png);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Width(), 5);
    EXPECT_EQ(s->Height(), 3);
    EXPECT_EQ(s->StridePixels(), 8);  // a new MemoryBitmap with row alignment 4
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const Pixel32 expected = static_cast<Pixel32>(50 * x + y) << 24 | static_cast<Pixel32>(10 * x) << 16 |
                                     static_cast<Pixel32>(20 * y) << 8 | static_cast<Pixel32>(x + y);
            EXPECT_EQ(At(*s, x, y), expected) << x << "," << y;
        }
    }
}

// Decodes a one-row image of the given format; its pixels, or nothing on failure.
std::vector<Pixel32> DecodeRow(int colourType, int bitDepth, int width, std::vector<std::uint8_t> rowBytes,
                               std::vector<std::uint8_t> palette = {}, std::vector<std::uint8_t> transparency = {})
{
    PngDescription desc;
    desc.width = width;
    desc.height = 1;
    desc.bitDepth = bitDepth;
    desc.colourType = colourType;
    desc.rowBytes = std::move(rowBytes);
    desc.paletteRgb = std::move(palette);
    desc.transparency = std::move(transparency);
    Surface s = Decode(EncodePng(desc));
    if (!s) {
        return {};
    }
    return std::vector<Pixel32>(RasterRow(*s, 0), RasterRow(*s, 0) + s->Width());
}

using Row = std::vector<Pixel32>;

TEST(PngDecode, RgbWithoutAlphaIsOpaque)
{
    EXPECT_EQ(DecodeRow(PNG_COLOR_TYPE_RGB, 8, 2, {1, 2, 3, 250, 251, 252}), (Row{0xFF010203u, 0xFFFAFBFCu}));
}

TEST(PngDecode, PaletteWithAndWithoutTransparency)
{
    const std::vector<std::uint8_t> palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    EXPECT_EQ(DecodeRow(PNG_COLOR_TYPE_PALETTE, 8, 3, {0, 1, 2}, palette),
              (Row{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}));
    EXPECT_EQ(DecodeRow(PNG_COLOR_TYPE_PALETTE, 8, 3, {0, 1, 2}, palette, {0, 128, 255}),
              (Row{0x00FF0000u, 0x8000FF00u, 0xFF0000FFu}));
}

TEST(PngDecode, SixteenBitGreyAlphaBecomesEightBitGrey)
{
    // Little-endian 16-bit samples (the encoder swaps): grey 0x1234, alpha 0xFFFF; grey 0xAB00, alpha 0x8000.
    EXPECT_EQ(DecodeRow(PNG_COLOR_TYPE_GRAY_ALPHA, 16, 2, {0x34, 0x12, 0xFF, 0xFF, 0x00, 0xAB, 0x00, 0x80}),
              (Row{0xFF121212u, 0x80ABABABu}));
}

TEST(PngDecode, OneBitGreyIsBlackAndWhite)
{
    const Pixel32 white = 0xFFFFFFFFu;
    const Pixel32 black = 0xFF000000u;
    // 1 0 1 0 0 0 0 0 | 1 1
    EXPECT_EQ(DecodeRow(PNG_COLOR_TYPE_GRAY, 1, 10, {0xA0, 0xC0}),
              (Row{white, black, white, black, black, black, black, black, white, white}));
}

TEST(PngDecode, GreyWithTransparencyKey)
{
    EXPECT_EQ(DecodeRow(PNG_COLOR_TYPE_GRAY, 8, 2, {7, 9}, {}, {0, 7}), (Row{0x00070707u, 0xFF090909u}));
}

TEST(PngDecode, InterlacedImageDecodes)
{
    PngDescription desc = SmallRgba();
    const auto plain = Decode(EncodePng(desc));
    desc.interlaced = true;
    const auto interlaced = Decode(EncodePng(desc));
    ASSERT_TRUE(plain);
    ASSERT_TRUE(interlaced);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(At(*plain, x, y), At(*interlaced, x, y));
        }
    }
}

TEST(PngDecode, IntoAGivenTarget)
{
    MemoryBitmap target(1, 1, 4);
    const auto png = EncodePng(SmallRgba());
    RasterBitmap* result = LoadPngFromMemory(png.data(), png.size(), &target);
    EXPECT_EQ(result, &target);
    EXPECT_EQ(target.Width(), 5);
    EXPECT_EQ(target.Height(), 3);
    EXPECT_EQ(At(target, 4, 2), static_cast<Pixel32>(202) << 24 | 40u << 16 | 40u << 8 | 6u);
}

TEST(PngDecode, ShortDataOrWrongSignatureIsRefusedAtOnce)
{
    const auto png = EncodePng(SmallRgba());
    EXPECT_FALSE(Decode(std::vector<std::uint8_t>(png.begin(), png.begin() + 7)));
    EXPECT_EQ(LoadPngFromMemory(nullptr, 100, nullptr), nullptr);
    auto wrong = png;
    wrong[1] = 'Q';
    EXPECT_FALSE(Decode(wrong));
    wrong = png;
    wrong[7] ^= 0x40;
    EXPECT_FALSE(Decode(wrong));
}

TEST(PngDecode, EveryTruncationFails)
{
    const auto png = EncodePng(SmallRgba());
    ASSERT_TRUE(Decode(png));
    for (std::size_t length = 0; length < png.size(); ++length) {
        EXPECT_FALSE(Decode(std::vector<std::uint8_t>(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(length))))
            << "length " << length;
    }
}

TEST(PngDecode, EveryTruncationOfARealImageFails)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    ASSERT_TRUE(FindModuleResource(raster_test::ThisModule(), 103, "PNG", &data, &size));
    const std::vector<std::uint8_t> png(data, data + size);
    ASSERT_TRUE(Decode(png));
    for (std::size_t length = 0; length < png.size(); ++length) {
        EXPECT_FALSE(Decode(std::vector<std::uint8_t>(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(length))))
            << "length " << length;
    }
}

TEST(PngDecode, CorruptedBytesNeverCrash)
{
    const auto png = EncodePng(SmallRgba());
    int decoded = 0;
    for (std::size_t i = 8; i < png.size(); ++i) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            auto bad = png;
            bad[i] ^= flip;
            if (Decode(bad)) {
                ++decoded;
            }
        }
    }
    // Every chunk is CRC-checked, so any flipped byte is detected.
    EXPECT_EQ(decoded, 0);
}

// Rewrites the IHDR size fields of a PNG and its CRC.
std::vector<std::uint8_t> WithSize(std::vector<std::uint8_t> png, std::uint32_t width, std::uint32_t height)
{
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        png[at] = static_cast<std::uint8_t>(v >> 24);
        png[at + 1] = static_cast<std::uint8_t>(v >> 16);
        png[at + 2] = static_cast<std::uint8_t>(v >> 8);
        png[at + 3] = static_cast<std::uint8_t>(v);
    };
    put32(16, width);
    put32(20, height);
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17));
    put32(29, crc);
    return png;
}

TEST(PngDecode, AbsurdDimensionsFail)
{
    const auto png = EncodePng(SmallRgba());
    EXPECT_FALSE(Decode(WithSize(png, 0, 3)));
    EXPECT_FALSE(Decode(WithSize(png, 5, 0)));
    EXPECT_FALSE(Decode(WithSize(png, 0x7FFFFFFFu, 3)));
    EXPECT_FALSE(Decode(WithSize(png, 0x80000000u, 0x80000000u)));
    EXPECT_FALSE(Decode(WithSize(png, 1000000, 1000000)));
    EXPECT_FALSE(Decode(WithSize(png, 20000, 20000)));
    // Plausible sizes whose data is missing fail in libpng's decoder, not by a crash.
    EXPECT_FALSE(Decode(WithSize(png, 500, 300)));
    MemoryBitmap target(2, 2, 4);
    EXPECT_EQ(LoadPngFromMemory(WithSize(png, 500, 300).data(), png.size(), &target), nullptr);
}

TEST(PngDecode, CorpusFilesNeverCrash)
{
    for (const char* name : {"rgba.png", "palette_trns.png", "grey1.png", "grey16.png", "rgb.png", "grey_alpha.png", "slider.png", "select3.png"}) {
        const auto bytes = raster_test::ReadFile(std::string(RUCK_RASTER_CORPUS) + "/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_TRUE(Decode(bytes)) << name;
    }
}

TEST(PngFile, LoadsFromAPathAndChecksTheExtension)
{
    const std::string path = "raster_png_file_test.PNG";
    const auto png = EncodePng(SmallRgba());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(png.data(), 1, png.size(), file), png.size());
    std::fclose(file);

    Surface direct(LoadPngFromFile(path.c_str(), nullptr));
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->Width(), 5);
    Surface checked(PngLoaderLoadFile(path.c_str(), true, nullptr));
    EXPECT_TRUE(checked);
    EXPECT_EQ(LoadPngFromFile("no such file.png", nullptr), nullptr);
    std::remove(path.c_str());

    // A file that is not a PNG fails in libpng (file input tests no signature first).
    const std::string text = "raster_png_not_png.png";
    file = std::fopen(text.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("this is not a png file at all", file);
    std::fclose(file);
    EXPECT_EQ(LoadPngFromFile(text.c_str(), nullptr), nullptr);
    std::remove(text.c_str());
}

TEST(PngFile, Utf8PathReachesTheWideName)
{
    // "raster_\u00fcber.png": written under its real (wide) name, read through the UTF-8 path.
    const char* utf8 = "raster_\xC3\xBC" "ber.png";
    const auto png = EncodePng(SmallRgba());
#ifdef _WIN32
    std::FILE* file = _wfopen(L"raster_\u00fcber.png", L"wb");
#else
    std::FILE* file = std::fopen(utf8, "wb");
#endif
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(png.data(), 1, png.size(), file), png.size());
    std::fclose(file);
    Surface loaded(LoadPngFromFile(utf8, nullptr));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->Height(), 3);
#ifdef _WIN32
    _wremove(L"raster_\u00fcber.png");
#else
    std::remove(utf8);
#endif
}

TEST(PngFile, ExtensionCheckRefusesOtherNames)
{
    EXPECT_EQ(PngLoaderLoadFile("image.png.bak", true, nullptr), nullptr);
    EXPECT_EQ(PngLoaderLoadFile("png", true, nullptr), nullptr);
    EXPECT_EQ(PngLoaderLoadFile("x.png/file", true, nullptr), nullptr);
    EXPECT_EQ(PngLoaderLoadFile("x.png\\file", true, nullptr), nullptr);
    EXPECT_EQ(PngLoaderLoadFile(nullptr, false, nullptr), nullptr);
}

TEST(PngLoaderList, HasThePngEntry)
{
    ASSERT_NE(imageLoaders, nullptr);
    bool found = false;
    for (ImageLoaderRecord* entry = imageLoaders; entry; entry = entry->next) {
        if (std::strcmp(entry->filterText(), "PNG files (*.PNG)") == 0) {
            found = true;
            EXPECT_EQ(entry->loadFromFile, &PngLoaderLoadFile);
        }
    }
    EXPECT_TRUE(found);
}

struct ImageInfo {
    int id;
    int width;
    int height;
    bool hasAlpha;
};

TEST(PngResource, TheSevenImagesDecodeFromTheModule)
{
    const ImageInfo images[] = {{100, 454, 296, false}, {101, 66, 66, true},  {102, 58, 58, true},
                                {103, 16, 16, true},    {104, 105, 64, true}, {105, 53, 48, true},
                                {106, 48, 64, true}};
    for (const ImageInfo& info : images) {
        Surface s(LoadPngFromResource(raster_test::ThisModule(), info.id, nullptr));
        ASSERT_TRUE(s) << info.id;
        EXPECT_EQ(s->Width(), info.width) << info.id;
        EXPECT_EQ(s->Height(), info.height) << info.id;
        bool transparent = false;
        for (int y = 0; y < s->Height(); ++y) {
            for (int x = 0; x < s->Width(); ++x) {
                transparent |= (At(*s, x, y) >> 24) != 255;
            }
        }
        EXPECT_EQ(transparent, info.hasAlpha) << info.id;
    }
    // Only the low 16 bits of the identifier count.
    Surface high(LoadPngFromResource(raster_test::ThisModule(), 0x10000 + 103, nullptr));
    ASSERT_TRUE(high);
    EXPECT_EQ(high->Width(), 16);
}

TEST(PngResource, MissingResourceIsNull)
{
    EXPECT_EQ(LoadPngFromResource(raster_test::ThisModule(), 99, nullptr), nullptr);
    EXPECT_EQ(LoadPngFromResource(raster_test::ThisModule(), 107, nullptr), nullptr);
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    EXPECT_FALSE(FindModuleResource(raster_test::ThisModule(), 100, "BMP", &data, &size));
}

}  // namespace
