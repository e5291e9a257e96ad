// queues and tables: the named message queue and the shared status tables
// IBDAT and RMDAT, as the product's processes see them.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cli.h"
#include "cvxutil.h"
#include "ipc/portable/block.h"
#include "ipc/portable/tables.h"
#include "output.h"
#include "store.h"

namespace cvxcfg {
namespace {

// Keeps what this process created alive: until SECONDS have passed, or
// until standard input ends when no time is given.
void Hold(const Invocation &call)
{
    std::fflush(stdout);
    if (call.Has("hold")) {
        long long seconds = call.Number("hold");
        Sleep(static_cast<DWORD>(seconds) * 1000);
        return;
    }
    char buffer[256];
    DWORD got = 0;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    while (input && input != INVALID_HANDLE_VALUE && ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got) {}
}

std::string QueueName(const Invocation &call)
{
    const std::string &name = call.args[0];
    if (name.empty() || name.size() > NMQ_MAX_NAME)
        FailUsage(call.Name() + ": a queue name has 1 to " + std::to_string(NMQ_MAX_NAME) + " characters, not " +
                  std::to_string(name.size()) + " (" + Quote(name) + ")");
    return name;
}

NmqHandle *CreateQueue(const Invocation &call, const std::string &name, DWORD flags, bool *existed)
{
    long long capacity = call.Has("capacity") ? call.Number("capacity") : 0;
    long long maxCount = call.Has("max-count") ? call.Number("max-count") : 0;
    if (capacity < 0 || maxCount < 0) FailUsage(call.Name() + ": --capacity and --max-count are not negative");
    if (call.Has("exclusive")) flags |= NMQ_EXCLUSIVE;
    NmqHandle *queue = nullptr;
    DWORD rc = CVU_NmqCreate(name.c_str(), flags, static_cast<DWORD>(capacity), static_cast<DWORD>(maxCount), &queue);
    if (rc != ERROR_SUCCESS || !queue)
        FailRefused(call.Name() + ": queue " + Quote(name) + " could not be created" + ErrorSuffix(rc));
    *existed = GetLastError() == ERROR_ALREADY_EXISTS;
    return queue;
}

int CreateQueueCommand(Invocation &call)
{
    std::string name = QueueName(call);
    bool existed = false;
    NmqHandle *queue = CreateQueue(call, name, call.Has("event") ? NMQ_EVENT : 0, &existed);
    Record record;
    record.Text("queue", name).Flag("created", !existed).Flag("event", call.Has("event"));
    PrintRecord(call, record);
    Hold(call);
    CVU_NmqClose(queue);
    return kDone;
}

int AddMessage(Invocation &call)
{
    std::string name = QueueName(call);
    const std::string &text = call.args[1];
    long long type = call.Has("type") ? call.Number("type") : 0;
    DWORD rc = CVU_NmqAdd(name.c_str(), static_cast<DWORD>(type), text.data(), static_cast<DWORD>(text.size()),
                          call.Has("front") ? NMQ_FRONT : 0);
    if (rc == ERROR_NOT_ENOUGH_QUOTA || rc == ERROR_OUT_OF_STRUCTURES)
        FailRefused("queues add: queue " + Quote(name) + " is full" + ErrorSuffix(rc));
    if (rc != ERROR_SUCCESS) FailRefused("queues add: the library refused the message for " + Quote(name) + ErrorSuffix(rc));
    PrintDone(call, "added to " + name);
    return kDone;
}

std::string Printable(const std::vector<char> &data, bool *binary)
{
    *binary = false;
    for (char c : data) *binary = *binary || (static_cast<unsigned char>(c) < 0x20 && c != '\t');
    if (!*binary) return std::string(data.begin(), data.end());
    std::string hex;
    char pair[4];
    for (char c : data) std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c)), hex += pair;
    return hex;
}

// Takes one message; false when the queue is empty.
bool TakeMessage(const Invocation &call, const std::string &name, DWORD flags, Record *record)
{
    std::vector<char> buffer(4096);
    for (;;) {
        DWORD type = 0, length = static_cast<DWORD>(buffer.size());
        DWORD rc = CVU_NmqRemove(name.c_str(), &type, buffer.data(), &length, flags | NMQ_KEEPIFSHORT);
        if (rc == ERROR_NO_MORE_ITEMS) return false;
        if (rc == ERROR_MORE_DATA && length > buffer.size()) {
            buffer.resize(length);
            continue;
        }
        if (rc != ERROR_SUCCESS) FailRefused(call.Name() + ": queue " + Quote(name) + ErrorSuffix(rc));
        bool binary = false;
        std::string text = Printable(std::vector<char>(buffer.begin(), buffer.begin() + length), &binary);
        *record = Record();
        record->Number("type", type).Number("length", length).Text(binary ? "hex" : "text", text);
        return true;
    }
}

