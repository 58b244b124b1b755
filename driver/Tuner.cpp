#include "driver/Tuner.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "driver/SpurTable.h"
#include "driver/TuningTables.h"
#include "driver/WrapArithmetic.h"
#include "platform/sys/Clock.h"

namespace lxq::driver {
namespace {

constexpr std::uint32_t kLockoutLow1 = 824'000'000, kLockoutHigh1 = 849'000'000;
constexpr std::uint32_t kLockoutLow2 = 869'000'000, kLockoutHigh2 = 894'000'000;
constexpr std::uint32_t kFmWideFirstIf = 110'700'000;
constexpr std::uint32_t kFmWideSecondIf = 10'700'000;
constexpr std::uint32_t kJumpHz = 1'000'000;
constexpr std::uint32_t kSecondControlWord = 12'812'549; // 0x00C38105
constexpr std::uint8_t kDefaultDwell = 20;
constexpr std::uint8_t kLongDwell = 80;
constexpr double kTwoPow32 = 4294967296.0;
constexpr plat::sys::Nanoseconds kLockTimeout = plat::sys::kNsPerSecond;
constexpr plat::sys::Nanoseconds kLockPollInterval = plat::sys::kNsPerMs;

bool LockedOut(std::uint32_t f) {
    return (f >= kLockoutLow1 && f <= kLockoutHigh1) || (f >= kLockoutLow2 && f <= kLockoutHigh2);
}

std::uint16_t SynthStep(const TuningState& s, std::size_t j, const SynthRange& row,
                        std::uint32_t vco) {
    const bool fine = (s.image.capabilities & kCapFineSteps) != 0 &&
                      s.current.referenceSelect == kReferenceInternal;
    if (fine) {
        if (row.rangeSelect == 1) return vco <= 1'050'000'000u ? 500 : 600;
        return vco <= 1'450'000'000u ? 600 : 800;
    }
    return j == 0 ? 1200 : 1500;
}

} // namespace

NtStatus Tuner::SetTunerFrequency(std::uint32_t freq, bool tune, bool waitPush, bool waitLock,
                                  bool forceAll, std::uint32_t dwell) {
    NtStatus status = kStatusSuccess;
    if (tune) {
        status = ComputeAndPush(freq, waitPush, forceAll, dwell);
    }
    if (waitLock && state_.powered && status == kStatusSuccess) {
        status = WaitForLock();
    }
    return status;
}

NtStatus Tuner::ComputeAndPush(std::uint32_t freq, bool waitPush, bool forceAll,
                               std::uint32_t dwell) {
    const LX_Q7_EEPROM& e = state_.image;
    // Counts are kept within the tables when the image is adopted; the clamps here keep a state
    // that was edited directly from reading past them too.
    const std::size_t nb = std::min<std::size_t>(e.bandCount, kMaxBands);
    const std::size_t ns = std::min<std::size_t>(e.synthRangeCount, kSynthRangeRows);

    if (state_.referenceHz == 0.0) return kStatusInvalidParameter;
    if (freq < e.bandEdges[0] || freq > e.bandEdges[nb]) return kStatusInvalidParameter;
    if ((e.capabilities & kCapLockout) != 0 && LockedOut(freq)) return kStatusInvalidParameter;

    std::size_t j = 0;
    while (j < ns && freq > e.synthEdges[j]) ++j;
    if (j == ns) return kStatusInvalidParameter;
    const SynthRange& row = kSynthRanges[j];

    TunerState ts = state_.current;
    LX_Q7_HWINFO info = state_.hwInfo;
    info.frequency = freq;

    std::size_t band = 1;
    while (band < nb && freq > e.bandEdges[band]) ++band;
    info.bandLow = e.bandEdges[band - 1];
    info.bandHigh = e.bandEdges[band];
    info.band = static_cast<std::uint8_t>(band);
    if (band >= 4 && (info.flags & kHwInfoPreselectorForced) == 0) {
        InterpolatePreselector(info, freq);
    }

    info.rangeIndex = static_cast<std::uint8_t>(j);
    info.rangeSelect = row.rangeSelect;
    info.multiplier = row.multiplier;

    const std::uint32_t firstIf =
        state_.fmWide && (e.options & kOptFmWideIf) != 0 ? kFmWideFirstIf : e.firstIfHz;
    // Unsigned 32-bit arithmetic: the frequency plan's sums and products wrap by design.
    const std::uint32_t lo1 = row.injectionBelow ? freq - firstIf : freq + firstIf;
    info.lo1Flags = row.injectionBelow ? (info.lo1Flags | 1u) : (info.lo1Flags & ~1u);
    info.lo1 = lo1;
    const std::uint32_t vco = lo1 * row.multiplier;
    info.vco = vco;

    std::uint16_t step = SynthStep(state_, j, row, vco);
    if (IsSpurFrequency(freq)) step -= 10;
    info.step = step;
    info.stepDivisor = 2;
    info.divider = (2u * vco) / step;

    // Bytes 0..35 describe this tuning; the second-LO part (36..55) belongs to SetSecondLO.
    std::memcpy(&state_.hwInfo, &info, offsetof(LX_Q7_HWINFO, lo2));
    state_.hwInfo.referenceHz = TruncLow32(state_.referenceHz);

    const std::uint32_t current = state_.frequency;
    const bool jump = freq > current + kJumpHz || freq + kJumpHz < current;

    ts.rangeControl = row.control;
    std::uint16_t bandWord = static_cast<std::uint16_t>((ts.bandWord & 0xFF03u) |
                                                        (kBandCodes[band] & 0xFCu));
    if (state_.hwInfo.attenuator == 0) bandWord |= kBandWordAttenuatorOff;
    if ((state_.hwInfo.flags & kHwInfoRfAmpOn) == 0) bandWord |= kBandWordRfAmpOff;
    ts.bandWord = bandWord;
    if ((state_.hwInfo.flags & kHwInfoPreselectorForced) == 0) {
        ts.preselector = state_.hwInfo.preselector;
    }
    ts.dwell = dwell == 0 ? kDefaultDwell : static_cast<std::uint8_t>(dwell & 0xFFu);
    ts.mainControl = std::uint32_t{step} << 16 | kMainControlMarker |
                     (jump ? kMainControlFastPll : 0u);
    ts.mainFraction =
        TruncLow32(static_cast<double>(vco) / state_.referenceHz * 2.0 / step * kTwoPow32);

    const NtStatus status = PushTunerState(ts, waitPush, forceAll);
    if (status == kStatusSuccess) state_.frequency = freq;
    return status;
}

NtStatus Tuner::WaitForLock() {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    const plat::sys::Nanoseconds start = clock.Now();
    NtStatus status = hardware_.ReadLockStatus(false, state_.status);
    if (status != kStatusSuccess) return status;
    if (state_.status == 3) return kStatusSuccess;
    for (;;) {
        status = hardware_.ReadLockStatus(true, state_.status);
        if (status != kStatusSuccess) return status;
        if ((state_.status & 1u) != 0) return kStatusSuccess;
        if (clock.Now() - start > kLockTimeout) {
            state_.tuneError = true;
            return kStatusDeviceBusy;
        }
        // Lock takes milliseconds; polling without a pause would only burn the processor.
        clock.Sleep(kLockPollInterval);
    }
}

NtStatus Tuner::SetSecondLO(std::int32_t if2, bool waitPush) {
    if (state_.referenceHz == 0.0) return kStatusInvalidParameter;
    state_.if2 = if2;
    const LX_Q7_EEPROM& e = state_.image;
    const std::uint32_t firstIf =
        state_.fmWide && (e.options & kOptFmWideIf) != 0 ? kFmWideFirstIf : e.firstIfHz;
    const std::int32_t secondIf = state_.fmWide ? std::int32_t{kFmWideSecondIf} : if2;
    const std::uint32_t lo2 = firstIf + static_cast<std::uint32_t>(secondIf);

    LX_Q7_HWINFO& info = state_.hwInfo;
    info.lo2Divisor = 195;
    info.lo2Multiplier = 4;
    info.lo2Valid = 1;
    info.reserved54 = 0;
    info.lo2Flags = secondIf < 0 ? (info.lo2Flags | 1u) : (info.lo2Flags & ~1u);
    info.lo2 = lo2;
    info.lo2Again = lo2;
    info.lo2Scaled = (4u * lo2) / 195u;

    TunerState ts = state_.current;
    ts.secondControl = kSecondControlWord;
    ts.secondFraction = TruncLow32(static_cast<double>(static_cast<std::int32_t>(lo2)) /
                                   state_.referenceHz * 4.0 / 195.0 * kTwoPow32);
    return PushTunerState(ts, waitPush, false);
}

NtStatus Tuner::SetFmWide(bool on) {
    if ((state_.image.capabilities & kCapFmWide) == 0) return kStatusNotSupported;
    const NtStatus status = hardware_.SwitchFmWide(on);
    // A receiver that did not switch keeps its mode: gains and second LO stay as they are.
    if (status != kStatusSuccess) return status;
    if (on) {
        if (!state_.fmWide) {
            state_.savedAgcMode = state_.agcMode;
            state_.savedIfGain = state_.ifGain;
        }
        ApplyGains((state_.image.options & kOptGain) != 0 ? 6 : 0, 0, 0);
    } else if (state_.fmWide) {
        ApplyGains(state_.savedAgcMode, state_.savedIfGain, 0);
    }
    state_.fmWide = on;
    SetSecondLO(state_.if2, false);
    return status;
}

void Tuner::InterpolatePreselector(LX_Q7_HWINFO& info, std::uint32_t freq) const {
    const unsigned band = info.band;
    if (band < 4 || band > 7) return;
    const FILTER_NODE* node = state_.filterNodes + kFilterNodesPerBand * (band - 4);
    // Band 7 has no following band whose first node could close its last interval.
    const unsigned last = band == 7 ? 7 : 8;
    unsigned k = 1;
    while (k <= last && freq > node[k].hz) ++k;
    if (k > last) return;

    const FILTER_NODE& lo = node[k - 1];
    const FILTER_NODE& hi = node[k];
    // Below the interval's lower node (below the band's first node, or nodes out of order) the
    // unsigned distance would wrap into a huge one: take the lower node's value instead.
    if (freq <= lo.hz) {
        info.preselector = static_cast<std::uint8_t>(lo.value);
        return;
    }
    const auto d1 = static_cast<std::int32_t>((freq - lo.hz + 512u) >> 10);
    const auto d2 = static_cast<std::int32_t>((hi.hz - lo.hz + 512u) >> 10);
    if (d2 == 0) { // nodes less than 512 Hz apart: nothing to interpolate
        info.preselector = static_cast<std::uint8_t>(lo.value);
        return;
    }
    // Signed 32-bit product and difference, wrapped through unsigned arithmetic; d1 and d2 are
    // at most 2^22, so the division cannot overflow.
    const auto diff = static_cast<std::int32_t>(hi.value - lo.value);
    const auto product =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(d1) * static_cast<std::uint32_t>(diff));
    const std::uint32_t value = lo.value + static_cast<std::uint32_t>(product / d2);
    info.preselector = static_cast<std::uint8_t>(value & 0xFFu);
}

NtStatus Tuner::PushTunerState(TunerState state, bool waitPush, bool forceAll) {
    if ((state_.image.options & kOptGain) != 0) {
        state.gain[0] |= 0x80;
        state.gain[4] |= 0x80;
    }
    if (state_.tuneError) {
        forceAll = true;
        state_.tuneError = false;
    }
    const TunerState& cur = state_.current;
    if ((state.mainControl != cur.mainControl && state.mainFraction != cur.mainFraction) ||
        (state.secondControl != cur.secondControl &&
         state.secondFraction != cur.secondFraction)) {
        state.dwell = kLongDwell;
    }
    return hardware_.PushTunerState(state, waitPush, forceAll);
}

} // namespace lxq::driver
