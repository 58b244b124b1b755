#pragma once
#include <cstddef>

namespace errvane {

// Every allocation of the library goes through here. Normally that is the C heap; while a report
// is being built it is a bump arena reserved when the library loads, because the fault may have
// happened inside malloc itself (or another thread frozen there may hold its lock).
class ReportHeap {
public:
    static void* Allocate(std::size_t bytes);
    static void Release(void* block);
    static void* Reallocate(void* block, std::size_t oldBytes, std::size_t newBytes);

    // Reserves the arena (address space only; pages are touched when used).
    static bool ReserveArena(std::size_t bytes);
    static void FreeArena();
    // While on, allocations come from the arena and releases of any block are ignored.
    static void UseArena(bool on = true);
    static bool UsingArena();
    static std::size_t ArenaUsed();
};

}  // namespace errvane
