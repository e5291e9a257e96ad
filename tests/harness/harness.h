// Test harness shared by every test executable: clean state per test, child
// processes of the test executable, dialog driving, file and registry reads.
//
// The harness calls Win32 only, never the library, so that the executable
// linked from the library's objects can use it too.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace cvxtest {

// ---- child processes -------------------------------------------------------
// A role is a function of the test executable that a child process runs
// instead of the tests: "<exe> --child <role> args...". Its result is the
// process's exit code.
using ChildRole = int (*)(const std::vector<std::string> &args);
struct RoleRegistrar {
    RoleRegistrar(const char *name, ChildRole role);
};
#define CVX_CHILD_ROLE(name)                                                            \
    static int cvxrole_##name(const std::vector<std::string> &args);                    \
    static ::cvxtest::RoleRegistrar cvxrolereg_##name(#name, cvxrole_##name);           \
    static int cvxrole_##name([[maybe_unused]] const std::vector<std::string> &args)

// Runs the registered role when the command line asks for one; returns -1
// when the process is not a child.
int DispatchChildRole(int argc, char **argv);

struct ChildOptions {
    // Unix environment of the child (LC_ALL picks its locale). Wine hands a
    // child its parent's Unix environment, not the Windows one, so a child
    // with its own is started through /usr/bin/env and reports its end by a
    // named event instead of a process handle.
    std::map<std::string, std::string> environment;
    DWORD timeoutMs = 60000;
};

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(ChildProcess &&other) noexcept;
    ChildProcess &operator=(ChildProcess &&other) noexcept;
    ChildProcess(const ChildProcess &) = delete;
    ~ChildProcess();

    bool Started() const { return process_ != nullptr || done_ != nullptr; }
    HANDLE Handle() const { return process_; }
    // Exit code, or -2 when the child did not end in time (it is killed).
    int Wait(DWORD timeoutMs = 60000);
    void Kill();

private:
    friend ChildProcess StartChild(const std::string &, const std::vector<std::string> &, const ChildOptions &);
    HANDLE process_ = nullptr;
    HANDLE done_ = nullptr;  // children started through /usr/bin/env
    std::string doneName_;
};

ChildProcess StartChild(const std::string &role, const std::vector<std::string> &args = {},
                        const ChildOptions &options = {});
// Starts a child and waits for it: its exit code, -1 when it could not start.
int RunChild(const std::string &role, const std::vector<std::string> &args = {},
             const ChildOptions &options = {});

// A child reports texts to its parent through the registry (the key is
// removed with the product's keys at the start of each test).
void PutResult(const char *name, const std::string &value);
std::string GetResult(const char *name);

// ---- dialogs ------------------------------------------------------------------
// Watches a thread (the caller's by default) for dialogs and runs action on
// each new one from a second thread, while the watched thread sits in a modal
// loop. A dialog still open timeoutMs after it appeared, or no dialog at all
// within timeoutMs of start when one is expected, fails the test and the
// dialog is cancelled, so a broken dialog never hangs the run.
class DialogDriver {
public:
    using Action = std::function<void(HWND dialog)>;
    explicit DialogDriver(Action action, DWORD timeoutMs = 10000, DWORD threadId = GetCurrentThreadId());
    ~DialogDriver();
    DialogDriver(const DialogDriver &) = delete;
    // Stops watching; returns how many dialogs were handled.
    int Finish();

private:
    static DWORD WINAPI Run(LPVOID self);
    void Loop();
    Action action_;
    DWORD timeoutMs_;
    DWORD threadId_;
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    volatile LONG seen_ = 0;
};

// Texts of the dialog's static controls in creation order (icons skipped).
std::vector<std::string> StaticTexts(HWND dialog);
std::string WindowText(HWND window);
std::string ClassName(HWND window);
// Presses a button by id as a user would (posted, so the modal loop runs it).
void PressButton(HWND dialog, int id);
// Runs a thread's modal loop without a dialog appearing for at most ms.
void PumpMessages(DWORD ms);

// ---- files and registry -------------------------------------------------------
std::string ReadFileText(const std::string &path);
bool WriteFileText(const std::string &path, const std::string &text);
bool FileExists(const std::string &path);
std::string TempDirectory(const char *tag);
// Directory of the running test executable, with a trailing backslash.
std::string ExeDirectory();
// Whether Windows reports the 95 family to this process.
bool IsWin95Platform();
// Machine-wide product key of this platform (under HKEY_LOCAL_MACHINE).
const char *ProductKeyPath();
void DeleteTree(HKEY root, const char *path);
// Registry writes and reads that do not go through the library.
void SetRegString(HKEY root, const char *path, const char *name, const std::string &value);
void SetRegDword(HKEY root, const char *path, const char *name, DWORD value);
bool GetRegString(HKEY root, const char *path, const char *name, std::string *value);
bool GetRegDword(HKEY root, const char *path, const char *name, DWORD *value);
bool KeyExists(HKEY root, const char *path);

// ---- clean state -------------------------------------------------------------------
// Every test starts with the product's registry keys gone and CVEX.INI in a
// fresh directory named by the product key's "Directory".
class CleanTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string dir_;  // with trailing backslash
    std::string ini_;  // dir_ + "CVEX.INI"
};

// Removes every key the product and the tests write.
void ResetProductRegistry();
// Keys that tests add among the machine's own (serial port buses and
// serial driver entries) bear names beginning with this, so that the clean
// state removes exactly them.
constexpr char kTestPortKeyPrefix[] = "CvxTest";

}  // namespace cvxtest
