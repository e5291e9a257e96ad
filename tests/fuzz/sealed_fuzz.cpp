// Sealed blocks: any bytes given to unseal are read within their size, and
// seal then unseal gives the payload back.
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "services/portable/sealed.h"

using namespace cvx::portable;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Exact-size copies, so that a read past the input is a finding.
    std::vector<uint8_t> in(data, data + size);
    std::vector<uint8_t> out(size > 4 ? size - 4 : 1);
    uint32_t length = 0;
    UnsealBlock(out.data(), uint32_t(out.size()), in.data(), uint32_t(in.size()), &length);

    uint32_t tick = size >= 4 ? uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                    uint32_t(data[3]) << 24
                              : 0;
    std::vector<uint8_t> sealed(size + kSealFrameSize);
    uint32_t needed = 0;
    CVX_FUZZ_CHECK(SealBlock(sealed.data(), uint32_t(sealed.size()), in.data(), uint32_t(size), tick, &needed));
    CVX_FUZZ_CHECK(needed == size + kSealFrameSize);
    std::vector<uint8_t> payload(size ? size : 1);
    CVX_FUZZ_CHECK(UnsealBlock(payload.data(), uint32_t(size), sealed.data(), needed, &length));
    CVX_FUZZ_CHECK(length == size);
    CVX_FUZZ_CHECK(size == 0 || std::memcmp(payload.data(), data, size) == 0);
    return 0;
}
