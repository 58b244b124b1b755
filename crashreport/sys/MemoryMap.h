#pragma once
#include <cstddef>
#include <cstdint>

namespace errvane {

// One mapping of /proc/self/maps.
struct MemoryRegion {
    enum : std::uint32_t { kRead = 1, kWrite = 2, kExecute = 4, kPrivate = 8 };
    std::uint64_t start;
    std::uint64_t end;
    std::uint64_t fileOffset;
    std::uint64_t inode;
    std::uint32_t access;
    const char* path;  // "" for anonymous memory; pseudo names such as "[stack]" kept
};

// A module as the report names it: every mapping of one file from its first to its last, or a
// single anonymous mapping.
struct ModuleSpan {
    std::uint64_t base;
    std::uint64_t size;  // from the base to the end of the module's last mapping
    const char* path;
};

// A snapshot of the process's mappings. The report takes one at its start (the process is frozen
// then); its memory comes from the library heap, so the arena inside the fault handler.
class MemoryMap {
public:
    MemoryMap() = default;
    ~MemoryMap();
    MemoryMap(const MemoryMap&) = delete;
    MemoryMap& operator=(const MemoryMap&) = delete;

    bool Load();
    std::size_t Count() const { return count_; }
    const MemoryRegion& At(std::size_t index) const { return regions_[index]; }
    // The region holding the address, nullptr when none does.
    const MemoryRegion* Find(std::uint64_t address) const;
    bool ModuleOf(std::uint64_t address, ModuleSpan* span) const;
    // Index of the first region of the module that starts with region `index`.
    std::size_t ModuleEnd(std::size_t index) const;

    // The snapshot the report sections use; loaded on first use.
    static MemoryMap& Current();
    static void Refresh();

private:
    bool SameFile(std::size_t a, std::size_t b) const;
    void Clear();

    char* text_ = nullptr;
    std::size_t textSize_ = 0;
    MemoryRegion* regions_ = nullptr;
    std::size_t count_ = 0;
};

}  // namespace errvane
