// A loadable module that is not a VST2 plug-in: it has no entry point.
#ifdef _WIN32
#define TEST_EXPORT __declspec(dllexport)
#else
#define TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TEST_EXPORT int RuckTestAnswer()
{
    return 42;
}
