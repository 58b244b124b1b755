// What the loudspeaker plays and the S-meter shows for a station of each kind of modulation: the
// band's station 50 dB above the noise, the panel tuned to it and the demodulator in its mode.

#include "app/controls/TmySMeter.h"
#include "app/controls/TstFrequencyEdit.h"
#include "tests/system/FrontPanelRig.h"
#include "tests/system/ToneAnalysis.h"

namespace lxq::systemtest {
namespace {

struct Station {
    const char* mode;       // the demodulator's mode button
    const char* scene;      // the station's line of the scene
    std::int64_t tuneHz;    // where the panel is tuned
    double toneHz;          // what the loudspeaker plays
};

// Each station 145 MHz, -80 dBm, over a noise floor of -130 dBm.
const Station kStations[] = {
    {"AM", "station 145000000 -80 am tone=1000 depth=0.5", 145'000'000, 1000},
    {"FMN", "station 145000000 -80 fm tone=1000 deviation=2500", 145'000'000, 1000},
    {"USB", "station 145000000 -80 usb tone=1000", 145'000'000, 1000},
    {"LSB", "station 145000000 -80 lsb tone=1000", 145'000'000, 1000},
    // The carrier beats with the demodulator's CW tone (800 Hz by default).
    {"CW", "station 145000000 -80 cw", 145'000'000, 800},
};

void PrintTo(const Station& s, std::ostream* os) { *os << s.mode; }

class Reception : public FrontPanelSystem, public ::testing::WithParamInterface<Station> {};

TEST_P(Reception, TheLoudspeakerPlaysTheStationsToneAndTheMeterItsLevel) {
    const Station& s = GetParam();
    Start("pci", std::string("noise -130\n") + s.scene + "\n");
    Mode(s.mode);
    Tune(s.tuneHz);
    // A second for the demodulator to settle, half a second to listen to.
    Run(1500);
    EXPECT_NEAR(form->mySMeter->Position(), -80.0, 2.0) << s.mode << ": the S-meter reads the station";
    const auto played = Played();
    ASSERT_GT(played.size(), 24000u);
    const std::vector<std::int16_t> heard(played.end() - 24000, played.end());
    const ToneFit fit = FitTone(heard, 48000, 200, 4000);
    EXPECT_NEAR(fit.hz, s.toneHz, 1.0) << s.mode;
    EXPECT_GE(fit.sinadDb, 30.0) << s.mode;
}

INSTANTIATE_TEST_SUITE_P(Modes, Reception, ::testing::ValuesIn(kStations),
                         [](const ::testing::TestParamInfo<Station>& info) { return std::string(info.param.mode); });

} // namespace
} // namespace lxq::systemtest
