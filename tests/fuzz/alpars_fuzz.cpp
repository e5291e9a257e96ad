// ALPARS and the resource formats: any text parses or fills within bounds,
// and formatted settings parse back to the codes they were written from.
#include <cstring>

#include "fuzz_input.h"
#include "server/portable/alpars.h"
#include "server/portable/placeholders.h"
#include "server/portable/transmit_text.h"

using namespace cvx::portable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = cvxfuzz::Text(data, size);
    Alpars settings{9600, 0, 8, 0};
    ParseAlpars(text.c_str(), &settings);
    CVX_FUZZ_CHECK(settings.dataBits >= 4 && settings.dataBits <= 8);
    CVX_FUZZ_CHECK(settings.parity <= 4 && settings.stopBits <= 2);

    char formatted[kAlparsTextSize];
    FormatAlpars(settings, formatted);
    CVX_FUZZ_CHECK(std::strlen(formatted) < kAlparsTextSize);
    Alpars back{0, 9, 0, 9};
    CVX_FUZZ_CHECK(ParseAlpars(formatted, &back));
    CVX_FUZZ_CHECK(back.baudRate == settings.baudRate && back.parity == settings.parity &&
                   back.dataBits == settings.dataBits && back.stopBits == settings.stopBits);

    // The text as a format, with its first bytes as the value of %u.
    uint32_t number = 0;
    std::memcpy(&number, data, size < sizeof number ? size : sizeof number);
    char out[17];
    std::memset(out, 'x', sizeof out);
    size_t length = FillFormat(text.c_str(), "COM1", number, out, sizeof out);
    size_t stored = std::strlen(out);
    CVX_FUZZ_CHECK(stored < sizeof out);
    CVX_FUZZ_CHECK(stored == (length < sizeof out ? length : sizeof out - 1));
    return 0;
}
