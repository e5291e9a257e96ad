// Section counts and the password record: any section listing and any
// password stay within bounds; the count never exceeds what exists.
#include "fuzz_input.h"
#include "korutil/portable/korstr.h"
#include "server/portable/password.h"
#include "server/portable/sections.h"

using namespace cvx::portable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<char> names = cvxfuzz::List(data, size);
    uint32_t stored = size >= 4 ? uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3]
                                : uint32_t(size);
    for (const char *prefix : {"LINE", "GROUP", "TRANSMIT"}) {
        uint32_t bound = BoundSectionCount(stored, names.data(), prefix);
        CVX_FUZZ_CHECK(bound <= stored);
        CVX_FUZZ_CHECK(bound <= kor::MultiSzCount(names.data()));
    }
    std::string text = cvxfuzz::Text(data, size);
    SectionNumber(text.c_str(), "LINE");

    uint8_t record[kPasswordRecordSize];
    if (ScramblePassword(text.c_str(), record)) CVX_FUZZ_CHECK(record[kPasswordLength] == 0);
    return 0;
}
