// Cost of tuning: the whole SetTunerFrequency path over a sweep (band search, synthesiser range,
// preselector, spur check, words) against a transport that only records, and the spur check on
// its own.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "driver/SpurTable.h"
#include "driver/Tuner.h"

namespace {

using namespace lxq;
using namespace lxq::driver;

class RecordingHardware final : public TunerHardware {
public:
    Tuner* tuner = nullptr;
    NtStatus PushTunerState(const TunerState& state, bool, bool) override {
        tuner->State().current = state;
        return kStatusSuccess;
    }
    NtStatus ReadLockStatus(bool, std::uint8_t& status) override {
        status = 3;
        return kStatusSuccess;
    }
    NtStatus SwitchFmWide(bool) override { return kStatusSuccess; }
    NtStatus ReadEeprom(LX_Q7_EEPROM&) override { return kStatusSuccess; }
    bool WriteEepromByte(std::uint8_t, std::uint8_t) override { return true; }
};

LX_Q7_EEPROM SweepImage() {
    LX_Q7_EEPROM e{};
    for (int i = 0; i < 64; i += 2) {
        e.filterBytes[i] = static_cast<std::uint8_t>(i * 4);
        e.filterBytes[i + 1] = static_cast<std::uint8_t>(i * 3);
    }
    e.bandCount = 7;
    e.synthRangeCount = 12;
    e.lowestHz = 9'000;
    e.highestHz = 3'000'000'000u;
    e.firstIfHz = 1'200'000'000u;
    e.capabilities = kCapFineSteps;
    const std::uint32_t edges[8] = {9'000,       2'000'000,   30'000'000,    60'000'000,
                                    120'000'000, 250'000'000, 1'000'000'000, 3'000'000'000u};
    for (int i = 0; i < 8; ++i) e.bandEdges[i] = edges[i];
    for (int i = 0; i < 12; ++i) e.synthEdges[i] = 250'000'000u * static_cast<std::uint32_t>(i + 1);
    e.refClockInternalHz = 40'000'000;
    return e;
}

void BM_SetTunerFrequencySweep(benchmark::State& state) {
    RecordingHardware hw;
    Tuner tuner(hw);
    hw.tuner = &tuner;
    tuner.State().current.referenceSelect = kReferenceInternal;
    tuner.AdoptImage(SweepImage());
    const std::uint32_t step = static_cast<std::uint32_t>(state.range(0));
    std::uint32_t f = 9'000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tuner.SetTunerFrequency(f, true, false, false, false, 0));
        f += step;
        if (f > 3'000'000'000u) f = 9'000;
    }
    state.SetItemsProcessed(state.iterations());
}
// 12.5 kHz channel steps and 1 MHz sweep steps.
BENCHMARK(BM_SetTunerFrequencySweep)->Arg(12'500)->Arg(1'000'000);

void BM_IsSpurFrequency(benchmark::State& state) {
    std::uint32_t f = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(IsSpurFrequency(f));
        f += 12'345;
        if (f > 2'000'000'000u) f = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsSpurFrequency);

// The table walked from its start, for comparison with the binary search above.
void BM_IsSpurFrequencyLinearWalk(benchmark::State& state) {
    std::uint32_t f = 0;
    for (auto _ : state) {
        bool spur = false;
        for (std::size_t i = 0; i < kSpurRangeCount; ++i) {
            if (f < std::uint64_t{kSpurRanges[i].lowKhz} * 1000) break;
            if (f < std::uint64_t{kSpurRanges[i].highKhz} * 1000) {
                spur = true;
                break;
            }
        }
        benchmark::DoNotOptimize(spur);
        f += 12'345;
        if (f > 2'000'000'000u) f = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IsSpurFrequencyLinearWalk);

} // namespace
