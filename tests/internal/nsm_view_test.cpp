// What an opener reads of a block's view: only its committed, readable pages,
// whatever the mapping's maker reserved.
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "ipc/ipc.h"

using namespace cvx::ipc;

namespace {

TEST(NsmView, OnlyCommittedReadablePagesAreRead)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD page = system.dwPageSize;
    struct Case {
        const char *what;
        DWORD readWrite, noAccess;  // pages committed so, in this order
        DWORD blockSize;            // written into a header when a page is readable
        SIZE_T readable;
        bool ok;
    } cases[] = {
        {"reserved only", 0, 0, 0, 0, false},
        {"block beyond the committed page", 1, 0, 2 * page, page, false},
        {"block within the committed page", 1, 0, page, page, true},
        {"block over a page without access", 1, 1, 2 * page, page, false},
        {"block over two committed pages", 2, 0, 2 * page, 2 * page, true},
    };
    for (const Case &c : cases) {
        BYTE *view = static_cast<BYTE *>(VirtualAlloc(nullptr, 4 * page, MEM_RESERVE, PAGE_READWRITE));
        ASSERT_NE(nullptr, view);
        ASSERT_TRUE(!c.noAccess || VirtualAlloc(view + c.readWrite * page, c.noAccess * page, MEM_COMMIT, PAGE_NOACCESS));
        if (c.readWrite) {
            ASSERT_TRUE(VirtualAlloc(view, c.readWrite * page, MEM_COMMIT, PAGE_READWRITE));
            NsmHeader header{kNsmMagic, 1, 0, c.blockSize, c.blockSize - 96, kNsmDataOffset, "x", 0};
            std::memcpy(view, &header, sizeof header);
        }
        SIZE_T size = 1;
        BlockLayout layout;
        EXPECT_EQ(c.ok, CheckBlockView(view, &size, &layout)) << c.what;
        EXPECT_EQ(c.readable, size) << c.what;
        VirtualFree(view, 0, MEM_RELEASE);
    }
}

}  // namespace
