// Four processes change the configuration at the same moment, each with its
// own ports, lines, groups and redirections, and each keeps a model of what
// the exports told it they did. Afterwards CVEX.INI holds exactly what the
// models say, its counts match its sections, and cvxcfg check finds nothing.
//
// The same run with the configuration lock switched off in the children shows
// what the lock prevents; it asserts nothing and prints what broke. Run it by
// hand:  cvxutil_tests.exe --gtest_also_run_disabled_tests
//          --gtest_filter=ConcurrentConfig.DISABLED_*
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <set>
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
bool IsChildGroupName(const std::string &name)
{
    return name.size() == 4 && name[0] == 'G' && name[1] >= '1' && name[1] < '1' + kChildren && name[2] == 'N';
}
int ChildOfPort(int number)
{
    int child = (number - 1) / 20, index = (number - 1) % 20;
    return child >= 1 && child <= kChildren && index < kPortsPerChild ? child : 0;
}

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
    int surprises = 0;                          // results the model did not predict
    std::vector<std::string> notes;

    void Surprise(const std::string &what)
    {
        ++surprises;
        if (notes.size() < 10) notes.push_back(what);
    }
};

std::string ConfigText(const PortConfig &c)
{
    std::string text = std::to_string(c.baudRate) + " " + std::to_string(c.parity) + " " + std::to_string(c.dataBits) +
                       " " + std::to_string(c.stopBits) + " " + std::to_string(c.flow) + " " +
                       std::to_string(c.triggerCount);
    for (int i = 0; i < c.triggerCount; ++i) text += " " + std::to_string(c.triggers[i]);
    return text;
}

PortConfig ParseConfig(std::istream &in)
{
    PortConfig c{};
    unsigned long baud = 0;
    unsigned parity = 0, data = 0, stop = 0, flow = 0, count = 0;
    in >> baud >> parity >> data >> stop >> flow >> count;
    c.baudRate = baud;
    c.parity = WORD(parity);
    c.dataBits = WORD(data);
    c.stopBits = WORD(stop);
    c.flow = WORD(flow);
    c.triggerCount = WORD(std::min(count, 16u));
    for (unsigned i = 0; i < c.triggerCount; ++i) {
        unsigned t = 0;
        in >> t;
        c.triggers[i] = BYTE(t);
    }
    return c;
}

std::string SettingsText(const ClientSettings &s)
{
    std::string text = std::to_string(s.activityTimer) + " " + std::to_string(s.timeout) + " " +
                       std::to_string(s.queue ? 1 : 0) + " " + std::to_string(s.retry ? 1 : 0) + " " +
                       std::to_string(s.triggerCount);
    for (int i = 0; i < s.triggerCount; ++i) text += " " + std::to_string(s.triggers[i]);
    return text;
}

// One record a line; names never hold blanks, texts that may stand last.
std::string Serialize(const Model &m)
{
    std::ostringstream out;
    out << "surprises " << m.surprises << "\n";
    for (const std::string &note : m.notes) out << "note " << note << "\n";
    for (const auto &[port, line] : m.lines)
        out << "line " << port << " " << line.name << " " << line.inbound << " " << line.autobaud << " "
            << ConfigText(line.config) << "\n";
    for (const auto &[name, group] : m.groups) {
        out << "group " << name << " " << group.members.size();
        for (const std::string &member : group.members) out << " " << member;
        if (group.params)
            out << " params " << group.params->conference << " " << group.params->inbound << " ["
                << group.params->callForward << "] [" << group.params->phone << "]";
        out << "\n";
    }
    for (const auto &[port, r] : m.redirections)
        out << "redirect " << port << " " << r.destination << " " << r.description << "\n";
    if (m.settings) out << "settings " << SettingsText(*m.settings) << "\n";
    return out.str();
}

std::string Bracketed(std::istream &in)
{
    std::string word;
    in >> std::ws;
    std::getline(in, word, ']');
    return word.empty() ? word : word.substr(1);
}

