#pragma once
// The capability block of the open receiver: a 400-byte header followed by its range and mode
// tables, in one contiguous block that the host hands to every plug-in. It crosses library
// boundaries, so its layout is fixed to the byte. The thirteen slots that designate sub-blocks hold
// the offset of the sub-block from the start of the block (0 = none) rather than an address, so a
// copy stays valid wherever it lies and the 32-bit slots keep their width.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lxq {

static_assert(std::endian::native == std::endian::little, "records are little-endian on the wire");

#pragma pack(push, 1)
struct RADIODEVCAPS_RANGE {
    std::uint32_t lowKHz;
    std::uint32_t highKHz;
    std::uint32_t one; // always 1
};

struct RADIODEVCAPS_MODE {
    std::int32_t mode; // mode id
    std::int32_t v100;
    std::int32_t v0;
    std::int32_t v11025;
    std::int32_t v1;
    std::int32_t reserved[2];
};

struct RADIODEVCAPS {
    std::uint32_t totalSize; // header + tables
    std::uint32_t headerSize; // 400
    std::uint32_t rangeEntrySize; // 12
    char manufacturer[32];
    char product[32];
    char serial[16];
    char name[64];
    std::uint32_t programVersion; // major << 8 | minor << 4 | release, four bits each
    std::uint32_t receiverHandle;
    std::uint32_t v164; // 1
    std::uint32_t reserved168;
    std::uint32_t sub172;
    std::uint32_t v176;
    std::uint32_t v180;
    std::uint32_t sub184;
    std::uint32_t sub188;
    std::uint32_t capabilityBits; // bit 18: AFC available
    std::uint32_t sub196;
    std::uint32_t squelchTypes; // squelch-type bits supported
    std::uint32_t reserved204;
    std::uint32_t ifGainMax;
    std::int32_t squelchMin;
    std::int32_t squelchMax;
    std::uint32_t rangeCount;
    std::uint32_t rangeTable; // offset of the RADIODEVCAPS_RANGE entries
    std::uint32_t modeCount;
    std::uint32_t modeEntrySize; // 28
    std::uint32_t modeTable; // offset of the RADIODEVCAPS_MODE entries
    std::uint32_t v240;
    std::uint32_t v244;
    std::uint32_t v248;
    std::uint32_t v252;
    std::uint32_t v256;
    std::uint32_t v260;
    std::uint32_t sub264;
    std::uint32_t v268;
    std::uint32_t v272;
    std::uint32_t volumeMax;
    std::uint32_t v280;
    std::uint8_t reserved284[8];
    std::uint32_t v292;
    std::uint8_t reserved296[12];
    std::uint32_t sub308;
    std::uint32_t reserved312;
    std::uint32_t sub316;
    std::uint32_t count320;
    std::uint32_t table324;
    std::uint32_t count328;
    std::uint32_t reserved332;
    std::uint32_t table336;
    std::uint8_t reserved340[20];
    std::uint32_t sub360;
    std::uint8_t reserved364[20];
    std::uint32_t sub384;
    std::uint32_t v388;
    std::uint8_t reserved392[8];
};
#pragma pack(pop)

static_assert(sizeof(RADIODEVCAPS_RANGE) == 12);
static_assert(offsetof(RADIODEVCAPS_RANGE, lowKHz) == 0);
static_assert(offsetof(RADIODEVCAPS_RANGE, highKHz) == 4);
static_assert(offsetof(RADIODEVCAPS_RANGE, one) == 8);
static_assert(sizeof(RADIODEVCAPS_MODE) == 28);
static_assert(offsetof(RADIODEVCAPS_MODE, mode) == 0);
static_assert(offsetof(RADIODEVCAPS_MODE, v100) == 4);
static_assert(offsetof(RADIODEVCAPS_MODE, v0) == 8);
static_assert(offsetof(RADIODEVCAPS_MODE, v11025) == 12);
static_assert(offsetof(RADIODEVCAPS_MODE, v1) == 16);
static_assert(offsetof(RADIODEVCAPS_MODE, reserved) == 20);

