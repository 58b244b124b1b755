#include "demod/ui/CapsBlock.h"

#include "demod/ui/ModeTable.h"

#include <algorithm>
#include <cstring>

namespace caps {
namespace {

std::uint32_t Read32(const unsigned char* p, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, p + at, 4);
    return v;
}
void Write32(unsigned char* p, std::size_t at, std::uint32_t v) { std::memcpy(p + at, &v, 4); }

struct TableSpan {
    std::uint64_t at = 0;
    std::uint64_t length = 0; // 0 when the table does not lie inside the block's body
    std::uint64_t entry = kModeEntrySize;
};

TableSpan ModeTableOf(const unsigned char* block) {
    TableSpan t;
    t.at = Read32(block, kModeTableAt);
    t.entry = std::max<std::uint32_t>(Read32(block, kModeEntrySizeAt), kModeEntrySize);
    t.length = std::uint64_t{Read32(block, kModeCountAt)} * t.entry;
    if (t.at < kHeaderSize || t.at + t.length > SizeOf(block)) t.length = 0;
    return t;
}

// Header and sub-blocks of the kept block without its mode table; the slots behind the table move
// up with the bytes they designate.
std::vector<unsigned char> WithoutModes(const unsigned char* kept) {
    const std::size_t size = SizeOf(kept);
    const TableSpan table = ModeTableOf(kept);
    const std::uint64_t at = table.at, length = table.length;
    std::vector<unsigned char> block(kept, kept + size);
    if (length != 0) {
        block.erase(block.begin() + static_cast<std::ptrdiff_t>(at), block.begin() + static_cast<std::ptrdiff_t>(at + length));
        for (std::size_t slot : kSlots) {
            const std::uint32_t offset = Read32(block.data(), slot);
            if (offset >= at + length) Write32(block.data(), slot, static_cast<std::uint32_t>(offset - length));
        }
    }
    Write32(block.data(), kModeCountAt, 0);
    Write32(block.data(), kModeTableAt, 0);
    Write32(block.data(), kTotalSize, static_cast<std::uint32_t>(block.size()));
    Write32(block.data(), kHeaderSizeAt, kHeaderSize);
    return block;
}

} // namespace

std::size_t SizeOf(const void* block) {
    return std::max<std::size_t>(Read32(static_cast<const unsigned char*>(block), kTotalSize), kHeaderSize);
}

ModeTableBytes ModesOf(const unsigned char* block) {
    ModeTableBytes modes;
    const TableSpan table = ModeTableOf(block);
    if (table.length == 0) return modes;
    modes.count = Read32(block, kModeCountAt);
    modes.entrySize = static_cast<std::uint32_t>(table.entry);
    modes.bytes.assign(block + table.at, block + table.at + table.length);
    return modes;
}

std::vector<unsigned char> BuildOwn(const unsigned char* kept) {
    std::vector<unsigned char> own = WithoutModes(kept);
    const auto table = static_cast<std::uint32_t>(own.size());
    own.resize(own.size() + kModeCount * kModeEntrySize, 0);
    unsigned char* p = own.data();
    Write32(p, kTotalSize, static_cast<std::uint32_t>(own.size()));
    Write32(p, 176, 0);
    Write32(p, 180, 15000);
    Write32(p, 192, Read32(p, 192) | 0x40040);
    Write32(p, 200, Read32(p, 200) | 0x306);
    Write32(p, 212, 0);
    Write32(p, 216, 99);
    Write32(p, kModeCountAt, kModeCount);
    Write32(p, kModeEntrySizeAt, kModeEntrySize);
    Write32(p, kModeTableAt, table);
    Write32(p, 276, 31);
    Write32(p, 280, 1);
    for (int i = 0; i < kModeCount; ++i) {
        // {host mode code, 100, 1, 20000, 1, 0.0, 0.0}: the two floats are zero bytes.
        const std::uint32_t entry[5] = {ModeTable[i].hostCode, 100, 1, 20000, 1};
        std::memcpy(p + table + static_cast<std::size_t>(i) * kModeEntrySize, entry, sizeof entry);
    }
    return own;
}

std::vector<unsigned char> BuildHost(const unsigned char* kept, const ModeTableBytes& hostModes) {
    std::vector<unsigned char> host = WithoutModes(kept);
    if (hostModes.count != 0 && !hostModes.bytes.empty()) {
        const auto table = static_cast<std::uint32_t>(host.size());
        host.insert(host.end(), hostModes.bytes.begin(), hostModes.bytes.end());
        Write32(host.data(), kTotalSize, static_cast<std::uint32_t>(host.size()));
        Write32(host.data(), kModeCountAt, hostModes.count);
        Write32(host.data(), kModeEntrySizeAt, hostModes.entrySize);
        Write32(host.data(), kModeTableAt, table);
    }
    unsigned char* p = host.data();
    Write32(p, 192, Read32(p, 192) & ~0x40040u);
    Write32(p, 200, Read32(p, 200) & ~0x306u);
    return host;
}

} // namespace caps
