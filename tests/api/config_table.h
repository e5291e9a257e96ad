// Table steps for the configuration exports: a call, its result and the
// exact text of CVEX.INI it leaves; and string lists "A\0B\0\0".
#pragma once
#include <cstring>

#include "harness/harness.h"

namespace cvxtest {

inline std::string List(std::initializer_list<std::string> names)
{
    std::string list;
    for (const std::string &name : names) list.append(name).push_back('\0');
    return list + (names.size() ? "" : std::string(1, '\0')) + '\0';
}

// text with each {from, to} replaced at its first place.
inline std::string Sub(std::string text, std::initializer_list<std::pair<std::string, std::string>> edits)
{
    for (const auto &[from, to] : edits) {
        const size_t at = text.find(from);
        EXPECT_NE(std::string::npos, at) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

// start: the file to write first (kKeep: go on from the last step's file).
// after: the whole file the call leaves (kSame: the file it found).
inline const std::string kKeep = "<keep>", kSame = "<same>";
struct Step { const char *what; std::string start; std::function<long()> call; long result; std::string after; };

class ConfigTable : public CleanTest {
protected:
    void Run(const std::vector<Step> &steps)
    {
        for (const Step &s : steps) {
            if (s.start != kKeep) { ASSERT_TRUE(WriteFileText(ini_, s.start)) << s.what; }
            const std::string before = ReadFileText(ini_);
            EXPECT_EQ(s.result, s.call()) << s.what;
            EXPECT_EQ(s.after == kSame ? before : s.after, ReadFileText(ini_)) << s.what;
        }
    }
};

}  // namespace cvxtest
