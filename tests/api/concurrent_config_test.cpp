// Four processes change the configuration at the same moment, each on its
// own ports, lines, group and redirections, and each keeps the little it
// needs to predict every result. Each child reports its final state as
// key=value lines; afterwards the exports read exactly that back for every
// child, and cvxcfg check finds nothing.
#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <sstream>

#include "api/cvxcfg_tool.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr int kChildren = 4, kOperations = 500, kPorts = 3;

std::string Port(int number) { return "COM" + std::to_string(number); }
std::string Sorted(std::set<std::string> names)
{
    std::string text;
    for (const std::string &name : names) text += name + ",";
    return "(" + text + ")";
}

// args: child number. Exits with 100 + the
// number of results other than predicted, if any.
CVX_CHILD_ROLE(config_race)
{
    const int child = std::atoi(args.at(0).c_str());
    const std::string group = "G" + args.at(0);
    std::mt19937 random(20240611u + unsigned(child));
    std::map<int, std::string> lines, redirects;  // by port number
    std::set<std::string> members;
    bool groupExists = false;
    int surprises = 0, names = 0;
    auto expect = [&](bool got, bool want) { surprises += got != want; };
    for (int i = 0; i < kOperations; ++i) {
        const int port = 20 * child + 1 + int(random() % kPorts);
        const std::string name = "P" + std::to_string(child) + "n" + std::to_string(++names), portName = Port(port);
        const bool hasLine = lines.count(port) != 0;
        const std::string old = hasLine ? lines[port] : "";
        switch (random() % 4) {
        case 0:
            if (hasLine) {
                expect(CVU_StopSharingPort(portName.c_str()), true);
                if (redirects.count(port) && redirects[port] == old) redirects.erase(port);
                members.erase(old);
                lines.erase(port);
            } else {
                SharedPortParams p{};
                std::strcpy(p.shareName, name.c_str());
                std::strcpy(p.portName, portName.c_str());
                CVU_GetDefaultPortConfig(&p.config);
                expect(CVU_ShareNewPort(&p), true);
                lines[port] = name;
                redirects.emplace(port, name);  // a redirection there already stays
            }
            break;
        case 1:
            if (random() % 3 == 0) {
                expect(CVU_SetClientRedirection(portName.c_str(), nullptr), true);
                redirects.erase(port);
            } else {
                expect(CVU_SetClientRedirectionEx(portName.c_str(), ("D" + name).c_str(), "desc"), true);
                redirects[port] = "D" + name;
            }
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
        report += Port(port) + ".line=" + lines[port] + "\n" + Port(port) + ".redirect=" + redirects[port] + "\n";
    PutResult(("config-race-" + args.at(0)).c_str(), report + group + ".lines=" + (groupExists ? Sorted(members) : "none") + "\n");
    return surprises ? 100 + std::min(surprises, 100) : 0;
}

// What the exports read for one key of a child's report.
std::string Actual(const std::string &key)
{
    const std::string what = key.substr(0, key.find('.')), field = key.substr(key.find('.') + 1);
    if (field == "line") {
        SharedPortParams p{};
        return CVU_GetSharedPortParams(what.c_str(), &p) ? p.shareName : "";
    }
    if (field == "redirect") {
        ClientPortParams p{};
        return CVU_GetClientPortParams(what.c_str(), &p) ? p.destination : "";
    }
    char buffer[512] = {};
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
    int lines = 0;
    for (int child = 1; child <= kChildren; ++child) {
        ASSERT_EQ(0, children[child - 1].Wait(900000)) << "child " << child << " (100 + n: n results other than predicted)";
        std::istringstream report(GetResult(("config-race-" + std::to_string(child)).c_str()));
        std::string expected, actual;
        for (std::string line; std::getline(report, line);) {
            const std::string key = line.substr(0, line.find('='));
            lines += key.ends_with(".line") && line.size() > key.size() + 1;
            expected += line + "\n";
            actual += key + "=" + Actual(key) + "\n";
        }
        EXPECT_EQ(expected, actual) << "CVEX.INI lost or mixed up child " << child << "'s changes\n" << ReadFileText(ini_);
    }
    EXPECT_EQ(lines, CVU_GetNumServerPorts());
    EXPECT_EQ(0, Cvxcfg({"check"}).exitCode) << ReadFileText(ini_);
}

}  // namespace
