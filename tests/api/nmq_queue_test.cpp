// Named message queue through the exports: layout, attaching, what Remove
// reports and keeps, and the event.
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"

using namespace ipctest;

namespace {

TEST(NmqQueues, NewQueueLayout)
{
    struct Case {
        DWORD flags, capacity, maxCount;
        size_t nameLength;  // 0: the unique name as it is
        DWORD block, queueSize, expectedCapacity, expectedMax;
    };
    // Defaults; and the longest name, whose event name fills its field.
    const Case cases[] = {{0, 0, 0, 0, 4200, 4104, 3964, 0xFFFFFFFF}, {NMQ_EVENT, 10, 3, 40, 244, 148, 10, 3}};
    for (const Case &c : cases) {
        std::string name = UniqueName("NmqLayout" + std::to_string(c.capacity));
        if (c.nameLength) name = (name + std::string(c.nameLength, 'n')).substr(0, c.nameLength);
        NmqHandle *handle = nullptr;
        SetLastError(55);
        ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), c.flags, c.capacity, c.maxCount, &handle));
        EXPECT_EQ(0u, GetLastError());
        RawBlock raw("~Nmq::" + name);
        ASSERT_TRUE(raw);
        EXPECT_TRUE(raw.HasSectionSize(c.block)) << c.block;
        EXPECT_EQ((std::vector<DWORD>{1, NSM_DATALOCK | NSM_CREATELOCKED, c.block, c.queueSize}),
                  Words(raw.View(), 4, 4));
        EXPECT_EQ((std::vector<DWORD>{0xE34CAB00, c.flags, c.queueSize, c.expectedMax, 0, c.expectedCapacity, 0, 136, 0}),
                  Words(raw.View(), kData, 9));
        EXPECT_EQ(name, reinterpret_cast<const char *>(raw.View() + kData + kQName));
        const std::string eventName = c.flags ? "cvuNmq_EV::" + name : "";
        EXPECT_EQ(eventName, std::string(reinterpret_cast<const char *>(raw.View() + kData + kQEvent), 52).c_str());
        HANDLE event = Sentinel<void>();
        EXPECT_EQ(0u, CVU_NmqGetEvent(name.c_str(), &event));
        EXPECT_EQ(c.flags != 0, event != nullptr);
        EXPECT_FALSE(event && IsSignalled(event));
        if (event) CloseHandle(event);
        // Create gave its data lock back: another thread can add.
        DWORD rc = 1;
        std::thread([&] { rc = Put(name, 1, "x"); }).join();
        EXPECT_EQ(0u, rc);
        EXPECT_EQ(0u, CVU_NmqClose(handle));
    }
}

TEST(NmqQueues, CreateOfAnExistingQueueOpensIt)
{
    const std::string name = UniqueName("NmqExisting");
    NmqHandle *first = nullptr, *second = nullptr, *third = Sentinel<NmqHandle>();
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 64, 5, &first));
    ASSERT_EQ(0u, Put(name, 7, "kept"));
    SetLastError(0);
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 1000, 0, &second));
    EXPECT_EQ(183u, GetLastError());
    RawBlock raw("~Nmq::" + name);
    EXPECT_EQ((std::vector<DWORD>{0, 204, 5, 1, 64}), Words(raw.View(), kData + 4, 5));
    HANDLE event = Sentinel<void>();
    EXPECT_EQ(0u, CVU_NmqGetEvent(name.c_str(), &event));
    EXPECT_EQ(nullptr, event);
    EXPECT_EQ(183u, CVU_NmqCreate(name.c_str(), NMQ_EXCLUSIVE, 64, 5, &third));
    EXPECT_EQ(nullptr, third);
    // The queue lives while any handle does.
    EXPECT_EQ(0u, CVU_NmqClose(first));
    DWORD type = 0;
    std::string data;
    EXPECT_EQ(0u, Take(name, 0, &type, &data));
    EXPECT_EQ("kept", data);
    EXPECT_EQ(0u, CVU_NmqClose(second));
}

