// A test that must crash: it proves a crashing test process is reported as a failure
// (on Windows, through the exit code of test_main's exception filter).
#include <gtest/gtest.h>

namespace {
volatile int* volatile nowhere = nullptr;
}

TEST(CrashProbe, DereferencesNull)
{
    *nowhere = 1;
    FAIL() << "still running after writing through a null pointer";
}
