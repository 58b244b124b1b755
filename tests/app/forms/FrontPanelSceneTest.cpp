// The front panel on a simulated receiver that hears the default band, with the calibration
// file the build ships for the simulators: it starts without a calibration warning and its
// S-meter reads the stations' levels in dBm, whatever the attenuator and preamplifier do.

#include <filesystem>

#include "driver/sim/LiveScene.h"
#include "platform/sys/KnownFolders.h"
#include "tests/app/forms/FrontPanelFixture.h"

namespace lxq {
namespace {

namespace win = plat::win;

class FrontPanelScene : public FrontPanel {
protected:
    FrontPanelScene() {
        sim::LiveScene::Reset();
        // The panel must find the shipped file where it looks, not the fixture's own.
        std::filesystem::remove(dir.File("lxq745.cal"));
    }

    double LevelAt(std::int64_t hz) {
        form->Q7->SetFreq(hz);
        form->Q7->GetSS();
        return form->Q7->SignalLevel();
    }
};

TEST_F(FrontPanelScene, TheShippedCalibrationReadsTheBandInDbm) {
    ASSERT_TRUE(std::filesystem::exists(plat::sys::ProgramFolder() + "/lxq745.cal")) << "built beside the program";
    StartHost("sim-serial");
    MakePanel({"/sd"});
    form->DoCreate();
    ASSERT_FALSE(form->Quitting());
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_FALSE(form->Q7->CalibrationFile().empty());

    struct Case {
        std::int64_t hz;
        bool attenuator;
        bool preamp;
        double dbm;
    };
    const Case cases[] = {
        {1'000'000, false, true, -53.0},    // the AM station where a fresh panel starts
        {14'100'000, false, true, -85.0},   // the beacon
        {145'525'000, false, true, -80.0},  // a narrow-FM channel
        {145'537'500, false, true, -120.0}, // between channels: the noise
        {1'000'000, true, true, -53.0},     // the gains change what the receiver measures,
        {1'000'000, false, false, -53.0},   // not what the S-meter shows
        {1'000'000, true, false, -53.0},
    };
    for (const Case& c : cases) {
        form->Q7->SetAtten(c.attenuator ? 1 : 0);
        form->Q7->SetPreAmp(c.preamp ? 1 : 0);
        EXPECT_NEAR(LevelAt(c.hz), c.dbm, 2.0) << c.hz << " atten " << c.attenuator << " preamp " << c.preamp;
    }
    form->Close();
}

} // namespace
} // namespace lxq
