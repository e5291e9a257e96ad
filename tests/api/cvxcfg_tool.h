// Running cvxcfg.exe from the tests, as an administrator would.
#pragma once
#include <string>

#include "harness/harness.h"
#include "harness/json.h"
#include "harness/program.h"

namespace cvxtest {

inline ProgramResult Cvxcfg(const std::vector<std::string> &args) { return RunTool("cvxcfg.exe", args); }

// Runs with --json and parses what it prints; the test fails on other output
// or another exit code (expectedExit below 0: any code, stored in *exitCode).
inline Json CvxcfgJson(const std::vector<std::string> &args, int expectedExit = 0, int *exitCode = nullptr)
{
    std::vector<std::string> all = args;
    all.push_back("--json");
    std::string line = "\"" + ExeDirectory() + "cvxcfg.exe\"";
    for (const std::string &arg : all) line += " \"" + arg + "\"";
    ProgramResult run = RunProgram(line);
    if (exitCode) *exitCode = run.exitCode;
    if (expectedExit >= 0) EXPECT_EQ(expectedExit, run.exitCode) << line << "\n" << run.err;
    Json json;
    std::string error;
    EXPECT_TRUE(ParseJson(run.out, &json, &error)) << error << " in:\n" << run.out;
    return json;
}

}  // namespace cvxtest
