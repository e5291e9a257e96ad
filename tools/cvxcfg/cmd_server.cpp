// server: the server's common settings and its remote password.
#include <windows.h>

#include "cli.h"
#include "cvxutil.h"
#include "output.h"
#include "store.h"

namespace cvxcfg {
namespace {

const char *StatusWord(int status)
{
    switch (status) {
    case CVU_SERVER_ACTIVE: return "active";
    case CVU_SERVER_INACTIVE: return "inactive";
    default: return "no";
    }
}

Record ServerRecord()
{
    char name[17] = "";
    CVU_GetServerName(name);
    bool password = GetFileAttributesA((ConfigDirectory() + "CVEX.PWF").c_str()) != INVALID_FILE_ATTRIBUTES;
    Record record;
    record.Text("name", name)
        .Number("bufferSpace", CVU_GetBufferSpace())
        .Number("logSize", CVU_GetLogBuffSize())
        .Number("timeout", CVU_GetInvalidConTime())
        .Text("status", StatusWord(CVU_GetServerStatus()))
        .Number("lines", CVU_GetNumServerPorts())
        .Number("transport", CVU_GetTransportMethod())
        .Number("segmentMethod", CVU_GetIPXSegmentMethod())
        .Flag("remotePassword", password);
    return record;
}

int ShowServer(Invocation &call)
{
    PrintRecord(call, ServerRecord());
    return kDone;
}

// A numeric setting: the library checks the range and refuses what is out.
struct NumericSetting {
    const char *option;
    const char *what;
    const char *range;
    BOOL(WINAPI *set)(INT);
};
const NumericSetting kNumericSettings[] = {
    {"buffer-space", "buffer space", "6144 to 999999", CVU_SetBufferSpace},
    {"log-size", "log size", "0 to 8192", CVU_SetLogBuffSize},
    {"timeout", "time-out", "1 to 99", CVU_SetInvalidConTime},
    {"segment", "IPX segment method", "1 or 2", CVU_SetIPXSegmentMethod},
};

int SetServer(Invocation &call)
{
    if (call.options.empty()) FailUsage("server set: nothing to set (see cvxcfg server set --help)");
    // Every value is read before anything is stored.
    long long numbers[std::size(kNumericSettings)] = {};
    for (size_t i = 0; i < std::size(kNumericSettings); ++i)
        if (call.Has(kNumericSettings[i].option)) numbers[i] = call.Number(kNumericSettings[i].option);
    int status = 0;
    if (call.Has("status")) {
        const std::string &word = call.Value("status");
        if (SameName(word, "active")) status = CVU_SERVER_ACTIVE;
        else if (SameName(word, "inactive")) status = CVU_SERVER_INACTIVE;
        else if (SameName(word, "no")) status = CVU_SERVER_NOSTART;
        else FailUsage("server set: --status takes active, inactive or no, not " + Quote(word));
    }
    if (call.Has("name")) {
        const std::string &name = call.Value("name");
        if (name.empty() || name.size() > 16)
            FailUsage("server set: the server name has 1 to 16 characters, not " + std::to_string(name.size()) +
                      " (" + Quote(name) + ")");
    }

    std::string stored;
    for (size_t i = 0; i < std::size(kNumericSettings); ++i) {
        const NumericSetting &setting = kNumericSettings[i];
        if (!call.Has(setting.option)) continue;
        if (!setting.set(static_cast<INT>(numbers[i])))
            FailRefused("server set: the library refused --" + std::string(setting.option) + " " +
                        call.Value(setting.option) + ": the " + setting.what + " is " + setting.range +
                        (stored.empty() ? "; nothing was changed" : "; already stored:" + stored));
        stored += std::string(" ") + setting.what;
    }
    if (call.Has("status") && !CVU_SetServerStatus(status))
        FailRefused("server set: the status " + Quote(call.Value("status")) + " could not be stored" +
                    ErrorSuffix(GetLastError()));
    if (call.Has("name") && !CVU_SetServerName(call.Value("name").c_str()))
        FailRefused("server set: the name " + Quote(call.Value("name")) + " could not be stored" +
                    ErrorSuffix(GetLastError()));
    PrintRecord(call, ServerRecord());
    return kDone;
}

int SetPassword(Invocation &call)
{
    bool clear = call.Has("clear");
    if (clear == !call.args.empty())
        FailUsage("server password: give either the password or --clear");
    if (!clear && call.args[0].empty()) FailUsage("server password: the password is empty (use --clear to remove it)");
    CVU_SetRemPassword(clear ? nullptr : call.args[0].c_str());
    bool present = GetFileAttributesA((ConfigDirectory() + "CVEX.PWF").c_str()) != INVALID_FILE_ATTRIBUTES;
    if (present == clear)
        FailRefused(std::string("server password: the password file ") + (clear ? "is still there" : "was not written") +
                    " (" + ConfigDirectory() + "CVEX.PWF)");
    PrintDone(call, clear ? "remote password cleared" : "remote password set");
    return kDone;
}

}  // namespace

void AddServerCommands(CommandTable &table)
{
    table.Add({"server", "", "", "show the server's settings", nullptr, 0, 0, {}, ShowServer});
    table.Add({"server", "set", "", "change server settings; shows them afterwards",
               "Values out of range are refused by the library (exit code 3); the settings given\n"
               "before the refused one stay stored, and the message names them.",
               0, 0,
               {{"name", "NAME", "server name, 1 to 16 characters"},
                {"buffer-space", "N", "buffer space, 6144 to 999999"},
                {"log-size", "N", "log buffer size, 0 to 8192"},
                {"timeout", "N", "invalid-connection time, 1 to 99"},
                {"status", "WORD", "start status: active, inactive or no"},
                {"segment", "N", "IPX segment method, 1 or 2"}},
               SetServer});
    table.Add({"server", "password", "[PASSWORD]", "set the remote password, or remove it with --clear",
               "The password is stored scrambled in CVEX.PWF; at most 16 characters count.", 0, 1,
               {{"clear", nullptr, "remove the remote password"}}, SetPassword});
}

}  // namespace cvxcfg
