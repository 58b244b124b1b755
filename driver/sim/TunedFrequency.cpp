#include "driver/sim/TunedFrequency.h"

#include <cmath>

#include "driver/TuningTables.h"

namespace lxq::sim {
namespace {

constexpr std::uint32_t kOldBandEdge = 260'000'000;
constexpr std::uint32_t kFmWideFirstIf = 110'700'000;

// The synthesiser range edges in force: an image with the old 260 MHz band edge has its ranges
// moved up with the band, as the driver does when it reads the image.
void RangeEdges(const LX_Q7_EEPROM& image, std::uint32_t (&edges)[kEepromSynthEdgeSlots]) {
    for (std::size_t i = 0; i < kEepromSynthEdgeSlots; ++i) edges[i] = image.synthEdges[i];
    if (image.bandEdges[5] == kOldBandEdge) {
        edges[3] = 315'000'000;
        edges[4] = 400'000'000;
        edges[5] = 400'000'000;
    }
}

} // namespace

std::optional<TunedSpan> DecodeTunedFrequency(const TunerState& state, const LX_Q7_EEPROM& image, bool fmWide) {
    const double reference = state.referenceSelect == kReferenceInternal ? image.refClockInternalHz
                                                                          : image.refClockExternalHz;
    const std::uint32_t step = state.mainControl >> 16;
    if (reference <= 0.0 || step == 0) return std::nullopt;
    // The word is trunc(VCO / reference * 2 / step * 2^32): the VCO lies in [word, word + 1) units.
    const double unit = reference * step / 2.0 / 4294967296.0;
    const double vcoLow = static_cast<double>(state.mainFraction) * unit;
    const double vcoHigh = vcoLow + unit;
    const double firstIf = fmWide && (image.options & kOptFmWideIf) ? kFmWideFirstIf : image.firstIfHz;

    std::uint32_t edges[kEepromSynthEdgeSlots];
    RangeEdges(image, edges);
    const std::size_t count = image.synthRangeCount < driver::kSynthRangeRows ? image.synthRangeCount
                                                                              : driver::kSynthRangeRows;
    for (std::size_t j = 0; j < count; ++j) {
        const driver::SynthRange& row = driver::kSynthRanges[j];
        if (row.control != state.rangeControl) continue;
        const double offset = row.injectionBelow ? firstIf : -firstIf;
        // Whole frequencies whose VCO falls in the word's interval (both sides rise with the VCO).
        double low = std::ceil(vcoLow / row.multiplier + offset);
        double high = std::ceil(vcoHigh / row.multiplier + offset) - 1.0;
        // The driver picks the first range whose upper edge the frequency does not pass.
        const double rangeLow = j == 0 ? 0.0 : static_cast<double>(edges[j - 1]) + 1.0;
        const double rangeHigh = edges[j];
        if (low < rangeLow) low = rangeLow;
        if (high > rangeHigh) high = rangeHigh;
        if (low > high || low < 0.0 || high > 4294967295.0) continue;
        return TunedSpan{static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(high), row.injectionBelow};
    }
    return std::nullopt;
}

} // namespace lxq::sim
