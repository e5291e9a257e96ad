// Long runs of open and close, and of configuration changes, leave the
// process with the handles and the memory it had before.
//
// The cycle counts are far below the hundred thousand IPC cycles and ten
// thousand configuration operations a soak run would use: under Wine on a
// loaded two-core machine one IPC round costs 1 to 3 ms and one round of
// the nine configuration calls about 60 ms (every profile write rewrites the
// file), and each test must stay well inside the test timeout (about 5 s and
// 20 s here). A leak of one handle per round still shows as hundreds.
// CVX_SOAK=1 in the environment runs the full counts instead, for a soak run
// outside the test suite.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"
#include "machine_ports.h"

using namespace cvxtest;

namespace {

bool Soak()
{
    char value[8] = "";
    return GetEnvironmentVariableA("CVX_SOAK", value, sizeof value) && value[0] != '0';
}
const int kIpcCycles = Soak() ? 100000 : 2000;
const int kConfigCycles = Soak() ? 10000 : 300;
const int kPortCycles = Soak() ? 10000 : 300;
// Private bytes may move with the heap's own bookkeeping; a leak of even a
// few bytes per cycle over these counts stays above this.
constexpr SIZE_T kMemoryMargin = 1024 * 1024;

struct Usage {
    DWORD handles;
    SIZE_T privateBytes;
};

// Handles in use, found by asking for each handle value in turn: Wine
// answers GetProcessHandleCount with 0. Handle values are handed out lowest
// first, so the probe stops after a long run of unused values.
DWORD CountHandles()
{
    DWORD count = 0, unused = 0, flags;
    for (ULONG_PTR value = 4; unused < 4096; value += 4) {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            unused = 0;
        } else {
            ++unused;
        }
    }
    return count;
}

// Committed private memory, from the address space itself: Wine reports the
// private bytes of GetProcessMemoryInfo as 0.
SIZE_T CountPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char *at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const char *next = static_cast<const char *>(info.BaseAddress) + info.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

Usage Measure() { return {CountHandles(), CountPrivateBytes()}; }

// Runs one warm-up round (lazy per-process state), then cycles rounds, and
// checks that neither handles nor private bytes grew.
void ExpectFlat(const char *what, int cycles, const std::function<void(int)> &round)
{
    for (int i = 0; i < 20; ++i) round(i);
    Usage before = Measure();
    DWORD start = GetTickCount();
    for (int i = 0; i < cycles; ++i) round(i);
    DWORD elapsed = GetTickCount() - start;
    Usage after = Measure();
    std::printf("%-28s %6d cycles %6lu ms  handles %lu -> %lu  private bytes %lu -> %lu\n", what, cycles,
                static_cast<unsigned long>(elapsed), static_cast<unsigned long>(before.handles),
                static_cast<unsigned long>(after.handles), static_cast<unsigned long>(before.privateBytes),
                static_cast<unsigned long>(after.privateBytes));
    ASSERT_GT(before.handles, 0u) << "no handle was found: the count cannot show a leak";
    ASSERT_GT(before.privateBytes, 0u) << "no private memory was found: the count cannot show a leak";
    EXPECT_LE(after.handles, before.handles) << what;
    EXPECT_LE(after.privateBytes, before.privateBytes + kMemoryMargin) << what;
}

std::string Name(const char *tag) { return std::string(tag) + std::to_string(GetCurrentProcessId()); }

class NoLeaks : public CleanTest {};

TEST_F(NoLeaks, SharedMemoryBlocks)
{
    const std::string name = Name("LeakNsm");
    ExpectFlat("NsmCreate/Open/Lock/Close", kIpcCycles, [&](int) {
        NsmHandle *block = nullptr, *second = nullptr;
        ASSERT_EQ(CVU_NsmCreate(name.c_str(), NSM_DATALOCK, 256, &block), 0u);
        ASSERT_EQ(CVU_NsmOpen(name.c_str(), &second), 0u);
        ASSERT_EQ(CVU_NsmLockData(second, 1000), 0u);
        ASSERT_EQ(CVU_NsmUnlockData(second), 0u);
        ASSERT_EQ(CVU_NsmClose(second), 0u);
        ASSERT_EQ(CVU_NsmClose(block), 0u);
    });
}

