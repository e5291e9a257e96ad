// Four processes change the configuration at the same moment, each with its
// own ports, lines, groups and redirections, and each keeps a model of what
// the exports told it they did. Each child reports its final model as
// key=value lines; afterwards CVEX.INI holds exactly that for every child,
// and cvxcfg check finds nothing.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "api/cvxcfg_tool.h"
#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

constexpr int kChildren = 4;
constexpr int kOperations = 500;
// Ports per child: COM(20k+1) to COM(20k+7). Every port may end up
// redirected, and the redirection list holds at most 30 ports.
constexpr int kPortsPerChild = 7;
constexpr int kGroupsPerChild = 4;
constexpr unsigned kDefaultSeed = 20240611;

unsigned Seed()
{
    char text[32] = "";
    if (GetEnvironmentVariableA("CVX_CONFIG_RACE_SEED", text, sizeof text)) return std::strtoul(text, nullptr, 10);
    return kDefaultSeed;
}

int PortNumber(int child, int index) { return 20 * child + 1 + index; }
std::string PortName(int number) { return "COM" + std::to_string(number); }
std::string GroupName(int child, int index) { return "G" + std::to_string(child) + "N" + std::to_string(index); }

std::string Upper(std::string text)
{
    for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// ---- what one child expects ------------------------------------------------------

struct LineModel {
    std::string name;
    DWORD inbound = 0, autobaud = 0;
    PortConfig config{};
};

struct GroupParamsModel {
    DWORD conference = 0;
    std::string callForward, phone;
    bool inbound = false;
};

struct GroupModel {
    std::vector<std::string> members;
    GroupParamsModel params;
};

struct RedirectModel {
    std::string destination;
    std::string description;  // empty: the library's standard text
};

struct Model {
    std::map<int, LineModel> lines;             // port number
    std::map<std::string, GroupModel> groups;
    std::map<int, RedirectModel> redirections;  // port number
    std::optional<ClientSettings> settings;     // the last this child stored
    std::vector<std::string> surprises;         // results the model did not predict

    void Surprise(const std::string &what)
    {
        if (surprises.size() < 10) surprises.push_back(what);
    }
};

std::string LineText(const std::string &name, DWORD inbound, DWORD autobaud, const PortConfig &c)
{
    std::string text = name + " in" + std::to_string(inbound) + " auto" + std::to_string(autobaud) + " " +
                       std::to_string(c.baudRate) + " " + std::to_string(c.parity) + " " + std::to_string(c.dataBits) +
                       " " + std::to_string(c.stopBits) + " " + std::to_string(c.flow) + " t";
    for (int i = 0; i < c.triggerCount; ++i) text += " " + std::to_string(c.triggers[i]);
    return text;
}

std::string SettingsText(const ClientSettings &s)
{
    std::string text = std::to_string(s.activityTimer) + " " + std::to_string(s.timeout) + " " +
                       std::to_string(s.queue ? 1 : 0) + " " + std::to_string(s.retry ? 1 : 0) + " t";
    for (int i = 0; i < s.triggerCount; ++i) text += " " + std::to_string(s.triggers[i]);
    return text;
}

std::string ParamsText(DWORD conference, bool inbound, const std::string &callForward, const std::string &phone)
{
    return "mode " + std::to_string(conference) + " inbound " + std::to_string(inbound) + " [" + callForward + "] [" +
           phone + "]";
}

std::string Joined(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string &s : names) text += (text.empty() ? "" : ",") + s;
    return "(" + text + ")";
}

std::string MultiSz(const std::vector<std::string> &names)
{
    std::string list;
    for (const std::string &name : names) list.append(name).push_back('\0');
    list.push_back('\0');
    if (list.size() == 1) list.push_back('\0');
    return list;
}

// Random operations on one child's own ports and groups. Nothing else
// touches them, so the model predicts every result.
class Worker {
public:
    Worker(int child, unsigned seed) : child_(child), random_(seed * 7919u + unsigned(child)) {}

    void Step()
    {
        int pick = Below(100);
        if (pick < 16) Share();
        else if (pick < 22) StopSharing();
        else if (pick < 30) Update();
        else if (pick < 38) Rename();
        else if (pick < 48) AddGroup();
        else if (pick < 52) DeleteGroup();
        else if (pick < 70) ModifyGroup();
        else if (pick < 78) SetGroupParams();
        else if (pick < 92) Redirect();
        else StoreSettings();
    }

