// check: reads CVEX.INI once, by the library's own rules, and reports every
// inconsistency between its sections with the section, key and value.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "cli.h"
#include "cvxutil.h"
#include "frame/portable/profile.h"
#include "output.h"
#include "store.h"

namespace cvxcfg {
namespace {

std::string Upper(std::string text)
{
    for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The configuration file, read once and answered by the profile functions'
// rules. The library replaces the file whole, so one read sees no change
// half done.
class IniFile {
public:
    explicit IniFile(const std::string &path) : profile_(ReadBytes(path))
    {
        for (const std::string &name : profile_.SectionNames()) sections_.emplace(Upper(name), name);
    }
    bool HasSection(const std::string &name) const { return sections_.count(Upper(name)) != 0; }
    std::vector<std::string> Sections() const
    {
        std::vector<std::string> names;
        for (const auto &entry : sections_) names.push_back(entry.second);
        return names;
    }
    std::vector<std::string> Keys(const std::string &section) const { return profile_.Keys(section); }
    // Absent keys give no value.
    std::optional<std::string> Get(const std::string &section, const char *key) const
    {
        if (!profile_.Has(section, key)) return std::nullopt;
        return profile_.Get(section, key);
    }
    std::string GetText(const std::string &section, const char *key) const { return Get(section, key).value_or(""); }
    // The highest n of the sections PREFIX<n>, which bounds every walk of a
    // count however large the count that the file gives.
    long long LastNumbered(const char *prefix) const;

private:
    static std::string ReadBytes(const std::string &path)
    {
        std::string bytes;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return bytes;
        char chunk[65536];
        DWORD got = 0;
        while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
        CloseHandle(file);
        return bytes;
    }

    cvx::portable::Profile profile_;
    std::map<std::string, std::string> sections_; // upper-case name -> name as written
};

struct Problem {
    std::string section, key;
    std::optional<std::string> value;
    std::string message;
};

// A numbered section's number: "LINE12" with prefix LINE gives 12.
std::optional<long long> SectionNumber(const std::string &section, const char *prefix)
{
    size_t n = std::strlen(prefix);
    long long number = 0;
    if (section.size() <= n || _strnicmp(section.c_str(), prefix, n) != 0) return std::nullopt;
    if (!ParseNumber(section.substr(n), &number) || !std::isdigit(static_cast<unsigned char>(section[n])))
        return std::nullopt;
    return number;
}

long long IniFile::LastNumbered(const char *prefix) const
{
    long long last = 0;
    for (const auto &entry : sections_)
        if (std::optional<long long> n = SectionNumber(entry.second, prefix)) last = std::max(last, *n);
    return last;
}

bool IsYesNo(const std::string &text) { return SameName(text, "Y") || SameName(text, "N"); }

class Checker {
public:
    explicit Checker(const IniFile &ini) : ini_(ini) {}

    std::vector<Problem> Run()
    {
        CheckServer();
        CheckCommon();
        CollectSets();
        CheckLines();
        CheckSessions();
        CheckSets();
        CheckGroups();
        CheckClient();
        return std::move(problems_);
    }

private:
    void Report(const std::string &section, const std::string &key, const std::optional<std::string> &value,
                const std::string &message)
    {
        problems_.push_back({section, key, value, message});
    }
    void Report(const std::string &section, const std::string &key, const std::string &message)
    {
        Report(section, key, ini_.Get(section, key.c_str()), message);
    }

    // A decimal number in lo..hi; absent gives the default.
    std::optional<long long> Number(const std::string &section, const char *key, long long lo, long long hi,
                                    long long absent)
    {
        std::optional<std::string> text = ini_.Get(section, key);
        if (!text) return absent;
        long long n = 0;
        if (!ParseNumber(*text, &n)) {
            Report(section, key, text, "not a number");
            return std::nullopt;
        }
        if (n < lo || n > hi) {
            Report(section, key, text,
                   "out of range " + std::to_string(lo) + " to " + std::to_string(hi));
            return std::nullopt;
        }
        return n;
    }
    void Length(const std::string &section, const char *key, size_t most, const char *what)
    {
        std::optional<std::string> text = ini_.Get(section, key);
        if (text && text->size() > most)
            Report(section, key, text,
                   std::string(what) + " longer than " + std::to_string(most) + " characters is read back cut");
    }
    void Flag(const std::string &section, const char *key)
    {
        std::optional<std::string> text = ini_.Get(section, key);
        if (text && !IsYesNo(*text)) Report(section, key, text, "not Y or N");
    }
    // Sections PREFIX<n> for n = 1..count exist; others of that form are not
    // counted and so are ignored by the library.
    void Numbered(const char *prefix, const char *countSection, const char *countKey, long long count, const char *what)
    {
        long long last = std::min(count, ini_.LastNumbered(prefix));
        for (long long n = 1; n <= last; ++n)
            if (!ini_.HasSection(prefix + std::to_string(n)))
                Report(countSection, countKey, "section " + std::string(prefix) + std::to_string(n) + " is missing");
        // Past the last section, one report for the whole run.
        if (count == last + 1)
            Report(countSection, countKey, "section " + std::string(prefix) + std::to_string(count) + " is missing");
        else if (count > last)
            Report(countSection, countKey,
                   "sections " + std::string(prefix) + std::to_string(last + 1) + " to " + prefix +
                       std::to_string(count) + " are missing");
        for (const std::string &section : ini_.Sections()) {
            std::optional<long long> n = SectionNumber(section, prefix);
            if (n && (*n < 1 || *n > count))
                Report(section, "", std::nullopt,
                       "not counted by " + std::string(countSection) + " " + countKey + "=" + std::to_string(count) +
                           ", so it is no " + what);
        }
    }

    void CheckServer()
    {
        if (std::optional<std::string> start = ini_.Get("SERVER", "START"))
            if (!SameName(*start, "ACTIVE") && !SameName(*start, "INACTIVE") && !SameName(*start, "NO"))
                Report("SERVER", "START", start, "not ACTIVE, INACTIVE or NO");
        Number("SERVER", "LOGSPACE", 0, 8192, 0);
        Number("SERVER", "TIMEOUT", 1, 99, 1);
    }

    void CheckCommon()
    {
        Length("COMMON", "NAME", 16, "a server name");
        Number("COMMON", "BUFFERSPACE", 6144, 999999, 6144);
        Number("COMMON", "NETWORKS", 1, 2, 2);
    }

    // Transmit sets by name, before their owners are checked.
    void CollectSets()
    {
        setCount_ = Number("COMMON", "TRANSMITSETS", 0, 0x7FFFFFFF, 0).value_or(0);
        for (long long i = 1, last = ini_.LastNumbered("TRANSMIT"); i <= setCount_ && i <= last; ++i) {
            std::string section = "TRANSMIT" + std::to_string(i);
            if (!ini_.HasSection(section)) continue;
            std::string name = ini_.GetText(section, "NAME");
            if (name.empty()) {
                Report(section, "NAME", "missing: no owner can name this set");
                continue;
            }
            auto [it, added] = sets_.emplace(Upper(name), section);
            if (!added) Report(section, "NAME", "the name of [" + it->second + "] too: owners find only that one");
        }
    }

    void Owner(const std::string &section)
    {
        std::optional<std::string> set = ini_.Get(section, "TRANSMIT");
        if (!set || set->empty()) return;
        if (!sets_.count(Upper(*set))) Report(section, "TRANSMIT", set, "names a transmit set that does not exist");
        owned_.insert(Upper(*set));
    }

    void CheckLines()
    {
        std::optional<long long> count = Number("SERVER", "LINES", 0, 100, 0);
        lineCount_ = count.value_or(0);
        Numbered("LINE", "SERVER", "LINES", lineCount_, "line");
        std::map<std::string, std::string> ports, names;
        for (long long n = 1, last = ini_.LastNumbered("LINE"); n <= lineCount_ && n <= last; ++n) {
            std::string section = "LINE" + std::to_string(n);
            if (!ini_.HasSection(section)) continue;
            std::string port = ini_.GetText(section, "PORTNAME");
            if (port.empty()) {
                Report(section, "PORTNAME", "missing: the line matches no port");
            } else {
                Length(section.c_str(), "PORTNAME", 39, "a port name");
                auto [it, added] = ports.emplace(Upper(port), section);
                if (!added) Report(section, "PORTNAME", "the port already has a line in [" + it->second + "]");
            }
            std::string name = ini_.GetText(section, "NAME");
            if (name.empty()) {
                Report(section, "NAME", "missing: the line has no share name");
            } else {
                Length(section.c_str(), "NAME", 16, "a share name");
                auto [it, added] = names.emplace(Upper(name), section);
                if (!added) Report(section, "NAME", "the share name of [" + it->second + "] too");
                lineNames_.insert(Upper(name));
            }
            Length(section.c_str(), "MODEM", 119, "a modem text");
            Length(section.c_str(), "CALLFWD", 16, "a call-forwarding target");
            Flag(section, "INBOUND");
            Flag(section, "AUTOBAUD");
            Owner(section);
        }
    }

    void CheckSessions()
    {
        Number("SESSIONSPARMS", "ACTIVITYTIMER", 0, 99, 30);
        Number("SESSIONSPARMS", "TIMEOUT", 0, 99, 3);
        Flag("SESSIONSPARMS", "QUEUE");
        Flag("SESSIONSPARMS", "RETRY");
        Owner("SESSIONSPARMS");
    }

    void CheckAlpars(const std::string &section)
    {
        std::optional<std::string> text = ini_.Get(section, "ALPARS");
        if (!text) return;
        const std::string &v = *text;
        std::vector<std::string> fields;
        if (v.size() >= 2 && v.front() == '(' && v.back() == ')') {
            std::string inner = v.substr(1, v.size() - 2);
            for (size_t start = 0;;) {
                size_t comma = inner.find(',', start);
                fields.push_back(inner.substr(start, comma - start));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        }
        if (fields.size() != 4) {
            Report(section, "ALPARS", text, "not of the form (baud,parity,data bits,stop bits)");
            return;
        }
        long long n = 0;
        if (!ParseNumber(fields[0], &n) || n <= 0) Report(section, "ALPARS", text, "baud rate " + Quote(fields[0]) + " is not a positive number");
        static const char *const kParity[] = {"NONE", "ODD", "EVEN", "MARK", "SPACE"};
        bool parity = false;
        for (const char *word : kParity) parity = parity || SameName(fields[1], word);
        if (!parity) Report(section, "ALPARS", text, "parity " + Quote(fields[1]) + " is not NONE, ODD, EVEN, MARK or SPACE");
        if (!ParseNumber(fields[2], &n) || n < 4 || n > 8)
            Report(section, "ALPARS", text, "data bits " + Quote(fields[2]) + " out of range 4 to 8");
        if (fields[3] != "1" && fields[3] != "1.5" && fields[3] != "2")
            Report(section, "ALPARS", text, "stop bits " + Quote(fields[3]) + " are not 1, 1.5 or 2");
    }

    void CheckTriggers(const std::string &section)
    {
        std::optional<std::string> text = ini_.Get(section, "TRIGGERS");
        if (!text) return;
        const std::string &v = *text;
        if (v.size() < 3 || v.front() != '(' || v.back() != ')') {
            Report(section, "TRIGGERS", text, "not of the form (0DH,1BH)");
            return;
        }
        std::set<std::string> seen;
        size_t count = 0;
        std::string inner = v.substr(1, v.size() - 2);
        for (size_t start = 0;;) {
            size_t comma = inner.find(',', start);
            std::string entry = inner.substr(start, comma - start);
            bool ok = entry.size() == 3 && std::isxdigit(static_cast<unsigned char>(entry[0])) &&
                      std::isxdigit(static_cast<unsigned char>(entry[1])) && (entry[2] == 'H' || entry[2] == 'h');
            if (!ok) Report(section, "TRIGGERS", text, "entry " + Quote(entry) + " is not two hexadecimal digits and H");
            else if (!seen.insert(Upper(entry)).second)
                Report(section, "TRIGGERS", text, "character " + Upper(entry) + " is listed twice");
            ++count;
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        if (count > CVU_MAX_TRIGGERS)
            Report(section, "TRIGGERS", text, std::to_string(count) + " entries: a set holds at most 16 trigger characters");
    }

    void CheckSets()
    {
        Numbered("TRANSMIT", "COMMON", "TRANSMITSETS", setCount_, "transmit set");
        for (long long i = 1, last = ini_.LastNumbered("TRANSMIT"); i <= setCount_ && i <= last; ++i) {
            std::string section = "TRANSMIT" + std::to_string(i);
            if (!ini_.HasSection(section)) continue;
            std::string name = ini_.GetText(section, "NAME");
            if (!name.empty() && !owned_.count(Upper(name)))
                Report(section, "NAME", "no line and no client settings name this set");
            if (std::optional<std::string> flow = ini_.Get(section, "FLOW"))
                if (!SameName(*flow, "(0H,0H)") && !SameName(*flow, "(11H,13H)") && !SameName(*flow, "(1H,1H)"))
                    Report(section, "FLOW", flow, "not (0H,0H), (11H,13H) or (1H,1H)");
            CheckAlpars(section);
            CheckTriggers(section);
        }
    }

    void CheckGroups()
    {
        long long count = Number("SERVER", "GROUPS", 0, 0x7FFFFFFF, 0).value_or(0);
        Numbered("GROUP", "SERVER", "GROUPS", count, "group");
        std::map<std::string, std::string> names;
        for (long long j = 1, last = ini_.LastNumbered("GROUP"); j <= count && j <= last; ++j) {
            std::string section = "GROUP" + std::to_string(j);
            if (!ini_.HasSection(section)) continue;
            std::string name = ini_.GetText(section, "NAME");
            if (name.empty()) {
                Report(section, "NAME", "missing: the group cannot be found by name");
            } else {
                Length(section.c_str(), "NAME", 16, "a group name");
                auto [it, added] = names.emplace(Upper(name), section);
                if (!added) Report(section, "NAME", "the name of [" + it->second + "] too: only that one is found");
            }
            CheckGroupLines(section);
            if (std::optional<std::string> mode = ini_.Get(section, "CONFERENCE"))
                if (!SameName(*mode, "H") && !SameName(*mode, "F")) Report(section, "CONFERENCE", mode, "not H or F");
            Length(section.c_str(), "CALLFWD", 16, "a call-forwarding target");
            Length(section.c_str(), "PHONE", 24, "a telephone number");
            Number(section, "INBOUND", 0, 0x7FFFFFFF, 0);
        }
    }

    void CheckGroupLines(const std::string &section)
    {
        std::optional<std::string> text = ini_.Get(section, "LINES");
        if (!text || text->empty()) return;
        const std::string &v = *text;
        if (v.size() > 511) Report(section, "LINES", text, "longer than 511 characters: the library reads it cut");
        if (v.size() < 2 || v.front() != '(' || v.back() != ')') {
            Report(section, "LINES", text, "not of the form (LINE,LINE)");
            return;
        }
        std::string inner = v.substr(1, v.size() - 2);
        if (inner.empty()) return;
        std::set<std::string> seen;
        for (size_t start = 0;;) {
            size_t comma = inner.find(',', start);
            std::string line = inner.substr(start, comma - start);
            if (line.empty()) Report(section, "LINES", text, "an empty line name");
            else if (!lineNames_.count(Upper(line))) Report(section, "LINES", text, Quote(line) + " is no shared line");
            else if (!seen.insert(Upper(line)).second) Report(section, "LINES", text, Quote(line) + " is listed twice");
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }

    void CheckClient()
    {
        std::set<long long> listed;
        if (std::optional<std::string> text = ini_.Get("CLIENT", "REDIRECTPORTS")) {
            const std::string &v = *text;
            if (v.size() < 3 || v.front() != '(' || v.back() != ')') {
                Report("CLIENT", "REDIRECTPORTS", text, "not of the form (3,5)");
            } else {
                std::string inner = v.substr(1, v.size() - 2);
                for (size_t start = 0;;) {
                    size_t comma = inner.find(',', start);
                    std::string entry = inner.substr(start, comma - start);
                    long long n = 0;
                    if (!ParseNumber(entry, &n) || n < 1)
                        Report("CLIENT", "REDIRECTPORTS", text, "entry " + Quote(entry) + " is not a port number above 0");
                    else if (!listed.insert(n).second)
                        Report("CLIENT", "REDIRECTPORTS", text, "port " + entry + " is listed twice");
                    if (comma == std::string::npos) break;
                    start = comma + 1;
                }
                if (listed.size() > 30)
                    Report("CLIENT", "REDIRECTPORTS", text, std::to_string(listed.size()) + " ports: at most 30 are kept");
            }
        }
        std::set<long long> destinations;
        for (const std::string &key : ini_.Keys("CLIENT")) {
            long long n = 0;
            std::string upper = Upper(key);
            if (upper.size() < 8 || upper.compare(0, 3, "COM") != 0 || upper.compare(upper.size() - 4, 4, "DEST") != 0 ||
                !ParseNumber(upper.substr(3, upper.size() - 7), &n))
                continue;
            std::string dest = ini_.GetText("CLIENT", key.c_str());
            if (dest.empty()) continue;
            destinations.insert(n);
            Length("CLIENT", key.c_str(), 16, "a destination");
            if (!listed.count(n)) Report("CLIENT", key, "port " + std::to_string(n) + " is not in REDIRECTPORTS");
        }
        for (long long n : listed)
            if (!destinations.count(n))
                Report("CLIENT", "REDIRECTPORTS", "port " + std::to_string(n) + " has no COM" + std::to_string(n) + "DEST");
        for (const std::string &key : ini_.Keys("DESC")) Length("DESC", key.c_str(), 99, "a description");
    }

    const IniFile &ini_;
    std::vector<Problem> problems_;
    long long setCount_ = 0, lineCount_ = 0;
    std::map<std::string, std::string> sets_; // upper-case set name -> section
    std::set<std::string> owned_, lineNames_;
};

std::string ProblemText(const Problem &p)
{
    std::string text = "[" + p.section + "]";
    if (!p.key.empty()) text += " " + p.key + (p.value ? "=" + *p.value : " (absent)");
    return text + ": " + p.message;
}

int Check(Invocation &call)
{
    std::string path = ConfigFilePath();
    if (call.Has("file")) {
        char full[MAX_PATH] = "";
        if (!GetFullPathNameA(call.Value("file").c_str(), sizeof full, full, nullptr))
            FailUsage("check: --file " + Quote(call.Value("file")) + " is no path");
        path = full;
        if (GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES)
            FailUsage("check: --file names no file: " + Quote(call.Value("file")));
    }
    std::vector<Problem> problems;
    bool exists;
    {
        exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        IniFile ini(path);
        problems = Checker(ini).Run();
    }
    if (call.json) {
        std::string out = "{\"file\":" + JsonString(path) + ",\"exists\":" + (exists ? "true" : "false") + ",\"problems\":[";
        for (size_t i = 0; i < problems.size(); ++i) {
            const Problem &p = problems[i];
            Record record;
            record.Text("section", p.section).Text("key", p.key);
            record.Add("value", p.value ? Value::Text(*p.value) : Value::Null()).Text("problem", p.message);
            out += (i ? ",\n " : "") + JsonObject(record);
        }
        std::printf("%s]}\n", out.c_str());
    } else {
        for (const Problem &p : problems) std::printf("%s\n", Shown(ProblemText(p)).c_str());
        if (problems.empty())
            std::printf("%s: %s\n", Shown(path).c_str(), exists ? "no problems found" : "no such file (an empty configuration)");
        else
            std::printf("%s: %zu problem%s found\n", Shown(path).c_str(), problems.size(), problems.size() == 1 ? "" : "s");
    }
    return problems.empty() ? kDone : kProblems;
}

}  // namespace

void AddCheckCommand(CommandTable &table)
{
    table.Add({"check", "", "", "report every inconsistency of CVEX.INI (exit code 1 when any)",
               "Checks the line count against the LINE sections, ports with two lines, share names\n"
               "used twice, TRANSMIT keys naming missing sets, sets that no owner names, groups\n"
               "listing unknown lines, REDIRECTPORTS against the COM<n>DEST keys, and values out\n"
               "of range. Each problem is printed as [SECTION] KEY=value: what is wrong.",
               0, 0, {{"file", "PATH", "check this file instead of the product's CVEX.INI"}}, Check});
}

}  // namespace cvxcfg
