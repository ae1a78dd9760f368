// The combiners, checked pixel by pixel through Blit and FillRect against the
// formulas, at the edge cases of alpha and weight, and the SSE2 rows against the plain ones.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/blend.h"
#include "raster/combiners.h"
#include "reference.h"

using namespace raster_test;

namespace {

void FillRandom(MemoryBitmap& b, std::mt19937& rng)
{
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            Pixel32 p = static_cast<Pixel32>(rng());
            // Plenty of the special alphas 0 and 255.
            const unsigned pick = rng() % 4;
            if (pick == 0) p &= 0x00FFFFFFu;
            if (pick == 1) p |= 0xFF000000u;
            RasterRow(b, y)[x] = p;
        }
    }
}

const float kOpacities[] = {1.0f, 0.5f, 0.25f, 0.75f, 0.3f, 0.999f, 0.01f, 0.0039f, 0.00390625f, 1.5f};

TEST(Combiners, BlitMatchesTheFormulasForEveryOperation)
{
    std::mt19937 rng(42);
    MemoryBitmap src(19, 7, 4);
    MemoryBitmap dst(19, 7, 4);
    MemoryBitmap before(19, 7, 4);
    for (int op = 0; op <= 5; ++op) {
        for (bool sourceAlpha : {false, true}) {
            for (float opacity : kOpacities) {
                FillRandom(src, rng);
                FillRandom(dst, rng);
                Blit(&before, &dst, 0, 0, nullptr, 1.0f, BlendCopy);
                const BlendMode mode = op | (sourceAlpha ? BlendUseSourceAlpha : 0);
                Blit(&dst, &src, 0, 0, nullptr, opacity, mode);
                int w = static_cast<int>(opacity * 256.0f);
                if (w > 256) w = 256;
                for (int y = 0; y < 7; ++y) {
                    for (int x = 0; x < 19; ++x) {
                        const Pixel32 d = RasterRow(before, y)[x];
                        const Pixel32 s = RasterRow(src, y)[x];
                        Pixel32 expected;
                        if (op == 0 && !sourceAlpha && opacity == 0.5f) {
                            expected = ((s >> 1) & 0x7F7F7F7Fu) + ((d >> 1) & 0x7F7F7F7Fu);
                        } else if (op == 0 && !sourceAlpha && w == 256) {
                            expected = s;
                        } else if (w == 0) {
                            expected = d;
                        } else if (sourceAlpha) {
                            expected = RefSourceAlpha(op, d, s, w);
                        } else {
                            expected = RefPlain(op, d, s, Byte(s, 3), w);
                        }
                        ASSERT_EQ(RasterRow(dst, y)[x], expected)
                            << "op " << op << " alpha " << sourceAlpha << " opacity " << opacity << " at " << x << ","
                            << y << " d " << std::hex << d << " s " << s;
                    }
                }
            }
        }
    }
}

TEST(Combiners, FillRectMatchesTheFormulasForEveryOperation)
{
    std::mt19937 rng(7);
    MemoryBitmap dst(13, 5, 4);
    MemoryBitmap before(13, 5, 4);
    for (int op = 0; op <= 5; ++op) {
        for (bool sourceAlpha : {false, true}) {
            for (float opacity : kOpacities) {
                const Pixel32 colour = static_cast<Pixel32>(rng());
                FillRandom(dst, rng);
                Blit(&before, &dst, 0, 0, nullptr, 1.0f, BlendCopy);
                FillRect(&dst, 0, 0, 13, 5, colour, opacity, op | (sourceAlpha ? BlendUseSourceAlpha : 0));
                float o = opacity;
                if (sourceAlpha) o *= static_cast<float>(colour >> 24) * 0.003921569f;
                int w = o >= 1.0f ? 256 : static_cast<int>(o * 256.0f);
                for (int y = 0; y < 5; ++y) {
                    for (int x = 0; x < 13; ++x) {
                        const Pixel32 d = RasterRow(before, y)[x];
                        Pixel32 expected;
                        if (o == 0.0f) {
                            expected = d;
                        } else if (op == 0 && w == 256) {
                            expected = colour;
                        } else if (op == 0 && w == 128) {
                            expected = ((colour >> 1) & 0x7F7F7F7Fu) + ((d >> 1) & 0x7F7F7F7Fu);
                        } else if (op == 0 && w == 64) {
                            expected = ((colour >> 2) & 0x3F3F3F3Fu) + ((d >> 1) & 0x7F7F7F7Fu) + ((d >> 2) & 0x3F3F3F3Fu);
                        } else if (op == 0 && w == 192) {
                            expected = ((colour >> 1) & 0x7F7F7F7Fu) + ((colour >> 2) & 0x3F3F3F3Fu) + ((d >> 2) & 0x3F3F3F3Fu);
                        } else if (op == 0 && w == 0) {
                            expected = d;
                        } else {
                            expected = RefPlain(op, d, colour, w, w);
                        }
                        ASSERT_EQ(RasterRow(dst, y)[x], expected)
                            << "op " << op << " alpha " << sourceAlpha << " opacity " << opacity << " w " << w;
                    }
                }
            }
        }
    }
}

