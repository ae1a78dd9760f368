// libFuzzer target: PNG decoding from memory must give a surface or null for any
// input, never crash and never read past the data. Built only with -DRUCK_FUZZ=ON and clang
// (see raster/CMakeLists.txt); scripts/test.sh runs it for a bounded time from the seed
// corpus in tests/raster/corpus.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "raster/png_loader.h"

// libpng's default error handler prints one line per damaged input to stderr; at tens of
// thousands of inputs a second that would flood the log. libFuzzer reads its flags after
// this hook, so it adds -close_fd_mask=2 (stderr closed for the target; libFuzzer's own
// output and sanitizer reports still reach the log).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static char quiet[] = "-close_fd_mask=2";
    static char* args[256];
    int n = 0;
    for (; n < *argc && n < 254; ++n) {
        args[n] = (*argv)[n];
    }
    args[n++] = quiet;
    args[n] = nullptr;
    *argc = n;
    *argv = args;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exactly sized copy, so that any read past the end lands in ASan's redzone.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    if (size) {
        std::memcpy(copy.get(), data, size);
    }
    std::unique_ptr<RasterBitmap> made(LoadPngFromMemory(copy.get(), size, nullptr));
    if (made) {
        // Touch every decoded pixel: the surface must be as large as it says.
        std::uint32_t sum = 0;
        for (int y = 0; y < made->Height(); ++y) {
            const Pixel32* row = RasterRow(*made, y);
            for (int x = 0; x < made->Width(); ++x) {
                sum += row[x];
            }
        }
        volatile std::uint32_t sink = sum;
        (void)sink;
    }
    // Decoding into a given target: the target is returned or left alone, never deleted.
    MemoryBitmap target(3, 3, 4);
    RasterBitmap* into = LoadPngFromMemory(copy.get(), size, &target);
    if (into && into != &target) {
        __builtin_trap();
    }
    return 0;
}
