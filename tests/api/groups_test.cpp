// Groups through the exports: enumerations, membership edits, parameters,
// adding, deleting and purging, checked against the exact text of CVEX.INI.
#include <utility>

#include "config_table.h"
#include "cvxutil.h"

using namespace cvxtest;

namespace {

// Lines L1 to L3 and the groups given: a name (none when empty), a LINES
// value (none when empty) and the keys that follow.
struct Group {
    std::string name, lines = "", rest = "";
};
std::string File(const std::vector<Group> &groups)
{
    std::string text = "[SERVER]\r\nLINES=3\r\nGROUPS=" + std::to_string(groups.size()) +
                       "\r\n[LINE1]\r\nNAME=L1\r\n[LINE2]\r\nNAME=L2\r\n[LINE3]\r\nNAME=L3\r\n";
    for (size_t i = 0; i < groups.size(); ++i) {
        text += "[GROUP" + std::to_string(i + 1) + "]\r\n";
        if (!groups[i].name.empty()) text += "NAME=" + groups[i].name + "\r\n";
        if (!groups[i].lines.empty()) text += "LINES=" + groups[i].lines + "\r\n";
        text += groups[i].rest;
    }
    return text;
}
std::string G(const std::string &g1, const std::string &g2, const std::string &g3)
{
    return File({{"G1", g1}, {"G2", g2}, {"G3", g3}});
}

const std::string n126(126, 'n');
const std::string kFull = "(" + n126 + "," + n126 + "," + n126 + "," + n126 + ",x)";  // 511 characters

std::function<long()> Modify(int operation, const char *name, const std::string &value)
{
    return [=] { return long(CVU_ModifyGroupLinesA(operation, name, value.c_str())); };
}

class Groups : public ConfigTable {};

TEST_F(Groups, EnumerationsSelectCountAndStopAtTheBuffer)
{
    const std::string file = "[SERVER]\r\nLINES=4\r\nGROUPS=4\r\n"
                             "[LINE1]\r\nNAME=Modem A\r\n[LINE2]\r\nNAME=Fax\r\n[LINE3]\r\nNAME=Isdn\r\n"
                             "[LINE4]\r\nNAME=Direct\r\n[LINE5]\r\nNAME=NotALine\r\n"
                             "[GROUP1]\r\nNAME=Sales\r\nLINES=(Modem A,FAX)\r\n"
                             "[GROUP2]\r\nNAME=Support\r\nLINES=(Direct)\r\n"
                             "[GROUP3]\r\nNAME=Night\r\n"
                             "[GROUP4]\r\nNAME=All\r\nLINES=(Modem A,Fax,Isdn,Direct)\r\n";
    ASSERT_TRUE(WriteFileText(ini_, file));
    const Names all = {"Modem A", "Fax", "Isdn", "Direct"};
    struct Row {
        int selector;
        const char *name;
        DWORD size, result;
        Names names;
    } rows[] = {
        {CVU_ENUM_ALLGROUPS, nullptr, 512, 0, {"Sales", "Support", "Night", "All"}},
        {CVU_ENUM_GROUPSWITHLINE, "fax", 512, 0, {"Sales", "All"}},
        {CVU_ENUM_GROUPSWITHLINE, "Nobody", 512, 0, {}},
        {CVU_ENUM_GROUPSWITHOUTLINE, "FAX", 512, 0, {"Support", "Night"}},
        // LINE5 lies beyond the count.
        {CVU_ENUM_ALLLINES, nullptr, 512, 0, all},
        {CVU_ENUM_LINESOFGROUP, "sales", 512, 0, {"Modem A", "FAX"}},
        {CVU_ENUM_LINESNOTINGROUP, "SALES", 512, 0, {"Isdn", "Direct"}},
        {CVU_ENUM_LINESNOTINGROUP, "Night", 512, 0, all},
        {CVU_ENUM_LINESNOTINGROUP, "all", 512, 0, {}},
        {4, "Sales", 512, 87, {}},
        {33, "Sales", 512, 87, {}},
        {CVU_ENUM_LINESOFGROUP, "Nobody", 512, 87, {}},
        {CVU_ENUM_LINESNOTINGROUP, "Nobody", 512, 87, {}},
        // What fitted stays and is counted.
        {CVU_ENUM_ALLGROUPS, nullptr, 14, 122, {"Sales"}},
        {CVU_ENUM_ALLGROUPS, nullptr, 21, 122, {"Sales", "Support", "Night"}},
        {CVU_ENUM_ALLGROUPS, nullptr, 25, 0, {"Sales", "Support", "Night", "All"}},
        {CVU_ENUM_ALLLINES, nullptr, 10, 122, {"Modem A"}},
        {CVU_ENUM_LINESOFGROUP, "Sales", 12, 122, {"Modem A"}},
        {CVU_ENUM_GROUPSWITHOUTLINE, "Fax", 8, 122, {}},
        // Lines outside a group need room for themselves only.
        {CVU_ENUM_LINESNOTINGROUP, "Sales", 13, 0, {"Isdn", "Direct"}},
        {CVU_ENUM_LINESNOTINGROUP, "Sales", 12, 122, {"Isdn"}},
    };
    for (const Row &r : rows) {
        char buffer[514];
        std::memset(buffer, 'x', sizeof buffer);
        buffer[512] = buffer[513] = '\0';
        DWORD count = 12345;
        EXPECT_EQ(r.result, CVU_EnumGroupsLinesA(r.selector, r.name, buffer, r.size, &count)) << r.selector << r.name;
        EXPECT_EQ(r.names.size(), count) << r.selector << r.name;
        if (r.result != 87) { EXPECT_EQ(r.names, Entries(buffer)) << r.selector << r.name; }
    }
    EXPECT_EQ(file, Text());

    // The line count is bounded by the sections there are; nameless lines
    // and counts that are no number give nothing.
    const std::vector<std::pair<std::string, Names>> counts = {
        {"LINES=1000000\r\n[LINE2]\r\nPORTNAME=COM2\r\n[LINE3]\r\nNAME=Three\r\n", {"One", "Three"}},
        {"LINES=-3\r\n", {}},
        {"LINES=x\r\n", {}}};
    for (const auto &[text, lines] : counts) {
        ASSERT_TRUE(WriteFileText(ini_, "[LINE1]\r\nNAME=One\r\n[SERVER]\r\n" + text));
        char buffer[512];
        EXPECT_EQ(0u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLLINES, nullptr, buffer, sizeof buffer, nullptr)) << text;
        EXPECT_EQ(lines, Entries(buffer)) << text;
    }
}

