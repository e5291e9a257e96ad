// client and redirections: which local ports this machine redirects to
// shared lines or pools, and its session settings for those connections.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli.h"
#include "cvxutil.h"
#include "output.h"
#include "store.h"

namespace cvxcfg {
namespace {

Record ClientRecord()
{
    ClientSettings s{};
    if (!CVU_GetClientSettings(&s)) FailRefused("client: the library could not read the settings");
    std::vector<std::string> triggers = TriggerWords(s.triggers, s.triggerCount);
    Record record;
    record.Number("activityTimer", s.activityTimer)
        .Number("timeout", s.timeout)
        .Flag("queue", s.queue != 0)
        .Flag("retry", s.retry != 0)
        .List("triggers", triggers);
    return record;
}

int ShowClient(Invocation &call)
{
    PrintRecord(call, ClientRecord());
    return kDone;
}

int SetClient(Invocation &call)
{
    if (call.options.empty()) FailUsage("client set: nothing to set (see cvxcfg client set --help)");
    // The library stores these without a range test; a value it would read
    // back as the default is refused here.
    auto minutes = [&](const char *option) -> std::optional<LONG> {
        if (!call.Has(option)) return std::nullopt;
        long long n = call.Number(option);
        if (n < 0 || n > 99) FailUsage("client set: --" + std::string(option) + " is 0 to 99, not " + call.Value(option));
        return static_cast<LONG>(n);
    };
    std::optional<LONG> activity = minutes("activity-timer"), timeout = minutes("timeout");
    std::optional<bool> queue, retry;
    if (call.Has("queue")) queue = call.YesNo("queue");
    if (call.Has("retry")) retry = call.YesNo("retry");
    std::optional<std::vector<BYTE>> triggers;
    if (call.Has("triggers")) triggers = ParseTriggers(call, call.Value("triggers"));

    ClientSettings s{};
    if (!CVU_GetClientSettings(&s)) FailRefused("client set: the library could not read the settings");
    if (activity) s.activityTimer = *activity;
    if (timeout) s.timeout = *timeout;
    if (queue) s.queue = *queue;
    if (retry) s.retry = *retry;
    if (triggers) StoreTriggers(*triggers, s.triggers, &s.triggerCount);
    if (!CVU_SetClientSettings(&s)) FailRefused("client set: the library could not store the settings");
    PrintRecord(call, ClientRecord());
    return kDone;
}

// ---- redirections -------------------------------------------------------------------
Record RedirectionRecord(const std::string &port, const ClientPortParams &params)
{
    Record record;
    record.Text("port", port).Text("destination", Field(params.destination)).Text("description", Field(params.description));
    return record;
}

int ListRedirections(Invocation &call)
{
    std::vector<Record> records;
    // Every port number a redirection can have, asked one by one.
    for (int n = 1; n <= 255; ++n) {
        std::string port = "COM" + std::to_string(n);
        ClientPortParams params{};
        if (!CVU_GetClientPortParams(port.c_str(), &params)) continue;
        Record record;
        record.Text("port", port)
            .Text("destination", Field(params.destination))
            .Text("description", Field(params.description));
        records.push_back(std::move(record));
    }
    PrintList(call, records, {"port", "destination", "description"});
    return kDone;
}

int Redirect(Invocation &call)
{
    std::string port = PortName(call, call.args[0]);
    const std::string &destination = call.args[1];
    if (destination.empty() || destination.size() > 16)
        FailUsage("redirections add: a destination has 1 to 16 characters, not " + Quote(destination));
    std::string description = call.Has("description") ? call.Value("description") : "";
    if (description.size() > 99) FailUsage("redirections add: --description holds at most 99 characters");
    BOOL ok = call.Has("description")
                  ? CVU_SetClientRedirectionEx(port.c_str(), destination.c_str(), description.c_str())
                  : CVU_SetClientRedirection(port.c_str(), destination.c_str());
    if (!ok) FailRefused("redirections add: the library refused to redirect " + port + " (at most 30 ports are redirected)");
    ClientPortParams params{};
    CVU_GetClientPortParams(port.c_str(), &params);
    PrintRecord(call, RedirectionRecord(port, params));
    return kDone;
}

int Unredirect(Invocation &call)
{
    std::string port = PortName(call, call.args[0]);
    if (!CVU_GetClientPortParams(port.c_str(), nullptr)) FailRefused("redirections remove: " + port + " is not redirected");
    if (!CVU_SetClientRedirectionEx(port.c_str(), nullptr, nullptr))
        FailRefused("redirections remove: the library could not end the redirection of " + port);
    PrintDone(call, port + " is no longer redirected");
    return kDone;
}

int NextPort(Invocation &call)
{
    long long first = call.args.empty() ? 1 : call.NumberArg(0, "the first port number");
    if (first < 1 || first > 255) FailUsage("redirections next-port: the first port number is 1 to 255, not " + call.args[0]);
    int port = CVU_GetNextRedirectedPort(static_cast<INT>(first));
    if (call.json) {
        Record record;
        record.Number("number", port).Text("port", "COM" + std::to_string(port));
        PrintRecord(call, record);
    } else {
        std::printf("COM%d\n", port);
    }
    return kDone;
}

}  // namespace

void AddClientCommands(CommandTable &table)
{
    table.Add({"client", "", "", "show the client's session settings", nullptr, 0, 0, {}, ShowClient});
    table.Add({"client", "set", "", "change the client's session settings", nullptr, 0, 0,
               {{"activity-timer", "N", "activity timer, 0 to 99"},
                {"timeout", "N", "time-out, 0 to 99"},
                {"queue", "yes|no", "queue requests for busy lines"},
                {"retry", "yes|no", "retry failed connections"},
                {"triggers", "LIST", "trigger characters in hexadecimal, such as 0D,1B (none: no triggers)"}},
               SetClient});
    table.Add({"redirections", "", "", "list the ports this machine redirects", nullptr, 0, 0, {}, ListRedirections});
    table.Add({"redirections", "add", "COMn DESTINATION", "redirect a port to a share or pool name", nullptr, 2, 2,
               {{"description", "TEXT", "description (default: the library's)"}}, Redirect});
    table.Add({"redirections", "remove", "COMn", "end a port's redirection", nullptr, 1, 1, {}, Unredirect});
    table.Add({"redirections", "next-port", "[N]", "the first port from N on (default 1) that no port takes",
               "A port is taken when this machine has it, a line names it or it is redirected.", 0, 1, {},
               NextPort});
}

}  // namespace cvxcfg