    const Model &Result() const { return m_; }

private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(int percent) { return Below(100) < percent; }
    void Expect(bool ok, bool predicted, const std::string &what)
    {
        if (ok != predicted) m_.Surprise(what + (ok ? " succeeded" : " failed"));
    }

    int AnyPort() { return PortNumber(child_, Below(kPortsPerChild)); }
    // Mostly a port with a line, now and then any port of the child.
    int LinePort()
    {
        if (m_.lines.empty() || Chance(15)) return AnyPort();
        return std::next(m_.lines.begin(), Below(int(m_.lines.size())))->first;
    }
    std::string AnyGroup() { return GroupName(child_, Below(kGroupsPerChild)); }
    std::vector<std::string> SomeLines(int most)
    {
        std::vector<std::string> names;
        for (const auto &entry : m_.lines) names.push_back(entry.second.name);
        std::shuffle(names.begin(), names.end(), random_);
        names.resize(std::min<size_t>(names.size(), size_t(Below(most + 1))));
        return names;
    }
    std::string NewShareName(int port) { return "P" + std::to_string(port) + "R" + std::to_string(++renames_); }

    void RandomTriggers(BYTE *triggers, WORD *count, int most)
    {
        *count = 0;
        for (int n = Below(most + 1); *count < n;) {
            BYTE t = BYTE(1 + Below(127));
            if (std::find(triggers, triggers + *count, t) == triggers + *count) triggers[(*count)++] = t;
        }
    }
    LineModel RandomLine(const std::string &name)
    {
        static const DWORD kBauds[] = {1200, 2400, 9600, 19200, 38400, 57600, 115200};
        LineModel line{name, DWORD(Chance(30)), DWORD(Chance(30)), {}};
        PortConfig &c = line.config;
        c.baudRate = kBauds[Below(7)];
        c.parity = WORD(Below(5));
        c.dataBits = WORD(5 + Below(4));
        c.stopBits = WORD(Below(3));
        c.flow = WORD(Below(3));
        RandomTriggers(c.triggers, &c.triggerCount, 4);
        return line;
    }
    static SharedPortParams Record(int port, const LineModel &line)
    {
        SharedPortParams p{};
        std::strcpy(p.shareName, line.name.c_str());
        std::strcpy(p.portName, PortName(port).c_str());
        p.inbound = line.inbound;
        p.autobaud = line.autobaud;
        p.config = line.config;
        return p;
    }
    static void AddMissing(std::vector<std::string> &members, const std::vector<std::string> &lines)
    {
        for (const std::string &line : lines)
            if (std::find(members.begin(), members.end(), line) == members.end()) members.push_back(line);
    }
    static void RemoveAll(std::vector<std::string> &members, const std::vector<std::string> &lines)
    {
        for (const std::string &line : lines)
            members.erase(std::remove(members.begin(), members.end(), line), members.end());
    }

    void Share()
    {
        int port = AnyPort();
        LineModel line = RandomLine(NewShareName(port));
        SharedPortParams p = Record(port, line);
        BOOL ok = CVU_ShareNewPort(&p);
        Expect(ok, !m_.lines.count(port), "ShareNewPort " + PortName(port));
        if (!ok) return;
        m_.lines[port] = line;
        if (!m_.redirections.count(port)) m_.redirections[port] = {line.name, ""};
    }

    void StopSharing()
    {
        int port = LinePort();
        BOOL ok = CVU_StopSharingPort(PortName(port).c_str());
        Expect(ok, m_.lines.count(port), "StopSharingPort " + PortName(port));
        if (!ok || !m_.lines.count(port)) return;
        std::string name = m_.lines[port].name;
        m_.lines.erase(port);
        auto r = m_.redirections.find(port);
        if (r != m_.redirections.end() && Upper(r->second.destination) == Upper(name)) m_.redirections.erase(r);
        for (auto &[group, model] : m_.groups) RemoveAll(model.members, {name});
    }

    void Update()
    {
        int port = LinePort();
        LineModel line = RandomLine(m_.lines.count(port) ? m_.lines[port].name : NewShareName(port));
        SharedPortParams p = Record(port, line);
        BOOL ok = CVU_UpdateSharedPortParams(&p, 0);
        Expect(ok, m_.lines.count(port), "UpdateSharedPortParams " + PortName(port));
        if (ok) m_.lines[port] = line;
    }