static_assert(sizeof(RADIODEVCAPS) == 400);
static_assert(offsetof(RADIODEVCAPS, totalSize) == 0);
static_assert(offsetof(RADIODEVCAPS, headerSize) == 4);
static_assert(offsetof(RADIODEVCAPS, rangeEntrySize) == 8);
static_assert(offsetof(RADIODEVCAPS, manufacturer) == 12);
static_assert(offsetof(RADIODEVCAPS, product) == 44);
static_assert(offsetof(RADIODEVCAPS, serial) == 76);
static_assert(offsetof(RADIODEVCAPS, name) == 92);
static_assert(offsetof(RADIODEVCAPS, programVersion) == 156);
static_assert(offsetof(RADIODEVCAPS, receiverHandle) == 160);
static_assert(offsetof(RADIODEVCAPS, v164) == 164);
static_assert(offsetof(RADIODEVCAPS, reserved168) == 168);
static_assert(offsetof(RADIODEVCAPS, sub172) == 172);
static_assert(offsetof(RADIODEVCAPS, v176) == 176);
static_assert(offsetof(RADIODEVCAPS, v180) == 180);
static_assert(offsetof(RADIODEVCAPS, sub184) == 184);
static_assert(offsetof(RADIODEVCAPS, sub188) == 188);
static_assert(offsetof(RADIODEVCAPS, capabilityBits) == 192);
static_assert(offsetof(RADIODEVCAPS, sub196) == 196);
static_assert(offsetof(RADIODEVCAPS, squelchTypes) == 200);
static_assert(offsetof(RADIODEVCAPS, reserved204) == 204);
static_assert(offsetof(RADIODEVCAPS, ifGainMax) == 208);
static_assert(offsetof(RADIODEVCAPS, squelchMin) == 212);
static_assert(offsetof(RADIODEVCAPS, squelchMax) == 216);
static_assert(offsetof(RADIODEVCAPS, rangeCount) == 220);
static_assert(offsetof(RADIODEVCAPS, rangeTable) == 224);
static_assert(offsetof(RADIODEVCAPS, modeCount) == 228);
static_assert(offsetof(RADIODEVCAPS, modeEntrySize) == 232);
static_assert(offsetof(RADIODEVCAPS, modeTable) == 236);
static_assert(offsetof(RADIODEVCAPS, v240) == 240);
static_assert(offsetof(RADIODEVCAPS, v244) == 244);
static_assert(offsetof(RADIODEVCAPS, v248) == 248);
static_assert(offsetof(RADIODEVCAPS, v252) == 252);
static_assert(offsetof(RADIODEVCAPS, v256) == 256);
static_assert(offsetof(RADIODEVCAPS, v260) == 260);
static_assert(offsetof(RADIODEVCAPS, sub264) == 264);
static_assert(offsetof(RADIODEVCAPS, v268) == 268);
static_assert(offsetof(RADIODEVCAPS, v272) == 272);
static_assert(offsetof(RADIODEVCAPS, volumeMax) == 276);
static_assert(offsetof(RADIODEVCAPS, v280) == 280);
static_assert(offsetof(RADIODEVCAPS, reserved284) == 284);
static_assert(offsetof(RADIODEVCAPS, v292) == 292);
static_assert(offsetof(RADIODEVCAPS, reserved296) == 296);
static_assert(offsetof(RADIODEVCAPS, sub308) == 308);
static_assert(offsetof(RADIODEVCAPS, reserved312) == 312);
static_assert(offsetof(RADIODEVCAPS, sub316) == 316);
static_assert(offsetof(RADIODEVCAPS, count320) == 320);
static_assert(offsetof(RADIODEVCAPS, table324) == 324);
static_assert(offsetof(RADIODEVCAPS, count328) == 328);
static_assert(offsetof(RADIODEVCAPS, reserved332) == 332);
static_assert(offsetof(RADIODEVCAPS, table336) == 336);
static_assert(offsetof(RADIODEVCAPS, reserved340) == 340);
static_assert(offsetof(RADIODEVCAPS, sub360) == 360);
static_assert(offsetof(RADIODEVCAPS, reserved364) == 364);
static_assert(offsetof(RADIODEVCAPS, sub384) == 384);
static_assert(offsetof(RADIODEVCAPS, v388) == 388);
static_assert(offsetof(RADIODEVCAPS, reserved392) == 392);

inline constexpr std::uint32_t kRadioDevCapsHeaderSize = sizeof(RADIODEVCAPS);
inline constexpr std::uint32_t kCapsAfcAvailable = 0x40000;

// A receiver's own copy of a capability block.
class RadioDevCapsBlock {
public:
    RadioDevCapsBlock() = default;
    // A zeroed block of the given size (at least a header).
    explicit RadioDevCapsBlock(std::uint32_t totalSize);

    // Whether `available` bytes at `source` hold a sound block: at least a header, a size from its
    // first field that is no more than what is there, and range and mode tables inside it.
    static bool Sound(const void* source, std::uint32_t available);
    // A copy of the block at `source`, taking its size from the block's first field; Empty when it
    // is not Sound. `available` 0 is for a block of this process whose header alone tells its
    // size; what a plug-in hands over always comes with its byte count.
    static RadioDevCapsBlock CopyOf(const void* source, std::uint32_t available = 0);

    bool Empty() const { return bytes_.empty(); }
    std::uint32_t Size() const { return static_cast<std::uint32_t>(bytes_.size()); }
    RADIODEVCAPS* Header() { return Empty() ? nullptr : reinterpret_cast<RADIODEVCAPS*>(bytes_.data()); }
    const RADIODEVCAPS* Header() const {
        return Empty() ? nullptr : reinterpret_cast<const RADIODEVCAPS*>(bytes_.data());
    }
    // Entries of the tables (null when none), with their counts from the header.
    RADIODEVCAPS_RANGE* Ranges();
    const RADIODEVCAPS_RANGE* Ranges() const;
    std::uint32_t RangeCount() const { return Empty() ? 0 : Header()->rangeCount; }
    const RADIODEVCAPS_MODE* Modes() const;
    std::uint32_t ModeCount() const { return Empty() ? 0 : Header()->modeCount; }

    // True when the frequency (Hz) lies within one range, both ends included.
    bool InRanges(std::int64_t hz) const;

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace lxq
