// Exports that read and then write CVEX.INI wait for the configuration file
// lock that another process (here: another thread holding the named mutex)
// holds, and finish once it is released; pure readers do not wait.
#include <cstring>
#include <functional>

#include <random>
#include <string>

#include "cvxcfg_tool.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr char kMutexName[] = "CVX_ConfigFileLock";

struct LockedCall {
    const char *what;
    std::function<void()> call;
};

struct Worker {
    std::function<void()> call;
    static DWORD WINAPI Run(LPVOID self)
    {
        static_cast<Worker *>(self)->call();
        return 0;
    }
};

// Runs call on a second thread while this thread holds the lock; returns
// whether the call was still waiting after waitMs.
bool WaitsForLock(const std::function<void()> &call, DWORD waitMs = 300)
{
    // Opened, not created owned: the library's own handle keeps it in being.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    Worker worker{call};
    HANDLE thread = CreateThread(nullptr, 0, Worker::Run, &worker, 0, nullptr);
    bool waited = WaitForSingleObject(thread, waitMs) == WAIT_TIMEOUT;
    ReleaseMutex(mutex);
    EXPECT_EQ(WaitForSingleObject(thread, 8000), WAIT_OBJECT_0) << "the call never finished";
    CloseHandle(thread);
    CloseHandle(mutex);
    return waited;
}

class ConfigLockExports : public CleanTest {};

TEST_F(ConfigLockExports, WritersWaitForTheHolderThenFinish)
{
    WriteFileText(ini_, "[SERVER]\nGROUPS=1\nLOGSPACE=99999\n[GROUP1]\nNAME=Sales\nLINES=(L1)\n");
    ClientSettings settings{};
    settings.activityTimer = 12;
    settings.timeout = 4;
    GroupParams params{};
    params.conferenceMode = CVU_CONFERENCE_F;
    const LockedCall calls[] = {
        {"AddGroup", [] { CVU_AddGroupA("Support", "L2\0", FALSE); }},
        {"ModifyGroupLines", [] { CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "Sales", "L3"); }},
        {"SetGroupParam", [&] { CVU_SetGroupParamA("Sales", CVU_GROUPPARAM_RECORD, &params, FALSE); }},
        {"DeleteGroup", [] { CVU_DeleteGroupA("Support"); }},
        {"PurgeEmptyGroups", [] { CVU_PurgeEmptyGroups(); }},
        {"SetClientRedirection", [] { CVU_SetClientRedirection("COM3", "Sales"); }},
        {"SetClientRedirectionEx", [] { CVU_SetClientRedirectionEx("COM4", "Sales", "desc"); }},
        {"SetClientSettings", [&] { CVU_SetClientSettings(&settings); }},
        {"GetLogBuffSize (repairs the file)", [] { CVU_GetLogBuffSize(); }},
    };
    for (const auto &c : calls) EXPECT_TRUE(WaitsForLock(c.call)) << c.what << " did not wait for the lock";

    // Every call went through once the lock was free.
    EXPECT_EQ(ReadFileText(ini_),
              "[SERVER]\r\nGROUPS=1\r\nLOGSPACE=0\r\n[GROUP1]\r\nNAME=Sales\r\nLINES=(L1,L3)\r\nCONFERENCE=F\r\n"
              "[CLIENT]\r\nREDIRECTPORTS=(3,4)\r\nCOM3DEST=Sales\r\nCOM4DEST=Sales\r\n[DESC]\r\n"
              "Port3Desc=Redirected by Calvex\r\nPort4Desc=desc\r\n[SESSIONSPARMS]\r\nQUEUE=N\r\nRETRY=N\r\n"
              "ACTIVITYTIMER=12\r\nTIMEOUT=4\r\n");
}

