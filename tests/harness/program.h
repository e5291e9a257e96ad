// Runs a program of the build (cvxcfg.exe) as a user would: a child process
// whose standard output and error are captured.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace cvxtest {

struct ProgramResult {
    int exitCode = -1;  // -1: could not start; -2: did not end in time (killed)
    std::string out;    // standard output, line ends as "\n"
    std::string err;    // standard error, likewise
};

// One argument of a command line, quoted as the C runtime splits it again.
std::string QuoteArgument(const std::string &arg);

// commandLine is passed to CreateProcess as it is; a program named without a
// directory is looked for beside the test executable first.
ProgramResult RunProgram(const std::string &commandLine, DWORD timeoutMs = 60000);
// Same, for a program of the build directory with the arguments quoted.
ProgramResult RunTool(const char *program, const std::vector<std::string> &args, DWORD timeoutMs = 60000);

}  // namespace cvxtest
