#pragma once
// The two capability blocks an instance hands the host: its own, with this plug-in's eleven modes
// in place of the receiver's, and the host's given back without modes when the instance stops.
// Both are built from the kept copy as one contiguous block: the 400-byte header, the kept
// sub-blocks in their order without the kept mode table, and (own block only) the new mode table
// at the end. Sub-blocks are designated by offsets from the block's start (0 = none).

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
std::vector<unsigned char> BuildOwn(const unsigned char* kept);
std::vector<unsigned char> BuildHost(const unsigned char* kept);

} // namespace caps
