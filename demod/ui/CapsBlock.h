#pragma once
// The two capability blocks an instance hands the host: its own, with this plug-in's eleven modes
// in place of the receiver's, and the host's given back when the instance stops. Both are built
// from the kept copy as one contiguous block: the 400-byte header, the kept sub-blocks in their
// order without the kept mode table, and a mode table at the end. Sub-blocks are designated by
// offsets from the block's start (0 = none).
//
// The kept copy follows the host's broadcasts, so once the instance's own block has gone round it
// holds this plug-in's modes, not the receiver's. The host's block given back at the stop carries
// the mode table the host handed over at the start instead: a block without modes would leave the
// receiver with none (no modes to store with a memory, to scan a range in or to offer the next
// plug-in) after the demodulator stops.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace caps {

inline constexpr std::uint32_t kHeaderSize = 400;
inline constexpr std::uint32_t kModeEntrySize = 28;
inline constexpr std::size_t kTotalSize = 0, kHeaderSizeAt = 4, kModeCountAt = 228, kModeEntrySizeAt = 232,
                             kModeTableAt = 236;
// The slots that designate sub-blocks inside the block.
inline constexpr std::size_t kSlots[] = {172, 184, 188, 196, 224, 236, 264, 308, 316, 324, 336, 360, 384};

// Bytes of a block as its first word gives them, never less than the header.
std::size_t SizeOf(const void* block);

// A block's mode table as bytes, with the size of one entry (nothing when the table does not lie
// inside the block).
struct ModeTableBytes {
    std::uint32_t count = 0;
    std::uint32_t entrySize = kModeEntrySize;
    std::vector<unsigned char> bytes;
};
ModeTableBytes ModesOf(const unsigned char* block);

std::vector<unsigned char> BuildOwn(const unsigned char* kept);
std::vector<unsigned char> BuildHost(const unsigned char* kept, const ModeTableBytes& hostModes);

} // namespace caps
