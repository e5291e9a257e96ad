// The product's help files: one per applet family and language, chosen by
// the help context.
#include <windows.h>

#include <cstdio>
#include <string>

#include "frame/frame.h"
#include "korutil/korutil.h"
#include "ui/portable/helpname.h"

namespace cvx {
namespace {

constexpr char kSecondaryWindow[] = ">(w95sec)";

char g_helpLanguage[4];
LONG volatile g_helpLanguageKnown;

const char *HelpLanguage()
{
    // Every thread computes the same code, so a race only fetches it twice.
    if (!g_helpLanguageKnown) {
        GetLanguageCode(g_helpLanguage);
        g_helpLanguageKnown = 1;
    }
    return g_helpLanguage;
}

// Context numbers are 32-bit; a wider value counts as above every range.
uint32_t ContextNumber(ULONG_PTR data) { return data > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(data); }

std::string HelpPath(ULONG_PTR data, const char *file, WORD flags)
{
    char name[MAX_PATH];
    if (file)
        kor::CopyStringLimited(file, name, sizeof name);
    else
        std::snprintf(name, sizeof name, portable::HelpFileFormat(ContextNumber(data)), HelpLanguage());

    std::string path;
    if (flags & CVU_HELP_FULLPATH) {
        path = file ? file : name;
    } else {
        char directory[MAX_PATH];
        if (GetInstallDirectory(directory)) {
            path = directory;
            path += name;
        } else {
            char component[MAX_PATH];
            path = BuildComponentPath(component, name);
        }
    }
    if (flags & CVU_HELP_SECONDARY) path += kSecondaryWindow;
    return path;
}

}  // namespace
}  // namespace cvx

extern "C" BOOL WINAPI CVU_EasyHelp(HWND window, UINT command, ULONG_PTR data)
{
    // Context help opens in the secondary window; other commands address
    // the help file itself.
    return CVU_SpecificHelp(window, command, data, nullptr, command == HELP_CONTEXT ? CVU_HELP_SECONDARY : 0);
}

extern "C" BOOL WINAPI CVU_SpecificHelp(HWND window, UINT command, ULONG_PTR data, LPCSTR file, WORD flags)
{
    std::string path = cvx::HelpPath(data, file, flags);
    return WinHelpA(window, path.c_str(), command, data);
}
