// Exports that read and then write CVEX.INI wait for the configuration file
// lock that another holder has, and finish once it is released; pure readers
// do not wait; a writer killed at any moment leaves a whole file; writers
// in several processes at once lose none of each other's changes.
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "cvxcfg_tool.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr char kMutexName[] = "CVX_ConfigFileLock";

std::string LineName(int n) { return std::string("L") + std::to_string(n); }
std::string PortName(int n) { return std::string("COM") + std::to_string(n); }
BOOL ShareLine(int port, const std::string &name)
{
    SharedPortParams params{};
    std::strcpy(params.shareName, name.c_str());
    std::strcpy(params.portName, PortName(port).c_str());
    CVU_GetDefaultPortConfig(&params.config);
    return CVU_ShareNewPort(&params);
}

DWORD WINAPI RunCall(LPVOID call) { return (*static_cast<std::function<void()> *>(call))(), 0; }

// Runs call on a second thread while this thread holds the lock for up to
// holdMs; returns whether the call was still waiting then.
bool WaitsForLock(std::function<void()> call, DWORD holdMs = 300)
{
    // Opened, not created owned: the library's own handle keeps it in being.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    HANDLE thread = CreateThread(nullptr, 0, RunCall, &call, 0, nullptr);
    const bool waited = WaitForSingleObject(thread, holdMs) == WAIT_TIMEOUT;
    ReleaseMutex(mutex);
    EXPECT_EQ(WaitForSingleObject(thread, 8000), WAIT_OBJECT_0) << "the call never finished";
    CloseHandle(thread);
    CloseHandle(mutex);
    return waited;
}

// Takes the lock as another process would and dies holding it.
CVX_CHILD_ROLE(die_holding_config_lock)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
    if (!mutex || WaitForSingleObject(mutex, 5000) != WAIT_OBJECT_0) return 2;
    ExitProcess(7);
}

class ConfigLockExports : public CleanTest {};

TEST_F(ConfigLockExports, WritersWaitForTheHolderAndReadersDoNot)
{
    WriteFileText(ini_, "[SERVER]\nGROUPS=1\nLOGSPACE=99999\n[GROUP1]\nNAME=Sales\nLINES=(Fax)\n");
    const GroupParams params = {CVU_CONFERENCE_F, "", "", 0};
    char buffer[64];
    const struct { const char *what; bool waits; std::function<void()> call; } calls[] = {
        {"AddGroup", true, [] { CVU_AddGroupA("Support", "L2\0", FALSE); }},
        {"ModifyGroupLines", true, [] { CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "Sales", "L3"); }},
        {"SetGroupParam", true, [&] { CVU_SetGroupParamA("Sales", CVU_GROUPPARAM_RECORD, &params, FALSE); }},
        {"DeleteGroup", true, [] { CVU_DeleteGroupA("Support"); }},
        {"SetClientRedirectionEx", true, [] { CVU_SetClientRedirectionEx("COM5", "Sales", "desc"); }},
        {"GetLogBuffSize (repairs the file)", true, [] { CVU_GetLogBuffSize(); }},
        {"ShareNewPort", true, [] { ShareLine(3, "Fax"); }},
        {"RenamePort", true, [] { CVU_RenamePort("COM3", "Fax", "Telefax"); }},
        {"EnumGroupsLines", false, [&] { CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, sizeof buffer, nullptr); }},
    };
    for (const auto &c : calls) EXPECT_EQ(c.waits, WaitsForLock(c.call)) << c.what;

    // Every call went through once the lock was free.
    EXPECT_EQ("[SERVER]\r\nGROUPS=1\r\nLOGSPACE=0\r\nLINES=1\r\n[GROUP1]\r\nNAME=Sales\r\nLINES=(L3,Telefax)\r\nCONFERENCE=F\r\n"
              "[CLIENT]\r\nREDIRECTPORTS=(5,3)\r\nCOM5DEST=Sales\r\nCOM3DEST=Telefax\r\n[DESC]\r\nPort5Desc=desc\r\n"
              "Port3Desc=Redirected by Calvex\r\n[LINE1]\r\nNAME=Telefax\r\nMODEM=N\r\nINBOUND=N\r\nAUTOBAUD=N\r\nPORTNAME=COM3\r\nTRANSMIT=TA1\r\n[COMMON]\r\n"
              "TRANSMITSETS=1\r\n[TRANSMIT1]\r\nNAME=TA1\r\nDTPARS=(140,60,720)\r\nFLOW=(1H,1H)\r\nALPARS=(9600,NONE,8,1)\r\n",
              ReadFileText(ini_));
}

