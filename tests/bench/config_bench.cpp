// Prints what one call of each configuration export costs in a configuration
// of 10, 50 and 100 lines (with as many groups, 30 redirected ports and 100
// inbound services), and how many profile-file and registry calls it made.
// The calls are counted by hooking the library's own imports.
//
//   config_bench [repeats]
//
// Times are the median of the repeats, also given as multiples of one bare
// GetPrivateProfileStringA on the same file.
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

long g_profile, g_registry;

#define COUNT_PROFILE(ret, name, params, args)                  \
    decltype(&name) Real##name;                                 \
    ret WINAPI Hook##name params                                \
    {                                                           \
        ++g_profile;                                            \
        return Real##name args;                                 \
    }
#define COUNT_REGISTRY(ret, name, params, args)                 \
    decltype(&name) Real##name;                                 \
    ret WINAPI Hook##name params                                \
    {                                                           \
        ++g_registry;                                           \
        return Real##name args;                                 \
    }

COUNT_PROFILE(DWORD, GetPrivateProfileStringA, (LPCSTR s, LPCSTR k, LPCSTR d, LPSTR b, DWORD n, LPCSTR f),
              (s, k, d, b, n, f))
COUNT_PROFILE(UINT, GetPrivateProfileIntA, (LPCSTR s, LPCSTR k, INT d, LPCSTR f), (s, k, d, f))
COUNT_PROFILE(BOOL, WritePrivateProfileStringA, (LPCSTR s, LPCSTR k, LPCSTR v, LPCSTR f), (s, k, v, f))
COUNT_PROFILE(DWORD, GetPrivateProfileSectionA, (LPCSTR s, LPSTR b, DWORD n, LPCSTR f), (s, b, n, f))
COUNT_PROFILE(BOOL, WritePrivateProfileSectionA, (LPCSTR s, LPCSTR v, LPCSTR f), (s, v, f))
COUNT_REGISTRY(LSTATUS, RegOpenKeyExA, (HKEY k, LPCSTR s, DWORD o, REGSAM a, PHKEY r), (k, s, o, a, r))
COUNT_REGISTRY(LSTATUS, RegCreateKeyExA,
               (HKEY k, LPCSTR s, DWORD r, LPSTR c, DWORD o, REGSAM a, const LPSECURITY_ATTRIBUTES sa, PHKEY h,
                LPDWORD d),
               (k, s, r, c, o, a, sa, h, d))
COUNT_REGISTRY(LSTATUS, RegQueryValueExA, (HKEY k, LPCSTR n, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD c),
               (k, n, r, t, d, c))
COUNT_REGISTRY(LSTATUS, RegSetValueExA, (HKEY k, LPCSTR n, DWORD r, DWORD t, const BYTE *d, DWORD c),
               (k, n, r, t, d, c))
COUNT_REGISTRY(LSTATUS, RegEnumKeyA, (HKEY k, DWORD i, LPSTR n, DWORD c), (k, i, n, c))
COUNT_REGISTRY(LSTATUS, RegEnumKeyExA,
               (HKEY k, DWORD i, LPSTR n, LPDWORD c, LPDWORD r, LPSTR cl, LPDWORD cc, PFILETIME t),
               (k, i, n, c, r, cl, cc, t))
COUNT_REGISTRY(LSTATUS, RegDeleteKeyA, (HKEY k, LPCSTR s), (k, s))
COUNT_REGISTRY(LSTATUS, RegDeleteValueA, (HKEY k, LPCSTR s), (k, s))
COUNT_REGISTRY(LSTATUS, RegCloseKey, (HKEY k), (k))

struct Hook {
    const char *name;
    void *hook;
    void **real;
};

#define HOOK(name) {#name, reinterpret_cast<void *>(&Hook##name), reinterpret_cast<void **>(&Real##name)}
const Hook kHooks[] = {
    HOOK(GetPrivateProfileStringA), HOOK(GetPrivateProfileIntA), HOOK(WritePrivateProfileStringA),
    HOOK(GetPrivateProfileSectionA), HOOK(WritePrivateProfileSectionA), HOOK(RegOpenKeyExA),
    HOOK(RegCreateKeyExA), HOOK(RegQueryValueExA), HOOK(RegSetValueExA), HOOK(RegEnumKeyA),
    HOOK(RegEnumKeyExA), HOOK(RegDeleteKeyA), HOOK(RegDeleteValueA), HOOK(RegCloseKey),
};

