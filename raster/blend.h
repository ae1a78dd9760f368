// Blitting and compositing onto RasterBitmap surfaces. One set of pixel-combining
// rules, chosen by a BlendMode word and scaled by a float opacity (weight = opacity x 256,
// truncated; 256 = full).
#pragma once

#include <cstdint>

#include "raster/raster_bitmap.h"

using BlendMode = std::int32_t;

// Low byte: the operation.
constexpr BlendMode BlendCopy = 0;
constexpr BlendMode BlendAdd = 1;
constexpr BlendMode BlendDodge = 2;
constexpr BlendMode BlendMultiply = 3;
constexpr BlendMode BlendOverlay = 4;
constexpr BlendMode BlendHsvAdjust = 5;
// 0xF0..0xFF (Blit only): bits 0-1 source byte, bits 2-3 destination byte (0 B, 1 G, 2 R, 3 A).
constexpr BlendMode BlendChannelCopy = 0xF0;
// Bilinear sampling (RotatedBlit only, and only when the second byte is exactly 0x01).
constexpr BlendMode BlendBilinear = 0x100;
// Each pixel's weight is scaled by its source alpha (FillRect: by the colour's alpha).
constexpr BlendMode BlendUseSourceAlpha = 0x10000;

// A source rectangle: left, top inclusive; right, bottom exclusive.
struct RasterRect {
    int left;
    int top;
    int right;
    int bottom;
};

// Rectangle form: srcRect null means the whole source.
void Blit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, const RasterRect* srcRect, float opacity,
          BlendMode mode);
// Short form: the source rectangle given as position and size.
void Blit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int srcX, int srcY, int width, int height,
          float opacity, BlendMode mode);

// Composes the source rectangle onto the destination rectangle, scaled and rotated by angle
// (radians, clockwise on the screen) about the destination's centre.
void RotatedBlit(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int dstW, int dstH, float srcX,
                 float srcY, float srcW, float srcH, float angle, bool clipToSource, float opacity, BlendMode mode,
                 float centreOffsetX, float centreOffsetY);

void FillRect(RasterBitmap* dest, int x, int y, int width, int height, Pixel32 colour, float opacity,
              BlendMode mode);

// Both end points are drawn.
void DrawLine(RasterBitmap* dest, int x1, int y1, int x2, int y2, Pixel32 colour, float opacity, BlendMode mode,
              bool antialias);

// dest and src may be the same surface.
void BlurRect(RasterBitmap* dest, RasterBitmap* src, int dstX, int dstY, int srcX, int srcY, int width,
              int height);
