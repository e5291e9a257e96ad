// Group line lists: parsing any text stays in its buffers, and a list that
// formats parses back to itself.
#include <cstring>

#include "fuzz_input.h"
#include "groups/portable/linelist.h"
#include "korutil/portable/korstr.h"

using namespace cvx::portable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = cvxfuzz::Text(data, size);
    char list[600];
    ParseLineList(text.c_str(), list, sizeof list);
    ParseLineList(text.c_str(), list, 16, [](unsigned char c) { return c >= 0x81 && c <= 0x9F; });

    std::vector<char> names = cvxfuzz::List(data, size);
    char formatted[kLineListTextSize];
    int count = FormatLineList(names.data(), formatted, sizeof formatted);
    if (count >= 0) {
        char back[kLineListTextSize + 2];
        CVX_FUZZ_CHECK(ParseLineList(formatted, back, sizeof back) == LineListParse::Complete);
        CVX_FUZZ_CHECK(kor::MultiSzCount(back) == size_t(count));
        // An empty list is one terminator, whatever follows it.
        if (count > 0) {
            CVX_FUZZ_CHECK(kor::MultiSzSize(back) == kor::MultiSzSize(names.data()));
            CVX_FUZZ_CHECK(std::memcmp(back, names.data(), kor::MultiSzSize(back)) == 0);
        }
    }
    return 0;
}
