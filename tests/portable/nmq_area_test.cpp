// The queue's message area: placement, order, limits, and the refusal of
// headers and records that do not add up.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ipc/portable/queue.h"

namespace {

using namespace cvx::ipc;

constexpr size_t kCount = 16, kUsed = 24, kLast = 32;

// A queue of the given capacity in a data area as a block would give it.
struct TestQueue {
    explicit TestQueue(uint32_t capacity, uint32_t maxCount = kNmqNoLimit, uint32_t flags = 0)
        : data((QueueSize(capacity) & ~3u) + 4)
    {
        InitQueueHeader(data.data(), flags, capacity, maxCount, "TestQueue");
    }
    uint32_t Word(size_t offset) const { return LoadU32(&data[offset]); }
    uint8_t *Area() { return &data[136]; }
    uint32_t Add(uint32_t type, const std::string &text, bool front = false)
    {
        QueueArea area;
        if (!area.Load(data.data(), data.size(), "cvuNmq_EV::TestQueue")) return kBadHeader;
        return area.Add(type, text.data(), uint32_t(text.size()), front);
    }
    // Type and text of the message removed, or the error.
    uint32_t Remove(bool front, uint32_t *type, std::string *text)
    {
        QueueArea area;
        if (!area.Load(data.data(), data.size(), "cvuNmq_EV::TestQueue")) return kBadHeader;
        char buffer[256];
        uint32_t length = sizeof buffer;
        uint32_t rc = area.Remove(front, false, buffer, &length, type);
        if (rc == kOk) text->assign(buffer, length);
        return rc;
    }
    bool Loads()
    {
        QueueArea area;
        return area.Load(data.data(), data.size(), "cvuNmq_EV::TestQueue");
    }
    std::vector<uint8_t> data;
};

TEST(NmqArea, SizesAndNewHeader)
{
    EXPECT_EQ(4104u, QueueSize(kNmqDefaultCapacity));
    EXPECT_EQ(140u, QueueSize(0));
    EXPECT_EQ(140u, QueueSize(3));
    EXPECT_EQ(144u, QueueSize(4));
    // Queue plus block header must stay within 32 bits.
    EXPECT_NE(0u, QueueSize(0xFFFFFF00u - 140 - 96));
    EXPECT_EQ(0u, QueueSize(0xFFFFFFFFu));

    TestQueue q(10, 7, kNmqFlagEvent);
    EXPECT_EQ(kNmqMagic, q.Word(0));
    EXPECT_EQ(1u, q.Word(4));
    EXPECT_EQ(148u, q.Word(8));
    EXPECT_EQ(7u, q.Word(12));
    EXPECT_EQ(0u, q.Word(kCount));
    EXPECT_EQ(10u, q.Word(20));
    EXPECT_EQ(0u, q.Word(kUsed));
    EXPECT_EQ(136u, q.Word(28));
    EXPECT_EQ(0u, q.Word(kLast));
    EXPECT_STREQ("TestQueue", reinterpret_cast<const char *>(&q.data[36]));

    std::vector<uint8_t> data(200);
    InitQueueHeader(data.data(), 0, 16, 1, std::string(60, 'q').c_str());
    EXPECT_EQ(std::string(47, 'q'), std::string(reinterpret_cast<const char *>(&data[36])));
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
    EXPECT_EQ(0, std::memcmp(expected, q.Area(), sizeof expected));

    // At the front: everything moves up by the new record's size.
    ASSERT_EQ(kOk, q.Add(4, "Z", true));
    EXPECT_EQ(41u, q.Word(kUsed));
    EXPECT_EQ(33u, q.Word(kLast));
    const uint8_t front[] = {4, 0, 0, 0, 1, 0, 0, 0, 'Z', 1, 0, 0, 0, 3, 0, 0, 0, 'a'};
    EXPECT_EQ(0, std::memcmp(front, q.Area(), sizeof front));
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
        ASSERT_TRUE(q.Loads()) << "step " << step;
        ASSERT_EQ(model.size(), q.Word(kCount));
    }
}

TEST(NmqArea, DamagedHeadersAndRecordsAreRefused)
{
    TestQueue good(64, kNmqNoLimit, kNmqFlagEvent);
    std::memcpy(&good.data[84], "cvuNmq_EV::TestQueue", 21);
    ASSERT_EQ(kOk, good.Add(1, "aaaa"));  // record at 0, 12 bytes
    ASSERT_EQ(kOk, good.Add(2, "bb"));    // record at 12, 10 bytes
    ASSERT_TRUE(good.Loads());

    struct Damage {
        const char *what;
        size_t offset;
        uint32_t value;
    };
    const Damage damages[] = {
        {"magic", 0, kNmqMagic + 1},
        {"queue size beyond the data area", 8, 4096},
        {"queue size below the header", 8, 100},
        {"capacity beyond the queue size", 20, 69},
        {"used above capacity", kUsed, 68},
        {"area offset", 28, 140},
        {"count above the records", kCount, 3},
        {"count below the records", kCount, 1},
        {"count without records", kCount, 0},
        {"last offset outside the area", kLast, 0x7FFFFFF0},
        {"last offset inside a record", kLast, 4},
        {"last offset at the first record", kLast, 0},
        {"used cuts the last record", kUsed, 21},
        {"used beyond the records", kUsed, 30},
        {"record running past used", 136 + 4, 13},
        {"record length wrapping", 136 + 4, 0xFFFFFFF8},
        {"last record running past used", 136 + 12 + 4, 3},
    };
    for (const Damage &d : damages) {
        TestQueue q = good;
        StoreU32(&q.data[d.offset], d.value);
        std::vector<uint8_t> before = q.data;
        EXPECT_FALSE(q.Loads()) << d.what;
        EXPECT_EQ(kBadHeader, q.Add(3, "c")) << d.what;
        EXPECT_EQ(before, q.data) << d.what;
    }

    // An event name that fills its field without a terminator.
    TestQueue q = good;
    std::memset(&q.data[84], 'e', 52);
    EXPECT_FALSE(q.Loads());
    // A data area too short for the header itself.
    QueueArea area;
    EXPECT_FALSE(area.Load(good.data.data(), 135, "cvuNmq_EV::TestQueue"));
    EXPECT_FALSE(area.Load(good.data.data(), good.Word(8) - 1, "cvuNmq_EV::TestQueue"));
}

}  // namespace
