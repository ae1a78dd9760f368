// Small helpers shared by the unit tests.
#pragma once

namespace ruck::test {

// Exit code of a test process that died from an unhandled exception (Windows).
constexpr unsigned kCrashExitCode = 70;

}  // namespace ruck::test
