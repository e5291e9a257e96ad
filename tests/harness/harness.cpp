#include "harness/harness.h"
#include "harness/program.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace cvxtest {

// ---- child processes -------------------------------------------------------------
namespace {
std::map<std::string, ChildRole> &Roles()
{
    static std::map<std::string, ChildRole> roles;
    return roles;
}

std::string SelfPath()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}
}  // namespace

RoleRegistrar::RoleRegistrar(const char *name, ChildRole role) { Roles()[name] = role; }

int DispatchChildRole(int argc, char **argv)
{
    // "--done <event> --child ...": report the exit code, then signal.
    if (argc >= 5 && std::strcmp(argv[1], "--done") == 0) {
        int code = DispatchChildRole(argc - 2, argv + 2);
        PutResult(argv[2], std::to_string(code));
        HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
        if (done) {
            SetEvent(done);
            CloseHandle(done);
        }
        return code;
    }
    if (argc < 3 || std::strcmp(argv[1], "--child") != 0) return -1;
    auto it = Roles().find(argv[2]);
    if (it == Roles().end()) {
        std::fprintf(stderr, "no child role %s\n", argv[2]);
        return 255;
    }
    std::vector<std::string> args(argv + 3, argv + argc);
    return it->second(args);
}

ChildProcess::ChildProcess(ChildProcess &&other) noexcept
    : process_(std::exchange(other.process_, nullptr)), done_(std::exchange(other.done_, nullptr)),
      doneName_(other.doneName_)
{
}

ChildProcess &ChildProcess::operator=(ChildProcess &&other) noexcept
{
    if (this != &other) {
        Kill();
        process_ = std::exchange(other.process_, nullptr);
        done_ = std::exchange(other.done_, nullptr);
        doneName_ = other.doneName_;
    }
    return *this;
}

ChildProcess::~ChildProcess()
{
    Kill();
    if (done_) CloseHandle(done_);
}

int ChildProcess::Wait(DWORD timeoutMs)
{
    if (done_) {
        DWORD rc = WaitForSingleObject(done_, timeoutMs);
        CloseHandle(std::exchange(done_, nullptr));
        if (rc != WAIT_OBJECT_0) return -2;
        std::string code = GetResult(doneName_.c_str());
        return code == "<none>" ? -1 : std::atoi(code.c_str());
    }
    if (!process_) return -1;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        Kill();
        return -2;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    CloseHandle(std::exchange(process_, nullptr));
    return static_cast<int>(code);
}

void ChildProcess::Kill()
{
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 254);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(std::exchange(process_, nullptr));
}