Model Parse(const std::string &text)
{
    Model m;
    std::istringstream lines(text);
    std::string record;
    while (std::getline(lines, record)) {
        std::istringstream in(record);
        std::string kind;
        in >> kind;
        if (kind == "surprises") {
            in >> m.surprises;
        } else if (kind == "note") {
            std::string note;
            std::getline(in, note);
            m.notes.push_back(note);
        } else if (kind == "line") {
            int port = 0;
            LineModel line;
            in >> port >> line.name >> line.inbound >> line.autobaud;
            line.config = ParseConfig(in);
            m.lines[port] = line;
        } else if (kind == "group") {
            std::string name, word;
            size_t count = 0;
            in >> name >> count;
            GroupModel group;
            group.params.reset();
            for (size_t i = 0; i < count && in >> word; ++i) group.members.push_back(word);
            if (in >> word && word == "params") {
                GroupParamsModel p;
                int inbound = 0;
                in >> p.conference >> inbound;
                p.inbound = inbound != 0;
                p.callForward = Bracketed(in);
                p.phone = Bracketed(in);
                group.params = p;
            }
            m.groups[name] = group;
        } else if (kind == "redirect") {
            int port = 0;
            RedirectModel r;
            in >> port >> r.destination;
            std::getline(in >> std::ws, r.description);
            m.redirections[port] = r;
        } else if (kind == "settings") {
            ClientSettings s{};
            unsigned count = 0;
            in >> s.activityTimer >> s.timeout >> s.queue >> s.retry >> count;
            s.triggerCount = WORD(std::min(count, 16u));
            for (unsigned i = 0; i < s.triggerCount; ++i) {
                unsigned t = 0;
                in >> t;
                s.triggers[i] = BYTE(t);
            }
            m.settings = s;
        }
    }
    return m;
}

// ---- the child's work --------------------------------------------------------------

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

// args: child number, seed, operations, start event, ready semaphore.
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
    PutResult(ResultName(child).c_str(), Serialize(worker.Result()));
    return 0;
}

// ---- the file as text ------------------------------------------------------------------

struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
    std::optional<std::string> Get(const std::string &key) const
    {
        for (const auto &[k, v] : keys)
            if (Upper(k) == Upper(key)) return v;
        return std::nullopt;
    }
    std::string Text(const std::string &key) const { return Get(key).value_or(""); }
};

// Every section as written, a section that occurs twice included.
std::vector<Section> ParseIni(const std::string &text)
{
    std::vector<Section> sections;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '[') {
            sections.push_back({line.substr(1, line.find(']') - 1), {}});
        } else if (!sections.empty()) {
            size_t eq = line.find('=');
            sections.back().keys.emplace_back(line.substr(0, eq), eq == std::string::npos ? "" : line.substr(eq + 1));
        }
    }
    return sections;
}