TEST_F(ConfigLockExports, LineWritersWaitForTheHolderThenFinish)
{
    WriteFileText(ini_, "[SERVER]\nGROUPS=1\n[GROUP1]\nNAME=Sales\nLINES=(Fax)\n");
    SharedPortParams fax{};
    std::strcpy(fax.shareName, "Fax");
    std::strcpy(fax.portName, "COM3");
    CVU_GetDefaultPortConfig(&fax.config);
    SharedPortParams data = fax;
    std::strcpy(data.shareName, "Data");
    std::strcpy(data.portName, "COM4");
    SharedPortParams faster = fax;
    faster.config.baudRate = 19200;
    const LockedCall calls[] = {
        {"ShareNewPort", [&] { CVU_ShareNewPort(&fax); }},
        {"ShareNewPort (second line)", [&] { CVU_ShareNewPort(&data); }},
        {"UpdateSharedPortParams", [&] { CVU_UpdateSharedPortParams(&faster, 0); }},
        {"RenamePort", [] { CVU_RenamePort("COM3", "Fax", "Telefax"); }},
        {"StopSharingPort", [] { CVU_StopSharingPort("COM4"); }},
    };
    for (const auto &c : calls) EXPECT_TRUE(WaitsForLock(c.call)) << c.what << " did not wait for the lock";

    // Every call went through once the lock was free: one line left, renamed
    // in its group, with the updated speed.
    SharedPortParams read{};
    ASSERT_TRUE(CVU_GetSharedPortParams("COM3", &read));
    EXPECT_STREQ(read.shareName, "Telefax");
    EXPECT_EQ(read.config.baudRate, 19200u);
    EXPECT_FALSE(CVU_GetSharedPortParams("COM4", nullptr));
    EXPECT_EQ(CVU_GetNumServerPorts(), 1);
    char lines[64];
    ASSERT_EQ(CVU_GetGroupParamA("Sales", CVU_GROUPPARAM_LINES, lines, sizeof lines), 0u);
    EXPECT_STREQ(lines, "Telefax");
}

// A holder that keeps the lock past the wait: the change is not made and the
// export fails as it does when the file cannot be written.
TEST_F(ConfigLockExports, AWriterThatTimesOutChangesNothing)
{
    const std::string before = "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=Sales\r\n";
    WriteFileText(ini_, before);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    DWORD rc = 0;
    Worker worker{[&] { rc = CVU_AddGroupA("Support", nullptr, FALSE); }};
    HANDLE thread = CreateThread(nullptr, 0, Worker::Run, &worker, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
    ReleaseMutex(mutex);
    CloseHandle(thread);
    CloseHandle(mutex);
    EXPECT_EQ(rc, DWORD(ERROR_TIMEOUT));
    EXPECT_EQ(ReadFileText(ini_), before);
}

TEST_F(ConfigLockExports, ReadersDoNotWait)
{
    WriteFileText(ini_, "[SERVER]\nGROUPS=1\n[GROUP1]\nNAME=Sales\nLINES=(L1)\n");
    char buffer[64];
    DWORD count = 0;
    EXPECT_FALSE(WaitsForLock([&] { CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, sizeof buffer, &count); }));
    EXPECT_EQ(count, 1u);
    EXPECT_FALSE(WaitsForLock([&] { CVU_GetGroupParamA("Sales", CVU_GROUPPARAM_NAME, buffer, sizeof buffer); }));
    EXPECT_STREQ(buffer, "Sales");
}

// ---- a writer killed at any moment --------------------------------------------

constexpr int kCrashLines = 40;

std::string LineName(int n) { return "L" + std::to_string(n); }
std::string PortName(int n) { return "COM" + std::to_string(n); }

