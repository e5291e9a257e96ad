// Port names, REDIRECTPORTS lists, "Driver" references and descriptions: any
// text parses within bounds, and a formatted list parses back to itself.
#include <cstring>

#include "client/portable/portlist.h"
#include "fuzz_input.h"
#include "ports/portable/driverref.h"

using namespace cvx::portable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = cvxfuzz::Text(data, size);
    PortNumberFromName(text.c_str());
    int32_t value = 0;
    ParseDecimal(text.c_str(), &value);

    uint32_t numbers[kMaxRedirectedPorts];
    size_t count = ParsePortList(text.c_str(), numbers, kMaxRedirectedPorts);
    CVX_FUZZ_CHECK(count <= kMaxRedirectedPorts);
    for (size_t i = 0; i < count; ++i) CVX_FUZZ_CHECK(numbers[i] >= 1 && numbers[i] <= INT32_MAX);

    // What the list writer makes, the reader reads back whole.
    char formatted[kMaxRedirectedPorts * 11 + 2];
    CVX_FUZZ_CHECK(FormatPortList(numbers, count, formatted, sizeof formatted));
    uint32_t back[kMaxRedirectedPorts];
    CVX_FUZZ_CHECK(ParsePortList(formatted, back, kMaxRedirectedPorts) == count);
    CVX_FUZZ_CHECK(std::memcmp(numbers, back, count * sizeof numbers[0]) == 0);

    char className[16], number[16];
    if (SplitDriverReference(text.c_str(), className, sizeof className, number, sizeof number)) {
        CVX_FUZZ_CHECK(className[0] && number[0]);
        CVX_FUZZ_CHECK(std::strlen(className) + 1 + std::strlen(number) == text.size());
    }

    // The text as a translated format, and as the port name put into one.
    char description[64];
    FormatWithText(text.c_str(), "COM2", description, sizeof description);
    CVX_FUZZ_CHECK(std::strlen(description) < sizeof description);
    FormatWithText("Port (%s) %s %%", text.c_str(), description, sizeof description);
    CVX_FUZZ_CHECK(std::strlen(description) < sizeof description);
    return 0;
}
