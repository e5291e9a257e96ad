// Entry of every test executable: a child role when asked for one, else the
// tests.
#include <windows.h>

#include <cstdio>

#include "harness/harness.h"

namespace {
LONG WINAPI ReportCrash(EXCEPTION_POINTERS *info)
{
    // A crash must end the test with a message, not wait in a debugger.
    std::fprintf(stderr, "unhandled exception 0x%08lX at %p\n", info->ExceptionRecord->ExceptionCode,
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}
}  // namespace

int main(int argc, char **argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(ReportCrash);
    int role = cvxtest::DispatchChildRole(argc, argv);
    if (role >= 0) return role;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
