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
    // Unknown once the group may have been purged and made anew.
    std::optional<GroupParamsModel> params = GroupParamsModel{};
};

struct RedirectModel {
    std::string destination;
    std::string description;  // empty: the library's standard text
};

struct Model {
    std::map<int, LineModel> lines;             // port number
    std::map<std::string, GroupModel> groups;   // a group without members may have been purged by anyone
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
        else if (pick < 68) ModifyGroup();
        else if (pick < 76) SetGroupParams();
        else if (pick < 78) Purge();
        else if (pick < 92) Redirect();
        else StoreSettings();
    }

    const Model &Result() const { return m_; }

private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(int percent) { return Below(100) < percent; }

    int AnyPort() { return PortNumber(child_, Below(kPortsPerChild)); }
    // Mostly a port with a line, now and then any port of the child.
    int LinePort()
    {
        if (m_.lines.empty() || Chance(15)) return AnyPort();
        auto it = m_.lines.begin();
        std::advance(it, Below(int(m_.lines.size())));
        return it->first;
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
    std::optional<std::string> OneLine()
    {
        std::vector<std::string> names = SomeLines(1);
        if (names.empty() && !m_.lines.empty()) names = {m_.lines.begin()->second.name};
        if (names.empty()) return std::nullopt;
        return names[0];
    }
    std::string NewShareName(int port) { return "P" + std::to_string(port) + "R" + std::to_string(++renames_); }

    template <class T>
    void Expect(bool predicted, T got, T expected, const std::string &what)
    {
        if (predicted && got != expected)
            m_.Surprise(what + " gave " + std::to_string(got) + ", not " + std::to_string(expected));
    }

    PortConfig RandomConfig()
    {
        static const DWORD kBauds[] = {1200, 2400, 9600, 19200, 38400, 57600, 115200};
        PortConfig c{};
        c.baudRate = kBauds[Below(7)];
        c.parity = WORD(Below(5));
        c.dataBits = WORD(5 + Below(4));
        c.stopBits = WORD(Below(3));
        c.flow = WORD(Below(3));
        RandomTriggers(c.triggers, &c.triggerCount, 4);
        return c;
    }
    void RandomTriggers(BYTE *triggers, WORD *count, int most)
    {
        *count = 0;
        int n = Below(most + 1);
        while (*count < n) {
            BYTE t = BYTE(1 + Below(127));
            if (std::find(triggers, triggers + *count, t) == triggers + *count) triggers[(*count)++] = t;
        }
    }
    SharedPortParams Record(int port, const std::string &name, const LineModel &line)
    {
        SharedPortParams p{};
        std::strcpy(p.shareName, name.c_str());
        std::strcpy(p.portName, PortName(port).c_str());
        p.inbound = line.inbound;
        p.autobaud = line.autobaud;
        p.config = line.config;
        return p;
    }

    // A line's name leaves this child's groups.
    void DropFromGroups(const std::string &name)
    {
        for (auto &[group, model] : m_.groups)
            model.members.erase(std::remove(model.members.begin(), model.members.end(), name), model.members.end());
    }

    void Share()
    {
        int port = AnyPort();
        LineModel line;
        line.name = NewShareName(port);
        line.inbound = Chance(30);
        line.autobaud = Chance(30);
        line.config = RandomConfig();
        SharedPortParams p = Record(port, line.name, line);
        BOOL ok = CVU_ShareNewPort(&p);
        Expect(true, ok != 0, !m_.lines.count(port), "ShareNewPort " + PortName(port));
        if (!ok) return;
        m_.lines[port] = line;
        if (!m_.redirections.count(port)) m_.redirections[port] = {line.name, ""};
    }

    void StopSharing()
    {
        int port = LinePort();
        BOOL ok = CVU_StopSharingPort(PortName(port).c_str());
        Expect(true, ok != 0, m_.lines.count(port) != 0, "StopSharingPort " + PortName(port));
        if (!ok || !m_.lines.count(port)) return;
        std::string name = m_.lines[port].name;
        m_.lines.erase(port);
        auto r = m_.redirections.find(port);
        if (r != m_.redirections.end() && Upper(r->second.destination) == Upper(name)) m_.redirections.erase(r);
        DropFromGroups(name);
    }

    void Update()
    {
        int port = LinePort();
        LineModel line;
        line.name = m_.lines.count(port) ? m_.lines[port].name : NewShareName(port);
        line.inbound = Chance(30);
        line.autobaud = Chance(30);
        line.config = RandomConfig();
        SharedPortParams p = Record(port, line.name, line);
        BOOL ok = CVU_UpdateSharedPortParams(&p, 0);
        Expect(true, ok != 0, m_.lines.count(port) != 0, "UpdateSharedPortParams " + PortName(port));
        if (ok) m_.lines[port] = line;
    }

    void Rename()
    {
        int port = LinePort();
        std::string old = m_.lines.count(port) ? m_.lines[port].name : "P" + std::to_string(port) + "R0";
        std::string renamed = NewShareName(port);
        BOOL ok = CVU_RenamePort(PortName(port).c_str(), old.c_str(), renamed.c_str());
        Expect(true, ok != 0, m_.lines.count(port) != 0, "RenamePort " + PortName(port));
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
        auto it = m_.groups.find(name);
        bool certain = it != m_.groups.end() && !it->second.members.empty();
        bool absent = it == m_.groups.end();
        // A group that may have been purged is replaced: both cases then end alike.
        BOOL replace = certain || absent ? Chance(50) : TRUE;
        DWORD rc = CVU_AddGroupA(name.c_str(), MultiSz(lines).c_str(), replace);
        Expect(true, rc, DWORD(0), "AddGroup " + name);
        if (rc) return;
        if (absent) {
            m_.groups[name] = GroupModel{lines, GroupParamsModel{}};
        } else if (replace) {
            it->second.members = lines;
            if (!certain) it->second.params.reset();
        }
    }

    void DeleteGroup()
    {
        std::string name = AnyGroup();
        auto it = m_.groups.find(name);
        bool certain = it != m_.groups.end() && !it->second.members.empty();
        DWORD rc = CVU_DeleteGroupA(name.c_str());
        if (it == m_.groups.end()) Expect(true, rc, DWORD(ERROR_INVALID_PARAMETER), "DeleteGroup " + name);
        else if (certain) Expect(true, rc, DWORD(0), "DeleteGroup " + name);
        else if (rc != 0 && rc != ERROR_INVALID_PARAMETER) m_.Surprise("DeleteGroup " + name + " gave " + std::to_string(rc));
        if (rc == 0 || rc == ERROR_INVALID_PARAMETER) m_.groups.erase(name);
    }

    // A membership edit of a group that this child owns: 87 says it is gone.
    bool GroupAnswered(const std::string &name, DWORD rc, const char *what)
    {
        auto it = m_.groups.find(name);
        bool certain = it != m_.groups.end() && !it->second.members.empty();
        if (it == m_.groups.end()) Expect(true, rc, DWORD(ERROR_INVALID_PARAMETER), std::string(what) + " " + name);
        else if (certain) Expect(true, rc, DWORD(0), std::string(what) + " " + name);
        else if (rc != 0 && rc != ERROR_INVALID_PARAMETER) m_.Surprise(std::string(what) + " " + name + " gave " + std::to_string(rc));
        if (rc == ERROR_INVALID_PARAMETER) m_.groups.erase(name);
        return rc == 0 && m_.groups.count(name);
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

    void ModifyGroup()
    {
        std::string name = AnyGroup();
        int kind = Below(7);
        if (kind == 0) {
            std::optional<std::string> line = OneLine();
            if (!line) return;
            DWORD rc = CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, name.c_str(), line->c_str());
            if (GroupAnswered(name, rc, "AddLine")) AddMissing(m_.groups[name].members, {*line});
        } else if (kind == 1) {
            std::vector<std::string> lines = SomeLines(3);
            if (lines.empty()) return;
            DWORD rc = CVU_ModifyGroupLinesA(CVU_GL_ADDLINES, name.c_str(), MultiSz(lines).c_str());
            if (GroupAnswered(name, rc, "AddLines")) AddMissing(m_.groups[name].members, lines);
        } else if (kind == 2) {
            std::optional<std::string> line = OneLine();
            if (!line) return;
            DWORD rc = CVU_ModifyGroupLinesA(CVU_GL_REMOVELINE, name.c_str(), line->c_str());
            if (GroupAnswered(name, rc, "RemoveLine")) RemoveAll(m_.groups[name].members, {*line});
        } else if (kind == 3) {
            std::vector<std::string> lines = SomeLines(3);
            if (lines.empty()) return;
            DWORD rc = CVU_ModifyGroupLinesA(CVU_GL_REMOVELINES, name.c_str(), MultiSz(lines).c_str());
            if (GroupAnswered(name, rc, "RemoveLines")) RemoveAll(m_.groups[name].members, lines);
        } else if (kind == 4) {
            std::vector<std::string> lines = SomeLines(3);
            DWORD rc = CVU_ModifyGroupLinesA(CVU_GL_SETLINES, name.c_str(), MultiSz(lines).c_str());
            if (GroupAnswered(name, rc, "SetLines")) {
                m_.groups[name].members.clear();
                AddMissing(m_.groups[name].members, lines);
            }
        } else {
            // One line into or out of every group that surely exists: these
            // operations do not say which groups they found.
            std::optional<std::string> line = OneLine();
            std::vector<std::string> groups;
            for (const auto &[group, model] : m_.groups)
                if (!model.members.empty() && Chance(60)) groups.push_back(group);
            if (!line || groups.empty()) return;
            bool add = kind == 5;
            DWORD rc = CVU_ModifyGroupLinesA(add ? CVU_GL_ADDLINETOGROUPS : CVU_GL_REMOVELINEFROMGROUPS,
                                             line->c_str(), MultiSz(groups).c_str());
            Expect(true, rc, DWORD(0), add ? "AddLineToGroups" : "RemoveLineFromGroups");
            if (rc) return;
            for (const std::string &group : groups) {
                if (add) AddMissing(m_.groups[group].members, {*line});
                else RemoveAll(m_.groups[group].members, {*line});
            }
        }
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
        auto it = m_.groups.find(name);
        bool certain = it != m_.groups.end() && !it->second.members.empty();
        DWORD rc = CVU_SetGroupParamA(name.c_str(), CVU_GROUPPARAM_RECORD, &p, create);
        DWORD expected = create || it != m_.groups.end() ? 0 : ERROR_INVALID_PARAMETER;
        if (create || certain || it == m_.groups.end()) Expect(true, rc, expected, "SetGroupParam " + name);
        else if (rc != 0 && rc != ERROR_INVALID_PARAMETER)
            m_.Surprise("SetGroupParam " + name + " gave " + std::to_string(rc));
        if (rc == ERROR_INVALID_PARAMETER) m_.groups.erase(name);
        if (rc) return;
        GroupModel &group = m_.groups[name];  // a new group has no lines
        group.params = GroupParamsModel{p.conferenceMode, p.callForward, p.phone, p.inbound != 0};
    }

    void Purge()
    {
        DWORD rc = CVU_PurgeEmptyGroups();
        Expect(true, rc, DWORD(0), "PurgeEmptyGroups");
        if (rc) return;
        for (auto it = m_.groups.begin(); it != m_.groups.end();)
            it = it->second.members.empty() ? m_.groups.erase(it) : std::next(it);
    }

    void Redirect()
    {
        int port = AnyPort();
        std::string port_name = PortName(port);
        int kind = Below(10);
        if (kind < 3) {
            BOOL ok = kind == 0 ? CVU_SetClientRedirection(port_name.c_str(), nullptr)
                                : CVU_SetClientRedirectionEx(port_name.c_str(), nullptr, nullptr);
            Expect(true, ok != 0, true, "EndRedirection " + port_name);
            if (ok) m_.redirections.erase(port);
            return;
        }
        std::string destination;
        if (kind < 6) destination = OneLine().value_or("K" + std::to_string(child_) + "X" + std::to_string(Below(50)));
        else if (kind < 8) destination = AnyGroup();
        else destination = "K" + std::to_string(child_) + "X" + std::to_string(Below(50));
        std::string description;
        BOOL ok;
        if (Chance(50)) {
            ok = CVU_SetClientRedirection(port_name.c_str(), destination.c_str());
        } else {
            description = "Desc " + std::to_string(child_) + "." + std::to_string(Below(1000));
            ok = CVU_SetClientRedirectionEx(port_name.c_str(), destination.c_str(), description.c_str());
        }
        Expect(true, ok != 0, true, "SetClientRedirection " + port_name);
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
        Expect(true, ok != 0, true, "SetClientSettings");
        if (ok) m_.settings = s;
    }

    int child_;
    std::mt19937 random_;
    Model m_;
    int renames_ = 0;
};

std::string ResultName(int child) { return "config-race-" + std::to_string(child); }


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
        // A group without lines may have been purged, and its parameters with it.
        if (g != m.groups.end() && g->second.params && !g->second.members.empty()) {
            const GroupParamsModel &p = *g->second.params;
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
            if (key == "surprises")
                EXPECT_EQ("", value) << "child " << child << ": exports answered other than the file predicted";
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
    if (!settings.empty())
        EXPECT_NE(settings.end(), std::find(settings.begin(), settings.end(), SettingsText(read)))
            << "the client settings are none that a child stored last: " << SettingsText(read);
    int code = 0;
    CvxcfgJson({"check"}, -1, &code);
    EXPECT_EQ(0, code) << "cvxcfg check finds the file broken:\n" << ReadFileText(ini_);
    EXPECT_GT(Count("LINES"), 4) << "the run did too little to prove anything";
}

}  // namespace
