#include "ipc/portable/block.h"

#include <cstring>

#include "korutil/portable/korstr.h"

namespace cvx::ipc {

uint32_t LoadU32(const void *at)
{
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void StoreU32(void *at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

uint32_t BlockSize(uint32_t requested)
{
    uint64_t size = uint64_t(requested & ~3u) + kNsmDataOffset + 4;
    return size > UINT32_MAX ? 0 : uint32_t(size);
}

bool CheckBlockHeader(const void *view, size_t viewSize, BlockLayout *layout)
{
    if (viewSize < sizeof(NsmHeader)) return false;
    NsmHeader header;
    std::memcpy(&header, view, sizeof header);
    if (header.magic != kNsmMagic) return false;
    if (header.blockSize > viewSize) return false;
    // The data area follows the header, is word-aligned and holds at least
    // one word: every creator makes it (S & ~3) + 4 bytes long.
    if (header.dataOffset < sizeof(NsmHeader) || header.dataOffset % 4 != 0) return false;
    if (uint64_t(header.dataOffset) + 4 > header.blockSize) return false;
    layout->flags = header.flags;
    layout->dataOffset = header.dataOffset;
    layout->dataSize = header.blockSize - header.dataOffset;
    return true;
}

void InitBlockHeader(void *view, uint32_t blockSize, uint32_t flags, uint32_t requested, const char *name)
{
    std::memset(view, 0, blockSize);
    NsmHeader header{};
    header.magic = kNsmMagic;
    header.refCount = 0;
    header.flags = flags;
    header.blockSize = blockSize;
    header.requestedSize = requested;
    header.dataOffset = kNsmDataOffset;
    kor::CopyStringLimited(name, header.name, sizeof header.name);
    std::memcpy(view, &header, sizeof header);
}

}  // namespace cvx::ipc