TEST(NmqQueues, RemoveWithShortEmptyAndMissingBuffers)
{
    const std::string name = UniqueName("NmqShort");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), 0, 0, 0, &handle));
    RawBlock raw("~Nmq::" + name);
    // Length 0, and null data with a length, both store 8-byte records.
    ASSERT_EQ(0u, CVU_NmqAdd(name.c_str(), 1, "ignored", 0, 0));
    ASSERT_EQ(0u, CVU_NmqAdd(name.c_str(), 2, nullptr, 33, 0));
    EXPECT_EQ((std::vector<DWORD>{2, 3964, 16, 136, 8}), Words(raw.View(), kData + kQCount, 5));
    EXPECT_EQ((std::vector<DWORD>{1, 0, 2, 0}), Words(raw.View(), kData + kQRecords, 4));
    ASSERT_EQ(0u, Put(name, 10, "0123456789", NMQ_FRONT));
    ASSERT_EQ(0u, Put(name, 11, "abcdefghij"));

    struct Step {
        DWORD flags;
        bool buffer, lengthGiven;
        DWORD rc, type, length, count;
    };
    // A 4-byte buffer each time: 234 with the full length, the message kept
    // only when asked; no length for a buffer is 87; no buffer discards.
    const Step steps[] = {
        {NMQ_FRONT | NMQ_KEEPIFSHORT, true, true, 234, 10, 10, 4},
        {NMQ_KEEPIFSHORT, true, true, 234, 11, 10, 4},
        {0, true, false, 87, 11, 0, 4},
        {NMQ_FRONT, true, true, 234, 10, 10, 3},
        {0, false, true, 0, 11, 10, 2},
        {0, true, true, 0, 2, 0, 1},
        {0, false, false, 0, 1, 0, 0},
        {0, true, true, 259, 0, 0, 0},
    };
    for (const Step &s : steps) {
        char buffer[4] = {};
        DWORD type = 99, length = sizeof buffer;
        EXPECT_EQ(s.rc, CVU_NmqRemove(name.c_str(), &type, s.buffer ? buffer : nullptr,
                                      s.lengthGiven ? &length : nullptr, s.flags)) << &s - steps;
        EXPECT_EQ(s.type, type) << &s - steps;
        EXPECT_EQ(s.lengthGiven ? s.length : 4, length) << &s - steps;
        EXPECT_EQ(s.rc != 234 ? "" : s.type == 10 ? "0123" : "abcd", std::string(buffer, s.rc == 234 ? 4 : 0));
        EXPECT_EQ(s.count, raw.Word(kData + kQCount)) << &s - steps;
    }
    EXPECT_EQ((std::vector<DWORD>{0, 3964, 0, 136, 0}), Words(raw.View(), kData + kQCount, 5));
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

TEST(NmqQueues, TheEventShowsWhetherMessagesWait)
{
    const std::string name = UniqueName("NmqEvent");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 20, 0, &handle));
    HANDLE event = nullptr;
    ASSERT_EQ(0u, CVU_NmqGetEvent(name.c_str(), &event));
    ASSERT_NE(nullptr, event);
    DWORD type = 0;
    std::string data;
    ASSERT_EQ(0u, Put(name, 1, "a"));
    EXPECT_TRUE(IsSignalled(event));
    ASSERT_EQ(0u, Put(name, 2, "b"));
    ASSERT_EQ(0u, Take(name, NMQ_FRONT, &type, &data));
    EXPECT_TRUE(IsSignalled(event)) << "one message still waits";
    // A full queue's refusal changes nothing.
    ResetEvent(event);
    EXPECT_EQ(84u, Put(name, 3, std::string(20, 'c')));
    EXPECT_FALSE(IsSignalled(event));
    // A kept short message still counts: set again.
    char buffer[1];
    DWORD length = 0;
    EXPECT_EQ(234u, CVU_NmqRemove(name.c_str(), &type, buffer, &length, NMQ_KEEPIFSHORT));
    EXPECT_TRUE(IsSignalled(event));
    ASSERT_EQ(0u, Take(name, NMQ_FRONT, &type, &data));
    EXPECT_FALSE(IsSignalled(event));
    // An empty queue's remove leaves it reset even when someone set it.
    SetEvent(event);
    EXPECT_EQ(259u, Take(name, 0, &type, &data));
    EXPECT_FALSE(IsSignalled(event));
    CloseHandle(event);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

}  // namespace
