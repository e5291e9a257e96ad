// Running cvxcfg.exe from the tests, as an administrator would.
#pragma once
#include <string>

#include "harness/harness.h"
#include "harness/program.h"

namespace cvxtest {

inline ProgramResult Cvxcfg(const std::vector<std::string> &args) { return RunTool("cvxcfg.exe", args); }

}  // namespace cvxtest
