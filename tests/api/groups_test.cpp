// Groups through the exports: the enumerations, and every change as a row
// of its result and the exact text of CVEX.INI it leaves.
#include "config_table.h"
#include "cvxutil.h"

using namespace cvxtest;

namespace {

// Lines L1 to L3 and the groups given: a name (none when empty), a LINES
// value (none when empty) and the keys that follow.
struct Group { std::string name, lines = "", rest = ""; };
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
// Groups G1 to G3 with these LINES values.
std::string G(std::string g1, std::string g2, std::string g3) { return File({{"G1", g1}, {"G2", g2}, {"G3", g3}}); }

const std::string n126(126, 'n'), kFull = "(" + n126 + "," + n126 + "," + n126 + "," + n126 + ",x)";  // 511 characters

auto Modify(int op, const char *name, std::string value) { return [=] { return long(CVU_ModifyGroupLinesA(op, name, value.c_str())); }; }

// The enumeration's result when it also counts and lists want ("A|B|"), else -1.
std::function<long()> Enum(int selector, const char *name, DWORD size, DWORD count, const std::string &want)
{
    return [=] {
        char buffer[514] = {};
        std::memset(buffer, 'x', 512);
        DWORD got = 12345;
        const DWORD rc = CVU_EnumGroupsLinesA(selector, name, buffer, size, &got);
        std::string names;
        for (const char *p = buffer; *p; p += std::strlen(p) + 1) names += std::string(p) + "|";
        return got == count && names == want ? long(rc) : -1;
    };
}

class Groups : public ConfigTable {};

const std::string kNight = "CONFERENCE=f\r\nCALLFWD=Desk\r\nPHONE=555 0100\r\nINBOUND=0\r\n";
const std::string kParams = File({{"Sales", "(L1,L2,L3)"}, {"Night", "", kNight}});

// 1 when the group's record reads back as want, over bytes that show every field left out.
std::function<long()> Reads(const char *group, GroupParams want)
{
    return [=] {
        GroupParams params;
        std::memset(&params, 0xCC, sizeof params);
        return long(CVU_GetGroupParamA(group, CVU_GROUPPARAM_RECORD, &params, sizeof params) == 0 &&
                    !std::memcmp(&want, &params, sizeof params));
    };
}
auto SetRecord(const char *group, GroupParams p, BOOL create = FALSE)
{
    return [=] { return long(CVU_SetGroupParamA(group, CVU_GROUPPARAM_RECORD, &p, create)); };
}
std::function<long()> SetParam(const char *group, int selector, const std::string &value, BOOL create = FALSE)
{
    return [=] { return long(CVU_SetGroupParamA(group, selector, value.c_str(), create)); };
}

TEST_F(Groups, EachCallLeavesExactlyThisFile)
{
    const std::string full = G(kFull, "(L1,L2)", "");
    const std::string odd = "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=Odd\r\nCONFERENCE=Hold\r\n"
                            "CALLFWD=12345678901234567890\r\nPHONE=123456789012345678901234567890\r\nINBOUND=\r\n";
    const Group sales = {"Sales", "(L1,L2,L3)"}, salesH = {"Sales", "(L1,L2,L3)", "CONFERENCE=H\r\nPHONE=555\r\nINBOUND=3\r\n"};
    std::string large;
    for (int i = 0; i < 200; ++i) large.append("K").append(std::to_string(i)).append("=").append(2000, 'v').append("\r\n");
    auto add = [](const char *name, std::string lines, BOOL replace) {
        return [=] { return long(CVU_AddGroupA(name, lines.data(), replace)); };
    };
    auto del = [](const char *name) { return [=] { return long(CVU_DeleteGroupA(name)); }; };
    const std::string enumerated = "[SERVER]\r\nLINES=4\r\nGROUPS=4\r\n"
        "[LINE1]\r\nNAME=Modem A\r\n[LINE2]\r\nNAME=Fax\r\n[LINE3]\r\nNAME=Isdn\r\n[LINE4]\r\nNAME=Direct\r\n[LINE5]\r\nNAME=NotALine\r\n"
        "[GROUP1]\r\nNAME=Sales\r\nLINES=(Modem A,FAX)\r\n[GROUP2]\r\nNAME=Support\r\nLINES=(Direct)\r\n"
        "[GROUP3]\r\nNAME=Night\r\n[GROUP4]\r\nNAME=All\r\nLINES=(Modem A,Fax,Isdn,Direct)\r\n";
    Run({
        {"all groups", enumerated, Enum(CVU_ENUM_ALLGROUPS, nullptr, 512, 4, "Sales|Support|Night|All|"), 0, kSame},
        {"groups with a line", kKeep, Enum(CVU_ENUM_GROUPSWITHLINE, "fax", 512, 2, "Sales|All|"), 0, kSame},
        {"groups without a line", kKeep, Enum(CVU_ENUM_GROUPSWITHOUTLINE, "FAX", 512, 2, "Support|Night|"), 0, kSame},
        // LINE5 lies beyond the count.
        {"all lines", kKeep, Enum(CVU_ENUM_ALLLINES, nullptr, 512, 4, "Modem A|Fax|Isdn|Direct|"), 0, kSame},
        {"lines of a group", kKeep, Enum(CVU_ENUM_LINESOFGROUP, "sales", 512, 2, "Modem A|FAX|"), 0, kSame},
        {"lines not in a group", kKeep, Enum(CVU_ENUM_LINESNOTINGROUP, "SALES", 512, 2, "Isdn|Direct|"), 0, kSame},
        // What fitted stays and is counted; lines outside a group need room for themselves only.
        {"lines not in a group, just room", kKeep, Enum(CVU_ENUM_LINESNOTINGROUP, "Sales", 13, 2, "Isdn|Direct|"), 0, kSame},
        {"lines not in a group, a byte short", kKeep, Enum(CVU_ENUM_LINESNOTINGROUP, "Sales", 12, 1, "Isdn|"), 122, kSame},

        {"add", G("(L1)", "(L1,L2)", ""), Modify(CVU_GL_ADDLINE, "g1", "L2"), 0, G("(L1,L2)", "(L1,L2)", "")},
        {"add to an empty group", kKeep, Modify(CVU_GL_ADDLINE, "G3", "L3"), 0, G("(L1,L2)", "(L1,L2)", "(L3)")},
        {"add several", kKeep, Modify(CVU_GL_ADDLINES, "G1", List({"L2", "L3", "l2", "L1"})), 0,
         G("(L1,L2,L3)", "(L1,L2)", "(L3)")},
        {"add all", kKeep, Modify(CVU_GL_ADDALLLINES, "g2", ""), 0, G("(L1,L2,L3)", "(L1,L2,L3)", "(L3)")},
        {"line to groups", kKeep, Modify(CVU_GL_ADDLINETOGROUPS, "New", List({"G1", "Nobody", "G3"})), 0,
         G("(L1,L2,L3,New)", "(L1,L2,L3)", "(L3,New)")},
        {"line to all", kKeep, Modify(CVU_GL_ADDLINETOALLGROUPS, "X", ""), 0,
         G("(L1,L2,L3,New,X)", "(L1,L2,L3,X)", "(L3,New,X)")},
        {"remove", kKeep, Modify(CVU_GL_REMOVELINE, "G2", "l1"), 0, G("(L1,L2,L3,New,X)", "(L2,L3,X)", "(L3,New,X)")},
        {"remove several", kKeep, Modify(CVU_GL_REMOVELINES, "G1", List({"L3", "L9", "l1"})), 0,
         G("(L2,New,X)", "(L2,L3,X)", "(L3,New,X)")},
        {"line from groups", kKeep, Modify(CVU_GL_REMOVELINEFROMGROUPS, "X", List({"G1", "Nobody", "G2"})), 0,
         G("(L2,New)", "(L2,L3)", "(L3,New,X)")},
        {"line from all", kKeep, Modify(CVU_GL_REMOVELINEFROMALLGROUPS, "new", ""), 0, G("(L2)", "(L2,L3)", "(L3,X)")},
        // The last line goes with the LINES key.
        {"remove the last", kKeep, Modify(CVU_GL_REMOVELINE, "G1", "L2"), 0, G("", "(L2,L3)", "(L3,X)")},
        {"remove all", kKeep, Modify(CVU_GL_REMOVEALLLINES, "g2", ""), 0, G("", "", "(L3,X)")},
        {"replace", kKeep, Modify(CVU_GL_SETLINES, "G1", List({"L3", "L2", "l3"})), 0, G("(L3,L2)", "", "(L3,X)")},
        // A full list takes no new line and writes nothing.
        {"full: add", full, Modify(CVU_GL_ADDLINE, "G1", "y"), 122, kSame},
        // A name stands for the first group that bears it in any case; a
        // section without a name is no group.
        {"first of each name", File({{"Sales", ""}, {"", "(L1)"}, {"SALES", "(L1)"}, {"Support", "(L1)"}}),
         Modify(CVU_GL_ADDLINETOALLGROUPS, "L2", ""), 0,
         File({{"Sales", "(L2)"}, {"", "(L1)"}, {"SALES", "(L1)"}, {"Support", "(L1,L2)"}})},

        // Parameters: INBOUND present and not empty is set; fields are cut to the record.
        {"read a record", kParams, Reads("NIGHT", GroupParams{CVU_CONFERENCE_F, "Desk", "555 0100", 1}), 1, kSame},
        {"read a record cut", odd, Reads("odd", GroupParams{0, "1234567890123456", "123456789012345678901234", 0}), 1, kSame},
        // INBOUND holds the group's line count; empty fields lose their keys.
        {"write a record", kParams, SetRecord("sales", GroupParams{CVU_CONFERENCE_H, "", "555", 1}), 0,
         File({salesH, {"Night", "", kNight}})},
        {"write no record", kKeep, [] { return long(CVU_SetGroupParamA("Sales", CVU_GROUPPARAM_RECORD, nullptr, FALSE)); }, 0,
         File({sales, {"Night", "", kNight}})},
        {"rename", kParams, SetParam("Sales", CVU_GROUPPARAM_NAME, "RETAIL"), 0,
         File({{"RETAIL", "(L1,L2,L3)"}, {"Night", "", kNight}})},
        {"set lines", kKeep, SetParam("Night", CVU_GROUPPARAM_LINES, List({"L3", "L1"})), 0,
         File({{"RETAIL", "(L1,L2,L3)"}, {"Night", "", kNight + "LINES=(L3,L1)\r\n"}})},
        // Creating: never a name that could not be found again.
        {"no such group", kParams, SetRecord("Day", GroupParams{CVU_CONFERENCE_H, "", "", 1}), 87, kSame},
        {"create 24 characters", kKeep, SetRecord("ABCDEFGHIJKLMNOPQRSTUVWX", GroupParams{0, "", "", 0}, TRUE), 87, kSame},
        {"create with lines", kKeep, SetParam("Late", CVU_GROUPPARAM_LINES, List({"L2"}), TRUE), 0,
         File({sales, {"Night", "", kNight}, {"Late", "(L2)"}})},

        // Adding, deleting and purging keep the numbering.
        {"add a group", "", add("Sales", List({"LINE1", "LINE2"}), FALSE), 0,
         "[GROUP1]\r\nNAME=Sales\r\nLINES=(LINE1,LINE2)\r\n[SERVER]\r\nGROUPS=1\r\n"},
        {"add: the name is taken", kKeep, add("sales", List({"LINE3"}), FALSE), 0, kSame},
        {"add: replace", kKeep, add("SALES", List({"LINE3"}), TRUE), 0,
         "[GROUP1]\r\nNAME=Sales\r\nLINES=(LINE3)\r\n[SERVER]\r\nGROUPS=1\r\n"},
        {"add: 511 characters", "", add("Big", List({n126, n126, n126, n126, "x"}), FALSE), 0,
         "[GROUP1]\r\nNAME=Big\r\nLINES=" + kFull + "\r\n[SERVER]\r\nGROUPS=1\r\n"},
        {"add: 512 characters", kKeep, add("Big", List({n126, n126, n126, n126, "xx"}), TRUE), 122, kSame},
        // A new group goes after the sections that exist, over a leftover.
        {"add over a leftover", "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=One\r\n[GROUP2]\r\nNAME=Old\r\nPHONE=555\r\n",
         add("New", List({}), FALSE), 0, "[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=One\r\n[GROUP2]\r\nNAME=New\r\n"},
        // Later groups move down with their own keys.
        {"delete", "[SERVER]\r\nGROUPS=3\r\n[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\n"
                   "[GROUP2]\r\nNAME=Two\r\nLINES=(B)\r\nPHONE=555\r\n[GROUP3]\r\nNAME=Three\r\nLINES=(C,D)\r\nCONFERENCE=H\r\n",
         del("two"), 0,
         "[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\n[GROUP2]\r\nNAME=Three\r\nLINES=(C,D)\r\nCONFERENCE=H\r\n"},
        // A section of any size moves whole.
        {"delete moves a large section", "[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=a\r\n[GROUP2]\r\nNAME=b\r\n" + large, del("a"), 0,
         "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=b\r\n" + large},
        {"purge", "[SERVER]\r\nGROUPS=4\r\n[GROUP1]\r\nNAME=Empty1\r\n[GROUP2]\r\nNAME=One\r\nLINES=(A)\r\nPHONE=1\r\n"
                  "[GROUP3]\r\nNAME=Empty3\r\nLINES=()\r\nCALLFWD=X\r\n[GROUP4]\r\nNAME=Two\r\nLINES=(A,B)\r\n",
         [] { return long(CVU_PurgeEmptyGroups()); }, 0,
         "[SERVER]\r\nGROUPS=2\r\n[GROUP1]\r\nNAME=One\r\nLINES=(A)\r\nPHONE=1\r\n[GROUP2]\r\nNAME=Two\r\nLINES=(A,B)\r\n"},
    });
}

}  // namespace