TEST_F(Groups, MembershipEditsWriteTheListsOfTheNamedGroups)
{
    const std::string full = G(kFull, "(L1,L2)", "");
    Run({
        {"add", G("(L1)", "(L1,L2)", ""), Modify(CVU_GL_ADDLINE, "g1", "L2"), 0, G("(L1,L2)", "(L1,L2)", "")},
        {"add again", kKeep, Modify(CVU_GL_ADDLINE, "G1", "l2"), 0, kSame},
        {"add to an empty group", kKeep, Modify(CVU_GL_ADDLINE, "G3", "L3"), 0, G("(L1,L2)", "(L1,L2)", "(L3)")},
        {"add to nobody", kKeep, Modify(CVU_GL_ADDLINE, "Nobody", "L1"), 87, kSame},
        {"add a comma", kKeep, Modify(CVU_GL_ADDLINE, "G1", "A,B"), 87, kSame},
        {"add several", kKeep, Modify(CVU_GL_ADDLINES, "G1", List({"L2", "L3", "l2", "L1"})), 0,
         G("(L1,L2,L3)", "(L1,L2)", "(L3)")},
        {"add none", kKeep, Modify(CVU_GL_ADDLINES, "G1", List({})), 87, kSame},
        {"add all", kKeep, Modify(CVU_GL_ADDALLLINES, "g2", ""), 0, G("(L1,L2,L3)", "(L1,L2,L3)", "(L3)")},
        {"line to groups", kKeep, Modify(CVU_GL_ADDLINETOGROUPS, "New", List({"G1", "Nobody", "G3"})), 0,
         G("(L1,L2,L3,New)", "(L1,L2,L3)", "(L3,New)")},
        {"line to all", kKeep, Modify(CVU_GL_ADDLINETOALLGROUPS, "X", ""), 0,
         G("(L1,L2,L3,New,X)", "(L1,L2,L3,X)", "(L3,New,X)")},
        {"empty line to all", kKeep, Modify(CVU_GL_ADDLINETOALLGROUPS, "", ""), 87, kSame},
        {"remove", kKeep, Modify(CVU_GL_REMOVELINE, "G2", "l1"), 0, G("(L1,L2,L3,New,X)", "(L2,L3,X)", "(L3,New,X)")},
        {"remove several", kKeep, Modify(CVU_GL_REMOVELINES, "G1", List({"L3", "L9", "l1"})), 0,
         G("(L2,New,X)", "(L2,L3,X)", "(L3,New,X)")},
        {"line from groups", kKeep, Modify(CVU_GL_REMOVELINEFROMGROUPS, "X", List({"G1", "Nobody", "G2"})), 0,
         G("(L2,New)", "(L2,L3)", "(L3,New,X)")},
        {"line from all", kKeep, Modify(CVU_GL_REMOVELINEFROMALLGROUPS, "new", ""), 0, G("(L2)", "(L2,L3)", "(L3,X)")},
        {"empty line from all", kKeep, Modify(CVU_GL_REMOVELINEFROMALLGROUPS, "", ""), 87, kSame},
        // The last line goes with the LINES key.
        {"remove the last", kKeep, Modify(CVU_GL_REMOVELINE, "G1", "L2"), 0, G("", "(L2,L3)", "(L3,X)")},
        {"remove all", kKeep, Modify(CVU_GL_REMOVEALLLINES, "g2", ""), 0, G("", "", "(L3,X)")},
        {"remove the last several", kKeep, Modify(CVU_GL_REMOVELINES, "G3", List({"x", "L3"})), 0, G("", "", "")},
        {"replace", kKeep, Modify(CVU_GL_SETLINES, "G1", List({"L3", "L2", "l3"})), 0, G("(L3,L2)", "", "")},
        {"replace a parenthesis", kKeep, Modify(CVU_GL_SETLINES, "G1", List({"L2", "L)"})), 87, kSame},
        {"replace nobody", kKeep, Modify(CVU_GL_SETLINES, "Nobody", List({"L1"})), 87, kSame},
        {"replace with null", kKeep, [] { return long(CVU_ModifyGroupLinesA(CVU_GL_SETLINES, "G1", nullptr)); }, 0,
         G("", "", "")},
        {"operation 6", kKeep, Modify(6, "G1", "L2"), 87, kSame},
        {"operation 257", kKeep, Modify(257, "G1", "L2"), 87, kSame},
        // A full list takes no new line and writes nothing; lines already
        // there need no room.
        {"full: add", full, Modify(CVU_GL_ADDLINE, "G1", "y"), 122, kSame},
        {"full: add one of two", kKeep, Modify(CVU_GL_ADDLINES, "G1", List({"x", "y"})), 122, kSame},
        {"full: add what is there", kKeep, Modify(CVU_GL_ADDLINES, "G1", List({"X", n126})), 0, kSame},
        {"full: replace", kKeep, Modify(CVU_GL_SETLINES, "G1", List({n126, n126 + "a", n126 + "b", n126 + "c", "xx"})),
         122, kSame},
        {"no groups", File({}), Modify(CVU_GL_ADDLINETOALLGROUPS, "L1", ""), 0, kSame},
        // A name stands for the first group that bears it in any case; a
        // section without a name is no group.
        {"first of each name", File({{"Sales", ""}, {"", "(L1)"}, {"SALES", "(L1)"}, {"Support", "(L1)"}}),
         Modify(CVU_GL_ADDLINETOALLGROUPS, "L2", ""), 0,
         File({{"Sales", "(L2)"}, {"", "(L1)"}, {"SALES", "(L1)"}, {"Support", "(L1,L2)"}})},
        {"first of each name: remove", kKeep, Modify(CVU_GL_REMOVELINEFROMALLGROUPS, "L1", ""), 0,
         File({{"Sales", "(L2)"}, {"", "(L1)"}, {"SALES", "(L1)"}, {"Support", "(L2)"}})},
        {"first of each name: named twice", kKeep,
         Modify(CVU_GL_ADDLINETOGROUPS, "L3", List({"sales", "SALES", "Nobody"})), 0,
         File({{"Sales", "(L2,L3)"}, {"", "(L1)"}, {"SALES", "(L1)"}, {"Support", "(L2)"}})},
    });
}

