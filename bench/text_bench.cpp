// Cost of the editor's eleven value read-outs in the value style (15-pixel "Arial", white at
// alpha 230, centred) drawn into the 454 x 296 back buffer: from a warm glyph cache, and the
// first draw of a new font, which renders every glyph. The peer is the blit of the eleven
// bands' background, which a repaint of the read-outs costs anyway.
#include <benchmark/benchmark.h>

#include <memory>

#include "font_test_util.h"
#include "raster/blend.h"
#include "raster/dib_bitmap.h"
#include "raster/raster_font.h"
#include "value_readouts.h"

using namespace readouts;

namespace {

constexpr TextFormat kValueFormat = TextNoClip | TextScaleByColourAlpha | TextCenter;

// The value style's font as the editor attaches it.
std::unique_ptr<CachedFont> ValueFont()
{
    auto font = font_test::MakeArial(kValueSize, FontPreferNative, FontQuality::Default);
    if (font) {
        font->SetTextColour(kValueColour);
    }
    return font;
}

void DrawReadouts(CachedFont& font, RasterBitmap& backBuffer)
{
    for (const Readout& readout : kReadouts) {
        RasterRect band = readout.band;
        benchmark::DoNotOptimize(font.RenderText(&backBuffer, readout.text, -1, &band, kValueFormat));
    }
}

struct BackBuffer {
    DibBitmap pixels{kEditorWidth, kEditorHeight};
    BackBuffer() { FillRect(&pixels, 0, 0, kEditorWidth, kEditorHeight, 0xFF2B2D30, 1.0f, BlendCopy); }
};

void BM_ReadoutsWarm(benchmark::State& state)
{
    BackBuffer back;
    auto font = ValueFont();
    if (!font) {
        state.SkipWithError("no font");
        return;
    }
    DrawReadouts(*font, back.pixels);
    for (auto _ : state) {
        DrawReadouts(*font, back.pixels);
    }
}
BENCHMARK(BM_ReadoutsWarm)->Unit(benchmark::kMicrosecond);

void BM_ReadoutsColdFirstDraw(benchmark::State& state)
{
    BackBuffer back;
    auto keepScratch = ValueFont();  // so the shared scratch surfaces outlive each cold font
    for (auto _ : state) {
        state.PauseTiming();
        auto font = ValueFont();
        state.ResumeTiming();
        DrawReadouts(*font, back.pixels);
        state.PauseTiming();
        font.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadoutsColdFirstDraw)->Unit(benchmark::kMicrosecond);

void BM_PeerBandBackgroundBlit(benchmark::State& state)
{
    BackBuffer back;
    DibBitmap ground(kEditorWidth, kEditorHeight);
    FillRect(&ground, 0, 0, kEditorWidth, kEditorHeight, 0xFF202020, 1.0f, BlendCopy);
    for (auto _ : state) {
        for (const Readout& readout : kReadouts) {
            Blit(&back.pixels, &ground, readout.band.left, readout.band.top, &readout.band, 1.0f, BlendCopy);
        }
        benchmark::DoNotOptimize(back.pixels.Pixels());
    }
}
BENCHMARK(BM_PeerBandBackgroundBlit)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