// Points the library's import slots of the counted functions at the hooks;
// prints the profile and registry imports it could not count.
void HookImports(HMODULE module)
{
    auto base = reinterpret_cast<BYTE *>(module);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    auto &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress); imp->Name; ++imp) {
        auto names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + imp->OriginalFirstThunk);
        auto slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto name = reinterpret_cast<const char *>(
                reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData)->Name);
            bool hooked = false;
            for (const Hook &h : kHooks) {
                if (std::strcmp(h.name, name) != 0) continue;
                *h.real = reinterpret_cast<void *>(slots->u1.Function);
                DWORD old;
                VirtualProtect(&slots->u1.Function, sizeof(void *), PAGE_READWRITE, &old);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(h.hook);
                VirtualProtect(&slots->u1.Function, sizeof(void *), old, &old);
                hooked = true;
            }
            if (!hooked && (std::strstr(name, "PrivateProfile") || std::strncmp(name, "Reg", 3) == 0))
                std::printf("note: %s is imported but not counted\n", name);
        }
    }
}

std::string g_dir, g_ini;
constexpr char kProductKey[] = "System\\CurrentControlSet\\Services\\Cvex\\Parameters";

void Put(const std::string &section, const std::string &key, const std::string &value)
{
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), g_ini.c_str());
}

// The machine's serial ports, as the serial driver lists them: as many as
// the port list holds.
constexpr char kSerialEntries[] = "System\\CurrentControlSet\\Services\\Serial\\Parameters";
constexpr int kMachinePorts = CVU_MAX_LISTED_PORTS;

void MachinePorts(bool create)
{
    for (int p = 1; p <= kMachinePorts; ++p) {
        std::string entry = std::string(kSerialEntries) + "\\CvxBenchSerial" + std::to_string(p);
        if (!create) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, entry.c_str());
            continue;
        }
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            continue;
        std::string port = "COM" + std::to_string(p);
        RegSetValueExA(key, "DosDevices", 0, REG_SZ, reinterpret_cast<const BYTE *>(port.c_str()),
                       DWORD(port.size() + 1));
        RegCloseKey(key);
    }
}

// n lines, each with its transmit set, n groups of up to 10 lines, 30
// redirected ports, client settings with triggers.
void BuildConfiguration(int n)
{
    DeleteFileA(g_ini.c_str());
    Put("SERVER", "LINES", std::to_string(n));
    Put("SERVER", "GROUPS", std::to_string(n));
    Put("COMMON", "TRANSMITSETS", std::to_string(n + 1));
    for (int i = 1; i <= n; ++i) {
        std::string line = "LINE" + std::to_string(i);
        Put(line, "NAME", "Line" + std::to_string(i));
        Put(line, "PORTNAME", "COM" + std::to_string(i));
        Put(line, "TRANSMIT", "Set" + std::to_string(i));
        std::string set = "TRANSMIT" + std::to_string(i);
        Put(set, "NAME", "Set" + std::to_string(i));
        Put(set, "ALPARS", "(9600,NONE,8,1)");
        Put(set, "FLOW", "(11H,13H)");
        std::string lines = "(";
        for (int j = 0; j < 10; ++j) lines += (j ? "," : "") + std::string("Line") + std::to_string((i + j) % n + 1);
        std::string group = "GROUP" + std::to_string(i);
        Put(group, "NAME", "Group" + std::to_string(i));
        Put(group, "LINES", lines + ")");
    }
    std::string ports = "(";
    for (int p = 1; p <= 30; ++p) {
        ports += (p > 1 ? "," : "") + std::to_string(p);
        Put("CLIENT", "COM" + std::to_string(p) + "DEST", "Group" + std::to_string((p - 1) % n + 1));
        Put("DESC", "Port" + std::to_string(p) + "Desc", "redirected");
    }
    Put("CLIENT", "REDIRECTPORTS", ports + ")");
    ClientSettings settings{30, 3, 0, 1, {0x0D, 0x0A}, 2};
    CVU_SetClientSettings(&settings);
}

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

struct Call {
    const char *what;
    std::function<void(int lines)> run;
};

}  // namespace

