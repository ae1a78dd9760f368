#include "heap_watch.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void __libc_free(void* ptr);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {
thread_local bool counting = false;
thread_local long heapCalls = 0;
thread_local void* firstCaller = nullptr;

void Count(void* caller)
{
    if (counting) {
        if (heapCalls++ == 0) {
            firstCaller = caller;
        }
    }
}
}  // namespace

extern "C" void* malloc(size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* ptr, size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_realloc(ptr, size);
}

extern "C" void free(void* ptr)
{
    if (ptr != nullptr) {
        Count(__builtin_return_address(0));
    }
    __libc_free(ptr);
}

void* operator new(size_t size)
{
    Count(__builtin_return_address(0));
    if (void* p = __libc_malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](size_t size)
{
    return operator new(size);
}

extern "C" void* aligned_alloc(size_t alignment, size_t size)
{
    Count(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

extern "C" int posix_memalign(void** result, size_t alignment, size_t size)
{
    Count(__builtin_return_address(0));
    *result = __libc_memalign(alignment, size);
    return *result != nullptr ? 0 : ENOMEM;
}

void* operator new(size_t size, std::align_val_t alignment)
{
    Count(__builtin_return_address(0));
    if (void* p = __libc_memalign(static_cast<size_t>(alignment), size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](size_t size, std::align_val_t alignment)
{
    return operator new(size, alignment);
}

void operator delete(void* ptr, std::align_val_t) noexcept
{
    free(ptr);
}

void operator delete[](void* ptr, std::align_val_t) noexcept
{
    free(ptr);
}

void operator delete(void* ptr, size_t, std::align_val_t) noexcept
{
    free(ptr);
}

void operator delete[](void* ptr, size_t, std::align_val_t) noexcept
{
    free(ptr);
}

void operator delete(void* ptr) noexcept
{
    free(ptr);
}

void operator delete[](void* ptr) noexcept
{
    free(ptr);
}

void operator delete(void* ptr, size_t) noexcept
{
    free(ptr);
}

void operator delete[](void* ptr, size_t) noexcept
{
    free(ptr);
}

HeapWatch::HeapWatch()
{
    heapCalls = 0;
    firstCaller = nullptr;
    counting = true;
}

HeapWatch::~HeapWatch()
{
    counting = false;
}

long HeapWatch::Stop()
{
    counting = false;
    return heapCalls;
}

std::string HeapWatch::FirstCaller() const
{
    Dl_info info = {};
    if (firstCaller != nullptr && dladdr(firstCaller, &info) != 0 && info.dli_sname != nullptr) {
        return info.dli_sname;
    }
    return "an unnamed caller";
}

HeapWatchPause::HeapWatchPause() : was(counting)
{
    counting = false;
}

HeapWatchPause::~HeapWatchPause()
{
    counting = was;
}

WatchedBlock::WatchedBlock(int frames)
    : floats(4 * static_cast<size_t>(frames), 0.25f),
      doubles(4 * static_cast<size_t>(frames), 0.25),
      floatIn{&floats[0], &floats[frames]},
      floatOut{&floats[2 * frames], &floats[3 * frames]},
      doubleIn{&doubles[0], &doubles[frames]},
      doubleOut{&doubles[2 * frames], &doubles[3 * frames]}
{
}
