// Arithmetic of a named block's mapping and the check of its header. No
// Win32 here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "ipc/portable/layouts.h"

namespace cvx::ipc {

// Mapping size for a requested data size: (S & ~3) + 96; 0 when that does
// not fit 32 bits.
uint32_t BlockSize(uint32_t requested);

// What an opener takes from a block's header.
struct BlockLayout {
    uint32_t flags;
    uint32_t dataOffset;
    // Bytes from the data offset to the end of the block.
    uint32_t dataSize;
};

// Checks the header at the start of a view of viewSize bytes: its magic, and
// a block size and data offset that leave the header and a data area inside
// the view. False when any of them does not add up.
bool CheckBlockHeader(const void *view, size_t viewSize, BlockLayout *layout);

// Zeroes a new block of blockSize bytes and writes its header.
void InitBlockHeader(void *view, uint32_t blockSize, uint32_t flags, uint32_t requested, const char *name);

}  // namespace cvx::ipc
