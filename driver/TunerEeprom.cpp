// The Tuner's EEPROM side: reading, repairing and rewriting the image, the tables built from it,
// and adopting the hardware's state at open.

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "driver/EepromRepair.h"
#include "driver/Tuner.h"

namespace lxq::driver {
namespace {

constexpr std::uint32_t kOldBandEdge = 260'000'000;
constexpr std::uint32_t kExtendedBandEdge = 400'000'000;
// Band 5's preselector when its upper edge is moved from 260 MHz to 400 MHz.
constexpr FILTER_NODE kExtendedBand5Nodes[kFilterNodesPerBand] = {
    {150'000'000, 0x3F}, {240'000'000, 0x70}, {260'000'000, 0x78}, {300'000'000, 0x88},
    {325'000'000, 0x95}, {350'000'000, 0xA5}, {375'000'000, 0xD0}, {400'000'000, 0xFF},
};

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint32_t GainWord(const TunerState& s, std::size_t first) { return Le32(s.gain + first); }

void SetGainWord(TunerState& s, std::size_t first, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) s.gain[first + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

NtStatus Tuner::LoadEeprom() {
    LX_Q7_EEPROM image{};
    const NtStatus status = hardware_.ReadEeprom(image);
    if (status != kStatusSuccess) return status;
    AdoptImage(image);
    return kStatusSuccess;
}

void Tuner::AdoptImage(const LX_Q7_EEPROM& image) {
    state_.image = image;
    RepairCalibrationWords(state_.image);
    RebuildTables();
}

void Tuner::RebuildTables() {
    LX_Q7_EEPROM& e = state_.image;
    // Nodes come from the edges as read, before the counts are trimmed or the band extended.
    for (std::size_t b = 4; b <= 7; ++b) {
        const std::uint32_t lower = e.bandEdges[b - 1];
        const auto width = static_cast<std::int32_t>(e.bandEdges[b] - lower);
        const auto unit = static_cast<std::uint32_t>((width / 256'000'000 + 1) * 1'000'000);
        const std::uint8_t* bytes = e.filterBytes + kEepromFilterBytesPerBand * (b - 4);
        FILTER_NODE* node = state_.filterNodes + kFilterNodesPerBand * (b - 4);
        for (std::size_t k = 0; k < kFilterNodesPerBand; ++k) {
            node[k].hz = bytes[2 * k] * unit + lower; // wraps in 32 bits like the receiver's own
            node[k].value = bytes[2 * k + 1];
        }
    }
    RepairCounts(e);
    state_.extendedBand = false;
    if (e.bandEdges[5] == kOldBandEdge) {
        state_.extendedBand = true;
        e.bandEdges[5] = kExtendedBandEdge;
        std::memcpy(state_.filterNodes + kFilterNodesPerBand, kExtendedBand5Nodes,
                    sizeof kExtendedBand5Nodes);
        e.synthEdges[3] = 315'000'000;
        e.synthEdges[4] = kExtendedBandEdge;
        e.synthEdges[5] = kExtendedBandEdge;
    }
    state_.referenceHz = state_.current.referenceSelect == kReferenceInternal
                             ? e.refClockInternalHz
                             : e.refClockExternalHz;
}

bool Tuner::WriteEepromBytes(const std::uint8_t* bytes, std::size_t offset, std::size_t count) {
    // Addresses are one byte wide: a range running past the end would wrap onto the filter
    // bytes at the start of the EEPROM.
    if (offset > kEepromSize || count > kEepromSize - offset) return false;
    bool written = true;
    for (std::size_t i = 0; i < count && written; ++i) {
        written = hardware_.WriteEepromByte(static_cast<std::uint8_t>(offset + i), bytes[i]);
    }
    // Even a partial write may have changed the EEPROM: the copy follows what it now holds.
    if (count != 0) LoadEeprom();
    return written;
}

void Tuner::AdoptHardwareState() {
    TunerState& ts = state_.current;
    const LX_Q7_EEPROM& e = state_.image;
    if (GainWord(ts, 0) == 0 && GainWord(ts, 4) == 0) {
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&e);
        SetGainWord(ts, 0, Le32(raw + offsetof(LX_Q7_EEPROM, defaultGain16)));
        SetGainWord(ts, 4, e.defaultGain20);
    }
    switch (ts.referenceSelect) {
    case kReferenceInternal: state_.referenceHz = e.refClockInternalHz; break;
    case kReferenceExternal: state_.referenceHz = e.refClockExternalHz; break;
    default: state_.referenceHz = 0.0; break;
    }
    if (ts.mainControl == 0 || state_.referenceHz == 0.0) state_.frequency = kDefaultFrequency;
    if (state_.frequency < e.lowestHz) state_.frequency = e.lowestHz;
    if (state_.frequency > e.highestHz) state_.frequency = e.highestHz;
    state_.hwInfo.preselector = ts.preselector;

    const std::uint8_t* g = ts.gain; // g[n] is tuner-state byte 16 + n
    // A byte 17 above 47 (possible with the gain option, whose scale runs to 63) would give a
    // negative gain: it saturates at 0 like every other IF gain outside 0..100.
    auto ifGainFromByte17 = [&] {
        const int gain = (47 - static_cast<int>(g[1])) * 100 / 47;
        return static_cast<std::uint8_t>(std::clamp(gain, 0, 100));
    };
    if ((e.options & kOptGain) == 0) {
        if (g[2] == 0 && g[3] == 0) {
            state_.agcMode = 0;
            state_.ifGain = ifGainFromByte17();
        } else if (g[3] == 0) {
            state_.agcMode = 3;
        } else {
            state_.agcMode = g[2] == 0 ? 2 : 1;
        }
        return;
    }
    if (g[5] == 0) {
        state_.agcMode = 6;
    } else if (g[7] == 63) {
        state_.agcMode = 5;
    } else if (g[0] == 63) {
        state_.agcMode = 0;
        state_.ifGain = ifGainFromByte17();
    } else if (g[4] == 63) {
        state_.agcMode = 3;
    } else if (g[3] == 63) {
        state_.agcMode = 1;
    } else if (g[2] == 63) {
        state_.agcMode = 2;
    } else {
        state_.agcMode = 4;
    }
}

HardwareStateRecord Tuner::BuildHardwareStateRecord() const {
    const TunerState& ts = state_.current;
    HardwareStateRecord r{};
    r.powered = state_.powered ? 1 : 0;
    r.status = state_.status;
    r.detectorPair = state_.detectorPair;
    r.bandWord = ts.bandWord;
    r.bandWordLow = static_cast<std::uint8_t>(ts.bandWord & 0xFFu);
    r.preselector = ts.preselector;
    r.rangeControl = ts.rangeControl;
    r.referenceSelect = ts.referenceSelect;
    r.dwell = ts.dwell;
    r.gainWord16 = GainWord(ts, 0);
    r.gainWord20 = GainWord(ts, 4);
    r.mainControl = ts.mainControl;
    r.mainFraction = ts.mainFraction;
    r.secondControl = ts.secondControl;
    r.secondFraction = ts.secondFraction;
    return r;
}

} // namespace lxq::driver
