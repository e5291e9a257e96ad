// Shows what the library knows about the machine it runs on, through its
// exports only, as any program of the product would see it.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cvxutil.h"

namespace {

const char *ProductKey() { return CVU_IsWin95OS() ? "Software\\Quillon\\Calvex" : "System\\CurrentControlSet\\Services\\Cvex\\Parameters"; }

void ShowModule(const char *label, HMODULE module)
{
    char path[MAX_PATH] = "(none)";
    if (module) GetModuleFileNameA(module, path, sizeof path);
    std::printf("%-22s %s\n", label, path);
}

}  // namespace

int main()
{
    std::printf("%-22s %s, %d-bit library\n", "platform:", CVU_IsWin95OS() ? "Windows 95 family" : "Windows NT",
                int(sizeof(void *) * 8));

    char locale[8] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SABBREVLANGNAME, locale, sizeof locale);
    std::printf("%-22s %s\n", "user locale:", locale);
    HINSTANCE resources = CVU_GetResourceInstance(FALSE);
    ShowModule("resource module:", resources);
    if (resources) {
        char pool[200] = "";
        LoadStringA(resources, 10215, pool, sizeof pool);
        std::printf("%-22s %s\n", "default pool name:", pool);
    }
    ShowModule("library:", GetModuleHandleA("cvxutil.dll"));

    char directory[MAX_PATH] = "";
    LONG rc = CVU_GetRegDataA(HKEY_LOCAL_MACHINE, ProductKey(), nullptr, nullptr, "Directory", directory,
                              sizeof directory - 1, REG_SZ);
    std::printf("%-22s HKEY_LOCAL_MACHINE\\%s\n", "product key:", ProductKey());
    std::printf("%-22s %s\n", "install directory:", rc == 0 && directory[0] ? directory : "(not set)");
    std::printf("%-22s %s\n", "configuration file:",
                rc == 0 && directory[0] ? "CVEX.INI in the install directory" : "CVEX.INI beside the library");

    std::printf("%-22s", "installed components:");
    bool any = false;
    for (int bit = 0; bit < 32; ++bit)
        if (CVU_IsComponentInstalled(1u << bit)) std::printf(" bit%d", bit), any = true;
    std::printf("%s\n", any ? "" : " (none)");
    return 0;
}