int RemoveMessage(Invocation &call)
{
    std::string name = QueueName(call);
    Record record;
    if (!TakeMessage(call, name, call.Has("last") ? 0 : NMQ_FRONT, &record))
        FailRefused("queues remove: queue " + Quote(name) + " is empty");
    PrintRecord(call, record);
    return kDone;
}

int WatchQueue(Invocation &call)
{
    std::string name = QueueName(call);
    long long count = call.Has("count") ? call.Number("count") : 0;
    long long timeout = call.Has("timeout") ? call.Number("timeout") : -1;
    if (count < 0 || timeout < -1) FailUsage("queues watch: --count and --timeout are not negative");
    NmqHandle *created = nullptr;
    bool existed = false;
    if (call.Has("create")) created = CreateQueue(call, name, NMQ_EVENT, &existed);
    HANDLE event = nullptr;
    DWORD rc = CVU_NmqGetEvent(name.c_str(), &event);
    if (rc != ERROR_SUCCESS || !event) {
        if (created) CVU_NmqClose(created);
        FailRefused("queues watch: queue " + Quote(name) + " has no event to wait on" +
                    (rc != ERROR_SUCCESS ? ErrorSuffix(rc) : " (it was created without --event)"));
    }
    if (!call.json) std::printf("watching %s\n", Shown(name).c_str());
    std::fflush(stdout);
    long long seen = 0;
    DWORD start = GetTickCount();
    bool timedOut = false;
    while (count == 0 || seen < count) {
        DWORD wait = INFINITE;
        if (timeout >= 0) {
            DWORD spent = GetTickCount() - start;
            wait = spent >= timeout ? 0 : static_cast<DWORD>(timeout - spent);
        }
        if (WaitForSingleObject(event, wait) != WAIT_OBJECT_0) {
            timedOut = true;
            break;
        }
        Record record;
        // Oldest first; the event stays signalled while messages wait.
        while ((count == 0 || seen < count) && TakeMessage(call, name, NMQ_FRONT, &record)) {
            ++seen;
            if (call.json) std::printf("%s\n", JsonObject(record).c_str());
            else std::printf("message %lld: type %s, %s\n", seen, ValueText(record.Fields()[0].second).c_str(),
                             ValueText(record.Fields()[2].second).c_str());
            std::fflush(stdout);
        }
    }
    CloseHandle(event);
    if (created) CVU_NmqClose(created);
    if (timedOut && count > 0)
        FailRefused("queues watch: " + std::to_string(seen) + " of " + std::to_string(count) + " messages within " +
                    std::to_string(timeout) + " ms");
    return kDone;
}

// ---- status tables ---------------------------------------------------------------
const char kIbdatBlock[] = "_Qlon_Cvex_IBDAT";

int CreateTables(Invocation &call)
{
    long long entries = call.Has("entries") ? call.Number("entries") : 16;
    if (entries < 0 || entries > 100000) FailUsage("tables create: --entries is 0 to 100000, not " + std::to_string(entries));
    NsmHandle *ibdat = nullptr, *rmdat = nullptr;
    DWORD rc = CVU_IbdatCreate(static_cast<DWORD>(entries), 0, &ibdat);
    if (rc != ERROR_SUCCESS) FailRefused("tables create: IBDAT could not be created" + ErrorSuffix(rc));
    rc = CVU_RmdatCreate(0, &rmdat);
    if (rc != ERROR_SUCCESS) {
        CVU_IbdatClose(ibdat);
        FailRefused("tables create: RMDAT could not be created" + ErrorSuffix(rc));
    }
    Record record;
    record.Number("ibdatEntries", entries).Flag("rmdat", true);
    PrintRecord(call, record);
    Hold(call);
    CVU_RmdatClose(rmdat);
    CVU_IbdatClose(ibdat);
    return kDone;
}

// The bytes of a locked block's data area that its header vouches for, as
// the library checks it when it opens a block: 0 when the header does not
// add up or the data is not where the view says.
size_t CheckedDataSize(const void *data)
{
    MEMORY_BASIC_INFORMATION info{};
    if (!VirtualQuery(data, &info, sizeof info)) return 0;
    const void *view = info.AllocationBase;
    if (!VirtualQuery(view, &info, sizeof info) || info.State != MEM_COMMIT) return 0;
    cvx::ipc::BlockLayout layout{};
    if (!cvx::ipc::CheckBlockHeader(view, info.RegionSize, &layout)) return 0;
    return static_cast<const BYTE *>(view) + layout.dataOffset == data ? layout.dataSize : 0;
}

