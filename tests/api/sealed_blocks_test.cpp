// Sealed blocks through ordinals 88 and 89, as the product's programs bind
// them: sealed at the tick count of the moment, read back whole.
#include <vector>

#include "cvxutil.h"
#include "harness/harness.h"

namespace {

TEST(SealedBlocks, SealsAtDifferentTicksDifferAndRoundTrip)
{
    HMODULE dll = GetModuleHandleA("cvxutil.dll");
    auto seal = reinterpret_cast<CVU_SEALBLOCK>(GetProcAddress(dll, MAKEINTRESOURCEA(CVU_ORDINAL_SEALBLOCK)));
    auto unseal = reinterpret_cast<CVU_UNSEALBLOCK>(GetProcAddress(dll, MAKEINTRESOURCEA(CVU_ORDINAL_UNSEALBLOCK)));
    ASSERT_TRUE(seal && unseal);
    std::vector<BYTE> payload(255), first(255 + CVU_SEALED_FRAME), second(first.size()), out(255);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = BYTE(i * 37 + 11);
    DWORD needed = 0, length = 0;
    ASSERT_TRUE(seal(first.data(), DWORD(first.size()), payload.data(), 255, &needed));
    EXPECT_EQ(first.size(), needed);
    Sleep(50);
    ASSERT_TRUE(seal(second.data(), DWORD(second.size()), payload.data(), 255, nullptr));
    EXPECT_NE(first, second) << "the seal does not follow the tick count";
    for (const auto *block : {&first, &second}) {
        ASSERT_TRUE(unseal(out.data(), 255, block->data(), DWORD(block->size()), &length));
        EXPECT_EQ(255u, length);
        EXPECT_EQ(payload, out);
    }
}

}  // namespace
