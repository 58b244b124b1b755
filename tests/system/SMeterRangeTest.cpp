// The panel's S-meter with the simulated receivers' own calibration file reads what the band
// holds up to the top of its scale, with the preamplifier on (the panel's default) and off; and a
// USB receiver's meter follows the band with the demodulator (and so the codec stream) stopped.

#include <cmath>

#include "app/controls/TmySMeter.h"
#include "tests/system/FrontPanelRig.h"

namespace lxq::systemtest {
namespace {

class SMeterRange : public FrontPanelSystem {
protected:
    double MeterAt(std::int64_t hz) {
        Tune(hz);
        Run(600);
        return form->mySMeter->Position();
    }
    // The meter once it shows `dbm`, or after a few seconds: it falls with its ballistics, a step a
    // level poll, and a loaded machine (a sanitizer's build, two cores) polls late.
    double MeterSettlingAt(std::int64_t hz, double dbm) {
        Tune(hz);
        Run(5000, [&] { return std::abs(form->mySMeter->Position() - dbm) < 0.5; });
        return form->mySMeter->Position();
    }
};

TEST_F(SMeterRange, TheMeterReadsStrongStationsUpToTheTopOfItsScale) {
    Start("pci", "noise -120\n"
                 "station 145000000 -30 carrier\n"
                 "station 145100000 -60 carrier\n"
                 "station 145200000 -20 carrier\n");
    form->Q7->SetCalFile(BuildFolder() + "/lxq745.cal");
    ASSERT_NE(form->Q7->GetPreAmp(), 0) << "the panel's default";
    EXPECT_NEAR(MeterSettlingAt(145'000'000, -30.0), -30.0, 1.0) << "the top of the scale with the preamplifier on";
    EXPECT_NEAR(MeterSettlingAt(145'100'000, -60.0), -60.0, 1.0);
    form->Q7->SetPreAmp(0);
    EXPECT_NEAR(MeterSettlingAt(145'200'000, -20.0), -20.0, 1.0) << "the top of the scale with the preamplifier off";
    EXPECT_NEAR(MeterSettlingAt(145'100'000, -60.0), -60.0, 1.0);
}

TEST_F(SMeterRange, AUsbReceiversMeterFollowsTheBandWithTheDemodulatorStopped) {
    Start("usb", "noise -120\n"
                 "station 145000000 -50 carrier\n"
                 "station 145100000 -80 carrier\n");
    form->Q7->SetCalFile(BuildFolder() + "/lxq745.cal");
    form->KVR->StopAll(); // the codec stream stops with it
    Run(100);
    EXPECT_NEAR(MeterAt(145'000'000), -50.0, 1.0);
    EXPECT_NEAR(MeterAt(145'100'000), -80.0, 1.0);
    EXPECT_LT(MeterAt(145'050'000), -110.0) << "nothing between the stations";
}

} // namespace
} // namespace lxq::systemtest