TEST_F(NoLeaks, MessageQueues)
{
    const std::string name = Name("LeakNmq");
    ExpectFlat("NmqCreate/Add/Remove/Close", kIpcCycles, [&](int i) {
        NmqHandle *queue = nullptr;
        ASSERT_EQ(CVU_NmqCreate(name.c_str(), NMQ_EVENT, 0, 0, &queue), 0u);
        ASSERT_EQ(CVU_NmqAdd(name.c_str(), 7, &i, sizeof i, 0), 0u);
        HANDLE event = nullptr;
        ASSERT_EQ(CVU_NmqGetEvent(name.c_str(), &event), 0u);
        CloseHandle(event);
        DWORD type = 0, length = sizeof i;
        int out = 0;
        ASSERT_EQ(CVU_NmqRemove(name.c_str(), &type, &out, &length, 0), 0u);
        ASSERT_EQ(out, i);
        ASSERT_EQ(CVU_NmqClose(queue), 0u);
    });
}

TEST_F(NoLeaks, StatusTables)
{
    ExpectFlat("Ibdat/Rmdat Create/Update/Close", kIpcCycles, [&](int i) {
        NsmHandle *ibdat = nullptr, *rmdat = nullptr;
        ASSERT_EQ(CVU_IbdatCreate(8, 0, &ibdat), 0u);
        DWORD value = DWORD(i);
        ASSERT_EQ(CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | IBDAT_F_ADD, "line", &value, 4), 0u);
        ASSERT_EQ(CVU_IbdatQuery(IBDAT_ITEM_ENTRY, "line", &value, 4), 0u);
        ASSERT_EQ(CVU_RmdatCreate(0, &rmdat), 0u);
        ASSERT_EQ(CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, &value, 4), 0u);
        ASSERT_EQ(CVU_RmdatClose(rmdat), 0u);
        ASSERT_EQ(CVU_IbdatClose(ibdat), 0u);
    });
}

TEST_F(NoLeaks, ConfigurationChanges)
{
    ExpectFlat("groups, redirections, settings", kConfigCycles, [&](int i) {
        ASSERT_EQ(CVU_AddGroupA("Sales", "L1\0L2\0", FALSE), 0u);
        ASSERT_EQ(CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "Sales", "L3"), 0u);
        char lines[64];
        DWORD count = 0;
        ASSERT_EQ(CVU_EnumGroupsLinesA(CVU_ENUM_LINESOFGROUP, "Sales", lines, sizeof lines, &count), 0u);
        ASSERT_EQ(count, 3u);
        ASSERT_EQ(CVU_DeleteGroupA("Sales"), 0u);
        ASSERT_TRUE(CVU_SetClientRedirection("COM4", "Pool"));
        ASSERT_TRUE(CVU_SetClientRedirection("COM4", nullptr));
        ClientSettings settings{};
        settings.timeout = i % 99;
        settings.triggerCount = 1;
        settings.triggers[0] = 0x0D;
        ASSERT_TRUE(CVU_SetClientSettings(&settings));
        ASSERT_TRUE(CVU_SetBufferSpace(6144 + i));
        ASSERT_EQ(CVU_GetBufferSpace(), 6144 + i);
    });
    EXPECT_EQ(ReadFileText(ini_).find("GROUP1"), std::string::npos);
}

TEST_F(NoLeaks, PortEnumerationsAndLines)
{
    for (int p = 1; p <= 8; ++p) PutSerialEntry("Serial" + std::to_string(p), "COM" + std::to_string(p));
    SharedPortParams line{};
    std::strcpy(line.shareName, "Fax");
    std::strcpy(line.portName, "COM3");
    CVU_GetDefaultPortConfig(&line.config);
    ExpectFlat("port lists, lines", kPortCycles, [&](int) {
        // The first open builds the list from the registry; the last close frees it.
        ASSERT_EQ(CVU_StartPortEnum(), 0u);
        PortEnumRecord entry;
        int listed = 0;
        for (WORD index = 0; CVU_EnumPorts(&index, 0x8003, &entry) == 0;) ++listed;
        ASSERT_EQ(CVU_EndPortEnum(), 0u);
        ASSERT_EQ(listed, 8);
        ASSERT_TRUE(CVU_ShareNewPort(&line));
        ASSERT_TRUE(CVU_RenamePort("COM3", "Fax", "Telefax"));
        ASSERT_TRUE(CVU_StopSharingPort("COM3"));
    });
    EXPECT_EQ(ReadFileText(ini_).find("LINE1"), std::string::npos);
}

}  // namespace
