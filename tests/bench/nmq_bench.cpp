// Prints what a message costs through the named queue, two ways: through
// queues the calling process holds open (the calls work through its handles)
// and through queues it reaches by name alone (every call opens and closes the
// queue). Beside them: the bare Win32 calls of each way, made by hand (their
// floors), and a Win32 named pipe, the transport a user would pick instead.
//
//   nmq_bench [pairs per round] [round trips per round] [rounds]
//
// Every figure is the median of many short rounds; the rounds of all figures
// alternate so that a busy machine weighs on all alike. The queues reached by
// name are kept alive by a helper process that holds them, so that the
// measuring processes hold none.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cvxutil.h"

namespace {

constexpr DWORD kMessage = 64;
constexpr DWORD kWait = 10000;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

[[noreturn]] void Fail(const char *what, DWORD code)
{
    std::fprintf(stderr, "nmq_bench: %s failed: %lu (0x%08lX)\n", what, code, code);
    std::exit(1);
}

void Check(DWORD rc, const char *what)
{
    if (rc) Fail(what, rc);
}

// ---- the floor: the Win32 calls of one queue call, by hand --------------------------
// Exactly what CVU_NmqAdd and CVU_NmqRemove do with the kernel: open the
// block (structure mutex, mapping, view, data mutex, handle, count), lock,
// signal the event by its name, unlock, close the block. The message work
// itself is a plain copy.
struct BareQueue {
    std::string structure, mapping, data, event;
    explicit BareQueue(const std::string &queue)
        : structure("cvuNsm_MT::~Nmq::" + queue), mapping("cvuNsm_FM::~Nmq::" + queue),
          data("cvuNsm_MT_DATA::~Nmq::" + queue), event("cvuNmq_EV::" + queue)
    {
    }
};

// One call; add copies a message in, remove copies it out and resets.
void BareCall(const BareQueue &q, bool add, void *message)
{
    HANDLE structure = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, q.structure.c_str());
    WaitForSingleObject(structure, kWait);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, q.mapping.c_str());
    BYTE *view = static_cast<BYTE *>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    HANDLE dataMutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, q.data.c_str());
    void *handle = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 32);
    if (!structure || !mapping || !view || !dataMutex || !handle) Fail("bare open", GetLastError());
    ++*reinterpret_cast<DWORD *>(view + 4);
    ReleaseMutex(structure);

    WaitForSingleObject(dataMutex, kWait);
    BYTE *slot = view + 92 + 136 + 8;
    if (add) std::memcpy(slot, message, kMessage);
    else std::memcpy(message, slot, kMessage);
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, q.event.c_str());
    if (add) SetEvent(event);
    else ResetEvent(event);
    CloseHandle(event);
    ReleaseMutex(dataMutex);

    WaitForSingleObject(structure, kWait);
    --*reinterpret_cast<DWORD *>(view + 4);
    CloseHandle(dataMutex);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    ReleaseMutex(structure);
    CloseHandle(structure);
    HeapFree(GetProcessHeap(), 0, handle);
}

// ---- the floor of a held queue: its Win32 calls by hand --------------------------------
// What a call through a held queue does with the kernel: lock, signal the
// event, unlock, on objects opened once.
struct BareHeldQueue {
    HANDLE dataMutex, event;
    BYTE *view;
    explicit BareHeldQueue(const BareQueue &q)
        : dataMutex(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, q.data.c_str())),
          event(OpenEventA(EVENT_ALL_ACCESS, FALSE, q.event.c_str())), view(nullptr)
    {
        mapping_ = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, q.mapping.c_str());
        if (mapping_) view = static_cast<BYTE *>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (!dataMutex || !event || !view) Fail("bare held open", GetLastError());
    }
    ~BareHeldQueue()
    {
        UnmapViewOfFile(view);
        CloseHandle(mapping_);
        CloseHandle(event);
        CloseHandle(dataMutex);
    }
    BareHeldQueue(const BareHeldQueue &) = delete;

private:
    HANDLE mapping_ = nullptr;
};

void BareHeldCall(const BareHeldQueue &q, bool add, void *message)
{
    WaitForSingleObject(q.dataMutex, kWait);
    BYTE *slot = q.view + 92 + 136 + 8;
    if (add) std::memcpy(slot, message, kMessage);
    else std::memcpy(message, slot, kMessage);
    if (add) SetEvent(q.event);
    else ResetEvent(q.event);
    ReleaseMutex(q.dataMutex);
}

