#pragma once
// One memory channel: the 100-byte record that memory files (*.45m) hold one after another, and
// that the memory list holds one of per channel, exactly as in the file.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lxq {

static_assert(std::endian::native == std::endian::little, "memory files are little-endian");

// Flag bits of a channel.
inline constexpr std::uint32_t kMemLockout = 0x1;     // the scanner skips the channel
inline constexpr std::uint32_t kMemKeepMode = 0x2;    // recall leaves the mode as it is
inline constexpr std::uint32_t kMemKeepSquelch = 0x4; // recall leaves the level squelch alone
inline constexpr int kMemPriorityShift = 29;          // bits 29-31: priority, 0 none

// Hotkeys 2..12 stand for F2..F12; anything else means none.
inline constexpr std::int32_t kFirstHotkey = 2;
inline constexpr std::int32_t kLastHotkey = 12;
inline constexpr std::int32_t kNewRecordBandwidth = 10000;

// Channel numbers the lists rely on.
inline constexpr std::int32_t kFirstChannel = 1;
inline constexpr std::int32_t kLastChannel = 9999;

#pragma pack(push, 4)
struct TMemoryRecord {
    std::int32_t number;
    std::int64_t frequency;     // Hz
    std::uint32_t groups;       // group n (1..16) is bit 16 - n
    std::int32_t reserved;      // 0; part of the checksum
    std::int32_t hotkey;
    std::uint32_t flags;        // kMem* bits and the priority
    std::int32_t levelSquelch;  // dBm; 0 = level squelch off
    std::int32_t mode;          // index into the mode-name table
    char callsign[12];          // zero-terminated
    char comments[32];          // zero-terminated
    std::uint32_t checksum;     // MemoryChecksum
    std::int32_t ifShift;
    std::uint32_t bandwidth;    // Hz
    std::int32_t squelchType;   // second squelch type: 0, or one kSquelch* bit other than level
    std::int32_t squelchValue;  // as the receiver's squelch record holds it
};
#pragma pack(pop)

static_assert(sizeof(TMemoryRecord) == 100);
static_assert(offsetof(TMemoryRecord, number) == 0);
static_assert(offsetof(TMemoryRecord, frequency) == 4);
static_assert(offsetof(TMemoryRecord, groups) == 12);
static_assert(offsetof(TMemoryRecord, reserved) == 16);
static_assert(offsetof(TMemoryRecord, hotkey) == 20);
static_assert(offsetof(TMemoryRecord, flags) == 24);
static_assert(offsetof(TMemoryRecord, levelSquelch) == 28);
static_assert(offsetof(TMemoryRecord, mode) == 32);
static_assert(offsetof(TMemoryRecord, callsign) == 36);
static_assert(offsetof(TMemoryRecord, comments) == 48);
static_assert(offsetof(TMemoryRecord, checksum) == 80);
static_assert(offsetof(TMemoryRecord, ifShift) == 84);
static_assert(offsetof(TMemoryRecord, bandwidth) == 88);
static_assert(offsetof(TMemoryRecord, squelchType) == 92);
static_assert(offsetof(TMemoryRecord, squelchValue) == 96);

// The initial state is built in layers, each adding the fields of one part of the record.
void InitMemoryRecordBase(TMemoryRecord& r);   // everything before the checksum
void InitMemoryRecordTuning(TMemoryRecord& r); // + IF shift 0, bandwidth 10000 Hz
void InitMemoryRecord(TMemoryRecord& r);       // + no second squelch: a new record

// A fresh record in its initial state (the checksum field 0).
TMemoryRecord NewMemoryRecord();

// Checksums, 32-bit wrapping sums of the record's words, in the same layers.
std::uint32_t MemoryChecksumBase(const TMemoryRecord& r);
std::uint32_t MemoryChecksumTuning(const TMemoryRecord& r);
std::uint32_t MemoryChecksum(const TMemoryRecord& r);

// The checksum a record file stores (RecordFile.h).
inline std::uint32_t StoredChecksum(const TMemoryRecord& r) { return MemoryChecksum(r); }

// A record of a memory file: its checksum matches, and it is not all zeros. Zeros sum to a
// matching checksum, yet no channel is all zeros (numbers start at 1): zeros where records
// should be (a file extended by a crash, a block of a damaged disk) are damage, not channels.
bool RecordIsSound(const TMemoryRecord& r);

// Priority 0..7 of the flags.
inline std::uint32_t MemoryPriority(const TMemoryRecord& r) { return r.flags >> kMemPriorityShift; }

} // namespace lxq
