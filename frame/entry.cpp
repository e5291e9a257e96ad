// Library entry, the per-language resource module and the component
// directory.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "frame/frame.h"
#include "korutil/korutil.h"
#include "cvxutil_res.h"

namespace cvx {

namespace {

constexpr char kUserKey[] = "Software\\Quillon\\Calvex";
constexpr char kModuleFormat[] = "CV32_%s.DLL";

struct LanguageRow {
    const char *prefix;
    const char *code;
};
// Row 1 is the product's default language.
constexpr LanguageRow kLanguageTable[] = {{"EN", "ENG"}, {"FR", "FRE"}, {"ES", "SPA"}, {"DE", "GER"}};

HINSTANCE g_libraryInstance;
HINSTANCE volatile g_resourceModule;
LONG volatile g_loadAttempted;
LONG volatile g_moduleReleased;
char g_componentDirectory[MAX_PATH];

// The directory of this library with its trailing backslash; false when
// its name does not fit a path.
bool LibraryDirectory(char *directory)
{
    char self[MAX_PATH + 1] = "";
    DWORD length = GetModuleFileNameA(GetLibraryInstance(), self, sizeof self);
    char *slash = std::strrchr(self, '\\');
    if (length == 0 || length >= MAX_PATH || !slash) return false;
    slash[1] = '\0';
    kor::CopyStringLimited(self, directory, MAX_PATH);
    return true;
}

void ShowLanguageError(UINT id, const char *file)
{
    char format[100] = "";
    LoadStringA(GetLibraryInstance(), id, format, sizeof format);
    // Sized for the whole text: the format plus a user-chosen name of up to
    // 255 characters.
    std::string text(sizeof format + std::strlen(file) + 1, '\0');
    int n = wsprintfA(text.data(), format, file);
    text.resize(n > 0 ? n : 0);
    MessageBoxA(nullptr, text.c_str(), nullptr, MB_ICONHAND | MB_OK);
}

BOOL TryLoadResourceModule(const char *file)
{
    char path[MAX_PATH];
    if (!BuildComponentPath(path, file)[0]) return FALSE;
    HMODULE module = LoadLibraryA(path);
    if (reinterpret_cast<ULONG_PTR>(module) < 32) return FALSE;
    g_resourceModule = module;
    return TRUE;
}

BOOL LoadResourceModule(BOOL showErrors)
{
    if (g_moduleReleased || g_resourceModule) return FALSE;
    if (InterlockedExchange(&g_loadAttempted, 1)) return FALSE;

    char userChoice[256] = "";
    // One byte more than a name holds: a longer one would arrive cut, naming
    // another file, and is not loaded at all.
    char name[257] = "";
    if (GetUserSetting("ResDll", "Language", name, sizeof name) == ERROR_SUCCESS) {
        name[sizeof name - 1] = '\0';
        if (std::strlen(name) < sizeof name - 1 && TryLoadResourceModule(name)) return TRUE;
        if (showErrors) {
            ShowLanguageError(IDS_USER_LANGUAGE_FAILED, name);
            kor::CopyStringLimited(name, userChoice, sizeof userChoice);
        }
    }

    char code[4];
    GetLanguageCode(code);
    char file[32];
    if (code[0]) {
        std::snprintf(file, sizeof file, kModuleFormat, code);
        if (TryLoadResourceModule(file)) return TRUE;
    }

    std::snprintf(file, sizeof file, kModuleFormat, kLanguageTable[0].code);
    if (TryLoadResourceModule(file)) return TRUE;
    if (showErrors && lstrcmpiA(file, userChoice) != 0) ShowLanguageError(IDS_DEFAULT_LANGUAGE_FAILED, file);
    return FALSE;
}

}  // namespace

HINSTANCE GetLibraryInstance()
{
    // Linked into a test executable rather than loaded as the DLL, the
    // library is the executable itself.
    return g_libraryInstance ? g_libraryInstance : GetModuleHandleA(nullptr);
}

void SetLibraryInstance(HINSTANCE instance) { g_libraryInstance = instance; }

void FreeResourceModule()
{
    HINSTANCE module = g_resourceModule;
    if (!module) return;
    g_moduleReleased = 1;
    g_resourceModule = nullptr;
    FreeLibrary(module);
}

void GetLanguageCode(char code[4])
{
    code[0] = '\0';
    if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, code, 4)) code[0] = '\0';
    code[3] = '\0';
    CharUpperA(code);
    if (!code[0]) return;
    for (const LanguageRow &row : kLanguageTable) {
        if (code[0] == row.prefix[0] && code[1] == row.prefix[1]) {
            lstrcpyA(code, row.code);
            return;
        }
    }
}

LONG GetUserSetting(const char *name, const char *subkey, char *buffer, DWORD size)
{
    return CVU_GetRegDataA(HKEY_CURRENT_USER, "Software\\Quillon", "Calvex", subkey, name, buffer, size, REG_SZ);
}

bool AppendFileName(char *path, const char *file)
{
    size_t used = std::strlen(path);
    size_t length = std::strlen(file ? file : "");
    if (used + length >= MAX_PATH) return false;
    std::memcpy(path + used, file ? file : "", length + 1);
    return true;
}

char *BuildComponentPath(char *destination, const char *file)
{
    if (!g_componentDirectory[0]) {
        // One byte more than a path holds, so that a longer value is seen as
        // too long instead of arriving cut.
        char directory[MAX_PATH + 1] = "";
        bool fits = false;
        if (GetUserSetting("ComponentPath", nullptr, directory, sizeof directory) == ERROR_SUCCESS) {
            directory[sizeof directory - 1] = '\0';
            size_t len = std::strlen(directory);
            bool slash = len > 1 && directory[len - 1] != '\\';
            fits = len + slash < MAX_PATH;
            if (fits && slash) std::strcpy(directory + len, "\\");
        }
        // A value that leaves no room counts as absent, like a missing one.
        if (!fits && !LibraryDirectory(directory)) directory[0] = '\0';
        kor::CopyStringLimited(directory, g_componentDirectory, sizeof g_componentDirectory);
    }
    destination[0] = '\0';
    if (AppendFileName(destination, g_componentDirectory) && AppendFileName(destination, file)) return destination;
    // A directory too long for this file counts as absent as well: the file
    // beside this library, or no path at all rather than a cut one.
    destination[0] = '\0';
    if (!LibraryDirectory(destination) || !AppendFileName(destination, file)) destination[0] = '\0';
    return destination;
}

const char *ResolveText(TextRef ref, char *buffer)
{
    if (!ref) return nullptr;
    const char *text = ref;
    if (CVU_IS_TEXTID(ref)) {
        buffer[0] = '\0';
        HINSTANCE module = CVU_GetResourceInstance(FALSE);
        if (module) LoadStringA(module, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(ref)), buffer, kTextBuffer);
        text = buffer;
    }
    return kor::IsEmptyString(text) ? nullptr : text;
}

}  // namespace cvx

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        cvx::SetLibraryInstance(instance);
        break;
    case DLL_PROCESS_DETACH:
        cvx::FreeResourceModule();
        break;
    default:
        break;
    }
    return TRUE;
}

extern "C" HINSTANCE WINAPI CVU_GetResourceInstance(BOOL showErrors)
{
    if (cvx::g_resourceModule) return cvx::g_resourceModule;
    cvx::LoadResourceModule(showErrors);
    return cvx::g_resourceModule;
}
