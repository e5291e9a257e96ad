// Prints what a message costs through the named queue, against the bare
// Win32 calls one queue call must make (its floor) and against a Win32 named
// pipe, the transport a user would pick instead.
//
//   nmq_bench [pairs per round] [round trips per round] [rounds]
//
// Every figure is the median of many short rounds; the rounds of a figure, of
// its floor and of the pipe alternate so that a busy machine weighs on all
// alike.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
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

// ---- the three transports -------------------------------------------------------------
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

// ---- the echoing process ------------------------------------------------------------------
// "--echo queue|bare|pipe <tag> <count>": takes count messages and sends each
// one back.
int Echo(const std::string &mode, const std::string &tag, int count)
{
    BYTE message[kMessage];
    if (mode == "pipe") {
        HANDLE pipe = OpenPipe(PipeName(tag));
        for (int i = 0; i < count; ++i) {
            PipeReceive(pipe, message);
            PipeSend(pipe, message);
        }
        CloseHandle(pipe);
        return 0;
    }
    const std::string ping = tag + "_ping", pong = tag + "_pong";
    NmqHandle *hold = nullptr;
    Check(CVU_NmqOpen(ping.c_str(), &hold), "CVU_NmqOpen");
    HANDLE arrived = QueueEvent(ping);
    BareQueue barePing(ping), barePong(pong);
    for (int i = 0; i < count; ++i) {
        if (WaitForSingleObject(arrived, kWait) != WAIT_OBJECT_0) Fail("echo wait", GetLastError());
        if (mode == "queue") {
            QueueRemove(ping, message);
            QueueAdd(pong, message);
        } else {
            BareCall(barePing, false, message);
            BareCall(barePong, true, message);
        }
    }
    CloseHandle(arrived);
    CVU_NmqClose(hold);
    return 0;
}

PROCESS_INFORMATION StartEcho(const std::string &mode, const std::string &tag, int count)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" --echo " + mode + " " + tag + " " + std::to_string(count);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        Fail("CreateProcessA", GetLastError());
    return pi;
}

void EndEcho(PROCESS_INFORMATION &pi)
{
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) Fail("echo process did not end", 0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (code) Fail("echo process", code);
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

double InProcessPairs(const std::string &queue, int pairs, bool bare)
{
    BYTE message[kMessage] = {1, 2, 3};
    BareQueue q(queue);
    double start = Now();
    for (int i = 0; i < pairs; ++i) {
        if (bare) {
            BareCall(q, true, message);
            BareCall(q, false, message);
        } else {
            QueueAdd(queue, message);
            QueueRemove(queue, message);
        }
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

// Seconds per round trip: a message to an echoing process and back.
double RoundTrips(const std::string &mode, int trips, int round)
{
    std::string tag = "rt" + std::to_string(GetCurrentProcessId()) + "_" + mode + std::to_string(round);
    BYTE message[kMessage] = {7};
    if (mode == "pipe") {
        HANDLE pipe = CreatePipe(PipeName(tag));
        PROCESS_INFORMATION echo = StartEcho(mode, tag, trips + 1);
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
        EndEcho(echo);
        CloseHandle(pipe);
        return perTrip;
    }

    const std::string ping = tag + "_ping", pong = tag + "_pong";
    NmqHandle *pingQueue = nullptr, *pongQueue = nullptr;
    Check(CVU_NmqCreate(ping.c_str(), NMQ_EVENT, 0, 0, &pingQueue), "CVU_NmqCreate");
    Check(CVU_NmqCreate(pong.c_str(), NMQ_EVENT, 0, 0, &pongQueue), "CVU_NmqCreate");
    HANDLE back = QueueEvent(pong);
    BareQueue barePing(ping), barePong(pong);
    PROCESS_INFORMATION echo = StartEcho(mode, tag, trips + 1);
    auto trip = [&] {
        if (mode == "queue") QueueAdd(ping, message);
        else BareCall(barePing, true, message);
        if (WaitForSingleObject(back, kWait) != WAIT_OBJECT_0) Fail("round trip wait", GetLastError());
        if (mode == "queue") QueueRemove(pong, message);
        else BareCall(barePong, false, message);
    };
    trip();  // warm-up, and the echo process is surely running
    double start = Now();
    for (int i = 0; i < trips; ++i) trip();
    double perTrip = (Now() - start) / trips;
    EndEcho(echo);
    CloseHandle(back);
    CVU_NmqClose(pongQueue);
    CVU_NmqClose(pingQueue);
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

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 5 && std::strcmp(argv[1], "--echo") == 0) return Echo(argv[2], argv[3], std::atoi(argv[4]));
    int pairs = argc > 1 ? std::atoi(argv[1]) : 400;
    int trips = argc > 2 ? std::atoi(argv[2]) : 200;
    int rounds = argc > 3 ? std::atoi(argv[3]) : 15;
    std::printf("nmq_bench (%d-bit): %d-byte messages; rounds of %d pairs and of %d round trips, median of %d\n",
                int(sizeof(void *) * 8), int(kMessage), pairs, trips, rounds);

    // One process: add then remove, through a queue that this process holds.
    const std::string local = "bench_local_" + std::to_string(GetCurrentProcessId());
    NmqHandle *held = nullptr;
    Check(CVU_NmqCreate(local.c_str(), NMQ_EVENT, 0, 0, &held), "CVU_NmqCreate");
    InProcessPairs(local, pairs / 10 + 1, false);  // warm-up
    std::vector<double> one = Interleaved({[&](int) { return InProcessPairs(local, pairs, false); },
                                           [&](int) { return InProcessPairs(local, pairs, true); },
                                           [&](int r) { return InProcessPipePairs(pairs, r); }},
                                          rounds);
    CVU_NmqClose(held);

    // Two processes: a message there and back.
    std::vector<double> two = Interleaved({[&](int r) { return RoundTrips("queue", trips, r); },
                                           [&](int r) { return RoundTrips("bare", trips, r); },
                                           [&](int r) { return RoundTrips("pipe", trips, r); }},
                                          rounds);

    std::printf("\nOne process, add + remove pairs:\n");
    PrintFigure("CVU_NmqAdd + CVU_NmqRemove", one[0], one[1], one[2]);
    PrintReference("floor: the same Win32 calls by hand", one[1]);
    PrintReference("named pipe: write + read", one[2]);
    std::printf("\nTwo processes, ping-pong round trips (2 messages each):\n");
    PrintFigure("queue round trip", two[0], two[1], two[2]);
    std::printf("  %-44s %9.0f /s\n", "queue messages", 2.0 / two[0]);
    PrintReference("floor: the same Win32 calls by hand", two[1]);
    PrintReference("named pipe round trip", two[2]);
    std::printf("\nTarget: the queue at most x1.50 of its floor: add+remove x%.2f, round trip x%.2f\n", one[0] / one[1],
                two[0] / two[1]);
    return 0;
}
