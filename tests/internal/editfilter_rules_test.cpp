// The keystroke rules of the edit filters.
#include <gtest/gtest.h>

#include "ui/portable/charfilter.h"

namespace {

using cvx::portable::CharVerdict;
using cvx::portable::JudgeChar;

TEST(EditFilterRules, ControlAndHighCodesPassEveryModeButTheCallback)
{
    for (uintptr_t c : {0x00u, 0x08u, 0x1Fu, 0x80u, 0xE9u, 0xFFu, 0x1E9u}) {
        EXPECT_EQ(CharVerdict::Accept, JudgeChar(1, "0123", c)) << c;
        EXPECT_EQ(CharVerdict::Accept, JudgeChar(1, nullptr, c)) << c;
        EXPECT_EQ(CharVerdict::Accept, JudgeChar(2, "\x08\xE9", c)) << c;
        EXPECT_EQ(CharVerdict::AskCallback, JudgeChar(3, nullptr, c)) << c;
    }
    // Blank and DEL are ordinary characters for the sets.
    for (uintptr_t c : {0x20u, 0x7Fu}) {
        EXPECT_EQ(CharVerdict::Refuse, JudgeChar(1, "0123", c)) << c;
        EXPECT_EQ(CharVerdict::Refuse, JudgeChar(2, " \x7F", c)) << c;
    }
}

TEST(EditFilterRules, SetsDecideOnTheLowByte)
{
    EXPECT_EQ(CharVerdict::Accept, JudgeChar(1, "0123", '2'));
    EXPECT_EQ(CharVerdict::Refuse, JudgeChar(1, "0123", 'a'));
    EXPECT_EQ(CharVerdict::Refuse, JudgeChar(1, "", '0'));
    EXPECT_EQ(CharVerdict::Refuse, JudgeChar(1, nullptr, '0'));
    EXPECT_EQ(CharVerdict::Refuse, JudgeChar(2, "abc", 'b'));
    EXPECT_EQ(CharVerdict::Accept, JudgeChar(2, "abc", 'B'));
    EXPECT_EQ(CharVerdict::Accept, JudgeChar(2, nullptr, 'b'));
    EXPECT_EQ(CharVerdict::Accept, JudgeChar(1, "A", 0x4141));
    EXPECT_EQ(CharVerdict::AskCallback, JudgeChar(3, "abc", 'x'));
    EXPECT_EQ(CharVerdict::Accept, JudgeChar(0, "abc", 'x'));
    EXPECT_EQ(CharVerdict::Accept, JudgeChar(4, "abc", 'x'));
}

}  // namespace
