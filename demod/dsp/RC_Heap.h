#pragma once
// The plug-in's own heap. Every block starts on a 64-byte boundary and is a multiple of 64 bytes
// long, so the vector filter kernels can read their tap arrays aligned. Blocks are carved from
// regions taken from the system allocator; a region that becomes wholly free is returned at once.
// All operations are serialised by one process-wide mutex.

#include <cstddef>
#include <cstdint>

// Returns null for n == 0 or when the system has no memory left.
void* RC_Alloc(std::size_t n);
// Ignores null and pointers that are not the start of a live block of this heap.
void RC_Free(void* p);
// Grows p's block when it is too small (copying the old bytes); blocks never shrink.
void* RC_Realloc(void* p, std::size_t n);
// Allocates n bytes and copies them from p.
void* RC_AllocCopy(const void* p, std::size_t n);

// Makes `block` hold at least `needed` bytes, replacing it by a new block (old contents dropped)
// when it is smaller; buffers laid out again after a change use this to grow only. False when
// memory ran out, with block and capacity unchanged.
bool RC_GrowBlock(void*& block, std::size_t& capacity, std::size_t needed);

// Stores value in field and lays out again; on failure of layout() the old value returns (the
// layout is expected to change nothing when it fails). False when unchanged or failed.
template <typename T, typename Layout>
bool RC_ChangeLayout(T& field, T value, Layout layout) {
    if (value == field) {
        return false;
    }
    const T previous = field;
    field = value;
    if (!layout()) {
        field = previous;
        return false;
    }
    return true;
}

// Counters for tests and benchmarks: allocation calls so far and the regions held right now.
struct RC_HeapStatistics {
    std::uint64_t allocations;
    std::uint64_t heapCreations; // how often the heap was (re)created after having no region
    std::size_t regions;
    std::size_t bytesInUse;
};
RC_HeapStatistics RC_GetHeapStatistics();

// Typed helpers for arrays in the plug-in's heap.
template <typename T>
T* RC_AllocArray(std::size_t count) {
    return static_cast<T*>(RC_Alloc(count * sizeof(T)));
}
