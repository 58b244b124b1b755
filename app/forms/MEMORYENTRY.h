#pragma once
// The memory-channel record that plug-ins and the front panel exchange: a fixed 464-byte block
// whose size field must match before either side trusts the rest.

#include <cstddef>
#include <cstdint>

namespace lxq {

inline constexpr std::uint32_t kMemoryEntryBytes = 464;

#pragma pack(push, 1)
struct MEMORYENTRY {
    std::uint32_t size;        // kMemoryEntryBytes
    std::uint8_t reserved0[64];
    std::uint32_t frequency;   // packed: Hz up to 2 GHz, else Hz / 10 with bit 31 set
    std::uint8_t reserved1[4];
    std::int32_t mode;         // mode id of the mode-name table
    std::uint8_t reserved2[4];
    std::int32_t squelchLevel; // level squelch in plug-in units
    std::uint8_t reserved3[52];
    std::uint32_t groups;      // memory-group mask
    std::uint8_t reserved4[24];
    std::uint32_t flags;       // bit 0: locked out
    char callsign[32];
    char comments[260];
};
#pragma pack(pop)

static_assert(sizeof(MEMORYENTRY) == kMemoryEntryBytes);
static_assert(offsetof(MEMORYENTRY, frequency) == 68);
static_assert(offsetof(MEMORYENTRY, mode) == 76);
static_assert(offsetof(MEMORYENTRY, squelchLevel) == 84);
static_assert(offsetof(MEMORYENTRY, groups) == 140);
static_assert(offsetof(MEMORYENTRY, flags) == 168);
static_assert(offsetof(MEMORYENTRY, callsign) == 172);
static_assert(offsetof(MEMORYENTRY, comments) == 204);

} // namespace lxq
