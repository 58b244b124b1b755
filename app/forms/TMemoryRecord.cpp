#include "app/forms/TMemoryRecord.h"

#include <cstring>

#include "app/forms/WordSum.h"

namespace lxq {
namespace {

std::uint32_t U32(std::int32_t v) { return static_cast<std::uint32_t>(v); }

} // namespace

void InitMemoryRecordBase(TMemoryRecord& r) {
    std::memset(r.callsign, 0, sizeof r.callsign);
    std::memset(r.comments, 0, sizeof r.comments);
    r.groups = 0;
    r.reserved = 0;
    r.hotkey = 0;
    r.flags = 0;
    r.levelSquelch = 0;
    r.number = 0;
    r.frequency = 0;
    r.mode = 0;
}

void InitMemoryRecordTuning(TMemoryRecord& r) {
    InitMemoryRecordBase(r);
    r.ifShift = 0;
    r.bandwidth = kNewRecordBandwidth;
}

void InitMemoryRecord(TMemoryRecord& r) {
    InitMemoryRecordTuning(r);
    r.squelchType = 0;
    r.squelchValue = 0;
}

TMemoryRecord NewMemoryRecord() {
    TMemoryRecord r{};
    InitMemoryRecord(r);
    return r;
}

std::uint32_t MemoryChecksumBase(const TMemoryRecord& r) {
    return WordSum(&r, offsetof(TMemoryRecord, checksum));
}

std::uint32_t MemoryChecksumTuning(const TMemoryRecord& r) {
    return MemoryChecksumBase(r) + r.bandwidth + U32(r.ifShift);
}

std::uint32_t MemoryChecksum(const TMemoryRecord& r) {
    return MemoryChecksumTuning(r) + U32(r.squelchType) + U32(r.squelchValue);
}

bool RecordIsSound(const TMemoryRecord& r) {
    static constexpr TMemoryRecord kZeros{};
    return r.checksum == MemoryChecksum(r) && std::memcmp(&r, &kZeros, sizeof r) != 0;
}

} // namespace lxq