// ---- the transports -------------------------------------------------------------------
// The ways a message goes: "held" and "byname" through the library, "bare" and
// "bareheld" by hand, "pipe".
const char *const kHeld = "held";
const char *const kByName = "byname";
const char *const kBare = "bare";
const char *const kBareHeld = "bareheld";
const char *const kPipe = "pipe";

// Queues of a run: those this process and its echo hold, and those only the
// keeper holds.
std::string QueueName(const std::string &tag, const char *what, bool held)
{
    return tag + "_" + what + (held ? "_h" : "_n");
}

bool UsesHeldQueues(const std::string &mode) { return mode == kHeld; }

void QueueAdd(const std::string &queue, BYTE *message)
{
    Check(CVU_NmqAdd(queue.c_str(), 1, message, kMessage, 0), "CVU_NmqAdd");
}

void QueueRemove(const std::string &queue, BYTE *message)
{
    DWORD type = 0, length = kMessage;
    Check(CVU_NmqRemove(queue.c_str(), &type, message, &length, NMQ_FRONT), "CVU_NmqRemove");
}

HANDLE QueueEvent(const std::string &queue)
{
    HANDLE event = nullptr;
    Check(CVU_NmqGetEvent(queue.c_str(), &event), "CVU_NmqGetEvent");
    return event;
}

NmqHandle *CreateQueue(const std::string &queue)
{
    NmqHandle *handle = nullptr;
    Check(CVU_NmqCreate(queue.c_str(), NMQ_EVENT, 0, 0, &handle), "CVU_NmqCreate");
    return handle;
}

// One queue reached the way a mode goes; add or remove one message.
class Way {
public:
    Way(const std::string &mode, const std::string &queue) : mode_(mode), queue_(queue), bare_(queue)
    {
        if (mode == kBareHeld) held_ = std::make_unique<BareHeldQueue>(bare_);
    }
    void Send(BYTE *message) { Call(true, message); }
    void Take(BYTE *message) { Call(false, message); }

private:
    void Call(bool add, BYTE *message)
    {
        if (mode_ == kBare) BareCall(bare_, add, message);
        else if (mode_ == kBareHeld) BareHeldCall(*held_, add, message);
        else if (add) QueueAdd(queue_, message);
        else QueueRemove(queue_, message);
    }
    std::string mode_, queue_;
    BareQueue bare_;
    std::unique_ptr<BareHeldQueue> held_;
};

std::string PipeName(const std::string &tag) { return "\\\\.\\pipe\\nmq_bench_" + tag; }

HANDLE CreatePipe(const std::string &name)
{
    HANDLE pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                   1, 4096, 4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) Fail("CreateNamedPipeA", GetLastError());
    return pipe;
}

HANDLE OpenPipe(const std::string &name)
{
    for (int tries = 0; tries < 200; ++tries) {
        HANDLE pipe = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
            return pipe;
        }
        Sleep(10);
    }
    Fail("CreateFileA on the pipe", GetLastError());
}

void PipeSend(HANDLE pipe, const BYTE *message)
{
    DWORD done = 0;
    if (!WriteFile(pipe, message, kMessage, &done, nullptr) || done != kMessage) Fail("WriteFile", GetLastError());
}

void PipeReceive(HANDLE pipe, BYTE *message)
{
    DWORD done = 0;
    if (!ReadFile(pipe, message, kMessage, &done, nullptr) || done != kMessage) Fail("ReadFile", GetLastError());
}

// ---- the helper processes -----------------------------------------------------------------
PROCESS_INFORMATION StartSelf(const std::string &arguments)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        Fail("CreateProcessA", GetLastError());
    return pi;
}

void EndSelf(PROCESS_INFORMATION &pi, const char *what)
{
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) Fail(what, 0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (code) Fail(what, code);
}

HANDLE NamedEvent(const std::string &name) { return CreateEventA(nullptr, TRUE, FALSE, name.c_str()); }

// "--keep <tag>": holds the queues that the others reach by name alone, until
// told to stop.
int Keep(const std::string &tag)
{
    HANDLE kept = NamedEvent(tag + "_kept"), stop = NamedEvent(tag + "_stop");
    std::vector<NmqHandle *> queues;
    for (const char *what : {"local", "ping", "pong"}) queues.push_back(CreateQueue(QueueName(tag, what, false)));
    SetEvent(kept);
    WaitForSingleObject(stop, INFINITE);
    for (NmqHandle *queue : queues) CVU_NmqClose(queue);
    CloseHandle(stop);
    CloseHandle(kept);
    return 0;
}

