// Named message queue through the exports: the layout another process reads,
// attaching, what Remove reports and keeps, and the event.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/ipc_helpers.h"
#include "cvxutil.h"

using namespace ipctest;

namespace {

// The header another process reads; a second create opens the queue as it
// is, an exclusive one is refused; the queue lives while any handle does.
TEST(NmqQueues, NewQueueLayoutAndAnExistingQueue)
{
    const struct {
        DWORD flags, capacity, maxCount;
        size_t nameLength;  // 0: the unique name as it is
        DWORD block, queueSize, expectedCapacity, expectedMax;
    } cases[] = {{0, 0, 0, 0, 4200, 4104, 3964, 0xFFFFFFFF}, {NMQ_EVENT, 10, 3, 40, 244, 148, 10, 3}};
    // Defaults; and the longest name, whose event name fills its field.
    for (const auto &c : cases) {
        std::string name = UniqueName("NmqLayout" + std::to_string(c.capacity));
        if (c.nameLength) name = (name + std::string(c.nameLength, 'n')).substr(0, c.nameLength);
        NmqHandle *first = nullptr, *second = nullptr, *third = Sentinel<NmqHandle>();
        ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), c.flags, c.capacity, c.maxCount, &first));
        RawBlock raw("~Nmq::" + name);
        ASSERT_TRUE(raw);
        EXPECT_EQ((std::vector<DWORD>{1, NSM_DATALOCK | NSM_CREATELOCKED, c.block, c.queueSize}), Words(raw.View(), 4, 4));
        const std::vector<DWORD> header{0xE34CAB00, c.flags, c.queueSize, c.expectedMax, 0, c.expectedCapacity, 0, 136, 0};
        EXPECT_EQ(header, Words(raw.View(), kData, 9));
        EXPECT_EQ(name, reinterpret_cast<const char *>(raw.View() + kData + kQName));
        const std::string eventName = c.flags ? "cvuNmq_EV::" + name : "";
        EXPECT_EQ(eventName, std::string(reinterpret_cast<const char *>(raw.View() + kData + kQEvent), 52).c_str());

        ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), c.flags ^ NMQ_EVENT, 1000, 0, &second));
        EXPECT_EQ(header, Words(raw.View(), kData, 9));
        EXPECT_EQ(2u, raw.RefCount());
        EXPECT_EQ(183u, CVU_NmqCreate(name.c_str(), NMQ_EXCLUSIVE, 64, 5, &third));
        EXPECT_EQ(nullptr, third);
        HANDLE event = Sentinel<void>();
        EXPECT_EQ(0u, CVU_NmqGetEvent(name.c_str(), &event));
        EXPECT_EQ(c.flags != 0, event != nullptr);
        if (event) CloseHandle(event);
        ASSERT_EQ(0u, Put(name, 7, "k"));
        EXPECT_EQ(0u, CVU_NmqClose(first));
        DWORD type = 0;
        std::string data;
        EXPECT_EQ(0u, Take(name, 0, &type, &data));
        EXPECT_EQ("k", data);
        EXPECT_EQ(0u, CVU_NmqClose(second));
        EXPECT_EQ(CVU_E_NOTFOUND, Put(name, 1, "gone"));
    }
}

TEST(NmqQueues, RemoveWithShortEmptyAndMissingBuffers)
{
    const std::string name = UniqueName("NmqShort");
    NmqHandle *handle = nullptr;
    ASSERT_EQ(0u, CVU_NmqCreate(name.c_str(), NMQ_EVENT, 0, 0, &handle));
    HANDLE event = nullptr;
    ASSERT_EQ(0u, CVU_NmqGetEvent(name.c_str(), &event));
    auto set = [&] { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; };
    RawBlock raw("~Nmq::" + name);
    // Length 0, and null data with a length, both store 8-byte records.
    ASSERT_EQ(0u, CVU_NmqAdd(name.c_str(), 1, "ignored", 0, 0));
    ASSERT_EQ(0u, CVU_NmqAdd(name.c_str(), 2, nullptr, 33, 0));
    EXPECT_EQ((std::vector<DWORD>{2, 3964, 16, 136, 8}), Words(raw.View(), kData + kQCount, 5));
    EXPECT_EQ((std::vector<DWORD>{1, 0, 2, 0}), Words(raw.View(), kData + kQRecords, 4));
    ASSERT_EQ(0u, Put(name, 10, "0123456789", NMQ_FRONT));
    ASSERT_EQ(0u, Put(name, 11, "abcdefghij"));

    // A 4-byte buffer each time: 234 with the full length, the message kept
    // only when asked; no length for a buffer is 87; no buffer discards. The
    // event stays set while a message waits, a kept one too.
    const struct Step {
        DWORD flags;
        bool buffer, lengthGiven;
        DWORD rc, type, length, count;
    } steps[] = {{NMQ_FRONT | NMQ_KEEPIFSHORT, true, true, 234, 10, 10, 4}, {NMQ_KEEPIFSHORT, true, true, 234, 11, 10, 4},
                 {0, true, false, 87, 11, 0, 4}, {NMQ_FRONT, true, true, 234, 10, 10, 3}, {0, false, true, 0, 11, 10, 2},
                 {0, true, true, 0, 2, 0, 1}, {0, false, false, 0, 1, 0, 0}, {0, true, true, 259, 0, 0, 0}};
    for (const Step &s : steps) {
        char buffer[4] = {};
        DWORD type = 99, length = sizeof buffer;
        EXPECT_EQ(s.rc, CVU_NmqRemove(name.c_str(), &type, s.buffer ? buffer : nullptr,
                                      s.lengthGiven ? &length : nullptr, s.flags)) << &s - steps;
        EXPECT_EQ(s.type, type) << &s - steps;
        EXPECT_EQ(s.lengthGiven ? s.length : 4, length) << &s - steps;
        EXPECT_EQ(s.rc != 234 ? "" : s.type == 10 ? "0123" : "abcd", std::string(buffer, s.rc == 234 ? 4 : 0));
        EXPECT_EQ(s.count, raw.Word(kData + kQCount)) << &s - steps;
        EXPECT_EQ(s.count != 0, set()) << &s - steps;
    }
    EXPECT_EQ((std::vector<DWORD>{0, 3964, 0, 136, 0}), Words(raw.View(), kData + kQCount, 5));
    // An empty queue's remove resets the event even when someone set it; a
    // full queue's refusal does not set it.
    SetEvent(event);
    DWORD type = 0;
    EXPECT_EQ(259u, CVU_NmqRemove(name.c_str(), &type, nullptr, nullptr, 0));
    EXPECT_EQ(84u, Put(name, 3, std::string(4000, 'c')));
    EXPECT_FALSE(set());
    CloseHandle(event);
    EXPECT_EQ(0u, CVU_NmqClose(handle));
}

}  // namespace
