// Heap calls made inside a stretch of code on this thread. The executable that links
// heap_watch.cpp replaces malloc, calloc, realloc, the aligned allocations, free and
// operator new/delete for the whole process (a loaded plug-in's calls land there too).
// Linux with glibc only, and not under the sanitizers, which bring their own allocator.
#pragma once

#include <string>
#include <vector>

// Counts the heap calls of this thread from its construction to Stop (or its end).
class HeapWatch {
public:
    HeapWatch();
    ~HeapWatch();
    HeapWatch(const HeapWatch&) = delete;
    HeapWatch& operator=(const HeapWatch&) = delete;

    // Ends the count (before anything that reports it allocates) and returns it.
    long Stop();
    // After Stop: the function that made the first counted call, by name when the loader knows it.
    std::string FirstCaller() const;
};

// Within a watch: the calls made while this lives (the host's own answers to a plug-in,
// which are the host's business) do not count.
class HeapWatchPause {
public:
    HeapWatchPause();
    ~HeapWatchPause();
    HeapWatchPause(const HeapWatchPause&) = delete;
    HeapWatchPause& operator=(const HeapWatchPause&) = delete;

private:
    bool was;
};

// Stereo input and output of one block at both sample sizes, for a watched processing call.
struct WatchedBlock {
    explicit WatchedBlock(int frames);
    std::vector<float> floats;
    std::vector<double> doubles;
    float* floatIn[2];
    float* floatOut[2];
    double* doubleIn[2];
    double* doubleOut[2];
};
