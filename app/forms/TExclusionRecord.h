#pragma once
// A frequency range the scanner leaves out: the 20-byte record of exclusions.45e.

#include <cstddef>
#include <cstdint>

namespace lxq {

#pragma pack(push, 4)
struct TExclusionRecord {
    std::uint64_t from;     // lower edge, Hz
    std::uint64_t to;       // upper edge, Hz
    std::uint32_t checksum; // ExclusionChecksum
};
#pragma pack(pop)

static_assert(sizeof(TExclusionRecord) == 20);
static_assert(offsetof(TExclusionRecord, from) == 0);
static_assert(offsetof(TExclusionRecord, to) == 8);
static_assert(offsetof(TExclusionRecord, checksum) == 16);

// The 32-bit wrapping sum of the four words before the checksum.
std::uint32_t ExclusionChecksum(const TExclusionRecord& r);

inline std::uint32_t StoredChecksum(const TExclusionRecord& r) { return ExclusionChecksum(r); }

} // namespace lxq