    void Rename()
    {
        int port = LinePort();
        std::string old = m_.lines.count(port) ? m_.lines[port].name : "P" + std::to_string(port) + "R0";
        std::string renamed = NewShareName(port);
        BOOL ok = CVU_RenamePort(PortName(port).c_str(), old.c_str(), renamed.c_str());
        Expect(ok, m_.lines.count(port), "RenamePort " + PortName(port));
        if (!ok || !m_.lines.count(port)) return;
        m_.lines[port].name = renamed;
        // The new name joins the old name's groups at their ends.
        for (auto &[group, model] : m_.groups) {
            auto it = std::find(model.members.begin(), model.members.end(), old);
            if (it == model.members.end()) continue;
            model.members.erase(it);
            model.members.push_back(renamed);
        }
        auto r = m_.redirections.find(port);
        if (r != m_.redirections.end() && Upper(r->second.destination) == Upper(old)) r->second.destination = renamed;
    }

    void AddGroup()
    {
        std::string name = AnyGroup();
        std::vector<std::string> lines = SomeLines(3);
        BOOL replace = Chance(50);
        bool ok = CVU_AddGroupA(name.c_str(), MultiSz(lines).c_str(), replace) == 0;
        Expect(ok, true, "AddGroup " + name);
        if (ok && !m_.groups.count(name)) m_.groups[name] = GroupModel{lines, {}};
        else if (ok && replace) m_.groups[name].members = lines;
    }

    void DeleteGroup()
    {
        std::string name = AnyGroup();
        bool ok = CVU_DeleteGroupA(name.c_str()) == 0;
        Expect(ok, m_.groups.count(name), "DeleteGroup " + name);
        m_.groups.erase(name);
    }

    void ModifyGroup()
    {
        std::string name = AnyGroup();
        int kind = Below(6);
        std::vector<std::string> lines = SomeLines(kind == 0 || kind == 2 ? 1 : 3);
        if (lines.empty() && kind != 4) return;
        if (kind == 5) {
            // One line into every group of this child; the call does not say which it found.
            std::vector<std::string> groups;
            for (const auto &entry : m_.groups) groups.push_back(entry.first);
            if (groups.empty()) return;
            bool add = Chance(50);
            bool ok = CVU_ModifyGroupLinesA(add ? CVU_GL_ADDLINETOGROUPS : CVU_GL_REMOVELINEFROMGROUPS,
                                            lines[0].c_str(), MultiSz(groups).c_str()) == 0;
            Expect(ok, true, "line to or from groups");
            for (auto &[group, model] : m_.groups)
                if (ok) add ? AddMissing(model.members, {lines[0]}) : RemoveAll(model.members, {lines[0]});
            return;
        }
        static const DWORD kKinds[] = {CVU_GL_ADDLINE, CVU_GL_ADDLINES, CVU_GL_REMOVELINE, CVU_GL_REMOVELINES,
                                       CVU_GL_SETLINES};
        std::string list = kind == 0 || kind == 2 ? lines[0] : MultiSz(lines);
        bool ok = CVU_ModifyGroupLinesA(kKinds[kind], name.c_str(), list.c_str()) == 0;
        Expect(ok, m_.groups.count(name), "ModifyGroupLines " + std::to_string(kind) + " " + name);
        if (!ok || !m_.groups.count(name)) return;
        std::vector<std::string> &members = m_.groups[name].members;
        if (kind == 4) members.clear();
        kind == 2 || kind == 3 ? RemoveAll(members, lines) : AddMissing(members, lines);
    }

    void SetGroupParams()
    {
        std::string name = AnyGroup();
        GroupParams p{};
        p.conferenceMode = DWORD(Below(3));
        if (Chance(50)) std::snprintf(p.callForward, sizeof p.callForward, "F%d", Below(1000));
        if (Chance(50)) std::snprintf(p.phone, sizeof p.phone, "555-%04d", Below(10000));
        p.inbound = Chance(40);
        BOOL create = Chance(40);
        bool ok = CVU_SetGroupParamA(name.c_str(), CVU_GROUPPARAM_RECORD, &p, create) == 0;
        Expect(ok, create || m_.groups.count(name), "SetGroupParam " + name);
        if (ok) m_.groups[name].params = GroupParamsModel{p.conferenceMode, p.callForward, p.phone, p.inbound != 0};
    }