int DumpIbdat(Invocation &call)
{
    NsmHandle *block = nullptr;
    DWORD rc = CVU_NsmOpen(kIbdatBlock, &block);
    std::vector<Record> entries;
    DWORD value = 0, size = 0;
    bool exists = rc == ERROR_SUCCESS && block;
    if (!exists && rc != CVU_E_NOTFOUND) FailRefused("tables ibdat: the table could not be opened" + ErrorSuffix(rc));
    if (exists) {
        void *data = nullptr;
        rc = CVU_NsmDataView(block, &data);
        if (rc == ERROR_SUCCESS) rc = CVU_NsmLockData(block, 10000);
        if (rc != ERROR_SUCCESS) {
            CVU_NsmClose(block);
            FailRefused("tables ibdat: the table could not be read" + ErrorSuffix(rc));
        }
        // Another process writes this memory: the count and offset are taken
        // once, and only as far as the table's own size allows.
        cvx::ipc::IbdatTable table;
        bool valid = table.Load(static_cast<uint8_t *>(data), CheckedDataSize(data));
        if (valid) {
            value = table.TableValue();
            size = table.Count();
            for (DWORD i = 0; i < size; ++i) {
                cvx::ipc::IbdatEntry entry;
                std::memcpy(&entry, table.EntryAt(i), sizeof entry);
                if (!entry.inUse) continue;
                Record record;
                record.Number("slot", i + 1)
                    .Text("name", std::string(entry.name, strnlen(entry.name, sizeof entry.name)))
                    .Number("value", entry.value);
                entries.push_back(std::move(record));
            }
        }
        CVU_NsmUnlockData(block);
        CVU_NsmClose(block);
        if (!valid) FailRefused("tables ibdat: the table is damaged (its header does not fit its block)");
    }
    if (call.json) {
        std::string out = std::string("{\"exists\":") + (exists ? "true" : "false") + ",\"value\":" + std::to_string(value) +
                          ",\"size\":" + std::to_string(size) + ",\"entries\":[";
        for (size_t i = 0; i < entries.size(); ++i) out += (i ? "," : "") + JsonObject(entries[i]);
        std::printf("%s]}\n", out.c_str());
        return kDone;
    }
    if (!exists) {
        std::printf("IBDAT: no table (no process holds one)\n");
        return kDone;
    }
    std::printf("IBDAT: %lu entries, %zu in use, table value %lu\n", size, entries.size(), value);
    PrintList(call, entries, {"slot", "name", "value"});
    return kDone;
}

int SetEntry(Invocation &call)
{
    const std::string &name = call.args[0];
    if (name.empty() || name.size() > IBDAT_MAX_NAME)
        FailUsage("tables entry: an entry name has 1 to " + std::to_string(IBDAT_MAX_NAME) + " characters, not " +
                  Quote(name));
    if (call.Has("remove") == (call.args.size() == 2)) FailUsage("tables entry: give either a VALUE or --remove");
    DWORD rc;
    if (call.Has("remove")) {
        rc = CVU_IbdatUpdate(IBDAT_F_REMOVE, name.c_str(), nullptr, 0);
    } else {
        DWORD value = static_cast<DWORD>(call.NumberArg(1, "the value"));
        rc = CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | IBDAT_F_ADD, name.c_str(), &value, sizeof value);
    }
    if (rc == CVU_E_NOTFOUND) FailRefused("tables entry: there is no IBDAT table (tables create makes one)");
    if (rc == ERROR_OUT_OF_STRUCTURES) FailRefused("tables entry: every IBDAT entry is in use");
    if (rc != ERROR_SUCCESS) FailRefused("tables entry: the library refused " + Quote(name) + ErrorSuffix(rc));
    PrintDone(call, call.Has("remove") ? "entry " + name + " removed" : "entry " + name + " = " + call.args[1]);
    return kDone;
}

std::string Hex(const BYTE *bytes, size_t n)
{
    std::string hex;
    char pair[4];
    for (size_t i = 0; i < n; ++i) std::snprintf(pair, sizeof pair, "%02X", bytes[i]), hex += pair;
    return hex;
}