const std::string kNight = "CONFERENCE=f\r\nCALLFWD=Desk\r\nPHONE=555 0100\r\nINBOUND=0\r\n";
const std::string kParams = File({{"Sales", "(L1,L2,L3)"}, {"Night", "", kNight}});

GroupParams Record(DWORD mode, const std::string &callForward, const std::string &phone, DWORD inbound)
{
    GroupParams params{};
    params.conferenceMode = mode;
    std::memcpy(params.callForward, callForward.data(), callForward.size());
    std::memcpy(params.phone, phone.data(), phone.size());
    params.inbound = inbound;
    return params;
}

TEST_F(Groups, ParametersRead)
{
    const std::string odd = "[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=Odd\r\nCONFERENCE=Hold\r\n"
                            "CALLFWD=12345678901234567890\r\nPHONE=123456789012345678901234567890\r\nINBOUND=\r\n"
                            "[GROUP2]\r\nNAME=H\r\nCONFERENCE=h\r\n";
    struct Row {
        const char *file, *group;
        GroupParams record;
    } rows[] = {
        // INBOUND present and not empty is set, whatever its number.
        {kParams.c_str(), "NIGHT", Record(CVU_CONFERENCE_F, "Desk", "555 0100", 1)},
        {kParams.c_str(), "Sales", Record(0, "", "", 0)},
        {odd.c_str(), "odd", Record(0, "1234567890123456", "123456789012345678901234", 0)},
        {odd.c_str(), "H", Record(CVU_CONFERENCE_H, "", "", 0)},
    };
    for (const Row &r : rows) {
        ASSERT_TRUE(WriteFileText(ini_, r.file));
        GroupParams params;
        std::memset(&params, 0xCC, sizeof params);
        EXPECT_EQ(0u, CVU_GetGroupParamA(r.group, CVU_GROUPPARAM_RECORD, &params, sizeof params)) << r.group;
        EXPECT_EQ(0, std::memcmp(&r.record, &params, sizeof params)) << r.group;
    }

    ASSERT_TRUE(WriteFileText(ini_, kParams));
    struct Sized {
        const char *group;
        int selector;
        DWORD size, result;
        Names names;
    } sized[] = {
        {"sales", CVU_GROUPPARAM_NAME, 17, 0, {"Sales"}},
        {"sales", CVU_GROUPPARAM_NAME, 16, 122, {}},
        {"Sales", CVU_GROUPPARAM_LINES, 64, 0, {"L1", "L2", "L3"}},
        {"Night", CVU_GROUPPARAM_LINES, 2, 0, {}},
        // Too small for every line: the lines that fitted stay.
        {"Sales", CVU_GROUPPARAM_LINES, 8, 122, {"L1", "L2"}},
        {"Nobody", CVU_GROUPPARAM_NAME, 64, 87, {}},
        {"", CVU_GROUPPARAM_NAME, 64, 87, {}},
    };
    for (const Sized &s : sized) {
        char buffer[64] = {};
        EXPECT_EQ(s.result, CVU_GetGroupParamA(s.group, s.selector, buffer, s.size)) << s.group << s.size;
        if (s.result != 87 && !(s.result == 122 && s.selector == CVU_GROUPPARAM_NAME)) {
            EXPECT_EQ(s.names, Entries(buffer)) << s.group << s.size;
        }
    }
}

