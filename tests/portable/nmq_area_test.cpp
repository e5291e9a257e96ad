// The queue's message area: sizes, limits, placement and order.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
    EXPECT_EQ(4104u, QueueSize(kNmqDefaultCapacity));
    EXPECT_EQ(140u, QueueSize(3));
    EXPECT_EQ(144u, QueueSize(4));
    // Queue plus block header must stay within 32 bits.
    EXPECT_NE(0u, QueueSize(0xFFFFFF00u - 140 - 96));
    EXPECT_EQ(0u, QueueSize(0xFFFFFFFFu));
    // Full by bytes: one byte over is refused and changes nothing; exactly
    // full fits. Full by count.
    TestQueue bytes(100), counted(100, 2);
    ASSERT_EQ(kOk, bytes.Add(1, std::string(40, 'a')));  // 48 used, 52 free
    std::vector<uint8_t> before = bytes.data;
    EXPECT_EQ(kOutOfStructures, bytes.Add(2, std::string(45, 'b')));
    EXPECT_EQ(before, bytes.data);
    EXPECT_EQ(kOk, bytes.Add(2, std::string(44, 'b')));
    EXPECT_EQ(100u, bytes.Word(kUsed));
    EXPECT_EQ(kOutOfStructures, bytes.Add(3, ""));
    EXPECT_EQ(kOk, counted.Add(1, "") + counted.Add(2, "", true));
    EXPECT_EQ(kOutOfStructures, counted.Add(3, ""));
}

TEST(NmqArea, RecordsLieBackToBack)
{
    TestQueue q(100);
    for (const char *text : {"abc", "defgh", ""}) ASSERT_EQ(kOk, q.Add(uint32_t(q.Word(kCount) + 1), text));
    EXPECT_EQ((std::vector<uint32_t>{3, 100, 11 + 13 + 8, 136, 24}), (std::vector<uint32_t>{q.Word(kCount),
              q.Word(kCount + 4), q.Word(kUsed), q.Word(kUsed + 4), q.Word(kLast)}));
    const uint8_t expected[] = {1, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c', 2, 0, 0, 0, 5, 0, 0, 0, 'd', 'e', 'f', 'g', 'h',
                                3, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, &q.data[kRecords], sizeof expected));
    // At the front: everything moves up by the new record's size.
    ASSERT_EQ(kOk, q.Add(4, "Z", true));
    EXPECT_EQ(41u, q.Word(kUsed));
    EXPECT_EQ(33u, q.Word(kLast));
    const uint8_t front[] = {4, 0, 0, 0, 1, 0, 0, 0, 'Z', 1, 0, 0, 0, 3, 0, 0, 0, 'a'};
    EXPECT_EQ(0, std::memcmp(front, &q.data[kRecords], sizeof front));
}

}  // namespace
