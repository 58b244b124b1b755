#include "app/receiver/RADIODEVCAPS.h"

#include <cstring>

namespace lxq {
namespace {

// A table of `count` entries of `entrySize` bytes at `offset` must end inside the block.
bool TableFits(std::uint32_t offset, std::uint32_t count, std::uint32_t entrySize,
               std::uint32_t total) {
    if (count == 0) return true;
    if (offset < kRadioDevCapsHeaderSize) return false;
    const std::uint64_t end = std::uint64_t{offset} + std::uint64_t{count} * entrySize;
    return end <= total;
}

} // namespace

RadioDevCapsBlock::RadioDevCapsBlock(std::uint32_t totalSize)
    : bytes_(totalSize < kRadioDevCapsHeaderSize ? kRadioDevCapsHeaderSize : totalSize, 0) {}

bool RadioDevCapsBlock::Sound(const void* source, std::uint32_t available) {
    // Nothing is read before the bytes are known to be there.
    if (!source || available < kRadioDevCapsHeaderSize) return false;
    RADIODEVCAPS header;
    std::memcpy(&header, source, sizeof header);
    const std::uint32_t total = header.totalSize;
    return total >= kRadioDevCapsHeaderSize && total <= available &&
           TableFits(header.rangeTable, header.rangeCount, sizeof(RADIODEVCAPS_RANGE), total) &&
           TableFits(header.modeTable, header.modeCount, sizeof(RADIODEVCAPS_MODE), total);
}

RadioDevCapsBlock RadioDevCapsBlock::CopyOf(const void* source, std::uint32_t available) {
    RadioDevCapsBlock copy;
    if (!source) return copy;
    if (available == 0) {
        // An in-process block whose size only its header tells.
        RADIODEVCAPS header;
        std::memcpy(&header, source, sizeof header);
        available = header.totalSize;
    }
    if (!Sound(source, available)) return copy;
    const std::uint32_t total = static_cast<const RADIODEVCAPS*>(source)->totalSize;
    // The sub-block slots hold offsets from the block's start, so a byte copy is already relocated.
    copy.bytes_.resize(total);
    std::memcpy(copy.bytes_.data(), source, total);
    return copy;
}

RADIODEVCAPS_RANGE* RadioDevCapsBlock::Ranges() {
    if (Empty() || Header()->rangeCount == 0) return nullptr;
    return reinterpret_cast<RADIODEVCAPS_RANGE*>(bytes_.data() + Header()->rangeTable);
}

const RADIODEVCAPS_RANGE* RadioDevCapsBlock::Ranges() const {
    return const_cast<RadioDevCapsBlock*>(this)->Ranges();
}

const RADIODEVCAPS_MODE* RadioDevCapsBlock::Modes() const {
    if (Empty() || Header()->modeCount == 0) return nullptr;
    return reinterpret_cast<const RADIODEVCAPS_MODE*>(bytes_.data() + Header()->modeTable);
}

bool RadioDevCapsBlock::InRanges(std::int64_t hz) const {
    const RADIODEVCAPS_RANGE* r = Ranges();
    for (std::uint32_t i = 0; i < RangeCount(); ++i) {
        if (std::int64_t{r[i].lowKHz} * 1000 <= hz && hz <= std::int64_t{r[i].highKHz} * 1000)
            return true;
    }
    return false;
}

} // namespace lxq