std::function<long()> SetRecord(const char *group, const GroupParams &params, BOOL create = FALSE)
{
    return [=] { return long(CVU_SetGroupParamA(group, CVU_GROUPPARAM_RECORD, &params, create)); };
}
std::function<long()> SetParam(const char *group, int selector, const std::string &value, BOOL create = FALSE)
{
    return [=] { return long(CVU_SetGroupParamA(group, selector, value.c_str(), create)); };
}

TEST_F(Groups, ParametersWritten)
{
    GroupParams filled;
    std::memset(&filled, 'A', sizeof filled);
    filled.conferenceMode = CVU_CONFERENCE_NONE;
    filled.inbound = 0;
    const Group sales = {"Sales", "(L1,L2,L3)"}, salesH = {"Sales", "(L1,L2,L3)", "CONFERENCE=H\r\nPHONE=555\r\nINBOUND=3\r\n"};
    const std::string nightF = "CONFERENCE=F\r\nCALLFWD=Desk 2\r\nINBOUND=0\r\n", nightLines = kNight + "LINES=(L3,L1)\r\n";
    const Group day = {"Day", "", "CONFERENCE=H\r\nINBOUND=0\r\n"};
    Run({
        // INBOUND holds the group's line count; empty fields lose their keys.
        {"record", kParams, SetRecord("sales", Record(CVU_CONFERENCE_H, "", "555", 1)), 0, File({salesH, {"Night", "", kNight}})},
        {"record without lines", kKeep, SetRecord("Night", Record(CVU_CONFERENCE_F, "Desk 2", "", 1)), 0,
         File({salesH, {"Night", "", nightF}})},
        {"no record", kKeep, [] { return long(CVU_SetGroupParamA("Sales", CVU_GROUPPARAM_RECORD, nullptr, FALSE)); }, 0,
         File({sales, {"Night", "", nightF}})},
        {"unknown mode, nothing set", kKeep, SetRecord("Night", Record(7, "", "", 0)), 0, File({sales, {"Night"}})},
        {"fields without an end", kKeep, SetRecord("Night", filled), 0,
         File({sales, {"Night", "", "CALLFWD=" + std::string(16, 'A') + "\r\nPHONE=" + std::string(24, 'A') + "\r\n"}})},
        {"rename", kParams, SetParam("Sales", CVU_GROUPPARAM_NAME, "RETAIL"), 0, File({{"RETAIL", "(L1,L2,L3)"}, {"Night", "", kNight}})},
        {"rename to nothing", kKeep, SetParam("retail", CVU_GROUPPARAM_NAME, ""), 87, kSame},
        {"lines", kKeep, SetParam("Night", CVU_GROUPPARAM_LINES, List({"L3", "L1"})), 0,
         File({{"RETAIL", "(L1,L2,L3)"}, {"Night", "", nightLines}})},
        {"no lines", kKeep, SetParam("Retail", CVU_GROUPPARAM_LINES, List({})), 0, File({{"RETAIL"}, {"Night", "", nightLines}})},
        // A list that cannot be stored is left out, yet the group was found.
        {"lines too long", kKeep, SetParam("Night", CVU_GROUPPARAM_LINES, List({n126, n126, n126, n126, "xx"})), 0, kSame},
        {"lines with a comma", kKeep, SetParam("Night", CVU_GROUPPARAM_LINES, List({"a,b"})), 0, kSame},
        // A name in use then finds the first group that bears it.
        {"rename to a name in use", kKeep, SetParam("Retail", CVU_GROUPPARAM_NAME, "night"), 0,
         File({{"night"}, {"Night", "", nightLines}})},
        {"the first of the name", kKeep, SetParam("Night", CVU_GROUPPARAM_NAME, "First"), 0,
         File({{"First"}, {"Night", "", nightLines}})},
        // Creating: never a name that could not be found again; the group is
        // made before the request is looked at.
        {"missing", kParams, SetRecord("Day", Record(CVU_CONFERENCE_H, "", "", 1)), 87, kSame},
        {"create 24 characters", kKeep, SetRecord("ABCDEFGHIJKLMNOPQRSTUVWX", Record(0, "", "", 0), TRUE), 87, kSame},
        {"create, bad selector", kKeep, SetParam("Day", 4, "", TRUE), 87, File({sales, {"Night", "", kNight}, {"Day"}})},
        {"create: record", kKeep, SetRecord("Day", Record(CVU_CONFERENCE_H, "", "", 1), TRUE), 0,
         File({sales, {"Night", "", kNight}, day})},
        {"create: lines", kKeep, SetParam("Late", CVU_GROUPPARAM_LINES, List({"L2"}), TRUE), 0,
         File({sales, {"Night", "", kNight}, day, {"Late", "(L2)"}})},
    });
}

