// Building the face while memory runs short. This program replaces the allocator with one
// that refuses a run of requests: one, or every one from a chosen request on. On Linux it can
// refuse C allocations too, which the control list grows with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>

#include "editor/control.h"
#include "editor/editor_view.h"
#include "effect/ruckstone.h"

namespace {

constexpr long kEveryRequest = -1;

// Requests to grant before refusing, and how many to refuse then (kEveryRequest: all).
long grantsLeft = -1;  // negative: the allocator grants everything
long refusalsLeft = 0;
bool refused = false;

bool Grant()
{
    if (grantsLeft < 0) {
        return true;
    }
    if (grantsLeft > 0) {
        --grantsLeft;
        return true;
    }
    if (refusalsLeft == 0) {
        return true;
    }
    if (refusalsLeft > 0) {
        --refusalsLeft;
    }
    refused = true;
    return false;
}

}  // namespace

#if defined(__linux__)
#if defined(__SANITIZE_ADDRESS__)
extern "C" void* __interceptor_malloc(std::size_t size);
extern "C" void* __interceptor_realloc(void* block, std::size_t size);
#define RUCK_NEXT_MALLOC __interceptor_malloc
#define RUCK_NEXT_REALLOC __interceptor_realloc
#else
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_realloc(void* block, std::size_t size);
#define RUCK_NEXT_MALLOC __libc_malloc
#define RUCK_NEXT_REALLOC __libc_realloc
#endif

namespace {
bool cRequestsCount = false;  // whether C allocations are granted and refused too
}  // namespace

extern "C" void* malloc(std::size_t size)
{
    return !cRequestsCount || Grant() ? RUCK_NEXT_MALLOC(size) : nullptr;
}

extern "C" void* realloc(void* block, std::size_t size)
{
    return !cRequestsCount || Grant() ? RUCK_NEXT_REALLOC(block, size) : nullptr;
}
#else
#define RUCK_NEXT_MALLOC std::malloc
#endif

namespace {

void* Allocate(std::size_t size)
{
    return Grant() ? RUCK_NEXT_MALLOC(size == 0 ? 1 : size) : nullptr;
}

void* AllocateOrThrow(std::size_t size)
{
    if (void* block = Allocate(size)) {
        return block;
    }
    throw std::bad_alloc();
}

IVstPlugin* MakeRuckstone(audioMasterCallback host)
{
    return new VSTCLASS(host);
}

// Builds the effect with the given run of refusals; true when any request was refused.
bool BuildWhileRefusing(long granted, long refusals, int* failures)
{
    refused = false;
    refusalsLeft = refusals;
    grantsLeft = granted;
    AEffect* effect = CreateVstEffect(nullptr, MakeRuckstone);
    grantsLeft = -1;
    if (effect == nullptr) {
        EXPECT_TRUE(refused) << granted;
        ++*failures;
        return true;
    }
    const auto* view = static_cast<IEditorView*>(IVstPlugin::FromEffect(effect)->EditorView());
    EXPECT_NE(view, nullptr) << granted << " " << refusals;
    EXPECT_EQ(view ? view->ControlCount() : 0, 13) << granted << " " << refusals;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    return refused;
}

}  // namespace

void* operator new(std::size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new[](std::size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

// Whichever allocation fails, the entry point answers null or a whole effect, never one
// whose face lacks a control.
TEST(FaceUnderMemoryPressure, TheEntryPointAnswersNullOrAWholeEffect)
{
    for (long refusals : {1L, kEveryRequest}) {
        int failures = 0;
        long granted = 0;
        while (BuildWhileRefusing(granted, refusals, &failures) && !HasFailure()) {
            ++granted;
        }
        // Every control is one request at least, and refusing it must fail the whole effect.
        EXPECT_GE(failures, 13) << refusals;
    }
}

#if defined(__linux__)
// The same with C allocations refused too, which the base's parameter, program and pin lists
// grow with: a list that cannot grow fails the construction instead of leaving it short.
TEST(FaceUnderMemoryPressure, ListsThatCannotGrowFailTheWholeEffect)
{
    // Two in a row: a list that cannot realloc tries a fresh block before it gives up.
    constexpr long kRealloc = 2;
    cRequestsCount = true;
    int failures = 0;
    long granted = 0;
    while (BuildWhileRefusing(granted, kRealloc, &failures) && !HasFailure()) {
        ++granted;
    }
    cRequestsCount = false;
    EXPECT_GE(failures, 13);
}

// A control the list cannot take is deleted (the leak check would see it) and reported.
TEST(FaceUnderMemoryPressure, AControlTheListCannotTakeIsDeletedAndReported)
{
    std::unique_ptr<VSTCLASS> effect(new VSTCLASS(nullptr));
    std::unique_ptr<IEditorView> view(CreatePlatformEditorView(effect.get(), 100, 100, 0));
    const IImageStrip handle = view->LoadImage(103, "img/slider.png", 1);
    auto* control = new IBitmapControl(effect.get(), handle, true, IBlend{});
    cRequestsCount = true;
    refusalsLeft = kEveryRequest;
    grantsLeft = 0;
    const int index = view->AddControl(control);
    grantsLeft = -1;
    cRequestsCount = false;
    EXPECT_EQ(index, -1);
    EXPECT_EQ(view->ControlCount(), 0);
    EXPECT_EQ(view->AddControl(nullptr), -1);
}
#endif
