// services: the inbound services, the programs that serve incoming calls.
#include <windows.h>

#include <cstring>

#include "cli.h"
#include "cvxutil.h"
#include "output.h"
#include "store.h"

namespace cvxcfg {
namespace {

std::vector<std::string> ServiceNames(DWORD kind)
{
    std::vector<char> buffer;
    DWORD rc = FillGrowing(buffer, [&](char *b, DWORD size) {
        DWORD count = 0;
        return CVU_IbsEnumServices(kind, 0, b, size, &count);
    });
    if (rc != ERROR_SUCCESS) FailRefused("the library could not list the services" + ErrorSuffix(rc));
    return SplitList(buffer.data());
}

template <size_t N>
std::string Field(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

Record ServiceRecord(const std::string &name, bool security)
{
    IbsServiceInfo info{};
    if (!CVU_IbsGetServiceInfo(name.c_str(), IBS_INFO_SERVICE, &info, sizeof info))
        FailRefused("the service " + Quote(name) + " could not be read");
    Record record;
    record.Text("name", Field(info.Name))
        .Text("description", Field(info.Description))
        .Text("program", Field(info.Program))
        .Text("cmdLine", Field(info.CmdLine))
        .Number("options", info.Options)
        .Flag("selected", (info.Options & IBS_OPTION_SELECTED) != 0)
        .Number("accessTimeout", info.AccessTmo);
    if (security) {
        char text[256] = "";
        if (!CVU_IbsGetServiceInfo(name.c_str(), IBS_INFO_SECURITY, text, sizeof text))
            FailRefused("the security text of " + Quote(name) + " could not be read");
        text[sizeof text - 1] = 0;
        record.Text("security", text);
    }
    return record;
}

void RequireService(const Invocation &call, const std::string &name)
{
    if (name.empty()) FailUsage(call.Name() + ": the service name is empty");
    if (!CVU_IbsDoesServiceExist(name.c_str())) FailRefused(call.Name() + ": no service named " + Quote(name));
}

int ListServices(Invocation &call)
{
    std::vector<Record> records;
    for (const std::string &name : ServiceNames(call.Has("selected") ? IBS_ENUM_SELECTED : IBS_ENUM_ALL))
        records.push_back(ServiceRecord(name, call.Has("security")));
    std::vector<const char *> columns = {"name", "selected", "program", "cmdLine", "description"};
    if (call.Has("security")) columns.push_back("security");
    PrintList(call, records, columns);
    return kDone;
}

int ShowService(Invocation &call)
{
    RequireService(call, call.args[0]);
    PrintRecord(call, ServiceRecord(call.args[0], call.Has("security")));
    return kDone;
}

void CheckLength(const Invocation &call, const char *what, const std::string &text, size_t most)
{
    if (text.size() > most)
        FailUsage(call.Name() + ": the " + what + " holds at most " + std::to_string(most) + " characters, not " +
                  std::to_string(text.size()) + " (" + Quote(text) + ")");
}

int AddService(Invocation &call)
{
    const std::string &name = call.args[0];
    if (name.empty()) FailUsage("services add: the service name is empty");
    CheckLength(call, "service name", name, 16);
    if (!call.Has("program")) FailUsage("services add: --program is required");
    std::string description = call.Has("description") ? call.Value("description") : "";
    std::string cmdLine = call.Has("cmdline") ? call.Value("cmdline") : "";
    const std::string &program = call.Value("program");
    CheckLength(call, "program", program, 255);
    CheckLength(call, "description", description, 99);
    CheckLength(call, "command line", cmdLine, 199);
    long long options = call.Has("options") ? call.Number("options") : 0;
    if (call.Has("selected")) options |= IBS_OPTION_SELECTED;
    long long timeout = call.Has("timeout") ? call.Number("timeout") : 0;
    if (options < 0 || timeout < 0) FailUsage("services add: --options and --timeout are not negative");
    const char *security = call.Has("security") ? call.Value("security").c_str() : nullptr;
    if (security) CheckLength(call, "security text", security, 243);
    bool replace = call.Has("replace");
    if (!replace && CVU_IbsDoesServiceExist(name.c_str()))
        FailRefused("services add: a service named " + Quote(name) + " exists (--replace overwrites it)");
    if (!CVU_IbsCreateService(name.c_str(), description.c_str(), program.c_str(), cmdLine.c_str(),
                              static_cast<DWORD>(options), security, static_cast<DWORD>(timeout), replace))
        FailRefused("services add: the library refused service " + Quote(name) + " (at most 100 services)");
    PrintRecord(call, ServiceRecord(name, false));
    return kDone;
}

int DeleteService(Invocation &call)
{
    RequireService(call, call.args[0]);
    if (!CVU_IbsDeleteService(call.args[0].c_str()))
        FailRefused("services delete: the library could not delete " + Quote(call.args[0]));
    PrintDone(call, "service " + call.args[0] + " deleted");
    return kDone;
}

}  // namespace

void AddServiceCommands(CommandTable &table)
{
    table.Add({"services", "", "", "list the inbound services", nullptr, 0, 0,
               {{"selected", nullptr, "only the services marked selected"},
                {"security", nullptr, "also show each security text"}},
               ListServices});
    table.Add({"services", "show", "NAME", "show one inbound service",
               "The security text is shown only with --security.", 1, 1,
               {{"security", nullptr, "also show the security text"}}, ShowService});
    table.Add({"services", "add", "NAME", "create an inbound service (or replace one with --replace)", nullptr, 1, 1,
               {{"program", "PATH", "the program that serves the call (required)"},
                {"cmdline", "TEXT", "its command line"},
                {"description", "TEXT", "a description"},
                {"options", "N", "option bits"},
                {"selected", nullptr, "mark the service selected (option bit 8)"},
                {"timeout", "N", "access time-out"},
                {"security", "TEXT", "security text, stored sealed (at most 243 characters)"},
                {"replace", nullptr, "overwrite a service of that name"}},
               AddService});
    table.Add({"services", "delete", "NAME", "delete an inbound service", nullptr, 1, 1, {}, DeleteService});
}

}  // namespace cvxcfg
