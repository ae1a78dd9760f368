// Raster benchmark: the library's hot modes against pixman in the same run, on
// the same surfaces: opaque copy blit, source-alpha blit (pixman's OVER on the premultiplied
// equivalent), bilinear rotated blit of a 66 x 66 knob, solid fill. Prints megapixels per
// second of each and the ratio ruck / pixman (medians when repeated). Run:
//   build/<tree>/bench/raster_bench --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "raster/blend.h"

namespace {

constexpr int kWidth = 454;   // the editor's back buffer
constexpr int kHeight = 296;
constexpr int kKnob = 66;

void FillRandom(RasterBitmap& b, unsigned seed, bool opaque)
{
    std::mt19937 rng(seed);
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            Pixel32 p = static_cast<Pixel32>(rng());
            RasterRow(b, y)[x] = opaque ? (p | 0xFF000000u) : p;
        }
    }
}

// A knob-like image: an opaque disc with a soft edge, transparent corners.
void FillKnob(RasterBitmap& b)
{
    const double r = b.Width() / 2.0;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            const double d = std::hypot(x + 0.5 - r, y + 0.5 - r);
            const double a = std::fmin(1.0, std::fmax(0.0, r - d));
            const Pixel32 grey = static_cast<Pixel32>(40 + (x * 3 + y * 5) % 60);
            RasterRow(b, y)[x] = static_cast<Pixel32>(a * 255.0) << 24 | grey * 0x010101u;
        }
    }
}

// A pixman image over the premultiplied equivalent of a straight-alpha surface.
struct PixmanCopy {
    explicit PixmanCopy(RasterBitmap& b) : surface(b.Width(), b.Height(), 4)
    {
        for (int y = 0; y < b.Height(); ++y) {
            for (int x = 0; x < b.Width(); ++x) {
                const Pixel32 p = RasterRow(b, y)[x];
                const Pixel32 a = p >> 24;
                auto pm = [&](int shift) { return (((p >> shift) & 0xFF) * a + 127) / 255 << shift; };
                RasterRow(surface, y)[x] = a << 24 | pm(16) | pm(8) | pm(0);
            }
        }
        image = pixman_image_create_bits(PIXMAN_a8r8g8b8, b.Width(), b.Height(),
                                         reinterpret_cast<uint32_t*>(surface.Pixels()),
                                         surface.StridePixels() * 4);
    }
    ~PixmanCopy() { pixman_image_unref(image); }
    MemoryBitmap surface;
    pixman_image_t* image;
};

pixman_image_t* Wrap(RasterBitmap& b)
{
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, b.Width(), b.Height(),
                                    reinterpret_cast<uint32_t*>(b.Pixels()), b.StridePixels() * 4);
}

void SetPixels(benchmark::State& state, int pixels)
{
    state.counters["px"] = benchmark::Counter(static_cast<double>(pixels),
                                              benchmark::Counter::kIsIterationInvariantRate);
}

void Copy_ruck(benchmark::State& state)
{
    MemoryBitmap src(kWidth, kHeight, 4), dst(kWidth, kHeight, 4);
    FillRandom(src, 1, true);
    for (auto _ : state) {
        Blit(&dst, &src, 0, 0, nullptr, 1.0f, BlendCopy);
        benchmark::ClobberMemory();
    }
    SetPixels(state, kWidth * kHeight);
}

void Copy_pixman(benchmark::State& state)
{
    MemoryBitmap src(kWidth, kHeight, 4), dst(kWidth, kHeight, 4);
    FillRandom(src, 1, true);
    pixman_image_t* s = Wrap(src);
    pixman_image_t* d = Wrap(dst);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    SetPixels(state, kWidth * kHeight);
}

void SourceAlpha_ruck(benchmark::State& state)
{
    MemoryBitmap src(kWidth, kHeight, 4), dst(kWidth, kHeight, 4), back(kWidth, kHeight, 4);
    FillRandom(src, 2, false);
    FillRandom(back, 3, true);
    for (auto _ : state) {
        Blit(&dst, &back, 0, 0, nullptr, 1.0f, BlendCopy);
        Blit(&dst, &src, 0, 0, nullptr, 1.0f, BlendUseSourceAlpha);
        benchmark::ClobberMemory();
    }
    SetPixels(state, kWidth * kHeight);
}

