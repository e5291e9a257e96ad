// Status tables: any bytes taken as an IBDAT table are refused or searched
// within bounds; the RMDAT mask copy stays within its records.
#include <strings.h>

#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "ipc/portable/tables.h"

using namespace cvx::ipc;

namespace {
bool Equal(const char *a, const char *b) { return strcasecmp(a, b) == 0; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<uint8_t> area(data, data + size);
    IbdatTable table;
    if (table.Load(area.data(), area.size())) {
        table.Query("line", Equal);
        table.Update("line", 5, true, Equal);
        table.Remove("LINE", Equal);
        // A table written by another process may hold a name twice; only
        // the bounds matter here.
    }
    CheckRmdat(area.data(), area.size());

    // Records are 372 bytes; the mask comes from the input.
    uint8_t from[372], to[372];
    std::memset(from, 'x', sizeof from);  // a text without its terminator
    std::memcpy(from, data, size < sizeof from ? size : sizeof from);
    std::memset(to, 0, sizeof to);
    uint32_t mask = size >= 4 ? uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                    uint32_t(data[3]) << 24
                              : 0xFFFFFFFF;
    CopyRmdatFields(to, from, mask);
    return 0;
}