std::vector<std::string> SplitList(const std::string &text)
{
    std::vector<std::string> items;
    if (text.size() < 2 || text.front() != '(' || text.back() != ')') return items;
    std::string inner = text.substr(1, text.size() - 2);
    if (inner.empty()) return items;
    for (size_t start = 0;;) {
        size_t comma = inner.find(',', start);
        items.push_back(inner.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

// Sections PREFIX<n>, by the name as written.
std::vector<const Section *> Numbered(const std::vector<Section> &sections, const char *prefix)
{
    std::vector<const Section *> found;
    size_t n = std::strlen(prefix);
    for (const Section &s : sections)
        if (s.name.size() > n && Upper(s.name.substr(0, n)) == prefix &&
            std::all_of(s.name.begin() + n, s.name.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            found.push_back(&s);
    return found;
}

const Section *Find(const std::vector<Section> &sections, const std::string &name)
{
    for (const Section &s : sections)
        if (Upper(s.name) == Upper(name)) return &s;
    return nullptr;
}

// What went wrong, by kind, with the details of each.
struct Findings {
    std::map<std::string, int> counts;
    std::vector<std::string> details;
    void Add(const std::string &kind, const std::string &detail)
    {
        ++counts[kind];
        details.push_back(kind + ": " + detail);
    }
    std::string Summary() const
    {
        std::string text;
        for (const auto &[kind, n] : counts) text += "  " + kind + ": " + std::to_string(n) + "\n";
        return text.empty() ? "  nothing\n" : text;
    }
    std::vector<std::string> notes;  // the children's first surprises
    // At most `most` details of each kind.
    std::string Details(int most = 20) const
    {
        std::string text;
        std::map<std::string, int> shown;
        size_t left = 0;
        for (const std::string &detail : details) {
            if (shown[detail.substr(0, detail.find(':'))]++ < most) text += "  " + detail + "\n";
            else ++left;
        }
        if (left) text += "  ... and " + std::to_string(left) + " more\n";
        for (const std::string &note : notes) text += "  " + note + "\n";
        return text;
    }
};

bool SameConfig(const PortConfig &a, const PortConfig &b)
{
    return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits && a.stopBits == b.stopBits &&
           a.flow == b.flow && a.triggerCount == b.triggerCount &&
           std::equal(a.triggers, a.triggers + a.triggerCount, b.triggers);
}

void CheckLines(const std::vector<Section> &ini, const std::vector<Model> &models, Findings &f)
{
    const Section *server = Find(ini, "SERVER");
    std::vector<const Section *> lines = Numbered(ini, "LINE");
    long count = server ? std::atol(server->Text("LINES").c_str()) : 0;
    if (count != long(lines.size()))
        f.Add("line count", "SERVER LINES=" + std::to_string(count) + " but " + std::to_string(lines.size()) +
                                " LINE sections");
    for (long n = 1; n <= count; ++n)
        if (!Find(ini, "LINE" + std::to_string(n))) f.Add("line count", "LINE" + std::to_string(n) + " is missing");

    std::map<int, std::vector<const Section *>> byPort;
    for (const Section *s : lines) {
        std::string port = Upper(s->Text("PORTNAME"));
        int number = port.compare(0, 3, "COM") == 0 ? std::atoi(port.c_str() + 3) : 0;
        if (ChildOfPort(number)) byPort[number].push_back(s);
    }
    std::vector<const Section *> sets = Numbered(ini, "TRANSMIT");
    for (int child = 1; child <= kChildren; ++child) {
        const Model &m = models[child - 1];
        for (int i = 0; i < kPortsPerChild; ++i) {
            int port = PortNumber(child, i);
            const std::vector<const Section *> &found = byPort[port];
            auto expected = m.lines.find(port);
            std::string where = PortName(port);
            if (expected == m.lines.end()) {
                for (const Section *s : found) f.Add("unexpected line", where + " in [" + s->name + "] NAME=" + s->Text("NAME"));
                continue;
            }
            if (found.empty()) {
                f.Add("lost line", where + " " + expected->second.name);
                continue;
            }
            if (found.size() > 1) f.Add("duplicated line", where + " in " + std::to_string(found.size()) + " sections");
            const Section *s = found[0];
            if (s->Text("NAME") != expected->second.name)
                f.Add("wrong line name", where + " [" + s->name + "] NAME=" + s->Text("NAME") + ", expected " +
                                             expected->second.name);
            std::string set = s->Text("TRANSMIT");
            int named = 0;
            for (const Section *t : sets) named += !set.empty() && Upper(t->Text("NAME")) == Upper(set);
            if (named != 1)
                f.Add("line transmit set", where + " [" + s->name + "] TRANSMIT=" + set + " names " +
                                               std::to_string(named) + " sets");
            SharedPortParams read{};
            if (!CVU_GetSharedPortParams(where.c_str(), &read)) continue;
            if (!SameConfig(read.config, expected->second.config) || read.inbound != expected->second.inbound ||
                read.autobaud != expected->second.autobaud)
                f.Add("wrong line settings", where + " reads " + ConfigText(read.config) + " in " +
                                                 std::to_string(read.inbound) + std::to_string(read.autobaud) +
                                                 ", expected " + ConfigText(expected->second.config) + " in " +
                                                 std::to_string(expected->second.inbound) +
                                                 std::to_string(expected->second.autobaud));
        }
    }
}

std::vector<std::string> Sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

std::string Joined(const std::vector<std::string> &v)
{
    std::string text;
    for (const std::string &s : v) text += (text.empty() ? "" : ",") + s;
    return "(" + text + ")";
}

void CheckGroups(const std::vector<Section> &ini, const std::vector<Model> &models, Findings &f)
{
    const Section *server = Find(ini, "SERVER");
    std::vector<const Section *> groups = Numbered(ini, "GROUP");
    long count = server ? std::atol(server->Text("GROUPS").c_str()) : 0;
    if (count != long(groups.size()))
        f.Add("group count", "SERVER GROUPS=" + std::to_string(count) + " but " + std::to_string(groups.size()) +
                                 " GROUP sections");
    for (long n = 1; n <= count; ++n)
        if (!Find(ini, "GROUP" + std::to_string(n))) f.Add("group count", "GROUP" + std::to_string(n) + " is missing");

    std::map<std::string, std::vector<const Section *>> byName;
    for (const Section *s : groups) byName[Upper(s->Text("NAME"))].push_back(s);
    for (const auto &[name, found] : byName)
        if (!IsChildGroupName(name)) f.Add("unexpected group", "NAME=" + name + " in [" + found[0]->name + "]");

    for (int child = 1; child <= kChildren; ++child) {
        const Model &m = models[child - 1];
        for (int i = 0; i < kGroupsPerChild; ++i) {
            std::string name = GroupName(child, i);
            const std::vector<const Section *> &found = byName[Upper(name)];
            auto expected = m.groups.find(name);
            if (expected == m.groups.end()) {
                for (const Section *s : found) f.Add("unexpected group", name + " in [" + s->name + "]");
                continue;
            }
            const GroupModel &g = expected->second;
            if (found.empty()) {
                // Anyone may purge a group without lines.
                if (!g.members.empty()) f.Add("lost group", name + " " + Joined(g.members));
                continue;
            }
            if (found.size() > 1) f.Add("duplicated group", name + " in " + std::to_string(found.size()) + " sections");
            const Section *s = found[0];
            std::vector<std::string> members = SplitList(s->Text("LINES"));
            if (Sorted(members) != Sorted(g.members))
                f.Add("wrong group members", name + " [" + s->name + "] LINES=" + s->Text("LINES") + ", expected " +
                                                 Joined(g.members));
            if (!g.params) continue;
            std::string conference = Upper(s->Text("CONFERENCE"));
            DWORD mode = conference == "H" ? 1 : conference == "F" ? 2 : 0;
            bool inbound = !s->Text("INBOUND").empty();
            if (mode != g.params->conference || inbound != g.params->inbound ||
                s->Text("CALLFWD") != g.params->callForward || s->Text("PHONE") != g.params->phone)
                f.Add("wrong group params", name + " [" + s->name + "] CONFERENCE=" + conference + " INBOUND=" +
                                                s->Text("INBOUND") + " CALLFWD=" + s->Text("CALLFWD") +
                                                " PHONE=" + s->Text("PHONE") + ", expected mode " +
                                                std::to_string(g.params->conference) + " inbound " +
                                                std::to_string(g.params->inbound) + " [" + g.params->callForward +
                                                "] [" + g.params->phone + "]");
        }
    }
}

void CheckRedirections(const std::vector<Section> &ini, const std::vector<Model> &models, Findings &f)
{
    const Section *client = Find(ini, "CLIENT");
    const Section *desc = Find(ini, "DESC");
    std::map<int, int> listed;
    if (client)
        for (const std::string &entry : SplitList(client->Text("REDIRECTPORTS"))) ++listed[std::atoi(entry.c_str())];
    for (int child = 1; child <= kChildren; ++child) {
        const Model &m = models[child - 1];
        for (int i = 0; i < kPortsPerChild; ++i) {
            int port = PortNumber(child, i);
            std::string key = "COM" + std::to_string(port) + "DEST";
            std::string dest = client ? client->Text(key) : "";
            std::string description = desc ? desc->Text("Port" + std::to_string(port) + "Desc") : "";
            auto expected = m.redirections.find(port);
            std::string where = PortName(port);
            if (expected == m.redirections.end()) {
                if (listed[port] || !dest.empty())
                    f.Add("unexpected redirection", where + " listed " + std::to_string(listed[port]) + " times, " +
                                                        key + "=" + dest);
                continue;
            }
            if (listed[port] == 0) f.Add("lost redirection", where + " not in REDIRECTPORTS");
            if (listed[port] > 1) f.Add("duplicated redirection", where + " listed " + std::to_string(listed[port]) + " times");
            if (dest != expected->second.destination)
                f.Add("wrong redirection", where + " " + key + "=" + dest + ", expected " + expected->second.destination);
            bool standard = expected->second.description.empty();
            if (standard ? description.empty() : description != expected->second.description)
                f.Add("wrong redirection description", where + " Port" + std::to_string(port) + "Desc=" + description +
                                                           ", expected " +
                                                           (standard ? "the standard text" : expected->second.description));
        }
    }
}

void CheckSettings(const std::vector<Model> &models, Findings &f)
{
    ClientSettings read{};
    CVU_GetClientSettings(&read);
    std::string text = SettingsText(read), candidates;
    bool any = false, match = false;
    for (const Model &m : models) {
        if (!m.settings) continue;
        any = true;
        candidates += " [" + SettingsText(*m.settings) + "]";
        match = match || SettingsText(*m.settings) == text;
    }
    if (any && !match) f.Add("client settings", "read [" + text + "], none of the last written:" + candidates);
}

// Runs the children together and checks the file they leave.
class ConcurrentConfig : public CleanTest {
protected:
    Findings Run(bool locked)
    {
        unsigned seed = Seed();
        std::string tag = std::to_string(GetCurrentProcessId());
        std::string goName = "cvxtest-config-race-go-" + tag, readyName = "cvxtest-config-race-ready-" + tag;
        HANDLE go = CreateEventA(nullptr, TRUE, FALSE, goName.c_str());
        HANDLE ready = CreateSemaphoreA(nullptr, 0, kChildren, readyName.c_str());
        EXPECT_TRUE(go && ready);

        DWORD started = GetTickCount();
        std::vector<ChildProcess> children;
        for (int child = 1; child <= kChildren; ++child) {
            ChildOptions options;
            options.environment["CVX_NO_CONFIG_LOCK"] = locked ? "0" : "1";
            children.push_back(StartChild("config_race",
                                          {std::to_string(child), std::to_string(seed), std::to_string(kOperations),
                                           goName, readyName},
                                          options));
            EXPECT_TRUE(children.back().Started()) << "child " << child;
        }
        for (int child = 1; child <= kChildren; ++child)
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 60000)) << "a child did not come up";
        DWORD go_at = GetTickCount();
        SetEvent(go);
        std::vector<Model> models;
        for (int child = 1; child <= kChildren; ++child) {
            EXPECT_EQ(0, children[child - 1].Wait(900000)) << "child " << child;
            models.push_back(Parse(GetResult(ResultName(child).c_str())));
        }
        DWORD ended = GetTickCount();
        std::printf("seed %u, %d processes x %d operations, %s: %.1f s of work (%.1f s with start-up)\n", seed,
                    kChildren, kOperations, locked ? "locked" : "unlocked", (ended - go_at) / 1000.0,
                    (ended - started) / 1000.0);
        CloseHandle(go);
        CloseHandle(ready);

        Findings f;
        for (int child = 1; child <= kChildren; ++child) {
            const Model &m = models[child - 1];
            if (m.surprises) f.counts["surprising results"] += m.surprises;
            for (const std::string &note : m.notes) f.notes.push_back("child " + std::to_string(child) + ":" + note);
        }
        std::vector<Section> ini = ParseIni(ReadFileText(ini_));
        CheckLines(ini, models, f);
        CheckGroups(ini, models, f);
        CheckRedirections(ini, models, f);
        CheckSettings(models, f);

        int code = 0;
        Json check = CvxcfgJson({"check"}, -1, &code);
        if (code != 0) f.counts["cvxcfg check exit " + std::to_string(code)] = 1;
        for (const Json &p : check["problems"].array)
            f.Add("cvxcfg check", "[" + p["section"].string + "] " + p["key"].string +
                                      (p["value"].kind == Json::kNull ? "" : "=" + p["value"].string) + ": " +
                                      p["problem"].string);

        size_t lines = 0, groups = 0, redirections = 0;
        for (const Model &m : models) {
            lines += m.lines.size();
            groups += m.groups.size();
            redirections += m.redirections.size();
        }
        std::printf("expected at the end: %zu lines, %zu groups, %zu redirections\n", lines, groups, redirections);
        return f;
    }
};

TEST_F(ConcurrentConfig, FourProcessesLeaveWhatTheirResultsSay)
{
    Findings f = Run(true);
    EXPECT_TRUE(f.counts.empty()) << "findings:\n" << f.Summary() << f.Details() << "file:\n" << ReadFileText(ini_);
    // The run did real work: the children ended with lines and groups.
    size_t lines = Numbered(ParseIni(ReadFileText(ini_)), "LINE").size();
    EXPECT_GT(lines, 4u);
}

// Without the lock the file is expected to break; this reports how.
TEST_F(ConcurrentConfig, DISABLED_WithoutTheLock)
{
    Findings f = Run(false);
    std::printf("findings without the lock:\n%s%s", f.Summary().c_str(), f.Details(3).c_str());
    std::vector<Section> ini = ParseIni(ReadFileText(ini_));
    const Section *server = Find(ini, "SERVER");
    const Section *common = Find(ini, "COMMON");
    std::printf("the file at the end: %zu sections, %zu LINE, %zu GROUP, %zu TRANSMIT; SERVER LINES=%s GROUPS=%s, "
                "COMMON TRANSMITSETS=%s\n",
                ini.size(), Numbered(ini, "LINE").size(), Numbered(ini, "GROUP").size(),
                Numbered(ini, "TRANSMIT").size(), server ? server->Text("LINES").c_str() : "-",
                server ? server->Text("GROUPS").c_str() : "-", common ? common->Text("TRANSMITSETS").c_str() : "-");
}

}  // namespace
