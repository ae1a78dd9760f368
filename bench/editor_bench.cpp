// The editor's drawing cost: a full repaint of the face and the repaint after one knob
// moves, against a plain copy of the background (the least any repaint does), and the
// time from the entry point to a ready instance, first and further.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "editor/editor_view.h"
#include "effect/ruckstone.h"
#include "raster/blend.h"
#include "raster/png_loader.h"

namespace {
using Clock = std::chrono::steady_clock;

std::unique_ptr<VSTCLASS> MakeInstance()
{
    auto effect = std::make_unique<VSTCLASS>(nullptr);
    effect->EnsureOneProgram();
    return effect;
}

// Measured once, before anything else decodes the images or makes the fonts.
double FirstInstanceMicroseconds()
{
    static const double first = [] {
        const auto start = Clock::now();
        MakeInstance();
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    }();
    return first;
}

IEditorView& ViewOf(VSTCLASS& effect)
{
    return *static_cast<IEditorView*>(effect.EditorView());
}

const IBounds kFace = {0, 0, 454, 296};

void BM_BackgroundCopy(benchmark::State& state)
{
    auto effect = MakeInstance();
    std::unique_ptr<RasterBitmap> background(LoadPngFromResource(nullptr, 100, nullptr));
    DibBitmap back(454, 296);
    for (auto _ : state) {
        Blit(&back, background.get(), 0, 0, nullptr, 1.0f, BlendCopy);
        benchmark::ClobberMemory();
    }
}

void BM_FullRepaint(benchmark::State& state)
{
    auto effect = MakeInstance();
    IEditorView& view = ViewOf(*effect);
    view.PaintArea(kFace);
    for (auto _ : state) {
        view.PaintArea(kFace);
        benchmark::ClobberMemory();
    }
}

void BM_RepaintAfterOneKnobMoves(benchmark::State& state)
{
    auto effect = MakeInstance();
    IEditorView& view = ViewOf(*effect);
    AEffect* record = effect->Effect();
    view.PaintArea(kFace);
    float value = 0.0f;
    for (auto _ : state) {
        value = value > 0.9f ? 0.0f : value + 0.07f;
        record->setParameter(record, kGain, value);
        IBounds dirty;
        while (view.CollectDirty(dirty)) {  // the change and its one-frame echo
            view.PaintArea(dirty);
        }
        benchmark::ClobberMemory();
    }
}

void BM_FurtherInstance(benchmark::State& state)
{
    state.counters["first_instance_us"] = FirstInstanceMicroseconds();
    for (auto _ : state) {
        auto effect = MakeInstance();
        benchmark::DoNotOptimize(effect.get());
    }
}
}  // namespace

BENCHMARK(BM_FurtherInstance)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BackgroundCopy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RepaintAfterOneKnobMoves)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    FirstInstanceMicroseconds();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