// The d-th change of the sequence: which one depends only on d and on the
// file, so that the parent can make it again on the file it started from.
// Every change keeps the file consistent: groups list shared lines only.
void CrashStep(unsigned d)
{
    std::mt19937 random(d * 7919u + 17u);
    int n = 1 + int(random() % kCrashLines), m = n % kCrashLines + 1;
    auto shared = [](int k) { return CVU_GetSharedPortParams(PortName(k).c_str(), nullptr) != FALSE; };
    std::string group = "G" + std::to_string(n);
    switch (random() % 5) {
    case 0:
        if (shared(n)) {
            CVU_StopSharingPort(PortName(n).c_str());
        } else {
            SharedPortParams params{};
            std::snprintf(params.shareName, sizeof params.shareName, "%s", LineName(n).c_str());
            std::snprintf(params.portName, sizeof params.portName, "%s", PortName(n).c_str());
            CVU_GetDefaultPortConfig(&params.config);
            CVU_ShareNewPort(&params);
        }
        break;
    case 1: CVU_DeleteGroupA(group.c_str()); break;
    case 2: {
        std::string lines;
        for (int k : {n, m})
            if (shared(k)) lines += LineName(k) + '\0';
        lines += '\0';
        CVU_AddGroupA(group.c_str(), lines.c_str(), TRUE);
        break;
    }
    case 3:
        if (shared(n)) CVU_ModifyGroupLinesA(CVU_GL_ADDLINETOALLGROUPS, LineName(n).c_str(), nullptr);
        break;
    default: CVU_ModifyGroupLinesA(CVU_GL_REMOVELINEFROMALLGROUPS, LineName(n).c_str(), nullptr); break;
    }
}

// The journal holds the number of the next change and the file before it,
// replaced whole after every change.
std::string JournalPath() { return ExeDirectory() + "crash-journal.txt"; }

bool ReadJournal(unsigned *next, std::string *file)
{
    std::string text = ReadFileText(JournalPath());
    size_t end = text.find('\n');
    if (end == std::string::npos) return false;
    *next = unsigned(std::stoul(text.substr(0, end)));
    *file = text.substr(end + 1);
    return true;
}

void WriteJournal(unsigned next, const std::string &file)
{
    std::string temporary = JournalPath() + ".new";
    WriteFileText(temporary, std::to_string(next) + "\n" + file);
    MoveFileExA(temporary.c_str(), JournalPath().c_str(), MOVEFILE_REPLACE_EXISTING);
}

CVX_CHILD_ROLE(config_crash_writer)
{
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s", args.at(0).c_str());
    unsigned next;
    std::string file;
    if (!ReadJournal(&next, &file)) return 2;
    for (;; ++next) {
        CrashStep(next);
        WriteJournal(next + 1, ReadFileText(path));
    }
}

TEST_F(ConfigLockExports, AWriterKilledAtAnyMomentLeavesAWholeFile)
{
    for (int n = 1; n <= kCrashLines; ++n) {
        SharedPortParams params{};
        std::snprintf(params.shareName, sizeof params.shareName, "%s", LineName(n).c_str());
        std::snprintf(params.portName, sizeof params.portName, "%s", PortName(n).c_str());
        CVU_GetDefaultPortConfig(&params.config);
        CVU_ShareNewPort(&params);
        CVU_AddGroupA(("G" + std::to_string(n)).c_str(), (LineName(n) + '\0' + '\0').c_str(), FALSE);
    }
    WriteJournal(1000, ReadFileText(ini_));
    std::mt19937 random(20261206);
    int kills = 0, midway = 0;
    for (; kills < 30; ++kills) {
        ChildProcess writer = StartChild("config_crash_writer", {ini_});
        ASSERT_TRUE(writer.Started());
        Sleep(150 + random() % 400);
        writer.Kill();
        std::string left = ReadFileText(ini_);
        unsigned next;
        std::string before;
        ASSERT_TRUE(ReadJournal(&next, &before));
        if (left != before) {
            // The change the writer was making: made again here from the file
            // before it, it must give what the writer left.
            ASSERT_TRUE(WriteFileText(ini_, before));
            CrashStep(next);
            ASSERT_EQ(ReadFileText(ini_), left) << "kill " << kills << " during change " << next
                                                << ": the file is neither the one before the change nor the one after";
            ++midway;
        }
        ProgramResult check = Cvxcfg({"check"});
        ASSERT_EQ(0, check.exitCode) << "kill " << kills << ":\n" << check.out;
    }
    std::printf("%d kills, %d after a change was written and before the next began\n", kills, midway);
    DeleteFileA(JournalPath().c_str());
}

}  // namespace
