// TRIGGERS, FLOW, parity and stop-bits texts: any text parses within bounds,
// and formatted triggers parse back to the same characters.
#include <cstring>

#include "fuzz_input.h"
#include "server/portable/transmit_text.h"

using namespace cvx::portable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = cvxfuzz::Text(data, size);
    uint8_t triggers[kMaxTriggers];
    uint16_t count = ParseTriggers(text.c_str(), triggers);
    CVX_FUZZ_CHECK(count <= kMaxTriggers);
    uint16_t code = 0;
    ParseFlow(text.c_str(), &code);
    ParseParity(text.c_str(), &code);
    ParseStopBits(text.c_str(), &code);

    // Round trip of the raw bytes as trigger characters.
    uint16_t n = uint16_t(size < kMaxTriggers ? size : kMaxTriggers);
    char formatted[kTriggerTextSize];
    uint16_t written = FormatTriggers(data, n, formatted);
    CVX_FUZZ_CHECK(std::strlen(formatted) < kTriggerTextSize);
    uint8_t back[kMaxTriggers];
    CVX_FUZZ_CHECK(ParseTriggers(formatted, back) == written);
    for (uint16_t i = 0; i < written; ++i) CVX_FUZZ_CHECK(std::memchr(data, back[i], n) != nullptr);

    uint16_t parsed = 0xFFFF;
    CVX_FUZZ_CHECK(ParseFlow(FlowText(code), &parsed));
    CVX_FUZZ_CHECK(ParseParity(ParityText(code), &parsed));
    CVX_FUZZ_CHECK(ParseStopBits(StopBitsText(code), &parsed));
    return 0;
}
