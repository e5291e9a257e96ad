// The queue walk: any bytes taken as a queue's data area are either refused
// or walked and changed within the area; a loaded queue keeps its FIFO/LIFO
// promises for what this input adds.
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "ipc/portable/queue.h"

using namespace cvx::ipc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Exact-size copy: a read or write past the area is a finding.
    std::vector<uint8_t> area(data, data + size);
    QueueArea queue;
    if (queue.Load(area.data(), area.size(), "cvuNmq_EV::fuzz")) {
        // One operation per load: each works from the header it checked.
        uint8_t message[64] = {1, 2, 3};
        queue.Add(7, message, sizeof message, size & 1);
        for (;;) {
            QueueArea again;
            CVX_FUZZ_CHECK(again.Load(area.data(), area.size(), "cvuNmq_EV::fuzz"));
            uint8_t out[4096];
            uint32_t length = sizeof out, type = 0;
            if (again.Remove(size & 2, false, out, &length, &type) != 0) break;
        }
        QueueArea empty;
        CVX_FUZZ_CHECK(empty.Load(area.data(), area.size(), "cvuNmq_EV::fuzz"));
        CVX_FUZZ_CHECK(empty.Count() == 0);
    }

    // A fresh queue filled from the input's bytes gives them back in order.
    uint32_t capacity = 512;
    std::vector<uint8_t> fresh(QueueSize(capacity));
    InitQueueHeader(fresh.data(), 0, capacity, 1000, "fuzz");
    size_t added = 0;
    for (size_t at = 0; at < size; at += 9, ++added) {
        QueueArea q;
        CVX_FUZZ_CHECK(q.Load(fresh.data(), fresh.size(), "cvuNmq_EV::fuzz"));
        if (q.Add(uint32_t(at), data + at, uint32_t(size - at > 9 ? 9 : size - at), false) != 0) break;
    }
    for (size_t i = 0; i < added; ++i) {
        QueueArea r;
        CVX_FUZZ_CHECK(r.Load(fresh.data(), fresh.size(), "cvuNmq_EV::fuzz"));
        uint8_t out[16];
        uint32_t length = sizeof out, type = 0;
        CVX_FUZZ_CHECK(r.Remove(true, false, out, &length, &type) == 0);
        CVX_FUZZ_CHECK(type == i * 9);
        CVX_FUZZ_CHECK(std::memcmp(out, data + i * 9, length) == 0);
    }
    return 0;
}
