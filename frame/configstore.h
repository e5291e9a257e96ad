// CVEX.INI for one export: read once when the outermost export starts,
// changed in memory by the profile functions' rules, and written once, whole,
// by replacing the file, so that a crash leaves the file of before the call
// or the file of after it, never one in between.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace cvx {

class ConfigCall {
public:
    enum class Mode {
        Read,    // reads; a change it makes is written under the lock, on the file as it is then
        Change,  // reads and then writes: holds CVX_ConfigFileLock from the start
    };
    explicit ConfigCall(Mode mode) : ConfigCall(mode, nullptr) {}
    // On another file than CVEX.INI (null: CVEX.INI).
    ConfigCall(Mode mode, const char *file);
    // Writes what was not yet written, so that nothing done is lost.
    ~ConfigCall();
    ConfigCall(const ConfigCall &) = delete;
    ConfigCall &operator=(const ConfigCall &) = delete;

    // False when the lock could not be had in time: the export changes
    // nothing and fails.
    explicit operator bool() const { return usable_; }
    // Writes the changes once (the outermost call only). FALSE with the last
    // error set when the file could not be written or a text was refused;
    // then the file is as it was.
    BOOL Commit();
    // The export's result once its changes are written, else its failure.
    template <typename T>
    T Finish(T result, T failure)
    {
        return Commit() ? result : failure;
    }
    // For the exports that answer Windows error codes.
    DWORD FinishCode(DWORD result) { return Commit() ? result : GetLastError(); }

    // How long an export waits for another process's change to finish.
    static constexpr DWORD kWaitMs = 10000;
    static constexpr char kMutexName[] = "CVX_ConfigFileLock";

private:
    bool outermost_ = false;
    bool usable_ = true;
};

// The profile calls of the configuration code. Inside a ConfigCall they
// work on its copy of CVEX.INI; on any other file, or outside a call, each
// is a call of its own. A text that would span lines is refused
// (ERROR_INVALID_PARAMETER) and spoils the call's changes.
DWORD ReadProfileText(const char *section, const char *key, const char *fallback, char *buffer, DWORD size,
                      const char *file);
// The whole value, of any length.
std::string ProfileValue(const char *section, const char *key, const char *fallback, const char *file);
UINT ReadProfileUInt(const char *section, const char *key, INT fallback, const char *file);
BOOL WriteProfileText(const char *section, const char *key, const char *value, const char *file);
std::vector<std::string> ProfileSectionNames(const char *file);
std::vector<std::string> ProfileKeys(const char *section, const char *file);
// Re-creates source at the end of the file as destination (every listed key,
// any length) and deletes source.
BOOL MoveProfileSection(const char *source, const char *destination, const char *file);

// Replaces a file with text in one step (a temporary file beside it, then
// a move), retried briefly while another process holds it.
BOOL ReplaceFileText(const char *path, const std::string &text);

}  // namespace cvx
