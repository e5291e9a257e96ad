#include "frame/configstore.h"

#include <cstring>
#include <memory>
#include <optional>

#include "frame/frame.h"
#include "frame/owners.h"
#include "frame/portable/profile.h"

namespace cvx {
namespace {

HANDLE ConfigMutex()
{
    static HANDLE mutex = [] {
        // A test switch, read once per process, shows what the lock prevents.
        char off[8] = "";
        if (GetEnvironmentVariableA("CVX_NO_CONFIG_LOCK", off, sizeof off) && off[0] == '1')
            return static_cast<HANDLE>(nullptr);
        return CreateMutexA(nullptr, FALSE, ConfigCall::kMutexName);
    }();
    return mutex;
}

// Waits for the lock. An abandoned mutex is taken as it is: its holder died
// between whole-file replaces, so the file is whole.
bool TakeLock(MutexHold &hold)
{
    HANDLE mutex = ConfigMutex();
    if (!mutex) return true;
    DWORD rc = WaitForSingleObject(mutex, ConfigCall::kWaitMs);
    if (rc != WAIT_OBJECT_0 && rc != WAIT_ABANDONED) {
        SetLastError(ERROR_TIMEOUT);
        return false;
    }
    hold = MutexHold(mutex);
    return true;
}

// The bytes of a file; empty when it does not exist. FALSE when it exists
// but cannot be read: then it must not be replaced either.
bool ReadWholeFile(const char *path, std::string &bytes)
{
    bytes.clear();
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    DWORD high = 0, size = GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE || high) return false;
    bytes.resize(size);
    DWORD got = 0;
    if (size && (!ReadFile(file.get(), bytes.data(), size, &got, nullptr) || got != size)) return false;
    return true;
}

// The profile functions keep a file in the form they found it: ANSI, or
// UTF-8 or UTF-16 behind a byte order mark. The store works in ANSI.
enum class Encoding { Ansi, Utf8, Utf16, Utf16Swapped };

std::wstring Widen(const std::string &text, UINT codePage)
{
    int n = MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    if (n) MultiByteToWideChar(codePage, 0, text.data(), int(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring &wide, UINT codePage)
{
    int n = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(n), '\0');
    if (n) WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

Encoding Decode(const std::string &bytes, std::string &text)
{
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = Narrow(Widen(bytes.substr(3), CP_UTF8), CP_ACP);
        return Encoding::Utf8;
    }
    bool le = bytes.compare(0, 2, "\xFF\xFE") == 0, be = bytes.compare(0, 2, "\xFE\xFF") == 0;
    if (!le && !be) {
        text = bytes;
        return Encoding::Ansi;
    }
    std::wstring wide((bytes.size() - 2) / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        unsigned char a = bytes[2 + 2 * i], b = bytes[3 + 2 * i];
        wide[i] = wchar_t(le ? a | b << 8 : b | a << 8);
    }
    text = Narrow(wide, CP_ACP);
    return le ? Encoding::Utf16 : Encoding::Utf16Swapped;
}

std::string Encode(const std::string &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Ansi: return text;
    case Encoding::Utf8: return "\xEF\xBB\xBF" + Narrow(Widen(text, CP_ACP), CP_UTF8);
    default: break;
    }
    std::wstring wide = Widen(text, CP_ACP);
    std::string bytes = encoding == Encoding::Utf16 ? "\xFF\xFE" : "\xFE\xFF";
    for (wchar_t c : wide) {
        char lo = char(c & 0xFF), hi = char((c >> 8) & 0xFF);
        if (encoding == Encoding::Utf16) bytes.append({lo, hi});
        else bytes.append({hi, lo});
    }
    return bytes;
}

// One write of the log, replayed when the file changed under a call that
// held no lock while it read.
struct Change {
    std::string section;
    std::optional<std::string> key, value;
    std::optional<std::string> moveTo;
};

struct Session {
    std::string path;
    const char *origin = nullptr;  // the caller's text of the path, compared first
    std::string loaded;
    Encoding encoding = Encoding::Ansi;
    bool readable = true;
    bool refused = false;
    portable::Profile profile;
    std::vector<Change> log;
    MutexHold lock;
    bool locked = false;

    void Load()
    {
        readable = ReadWholeFile(path.c_str(), loaded);
        Parse();
        log.clear();
    }
    void Parse()
    {
        std::string text;
        encoding = Decode(loaded, text);
        profile = portable::Profile(text);
    }
    void Apply(const Change &change)
    {
        if (change.moveTo)
            profile.MoveSection(change.section, *change.moveTo);
        else
            profile.Write(change.section, change.key ? change.key->c_str() : nullptr,
                          change.value ? change.value->c_str() : nullptr);
    }
    void Record(Change change)
    {
        Apply(change);
        // Only a call that read without the lock may have to replay.
        if (!locked) log.push_back(std::move(change));
    }
    BOOL Commit();
};

thread_local Session *t_session;

BOOL Session::Commit()
{
    if (refused) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!profile.Changed()) return TRUE;
    MutexHold lateLock;
    if (!locked) {
        // Read without the lock: apply this call's writes to the file as it
        // is now, as key-by-key writes would have.
        if (!TakeLock(lateLock)) return FALSE;
        std::string now;
        if (!ReadWholeFile(path.c_str(), now)) readable = false;
        if (readable && now != loaded) {
            std::vector<Change> changes = std::move(log);
            loaded = std::move(now);
            Parse();
            for (const Change &change : changes) Apply(change);
            if (!profile.Changed()) return TRUE;
        }
    }
    if (!readable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string bytes = Encode(profile.Text(), encoding);
    if (!ReplaceFileText(path.c_str(), bytes)) return FALSE;
    loaded = std::move(bytes);
    Parse();
    log.clear();
    return TRUE;
}

bool SamePath(const std::string &a, const char *b)
{
    return b && lstrcmpiA(a.c_str(), b) == 0;
}

// The session a profile call works on: the current call's when it is for
// that file, else a one-shot session that writes when the call ends.
class SessionFor {
public:
    explicit SessionFor(const char *file)
    {
        if (t_session && (file == t_session->origin || SamePath(t_session->path, file))) {
            session_ = t_session;
            return;
        }
        own_ = std::make_unique<Session>();
        own_->path = file ? file : "";
        own_->Load();
        session_ = own_.get();
    }
    Session *operator->() const { return session_; }
    BOOL Finish() { return own_ ? own_->Commit() : TRUE; }

private:
    Session *session_;
    std::unique_ptr<Session> own_;
};

}  // namespace

