// Renders every dialog of the resource module, in the language of the
// locale it runs under, through the library's own exports, and saves a PNG
// of each on the screen: what scripts/screenshots shows people.
//
// usage: cvxshots <output directory> <prefix of the file names>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cvxutil.h"
#include "png.h"
#include "resids.h"

namespace {

constexpr int kMargin = 6;
constexpr DWORD kPaintDelay = 700;

// The window's rectangle and a margin around it, read back from the screen.
bool Capture(HWND window, const std::string &path)
{
    RECT r;
    GetWindowRect(window, &r);
    r.left = r.left > kMargin ? r.left - kMargin : 0;
    r.top = r.top > kMargin ? r.top - kMargin : 0;
    r.right += kMargin;
    r.bottom += kMargin;
    int width = r.right - r.left, height = r.bottom - r.top;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        std::vector<uint8_t> rgb(size_t(width) * height * 3);
        const uint8_t *bgra = static_cast<const uint8_t *>(bits);
        for (size_t i = 0; i < size_t(width) * height; ++i) {
            rgb[i * 3] = bgra[i * 4 + 2];
            rgb[i * 3 + 1] = bgra[i * 4 + 1];
            rgb[i * 3 + 2] = bgra[i * 4];
        }
        ok = WritePng(path, width, height, rgb);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", path.c_str());
    return ok;
}

struct Search {
    HWND found;
};
BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        reinterpret_cast<Search *>(param)->found = window;
        return FALSE;
    }
    return TRUE;
}

// Watches the calling thread for its modal dialog, captures it once it is
// painted, and closes it with Cancel.
class Photographer {
public:
    explicit Photographer(std::string path) : path_(std::move(path)), thread_(GetCurrentThreadId())
    {
        worker_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~Photographer()
    {
        WaitForSingleObject(worker_, 30000);
        CloseHandle(worker_);
    }

private:
    static DWORD WINAPI Run(LPVOID self)
    {
        auto *me = static_cast<Photographer *>(self);
        for (DWORD waited = 0; waited < 20000; waited += 50) {
            Search search{nullptr};
            EnumThreadWindows(me->thread_, FindDialog, LPARAM(&search));
            if (search.found) {
                Sleep(kPaintDelay);
                Capture(search.found, me->path_);
                PostMessageA(search.found, WM_COMMAND, IDCANCEL, 0);
                return 0;
            }
            Sleep(50);
        }
        std::printf("FAILED no dialog for %s\n", me->path_.c_str());
        return 1;
    }
    std::string path_;
    DWORD thread_;
    HANDLE worker_;
};

void Pump(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::printf("usage: cvxshots <output directory> <name prefix>\n");
        return 2;
    }
    std::string base = std::string(argv[1]) + "\\" + argv[2] + "-";

    char value[64] = "Line 1";
    SimpleValueRequest request{value, sizeof value, nullptr, nullptr, nullptr, 0, SV_PRESET};
    TriggerList triggers{4, {0x0D, 0x0A, 0x1B, 0x03}};
    auto about = reinterpret_cast<CVU_SHOWABOUTBOX>(
        GetProcAddress(GetModuleHandleA("cvxutil.dll"), MAKEINTRESOURCEA(CVU_ORDINAL_SHOWABOUTBOX)));

    const std::vector<std::pair<const char *, std::function<void()>>> dialogs = {
        {"error",
         [] {
             CVU_ReportErrorA(nullptr, nullptr, CVU_TEXTID(IDS_VALUE_INVALID), CVU_E_DUPTRIGGER, nullptr, 0, 0, 0);
         }},
        {"confirm",
         [] {
             CVU_ConfirmActionA(nullptr, CVU_TEXTID(IDS_RESTART_TITLE), CVU_TEXTID(IDS_RESTART_MESSAGE), nullptr, 0,
                                0, 0);
         }},
        {"confirm-all",
         [] {
             CVU_ConfirmActionA(nullptr, CVU_TEXTID(IDS_RESTART_TITLE), CVU_TEXTID(IDS_RESTART_MESSAGE), nullptr, 0,
                                0, CVU_CR_ALLBUTTONS);
         }},
        {"value", [&] { CVU_GetSimpleValueA(nullptr, &request); }},
        {"triggers", [&] { CVU_ModifyTriggersDialog(nullptr, &triggers); }},
        {"about", [&] {
             if (about) about(nullptr);
         }},
    };
    for (const auto &[name, show] : dialogs) {
        Photographer photographer(base + name + ".png");
        show();
    }

    HWND wait = CVU_StartWaitWindowA(nullptr, nullptr);
    if (wait) {
        Pump(kPaintDelay);
        Capture(wait, base + "wait.png");
        CVU_EndWaitWindow(nullptr, wait);
    } else {
        std::printf("FAILED no wait window\n");
    }
    return 0;
}
