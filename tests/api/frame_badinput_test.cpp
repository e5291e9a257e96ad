// Null pointers, empty strings and short buffers in every argument of the
// frame's exports give a result code, never an access violation.
#include <cstring>
#include <functional>
#include <string>

#include "cvxutil.h"
#include "harness/harness.h"

using namespace cvxtest;

namespace {

const CLSID kClsid = {0x6C1E2F41, 0x1A2B, 0x4C3D, {0x8E, 0x9F, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}};
constexpr char kBase[] = "Software\\CvxTests";

struct Case {
    const char *what;
    std::function<long()> call;
    long expected;
};

class FrameBadInput : public CleanTest {};

TEST_F(FrameBadInput, EveryArgument)
{
    DWORD value = 5;
    char small[2];
    SetRegString(HKEY_CURRENT_USER, kBase, "s", "some text");
    const Case cases[] = {
        {"write: null data with a size",
         [&] { return CVU_WriteRegDataA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, "v", nullptr, 4, REG_DWORD); },
         ERROR_INVALID_PARAMETER},
        {"write: null data, size 0 (an empty value)",
         [&] { return CVU_WriteRegDataA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, "e", nullptr, 0, REG_BINARY); },
         ERROR_SUCCESS},
        {"write: invalid root",
         [&] {
             return CVU_WriteRegDataA(reinterpret_cast<HKEY>(0x1234), kBase, nullptr, nullptr, "v", &value, 4,
                                      REG_DWORD);
         },
         ERROR_INVALID_HANDLE},
        {"get: null buffer with a size only asks",
         [&] { return CVU_GetRegDataA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, "s", nullptr, 8, REG_SZ); },
         ERROR_SUCCESS},
        {"get: null buffer, size 0",
         [&] { return CVU_GetRegDataA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, "s", nullptr, 0, REG_SZ); },
         ERROR_SUCCESS},
        {"get: two-byte buffer",
         [&] { return CVU_GetRegDataA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, "s", small, 2, REG_SZ); },
         ERROR_SUCCESS},
        {"get: all parts null opens the root",
         [&] { return CVU_GetRegDataA(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, "cvxnone", small, 2, REG_SZ); },
         ERROR_FILE_NOT_FOUND},
        {"delete: null subkey",
         [&] { return CVU_DeleteRegKeyA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, nullptr); },
         ERROR_INVALID_PARAMETER},
        {"delete: empty subkey",
         [&] { return CVU_DeleteRegKeyA(HKEY_CURRENT_USER, kBase, nullptr, nullptr, ""); },
         ERROR_INVALID_PARAMETER},
        {"register: null CLSID",
         [&] { return long(CVU_RegBasicServerA(nullptr, 1, "x", nullptr, 1)); }, ERROR_INVALID_PARAMETER},
        {"unregister: null CLSID", [&] { return long(CVU_UnregBasicServer(nullptr, 1, 1, FALSE)); },
         ERROR_INVALID_PARAMETER},
        {"CLSID text: null CLSID, null buffers, zero sizes",
         [&] {
             char text[40] = "keep";
             WCHAR wide[40] = L"keep";
             CVU_CLSIDtoStringA(nullptr, text, sizeof text);
             CVU_CLSIDtoStringA(&kClsid, nullptr, 40);
             CVU_CLSIDtoStringA(&kClsid, text, 0);
             CVU_CLSIDtoStringW(&kClsid, nullptr, 40);
             CVU_CLSIDtoStringW(&kClsid, wide, -3);
             CVU_CLSIDtoStringW(nullptr, wide, 40);
             return long(std::string(text) == "keep" && wide[0] == L'\0');
         },
         1},
        {"CLSID text: short narrow buffer is cut", [&] {
             char text[8];
             std::memset(text, 'x', sizeof text);
             CVU_CLSIDtoStringA(&kClsid, text, 5);
             return long(std::string(text, 6) == "{6C1Ex");
         },
         1},
        {"component bits: mask 0", [&] { return long(CVU_IsComponentInstalled(0)); }, 0},
    };
    for (const Case &c : cases) EXPECT_EQ(c.expected, c.call()) << c.what;

    // The null-size write made an empty value, and nothing else changed.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase));
    std::string text;
    EXPECT_TRUE(GetRegString(HKEY_CURRENT_USER, kBase, "s", &text));
    EXPECT_EQ("some text", text);
}

}  // namespace
