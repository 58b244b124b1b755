#include "crashreport/base/ReportHeap.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace errvane {
namespace {

char* g_arena = nullptr;
std::size_t g_arenaSize = 0;
std::atomic<std::size_t> g_arenaUsed{0};
std::atomic<bool> g_useArena{false};

constexpr std::size_t kAlign = 16;

void* ArenaAllocate(std::size_t bytes) {
    const std::size_t rounded = (bytes + kAlign - 1) & ~(kAlign - 1);
    std::size_t used = g_arenaUsed.load(std::memory_order_relaxed);
    do {
        if (rounded > g_arenaSize - used) return nullptr;
    } while (!g_arenaUsed.compare_exchange_weak(used, used + rounded, std::memory_order_relaxed));
    return g_arena + used;
}

}  // namespace

void* ReportHeap::Allocate(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (g_useArena.load(std::memory_order_relaxed)) return ArenaAllocate(bytes);
    return std::malloc(bytes);
}

void ReportHeap::Release(void* block) {
    if (block == nullptr || g_useArena.load(std::memory_order_relaxed)) return;
    const char* p = static_cast<const char*>(block);
    if (g_arena != nullptr && p >= g_arena && p < g_arena + g_arenaSize) return;
    std::free(block);
}

void* ReportHeap::Reallocate(void* block, std::size_t oldBytes, std::size_t newBytes) {
    if (!g_useArena.load(std::memory_order_relaxed) && block != nullptr) {
        const char* p = static_cast<const char*>(block);
        if (g_arena == nullptr || p < g_arena || p >= g_arena + g_arenaSize)
            return std::realloc(block, newBytes == 0 ? 1 : newBytes);
    }
    void* grown = Allocate(newBytes);
    if (grown != nullptr && block != nullptr)
        std::memcpy(grown, block, oldBytes < newBytes ? oldBytes : newBytes);
    if (grown != nullptr) Release(block);
    return grown;
}

bool ReportHeap::ReserveArena(std::size_t bytes) {
    if (g_arena != nullptr) return true;
    void* area = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (area == MAP_FAILED) return false;
    g_arena = static_cast<char*>(area);
    g_arenaSize = bytes;
    g_arenaUsed.store(0);
    return true;
}

void ReportHeap::FreeArena() {
    if (g_arena == nullptr || g_useArena.load()) return;
    munmap(g_arena, g_arenaSize);
    g_arena = nullptr;
    g_arenaSize = 0;
}

void ReportHeap::UseArena(bool on) {
    // Without an arena the C heap stays in use: a report that risks its lock beats no report.
    g_useArena.store(on && g_arena != nullptr);
}

bool ReportHeap::UsingArena() { return g_useArena.load(std::memory_order_relaxed); }

std::size_t ReportHeap::ArenaUsed() { return g_arenaUsed.load(); }

}  // namespace errvane