// A holder that keeps the lock past the wait: the change is not made and the
// export fails as it does when the file cannot be written. One that died
// holding it stops nobody.
TEST_F(ConfigLockExports, AHolderPastTheWaitBlocksAndADeadOneDoesNot)
{
    const std::string before = "[SERVER]\r\nGROUPS=1\r\n[GROUP1]\r\nNAME=Sales\r\n";
    WriteFileText(ini_, before);
    DWORD rc = 0;
    EXPECT_FALSE(WaitsForLock([&] { rc = CVU_AddGroupA("Support", nullptr, FALSE); }, 20000));
    EXPECT_EQ(rc, DWORD(ERROR_TIMEOUT));
    EXPECT_EQ(ReadFileText(ini_), before);

    ASSERT_EQ(7, StartChild("die_holding_config_lock").Wait());
    EXPECT_EQ(0u, CVU_AddGroupA("Support", nullptr, FALSE));
    EXPECT_EQ(0u, CVU_DeleteGroupA("Support"));
    EXPECT_EQ(ReadFileText(ini_), before);
}

// ---- a writer killed at any moment --------------------------------------------

constexpr int kCrashLines = 40;

// The d-th change depends only on d and on the file, so that the parent can
// make it again on the file it started from. Groups list shared lines only.
void CrashStep(unsigned d)
{
    std::mt19937 random(d * 7919u + 17u);
    const int n = 1 + int(random() % kCrashLines), m = n % kCrashLines + 1;
    auto shared = [](int k) { return CVU_GetSharedPortParams(PortName(k).c_str(), nullptr) != FALSE; };
    const std::string group = std::string("G") + std::to_string(n);
    std::string lines;
    switch (random() % 5) {
    case 0: shared(n) ? void(CVU_StopSharingPort(PortName(n).c_str())) : void(ShareLine(n, LineName(n))); break;
    case 1: CVU_DeleteGroupA(group.c_str()); break;
    case 2:
        for (int k : {n, m})
            if (shared(k)) lines += LineName(k) + '\0';
        CVU_AddGroupA(group.c_str(), (lines + '\0').c_str(), TRUE);
        break;
    case 3: shared(n) ? void(CVU_ModifyGroupLinesA(CVU_GL_ADDLINETOALLGROUPS, LineName(n).c_str(), nullptr)) : void(); break;
    default: CVU_ModifyGroupLinesA(CVU_GL_REMOVELINEFROMALLGROUPS, LineName(n).c_str(), nullptr);
    }
}

// The journal holds the number of the next change and the file before it,
// replaced whole after every change.
std::string JournalPath() { return ExeDirectory() + "crash-journal.txt"; }

// Returns the number of the next change; file: the file before it.
unsigned ReadJournal(std::string *file)
{
    const std::string text = ReadFileText(JournalPath());
    *file = text.substr(text.find('\n') + 1);
    return unsigned(std::strtoul(text.c_str(), nullptr, 10));
}

void WriteJournal(unsigned next, const std::string &file)
{
    WriteFileText(JournalPath() + ".new", std::to_string(next) + "\n" + file);
    MoveFileExA((JournalPath() + ".new").c_str(), JournalPath().c_str(), MOVEFILE_REPLACE_EXISTING);
}

CVX_CHILD_ROLE(config_crash_writer)
{
    std::string file;
    for (unsigned next = ReadJournal(&file);; ++next) {
        CrashStep(next);
        WriteJournal(next + 1, ReadFileText(args.at(0)));
    }
}

TEST_F(ConfigLockExports, AWriterKilledAtAnyMomentLeavesAWholeFile)
{
    for (int n = 1; n <= kCrashLines; ++n) {
        ShareLine(n, LineName(n));
        CVU_AddGroupA((std::string("G") + std::to_string(n)).c_str(), (LineName(n) + '\0' + '\0').c_str(), FALSE);
    }
    WriteJournal(1000, ReadFileText(ini_));
    std::mt19937 random(20261206);
    for (int kills = 0; kills < 30; ++kills) {
        ChildProcess writer = StartChild("config_crash_writer", {ini_});
        ASSERT_TRUE(writer.Started());
        Sleep(150 + random() % 400);
        writer.Kill();
        const std::string left = ReadFileText(ini_);
        std::string before;
        const unsigned next = ReadJournal(&before);
        if (left != before) {
            // The change the writer was making, made again here from the file
            // before it, must give what the writer left.
            ASSERT_TRUE(WriteFileText(ini_, before));
            CrashStep(next);
            ASSERT_EQ(ReadFileText(ini_), left) << "kill " << kills << " during change " << next
                                                << ": the file is neither the one before the change nor the one after";
        }
        ProgramResult check = Cvxcfg({"check"});
        ASSERT_EQ(0, check.exitCode) << "kill " << kills << ":\n" << check.out;
    }
    DeleteFileA(JournalPath().c_str());
}

// ---- writers in several processes at once -----------------------------------

constexpr int kChildren = 4, kOperations = 500, kPorts = 3;

