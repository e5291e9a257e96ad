// cvxcfg's command line: help for every command, usage errors with exit
// code 2 and a message naming the value, nothing changed on a usage error.
#include <sstream>

#include "cvxcfg_tool.h"

namespace cvxtest {
namespace {

class CvxcfgCli : public CleanTest {};

// Every command the overview lists answers --help with its own usage line.
TEST_F(CvxcfgCli, EveryListedCommandHasHelp)
{
    ProgramResult overview = Cvxcfg({"help"});
    ASSERT_EQ(0, overview.exitCode) << overview.err;
    std::vector<std::pair<std::string, std::string>> commands;
    size_t pos = overview.out.find("commands:\n");
    ASSERT_NE(std::string::npos, pos);
    std::istringstream lines(overview.out.substr(pos + 10));
    for (std::string line; std::getline(lines, line) && !line.empty();) {
        std::istringstream words(line.substr(2, 44));
        std::string family, verb;
        words >> family >> verb;
        if (verb.empty() || verb[0] < 'a' || verb[0] > 'z') verb.clear();
        commands.emplace_back(family, verb);
    }
    ASSERT_GE(commands.size(), 15u);
    for (const auto &[family, verb] : commands) {
        ProgramResult help = verb.empty() ? Cvxcfg({family, "--help"}) : Cvxcfg({family, verb, "--help"});
        std::string name = family + (verb.empty() ? "" : " " + verb);
        EXPECT_EQ(0, help.exitCode) << name;
        EXPECT_EQ(0u, help.out.find("usage: cvxcfg " + name)) << help.out;
        EXPECT_NE(std::string::npos, help.out.find("--json")) << name;
    }
    // "help COMMAND" is the same as "COMMAND --help".
    EXPECT_EQ(Cvxcfg({"groups", "add", "--help"}).out, Cvxcfg({"help", "groups", "add"}).out);
}

TEST_F(CvxcfgCli, UsageErrorsNameWhatIsWrong)
{
    struct Case {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"groups", "explode"}, "groups: unexpected argument \"explode\""},
        {{"groups", "--colour"}, "groups: unknown option \"--colour\""},
        {{"--verbose", "groups"}, "unknown option \"--verbose\" before the command"},
        {{"groups", "show"}, "groups show: missing argument (usage: cvxcfg groups show NAME)"},
        {{"groups", "show", "A", "B"}, "groups show: unexpected argument \"B\""},
        {{"server", "set", "--buffer-space"}, "server set: option --buffer-space needs N"},
        {{"server", "set", "--buffer-space", "12k"}, "server set: --buffer-space takes a number, not \"12k\""},
        {{"server", "set", "--status", "sleeping"}, "--status takes active, inactive or no, not \"sleeping\""},
        {{"server", "set"}, "server set: nothing to set"},
        {{"services", "--selected=yes"}, "option --selected takes no value, given \"yes\""},
        {{"groups", "params", "G", "--inbound", "maybe"}, "--inbound takes yes or no, not \"maybe\""},
        {{"groups", "members", "G", "swap", "L"}, "the action is add, remove or set, not \"swap\""},
    };
    for (const Case &c : cases) {
        ProgramResult run = Cvxcfg(c.args);
        EXPECT_EQ(2, run.exitCode) << c.message;
        EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
        EXPECT_EQ(0u, run.err.find("cvxcfg: ")) << run.err;
    }
    // Nothing was written by any of them.
    EXPECT_FALSE(FileExists(ini_));
}

// Values are read before anything is stored: a bad one leaves the file alone.
TEST_F(CvxcfgCli, BadValueChangesNothing)
{
    ASSERT_TRUE(WriteFileText(ini_, "[COMMON]\r\nNAME=ALPHA\r\n"));
    ProgramResult run = Cvxcfg({"server", "set", "--name", "BETA", "--timeout", "soon"});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ("[COMMON]\r\nNAME=ALPHA\r\n", ReadFileText(ini_));
}

// A crafted file must not drive the administrator's terminal.
TEST_F(CvxcfgCli, ControlCharactersOfTheFileAreShownEscaped)
{
    ASSERT_TRUE(WriteFileText(ini_, "[COMMON]\r\nNAME=A\x1b[2J\x07\x7f\r\n"));
    ProgramResult run = Cvxcfg({"server"});
    EXPECT_NE(std::string::npos, run.out.find("A\\x1b[2J\\x07\\x7f")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find_first_of("\x1b\x07\x7f"));
    EXPECT_EQ("A\x1b[2J\x07\x7f", CvxcfgJson({"server"})["name"].string);
}

TEST_F(CvxcfgCli, OptionsTakeEitherFormAndJsonGoesAnywhere)
{
    ProgramResult a = Cvxcfg({"server", "set", "--timeout=7", "--json"});
    ProgramResult b = Cvxcfg({"--json", "server"});
    ASSERT_EQ(0, a.exitCode) << a.err;
    EXPECT_EQ(a.out, b.out);
    Json json;
    ASSERT_TRUE(ParseJson(b.out, &json));
    EXPECT_EQ(7, json["timeout"].number);
    // "--" ends the options: a group may be named like one.
    ProgramResult dash = Cvxcfg({"groups", "add", "--", "--odd"});
    EXPECT_EQ(0, dash.exitCode) << dash.err;
    EXPECT_NE(std::string::npos, ReadFileText(ini_).find("NAME=--odd"));
}

}  // namespace
}  // namespace cvxtest
