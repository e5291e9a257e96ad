// The queue's message area: sizes, limits, placement and order.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ipc/portable/queue.h"

namespace {

using namespace cvx::ipc;

constexpr size_t kCount = 16, kUsed = 24, kLast = 32;
constexpr char kEvent[] = "cvuNmq_EV::TestQueue";

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
        return area.Load(data.data(), data.size(), kEvent) ? area.Add(type, text.data(), uint32_t(text.size()), front)
                                                           : kBadHeader;
    }
    // Type and text of the message removed, or the error.
    uint32_t Remove(bool front, uint32_t *type, std::string *text)
    {
        QueueArea area;
        char buffer[256];
        uint32_t length = sizeof buffer;
        uint32_t rc = area.Load(data.data(), data.size(), kEvent) ? area.Remove(front, false, buffer, &length, type)
                                                                   : kBadHeader;
        if (rc == kOk) text->assign(buffer, length);
        return rc;
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
    EXPECT_EQ(kOk, counted.Add(1, ""));
    EXPECT_EQ(kOk, counted.Add(2, "", true));
    EXPECT_EQ(kOutOfStructures, counted.Add(3, ""));
}

TEST(NmqArea, RecordsLieBackToBack)
{
    TestQueue q(100);
    ASSERT_EQ(kOk, q.Add(1, "abc"));
    ASSERT_EQ(kOk, q.Add(2, "defgh"));
    ASSERT_EQ(kOk, q.Add(3, ""));
    EXPECT_EQ(3u, q.Word(kCount));
    EXPECT_EQ(11u + 13u + 8u, q.Word(kUsed));
    EXPECT_EQ(24u, q.Word(kLast));
    const uint8_t expected[] = {1, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c',
                                2, 0, 0, 0, 5, 0, 0, 0, 'd', 'e', 'f', 'g', 'h',
                                3, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, &q.data[136], sizeof expected));

    // At the front: everything moves up by the new record's size.
    ASSERT_EQ(kOk, q.Add(4, "Z", true));
    EXPECT_EQ(41u, q.Word(kUsed));
    EXPECT_EQ(33u, q.Word(kLast));
    const uint8_t front[] = {4, 0, 0, 0, 1, 0, 0, 0, 'Z', 1, 0, 0, 0, 3, 0, 0, 0, 'a'};
    EXPECT_EQ(0, std::memcmp(front, &q.data[136], sizeof front));
}

TEST(NmqArea, MixedEndsKeepTheLastOffsetRight)
{
    TestQueue q(200);
    std::vector<std::pair<uint32_t, std::string>> model;  // front first
    // A fixed pattern of adds and removes at both ends, checked against a list.
    for (uint32_t step = 1; step <= 60; ++step) {
        bool front = step % 3 == 0;
        if (step % 4 == 0 || step % 7 == 0) {
            uint32_t type;
            std::string text;
            uint32_t rc = q.Remove(front, &type, &text);
            if (model.empty()) {
                EXPECT_EQ(kNoMoreItems, rc);
                continue;
            }
            ASSERT_EQ(kOk, rc);
            auto expected = front ? model.front() : model.back();
            if (front) model.erase(model.begin());
            else model.pop_back();
            EXPECT_EQ(expected.first, type) << "step " << step;
            EXPECT_EQ(expected.second, text) << "step " << step;
        } else {
            std::string text(step % 11, char('a' + step % 26));
            uint32_t rc = q.Add(step, text, front);
            if (rc == kOutOfStructures) continue;
            ASSERT_EQ(kOk, rc);
            if (front) model.insert(model.begin(), {step, text});
            else model.push_back({step, text});
        }
        ASSERT_EQ(model.size(), q.Word(kCount));
    }
}

}  // namespace