int Rmdat(Invocation &call)
{
    RmdatRecord update{};
    if (call.Has("state")) update.mask |= RMDAT_F_STATE, update.state = static_cast<DWORD>(call.Number("state"));
    if (call.Has("text")) {
        if (call.Value("text").size() >= sizeof update.text)
            FailUsage("tables rmdat: --text holds at most 259 characters, not " + std::to_string(call.Value("text").size()));
        update.mask |= RMDAT_F_TEXT;
        lstrcpynA(update.text, call.Value("text").c_str(), sizeof update.text);
    }
    DWORD newValue = call.Has("value") ? static_cast<DWORD>(call.Number("value")) : 0;
    DWORD rc = ERROR_SUCCESS;
    if (update.mask) rc = CVU_RmdatUpdate(RMDAT_ITEM_RECORD, 0, &update, sizeof update);
    if (rc == ERROR_SUCCESS && call.Has("value")) rc = CVU_RmdatUpdate(RMDAT_ITEM_VALUE, 0, &newValue, sizeof newValue);
    if (rc == CVU_E_NOTFOUND) FailRefused("tables rmdat: there is no RMDAT table (tables create makes one)");
    if (rc != ERROR_SUCCESS) FailRefused("tables rmdat: the library refused the update" + ErrorSuffix(rc));

    NsmHandle *probe = nullptr;
    bool exists = CVU_NsmOpen("_Qlon_Cvex_RMDAT", &probe) == ERROR_SUCCESS && probe;
    if (probe) CVU_NsmClose(probe);
    RmdatRecord r{};
    r.mask = 0xFFFFFFFFu;
    DWORD value = 0;
    rc = CVU_RmdatQuery(RMDAT_ITEM_RECORD, 0, &r, sizeof r);
    if (rc == ERROR_SUCCESS) rc = CVU_RmdatQuery(RMDAT_ITEM_VALUE, 0, &value, sizeof value);
    if (rc != ERROR_SUCCESS) FailRefused("tables rmdat: the table could not be read" + ErrorSuffix(rc));
    r.text[sizeof r.text - 1] = 0;
    Record record;
    record.Flag("exists", exists).Number("value", value).Number("state", r.state).Number("field2", r.field2)
        .Number("field4", r.field4).Text("text", r.text).Number("field10", r.field10)
        .Text("field100", Hex(r.field100, 16)).Text("field200", Hex(r.field200, 16)).Number("field400", r.field400)
        .Number("field1000", r.field1000).Number("field2000", r.field2000)
        .Text("field10000", Hex(r.field10000, 16)).Text("field20000", Hex(r.field20000, 16))
        .Number("field40000", r.field40000).Number("field100000", r.field100000)
        .Number("field200000", r.field200000).Number("field400000", r.field400000);
    PrintRecord(call, record);
    return kDone;
}

const OptionSpec kCreateOptions[] = {
    {"capacity", "BYTES", "bytes of messages the queue holds (0: 3964)"},
    {"max-count", "N", "most messages at once (0: no limit)"},
    {"exclusive", nullptr, "fail when the queue exists"},
};

}  // namespace

void AddIpcCommands(CommandTable &table)
{
    std::vector<OptionSpec> create(std::begin(kCreateOptions), std::end(kCreateOptions));
    create.push_back({"event", nullptr, "signal a named event while messages wait (needed by watch)"});
    create.push_back({"hold", "SECONDS", "keep the queue that long (default: until standard input ends)"});
    table.Add({"queues", "create", "NAME", "create a named message queue and hold it open",
               "A queue lives while a process holds it: this command keeps it until --hold\n"
               "seconds have passed or its standard input ends.",
               1, 1, create, CreateQueueCommand});
    table.Add({"queues", "add", "NAME TEXT", "add a message to a queue", nullptr, 2, 2,
               {{"type", "N", "message type (default 0)"}, {"front", nullptr, "add before the first message"}},
               AddMessage});
    table.Add({"queues", "remove", "NAME", "take the oldest message of a queue and print it",
               "A message with control characters is shown as hexadecimal (\"hex\").", 1, 1,
               {{"last", nullptr, "take the newest message instead"}}, RemoveMessage});
    std::vector<OptionSpec> watch = {{"count", "N", "stop after N messages (exit code 3 if they do not come in time)"},
                                     {"timeout", "MS", "stop waiting after MS milliseconds"},
                                     {"create", nullptr, "create the queue (with its event) and hold it while watching"}};
    watch.insert(watch.end(), std::begin(kCreateOptions), std::end(kCreateOptions));
    table.Add({"queues", "watch", "NAME", "wait on a queue's event and print each message as it comes",
               "With --json each message is one JSON object on a line of its own.", 1, 1, watch, WatchQueue});
    table.Add({"tables", "create", "", "create the IBDAT and RMDAT status tables and hold them", nullptr, 0, 0,
               {{"entries", "N", "IBDAT entries (default 16)"},
                {"hold", "SECONDS", "keep the tables that long (default: until standard input ends)"}},
               CreateTables});
    table.Add({"tables", "ibdat", "", "show the IBDAT entries in use and the table value", nullptr, 0, 0, {}, DumpIbdat});
    table.Add({"tables", "entry", "NAME [VALUE]", "set (adding it if need be) or remove an IBDAT entry", nullptr, 1, 2,
               {{"remove", nullptr, "remove the entry"}}, SetEntry});
    table.Add({"tables", "rmdat", "", "show the RMDAT record and value, after the changes given", nullptr, 0, 0,
               {{"state", "N", "set the state field"}, {"text", "TEXT", "set the text field"},
                {"value", "N", "set the table value"}},
               Rmdat});
}

}  // namespace cvxcfg
