// Calls the library as a program of another project would: named exports
// through the import library, an ordinal-only export through GetProcAddress,
// and a string of the resource module installed beside the library.
#include <cstdio>
#include <cstring>

#include <cvxutil.h>

extern "C" int LinesFromC(void);

int main()
{
    char name[17];
    int length = CVU_GetServerName(name);
    std::printf("server name: %s (%d)\n", name, length);

    static const CLSID clsid = {0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    char text[40] = "";
    CVU_CLSIDtoStringA(&clsid, text, sizeof text);
    std::printf("clsid: %s\n", text);

    auto seal = reinterpret_cast<CVU_SEALBLOCK>(
        GetProcAddress(GetModuleHandleA("cvxutil.dll"), MAKEINTRESOURCEA(CVU_ORDINAL_SEALBLOCK)));
    auto unseal = reinterpret_cast<CVU_UNSEALBLOCK>(
        GetProcAddress(GetModuleHandleA("cvxutil.dll"), MAKEINTRESOURCEA(CVU_ORDINAL_UNSEALBLOCK)));
    BYTE block[64], back[64] = {};
    DWORD size = 0, got = 0;
    bool sealed = seal && unseal && seal(block, sizeof block, reinterpret_cast<const BYTE *>("payload"), 8, &size) &&
                  unseal(back, sizeof back, block, size, &got) && got == 8 && std::strcmp((char *)back, "payload") == 0;
    std::printf("sealed block: %s (%lu bytes)\n", sealed ? "round trip" : "FAILED", size);

    char pool[64] = "";
    HINSTANCE resources = CVU_GetResourceInstance(FALSE);
    if (resources) LoadStringA(resources, 10215, pool, sizeof pool);
    std::printf("resource module: %s\n", resources && pool[0] ? "loaded" : "MISSING");
    std::printf("from C: %d lines\n", LinesFromC());
    return length > 0 && sealed && resources && pool[0] ? 0 : 1;
}
