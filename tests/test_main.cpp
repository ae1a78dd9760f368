// Entry point of every unit-test executable. On Windows an unhandled exception (an access
// violation, say) must end the process with a known non-zero code: under Wine a crash can
// otherwise exit with 0 and look like a pass.
#include <gtest/gtest.h>

#include "test_support.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>

namespace {
LONG WINAPI ReportCrashAndExit(EXCEPTION_POINTERS* info)
{
    const auto* record = info ? info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "unhandled exception 0x%08lx at %p: test process terminated\n",
                 record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul,
                 record ? record->ExceptionAddress : nullptr);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), ruck::test::kCrashExitCode);
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    SetUnhandledExceptionFilter(ReportCrashAndExit);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