ConfigCall::ConfigCall(Mode mode, const char *file)
{
    Session *session = t_session;
    if (session) {
        // A nested export; one that changes the file needs the lock the
        // outer one, a reader, did not take: take it and read again.
        if (mode == Mode::Change && !session->locked) {
            if (!TakeLock(session->lock)) {
                usable_ = false;
                return;
            }
            session->locked = true;
            std::vector<Change> changes = std::move(session->log);
            session->Load();
            for (Change &change : changes) session->Record(std::move(change));
        }
        return;
    }
    auto owned = std::make_unique<Session>();
    owned->origin = file ? file : GetServerConfigFile();
    owned->path = owned->origin;
    if (mode == Mode::Change) {
        if (!TakeLock(owned->lock)) {
            usable_ = false;
            return;
        }
        owned->locked = true;
    }
    owned->Load();
    t_session = owned.release();
    outermost_ = true;
}

ConfigCall::~ConfigCall()
{
    if (!outermost_) return;
    DWORD error = GetLastError();
    Commit();
    SetLastError(error);
    delete t_session;
    t_session = nullptr;
}

BOOL ConfigCall::Commit()
{
    if (!outermost_) return usable_;
    return t_session->Commit();
}

DWORD ReadProfileText(const char *section, const char *key, const char *fallback, char *buffer, DWORD size,
                      const char *file)
{
    if (!buffer || !size) return 0;
    buffer[0] = '\0';
    // Listings are ProfileSectionNames and ProfileKeys.
    if (!section || !key) return 0;
    SessionFor session(file);
    return DWORD(session->profile.GetString(section, key, fallback, buffer, size));
}

std::string ProfileValue(const char *section, const char *key, const char *fallback, const char *file)
{
    if (!section || !key) return fallback ? fallback : "";
    SessionFor session(file);
    return session->profile.Get(section, key, fallback ? fallback : "");
}

UINT ReadProfileUInt(const char *section, const char *key, INT fallback, const char *file)
{
    SessionFor session(file);
    return session->profile.GetInt(section ? section : "", key ? key : "", fallback);
}

BOOL WriteProfileText(const char *section, const char *key, const char *value, const char *file)
{
    SessionFor session(file);
    if (!section) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!portable::IsOneLine(section) || !portable::IsOneLine(key) || !portable::IsOneLine(value)) {
        session->refused = true;
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Change change{section, {}, {}, {}};
    if (key) change.key = key;
    if (value) change.value = value;
    session->Record(std::move(change));
    return session.Finish();
}

std::vector<std::string> ProfileSectionNames(const char *file)
{
    SessionFor session(file);
    return session->profile.SectionNames();
}

std::vector<std::string> ProfileKeys(const char *section, const char *file)
{
    SessionFor session(file);
    return session->profile.Keys(section ? section : "");
}

BOOL MoveProfileSection(const char *source, const char *destination, const char *file)
{
    SessionFor session(file);
    if (!source || !destination || !portable::IsOneLine(destination)) return FALSE;
    session->Record(Change{source, {}, {}, std::string(destination)});
    return session.Finish();
}

BOOL ReplaceFileText(const char *path, const std::string &text)
{
    // The profile functions refuse a read-only file; a move would not.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    char directory[MAX_PATH];
    char *name = nullptr;
    if (!GetFullPathNameA(path, MAX_PATH, directory, &name) || !name) {
        SetLastError(ERROR_INVALID_NAME);
        return FALSE;
    }
    *name = '\0';
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(directory, "cvx", 0, temporary)) return FALSE;
    bool written;
    {
        UniqueFile file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD done = 0;
        written = file && (text.empty() || (WriteFile(file.get(), text.data(), DWORD(text.size()), &done, nullptr) &&
                                            done == text.size())) &&
                  FlushFileBuffers(file.get());
    }
    if (written) {
        // A reader that opened without FILE_SHARE_DELETE holds the name for
        // a moment only.
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return TRUE;
            DWORD error = GetLastError();
            if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION)
                break;
            Sleep(20);
        }
    }
    DWORD error = GetLastError();
    DeleteFileA(temporary);
    SetLastError(error);
    return FALSE;
}

}  // namespace cvx