void SourceAlpha_pixman(benchmark::State& state)
{
    MemoryBitmap src(kWidth, kHeight, 4), dst(kWidth, kHeight, 4), back(kWidth, kHeight, 4);
    FillRandom(src, 2, false);
    FillRandom(back, 3, true);
    PixmanCopy s(src);
    pixman_image_t* b = Wrap(back);
    pixman_image_t* d = Wrap(dst);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, b, nullptr, d, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        pixman_image_composite32(PIXMAN_OP_OVER, s.image, nullptr, d, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(b);
    pixman_image_unref(d);
    SetPixels(state, kWidth * kHeight);
}

constexpr float kAngle = 0.6f;  // about 34 degrees

void RotatedKnob_ruck(benchmark::State& state)
{
    MemoryBitmap knob(kKnob, kKnob, 4), dst(kWidth, kHeight, 4);
    FillKnob(knob);
    FillRandom(dst, 4, true);
    for (auto _ : state) {
        RotatedBlit(&dst, &knob, 34, 132, kKnob, kKnob, 0, 0, kKnob, kKnob, kAngle, false, 1.0f,
                    BlendUseSourceAlpha | BlendBilinear, 0, 0);
        benchmark::ClobberMemory();
    }
    SetPixels(state, kKnob * kKnob);
}

void RotatedKnob_pixman(benchmark::State& state)
{
    MemoryBitmap knob(kKnob, kKnob, 4), dst(kWidth, kHeight, 4);
    FillKnob(knob);
    FillRandom(dst, 4, true);
    PixmanCopy s(knob);
    pixman_image_t* d = Wrap(dst);
    // Destination point p samples the source at R(-angle) (p - centre) + centre.
    const double c = std::cos(kAngle), sn = std::sin(kAngle), h = kKnob / 2.0;
    pixman_transform_t t;
    pixman_transform_init_identity(&t);
    t.matrix[0][0] = pixman_double_to_fixed(c);
    t.matrix[0][1] = pixman_double_to_fixed(sn);
    t.matrix[0][2] = pixman_double_to_fixed(h - c * h - sn * h);
    t.matrix[1][0] = pixman_double_to_fixed(-sn);
    t.matrix[1][1] = pixman_double_to_fixed(c);
    t.matrix[1][2] = pixman_double_to_fixed(h + sn * h - c * h);
    pixman_image_set_transform(s.image, &t);
    pixman_image_set_filter(s.image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s.image, nullptr, d, 0, 0, 0, 0, 34, 132, kKnob, kKnob);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(d);
    SetPixels(state, kKnob * kKnob);
}

void Fill_ruck(benchmark::State& state)
{
    MemoryBitmap dst(kWidth, kHeight, 4);
    for (auto _ : state) {
        FillRect(&dst, 0, 0, kWidth, kHeight, 0xFF203040u, 1.0f, BlendCopy);
        benchmark::ClobberMemory();
    }
    SetPixels(state, kWidth * kHeight);
}

void Fill_pixman(benchmark::State& state)
{
    MemoryBitmap dst(kWidth, kHeight, 4);
    for (auto _ : state) {
        pixman_fill(reinterpret_cast<uint32_t*>(dst.Pixels()), dst.StridePixels(), 32, 0, 0, kWidth, kHeight,
                    0xFF203040u);
        benchmark::ClobberMemory();
    }
    SetPixels(state, kWidth * kHeight);
}

BENCHMARK(Copy_ruck);
BENCHMARK(Copy_pixman);
BENCHMARK(SourceAlpha_ruck);
BENCHMARK(SourceAlpha_pixman);
BENCHMARK(RotatedKnob_ruck);
BENCHMARK(RotatedKnob_pixman);
BENCHMARK(Fill_ruck);
BENCHMARK(Fill_pixman);

// Console output plus a closing table: megapixels per second and the ratio to pixman.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // With --benchmark_repetitions the median counts; otherwise the single run.
        for (const Run& run : runs) {
            auto it = run.counters.find("px");
            if (it == run.counters.end()) {
                continue;
            }
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[name] = it->second.value / 1e6;
            } else if (run.run_type == Run::RT_Iteration) {
                rates[name] = it->second.value / 1e6;
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-14s %14s %14s %8s\n", "mode", "ruck MP/s", "pixman MP/s", "ratio");
        for (const auto& [name, rate] : medians) {
            rates[name] = rate;
        }
        for (const char* mode : {"Copy", "SourceAlpha", "RotatedKnob", "Fill"}) {
            const double ours = rates[std::string(mode) + "_ruck"];
            const double theirs = rates[std::string(mode) + "_pixman"];
            std::printf("%-14s %14.1f %14.1f %8.2f\n", mode, ours, theirs, theirs > 0 ? ours / theirs : 0.0);
        }
    }

private:
    std::map<std::string, double> rates;
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
