#pragma once
// A frequency range with its step, mode, squelch and description: the 100-byte record of the
// auto-stepping file (autostep.45s) and of the scan ranges. A new record is all zero.

#include <cstddef>
#include <cstdint>

namespace lxq {

#pragma pack(push, 4)
struct TRangeRecord {
    std::int64_t lower; // Hz
    std::int64_t upper; // Hz
    std::int64_t step;  // Hz
    std::int32_t mode;
    // In the order of the receiver's squelch record.
    std::int32_t levelSquelch; // dBm
    std::int32_t noiseSquelch; // %
    std::int32_t ctcss;        // thousandths of Hz
    std::int32_t reserved40;
    std::int32_t reserved44;
    std::int32_t voiceSquelch; // %
    std::int32_t dcs;          // code, negative when inverted
    std::int32_t activeSquelch;
    std::int32_t skip;        // bit 0: the scanner skips the range; 0 in auto-step entries
    char description[32];     // zero-terminated
    std::uint32_t checksum;   // RangeChecksum
};
#pragma pack(pop)

static_assert(sizeof(TRangeRecord) == 100);
static_assert(offsetof(TRangeRecord, lower) == 0);
static_assert(offsetof(TRangeRecord, upper) == 8);
static_assert(offsetof(TRangeRecord, step) == 16);
static_assert(offsetof(TRangeRecord, mode) == 24);
static_assert(offsetof(TRangeRecord, levelSquelch) == 28);
static_assert(offsetof(TRangeRecord, dcs) == 52);
static_assert(offsetof(TRangeRecord, activeSquelch) == 56);
static_assert(offsetof(TRangeRecord, skip) == 60);
static_assert(offsetof(TRangeRecord, description) == 64);
static_assert(offsetof(TRangeRecord, checksum) == 96);

// The 32-bit wrapping sum of the 24 words before the checksum.
std::uint32_t RangeChecksum(const TRangeRecord& r);

inline std::uint32_t StoredChecksum(const TRangeRecord& r) { return RangeChecksum(r); }

} // namespace lxq