    void Redirect()
    {
        int port = AnyPort();
        std::string portName = PortName(port);
        int kind = Below(10);
        if (kind < 3) {
            BOOL ok = kind == 0 ? CVU_SetClientRedirection(portName.c_str(), nullptr)
                                : CVU_SetClientRedirectionEx(portName.c_str(), nullptr, nullptr);
            Expect(ok, true, "EndRedirection " + portName);
            if (ok) m_.redirections.erase(port);
            return;
        }
        std::vector<std::string> line = SomeLines(1);
        std::string destination = kind < 6 && !line.empty() ? line[0]
                                  : kind < 8                ? AnyGroup()
                                                            : "K" + std::to_string(child_) + "X" + std::to_string(Below(50));
        std::string description = Chance(50) ? "" : "Desc " + std::to_string(child_) + "." + std::to_string(Below(1000));
        BOOL ok = description.empty()
                      ? CVU_SetClientRedirection(portName.c_str(), destination.c_str())
                      : CVU_SetClientRedirectionEx(portName.c_str(), destination.c_str(), description.c_str());
        Expect(ok, true, "SetClientRedirection " + portName);
        if (ok) m_.redirections[port] = {destination, description};
    }

    void StoreSettings()
    {
        ClientSettings s{};
        // Each child's timer values are its own, so the final record names its writer.
        s.activityTimer = 20 * child_ + Below(20);
        s.timeout = Below(100);
        s.queue = Chance(50);
        s.retry = Chance(50);
        RandomTriggers(s.triggers, &s.triggerCount, 3);
        BOOL ok = CVU_SetClientSettings(&s);
        Expect(ok, true, "SetClientSettings");
        if (ok) m_.settings = s;
    }

    int child_;
    std::mt19937 random_;
    Model m_;
    int renames_ = 0;
};

// The child's own ports and groups as key=value lines, one a line.
std::string Expected(int child, const Model &m)
{
    std::string text;
    for (int i = 0; i < kPortsPerChild; ++i) {
        int port = PortNumber(child, i);
        auto line = m.lines.find(port);
        text += PortName(port) + ".line=" +
                (line == m.lines.end() ? ""
                                       : LineText(line->second.name, line->second.inbound, line->second.autobaud,
                                                  line->second.config)) +
                "\n";
        auto r = m.redirections.find(port);
        text += PortName(port) + ".redirect=" +
                (r == m.redirections.end()
                     ? ""
                     : r->second.destination + " " + (r->second.description.empty() ? "*" : r->second.description)) +
                "\n";
    }
    for (int i = 0; i < kGroupsPerChild; ++i) {
        std::string name = GroupName(child, i);
        auto g = m.groups.find(name);
        text += name + ".lines=" + Joined(g == m.groups.end() ? std::vector<std::string>{} : g->second.members) + "\n";
        if (g != m.groups.end()) {
            const GroupParamsModel &p = g->second.params;
            text += name + ".params=" + ParamsText(p.conference, p.inbound, p.callForward, p.phone) + "\n";
        }
    }
    return text;
}

std::string ResultName(int child) { return "config-race-" + std::to_string(child); }

// args: child number, seed, operations, start event, ready semaphore.
// Reports its model, then "settings=" and "surprises=" lines.
CVX_CHILD_ROLE(config_race)
{
    int child = std::atoi(args.at(0).c_str());
    Worker worker(child, std::strtoul(args.at(1).c_str(), nullptr, 10));
    int operations = std::atoi(args.at(2).c_str());
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, args.at(3).c_str());
    HANDLE ready = OpenSemaphoreA(SEMAPHORE_MODIFY_STATE, FALSE, args.at(4).c_str());
    if (!go || !ready) return 20;
    ReleaseSemaphore(ready, 1, nullptr);
    if (WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 21;
    for (int i = 0; i < operations; ++i) worker.Step();
    const Model &m = worker.Result();
    std::string report = Expected(child, m);
    if (m.settings) report += "settings=" + SettingsText(*m.settings) + "\n";
    report += "surprises=";
    for (const std::string &s : m.surprises) report += s + "; ";
    PutResult(ResultName(child).c_str(), report + "\n");
    return 0;
}

class ConcurrentConfig : public CleanTest {
protected:
    std::string Ini(const std::string &section, const std::string &key)
    {
        char text[1024] = "";
        GetPrivateProfileStringA(section.c_str(), key.c_str(), "", text, sizeof text, ini_.c_str());
        return text;
    }
    int Count(const char *key) { return std::atoi(Ini("SERVER", key).c_str()); }