TEST_F(Groups, AddDeleteAndPurgeKeepTheNumbering)
{
    const std::string big = "(" + n126 + "," + n126 + "," + n126 + "," + n126 + ",x)";
    const std::string two = "[GROUP1]\r\nNAME=One\r\n[GROUP2]\r\nNAME=Two\r\n";
    auto add = [](const char *name, const std::string &lines, BOOL replace) {
        return [=] { return long(CVU_AddGroupA(name, lines.data(), replace)); };
    };
    auto del = [](const char *name) { return [=] { return long(CVU_DeleteGroupA(name)); }; };
    Run({
        {"add", "", add("Sales", List({"LINE1", "LINE2"}), FALSE), 0,
         "[GROUP1]\r\nNAME=Sales\r\nLINES=(LINE1,LINE2)\r\n[SERVER]\r\nGROUPS=1\r\n"},
        {"name taken", kKeep, add("sales", List({"LINE3"}), FALSE), 0, kSame},
        {"replace", kKeep, add("SALES", List({"LINE3"}), TRUE), 0,
         "[GROUP1]\r\nNAME=Sales\r\nLINES=(LINE3)\r\n[SERVER]\r\nGROUPS=1\r\n"},
        {"replace without lines", kKeep, [] { return long(CVU_AddGroupA("Sales", nullptr, TRUE)); }, 0,
         "[GROUP1]\r\nNAME=Sales\r\n[SERVER]\r\nGROUPS=1\r\n"},
        {"second", kKeep, add("Support", List({}), FALSE), 0,
         "[GROUP1]\r\nNAME=Sales\r\n[SERVER]\r\nGROUPS=2\r\n[GROUP2]\r\nNAME=Support\r\n"},
        // Names are read back into 24 bytes; lists must read back whole.
        {"24 characters", kKeep, add("ABCDEFGHIJKLMNOPQRSTUVWX", List({}), FALSE), 87, kSame},
        {"a comma", kKeep, add("X", List({"A,B"}), FALSE), 87, kSame},
        {"128 characters", kKeep, add("X", List({std::string(128, 'n')}), FALSE), 87, kSame},
        {"511 characters", "", add("Big", List({n126, n126, n126, n126, "x"}), FALSE), 0,
         "[GROUP1]\r\nNAME=Big\r\nLINES=" + big + "\r\n[SERVER]\r\nGROUPS=1\r\n"},
        {"512 characters", kKeep, add("Big", List({n126, n126, n126, n126, "xx"}), TRUE), 122, kSame},
        {"23 characters", kKeep, add("ABCDEFGHIJKLMNOPQRSTUVW", List({}), FALSE), 0,
         "[GROUP1]\r\nNAME=Big\r\nLINES=" + big + "\r\n[SERVER]\r\nGROUPS=2\r\n[GROUP2]\r\nNAME=ABCDEFGHIJKLMNOPQRSTUVW\r\n"},
        // A new group goes after the sections that exist, over what a
        // section beyond the count left.
        {"count too high", "[SERVER]\r\nGROUPS=-1\r\n" + two, add("Three", List({}), FALSE), 0,
         "[SERVER]\r\nGROUPS=3\r\n" + two + "[GROUP3]\r\nNAME=Three\r\n"},
        {"leftover", "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=One\r\n[GROUP2]\r\nNAME=Old\r\nPHONE=555\r\n",
         add("New", List({}), FALSE), 0, "[SERVER]\r\nGROUPS=2\r\n" + two.substr(0, 20) + "[GROUP2]\r\nNAME=New\r\n"},
        {"beyond the count", "[SERVER]\r\nGROUPS=1\r\n" + two, del("Two"), 87, kSame},
        // Later groups move down with their own keys.
        {"delete", "[SERVER]\r\nGROUPS=3\r\n[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\n"
                   "[GROUP2]\r\nNAME=Two\r\nLINES=(B)\r\nPHONE=555\r\n[GROUP3]\r\nNAME=Three\r\nLINES=(C,D)\r\nCONFERENCE=H\r\n",
         del("two"), 0,
         "[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\n[GROUP2]\r\nNAME=Three\r\nLINES=(C,D)\r\nCONFERENCE=H\r\n"},
        {"delete again", kKeep, del("Two"), 87, kSame},
        {"delete the last", kKeep, del("Three"), 0, "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\n"},
        {"delete the only", kKeep, del("ONE"), 0, "[SERVER]\r\nGROUPS=0\r\n"},
        {"purge", "[SERVER]\r\nGROUPS=4\r\n[GROUP1]\r\nNAME=Empty1\r\n[GROUP2]\r\nNAME=One\r\nLINES=(A)\r\nPHONE=1\r\n"
                  "[GROUP3]\r\nNAME=Empty3\r\nLINES=()\r\nCALLFWD=X\r\n[GROUP4]\r\nNAME=Two\r\nLINES=(A,B)\r\n",
         [] { return long(CVU_PurgeEmptyGroups()); }, 0,
         "[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\nPHONE=1\r\n[GROUP2]\r\nNAME=Two\r\nLINES=(A,B)\r\n"},
        {"purge nothing", kKeep, [] { return long(CVU_PurgeEmptyGroups()); }, 0, kSame},
        // A name longer than 23 characters in the file is never found.
        {"long name", "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n",
         del("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 87, kSame},
    });

    // Counts that cannot be right are bounded by the sections that exist.
    for (const char *count : {"-1", "4294967295", "99999999999", "2000000000\r\n[GROUP1999999999]\r\nNAME=Far"}) {
        ASSERT_TRUE(WriteFileText(ini_, std::string("[SERVER]\r\nGROUPS=") + count + "\r\n" + two));
        char buffer[64];
        ASSERT_EQ(0u, CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, sizeof buffer, nullptr));
        EXPECT_EQ((Names{"One", "Two"}), Entries(buffer)) << count;
    }
}

}  // namespace