// "--echo <mode> <tag> <count>": takes count messages and sends each one back.
int Echo(const std::string &mode, const std::string &tag, int count)
{
    BYTE message[kMessage];
    if (mode == kPipe) {
        HANDLE pipe = OpenPipe(PipeName(tag));
        for (int i = 0; i < count; ++i) {
            PipeReceive(pipe, message);
            PipeSend(pipe, message);
        }
        CloseHandle(pipe);
        return 0;
    }
    bool held = UsesHeldQueues(mode);
    const std::string ping = QueueName(tag, "ping", held), pong = QueueName(tag, "pong", held);
    NmqHandle *pingQueue = nullptr, *pongQueue = nullptr;
    if (held) {
        Check(CVU_NmqOpen(ping.c_str(), &pingQueue), "CVU_NmqOpen");
        Check(CVU_NmqOpen(pong.c_str(), &pongQueue), "CVU_NmqOpen");
    }
    HANDLE arrived = QueueEvent(ping);
    Way in(mode, ping), out(mode, pong);
    for (int i = 0; i < count; ++i) {
        if (WaitForSingleObject(arrived, kWait) != WAIT_OBJECT_0) Fail("echo wait", GetLastError());
        in.Take(message);
        out.Send(message);
    }
    CloseHandle(arrived);
    if (pongQueue) CVU_NmqClose(pongQueue);
    if (pingQueue) CVU_NmqClose(pingQueue);
    return 0;
}

// ---- measurements ------------------------------------------------------------------------
// Seconds per operation of one round.
using Round = std::function<double(int round)>;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs the rounds of several figures interleaved, each round starting with
// the next figure in turn; gives each figure's median.
std::vector<double> Interleaved(const std::vector<Round> &figures, int rounds)
{
    std::vector<std::vector<double>> samples(figures.size());
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < figures.size(); ++i) {
            size_t f = (r + i) % figures.size();
            samples[f].push_back(figures[f](r));
        }
    std::vector<double> medians;
    for (auto &s : samples) medians.push_back(Median(s));
    return medians;
}

// Seconds per add + remove pair within this process.
double InProcessPairs(const std::string &mode, const std::string &tag, int pairs)
{
    BYTE message[kMessage] = {1, 2, 3};
    Way way(mode, QueueName(tag, "local", UsesHeldQueues(mode)));
    double start = Now();
    for (int i = 0; i < pairs; ++i) {
        way.Send(message);
        way.Take(message);
    }
    return (Now() - start) / pairs;
}

double InProcessPipePairs(int pairs, int round)
{
    std::string name = PipeName("local" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(round));
    HANDLE server = CreatePipe(name);
    HANDLE client = OpenPipe(name);
    ConnectNamedPipe(server, nullptr);
    BYTE message[kMessage] = {1};
    double start = Now();
    for (int i = 0; i < pairs; ++i) {
        PipeSend(client, message);
        PipeReceive(server, message);
    }
    double perPair = (Now() - start) / pairs;
    CloseHandle(client);
    CloseHandle(server);
    return perPair;
}

std::string EchoArguments(const std::string &mode, const std::string &tag, int count)
{
    return "--echo " + mode + " " + tag + " " + std::to_string(count);
}

// Seconds per round trip: a message to an echoing process and back.
double RoundTrips(const std::string &mode, const std::string &tag, int trips, int round)
{
    BYTE message[kMessage] = {7};
    if (mode == kPipe) {
        std::string pipeTag = tag + "_" + std::to_string(round);
        HANDLE pipe = CreatePipe(PipeName(pipeTag));
        PROCESS_INFORMATION echo = StartSelf(EchoArguments(mode, pipeTag, trips + 1));
        if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED)
            Fail("ConnectNamedPipe", GetLastError());
        PipeSend(pipe, message);  // warm-up
        PipeReceive(pipe, message);
        double start = Now();
        for (int i = 0; i < trips; ++i) {
            PipeSend(pipe, message);
            PipeReceive(pipe, message);
        }
        double perTrip = (Now() - start) / trips;
        EndSelf(echo, "echo process");
        CloseHandle(pipe);
        return perTrip;
    }

    bool held = UsesHeldQueues(mode);
    const std::string ping = QueueName(tag, "ping", held), pong = QueueName(tag, "pong", held);
    HANDLE back = QueueEvent(pong);
    Way out(mode, ping), in(mode, pong);
    PROCESS_INFORMATION echo = StartSelf(EchoArguments(mode, tag, trips + 1));
    auto trip = [&] {
        out.Send(message);
        if (WaitForSingleObject(back, kWait) != WAIT_OBJECT_0) Fail("round trip wait", GetLastError());
        in.Take(message);
    };
    trip();  // warm-up, and the echo process is surely running
    double start = Now();
    for (int i = 0; i < trips; ++i) trip();
    double perTrip = (Now() - start) / trips;
    EndSelf(echo, "echo process");
    CloseHandle(back);
    return perTrip;
}

