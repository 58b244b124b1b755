#include "demod/dsp/RC_Heap.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t kBlockAlign = 64;
constexpr std::size_t kPageSize = 4096;

struct RegionHeader;

struct alignas(kBlockAlign) BlockHeader {
    BlockHeader* next;
    BlockHeader* previous;
    RegionHeader* region;
    std::size_t size; // bytes including this header
    std::uint32_t flags;
};
constexpr std::uint32_t kInUse = 1;
static_assert(sizeof(BlockHeader) == kBlockAlign, "a block header fills exactly one 64-byte line");

struct RegionHeader {
    RegionHeader* next;
    RegionHeader** linkToThis; // the previous region's next field (or the list head)
    BlockHeader* first;
    std::size_t usable;
    std::size_t freeBytes;
};
// The first block follows the region header on the next 64-byte boundary; regions are sized for
// the header this build really has (a region sized for a smaller header would leave too little
// room for the block it was made for).
constexpr std::size_t kRegionHeaderSpace =
    (sizeof(RegionHeader) + kBlockAlign - 1) / kBlockAlign * kBlockAlign;

struct HeapState {
    std::mutex mutex;
    RegionHeader* regions = nullptr;
    bool created = false;
    std::uint64_t allocations = 0;
    std::uint64_t creations = 0;
    std::size_t regionCount = 0;
    std::size_t bytesInUse = 0;
};

HeapState& Heap() {
    static HeapState state;
    return state;
}

std::byte* Bytes(void* p) { return static_cast<std::byte*>(p); }

void* Payload(BlockHeader* block) { return Bytes(block) + sizeof(BlockHeader); }

RegionHeader* NewRegion(HeapState& heap, std::size_t blockSize) {
    if (blockSize > SIZE_MAX - kRegionHeaderSpace - kPageSize) {
        return nullptr;
    }
    const std::size_t size = (blockSize + kRegionHeaderSpace + kPageSize - 1) / kPageSize * kPageSize;
    void* memory = std::aligned_alloc(kPageSize, size);
    if (memory == nullptr) {
        return nullptr;
    }
    if (!heap.created) {
        heap.created = true;
        ++heap.creations;
    }
    auto* region = new (memory) RegionHeader{};
    region->usable = size;
    auto* block = new (Bytes(memory) + kRegionHeaderSpace) BlockHeader{};
    block->region = region;
    block->size = size - kRegionHeaderSpace;
    region->first = block;
    region->freeBytes = block->size;
    region->next = heap.regions;
    region->linkToThis = &heap.regions;
    if (heap.regions != nullptr) {
        heap.regions->linkToThis = &region->next;
    }
    heap.regions = region;
    ++heap.regionCount;
    return region;
}

void ReleaseRegion(HeapState& heap, RegionHeader* region) {
    *region->linkToThis = region->next;
    if (region->next != nullptr) {
        region->next->linkToThis = region->linkToThis;
    }
    --heap.regionCount;
    std::free(region);
    if (heap.regions == nullptr) {
        heap.created = false; // the next allocation creates the heap again
    }
}

// Marks the first blockSize bytes of a free block used, leaving the rest as a free block after it.
void* TakeBlock(HeapState& heap, BlockHeader* block, std::size_t blockSize) {
    if (block->size > blockSize) {
        auto* rest = new (Bytes(block) + blockSize) BlockHeader{};
        rest->region = block->region;
        rest->size = block->size - blockSize;
        rest->previous = block;
        rest->next = block->next;
        if (block->next != nullptr) {
            block->next->previous = rest;
        }
        block->next = rest;
        block->size = blockSize;
    }
    block->flags |= kInUse;
    block->region->freeBytes -= block->size;
    heap.bytesInUse += block->size;
    return Payload(block);
}

BlockHeader* FindBlock(HeapState& heap, void* p) {
    for (RegionHeader* region = heap.regions; region != nullptr; region = region->next) {
        std::byte* start = Bytes(region);
        if (Bytes(p) < start || Bytes(p) >= start + region->usable) {
            continue;
        }
        for (BlockHeader* block = region->first; block != nullptr; block = block->next) {
            if (Payload(block) == p) {
                return (block->flags & kInUse) != 0 ? block : nullptr;
            }
        }
        return nullptr;
    }
    return nullptr;
}

