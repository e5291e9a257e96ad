// Long runs of each inter-process family leave the process with the handles
// it had before. The counts are far below a soak run's (CVX_SOAK=1
// runs ten times as many) so that each family stays within seconds under Wine;
// a leak of one handle per round still shows as hundreds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

// Handles in use, found by asking for each handle value in turn: Wine
// answers GetProcessHandleCount with 0. Values are handed out lowest first,
// so the probe stops after a long run of unused ones.
DWORD CountHandles()
{
    DWORD count = 0, unused = 0, flags;
    for (ULONG_PTR value = 4; unused < 4096; value += 4)
        GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? (++count, unused = 0) : ++unused;
    return count;
}

class NoLeaks : public CleanTest {};

TEST_F(NoLeaks, EachIpcFamilyKeepsTheHandleCountFlat)
{
    const char *soak = std::getenv("CVX_SOAK");
    const int scale = soak && soak[0] != '0' ? 10 : 1;
    const std::string nsm = "LeakNsm" + std::to_string(GetCurrentProcessId()), nmq = "LeakNmq" + nsm.substr(7);
    struct Family {
        const char *what;
        std::function<bool(int)> round;  // false: a call failed
    } families[] = {
        {"blocks: create, open, lock, close",
         [&](int) {
             NsmHandle *block = nullptr, *second = nullptr;
             return !CVU_NsmCreate(nsm.c_str(), NSM_DATALOCK, 256, &block) && !CVU_NsmOpen(nsm.c_str(), &second) &&
                    !CVU_NsmLockData(second, 1000) && !CVU_NsmUnlockData(second) && !CVU_NsmClose(second) &&
                    !CVU_NsmClose(block);
         }},
        {"queues: create, add, event, remove, close",
         [&](int i) {
             NmqHandle *queue = nullptr;
             HANDLE event = nullptr;
             DWORD type = 0, length = sizeof i;
             bool ok = !CVU_NmqCreate(nmq.c_str(), NMQ_EVENT, 0, 0, &queue) && !CVU_NmqAdd(nmq.c_str(), 7, &i, 4, 0) &&
                       !CVU_NmqGetEvent(nmq.c_str(), &event) && CloseHandle(event) &&
                       !CVU_NmqRemove(nmq.c_str(), &type, &i, &length, 0);
             return !CVU_NmqClose(queue) && ok;
         }},
        {"status tables: create, update, close",
         [&](int i) {
             NsmHandle *ibdat = nullptr, *rmdat = nullptr;
             DWORD value = DWORD(i);
             return !CVU_IbdatCreate(8, 0, &ibdat) && !CVU_IbdatUpdate(IBDAT_ITEM_ENTRY | IBDAT_F_ADD, "l", &value, 4) &&
                    !CVU_RmdatCreate(0, &rmdat) && !CVU_RmdatUpdate(RMDAT_ITEM_STATE, 0, &value, 4) &&
                    !CVU_RmdatClose(rmdat) && !CVU_IbdatClose(ibdat);
         }},
    };
    for (const Family &f : families) {
        for (int i = 0; i < 20; ++i) ASSERT_TRUE(f.round(i)) << f.what;  // lazy per-process state
        const DWORD handles = CountHandles();
        ASSERT_GT(handles, 0u) << "no handle was found: the count cannot show a leak";
        for (int i = 0; i < 2000 * scale; ++i) ASSERT_TRUE(f.round(i)) << f.what << ", round " << i;
        std::printf("%-44s handles %lu -> %lu\n", f.what, (unsigned long)handles, (unsigned long)CountHandles());
        EXPECT_LE(CountHandles(), handles) << f.what;
    }
}

}  // namespace