void PrintFigure(const char *what, double seconds, double floor, double pipe)
{
    std::printf("  %-44s %9.0f /s  %8.1f us   x%5.2f of floor   x%6.2f of pipe\n", what, 1.0 / seconds,
                seconds * 1e6, seconds / floor, seconds / pipe);
}

void PrintReference(const char *what, double seconds)
{
    std::printf("  %-44s %9.0f /s  %8.1f us\n", what, 1.0 / seconds, seconds * 1e6);
}

// The figures of one measurement, in the order of kModes.
void PrintFigures(const std::vector<double> &f)
{
    PrintFigure("held queues: through the process's handles", f[0], f[2], f[4]);
    PrintFigure("by name: every call opens the queue", f[1], f[2], f[4]);
    PrintReference("floor of by name: its Win32 calls by hand", f[2]);
    PrintReference("floor of held: its Win32 calls by hand", f[3]);
    PrintReference("named pipe", f[4]);
}

const char *const kModes[] = {kHeld, kByName, kBare, kBareHeld, kPipe};

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 5 && std::strcmp(argv[1], "--echo") == 0) return Echo(argv[2], argv[3], std::atoi(argv[4]));
    if (argc >= 3 && std::strcmp(argv[1], "--keep") == 0) return Keep(argv[2]);
    int pairs = argc > 1 ? std::atoi(argv[1]) : 400;
    int trips = argc > 2 ? std::atoi(argv[2]) : 200;
    int rounds = argc > 3 ? std::atoi(argv[3]) : 15;
    std::printf("nmq_bench (%d-bit): %d-byte messages; rounds of %d pairs and of %d round trips, median of %d\n",
                int(sizeof(void *) * 8), int(kMessage), pairs, trips, rounds);

    const std::string tag = "nb" + std::to_string(GetCurrentProcessId());
    HANDLE kept = NamedEvent(tag + "_kept"), stop = NamedEvent(tag + "_stop");
    PROCESS_INFORMATION keeper = StartSelf("--keep " + tag);
    if (WaitForSingleObject(kept, 60000) != WAIT_OBJECT_0) Fail("keeper process did not start", 0);
    std::vector<NmqHandle *> held;
    for (const char *what : {"local", "ping", "pong"}) held.push_back(CreateQueue(QueueName(tag, what, true)));

    // One process: add then remove.
    InProcessPairs(kHeld, tag, pairs / 10 + 1);  // warm-up
    InProcessPairs(kByName, tag, pairs / 10 + 1);
    std::vector<Round> local;
    for (const char *mode : kModes)
        local.push_back([&, mode](int r) {
            return mode == kPipe ? InProcessPipePairs(pairs, r) : InProcessPairs(mode, tag, pairs);
        });
    std::vector<double> one = Interleaved(local, rounds);

    // Two processes: a message there and back.
    std::vector<Round> remote;
    for (const char *mode : kModes) remote.push_back([&, mode](int r) { return RoundTrips(mode, tag, trips, r); });
    std::vector<double> two = Interleaved(remote, rounds);

    for (NmqHandle *queue : held) CVU_NmqClose(queue);
    SetEvent(stop);
    EndSelf(keeper, "keeper process");
    CloseHandle(stop);
    CloseHandle(kept);

    std::printf("\nOne process, add + remove pairs:\n");
    PrintFigures(one);
    std::printf("\nTwo processes, ping-pong round trips (2 messages each):\n");
    PrintFigures(two);
    std::printf("\nGoal: held add+remove at most x0.50 of the by-name floor: x%.2f; "
                "held round trip at most x3.00 of the pipe: x%.2f\n",
                one[0] / one[2], two[0] / two[4]);
    return 0;
}
