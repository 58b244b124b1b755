// What the loudspeaker plays at both ends of the level range, with the panel at its defaults
// (preamplifier on, the receiver's AGC on, the demodulator's own AGC off): a weak AM station is
// heard through the noise on every variant, a strong one is heard clean rather than clipped, and
// an FM station plays as loud from the USB receiver's codec as through the sound card.

#include "tests/system/FrontPanelRig.h"
#include "tests/system/ToneAnalysis.h"

#include <cmath>

namespace lxq::systemtest {
namespace {

struct Case {
    const char* name;
    const char* variant;
    const char* mode;
    const char* station; // the scene's station line (at 145 MHz)
    double minSinadDb;
};

const Case kCases[] = {
    {"WeakAmOnPci", "pci", "AM", "station 145000000 -103 am tone=1000 depth=0.5", 12.0},
    {"WeakAmOnUsb", "usb", "AM", "station 145000000 -103 am tone=1000 depth=0.5", 12.0},
    {"StrongAmOnPci", "pci", "AM", "station 145000000 -30 am tone=1000 depth=0.5", 35.0},
    {"StrongAmOnUsb", "usb", "AM", "station 145000000 -30 am tone=1000 depth=0.5", 35.0},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SignalRange : public FrontPanelSystem, public ::testing::WithParamInterface<Case> {
protected:
    // What the loudspeaker played of the station, after a second to settle.
    std::vector<std::int16_t> Listen(const char* variant, const char* mode, const char* station) {
        Start(variant, std::string("noise -120\n") + station + "\n");
        Mode(mode);
        Tune(145'000'000);
        Run(1500);
        const auto played = Played();
        EXPECT_GT(played.size(), 24000u);
        if (played.size() <= 24000u) return {};
        return {played.end() - 24000, played.end()};
    }
};

TEST_P(SignalRange, TheStationIsHeard) {
    const Case& c = GetParam();
    const auto heard = Listen(c.variant, c.mode, c.station);
    ASSERT_FALSE(heard.empty());
    const ToneFit fit = FitTone(heard, 48000, 200, 4000);
    EXPECT_NEAR(fit.hz, 1000.0, 2.0) << c.name;
    EXPECT_GE(fit.sinadDb, c.minSinadDb) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Levels, SignalRange, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The FM station's tone as loud on every variant: the level the sound card's 48 kHz gives
// (measured), within half a dB.
constexpr double kFmToneRms = 5440.0;

class FmLoudness : public SignalRange {};

TEST_P(FmLoudness, AnFmStationIsAsLoudOnEveryVariant) {
    const auto heard = Listen(GetParam().variant, "FMN", "station 145000000 -70 fm tone=1000 deviation=2500");
    ASSERT_FALSE(heard.empty());
    double power = 0;
    for (const std::int16_t v : heard) power += double(v) * v;
    const double rms = std::sqrt(power / double(heard.size())); // the tone: the station is 50 dB above the noise
    EXPECT_NEAR(20 * std::log10(rms / kFmToneRms), 0.0, 0.5) << GetParam().variant << ": " << rms;
}

const Case kVariants[] = {{"Pci", "pci", "FMN", "", 0}, {"Usb", "usb", "FMN", "", 0}};
INSTANTIATE_TEST_SUITE_P(Variants, FmLoudness, ::testing::ValuesIn(kVariants),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
} // namespace lxq::systemtest
