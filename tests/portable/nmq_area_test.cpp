// The queue's message area and the block around it: sizes, limits,
// placement and order.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ipc/portable/block.h"
#include "ipc/portable/queue.h"

namespace {

using namespace cvx::ipc;

constexpr size_t kCount = 16, kUsed = 24, kLast = 32, kRecords = 136;

// A queue of the given capacity in a data area as a block would give it.
struct TestQueue {
    explicit TestQueue(uint32_t capacity, uint32_t maxCount = kNmqNoLimit) : data((QueueSize(capacity) & ~3u) + 4)
    {
        InitQueueHeader(data.data(), 0, capacity, maxCount, "TestQueue");
    }
    uint32_t Word(size_t offset) const { return LoadU32(&data[offset]); }
    uint32_t Add(uint32_t type, const std::string &text, bool front = false)
    {
        QueueArea area;
        return area.Load(data.data(), data.size(), "cvuNmq_EV::TestQueue")
                   ? area.Add(type, text.data(), uint32_t(text.size()), front)
                   : kBadHeader;
    }
    std::vector<uint8_t> data;
};

TEST(NmqArea, SizesAndLimits)
{
    // A block clears the low bits and adds its header; a queue adds its own.
    // Both stay within 32 bits: the last sizes that fit, the first that do not.
    const uint32_t blocks[][2] = {{5, 100}, {8, 104}, {0xFFFFFF9Fu, 0xFFFFFFFCu}, {0xFFFFFFA0u, 0}};
    const uint32_t queues[][2] = {{3, 140}, {4, 144}, {kNmqDefaultCapacity, 4104}, {0xFFFFFF13u, 0xFFFFFF9Cu}, {0xFFFFFF14u, 0}};
    for (const auto &b : blocks) EXPECT_EQ(b[1], BlockSize(b[0])) << b[0];
    for (const auto &q : queues) EXPECT_EQ(q[1], QueueSize(q[0])) << q[0];
    // Full by bytes: one byte over is refused and changes nothing; exactly
    // full fits. Full by count.
    TestQueue bytes(100), counted(100, 2);
    ASSERT_EQ(kOk, bytes.Add(1, std::string(40, 'a')));  // 48 used, 52 free
    std::vector<uint8_t> before = bytes.data;
    EXPECT_EQ(kOutOfStructures, bytes.Add(2, std::string(45, 'b')));
    EXPECT_EQ(before, bytes.data);
    EXPECT_EQ(kOk, bytes.Add(2, std::string(44, 'b')));
    EXPECT_EQ(kOutOfStructures, bytes.Add(3, ""));
    EXPECT_EQ(kOk, counted.Add(1, "") + counted.Add(2, "", true));
    EXPECT_EQ(kOutOfStructures, counted.Add(3, ""));
}

TEST(NmqArea, RecordsLieBackToBack)
{
    TestQueue q(100);
    for (const char *text : {"abc", "defgh", ""}) ASSERT_EQ(kOk, q.Add(uint32_t(q.Word(kCount) + 1), text));
    EXPECT_EQ((std::vector<uint32_t>{3, 32, 24}), (std::vector<uint32_t>{q.Word(kCount), q.Word(kUsed), q.Word(kLast)}));
    const uint8_t expected[] = {1, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 2, 0, 0, 0, 5, 0, 0, 0, 'd', 'e', 'f', 'g', 'h',
                                3, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, &q.data[kRecords], sizeof expected));
    // At the front: everything moves up by the new record's size.
    ASSERT_EQ(kOk, q.Add(4, "Z", true));
    EXPECT_EQ((std::vector<uint32_t>{41, 33}), (std::vector<uint32_t>{q.Word(kUsed), q.Word(kLast)}));
    const uint8_t front[] = {4, 0, 0, 0, 1, 0, 0, 0, 'Z', 1, 0, 0, 0, 3, 0, 0, 0, 'a'};
    EXPECT_EQ(0, std::memcmp(front, &q.data[kRecords], sizeof front));
}

}  // namespace
