// ports and lines: the machine's port list, sharing a port as a line of the
// server, and each line's serial settings.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "cli.h"
#include "cvxutil.h"
#include "output.h"
#include "store.h"

namespace cvxcfg {
namespace {

// Every entry whose number is taken, and the lines beyond the machine's.
constexpr DWORD kListedPorts = PORTF_LOCAL | PORTF_REDIRECTED | PORTF_SHARED | PORTF_LINE;

// An open enumeration of the port list; closing it frees the list.
class PortEnum {
public:
    PortEnum() { CVU_StartPortEnum(); }
    ~PortEnum() { CVU_EndPortEnum(); }
    PortEnum(const PortEnum &) = delete;
    PortEnum &operator=(const PortEnum &) = delete;

    std::vector<PortEnumRecord> Entries(DWORD mask)
    {
        std::vector<PortEnumRecord> entries;
        PortEnumRecord entry;
        for (WORD index = 0; CVU_EnumPorts(&index, mask, &entry) == 0;) entries.push_back(entry);
        return entries;
    }
};

std::vector<std::string> FlagWords(DWORD flags)
{
    std::vector<std::string> words;
    if (flags & PORTF_LOCAL) words.push_back(flags & PORTF_LINE ? "line-only" : "local");
    if (flags & PORTF_REDIRECTED) words.push_back("redirected");
    if (flags & PORTF_SHARED) words.push_back("shared");
    return words;
}

Record PortRecord(const PortEnumRecord &entry)
{
    Record record;
    record.Number("number", entry.portNumber)
        .Text("port", Field(entry.portName))
        .List("flags", FlagWords(entry.flags))
        .Text("share", Field(entry.shareName))
        .Text("description", Field(entry.description));
    return record;
}

int ListPorts(Invocation &call)
{
    PortEnum ports;
    std::vector<Record> records;
    for (const PortEnumRecord &entry : ports.Entries(kListedPorts)) records.push_back(PortRecord(entry));
    PrintList(call, records, {"number", "port", "flags", "share", "description"});
    return kDone;
}

// ---- lines ----------------------------------------------------------------------------
const char *const kParityWords[] = {"none", "odd", "even", "mark", "space"};
const char *const kStopWords[] = {"1", "1.5", "2"};
const char *const kFlowWords[] = {"none", "xonxoff", "hardware"};

template <size_t N>
std::string Word(const char *const (&words)[N], unsigned code)
{
    return code < N ? words[code] : std::to_string(code);
}

// The code of a word of the list (any case); a usage failure names the
// option, the choices and the text otherwise.
template <size_t N>
WORD Code(const Invocation &call, const char *option, const char *const (&words)[N])
{
    const std::string &text = call.Value(option);
    std::string choices;
    for (size_t i = 0; i < N; ++i) {
        if (SameName(text, words[i])) return static_cast<WORD>(i);
        choices += (i ? (i + 1 == N ? " or " : ", ") : "") + std::string(words[i]);
    }
    FailUsage(call.Name() + ": --" + option + " takes " + choices + ", not " + Quote(text));
}

Record LineRecord(const SharedPortParams &line)
{
    const PortConfig &c = line.config;
    Record record;
    record.Text("port", Field(line.portName))
        .Text("share", Field(line.shareName))
        .Number("baud", c.baudRate)
        .Text("parity", Word(kParityWords, c.parity))
        .Number("dataBits", c.dataBits)
        .Text("stopBits", Word(kStopWords, c.stopBits))
        .Text("flow", Word(kFlowWords, c.flow))
        .List("triggers", TriggerWords(c.triggers, std::min<unsigned>(c.triggerCount, CVU_MAX_TRIGGERS)))
        .Text("modem", Field(line.modem))
        .Flag("inbound", line.inbound != 0)
        .Flag("autobaud", line.autobaud != 0)
        .Text("callForward", Field(line.callForward));
    return record;
}

SharedPortParams ReadLine(const Invocation &call, const std::string &port)
{
    SharedPortParams line{};
    if (!CVU_GetSharedPortParams(port.c_str(), &line)) FailRefused(call.Name() + ": " + port + " is not shared");
    return line;
}

// The ports of the lines: the port list holds at most 25 entries, so the
// lines it lacks are looked for by number.
std::vector<std::string> LinePorts()
{
    std::vector<std::string> ports;
    {
        PortEnum list;
        for (const PortEnumRecord &entry : list.Entries(PORTF_SHARED)) ports.push_back(Field(entry.portName));
    }
    const size_t lines = static_cast<size_t>(CVU_GetNumServerPorts());
    for (int n = 1; n <= 255 && ports.size() < lines; ++n) {
        std::string port = "COM" + std::to_string(n);
        bool listed = std::any_of(ports.begin(), ports.end(), [&](const std::string &p) { return SameName(p, port); });
        if (!listed && CVU_GetSharedPortParams(port.c_str(), nullptr)) ports.push_back(port);
    }
    return ports;
}

int ListLines(Invocation &call)
{
    std::vector<Record> records;
    for (const std::string &port : LinePorts()) {
        SharedPortParams line{};
        if (CVU_GetSharedPortParams(port.c_str(), &line)) records.push_back(LineRecord(line));
    }
    PrintList(call, records, {"port", "share", "baud", "parity", "dataBits", "stopBits", "flow", "modem"});
    return kDone;
}

// A text option into a fixed field; a usage failure when it does not fit.
template <size_t N>
void TakeText(const Invocation &call, const char *option, char (&field)[N])
{
    if (!call.Has(option)) return;
    const std::string &text = call.Value(option);
    if (text.size() >= N)
        FailUsage(call.Name() + ": --" + option + " holds at most " + std::to_string(N - 1) + " characters, not " +
                  std::to_string(text.size()) + " (" + Quote(text) + ")");
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
}

int ShowOrSetLine(Invocation &call)
{
    std::string port = PortName(call, call.args[0]);
    // Every value is checked before the line is looked at.
    SharedPortParams wanted{};
    std::optional<DWORD> baud;
    std::optional<WORD> parity, dataBits, stopBits, flow;
    std::optional<bool> inbound, autobaud;
    std::optional<std::vector<BYTE>> triggers;
    if (call.Has("baud")) {
        long long n = call.Number("baud");
        if (n < 1) FailUsage(call.Name() + ": --baud is a positive number, not " + call.Value("baud"));
        baud = static_cast<DWORD>(n);
    }
    if (call.Has("parity")) parity = Code(call, "parity", kParityWords);
    if (call.Has("data-bits")) {
        long long n = call.Number("data-bits");
        if (n < 4 || n > 8) FailUsage(call.Name() + ": --data-bits is 4 to 8, not " + call.Value("data-bits"));
        dataBits = static_cast<WORD>(n);
    }
    if (call.Has("stop-bits")) stopBits = Code(call, "stop-bits", kStopWords);
    if (call.Has("flow")) flow = Code(call, "flow", kFlowWords);
    if (call.Has("triggers")) triggers = ParseTriggers(call, call.Value("triggers"));
    if (call.Has("inbound")) inbound = call.YesNo("inbound");
    if (call.Has("autobaud")) autobaud = call.YesNo("autobaud");
    TakeText(call, "modem", wanted.modem);
    TakeText(call, "call-forward", wanted.callForward);

    SharedPortParams line = ReadLine(call, port);
    if (call.options.empty()) {
        PrintRecord(call, LineRecord(line));
        return kDone;
    }
    PortConfig &c = line.config;
    if (baud) c.baudRate = *baud;
    if (parity) c.parity = *parity;
    if (dataBits) c.dataBits = *dataBits;
    if (stopBits) c.stopBits = *stopBits;
    if (flow) c.flow = *flow;
    if (triggers) StoreTriggers(*triggers, c.triggers, &c.triggerCount);
    if (inbound) line.inbound = *inbound;
    if (autobaud) line.autobaud = *autobaud;
    if (call.Has("modem")) std::memcpy(line.modem, wanted.modem, sizeof line.modem);
    if (call.Has("call-forward")) std::memcpy(line.callForward, wanted.callForward, sizeof line.callForward);
    if (!CVU_UpdateSharedPortParams(&line, 0)) FailRefused(call.Name() + ": the library could not store the line of " + port);
    PrintRecord(call, LineRecord(ReadLine(call, port)));
    return kDone;
}

// ---- sharing ---------------------------------------------------------------------------
int SharePort(Invocation &call)
{
    const std::string &given = call.args[0];
    // Windows 95 lists a port by its description, and shares it by that.
    std::optional<PortEnumRecord> found;
    {
        PortEnum list;
        for (const PortEnumRecord &entry : list.Entries(PORTF_LOCAL))
            if (SameName(Field(entry.portName), given) || SameName(Field(entry.description), given)) found = entry;
    }
    if (!found) {
        if (!CVU_IsWin95OS()) PortName(call, given);  // names a bad port name as such
        FailRefused("ports share: " + Quote(given) + " is not a port of this machine (see cvxcfg ports)");
    }
    if (found->flags & PORTF_LINE) FailRefused("ports share: " + Field(found->portName) + " is shared already");
    std::string port = Field(found->portName);
    std::string key = CVU_IsWin95OS() ? Field(found->description) : port;
    if (CVU_GetSharedPortParams(port.c_str(), nullptr)) FailRefused("ports share: " + port + " is shared already");
    if (!CVU_ShareCommPortA(key.c_str())) FailRefused("ports share: the library could not share " + port);
    PrintRecord(call, LineRecord(ReadLine(call, port)));
    return kDone;
}

int UnsharePort(Invocation &call)
{
    std::string port = PortName(call, call.args[0]);
    SharedPortParams line = ReadLine(call, port);
    if (!CVU_StopSharingPort(port.c_str())) FailRefused("ports unshare: the library could not withdraw the line of " + port);
    PrintDone(call, port + " (" + Field(line.shareName) + ") is no longer shared");
    return kDone;
}

int RenameLine(Invocation &call)
{
    std::string port = PortName(call, call.args[0]);
    const std::string &name = call.args[1];
    if (name.empty() || name.size() > 16 || name.find_first_of(",()") != std::string::npos)
        FailUsage("ports rename: a share name has 1 to 16 characters and no comma or parenthesis, not " + Quote(name));
    SharedPortParams line = ReadLine(call, port);
    if (CVU_IsShareNameInUse(port.c_str(), name.c_str()))
        FailRefused("ports rename: another line is named " + Quote(name));
    std::string old = Field(line.shareName);
    if (!CVU_RenamePort(port.c_str(), old.c_str(), name.c_str()))
        FailRefused("ports rename: the library refused to rename " + port + " to " + Quote(name));
    PrintRecord(call, LineRecord(ReadLine(call, port)));
    return kDone;
}

}  // namespace

void AddPortCommands(CommandTable &table)
{
    table.Add({"ports", "", "", "list the machine's ports, the lines' and the redirected ones",
               "flags: local (a port of this machine), line-only (known only from a line),\n"
               "redirected (this machine redirects it), shared (a line of the server shares it).",
               0, 0, {}, ListPorts});
    table.Add({"ports", "share", "COMn", "share a port as a new line with default settings",
               "The line joins the default pool and \"_CALVEX\". On Windows 95 a port may also be\n"
               "named by its description.",
               1, 1, {}, SharePort});
    table.Add({"ports", "unshare", "COMn", "stop sharing a port: its line leaves every group", nullptr, 1, 1, {},
               UnsharePort});
    table.Add({"ports", "rename", "COMn NAME", "give a port's line another share name (groups follow)", nullptr, 2, 2,
               {}, RenameLine});
    table.Add({"lines", "", "", "list the server's shared lines with their serial settings", nullptr, 0, 0, {},
               ListLines});
    table.Add({"line", "", "COMn", "show or change one line's settings",
               "Without options the line is shown. The serial settings live in the line's\n"
               "transmit set: every line naming the same set sees the change.",
               1, 1,
               {{"baud", "N", "speed in bits per second"},
                {"parity", "WORD", "none, odd, even, mark or space"},
                {"data-bits", "N", "4 to 8"},
                {"stop-bits", "WORD", "1, 1.5 or 2"},
                {"flow", "WORD", "none, xonxoff or hardware"},
                {"triggers", "LIST", "trigger characters in hexadecimal, such as 0D,1B (none: no triggers)"},
                {"modem", "TEXT", "modem name, at most 119 characters (empty: none)"},
                {"inbound", "yes|no", "whether the line takes inbound calls"},
                {"autobaud", "yes|no", "whether the line detects the caller's speed"},
                {"call-forward", "NAME", "call-forwarding target, at most 16 characters (empty: none)"}},
               ShowOrSetLine});
}

}  // namespace cvxcfg