std::string Sorted(std::set<std::string> names)
{
    std::string text;
    for (const std::string &name : names) text += name + ",";
    return "(" + text + ")";
}

// Four processes change the configuration at the same moment, each on its
// own ports, lines, group and redirections, and each keeps the little it
// needs to predict every result. Each child reports its final state as
// key=value lines; afterwards the exports read exactly that back for every
// child, and cvxcfg check finds nothing.
// args: child number. Exits with 101 if any result was other than predicted.
CVX_CHILD_ROLE(config_race)
{
    const int child = std::atoi(args.at(0).c_str());
    const std::string group = "G" + args.at(0);
    std::mt19937 random(20240611u + unsigned(child));
    std::map<int, std::string> lines, redirects;  // by port number
    std::set<std::string> members;
    bool groupExists = false;
    int surprises = 0;
    auto expect = [&](bool got, bool want) { surprises += got != want; };
    for (int i = 0; i < kOperations; ++i) {
        const int port = 20 * child + 1 + int(random() % kPorts);
        const std::string name = "P" + args.at(0) + "n" + std::to_string(i), portName = PortName(port);
        switch (random() % 4) {
        case 0:
            if (lines.count(port)) {
                expect(CVU_StopSharingPort(portName.c_str()), true);
                if (redirects.count(port) && redirects[port] == lines[port]) redirects.erase(port);
                members.erase(lines[port]);
                lines.erase(port);
            } else {
                expect(ShareLine(port, name), true);
                lines[port] = name;
                redirects.emplace(port, name);  // a redirection there already stays
            }
            break;
        case 1:  // a third of them end the redirection
            redirects[port] = random() % 3 ? "D" + name : "";
            expect(CVU_SetClientRedirectionEx(portName.c_str(), redirects[port].empty() ? nullptr : redirects[port].c_str(), "desc"),
                   true);
            if (redirects[port].empty()) redirects.erase(port);
            break;
        case 2: {
            std::string list;
            members.clear();
            for (const auto &[number, line] : lines)
                if (random() % 2) list += line + '\0', members.insert(line);
            expect(CVU_AddGroupA(group.c_str(), (list + '\0' + '\0').c_str(), TRUE) == 0, true);
            groupExists = true;
            break;
        }
        default:
            expect(CVU_DeleteGroupA(group.c_str()) == 0, groupExists);
            groupExists = false;
            members.clear();
        }
    }
    std::string report;
    for (int port = 20 * child + 1; port <= 20 * child + kPorts; ++port)
        report += PortName(port) + ".line=" + lines[port] + "\n" + PortName(port) + ".redirect=" + redirects[port] + "\n";
    PutResult(("config-race-" + args.at(0)).c_str(), report + group + ".lines=" + (groupExists ? Sorted(members) : "none") + "\n");
    return surprises ? 101 : 0;
}

// What the exports read for one key of a child's report.
std::string Actual(const std::string &key)
{
    const std::string what = key.substr(0, key.find('.')), field = key.substr(key.find('.') + 1);
    SharedPortParams line{};
    ClientPortParams redirect{};
    char buffer[512] = {};
    if (field == "line") return CVU_GetSharedPortParams(what.c_str(), &line) ? line.shareName : "";
    if (field == "redirect") return CVU_GetClientPortParams(what.c_str(), &redirect) ? redirect.destination : "";
    if (CVU_GetGroupParamA(what.c_str(), CVU_GROUPPARAM_LINES, buffer, sizeof buffer) != 0) return "none";
    std::set<std::string> names;
    for (const char *p = buffer; *p; p += std::strlen(p) + 1) names.insert(p);
    return Sorted(names);
}

class ConcurrentConfig : public CleanTest {};
TEST_F(ConcurrentConfig, FourProcessesLeaveWhatTheirResultsSay)
{
    // Started one after the other; each runs for seconds, far longer than a start takes.
    std::vector<ChildProcess> children;
    for (int child = 1; child <= kChildren; ++child) children.push_back(StartChild("config_race", {std::to_string(child)}));
    for (int child = 1; child <= kChildren; ++child) {
        ASSERT_EQ(0, children[child - 1].Wait(900000)) << "child " << child << " (101: a result other than predicted)";
        std::istringstream report(GetResult(("config-race-" + std::to_string(child)).c_str()));
        std::string expected, actual;
        for (std::string line; std::getline(report, line);) {
            const std::string key = line.substr(0, line.find('='));
            expected += line + "\n";
            actual += key + "=" + Actual(key) + "\n";
        }
        EXPECT_EQ(expected, actual) << "CVEX.INI lost or mixed up child " << child << "'s changes\n" << ReadFileText(ini_);
    }
    EXPECT_EQ(0, Cvxcfg({"check"}).exitCode) << ReadFileText(ini_);
}

}  // namespace