ChildProcess StartChild(const std::string &role, const std::vector<std::string> &args, const ChildOptions &options)
{
    std::string command = QuoteArgument(SelfPath()) + " --child " + role;
    for (const std::string &arg : args) command += " " + QuoteArgument(arg);

    ChildProcess child;
    if (!options.environment.empty()) {
        static LONG counter;
        char name[96];
        std::snprintf(name, sizeof name, "cvxtest-child-%lu-%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
        child.doneName_ = name;
        child.done_ = CreateEventA(nullptr, TRUE, FALSE, name);
        std::string prefix = "Z:\\usr\\bin\\env";
        for (const auto &[var, value] : options.environment) prefix += " " + var + "=" + value;
        prefix += sizeof(void *) == 8 ? " /usr/lib/wine/wine64 " : " /usr/lib/wine/wine ";
        command = prefix + QuoteArgument(SelfPath()) + " --done " + name + " --child " + role;
        for (const std::string &arg : args) command += " " + QuoteArgument(arg);
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    BOOL ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    if (!ok) {
        if (child.done_) CloseHandle(std::exchange(child.done_, nullptr));
        return child;
    }
    if (child.done_) {
        // A Unix program: Wine gives no process to wait on, and Wine 8 leaves
        // whatever its stack held in the process and thread handles, often
        // handles of this process that closing would take away.
        return child;
    }
    CloseHandle(pi.hThread);
    child.process_ = pi.hProcess;
    return child;
}

int RunChild(const std::string &role, const std::vector<std::string> &args, const ChildOptions &options)
{
    ChildProcess child = StartChild(role, args, options);
    if (!child.Started()) return -1;
    return child.Wait(options.timeoutMs);
}

namespace {
constexpr char kResultsKey[] = "Software\\CvxTests\\Results";
}

void PutResult(const char *name, const std::string &value) { SetRegString(HKEY_CURRENT_USER, kResultsKey, name, value); }

std::string GetResult(const char *name)
{
    std::string value;
    if (!GetRegString(HKEY_CURRENT_USER, kResultsKey, name, &value)) value = "<none>";
    return value;
}

// ---- dialogs ----------------------------------------------------------------------
namespace {
struct FindState {
    std::set<HWND> *known;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    auto *state = reinterpret_cast<FindState *>(param);
    if (ClassName(window) == "#32770" && IsWindowVisible(window) && !state->known->count(window)) {
        state->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

DialogDriver::DialogDriver(Action action, DWORD timeoutMs, DWORD threadId)
    : action_(std::move(action)), timeoutMs_(timeoutMs), threadId_(threadId)
{
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogDriver::~DialogDriver() { Finish(); }

int DialogDriver::Finish()
{
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(stop_);
        thread_ = stop_ = nullptr;
    }
    return seen_;
}

DWORD WINAPI DialogDriver::Run(LPVOID self)
{
    static_cast<DialogDriver *>(self)->Loop();
    return 0;
}

void DialogDriver::Loop()
{
    std::set<HWND> known;
    while (WaitForSingleObject(stop_, 20) == WAIT_TIMEOUT) {
        FindState state{&known, nullptr};
        EnumThreadWindows(threadId_, FindDialog, reinterpret_cast<LPARAM>(&state));
        if (!state.found) continue;
        HWND dialog = state.found;
        known.insert(dialog);
        InterlockedIncrement(&seen_);
        action_(dialog);
        DWORD start = GetTickCount();
        while (IsWindow(dialog) && IsWindowVisible(dialog) && GetTickCount() - start < timeoutMs_)
            if (WaitForSingleObject(stop_, 20) == WAIT_OBJECT_0) break;
        if (IsWindow(dialog) && IsWindowVisible(dialog) && WaitForSingleObject(stop_, 0) == WAIT_TIMEOUT) {
            ADD_FAILURE() << "dialog \"" << WindowText(dialog) << "\" still open after " << timeoutMs_ << " ms";
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
    }
}

std::string WindowText(HWND window)
{
    char text[2048] = "";
    // WM_GETTEXT works across threads where GetWindowText would not.
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ClassName(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<std::string> StaticTexts(HWND dialog)
{
    std::vector<std::string> texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) != "Static") continue;
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) continue;
        texts.push_back(WindowText(child));
    }
    return texts;
}

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PumpMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

// ---- files and registry ---------------------------------------------------------------
std::string ReadFileText(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

bool WriteFileText(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

bool FileExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string TempDirectory(const char *tag)
{
    char base[MAX_PATH] = "";
    GetTempPathA(sizeof base, base);
    static LONG counter;
    char dir[MAX_PATH];
    std::snprintf(dir, sizeof dir, "%scvxtest\\", base);
    CreateDirectoryA(dir, nullptr);
    std::snprintf(dir, sizeof dir, "%scvxtest\\%s-%lu-%lu-%ld\\", base, tag, GetCurrentProcessId(), GetTickCount(),
                  InterlockedIncrement(&counter));
    CreateDirectoryA(dir, nullptr);
    return dir;
}

std::string ExeDirectory()
{
    std::string path = SelfPath();
    return path.substr(0, path.find_last_of('\\') + 1);
}

bool IsWin95Platform()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    return info.dwPlatformId != VER_PLATFORM_WIN32_NT;
}

const char *ProductKeyPath()
{
    return IsWin95Platform() ? "Software\\Quillon\\Calvex" : "System\\CurrentControlSet\\Services\\Cvex\\Parameters";
}

void DeleteTree(HKEY root, const char *path) { RegDeleteTreeA(root, path), RegDeleteKeyA(root, path); }

void SetRegString(HKEY root, const char *path, const char *name, const std::string &value)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void SetRegDword(HKEY root, const char *path, const char *name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(key);
}

bool GetRegString(HKEY root, const char *path, const char *name, std::string *value)
{
    char buffer[4096];
    DWORD size = sizeof buffer, type = 0;
    if (RegGetValueA(root, path, name, RRF_RT_ANY, &type, buffer, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    value->assign(buffer, size ? size - 1 : 0);
    return true;
}

bool GetRegDword(HKEY root, const char *path, const char *name, DWORD *value)
{
    DWORD size = sizeof *value, type = 0;
    return RegGetValueA(root, path, name, RRF_RT_ANY, &type, value, &size) == ERROR_SUCCESS && type == REG_DWORD;
}

bool KeyExists(HKEY root, const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// ---- clean state --------------------------------------------------------------------------
namespace {
// Deletes the subkeys of HKEY_LOCAL_MACHINE\path that the tests made (their
// names begin with kTestPortKeyPrefix), then the key itself when nothing at
// all is left in it.
void DeleteTestSubkeys(const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    std::vector<std::string> names;
    char name[260];
    const size_t prefix = std::strlen(kTestPortKeyPrefix);
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        if (_strnicmp(name, kTestPortKeyPrefix, prefix) == 0) names.push_back(name);
    for (const std::string &sub : names) DeleteTree(HKEY_LOCAL_MACHINE, (std::string(path) + "\\" + sub).c_str());
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    if (subkeys == 0 && values == 0) RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
}
}  // namespace

void ResetProductRegistry()
{
    DeleteTree(HKEY_CURRENT_USER, "Software\\Quillon");
    DeleteTree(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Cvex");
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Quillon");
    DeleteTree(HKEY_CURRENT_USER, "Software\\CvxTests");
    // The Windows 95 device tree and port driver keys: on Wine only the
    // port driver tests write them.
    DeleteTree(HKEY_LOCAL_MACHINE, "Enum");
    DeleteTree(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class");
    // The Windows NT serial ports of the port list tests. The prefix may
    // describe ports of its own there: only the tests' keys go.
    DeleteTestSubkeys("Hardware\\DESCRIPTION\\System\\MultifunctionAdapter");
    DeleteTestSubkeys("Hardware\\DESCRIPTION\\System\\EisaAdapter");
    DeleteTestSubkeys("System\\CurrentControlSet\\Services\\Serial\\Parameters");
    DeleteTestSubkeys("System\\CurrentControlSet\\Services\\Serial");
}

void CleanTest::SetUp()
{
    ResetProductRegistry();
    dir_ = TempDirectory("t");
    ini_ = dir_ + "CVEX.INI";
    SetRegString(HKEY_LOCAL_MACHINE, ProductKeyPath(), "Directory", dir_);
}

void CleanTest::TearDown() { ResetProductRegistry(); }

}  // namespace cvxtest