bool BlockSizeFor(std::size_t n, std::size_t& blockSize) {
    if (n > SIZE_MAX - 2 * kBlockAlign) {
        return false;
    }
    blockSize = (n + sizeof(BlockHeader) + kBlockAlign - 1) / kBlockAlign * kBlockAlign;
    return true;
}

void* AllocLocked(HeapState& heap, std::size_t n) {
    std::size_t blockSize = 0;
    if (n == 0 || !BlockSizeFor(n, blockSize)) {
        return nullptr;
    }
    ++heap.allocations;
    BlockHeader* best = nullptr;
    for (RegionHeader* region = heap.regions; region != nullptr; region = region->next) {
        if (region->freeBytes < blockSize) {
            continue;
        }
        for (BlockHeader* block = region->first; block != nullptr; block = block->next) {
            if ((block->flags & kInUse) != 0 || block->size < blockSize) {
                continue;
            }
            if (block->size == blockSize) {
                return TakeBlock(heap, block, blockSize);
            }
            if (best == nullptr || block->size <= best->size) {
                best = block;
            }
        }
    }
    if (best == nullptr) {
        RegionHeader* region = NewRegion(heap, blockSize);
        if (region == nullptr) {
            return nullptr;
        }
        best = region->first;
    }
    return TakeBlock(heap, best, blockSize);
}

void FreeLocked(HeapState& heap, void* p) {
    BlockHeader* block = FindBlock(heap, p);
    if (block == nullptr) {
        return;
    }
    RegionHeader* region = block->region;
    block->flags &= ~kInUse;
    region->freeBytes += block->size;
    heap.bytesInUse -= block->size;
    if (block->next != nullptr && (block->next->flags & kInUse) == 0) {
        BlockHeader* next = block->next;
        block->size += next->size;
        block->next = next->next;
        if (next->next != nullptr) {
            next->next->previous = block;
        }
    }
    if (block->previous != nullptr && (block->previous->flags & kInUse) == 0) {
        BlockHeader* previous = block->previous;
        previous->size += block->size;
        previous->next = block->next;
        if (block->next != nullptr) {
            block->next->previous = previous;
        }
    }
    if (region->first->next == nullptr && (region->first->flags & kInUse) == 0) {
        ReleaseRegion(heap, region);
    }
}

} // namespace

void* RC_Alloc(std::size_t n) {
    HeapState& heap = Heap();
    std::lock_guard<std::mutex> hold(heap.mutex);
    return AllocLocked(heap, n);
}

void RC_Free(void* p) {
    if (p == nullptr) {
        return;
    }
    HeapState& heap = Heap();
    std::lock_guard<std::mutex> hold(heap.mutex);
    FreeLocked(heap, p);
}

void* RC_Realloc(void* p, std::size_t n) {
    HeapState& heap = Heap();
    std::lock_guard<std::mutex> hold(heap.mutex);
    if (p == nullptr) {
        return AllocLocked(heap, n);
    }
    BlockHeader* block = FindBlock(heap, p);
    std::size_t blockSize = 0;
    if (block == nullptr || !BlockSizeFor(n, blockSize)) {
        return nullptr;
    }
    if (block->size >= blockSize) {
        return p;
    }
    void* grown = AllocLocked(heap, n);
    if (grown == nullptr) {
        return nullptr; // the old block stays valid, as with the standard realloc
    }
    std::memcpy(grown, p, block->size - sizeof(BlockHeader));
    FreeLocked(heap, p);
    return grown;
}

void* RC_AllocCopy(const void* p, std::size_t n) {
    void* copy = RC_Alloc(n);
    if (copy != nullptr && p != nullptr) {
        std::memcpy(copy, p, n);
    }
    return copy;
}

bool RC_GrowBlock(void*& block, std::size_t& capacity, std::size_t needed) {
    if (block != nullptr && needed <= capacity) {
        return true;
    }
    void* grown = RC_Alloc(needed);
    if (grown == nullptr) {
        return false;
    }
    RC_Free(block);
    block = grown;
    capacity = needed;
    return true;
}

RC_HeapStatistics RC_GetHeapStatistics() {
    HeapState& heap = Heap();
    std::lock_guard<std::mutex> hold(heap.mutex);
    return {heap.allocations, heap.creations, heap.regionCount, heap.bytesInUse};
}