// One pixel blitted: d, s, opacity, mode -> result.
Pixel32 BlitOne(Pixel32 d, Pixel32 s, float opacity, BlendMode mode)
{
    MemoryBitmap dst(1, 1, 4);
    MemoryBitmap src(1, 1, 4);
    RasterRow(dst, 0)[0] = d;
    RasterRow(src, 0)[0] = s;
    Blit(&dst, &src, 0, 0, nullptr, opacity, mode);
    return RasterRow(dst, 0)[0];
}

TEST(Combiners, EdgeCasesOfAlphaAndWeight)
{
    // Opaque copy replaces, alpha included; source alpha 0 leaves, 255 replaces with 255.
    EXPECT_EQ(BlitOne(0x11223344u, 0x80AABBCCu, 1.0f, BlendCopy), 0x80AABBCCu);
    EXPECT_EQ(BlitOne(0x11223344u, 0x00AABBCCu, 1.0f, BlendUseSourceAlpha), 0x11223344u);
    EXPECT_EQ(BlitOne(0x11223344u, 0xFFAABBCCu, 1.0f, BlendUseSourceAlpha), 0xFFAABBCCu);
    // Source alpha 128 onto opaque: 127/256 of the difference kept, alpha stays 255.
    const Pixel32 mixed = BlitOne(0xFFC8C8C8u, 0x80000000u, 1.0f, BlendUseSourceAlpha);
    EXPECT_EQ(mixed, 0xFF000000u | static_cast<Pixel32>(200 * 127 / 256) * 0x010101u);
    // Add of white onto grey 200 clamps at 255.
    EXPECT_EQ(BlitOne(0xFFC8C8C8u, 0xFFFFFFFFu, 1.0f, BlendAdd) & 0xFFFFFFu, 0xFFFFFFu);
    // Dodge with 255: non-zero channels become 255, zero stays 0.
    EXPECT_EQ(BlitOne(0xFF0010FFu, 0xFFFFFFFFu, 1.0f, BlendDodge), 0xFF00FFFFu);
    // Multiply with 255 gives 254 for 255.
    EXPECT_EQ(BlitOne(0xFFFFFFFFu, 0xFFFFFFFFu, 1.0f, BlendMultiply), 0xFEFEFEFEu);
    // Overlay with 128 leaves d.
    EXPECT_EQ(BlitOne(0xFF3C7DB0u, 0x80808080u, 1.0f, BlendOverlay) & 0xFFFFFFu, 0x3C7DB0u);
    // HSV with (128, 128, 128) keeps the colour up to rounding; alpha becomes the source's.
    const Pixel32 hsv = BlitOne(0xFF3C7DB0u, 0x40808080u, 1.0f, BlendHsvAdjust);
    EXPECT_EQ(hsv >> 24, 0x40u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(Byte(hsv, i), Byte(0xFF3C7DB0u, i), 3);
    }
    // FillRect at 0.5: 255 over 255 gives 254.
    MemoryBitmap white(2, 2, 4);
    FillRect(&white, 0, 0, 2, 2, 0xFFFFFFFFu, 1.0f, BlendCopy);
    FillRect(&white, 0, 0, 2, 2, 0xFFFFFFFFu, 0.5f, BlendCopy);
    EXPECT_EQ(RasterRow(white, 1)[1], 0xFEFEFEFEu);
    // Operations 6 to 0xEF draw nothing.
    EXPECT_EQ(BlitOne(0x11223344u, 0xFFFFFFFFu, 1.0f, 6), 0x11223344u);
    EXPECT_EQ(BlitOne(0x11223344u, 0xFFFFFFFFu, 1.0f, 0xEF), 0x11223344u);
}