int main(int argc, char **argv)
{
    int repeats = argc > 1 ? std::atoi(argv[1]) : 9;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    g_dir = std::string(temp) + "cvxbench" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(g_dir.c_str(), nullptr);
    g_ini = g_dir + "\\CVEX.INI";
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "Directory", 0, REG_SZ, reinterpret_cast<const BYTE *>(g_dir.c_str()),
                   DWORD(g_dir.size() + 1));
    RegCloseKey(key);
    MachinePorts(true);
    HookImports(GetModuleHandleA("cvxutil.dll"));

    for (int s = 1; s <= 100; ++s) {
        std::string name = "Svc" + std::to_string(s);
        CVU_IbsCreateService(name.c_str(), "bench", "prog.exe", "-x", s % 2 ? IBS_OPTION_SELECTED : 0, "secret", 5,
                             TRUE);
    }

    static char buffer[8192];
    DWORD count;
    GroupParams params{CVU_CONFERENCE_H, "fwd", "555", 1};
    ClientPortParams portParams;
    ClientSettings settings;
    IbsServiceInfo info;
    SharedPortParams line{}, spare{};
    std::strcpy(spare.shareName, "Spare");
    std::strcpy(spare.portName, "COM250");
    CVU_GetDefaultPortConfig(&spare.config);
    auto last = [](int n) { return "COM" + std::to_string(n); };
    const Call calls[] = {
        // The floor of every row: one profile read by hand, outside the library.
        {"(one GetPrivateProfileString)",
         [&](int) { GetPrivateProfileStringA("SERVER", "LINES", "", buffer, sizeof buffer, g_ini.c_str()); }},
        {"(one WritePrivateProfileString)",
         [&](int) { WritePrivateProfileStringA("COMMON", "BENCH", "1", g_ini.c_str()); }},
        {"EnumGroupsLines all lines",
         [&](int) { CVU_EnumGroupsLinesA(CVU_ENUM_ALLLINES, nullptr, buffer, sizeof buffer, &count); }},
        {"EnumGroupsLines all groups",
         [&](int) { CVU_EnumGroupsLinesA(CVU_ENUM_ALLGROUPS, nullptr, buffer, sizeof buffer, &count); }},
        {"EnumGroupsLines groups w/ line",
         [&](int) { CVU_EnumGroupsLinesA(CVU_ENUM_GROUPSWITHLINE, "Line1", buffer, sizeof buffer, &count); }},
        {"EnumGroupsLines lines not in",
         [&](int n) {
             std::string g = "Group" + std::to_string(n);
             CVU_EnumGroupsLinesA(CVU_ENUM_LINESNOTINGROUP, g.c_str(), buffer, sizeof buffer, &count);
         }},
        {"AddGroup (new, last)", [&](int) { CVU_AddGroupA("BenchGroup", "Line1\0Line2\0", FALSE); }},
        {"GetGroupParam record (last)",
         [&](int) { CVU_GetGroupParamA("BenchGroup", CVU_GROUPPARAM_RECORD, buffer, sizeof buffer); }},
        {"SetGroupParam record (last)",
         [&](int) { CVU_SetGroupParamA("BenchGroup", CVU_GROUPPARAM_RECORD, &params, FALSE); }},
        {"ModifyGroupLines add line", [&](int) { CVU_ModifyGroupLinesA(CVU_GL_ADDLINE, "BenchGroup", "Line3"); }},
        {"ModifyGroupLines remove line",
         [&](int) { CVU_ModifyGroupLinesA(CVU_GL_REMOVELINE, "BenchGroup", "Line3"); }},
        {"ModifyGroupLines line->all groups",
         [&](int) { CVU_ModifyGroupLinesA(CVU_GL_ADDLINETOALLGROUPS, "Line1", nullptr); }},
        {"DeleteGroup (last)", [&](int) { CVU_DeleteGroupA("BenchGroup"); }},
        {"DeleteGroup (first) + re-add",
         [&](int) {
             CVU_DeleteGroupA("Group1");
             CVU_AddGroupA("Group1", "Line1\0", FALSE);
         }},
        {"PurgeEmptyGroups", [&](int) { CVU_PurgeEmptyGroups(); }},
        {"GetSharedPortParams (last)", [&](int n) { CVU_GetSharedPortParams(last(n).c_str(), &line); }},
        {"UpdateSharedPortParams (last)", [&](int) { CVU_UpdateSharedPortParams(&line, 0); }},
        {"RenamePort (last) and back",
         [&](int n) {
             std::string old = line.shareName;
             CVU_RenamePort(last(n).c_str(), old.c_str(), "Renamed");
             CVU_RenamePort(last(n).c_str(), "Renamed", old.c_str());
         }},
        {"ShareNewPort (new, last)", [&](int) { CVU_ShareNewPort(&spare); }},
        {"StopSharingPort (last)", [&](int) { CVU_StopSharingPort(spare.portName); }},
        {"StopSharingPort (first) + re-share",
         [&](int) {
             SharedPortParams first{};
             CVU_GetSharedPortParams("COM1", &first);
             CVU_StopSharingPort("COM1");
             CVU_ShareNewPort(&first);
         }},
        {"IsShareNameInUse (absent)", [&](int) { CVU_IsShareNameInUse("COM1", "NoSuchName"); }},
        {"Port list open, walk, close",
         [&](int) {
             PortEnumRecord entry;
             CVU_StartPortEnum();
             for (WORD index = 0; CVU_EnumPorts(&index, 0x8003, &entry) == 0;) {
             }
             CVU_EndPortEnum();
         }},
        {"GetNextRedirectedPort", [&](int) { CVU_GetNextRedirectedPort(1); }},
        {"SetClientRedirection set", [&](int) { CVU_SetClientRedirection("COM30", "Group2"); }},
        {"GetClientPortParams", [&](int) { CVU_GetClientPortParams("COM30", &portParams); }},
        {"GetClientSettings", [&](int) { CVU_GetClientSettings(&settings); }},
        {"SetClientSettings", [&](int) { CVU_SetClientSettings(&settings); }},
        {"Server settings get (all)",
         [&](int) {
             CVU_GetServerName(buffer);
             CVU_GetBufferSpace();
             CVU_GetServerStatus();
             CVU_GetNumServerPorts();
             CVU_GetLogBuffSize();
             CVU_GetInvalidConTime();
             CVU_GetIPXSegmentMethod();
         }},
        {"SetBufferSpace", [&](int) { CVU_SetBufferSpace(8192); }},
        {"IbsEnumServices all (100)",
         [&](int) { CVU_IbsEnumServices(IBS_ENUM_ALL, 0, buffer, sizeof buffer, &count); }},
        {"IbsDoesServiceExist (last)", [&](int) { CVU_IbsDoesServiceExist("Svc100"); }},
        {"IbsGetServiceInfo (last)",
         [&](int) { CVU_IbsGetServiceInfo("Svc100", IBS_INFO_SERVICE, &info, sizeof info); }},
    };

    const int sizes[] = {10, 50, 100};
    std::printf("%-34s %9s %9s %9s  %7s %7s %7s   calls (profile/registry) at 10 / 50 / 100\n", "export", "10 ms",
                "50 ms", "100 ms", "x10", "x50", "x100");
    std::vector<double> times[3];
    std::vector<std::string> counts[3];
    // One configuration per size; the sequence of calls leaves it as it
    // found it, so rounds of the whole sequence can repeat on it.
    for (int s = 0; s < 3; ++s) {
        BuildConfiguration(sizes[s]);
        std::vector<std::vector<double>> samples(std::size(calls));
        counts[s].resize(std::size(calls));
        for (int r = 0; r < repeats; ++r) {
            for (size_t i = 0; i < std::size(calls); ++i) {
                g_profile = g_registry = 0;
                double t0 = Now();
                calls[i].run(sizes[s]);
                samples[i].push_back((Now() - t0) * 1000);
                counts[s][i] = std::to_string(g_profile) + "/" + std::to_string(g_registry);
            }
        }
        for (auto &v : samples) {
            std::sort(v.begin(), v.end());
            times[s].push_back(v[v.size() / 2]);
        }
    }
    // Each call also as a multiple of one bare profile read of the same file
    // (the first row): the goal is 5 at 100 lines, 10 for the port list.
    for (size_t i = 0; i < std::size(calls); ++i)
        std::printf("%-34s %9.2f %9.2f %9.2f  %7.1f %7.1f %7.1f   %s  %s  %s\n", calls[i].what, times[0][i],
                    times[1][i], times[2][i], times[0][i] / times[0][0], times[1][i] / times[1][0],
                    times[2][i] / times[2][0], counts[0][i].c_str(), counts[1][i].c_str(), counts[2][i].c_str());

    MachinePorts(false);
    for (int s = 1; s <= 100; ++s) CVU_IbsDeleteService(("Svc" + std::to_string(s)).c_str());
    DeleteFileA(g_ini.c_str());
    RemoveDirectoryA(g_dir.c_str());
    return 0;
}