    // What the file holds for one key of a child's report.
    std::string Actual(const std::string &key, const std::string &expected)
    {
        std::string what = key.substr(0, key.find('.')), field = key.substr(key.find('.') + 1);
        if (field == "line") {
            std::string found;
            for (int n = 1; n <= Count("LINES"); ++n) {
                std::string section = "LINE" + std::to_string(n);
                if (Upper(Ini(section, "PORTNAME")) != what) continue;
                SharedPortParams p{};
                CVU_GetSharedPortParams(what.c_str(), &p);
                found += (found.empty() ? "" : " AND ") + LineText(Ini(section, "NAME"), p.inbound, p.autobaud, p.config);
            }
            return found;
        }
        if (field == "redirect") {
            std::string number = what.substr(3), list = Ini("CLIENT", "REDIRECTPORTS");
            std::replace(list.begin(), list.end(), '(', ',');
            std::replace(list.begin(), list.end(), ')', ',');
            int listed = 0;
            std::stringstream in(list);
            for (std::string entry; std::getline(in, entry, ',');) listed += entry == number;
            std::string dest = Ini("CLIENT", what + "DEST"), desc = Ini("DESC", "Port" + number + "Desc");
            if (!listed && dest.empty()) return "";
            if (!desc.empty() && expected.size() > 1 && expected.substr(expected.size() - 2) == " *") desc = "*";
            return (listed == 1 ? "" : "listed " + std::to_string(listed) + " times: ") + dest + " " + desc;
        }
        std::string lines, params;
        for (int n = 1; n <= Count("GROUPS"); ++n) {
            std::string section = "GROUP" + std::to_string(n), members = Ini(section, "LINES");
            if (Upper(Ini(section, "NAME")) != Upper(what)) continue;
            std::vector<std::string> names;
            std::stringstream in(members.size() > 2 ? members.substr(1, members.size() - 2) : "");
            for (std::string name; std::getline(in, name, ',');) names.push_back(name);
            lines += Joined(names);
            std::string mode = Upper(Ini(section, "CONFERENCE"));
            params = ParamsText(mode == "H" ? 1 : mode == "F" ? 2 : 0, !Ini(section, "INBOUND").empty(),
                                Ini(section, "CALLFWD"), Ini(section, "PHONE"));
        }
        return field == "lines" ? (lines.empty() ? "()" : lines) : params;
    }
};

TEST_F(ConcurrentConfig, FourProcessesLeaveWhatTheirResultsSay)
{
    unsigned seed = Seed();
    std::string tag = std::to_string(GetCurrentProcessId());
    std::string goName = "cvxtest-config-race-go-" + tag, readyName = "cvxtest-config-race-ready-" + tag;
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, goName.c_str());
    HANDLE ready = CreateSemaphoreA(nullptr, 0, kChildren, readyName.c_str());
    ASSERT_TRUE(go && ready);
    std::vector<ChildProcess> children;
    for (int child = 1; child <= kChildren; ++child)
        children.push_back(StartChild("config_race", {std::to_string(child), std::to_string(seed),
                                                      std::to_string(kOperations), goName, readyName}));
    for (int child = 1; child <= kChildren; ++child)
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 60000)) << "a child did not come up";
    SetEvent(go);
    std::vector<std::string> settings;
    for (int child = 1; child <= kChildren; ++child) {
        ASSERT_EQ(0, children[child - 1].Wait(900000)) << "child " << child << " did not finish its operations";
        std::istringstream report(GetResult(ResultName(child).c_str()));
        std::string expected, actual;
        for (std::string line; std::getline(report, line);) {
            std::string key = line.substr(0, line.find('=')), value = line.substr(line.find('=') + 1);
            if (key == "settings") settings.push_back(value);
            if (key == "surprises") {
                EXPECT_EQ("", value) << "child " << child << ": exports answered other than its model predicted";
            }
            if (key == "settings" || key == "surprises") continue;
            expected += line + "\n";
            actual += key + "=" + Actual(key, value) + "\n";
        }
        EXPECT_EQ(expected, actual) << "seed " << seed << ": CVEX.INI lost or mixed up child " << child
                                    << "'s changes\n" << ReadFileText(ini_);
    }
    CloseHandle(go);
    CloseHandle(ready);
    ClientSettings read{};
    CVU_GetClientSettings(&read);
    if (!settings.empty()) {
        EXPECT_NE(settings.end(), std::find(settings.begin(), settings.end(), SettingsText(read)))
            << "the client settings are none that a child stored last: " << SettingsText(read);
    }
    int code = Cvxcfg({"check"}).exitCode;
    EXPECT_EQ(0, code) << "cvxcfg check finds the file broken:\n" << ReadFileText(ini_);
    EXPECT_GT(Count("LINES"), 4) << "the run did too little to prove anything";
}

}  // namespace