TEST(Combiners, ChannelCopyMovesOneByte)
{
    // Source byte 2 (red) into destination byte 3 (alpha): 0xF0 | 2 | 3 << 2.
    EXPECT_EQ(BlitOne(0x11223344u, 0xFFAABBCCu, 0.3f, 0xF0 | 2 | (3 << 2)), 0xAA223344u);
    EXPECT_EQ(BlitOne(0x11223344u, 0xFFAABBCCu, 1.0f, 0xF0 | 0 | (0 << 2)), 0x112233CCu);
}

TEST(Combiners, HsvMatchesTheReferenceOnEveryGreyAndRandomColours)
{
    std::mt19937 rng(3);
    for (int i = 0; i < 200000; ++i) {
        const Pixel32 d = static_cast<Pixel32>(rng());
        const Pixel32 s = static_cast<Pixel32>(rng());
        const int w = static_cast<int>(rng() % 257);
        ASSERT_EQ(raster_detail::HsvAdjust(d, s, Byte(s, 3), w), RefHsv(d, s, Byte(s, 3), w));
    }
}

TEST(FastPaths, CopyWithSourceAlphaRowsAgreeBitForBit)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 2000; ++round) {
        const int n = static_cast<int>(rng() % 40);
        std::vector<Pixel32> s(static_cast<std::size_t>(n) + 1), a(s.size()), b(s.size());
        for (std::size_t i = 0; i < s.size(); ++i) {
            s[i] = static_cast<Pixel32>(rng());
            const unsigned pick = rng() % 3;
            if (pick == 0) s[i] &= 0x00FFFFFFu;
            if (pick == 1) s[i] |= 0xFF000000u;
            a[i] = b[i] = static_cast<Pixel32>(rng());
        }
        raster_detail::CopyAlphaFullRowPlain(a.data(), s.data(), n, 256);
        raster_detail::CopyAlphaFullRowFast(b.data(), s.data(), n, 256);
        ASSERT_EQ(a, b) << "round " << round;
    }
}

TEST(FastPaths, HalfAndFillRowsAgreeBitForBit)
{
    std::mt19937 rng(12);
    for (int round = 0; round < 500; ++round) {
        const int n = static_cast<int>(rng() % 40);
        std::vector<Pixel32> s(static_cast<std::size_t>(n) + 1), a(s.size()), b(s.size());
        for (std::size_t i = 0; i < s.size(); ++i) {
            s[i] = static_cast<Pixel32>(rng());
            a[i] = b[i] = static_cast<Pixel32>(rng());
        }
        raster_detail::HalfRowPlain(a.data(), s.data(), n, 128);
        raster_detail::HalfRowFast(b.data(), s.data(), n, 128);
        ASSERT_EQ(a, b);
        const Pixel32 c = static_cast<Pixel32>(rng());
        raster_detail::FillRowPlain(a.data(), c, n);
        raster_detail::FillRowFast(b.data(), c, n);
        ASSERT_EQ(a, b);
    }
}

TEST(FastPaths, BilinearSamplesAgreeBitForBit)
{
    std::mt19937 rng(13);
    for (int i = 0; i < 300000; ++i) {
        const Pixel32 p[4] = {static_cast<Pixel32>(rng()), static_cast<Pixel32>(rng()), static_cast<Pixel32>(rng()),
                              static_cast<Pixel32>(rng())};
        int fx = static_cast<int>(rng() & 0xFFFF);
        int fy = static_cast<int>(rng() & 0xFFFF);
        if (i % 7 == 0) fx = 0xFFFF;
        if (i % 11 == 0) fy = 0;
        ASSERT_EQ(raster_detail::BilinearPlain(p[0], p[1], p[2], p[3], fx, fy),
                  raster_detail::BilinearFast(p[0], p[1], p[2], p[3], fx, fy));
    }
    // All-white at the heaviest weights stays white.
    EXPECT_EQ(raster_detail::BilinearFast(~0u, ~0u, ~0u, ~0u, 0xFFFF, 0xFFFF), 0xFFFFFFFFu);
}

}  // namespace
