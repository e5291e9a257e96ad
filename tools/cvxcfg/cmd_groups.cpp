// groups: named groups (pools) of shared lines and their call parameters.
#include <windows.h>

#include <optional>

#include "cli.h"
#include "cvxutil.h"
#include "output.h"
#include "store.h"

namespace cvxcfg {
namespace {

std::vector<std::string> Enumerate(INT selector, const char *name, const char *what)
{
    std::vector<char> buffer;
    DWORD count = 0;
    DWORD rc = FillGrowing(buffer, [&](char *b, DWORD size) { return CVU_EnumGroupsLinesA(selector, name, b, size, &count); });
    if (rc != ERROR_SUCCESS) FailRefused(std::string("the library could not list ") + what + ErrorSuffix(rc));
    return SplitList(buffer.data());
}

std::vector<std::string> GroupNames() { return Enumerate(CVU_ENUM_ALLGROUPS, nullptr, "the groups"); }
std::vector<std::string> LineNames() { return Enumerate(CVU_ENUM_ALLLINES, nullptr, "the lines"); }

bool GroupExists(const std::string &name)
{
    for (const std::string &group : GroupNames())
        if (SameName(group, name)) return true;
    return false;
}

void RequireGroup(const Invocation &call, const std::string &name)
{
    if (name.empty()) FailUsage(call.Name() + ": the group name is empty");
    if (!GroupExists(name)) FailRefused(call.Name() + ": no group named " + Quote(name));
}

// Every line named must be a shared line of the server.
void RequireLines(const Invocation &call, const std::vector<std::string> &lines)
{
    std::vector<std::string> known = LineNames();
    for (const std::string &line : lines) {
        if (line.empty() || line.find_first_of(",()") != std::string::npos)
            FailUsage(call.Name() + ": " + Quote(line) + " cannot be a line name");
        bool found = false;
        for (const std::string &k : known) found = found || SameName(k, line);
        if (!found) FailRefused(call.Name() + ": no shared line named " + Quote(line));
    }
}

const char *ConferenceWord(DWORD mode)
{
    switch (mode) {
    case CVU_CONFERENCE_H: return "H";
    case CVU_CONFERENCE_F: return "F";
    default: return "none";
    }
}

Record GroupRecord(const std::string &given)
{
    // The name as stored, whatever case it was asked for in.
    char stored[64] = "";
    DWORD rc = CVU_GetGroupParamA(given.c_str(), CVU_GROUPPARAM_NAME, stored, sizeof stored);
    if (rc != ERROR_SUCCESS) FailRefused("the group " + Quote(given) + " could not be read" + ErrorSuffix(rc));
    std::string name = stored;
    std::vector<char> lines;
    rc = FillGrowing(lines, [&](char *b, DWORD size) {
        return CVU_GetGroupParamA(name.c_str(), CVU_GROUPPARAM_LINES, b, size);
    });
    if (rc != ERROR_SUCCESS) FailRefused("the lines of group " + Quote(name) + " could not be read" + ErrorSuffix(rc));
    GroupParams params{};
    rc = CVU_GetGroupParamA(name.c_str(), CVU_GROUPPARAM_RECORD, &params, sizeof params);
    if (rc != ERROR_SUCCESS) FailRefused("the parameters of group " + Quote(name) + " could not be read" + ErrorSuffix(rc));
    params.callForward[sizeof params.callForward - 1] = 0;
    params.phone[sizeof params.phone - 1] = 0;
    Record record;
    record.Text("name", name)
        .List("lines", SplitList(lines.data()))
        .Text("conference", ConferenceWord(params.conferenceMode))
        .Text("callForward", params.callForward)
        .Text("phone", params.phone)
        .Flag("inbound", params.inbound != 0);
    return record;
}

int ListGroups(Invocation &call)
{
    std::vector<Record> records;
    for (const std::string &name : GroupNames()) records.push_back(GroupRecord(name));
    PrintList(call, records, {"name", "lines", "conference", "callForward", "phone", "inbound"});
    return kDone;
}

int ShowGroup(Invocation &call)
{
    RequireGroup(call, call.args[0]);
    PrintRecord(call, GroupRecord(call.args[0]));
    return kDone;
}

int AddGroup(Invocation &call)
{
    const std::string &name = call.args[0];
    if (name.empty() || name.size() > 16 || name.find_first_of(",()") != std::string::npos)
        FailUsage("groups add: a group name has 1 to 16 characters and no comma or parenthesis, not " + Quote(name));
    std::vector<std::string> lines(call.args.begin() + 1, call.args.end());
    bool exists = GroupExists(name);
    if (exists && !call.Has("replace"))
        FailRefused("groups add: a group named " + Quote(name) + " exists (--replace gives it these lines)");
    RequireLines(call, lines);
    std::string list = JoinList(lines);
    DWORD rc = CVU_AddGroupA(name.c_str(), lines.empty() ? nullptr : list.data(), call.Has("replace"));
    if (rc != ERROR_SUCCESS) FailRefused("groups add: the library refused group " + Quote(name) + ErrorSuffix(rc));
    PrintRecord(call, GroupRecord(name));
    return kDone;
}

int DeleteGroup(Invocation &call)
{
    const std::string &name = call.args[0];
    if (name.empty()) FailUsage("groups delete: the group name is empty");
    DWORD rc = CVU_DeleteGroupA(name.c_str());
    if (rc == ERROR_INVALID_PARAMETER) FailRefused("groups delete: no group named " + Quote(name));
    if (rc != ERROR_SUCCESS) FailRefused("groups delete: group " + Quote(name) + " could not be deleted" + ErrorSuffix(rc));
    PrintDone(call, "group " + name + " deleted");
    return kDone;
}

int PurgeGroups(Invocation &call)
{
    std::vector<std::string> before = GroupNames();
    DWORD rc = CVU_PurgeEmptyGroups();
    if (rc != ERROR_SUCCESS) FailRefused("groups purge: the library refused" + ErrorSuffix(rc));
    std::vector<std::string> after = GroupNames(), removed;
    for (const std::string &name : before) {
        bool kept = false;
        for (const std::string &a : after) kept = kept || SameName(a, name);
        if (!kept) removed.push_back(name);
    }
    if (call.json) {
        Record record;
        record.List("removed", removed);
        PrintRecord(call, record);
    } else {
        PrintDone(call, removed.empty() ? "no empty group" : "removed: " + ValueText(Value::List(removed)));
    }
    return kDone;
}

int EditMembers(Invocation &call)
{
    const std::string &name = call.args[0], &action = call.args[1];
    std::vector<std::string> lines(call.args.begin() + 2, call.args.end());
    INT operation;
    if (action == "add") operation = CVU_GL_ADDLINES;
    else if (action == "remove") operation = CVU_GL_REMOVELINES;
    else if (action == "set") operation = CVU_GL_SETLINES;
    else FailUsage("groups members: the action is add, remove or set, not " + Quote(action));
    if (lines.empty() && operation != CVU_GL_SETLINES) FailUsage("groups members " + action + ": no line given");
    RequireGroup(call, name);
    if (operation != CVU_GL_REMOVELINES) RequireLines(call, lines);
    std::string list = JoinList(lines);
    DWORD rc = CVU_ModifyGroupLinesA(operation, name.c_str(), list.data());
    if (rc == ERROR_INSUFFICIENT_BUFFER)
        FailRefused("groups members: the line list of " + Quote(name) + " would not fit; nothing was changed");
    if (rc != ERROR_SUCCESS) FailRefused("groups members: the library refused" + ErrorSuffix(rc));
    PrintRecord(call, GroupRecord(name));
    return kDone;
}

int RenameGroup(Invocation &call)
{
    const std::string &name = call.args[0], &newName = call.args[1];
    if (newName.empty() || newName.size() > 16 || newName.find_first_of(",()") != std::string::npos)
        FailUsage("groups rename: a group name has 1 to 16 characters and no comma or parenthesis, not " +
                  Quote(newName));
    RequireGroup(call, name);
    if (!SameName(name, newName) && GroupExists(newName))
        FailRefused("groups rename: a group named " + Quote(newName) + " exists");
    DWORD rc = CVU_SetGroupParamA(name.c_str(), CVU_GROUPPARAM_NAME, newName.c_str(), FALSE);
    if (rc != ERROR_SUCCESS) FailRefused("groups rename: the library refused" + ErrorSuffix(rc));
    PrintRecord(call, GroupRecord(newName));
    return kDone;
}

int GroupParameters(Invocation &call)
{
    const std::string &name = call.args[0];
    // Every value is read before the group is looked at.
    std::optional<DWORD> mode;
    if (call.Has("conference")) {
        const std::string &word = call.Value("conference");
        if (SameName(word, "none")) mode = CVU_CONFERENCE_NONE;
        else if (SameName(word, "h")) mode = CVU_CONFERENCE_H;
        else if (SameName(word, "f")) mode = CVU_CONFERENCE_F;
        else FailUsage("groups params: --conference takes none, H or F, not " + Quote(word));
    }
    auto checkText = [&](const char *option, size_t size) {
        if (!call.Has(option)) return;
        const std::string &text = call.Value(option);
        if (text.size() >= size)
            FailUsage("groups params: --" + std::string(option) + " holds at most " + std::to_string(size - 1) +
                      " characters, not " + std::to_string(text.size()) + " (" + Quote(text) + ")");
    };
    GroupParams params{};
    checkText("callfwd", sizeof params.callForward);
    checkText("phone", sizeof params.phone);
    std::optional<bool> inbound;
    if (call.Has("inbound")) inbound = call.YesNo("inbound");

    RequireGroup(call, name);
    if (call.options.empty()) {
        PrintRecord(call, GroupRecord(name));
        return kDone;
    }
    DWORD rc = CVU_GetGroupParamA(name.c_str(), CVU_GROUPPARAM_RECORD, &params, sizeof params);
    if (rc != ERROR_SUCCESS) FailRefused("groups params: the parameters could not be read" + ErrorSuffix(rc));
    if (mode) params.conferenceMode = *mode;
    if (call.Has("callfwd")) lstrcpynA(params.callForward, call.Value("callfwd").c_str(), sizeof params.callForward);
    if (call.Has("phone")) lstrcpynA(params.phone, call.Value("phone").c_str(), sizeof params.phone);
    if (inbound) params.inbound = *inbound;
    rc = CVU_SetGroupParamA(name.c_str(), CVU_GROUPPARAM_RECORD, call.Has("clear") ? nullptr : &params, FALSE);
    if (rc != ERROR_SUCCESS) FailRefused("groups params: the library refused" + ErrorSuffix(rc));
    PrintRecord(call, GroupRecord(name));
    return kDone;
}

}  // namespace

void AddGroupCommands(CommandTable &table)
{
    table.Add({"groups", "", "", "list the groups with their lines and parameters", nullptr, 0, 0, {}, ListGroups});
    table.Add({"groups", "show", "NAME", "show one group", nullptr, 1, 1, {}, ShowGroup});
    table.Add({"groups", "add", "NAME [LINE...]", "create a group of shared lines",
               "Lines are named by their share names and must be lines of this server.", 1, -1,
               {{"replace", nullptr, "give an existing group of that name these lines"}}, AddGroup});
    table.Add({"groups", "delete", "NAME", "delete a group (later groups move down one number)", nullptr, 1, 1, {},
               DeleteGroup});
    table.Add({"groups", "purge", "", "delete every group without lines", nullptr, 0, 0, {}, PurgeGroups});
    table.Add({"groups", "members", "NAME add|remove|set [LINE...]", "change which lines a group holds",
               "add and set take lines of this server only; set with no line empties the group.", 2, -1, {},
               EditMembers});
    table.Add({"groups", "rename", "NAME NEWNAME", "rename a group", nullptr, 2, 2, {}, RenameGroup});
    table.Add({"groups", "params", "NAME", "show or change a group's call parameters",
               "Without options the group is shown. --inbound yes records the group's line count\n"
               "as the library does.",
               1, 1,
               {{"conference", "MODE", "none, H or F"},
                {"callfwd", "TEXT", "call-forwarding target, at most 16 characters (empty: none)"},
                {"phone", "TEXT", "telephone number, at most 24 characters (empty: none)"},
                {"inbound", "yes|no", "whether the group takes inbound calls"},
                {"clear", nullptr, "remove every parameter"}},
               GroupParameters});
}

}  // namespace cvxcfg
